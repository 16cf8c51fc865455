// Saving the log from the real main window: the button, the dialog's
// answers and what reaches the file and the user.
#include "run/MainFrm.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include <functional>
#include <optional>

#include "ReportTestUtil.h"
#include "TestSupport.h"
#include "report/logdlg.h"
#include "widgets/VornPanel.h"

namespace {

using namespace reporttest;

// A main window whose boxes, file dialogs, shell and log dialog answer
// from a script, with a log of a few lines.
class TSaveLogTest : public ::testing::Test {
protected:
    TSaveLogTest() : FForm({&FBox, &FDialogs, &FShell, &FLogDialog}) {
        for (const QString& line : kLog)
            FForm.AppendLog(line);
    }

    QString FileIn(const char* AName) const { return Q(FDir / AName); }

    const QStringList kLog = {"Start recovery process ...", kSeparator,
                              "File to be recovered: '/data/users01.dbf'; File size = 8,192 bytes",
                              "", "Recovery process completes."};

    testsupport::TempDir FDir;
    TScriptedMessage FBox;
    TScriptedDialogs FDialogs;
    TScriptedShell FShell;
    TScriptedLogDialog FLogDialog;
    TMainForm FForm;
};

// The lines of a file written with CR LF after every line.
QStringList FileLines(const QString& APath) {
    const QByteArray bytes = ReadBytes(APath);
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    QStringList lines = QString::fromUtf8(bytes).split("\r\n");
    lines.removeLast();
    return lines;
}

TEST_F(TSaveLogTest, ButtonSitsOnTheRecoveryTabAndIsDisabledWhileARunGoesOn) {
    EXPECT_EQ(FForm.btnSaveLog->parentWidget(), static_cast<QWidget*>(FForm.palRepairTab));
    EXPECT_EQ(Std(FForm.btnSaveLog->text()), "Save &Log");
    EXPECT_TRUE(FForm.btnSaveLog->isEnabled());
    FForm.EnableInputControls(false);
    EXPECT_FALSE(FForm.btnSaveLog->isEnabled());
    FForm.EnableInputControls(true);
    EXPECT_TRUE(FForm.btnSaveLog->isEnabled());
}

TEST_F(TSaveLogTest, WithoutTheBoxTheFileHoldsTheLogViewsTextAlone) {
    const QString path = FileIn("plain.log");
    FLogDialog.Answers = {{path, false}};
    FForm.btnSaveLog->click();
    EXPECT_EQ(ReadBytes(path), kLog.join("\r\n").toUtf8());
    EXPECT_TRUE(FBox.Asked().isEmpty());
}

TEST_F(TSaveLogTest, WithTheBoxTheReportAndTheSettingsComeBeforeTheLog) {
    FForm.chkOpenFixed->setChecked(false);
    FForm.txtTempDir->setText("/var/tmp/vorn/");
    FForm.txtBufSize->setValue(512);
    const QString path = FileIn("report.log");
    FLogDialog.Answers = {{path, std::nullopt}};

    FForm.btnSaveLog->click();

    const QStringList lines = FileLines(path);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(Std(lines.at(0)), Std(kSeparator));
    EXPECT_EQ(Std(lines.at(1)), " Version Information:");
    const qsizetype end = lines.indexOf("End of System Information");
    ASSERT_GT(end, 1);
    EXPECT_EQ(Std(lines.at(end + 1)), Std(kSeparator));
    const QStringList settings = {
        "Setting Information:",
        "&Open the recovered Oracle database file when finished: No",
        "Dire&ctory for temporary files: /var/tmp/vorn/",
        "I&nternal Processing Buffer Size: 512",
        kSeparator,
        "End of Setting Information",
        kSeparator,
    };
    EXPECT_EQ(Std(lines.mid(end + 2)), Std(settings + kLog));
    EXPECT_TRUE(FBox.Asked().isEmpty());
}

TEST_F(TSaveLogTest, CancellingWritesNothing) {
    FLogDialog.Answers = {{"", false}};
    FForm.btnSaveLog->click();
    EXPECT_EQ(FLogDialog.BoxShown, QList<bool>{true});
    EXPECT_TRUE(QDir(Q(FDir.path())).isEmpty());
    EXPECT_TRUE(FBox.Asked().isEmpty());
}

TEST_F(TSaveLogTest, FileThatCannotBeCreatedIsReportedInAnErrorBoxAndNothingIsWritten) {
    const QString path = FileIn("missing/run.log");
    FLogDialog.Answers = {{path, std::nullopt}};
    FBox.Answer(TModalResult::mrOk);
    FForm.btnSaveLog->click();
    ASSERT_EQ(FBox.Asked().size(), 1);
    EXPECT_EQ(FBox.Asked().at(0).type, TMsgDlgType::mtError);
    EXPECT_EQ(FBox.Asked().at(0).buttons, TMsgDlgButtons(mbOK));
    EXPECT_EQ(Std(FBox.Asked().at(0).text.section('\n', 0, 0)), "Cannot create file " + Std(path));
    EXPECT_TRUE(QDir(Q(FDir.path())).isEmpty());
}

// The real dialog, driven as a person drives it: the box is cleared at the
// first save and offered cleared at the second.
TEST(SaveLogWithTheRealDialog, TheCheckBoxChosenAtOneSaveIsOfferedAtTheNext) {
    const testsupport::TempDir dir;
    TScriptedMessage box;
    TScriptedDialogs dialogs;
    TScriptedShell shell;
    TSaveLogDialog logDialog;
    TMainForm form({&box, &dialogs, &shell, &logDialog});
    form.AppendLog("Recovery process completes.");

    std::vector<bool> shown;
    auto save = [&](const std::string& AName, std::optional<bool> ABox) {
        QMetaObject::invokeMethod(
            &logDialog,
            [&, AName, ABox] {
                shown.push_back(logDialog.SystemInfoCheckBox->isChecked());
                logDialog.findChild<QLineEdit*>("fileNameEdit")->setText(Q(dir / AName));
                if (ABox && *ABox != logDialog.SystemInfoCheckBox->isChecked())
                    logDialog.SystemInfoCheckBox->click();
                auto* buttons = logDialog.findChild<QDialogButtonBox*>();
                for (QAbstractButton* button : buttons->buttons())
                    if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                        button->click();
            },
            Qt::QueuedConnection);
        form.btnSaveLog->click();
    };
    save("first.log", false);
    save("second.log", std::nullopt);

    EXPECT_EQ(shown, (std::vector<bool>{true, false}));
    EXPECT_EQ(ReadBytes(Q(dir / "first.log")), "Recovery process completes.");
    EXPECT_EQ(ReadBytes(Q(dir / "second.log")), "Recovery process completes.");
    EXPECT_TRUE(box.Asked().isEmpty());
}

} // namespace
