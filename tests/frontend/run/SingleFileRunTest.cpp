// The Recovery tab of the real main window: the source and target fields,
// the four warnings, the log and the report of a run, the opening of the
// output and the Stop button, with the real engine on real files.
#include <QCoreApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

#include <sys/statvfs.h>

#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "RunTestUtil.h"

using namespace runtest;

namespace {

const QString kStart("Start recovery process ...");
const QString kAborted("Recovery process is aborted.");
const QString kAnalyzing("Analyzing the source file ...");
const QString kCompletes("Recovery process completes.");
const QRegularExpression kConsumedTime(
    R"(^Consumed time: 0 day\(s\) 0 hour\(s\) 0 minute\(s\) \d+ second\(s\) \d+ millisecond\(s\)\.$)");

QString Warning1(const QString& AName) {
    return "Warning 1: A file named '" + AName + "' already exists. Overwrite it?";
}
QString Warning2(const QString& AName) {
    return "Warning 2: Extension of destination file '" + AName + "' is invalid! Still proceed?";
}
QString Warning3(const QString& ADrive, const QString& ATarget) {
    return "Warning 3: Free spaces on drive '" + ADrive +
           "' may not be enough for destination file '" + ATarget + "'! Still proceed?";
}
QString Warning4(const QString& AFolder, const QString& AName) {
    return "Warning 4: The path '" + AFolder + "' for destination file '" + AName +
           "' does not exist. Create it?";
}
QString SuccessText(const QString& ASourceName) {
    return "Oracle database '" + ASourceName + "' have been recovered successfully!";
}
QString OpenHint(const QString& ATarget) {
    return "Now you can open the recovered Oracle database '" + ATarget + "'.  ";
}

bool Exists(const std::string& APath) {
    return std::filesystem::exists(APath);
}

class SingleFileRunTest : public TFormTest {
protected:
    // Names the source and, when given, types the target over the proposed one.
    static void Name(TMainForm& AForm, const QString& ASource,
                     const std::optional<QString>& ATarget = std::nullopt) {
        TypeInto(AForm.txtSrcFile, ASource);
        if (ATarget)
            TypeInto(AForm.txtDstFile, *ATarget);
    }

    // Clicks the start button and returns once the run is over.
    static void Start(TMainForm& AForm) {
        ASSERT_TRUE(AForm.btnRepair->isEnabled());
        AForm.btnRepair->click();
    }

    // The window is back to idle: start caption and skin, input enabled.
    static void ExpectIdle(const TMainForm& AForm) {
        EXPECT_FALSE(AForm.FRepairing);
        EXPECT_FALSE(AForm.FStopRequested);
        EXPECT_EQ(Std(AForm.btnRepair->text()), "&Start Recovery");
        EXPECT_EQ(Std(AForm.btnRepair->property("skinElement").toString()), "startbutton");
        EXPECT_TRUE(AForm.txtSrcFile->isEnabled());
        EXPECT_TRUE(AForm.txtDstFile->isEnabled());
    }
};

TEST_F(SingleFileRunTest, SourceProposesTheTargetAndEnablesStart) {
    TMainForm form(Services());
    form.show();
    EXPECT_FALSE(form.btnRepair->isEnabled());

    TypeInto(form.txtSrcFile, "/data/users01.dbf");
    EXPECT_EQ(Std(form.txtDstFile->text()), "/data/users01_recovered.dbf");
    EXPECT_TRUE(form.btnRepair->isEnabled());

    TypeInto(form.txtSrcFile, "");
    EXPECT_FALSE(form.btnRepair->isEnabled());
    EXPECT_EQ(Std(form.txtDstFile->text()), "/data/users01_recovered.dbf");
}

TEST_F(SingleFileRunTest, StartNeedsBothFieldsHoldingMoreThanBlanks) {
    const struct {
        QString source;
        std::optional<QString> target; // typed over the proposed one when set
        bool enabled;
    } cases[] = {
        {"/data/users01.dbf", std::nullopt, true},
        {"/data/users01.dbf", "  /data/out.dbf  ", true},
        {"/data/users01.dbf", "   ", false},
        {"/data/users01.dbf", "", false},
        {"   ", std::nullopt, false},
        {"   ", "/data/out.dbf", false},
    };
    TMainForm form(Services());
    form.show();
    for (const auto& c : cases) {
        SCOPED_TRACE(("source '" + c.source + "', target '" + c.target.value_or("(proposed)") + "'")
                         .toStdString());
        TypeInto(form.txtDstFile, "");
        Name(form, c.source, c.target);
        EXPECT_EQ(form.btnRepair->isEnabled(), c.enabled);
    }
}

TEST_F(SingleFileRunTest, NextChangeOfTheSourceReplacesAHandTypedTarget) {
    TMainForm form(Services());
    form.show();
    Name(form, "/data/users01.dbf", "/backup/mine.dbf");
    EXPECT_EQ(Std(form.txtDstFile->text()), "/backup/mine.dbf");

    TypeInto(form.txtSrcFile, "/data/users02.dbf");
    EXPECT_EQ(Std(form.txtDstFile->text()), "/data/users02_recovered.dbf");
}

TEST_F(SingleFileRunTest, DefaultTargetPutsRecoveredBeforeTheLastExtension) {
    const struct {
        QString source;
        QString target;
    } cases[] = {
        {"/data/users01.dbf", "/data/users01_recovered.dbf"},
        {"/x/archive.tar.dbf", "/x/archive.tar_recovered.dbf"},
        {"/x/noext", "/x/noext_recovered"},
        {"/x/name.", "/x/name_recovered."},
        {"/my.dir/file", "/my.dir/file_recovered"},
        {"relative.DBF", "relative_recovered.DBF"},
    };
    TMainForm form(Services());
    for (const auto& c : cases)
        EXPECT_EQ(Std(form.GetDefaultDstFileName(c.source)), Std(c.target))
            << c.source.toStdString();
}

TEST_F(SingleFileRunTest, OnlyTheDbfExtensionInAnyCaseIsValidForTheTarget) {
    const struct {
        QString target;
        bool valid;
    } cases[] = {
        {"/x/out.dbf", true}, {"/x/out.DBF", true}, {"/x/out.Dbf", true}, {"/x/out.dbf.bak", false},
        {"/x/out", false},    {"/x/out.db", false}, {"/x/dbf", false},    {"/x.dbf/out", false},
    };
    TMainForm form(Services());
    for (const auto& c : cases)
        EXPECT_EQ(form.IsValidDstFileExt(c.target), c.valid) << c.target.toStdString();
}

TEST_F(SingleFileRunTest, DroppedFilesGiveTheFirstAsTheSource) {
    const std::string folder = FDir.makeDir("data.d");
    const struct {
        QStringList dropped;
        QString source;
    } cases[] = {
        {{Q(FDir / "a.dbf"), Q(FDir / "b.dbf"), Q(FDir / "c.dbf")}, Q(FDir / "a.dbf")},
        {{Q(folder)}, Q(folder)},
    };
    TMainForm form(Services());
    form.show();
    ASSERT_TRUE(form.txtSrcFile->acceptDrops());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dropped.join(", ").toStdString());
        Name(form, "/elsewhere/old.dbf", "/elsewhere/typed.dbf");
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& file : c.dropped)
            urls.append(QUrl::fromLocalFile(file));
        data.setUrls(urls);
        const QPointF at = QRectF(form.txtSrcFile->rect()).center();
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.txtSrcFile, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.txtSrcFile, &drop);

        EXPECT_EQ(Std(form.txtSrcFile->text()), Std(c.source));
        EXPECT_EQ(Std(form.txtDstFile->text()), Std(form.GetDefaultDstFileName(c.source)));
    }
}

TEST_F(SingleFileRunTest, MissingFolderIsOfferedAfterTheExtensionAndCreated) {
    writeFile(FDir / "in.dbf", patternBytes(5000, 1));
    TCurrentDir cwd(FDir.path());
    const struct {
        QString target; // as typed
        QString folder; // the expanded target's folder
        std::string written;
    } cases[] = {
        {Q(FDir / "new/sub/out.bak"), Q(FDir / "new/sub/"), FDir / "new/sub/out.bak"},
        {"rel/deeper/out.bak", Q(FDir / "rel/deeper/"), FDir / "rel/deeper/out.bak"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        TScriptedMessage box;
        box.Answer(TModalResult::mrYes);
        box.Answer(TModalResult::mrYes);
        box.Answer(TModalResult::mrOk);
        TMainForm form(Services(box));
        form.show();
        SetOpenFixed(form, false);
        Name(form, Q(FDir / "in.dbf"), c.target);

        Start(form);

        EXPECT_EQ(
            Std(Questions(box)),
            Std(QStringList({Confirmation(Warning2("out.bak")),
                             Confirmation(Warning4(c.folder, "out.bak")),
                             Information(SuccessText("in.dbf") + "\r\n" + OpenHint(c.target))})));
        EXPECT_TRUE(QFileInfo(c.folder).isDir());
        EXPECT_EQ(readFile(c.written), WithMagic(patternBytes(5000, 1)));
        ExpectIdle(form);
    }
}

TEST_F(SingleFileRunTest, NoToAWarningEndsTheRunBeforeTheEngine) {
    writeFile(FDir / "in.dbf", patternBytes(5000, 1));
    const std::vector<std::uint8_t> existing = patternBytes(300, 7);
    writeFile(FDir / "old.dbf", existing);
    writeFile(FDir / "old.bak", existing);
    const struct {
        const char* what;
        std::string target;
        std::vector<TModalResult> answers;
        QStringList asked;
    } cases[] = {
        {"Warning 2", FDir / "out.txt", {TModalResult::mrNo}, {Confirmation(Warning2("out.txt"))}},
        {"Warning 4",
         FDir / "missing/out.dbf",
         {TModalResult::mrNo},
         {Confirmation(Warning4(Q(FDir / "missing/"), "out.dbf"))}},
        {"Warning 2 then 4",
         FDir / "missing/out.txt",
         {TModalResult::mrYes, TModalResult::mrNo},
         {Confirmation(Warning2("out.txt")),
          Confirmation(Warning4(Q(FDir / "missing/"), "out.txt"))}},
        {"Warning 1", FDir / "old.dbf", {TModalResult::mrNo}, {Confirmation(Warning1("old.dbf"))}},
        {"Warning 2 then 1",
         FDir / "old.bak",
         {TModalResult::mrYes, TModalResult::mrNo},
         {Confirmation(Warning2("old.bak")), Confirmation(Warning1("old.bak"))}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TScriptedMessage box;
        for (TModalResult answer : c.answers)
            box.Answer(answer);
        TMainForm form(Services(box));
        form.show();
        Name(form, Q(FDir / "in.dbf"), Q(c.target));

        Start(form);

        EXPECT_EQ(Std(Questions(box)), Std(c.asked));
        EXPECT_EQ(Std(LogLines(form)), Std(QStringList({kStart, kSeparator, kAborted})));
        EXPECT_FALSE(Exists(FDir / "missing"));
        EXPECT_FALSE(Exists(FDir / "out.txt"));
        EXPECT_EQ(readFile(FDir / "old.dbf"), existing);
        EXPECT_EQ(readFile(FDir / "old.bak"), existing);
        EXPECT_TRUE(Shell.Opened.isEmpty());
        ExpectIdle(form);
    }
}

TEST_F(SingleFileRunTest, EachRunStartsWithAnEmptyLog) {
    writeFile(FDir / "in.dbf", patternBytes(5000, 1));
    Box.Answer(TModalResult::mrNo);
    Box.Answer(TModalResult::mrNo);
    TMainForm form(Services());
    form.show();
    Name(form, Q(FDir / "in.dbf"), Q(FDir / "out.txt"));

    Start(form);
    Start(form);

    EXPECT_EQ(Box.Asked().size(), 2);
    EXPECT_EQ(Std(LogLines(form)), Std(QStringList({kStart, kSeparator, kAborted})));
}

TEST_F(SingleFileRunTest, FolderThatCannotBeCreatedEndsTheRun) {
    writeFile(FDir / "in.dbf", patternBytes(5000, 1));
    writeFile(FDir / "plain", patternBytes(10, 1)); // a file where a folder is needed
    Box.Answer(TModalResult::mrYes);
    Box.Answer(TModalResult::mrOk);
    TMainForm form(Services());
    form.show();
    Name(form, Q(FDir / "in.dbf"), Q(FDir / "plain/sub/out.dbf"));

    Start(form);

    const QString folder = Q(FDir / "plain/sub/");
    EXPECT_EQ(Std(Questions(Box)),
              Std(QStringList({Confirmation(Warning4(folder, "out.dbf")),
                               Error("Cannot create the directory '" + folder + "'!")})));
    EXPECT_EQ(Std(LogLines(form)), Std(QStringList({kStart, kSeparator, kAborted})));
    ExpectIdle(form);
}

// Free space is measured on the target's file system: a small tmpfs holds
// the target while the source lies elsewhere.
TEST_F(SingleFileRunTest, TooLittleFreeSpaceOnTheTargetsDriveIsAskedLast) {
    SKIP_IF_MISSING(missingRoot());
    const std::string mountDir = FDir / "mnt";
    TmpfsMount mount(mountDir, 1 << 20);
    const std::vector<std::uint8_t> existing = patternBytes(100, 3);
    writeFile(mountDir + "/old.bak", existing);
    struct statvfs fs {};
    ASSERT_EQ(::statvfs(mountDir.c_str(), &fs), 0);
    const qint64 freeBytes = static_cast<qint64>(fs.f_bavail) * static_cast<qint64>(fs.f_frsize);
    // The largest source that still fits with its hundredth to spare.
    qint64 fits = freeBytes * 100 / 101;
    while (fits + 1 + (fits + 1) / 100 <= freeBytes)
        ++fits;
    while (fits + fits / 100 > freeBytes)
        --fits;
    writeFile(FDir / "fits.dbf", patternBytes(static_cast<std::size_t>(fits), 1));
    writeFile(FDir / "toobig.dbf", patternBytes(static_cast<std::size_t>(fits + 1), 1));

    {
        TMainForm form(Services());
        EXPECT_TRUE(form.HasEnoughFreeSpace(Q(FDir / "fits.dbf"), Q(mountDir + "/x.dbf")));
        EXPECT_FALSE(form.HasEnoughFreeSpace(Q(FDir / "toobig.dbf"), Q(mountDir + "/x.dbf")));
        EXPECT_TRUE(form.HasEnoughFreeSpace(Q(FDir / "toobig.dbf"), Q(FDir / "x.dbf")));
        EXPECT_TRUE(form.HasEnoughFreeSpace(Q(FDir / "missing.dbf"), Q(mountDir + "/x.dbf")));
    }

    {
        SCOPED_TRACE("too big: Warnings 2, 1 and 3 in that order");
        TScriptedMessage box;
        box.Answer(TModalResult::mrYes);
        box.Answer(TModalResult::mrYes);
        box.Answer(TModalResult::mrNo);
        TMainForm form(Services(box));
        form.show();
        const QString target = Q(mountDir + "/old.bak");
        Name(form, Q(FDir / "toobig.dbf"), target);

        Start(form);

        EXPECT_EQ(
            Std(Questions(box)),
            Std(QStringList({Confirmation(Warning2("old.bak")), Confirmation(Warning1("old.bak")),
                             Confirmation(Warning3(Q(mountDir), target))})));
        EXPECT_EQ(Std(LogLines(form)), Std(QStringList({kStart, kSeparator, kAborted})));
        EXPECT_EQ(readFile(mountDir + "/old.bak"), existing);
    }
    {
        SCOPED_TRACE("fits: no Warning 3");
        TScriptedMessage box;
        box.Answer(TModalResult::mrOk);
        TMainForm form(Services(box));
        form.show();
        SetOpenFixed(form, false);
        const QString target = Q(mountDir + "/fits.dbf");
        Name(form, Q(FDir / "fits.dbf"), target);

        Start(form);

        EXPECT_EQ(
            Std(Questions(box)),
            Std(QStringList({Information(SuccessText("fits.dbf") + "\r\n" + OpenHint(target))})));
        EXPECT_EQ(readFile(mountDir + "/fits.dbf"),
                  WithMagic(patternBytes(static_cast<std::size_t>(fits), 1)));
    }
}

TEST_F(SingleFileRunTest, SuccessfulRunLogsEachStepAndReportsTheResult) {
    const std::vector<std::uint8_t> source = patternBytes(1234567, 1);
    writeFile(FDir / "users01.dbf", source);
    TCurrentDir cwd(FDir.path());
    const struct {
        const char* what;
        QString source; // as typed; the target is the proposed one
    } cases[] = {
        {"full path", Q(FDir / "users01.dbf")},
        {"relative to the current folder", "users01.dbf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(FDir / "users01_recovered.dbf");
        TScriptedMessage box;
        box.Answer(TModalResult::mrOk);
        TMainForm form(Services(box));
        form.show();
        SetOpenFixed(form, false);
        Name(form, c.source);
        const QString target = form.txtDstFile->text();
        struct {
            QString caption;
            QString skin;
            bool repairing = false;
        } during;
        box.SetOnShow([&](const TScriptedMessage::TQuestion&) {
            during = {form.btnRepair->text(), form.btnRepair->property("skinElement").toString(),
                      form.FRepairing};
        });

        Start(form);

        const QStringList log = LogLines(form);
        ASSERT_EQ(log.size(), 13) << testing::PrintToString(Std(log));
        EXPECT_EQ(Std(log.mid(0, 7)), Std(QStringList({kStart, kSeparator,
                                                       "File to be recovered: '" + c.source +
                                                           "'; File size = 1,234,567 bytes",
                                                       "Output recovered file as: '" + target + "'",
                                                       kSeparator, kAnalyzing, kSeparator})));
        EXPECT_TRUE(kConsumedTime.match(log[7]).hasMatch()) << log[7].toStdString();
        EXPECT_EQ(Std(log.mid(8)),
                  Std(QStringList({kSeparator, kCompletes, kSeparator, SuccessText("users01.dbf"),
                                   OpenHint(target)})));
        EXPECT_EQ(Std(Questions(box)), Std(QStringList({Information(SuccessText("users01.dbf") +
                                                                    "\r\n" + OpenHint(target))})));
        EXPECT_EQ(readFile(FDir / "users01_recovered.dbf"), WithMagic(source));
        EXPECT_EQ(Std(during.caption), "&Stop Recovery");
        EXPECT_EQ(Std(during.skin), "stopbutton");
        EXPECT_TRUE(during.repairing);
        ExpectIdle(form);
    }
}

TEST_F(SingleFileRunTest, RunningWindowDisablesOnlyTheInputControls) {
    writeFile(FDir / "in.dbf", patternBytes(5000, 1));
    const QStringList input = {"txtSrcFile", "btnSrcMore", "btnSrcSearch",
                               "txtDstFile", "btnDstMore", "btnSaveLog"};
    const QStringList usable = {"btnRepair",     "btnRepairTab", "btnBatchRepairTab",
                                "btnOptionsTab", "btnAboutTab",  "chkOpenFixed"};
    Box.Answer(TModalResult::mrOk);
    TMainForm form(Services());
    form.show();
    SetOpenFixed(form, false);
    Name(form, Q(FDir / "in.dbf"));
    // Each control as "name: enabled", "name: disabled" or "name: missing".
    const auto states = [&form](const QStringList& ANames) {
        QStringList out;
        for (const QString& name : ANames) {
            const QWidget* control = form.findChild<QWidget*>(name);
            out.append(name + ": " +
                       (!control               ? "missing"
                        : control->isEnabled() ? "enabled"
                                               : "disabled"));
        }
        return out;
    };
    const auto all = [](const QStringList& ANames, const QString& AState) {
        QStringList out;
        for (const QString& name : ANames)
            out.append(name + ": " + AState);
        return out;
    };
    QStringList during;
    Box.SetOnShow([&](const TScriptedMessage::TQuestion&) { during = states(input + usable); });

    Start(form);

    EXPECT_EQ(Std(during), Std(all(input, "disabled") + all(usable, "enabled")));
    EXPECT_EQ(Std(states(input + usable)), Std(all(input + usable, "enabled")));
}

TEST_F(SingleFileRunTest, OutputIsOpenedAfterASuccessWhenAsked) {
    writeFile(FDir / "in.dbf", patternBytes(5000, 1));
    const QString target = Q(FDir / "in_recovered.dbf");
    const struct {
        const char* what;
        bool openFixed;
        bool shellOpens;
        QStringList opened;
        QStringList asked;
    } cases[] = {
        {"opened",
         true,
         true,
         {target},
         {Information(SuccessText("in.dbf") + "\r\n" + OpenHint(target))}},
        {"shell fails",
         true,
         false,
         {target},
         {Information(SuccessText("in.dbf") + "\r\n" + OpenHint(target)),
          Error("Cannot open the recovered Oracle database '" + target + "'!")}},
        {"not asked",
         false,
         true,
         {},
         {Information(SuccessText("in.dbf") + "\r\n" + OpenHint(target))}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(FDir / "in_recovered.dbf");
        TScriptedMessage box;
        box.Answer(TModalResult::mrOk);
        box.Answer(TModalResult::mrOk);
        TScriptedShell shell;
        shell.Result = c.shellOpens;
        QStringList openedWhileRunning;
        TMainForm form(TFormServices{&box, &Dialogs, &shell});
        form.show();
        SetOpenFixed(form, c.openFixed);
        Name(form, Q(FDir / "in.dbf"));
        box.SetOnShow([&](const TScriptedMessage::TQuestion&) {
            if (form.FRepairing)
                openedWhileRunning = shell.Opened;
        });

        Start(form);

        EXPECT_EQ(Std(shell.Opened), Std(c.opened));
        EXPECT_TRUE(openedWhileRunning.isEmpty()) << "the output is opened after the report";
        EXPECT_EQ(Std(Questions(box)), Std(c.asked));
        ExpectIdle(form);
    }
}

TEST_F(SingleFileRunTest, MissingSourceFailsWithTheEnginesErrorAndOpensNothing) {
    TCurrentDir cwd(FDir.path());
    const QString error = "Error 1: Cannot open the file to be repaired. " +
                          Q(FDir / "missing.dbf") + " was not found.";
    Box.Answer(TModalResult::mrOk);
    Box.Answer(TModalResult::mrOk);
    TMainForm form(Services());
    form.show();
    SetOpenFixed(form, true);
    Name(form, "missing.dbf");

    Start(form);

    const QStringList log = LogLines(form);
    ASSERT_EQ(log.size(), 14) << testing::PrintToString(Std(log));
    EXPECT_EQ(Std(log.mid(0, 9)),
              Std(QStringList({kStart, kSeparator,
                               "File to be recovered: 'missing.dbf'; File size = 0 bytes",
                               "Output recovered file as: 'missing_recovered.dbf'", kSeparator,
                               kSeparator, error, kSeparator, kSeparator})));
    EXPECT_TRUE(kConsumedTime.match(log[9]).hasMatch()) << log[9].toStdString();
    EXPECT_EQ(Std(log.mid(10)), Std(QStringList({kSeparator, kCompletes, kSeparator,
                                                 "Fail to recover file 'missing.dbf'!"})));
    EXPECT_EQ(
        Std(Questions(Box)),
        Std(QStringList({Information(error), Information("Fail to recover file 'missing.dbf'!")})));
    EXPECT_TRUE(Shell.Opened.isEmpty());
    ExpectIdle(form);
}

TEST_F(SingleFileRunTest, StopDuringARunReportsTheUserAbortAndOpensNothing) {
    const std::vector<std::uint8_t> source = patternBytes(64 << 20, 1);
    writeFile(FDir / "big.dbf", source);
    Box.Answer(TModalResult::mrOk);
    TMainForm form(Services());
    form.show();
    SetOpenFixed(form, true);
    Name(form, Q(FDir / "big.dbf"));
    // A person who clicks Stop once the gauge has started to move.
    bool stopClicked = false;
    QString captionAtStop;
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        if (stopClicked || !form.FRepairing || form.Gauge->value() == 0)
            return;
        captionAtStop = form.btnRepair->text();
        form.btnRepair->click();
        stopClicked = form.FStopRequested;
        person.stop();
    });
    person.start(0);

    Start(form);

    ASSERT_TRUE(stopClicked) << "the Stop click was not seen during the run";
    EXPECT_EQ(Std(captionAtStop), "&Stop Recovery");
    EXPECT_EQ(Std(Questions(Box)),
              Std(QStringList({Information("User aborts the recovery process")})));
    const QStringList log = LogLines(form);
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(Std(log.last()), "User aborts the recovery process");
    EXPECT_EQ(log.count(kCompletes), 1);
    EXPECT_TRUE(Shell.Opened.isEmpty());
    // The engine cannot be cancelled: the output is whole all the same.
    EXPECT_EQ(readFile(FDir / "big_recovered.dbf"), WithMagic(source));
    ExpectIdle(form);
}

} // namespace
