#include "run/MsgWnd.h"

#include <QThread>

TMsgWnd::TMsgWnd(TWndProc AWndProc, QObject* AParent)
    : QObject(AParent), FWndProc(std::move(AWndProc)) {}

intptr_t TMsgWnd::SendMessage(int32_t AMessage, const void* AArg) {
    if (QThread::currentThread() == thread())
        return FWndProc(AMessage, AArg);
    intptr_t result = 0;
    QMetaObject::invokeMethod(
        this, [&] { result = FWndProc(AMessage, AArg); }, Qt::BlockingQueuedConnection);
    return result;
}
