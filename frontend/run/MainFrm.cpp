#include "run/MainFrm.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "Brevik.h"
#include "resources/VornStrings.h"
#include "run/MainThread.h"
#include "settings/Registry.h"
#include "settings/Setting.h"
#include "util/VornUtils.h"
#include "widgets/DragEdit.h"

TMainForm::TMainForm(const TFormServices& AServices, const QStringList& AArguments,
                     QWidget* AParent)
    : TVornMainForm(AServices, AParent) {
    chkOpenFixed->setText(LoadStr(TStringId::OpenFixedCaption));
    FormCreate(AArguments);
}

TMainForm::~TMainForm() { FormDestroy(); }

QString TMainForm::GetDefaultDstFileName(const QString& ASource) const {
    const QString stem = RemoveFileExt(ASource);
    return stem + LoadStr(TStringId::RecoveredSuffix) + ASource.mid(stem.size());
}

bool TMainForm::IsValidDstFileExt(const QString& ATarget) const {
    const QString stem = RemoveFileExt(ATarget);
    const QString ext = ATarget.mid(stem.size());
    for (const QString& item : LoadStr(TStringId::ValidDstExts).split(';'))
        if (!item.trimmed().isEmpty() &&
            QString::compare(ext, item.trimmed(), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool TMainForm::HasEnoughFreeSpace(const QString& ASource, const QString& ATarget) const {
    // Passes whenever the free space cannot be learned.
    const qint64 free = FreeSpaceOf(ATarget);
    if (free < 0)
        return true;
    const qint64 size = FileSizeOf(ASource);
    return free >= size + size / 100;
}

int32_t TMainForm::RecoverOneFile(const QString& ASource, const QString& ADest) {
    TMainThread worker(this, ASource, ADest);
    return RunWorker(worker);
}

QString TMainForm::GetSuccessText() const {
    return Format(LoadStr(TStringId::SuccessText), {FileNamePart(txtSrcFile->text())});
}

void TMainForm::AddSettingsInfo(QStringList& ALines) const {
    const QString separator = LoadStr(TStringId::LogSeparator);
    ALines.append(LoadStr(TStringId::InfoSettingHeading));
    ALines.append(CheckBoxInfoText(chkOpenFixed->text(), chkOpenFixed->isChecked()));
    ALines.append(labTempDir->text() + u' ' + txtTempDir->text());
    ALines.append(labBufSize->text() + u' ' + QString::number(txtBufSize->value()));
    ALines.append(separator);
    ALines.append(LoadStr(TStringId::InfoSettingEnd));
    ALines.append(separator);
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

TSetting* TMainForm::Setting() const { return static_cast<TSetting*>(FSetting.get()); }

void TMainForm::ShowRegistryError(const TRegistryError& AError) {
    const QString text =
        AError.Cause().isEmpty() ? AError.Message() : AError.Message() + "\n" + AError.Cause();
    SkinMessage().MessageDlg(text, TMsgDlgType::mtError, mbOK);
}

void TMainForm::LoadSettings() {
    FSetting = std::make_unique<TSetting>();
    try {
        Setting()->Load();
    } catch (const TRegistryError& error) {
        // The option controls keep their design-time state.
        ShowRegistryError(error);
        return;
    }
    chkOpenFixed->setChecked(Setting()->OpenFixed);
    txtTempDir->setText(Setting()->TempDir);
    txtBufSize->setValue(Setting()->BufSize);
}

void TMainForm::SaveSettings() {
    if (!FSetting)
        return;
    Setting()->OpenFixed = chkOpenFixed->isChecked();
    Setting()->TempDir = txtTempDir->text();
    Setting()->BufSize = txtBufSize->value();
    try {
        Setting()->Save();
    } catch (const TRegistryError& error) {
        ShowRegistryError(error);
    }
    FSetting.reset();
}
