// The worker thread and the message window: the real engine on real files,
// its messages arriving on the window's thread, in order, one at a time.
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "Brevik.h"
#include "EngineTestUtil.h"
#include "run/Halcyx.h"
#include "run/MainThread.h"
#include "run/MsgWnd.h"

using namespace enginetest;

namespace {

struct TSeen {
    int32_t code;
    uint64_t number;
    QString text;
    bool onWindowThread;
};

// A form that records every engine message its message window receives.
class TRecordingForm : public TEngineForm {
public:
    TRecordingForm() {
        FMsgWnd = new TMsgWnd([this](int32_t AMessage, const void* AArg) {
            TSeen seen{AMessage, 0, {}, QThread::currentThread() == qApp->thread()};
            if (AMessage == MSG_PROGRESS)
                seen.number = *static_cast<const uint8_t*>(AArg);
            else if (AMessage == MSG_OUTPUT_SIZE)
                seen.number = *static_cast<const uint64_t*>(AArg);
            else
                seen.text = QString::fromUtf16(static_cast<const char16_t*>(AArg));
            Seen.push_back(seen);
            if (OnMessage)
                OnMessage(seen);
            return intptr_t{0};
        });
    }
    ~TRecordingForm() override { delete FMsgWnd; }

    std::string Summary() const {
        std::string out;
        for (const TSeen& s : Seen) {
            out += out.empty() ? "" : ", ";
            out += std::to_string(s.code);
            if (s.code == MSG_PROGRESS || s.code == MSG_OUTPUT_SIZE)
                out += ":" + std::to_string(s.number);
        }
        return out;
    }

    std::vector<TSeen> Seen;
    std::function<void(const TSeen&)> OnMessage;
};

TEST(EngineBridgeTest, MessagesArriveOnTheWindowThreadInOrder) {
    TempDir dir;
    writeFile(dir / "in.dbf", patternBytes(10485760, 1));
    TRecordingForm form;
    TMainThread worker(&form, QString::fromStdString(dir / "in.dbf"),
                       QString::fromStdString(dir / "out.dbf"));

    EXPECT_EQ(RunWorker(worker), 1);

    EXPECT_EQ(form.Summary(), "1524:0, 1535, 1568, 1524:40, 1524:80, 1581:10485760, 1524:100");
    for (const TSeen& s : form.Seen)
        EXPECT_TRUE(s.onWindowThread) << "message " << s.code;
    EXPECT_EQ(form.Seen[1].text, QString::fromStdString(dir / "in.dbf"));
    EXPECT_EQ(form.Seen[2].text, "Analyzing the source file ...");
    EXPECT_EQ(readFile(dir / "out.dbf"), WithMagic(patternBytes(10485760, 1)));
}

TEST(EngineBridgeTest, WorkerWaitsWhileTheErrorBoxIsOpen) {
    TempDir dir;
    TRecordingForm form;
    TMainThread worker(&form, QString::fromStdString(dir / "missing.dbf"),
                       QString::fromStdString(dir / "out.dbf"));
    std::size_t seenWhileOpen = 0;
    bool workerRanWhileOpen = false;
    form.OnMessage = [&](const TSeen& s) {
        if (s.code != MSG_SHOW_ERROR)
            return;
        // Stand in for the modal box: a nested loop that keeps the window's
        // thread busy with events for a while.
        QEventLoop box;
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (++ticks == 20)
                box.quit();
        });
        timer.start(5);
        const std::size_t before = form.Seen.size();
        box.exec();
        seenWhileOpen = form.Seen.size() - before;
        workerRanWhileOpen = worker.isRunning();
    };

    EXPECT_EQ(RunWorker(worker), 0);

    EXPECT_EQ(seenWhileOpen, 0u) << "nothing may arrive while the box is open";
    EXPECT_TRUE(workerRanWhileOpen);
    EXPECT_EQ(form.Summary(), "1524:0, 1535, 1577, 1724, 1581:0, 1524:100");
}

TEST(EngineBridgeTest, WindowThreadKeepsServingEventsDuringALongCopy) {
    TempDir dir;
    writeFile(dir / "in.dbf", patternBytes(64 << 20, 1));
    TRecordingForm form;
    int ticks = 0;
    int ticksAtOutputSize = -1;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(0);
    form.OnMessage = [&](const TSeen& s) {
        if (s.code == MSG_OUTPUT_SIZE)
            ticksAtOutputSize = ticks;
    };
    TMainThread worker(&form, QString::fromStdString(dir / "in.dbf"),
                       QString::fromStdString(dir / "out.dbf"));

    EXPECT_EQ(RunWorker(worker), 1);
    EXPECT_GT(ticksAtOutputSize, 0) << "the timer fired while the engine was copying";
}

TEST(EngineBridgeTest, WorkerWithoutAFormDropsItsMessages) {
    TempDir dir;
    writeFile(dir / "in.dbf", patternBytes(5000, 1));
    TMainThread worker(nullptr, QString::fromStdString(dir / "in.dbf"),
                       QString::fromStdString(dir / "out.dbf"));
    EXPECT_EQ(RunWorker(worker), 1);
    EXPECT_EQ(readFile(dir / "out.dbf"), WithMagic(patternBytes(5000, 1)));
}

TEST(EngineBridgeTest, PathsOfUpTo256UnitsReachTheEngineWhole) {
    TempDir dir;
    const QString folder = QString::fromStdString(dir.path()) + "/";
    const QString path256 = folder + QString(256 - folder.size() - 4, 'p') + ".dbf";
    const QString path257 = folder + QString(257 - folder.size() - 4, 'p') + ".dbf";
    ASSERT_EQ(path256.size(), 256);
    ASSERT_EQ(path257.size(), 257);

    TEnginePath buffer;
    ToEnginePath(path256, buffer);
    EXPECT_EQ(QString::fromUtf16(buffer.Data), path256);
    ToEnginePath(path257, buffer);
    EXPECT_EQ(buffer.Data[0], u'\0');

    writeFile(path256.toStdString(), patternBytes(100, 1));
    writeFile(path257.toStdString(), patternBytes(100, 1));
    struct TCase {
        QString source;
        int32_t result;
        QString sourceSeen;
    };
    for (const TCase& c : {TCase{path256, 1, path256}, TCase{path257, 0, QString()}}) {
        SCOPED_TRACE(c.source.size());
        TRecordingForm form;
        TMainThread worker(&form, c.source, QString::fromStdString(dir / "out.dbf"));
        EXPECT_EQ(RunWorker(worker), c.result);
        ASSERT_GE(form.Seen.size(), 2u);
        EXPECT_EQ(form.Seen[1].text, c.sourceSeen);
    }
}

TEST(EngineBridgeTest, SendFromTheWindowThreadCallsDirectly) {
    int calls = 0;
    TMsgWnd wnd([&](int32_t AMessage, const void*) {
        ++calls;
        return intptr_t{AMessage + 1};
    });
    EXPECT_EQ(wnd.SendMessage(41, nullptr), 42);
    EXPECT_EQ(calls, 1);
}

} // namespace
