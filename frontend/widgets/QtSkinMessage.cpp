#include "widgets/QtSkinMessage.h"

#include <QMessageBox>
#include <QPushButton>

#include "resources/VornStrings.h"

TModalResult TQtSkinMessage::MessageDlg(const QString& text, TMsgDlgType type,
                                        TMsgDlgButtons buttons) {
    QMessageBox box(FParent);
    switch (type) {
    case TMsgDlgType::mtInformation:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(LoadStr(TStringId::MsgTitleInformation));
        break;
    case TMsgDlgType::mtError:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(LoadStr(TStringId::MsgTitleError));
        break;
    case TMsgDlgType::mtConfirmation:
        box.setIcon(QMessageBox::Question);
        box.setWindowTitle(LoadStr(TStringId::MsgTitleConfirm));
        break;
    case TMsgDlgType::mtWarning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(LoadStr(TStringId::MsgTitleWarning));
        break;
    }
    box.setText(text);

    struct TButtonKind {
        TMsgDlgBtn flag;
        TStringId caption;
        QMessageBox::ButtonRole role;
        TModalResult result;
    };
    // One role for all keeps the buttons in the order they are added; the
    // real roles only decide the default and the Escape button.
    static const TButtonKind kinds[] = {
        {mbYes, TStringId::MsgButtonYes, QMessageBox::YesRole, TModalResult::mrYes},
        {mbNo, TStringId::MsgButtonNo, QMessageBox::NoRole, TModalResult::mrNo},
        {mbOK, TStringId::MsgButtonOK, QMessageBox::AcceptRole, TModalResult::mrOk},
        {mbCancel, TStringId::MsgButtonCancel, QMessageBox::RejectRole, TModalResult::mrCancel},
        {mbNoToAll, TStringId::MsgButtonNoToAll, QMessageBox::NoRole, TModalResult::mrNoToAll},
        {mbYesToAll, TStringId::MsgButtonYesToAll, QMessageBox::YesRole,
         TModalResult::mrYesToAll},
    };
    QList<QPair<QAbstractButton*, TModalResult>> added;
    for (const TButtonKind& kind : kinds) {
        if (!(buttons & kind.flag))
            continue;
        QPushButton* button = box.addButton(LoadStr(kind.caption), QMessageBox::ActionRole);
        button->setProperty("vornRole", static_cast<int>(kind.role));
        added.append({button, kind.result});
        if (added.size() == 1)
            box.setDefaultButton(button);
        if (kind.role == QMessageBox::RejectRole || (kind.flag == mbOK && !(buttons & mbCancel)))
            box.setEscapeButton(button);
    }
    box.exec();
    for (const auto& [button, result] : added)
        if (box.clickedButton() == button)
            return result;
    return TModalResult::mrNone;
}
