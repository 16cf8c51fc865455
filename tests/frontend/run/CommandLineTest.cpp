// Start-up with arguments: the main window recovers a named file before its
// constructor returns, the switches O and E decide whether the output is
// opened and whether the program ends, and what the command line leaves in
// the options is stored at exit.
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPushButton>

#include <filesystem>

#include <gtest/gtest.h>

#include "RunTestUtil.h"

using namespace runtest;

namespace {

class CommandLineTest : public TFormTest {
protected:
    // Whether a main window was on the screen whenever a box was shown.
    void WatchWindowDuringBoxes(TScriptedMessage& ABox) {
        FShownAtEveryBox = true;
        ABox.SetOnShow([this](const TScriptedMessage::TQuestion&) {
            bool shown = false;
            for (QWidget* widget : QApplication::topLevelWidgets())
                shown = shown || (qobject_cast<TMainForm*>(widget) && widget->isVisible());
            FShownAtEveryBox = FShownAtEveryBox && shown;
        });
    }

    // The settings key of the running program: its file name without extension.
    static QString ProgramName() {
        return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    }

    bool FShownAtEveryBox = false;
};

TEST_F(CommandLineTest, NamedFileIsRecoveredAtOnceAndTheSwitchesDecideTheRest) {
    const std::vector<std::uint8_t> source = patternBytes(20000, 1);
    writeFile(FDir / "users01.dbf", source);
    const QString file = Q(FDir / "users01.dbf");
    const QString target = Q(FDir / "users01_recovered.dbf");
    const QString report = "Oracle database 'users01.dbf' have been recovered successfully!\r\n"
                           "Now you can open the recovered Oracle database '" +
                           target + "'.  ";
    const struct {
        QStringList arguments;
        bool openFixed;
        bool terminate;
    } cases[] = {
        {{"-E", file}, false, true},
        {{"/e", file}, false, true},
        {{file, "-O"}, true, false},
        {{"/O", "/E", file}, true, true},
        {{file}, false, false},
        {{"-EO", file}, false, false}, // one letter makes a switch, so this is none
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        std::filesystem::remove(FDir / "users01_recovered.dbf");
        TScriptedMessage box;
        box.Answer(TModalResult::mrOk);
        WatchWindowDuringBoxes(box);
        TScriptedShell shell;

        TMainForm form(TFormServices{&box, &Dialogs, &shell}, c.arguments);

        EXPECT_EQ(Std(Questions(box)), Std(QStringList({Information(report)})));
        EXPECT_TRUE(FShownAtEveryBox) << "the window is shown before the run";
        EXPECT_EQ(readFile(FDir / "users01_recovered.dbf"), WithMagic(source));
        EXPECT_EQ(Std(form.txtSrcFile->text()), Std(file));
        EXPECT_EQ(Std(form.txtDstFile->text()), Std(target));
        EXPECT_EQ(form.chkOpenFixed->isChecked(), c.openFixed);
        EXPECT_EQ(Std(shell.Opened), Std(c.openFixed ? QStringList({target}) : QStringList()));
        EXPECT_EQ(form.TerminateRequested(), c.terminate);
        EXPECT_FALSE(form.FRepairing);
        EXPECT_EQ(Std(form.btnRepair->text()), "&Start Recovery");
    }
}

TEST_F(CommandLineTest, WithoutAnExistingFileTheWindowSaysSoAndStaysIdle) {
    const QString missing = Q(FDir / "missing.dbf");
    const struct {
        QStringList arguments;
        QString name;
    } cases[] = {
        {{"/E"}, ""},
        {{"-E", "-x"}, ""},
        {{"-O", missing}, missing},
        {{missing, "-E"}, missing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        TScriptedMessage box;
        box.Answer(TModalResult::mrOk);
        WatchWindowDuringBoxes(box);
        TScriptedShell shell;

        TMainForm form(TFormServices{&box, &Dialogs, &shell}, c.arguments);

        EXPECT_EQ(Std(Questions(box)),
                  Std(QStringList({Error("Cannot open file '" + c.name + "'!")})));
        EXPECT_TRUE(FShownAtEveryBox);
        EXPECT_TRUE(form.isVisible());
        EXPECT_FALSE(form.TerminateRequested());
        EXPECT_TRUE(LogLines(form).isEmpty());
        EXPECT_TRUE(shell.Opened.isEmpty());
        EXPECT_FALSE(std::filesystem::exists(FDir / "missing_recovered.dbf"));
    }
}

TEST_F(CommandLineTest, OptionClearedByTheCommandLineIsStoredAtExit) {
    writeFile(FDir / "users01.dbf", patternBytes(5000, 1));
    {
        TMainForm form(Services());
        ASSERT_TRUE(form.chkOpenFixed->isChecked()) << "the option is on by default";
    }
    EXPECT_TRUE(StoredSettings(ConfigHome(), ProgramName()).contains(R"("OpenFixed"="1")"))
        << testing::PrintToString(Std(StoredSettings(ConfigHome(), ProgramName())));

    Box.Answer(TModalResult::mrOk);
    {
        TMainForm form(Services(), {Q(FDir / "users01.dbf")});
        EXPECT_FALSE(form.chkOpenFixed->isChecked());
        EXPECT_FALSE(form.TerminateRequested());
        EXPECT_TRUE(form.isVisible());
    }

    const QStringList stored = StoredSettings(ConfigHome(), ProgramName());
    EXPECT_TRUE(stored.contains(R"("OpenFixed"="0")")) << testing::PrintToString(Std(stored));
    EXPECT_FALSE(stored.contains(R"("OpenFixed"="1")"));
}

} // namespace
