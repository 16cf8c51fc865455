#include "util/SkinMessage.h"

TModalResult TScriptedMessage::MessageDlg(const QString& text, TMsgDlgType type,
                                          TMsgDlgButtons buttons) {
    const TQuestion question{text, type, buttons};
    FAsked.append(question);
    if (FOnShow)
        FOnShow(question);
    if (FAnswers.isEmpty()) {
        ++FUnexpected;
        return TModalResult::mrNone;
    }
    return FAnswers.takeFirst();
}
