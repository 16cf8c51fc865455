#include "run/MainFrm.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

#include "Brevik.h"
#include "resources/VornStrings.h"
#include "run/MainThread.h"
#include "settings/Registry.h"
#include "settings/Setting.h"

TMainForm::TMainForm(TSkinMessage* AMessage, QWidget* AParent) : TVornMainForm(AMessage, AParent) {
    chkOpenFixed->setText(QStringLiteral("&Open the recovered Oracle database file when finished"));
    FormCreate();
}

TMainForm::~TMainForm() { FormDestroy(); }

int32_t TMainForm::RecoverOneFile(const QString& ASource, const QString& ADest) {
    TMainThread worker(this, ASource, ADest);
    return RunWorker(worker);
}

void TMainForm::HandleEngineMessage(int32_t ACode, const void* AArg, bool& AHandled) {
    AHandled = true;
    switch (ACode) {
    case MSG_LOG_TEXT:
        AppendLog(QString::fromUtf16(static_cast<const char16_t*>(AArg)));
        break;
    case MSG_LOG_ERROR:
        AppendLog(LoadStr(TStringId::LogSeparator));
        AppendLog(QString::fromUtf16(static_cast<const char16_t*>(AArg)));
        AppendLog(LoadStr(TStringId::LogSeparator));
        break;
    case MSG_OUTPUT_SIZE:
        break;
    case MSG_SHOW_ERROR:
        SkinMessage().MessageDlg(QString::fromUtf16(static_cast<const char16_t*>(AArg)),
                                 TMsgDlgType::mtInformation, mbOK);
        break;
    default: // MSG_SOURCE_FILE among them: no visible effect
        AHandled = false;
        break;
    }
}

void TMainForm::ShowRegistryError(const TRegistryError& AError) {
    const QString text =
        AError.Cause().isEmpty() ? AError.Message() : AError.Message() + "\n" + AError.Cause();
    SkinMessage().MessageDlg(text, TMsgDlgType::mtError, mbOK);
}

void TMainForm::LoadSettings() {
    FSetting = std::make_unique<TSetting>();
    try {
        FSetting->Load();
    } catch (const TRegistryError& error) {
        // The option controls keep their design-time state.
        ShowRegistryError(error);
        return;
    }
    chkOpenFixed->setChecked(FSetting->OpenFixed);
    txtTempDir->setText(FSetting->TempDir);
    txtBufSize->setValue(FSetting->BufSize);
}

void TMainForm::SaveSettings() {
    if (!FSetting)
        return;
    FSetting->OpenFixed = chkOpenFixed->isChecked();
    FSetting->TempDir = txtTempDir->text();
    FSetting->BufSize = txtBufSize->value();
    try {
        FSetting->Save();
    } catch (const TRegistryError& error) {
        ShowRegistryError(error);
    }
    FSetting.reset();
}
