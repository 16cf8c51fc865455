// The log's save dialog: its extension, and its answers when driven as a
// person drives it.
#include "report/logdlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <functional>

#include "ReportTestUtil.h"
#include "TestSupport.h"

namespace {

using namespace reporttest;

// What a person does while the dialog is open, run once the dialog's own
// event loop runs.
void WhileOpen(QObject* AContext, std::function<void()> AAction) {
    QMetaObject::invokeMethod(AContext, std::move(AAction), Qt::QueuedConnection);
}

// Clicks the dialog's button of role `ARole` (Save or Cancel).
void ClickButton(TSaveLogDialog& ADialog, QDialogButtonBox::ButtonRole ARole) {
    auto* buttons = ADialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    for (QAbstractButton* button : buttons->buttons()) {
        if (buttons->buttonRole(button) == ARole) {
            ASSERT_TRUE(button->isEnabled());
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button of role " << ARole;
}

QLineEdit* FileNameEdit(TSaveLogDialog& ADialog) {
    auto* edit = ADialog.findChild<QLineEdit*>("fileNameEdit");
    EXPECT_NE(edit, nullptr);
    return edit;
}

// One session with the dialog: the person sees the box as it is (recorded
// in `ABoxShown`), types `ATyped` unless it is empty, sets the box to
// `ABox` when given, and accepts or cancels.
struct TSession {
    QString Typed;
    std::optional<bool> Box;
    bool Accept = true;
};

bool RunSession(TSaveLogDialog& ADialog, const TSession& ASession, QString& AFileName,
                QString& AShownName, bool& ABoxShown) {
    WhileOpen(&ADialog, [&] {
        EXPECT_TRUE(ADialog.isVisible());
        EXPECT_TRUE(ADialog.SystemInfoCheckBox->isVisible());
        ABoxShown = ADialog.SystemInfoCheckBox->isChecked();
        AShownName = FileNameEdit(ADialog)->text();
        if (!ASession.Typed.isEmpty())
            FileNameEdit(ADialog)->setText(ASession.Typed);
        if (ASession.Box && *ASession.Box != ADialog.SystemInfoCheckBox->isChecked())
            ADialog.SystemInfoCheckBox->click();
        ClickButton(ADialog,
                    ASession.Accept ? QDialogButtonBox::AcceptRole : QDialogButtonBox::RejectRole);
    });
    return ADialog.Execute(AFileName);
}

TEST(TSaveLogDialog, IsASaveDialogForLogFilesWithTheCheckBoxTicked) {
    TSaveLogDialog dialog;
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(Std(dialog.defaultSuffix()), "log");
    EXPECT_EQ(Std(dialog.nameFilters()), std::vector<std::string>{"Log files (*.log)"});
    EXPECT_TRUE(dialog.isSizeGripEnabled());

    ASSERT_NE(dialog.InfoPanel, nullptr);
    ASSERT_NE(dialog.SystemInfoCheckBox, nullptr);
    EXPECT_GE(dialog.layout()->indexOf(dialog.InfoPanel), 0);
    EXPECT_EQ(dialog.SystemInfoCheckBox->parentWidget(), dialog.InfoPanel);
    EXPECT_EQ(dialog.InfoPanel->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(Std(dialog.SystemInfoCheckBox->text()), "Include S&ystem Information");
    EXPECT_EQ(Std(dialog.SystemInfoCheckBox->toolTip()),
              "Include system information in the log file");
    EXPECT_TRUE(dialog.SystemInfoCheckBox->isChecked());
    EXPECT_TRUE(dialog.IncludeSysInfo());

    dialog.SetIncludeSysInfo(false);
    EXPECT_FALSE(dialog.SystemInfoCheckBox->isChecked());
    EXPECT_FALSE(dialog.IncludeSysInfo());
    dialog.SystemInfoCheckBox->click();
    EXPECT_TRUE(dialog.IncludeSysInfo());
}

TEST(TSaveLogDialog, KeepsTheCheckBoxAndTheFileNameFromOneSaveToTheNext) {
    const testsupport::TempDir dir;
    TSaveLogDialog dialog;
    QString fileName, shownName;
    bool boxShown = false;

    // A name typed without extension gets the default one.
    ASSERT_TRUE(RunSession(dialog, {Q(dir / "first"), false, true}, fileName, shownName, boxShown));
    EXPECT_TRUE(boxShown);
    EXPECT_EQ(Std(fileName), dir / "first.log");
    EXPECT_FALSE(dialog.IncludeSysInfo());

    // The next save offers the same name and the box as it was left.
    QString second;
    ASSERT_TRUE(RunSession(dialog, {{}, std::nullopt, true}, second, shownName, boxShown));
    EXPECT_FALSE(boxShown);
    EXPECT_EQ(Std(shownName), "first.log");
    EXPECT_EQ(Std(second), dir / "first.log");
    EXPECT_FALSE(dialog.IncludeSysInfo());

    // Cancelling returns false and leaves the name alone; the box stays as
    // the person set it.
    QString untouched = "unchanged";
    EXPECT_FALSE(
        RunSession(dialog, {Q(dir / "other.log"), true, false}, untouched, shownName, boxShown));
    EXPECT_EQ(Std(untouched), "unchanged");
    EXPECT_TRUE(dialog.IncludeSysInfo());
}

TEST(TSaveLogDialog, AsksBeforeOverwritingAnExistingFile) {
    const testsupport::TempDir dir;
    const std::string existing = dir / "old.log";
    testsupport::writeFile(existing, std::vector<std::uint8_t>{'x'});

    struct TCase {
        QMessageBox::StandardButton Answer;
        bool Accepted;
    };
    for (const TCase c : {TCase{QMessageBox::No, false}, TCase{QMessageBox::Yes, true}}) {
        TSaveLogDialog dialog;
        bool asked = false;
        WhileOpen(&dialog, [&] {
            FileNameEdit(dialog)->setText(Q(existing));
            // The question comes up inside the click; it is answered once its
            // own event loop runs.
            WhileOpen(&dialog, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                asked = box->text().contains("old.log");
                box->button(c.Answer)->click();
            });
            ClickButton(dialog, QDialogButtonBox::AcceptRole);
            // Refused: the dialog stays open, and the person gives up.
            if (dialog.isVisible())
                ClickButton(dialog, QDialogButtonBox::RejectRole);
        });
        QString fileName;
        EXPECT_EQ(dialog.Execute(fileName), c.Accepted);
        EXPECT_TRUE(asked);
        EXPECT_EQ(Std(fileName), c.Accepted ? existing : "");
    }
}

TEST(TScriptedLogDialog, KeepsTheBoxAsTheLastAnswerLeftIt) {
    TScriptedLogDialog dialog;
    dialog.Answers = {{"/tmp/a.log", false}, {"/tmp/b.log", std::nullopt}, {"", true}};
    QString fileName;
    EXPECT_TRUE(dialog.Execute(fileName));
    EXPECT_EQ(Std(fileName), "/tmp/a.log");
    EXPECT_FALSE(dialog.IncludeSysInfo());
    EXPECT_TRUE(dialog.Execute(fileName));
    EXPECT_EQ(Std(fileName), "/tmp/b.log");
    EXPECT_FALSE(dialog.IncludeSysInfo());
    EXPECT_FALSE(dialog.Execute(fileName));
    EXPECT_EQ(Std(fileName), "/tmp/b.log");
    EXPECT_TRUE(dialog.IncludeSysInfo());
    EXPECT_FALSE(dialog.Execute(fileName));
    EXPECT_EQ(dialog.BoxShown, (QList<bool>{true, false, false, true}));
    EXPECT_EQ(dialog.Unexpected, 1);
}

} // namespace
