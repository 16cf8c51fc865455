// The product's table of engine messages, seen in the real main window.
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>

#include <gtest/gtest.h>

#include "EngineTestUtil.h"
#include "run/MainFrm.h"

using namespace enginetest;

namespace {

const QString kSeparator(56, '-');

QStringList LogLines(const TMainForm& AForm) {
    return AForm.txtRepairLog->toPlainText().split('\n');
}

TEST(MainFormTest, FailedOpenLogsTheErrorBetweenSeparatorsAndShowsTheBox) {
    TempDir dir;
    TScriptedMessage box;
    box.Answer(TModalResult::mrOk);
    TMainForm form(TFormServices{&box, nullptr, nullptr});
    const QString missing = QString::fromStdString(dir / "missing.dbf");

    EXPECT_EQ(form.RecoverOneFile(missing, QString::fromStdString(dir / "out.dbf")), 0);

    const QString error = "Error 1: Cannot open the file to be repaired. " + missing +
                          " was not found.";
    EXPECT_EQ(LogLines(form), QStringList({kSeparator, error, kSeparator}));
    ASSERT_EQ(box.Asked().size(), 1);
    EXPECT_EQ(box.Asked()[0].text, error);
    EXPECT_EQ(box.Asked()[0].type, TMsgDlgType::mtInformation);
    EXPECT_EQ(box.Asked()[0].buttons, TMsgDlgButtons(mbOK));
    EXPECT_EQ(form.Gauge->value(), 100);
    EXPECT_EQ(form.labProgress->text(), "100% completed");
}

TEST(MainFormTest, SuccessfulCopyLogsOnlyTheEngineText) {
    TempDir dir;
    writeFile(dir / "in.dbf", patternBytes(9 << 20, 1));
    TScriptedMessage box;
    TMainForm form(TFormServices{&box, nullptr, nullptr});

    EXPECT_EQ(form.RecoverOneFile(QString::fromStdString(dir / "in.dbf"),
                                  QString::fromStdString(dir / "out.dbf")),
              1);

    EXPECT_EQ(LogLines(form), QStringList({"Analyzing the source file ..."}));
    EXPECT_TRUE(box.Asked().isEmpty());
    EXPECT_EQ(readFile(dir / "out.dbf"), WithMagic(patternBytes(9 << 20, 1)));
}

} // namespace
