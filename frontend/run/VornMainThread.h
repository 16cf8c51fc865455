// The framework's worker thread: one engine call per file, with every engine
// message forwarded to the main form's hidden message window.
#pragma once

#include <QString>
#include <QThread>

#include <cstdint>

class TMsgWnd;

// The main form as the worker sees it: the owner of the hidden message
// window that the engine's messages are sent to.
class TEngineForm {
public:
    virtual ~TEngineForm() = default;

    // Created by the form at start-up and destroyed with it; a form never
    // goes away while one of its workers runs.
    TMsgWnd* FMsgWnd = nullptr;
};

class TVornMainThread : public QThread {
public:
    // `AForm` may be null: the worker then drops every message. The thread
    // is created suspended; start it (or use RunWorker) to run the engine.
    TVornMainThread(TEngineForm* AForm, const QString& ASource, const QString& ADest);

    // The engine's result: 0 until the call has returned, and 0 when the call
    // raised an error. Read it after the thread has ended.
    int32_t GetResult() const { return FResult; }

    TEngineForm* const FForm;
    const QString FSource;
    const QString FDest;

protected:
    // Runs the engine for `Source` and `Dest` on this thread; `ResultWord`
    // is the address of FResult.
    virtual int32_t RunEngine(const QString& Source, const QString& Dest, int32_t* ResultWord) = 0;

private:
    void run() override; // Execute

    int32_t FResult = 0;
};

// The engine callback of every worker. `UserData` is the address of a
// variable holding the worker. Sends the message to the form's message
// window and waits until it has been handled; returns 0.
intptr_t MainThreadCallback(int32_t Code, const void* Arg, uintptr_t UserData);

// Runs `AWorker` at the highest priority and waits for it in a nested event
// loop, so the window's thread goes on handling the worker's messages, the
// user's clicks and timers. Returns the worker's result once it has ended.
int32_t RunWorker(TVornMainThread& AWorker);
