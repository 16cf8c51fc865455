#include "run/VornMainThread.h"

#include <QEventLoop>

#include "run/MsgWnd.h"

TVornMainThread::TVornMainThread(TEngineForm* AForm, const QString& ASource, const QString& ADest)
    : FForm(AForm), FSource(ASource), FDest(ADest) {}

void TVornMainThread::run() {
    try {
        FResult = RunEngine(FSource, FDest, &FResult);
    } catch (...) {
        // The run counts as failed; nothing may leave the thread.
    }
}

intptr_t MainThreadCallback(int32_t Code, const void* Arg, uintptr_t UserData) {
    const TVornMainThread* worker = *reinterpret_cast<TVornMainThread* const*>(UserData);
    if (worker->FForm && worker->FForm->FMsgWnd)
        worker->FForm->FMsgWnd->SendMessage(Code, Arg);
    return 0;
}

int32_t RunWorker(TVornMainThread& AWorker) {
    QEventLoop loop;
    QObject::connect(&AWorker, &QThread::finished, &loop, &QEventLoop::quit);
    // Linux may refuse the priority to an unprivileged process; the run
    // goes on at the normal one.
    AWorker.start(QThread::TimeCriticalPriority);
    if (!AWorker.isFinished())
        loop.exec();
    AWorker.wait();
    return AWorker.GetResult();
}
