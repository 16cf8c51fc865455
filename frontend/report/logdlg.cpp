#include "report/logdlg.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextBlock>
#include <QToolTip>

#include "report/VornInfo.h"
#include "resources/VornStrings.h"
#include "ui_LOGDLGTEMPLATE.h"
#include "util/VornUtils.h"
#include "widgets/QtFileDialogs.h"

TSaveLogDialog::TSaveLogDialog(QWidget* AParent)
    : QFileDialog(AParent), FTemplate(std::make_unique<Ui::LOGDLGTEMPLATE>()) {
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters(ToNameFilters(LoadStr(TStringId::SaveLogFilter)));
    setDefaultSuffix(QStringLiteral("log"));
    setSizeGripEnabled(true);

    InfoPanel = new QFrame(this);
    FTemplate->setupUi(InfoPanel);
    SystemInfoCheckBox = FTemplate->SystemInfoCheckBox;
    SystemInfoCheckBox->setText(LoadStr(TStringId::IncludeSysInfoCaption));
    SystemInfoCheckBox->setToolTip(LoadStr(TStringId::IncludeSysInfoHint));
    // Below the file name and type fields, lined up with them.
    auto* grid = qobject_cast<QGridLayout*>(layout());
    grid->addWidget(InfoPanel, grid->rowCount(), 1, 1, grid->columnCount() - 1);
}

TSaveLogDialog::~TSaveLogDialog() = default;

bool TSaveLogDialog::Execute(QString& AFileName) {
    if (!FFileName.isEmpty())
        selectFile(FFileName);
    if (exec() != QDialog::Accepted || selectedFiles().isEmpty())
        return false;
    FFileName = selectedFiles().constFirst();
    AFileName = FFileName;
    return true;
}

bool TSaveLogDialog::IncludeSysInfo() const {
    return SystemInfoCheckBox->isChecked();
}

void TSaveLogDialog::SetIncludeSysInfo(bool AValue) {
    SystemInfoCheckBox->setChecked(AValue);
}

void TSaveLogDialog::done(int AResult) {
    QToolTip::hideText();
    QFileDialog::done(AResult);
}

bool TScriptedLogDialog::Execute(QString& AFileName) {
    BoxShown.append(FIncludeSysInfo);
    if (Answers.isEmpty()) {
        ++Unexpected;
        return false;
    }
    const TAnswer answer = Answers.takeFirst();
    if (answer.IncludeSysInfo)
        FIncludeSysInfo = *answer.IncludeSysInfo;
    if (answer.FileName.isEmpty())
        return false;
    AFileName = answer.FileName;
    return true;
}

TFileError::TFileError(const QString& AMessage, const QString& ACause)
    : std::runtime_error(AMessage.toStdString()), FMessage(AMessage), FCause(ACause) {}

QStringList LogViewLines(const QPlainTextEdit& AView) {
    QStringList lines;
    for (QTextBlock block = AView.document()->begin(); block.isValid(); block = block.next())
        lines.append(block.text());
    return lines;
}

void WriteLogFile(const QString& AFileName, const QStringList& ALogLines, bool AIncludeSysInfo,
                  const QStringList& ASettingsLines) {
    const QString lineBreak = QStringLiteral("\r\n");
    QString text;
    if (!AIncludeSysInfo) {
        text = ALogLines.join(lineBreak);
    } else {
        QStringList lines{LoadStr(TStringId::LogSeparator)};
        AddSystemInfo(lines);
        lines.append(ASettingsLines);
        lines.append(ALogLines);
        if (!ALogLines.isEmpty() && ALogLines.constLast().isEmpty())
            lines.removeLast();
        for (const QString& line : lines)
            text += line + lineBreak;
    }

    QSaveFile file(AFileName);
    if (!file.open(QIODevice::WriteOnly))
        throw TFileError(Format(LoadStr(TStringId::CannotCreateFile), {AFileName}),
                         file.errorString());
    const QByteArray data = text.toUtf8();
    if (file.write(data) != data.size() || !file.commit())
        throw TFileError(LoadStr(TStringId::StreamWriteError), file.errorString());
}
