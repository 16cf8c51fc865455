// TMsgWnd: the hidden message window of the main form. It lives on the
// window's thread; SendMessage from any thread runs the window procedure
// there and returns only when it has run.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

class TMsgWnd : public QObject {
    Q_OBJECT
public:
    // The window procedure: a message number and its argument in, the
    // message's result out.
    using TWndProc = std::function<intptr_t(int32_t AMessage, const void* AArg)>;

    explicit TMsgWnd(TWndProc AWndProc, QObject* AParent = nullptr);

    // Runs the window procedure on this object's thread with the message and
    // returns its result. From another thread the caller blocks until the
    // procedure has run, so messages are handled one at a time and in the
    // order sent, and `AArg` stays valid throughout. On the object's own
    // thread the procedure is called directly (a blocking queued call from
    // there would deadlock). The window's thread must be processing events
    // for a cross-thread call to return.
    intptr_t SendMessage(int32_t AMessage, const void* AArg);

private:
    TWndProc FWndProc;
};
