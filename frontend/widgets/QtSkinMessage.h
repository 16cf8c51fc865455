// The message box of the running program, shown with QMessageBox.
#pragma once

#include "util/SkinMessage.h"

class QWidget;

class TQtSkinMessage : public TSkinMessage {
public:
    // Boxes are centred on `AParent` (may be null).
    explicit TQtSkinMessage(QWidget* AParent) : FParent(AParent) {}

    // The title follows the kind ("Information", "Error", "Confirm",
    // "Warning"); the buttons keep the order Yes, No, OK, Cancel, No to All,
    // Yes to All whatever the desktop's convention.
    TModalResult MessageDlg(const QString& text, TMsgDlgType type,
                            TMsgDlgButtons buttons) override;

private:
    QWidget* FParent;
};
