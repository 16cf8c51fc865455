// The message box through which every question and notice of the front end
// goes. Windows take it by injection, so a test answers it from a script
// instead of a person.
#pragma once

#include <QFlags>
#include <QList>
#include <QString>

#include <functional>

enum class TMsgDlgType { mtInformation, mtError, mtConfirmation, mtWarning };

enum TMsgDlgBtn {
    mbYes = 0x01,
    mbNo = 0x02,
    mbOK = 0x04,
    mbCancel = 0x08,
    mbNoToAll = 0x10,
    mbYesToAll = 0x20,
};
Q_DECLARE_FLAGS(TMsgDlgButtons, TMsgDlgBtn)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMsgDlgButtons)

// The answer: which button closed the box; mrNone when it was closed
// another way (the window's close button, Escape without a Cancel button).
enum class TModalResult { mrNone, mrOk, mrCancel, mrYes, mrNo, mrNoToAll, mrYesToAll };

class TSkinMessage {
public:
    virtual ~TSkinMessage() = default;

    // Shows `text` as a modal box of kind `type` with `buttons` and returns
    // the answer. Runs on the window's thread; events go on being processed
    // while the box is open.
    virtual TModalResult MessageDlg(const QString& text, TMsgDlgType type,
                                    TMsgDlgButtons buttons) = 0;
};

// A message box answered from a script, for tests: each call takes the next
// answer in order and records what was asked. An unexpected question (the
// script is used up) is answered mrNone and recorded, so a test sees it.
class TScriptedMessage : public TSkinMessage {
public:
    struct TQuestion {
        QString text;
        TMsgDlgType type;
        TMsgDlgButtons buttons;
    };

    // Answers given in order; `onShow`, when set, runs while the "box" is
    // open, before the answer is returned.
    void Answer(TModalResult result) { FAnswers.append(result); }
    void SetOnShow(std::function<void(const TQuestion&)> onShow) { FOnShow = std::move(onShow); }

    TModalResult MessageDlg(const QString& text, TMsgDlgType type,
                            TMsgDlgButtons buttons) override;

    const QList<TQuestion>& Asked() const { return FAsked; }
    int UnexpectedCount() const { return FUnexpected; }

private:
    QList<TModalResult> FAnswers;
    QList<TQuestion> FAsked;
    std::function<void(const TQuestion&)> FOnShow;
    int FUnexpected = 0;
};
