// The Batch tab of the real main window: adding files to the list, taking
// them out again, and the batch run with its warnings and their to-all
// answers, its Cancel and Stop, the row statuses and the summary, with the
// real engine on real files.
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>

#include <gtest/gtest.h>

#include "RunTestUtil.h"

using namespace runtest;

namespace {

const QString kNotRecovered("Not Recovered");
const QString kSuccessful("Successful");
const QString kFailed("Failed");
const QString kAborted("Aborted");
const QString kAnalyzing("Analyzing the source file ...");

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

// A warning as the batch run asks it: with answers that may cover later rows.
QString Ask(const QString& AText) {
    return "confirmation|Yes,No,Cancel,NoToAll,YesToAll|" + AText;
}
QString Summary(int ARecovered) {
    return Information(QString::number(ARecovered) + " file(s) recovered successfully");
}
// The engine's box for a source that is not there, named as it was passed.
QString NotFound(const QString& ASource) {
    return Information("Error 1: Cannot open the file to be repaired. " + ASource +
                       " was not found.");
}
QString NotFound(const std::string& ASource) {
    return NotFound(Q(ASource));
}

// The default target of `ASource`: "_recovered" before the extension.
std::string Recovered(const std::string& ASource) {
    const std::size_t dot = ASource.rfind('.');
    return ASource.substr(0, dot) + "_recovered" + ASource.substr(dot);
}

bool Exists(const std::string& APath) {
    return std::filesystem::exists(APath);
}

// Each named control as "name: enabled", "name: disabled" or "name: missing".
QStringList States(const QWidget& AForm, const QStringList& ANames) {
    QStringList out;
    for (const QString& name : ANames) {
        const QWidget* control = AForm.findChild<QWidget*>(name);
        out.append(name + ": " +
                   (!control               ? "missing"
                    : control->isEnabled() ? "enabled"
                                           : "disabled"));
    }
    return out;
}
QStringList All(const QStringList& ANames, const QString& AState) {
    QStringList out;
    for (const QString& name : ANames)
        out.append(name + ": " + AState);
    return out;
}

const QStringList kListControls = {"FileList",       "btnAddFiles",  "btnSearchFiles",
                                   "btnRemoveFiles", "btnRemoveAll", "txtSrcFile"};
const QStringList kRunControls = {"btnRepairFiles", "btnRepairTab", "btnBatchRepairTab",
                                  "btnOptionsTab"};

class BatchRunTest : public TFormTest {
protected:
    static QStringList Column(const TMainForm& AForm, int AColumn) {
        QStringList out;
        for (int i = 0; i < AForm.FileList->topLevelItemCount(); ++i)
            out.append(AForm.FileList->topLevelItem(i)->text(AColumn));
        return out;
    }
    static QStringList Statuses(const TMainForm& AForm) { return Column(AForm, 2); }

    static void Add(TMainForm& AForm, const QStringList& AFiles) {
        for (const QString& file : AFiles)
            AForm.AddFileToList(file);
    }

    // Clicks the batch start button and returns once the run is over.
    static void Start(TMainForm& AForm) {
        ASSERT_TRUE(AForm.btnRepairFiles->isEnabled());
        AForm.btnRepairFiles->click();
    }

    // The window is back to idle: start caption and skin, an empty log, the
    // list and its buttons enabled.
    static void ExpectIdle(const TMainForm& AForm) {
        EXPECT_FALSE(AForm.FRepairing);
        EXPECT_FALSE(AForm.FStopRequested);
        EXPECT_EQ(Std(AForm.btnRepairFiles->text()), "&Start Recovery");
        EXPECT_EQ(Std(AForm.btnRepairFiles->property("skinElement").toString()), "startbutton");
        EXPECT_TRUE(LogLines(AForm).isEmpty()) << testing::PrintToString(Std(LogLines(AForm)));
        EXPECT_EQ(Std(States(AForm, kListControls + kRunControls)),
                  Std(All(kListControls + kRunControls, "enabled")));
    }

    // A small source whose copy is WithMagic(Bytes(ASeed)).
    static std::vector<std::uint8_t> Bytes(int ASeed) {
        return patternBytes(5000 + static_cast<std::size_t>(ASeed), static_cast<uint64_t>(ASeed));
    }
    static void Source(const std::string& APath, int ASeed) { writeFile(APath, Bytes(ASeed)); }
};

TEST_F(BatchRunTest, SamePathInAnyLetterCaseIsListedOnceOtherFormsAreNot) {
    TCurrentDir cwd(FDir.path());
    const QString dir = Q(FDir.path());
    const struct {
        QString path;
        std::optional<QString> target; // the new row's target; none for a duplicate
    } cases[] = {
        {dir + "/data/Users01.dbf", dir + "/data/Users01_recovered.dbf"},
        {dir + "/data/Users01.dbf", std::nullopt},
        {dir + "/DATA/USERS01.DBF", std::nullopt},
        {dir + "/data/users01.dbf", std::nullopt},
        {"data/Users01.dbf", "data/Users01_recovered.dbf"},
        {"DATA/users01.DBF", std::nullopt},
        {dir + "/data/./Users01.dbf", dir + "/data/./Users01_recovered.dbf"},
        {dir + "//data/Users01.dbf", dir + "//data/Users01_recovered.dbf"},
        {dir + "/data/Ärger.dbf", dir + "/data/Ärger_recovered.dbf"},
        {dir + "/data/äRGER.DBF", std::nullopt},
        {dir + "/data/Users01.bak", dir + "/data/Users01_recovered.bak"},
    };
    TMainForm form(Services());
    form.show();
    QStringList sources, targets, asked;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        form.AddFileToList(c.path);
        if (c.target) {
            sources.append(c.path);
            targets.append(*c.target);
        } else {
            asked.append(Error("File already exists in the list"));
        }
        EXPECT_EQ(Std(Column(form, 0)), Std(sources));
        EXPECT_EQ(Std(Column(form, 1)), Std(targets));
        EXPECT_EQ(Std(Questions(Box)), Std(asked));
    }
    EXPECT_EQ(Std(Statuses(form)), Std(QStringList(sources.size(), kNotRecovered)));
}

TEST_F(BatchRunTest, AddFilesListsEachChosenFileOnceAndKeepsTheFilterIndex) {
    const std::string chosen = FDir.makeDir("chosen");
    const auto file = [&](const char* AName) { return Q(chosen + "/" + AName); };
    for (const char* name : {"a.dbf", "b.dbf", "c.dbf", "d.dbf", "e.dbf"})
        Source(chosen + "/" + name, 1);
    const QString filter = "Oracle database files (*.dbf)|*.dbf|All files (*.*)|*.*";
    Dialogs.OpenAnswers = {
        {}, // Browse
        {true, {file("e.dbf"), file("b.dbf"), file("a.dbf"), file("d.dbf"), file("c.dbf")}, 2},
        {}, // Add Files
        {}, // Browse
    };
    {
        TMainForm form(Services());
        form.show();
        Add(form, {file("b.dbf"), file("d.dbf")});
        form.btnSrcMore->click();
        const QString browsed = Dialogs.OpenAsked.value(0).Directory;

        form.btnAddFiles->click();

        EXPECT_EQ(Std(Column(form, 0)),
                  Std(QStringList({file("b.dbf"), file("d.dbf"), file("e.dbf"), file("a.dbf"),
                                   file("c.dbf")})));
        EXPECT_EQ(Std(Column(form, 1)),
                  Std(QStringList({file("b_recovered.dbf"), file("d_recovered.dbf"),
                                   file("e_recovered.dbf"), file("a_recovered.dbf"),
                                   file("c_recovered.dbf")})));
        EXPECT_EQ(Std(Statuses(form)), Std(QStringList(5, kNotRecovered)));
        EXPECT_EQ(Std(Questions(Box)),
                  Std(QStringList({Error("File already exists in the list"),
                                   Error("File already exists in the list")})));

        form.btnAddFiles->click();
        form.btnSrcMore->click();

        EXPECT_EQ(Column(form, 0).size(), 5) << "a cancelled choice adds nothing";
        EXPECT_EQ(Box.Asked().size(), 2);
        ASSERT_EQ(Dialogs.OpenAsked.size(), 4);
        const struct {
            const char* what;
            int filterIndex;
            bool multiSelect;
        } asked[] = {
            {"first Browse", 1, false},
            {"first Add Files", 1, true},
            {"second Add Files", 2, true},
            {"second Browse", 2, false},
        };
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(asked[i].what);
            const TOpenDialogRequest& request = Dialogs.OpenAsked[i];
            EXPECT_EQ(Std(request.Filter), Std(filter));
            EXPECT_EQ(request.FilterIndex, asked[i].filterIndex);
            EXPECT_EQ(request.MultiSelect, asked[i].multiSelect);
            EXPECT_EQ(Std(request.Directory), Std(browsed)) << "the chosen folder is not kept";
        }
        EXPECT_EQ(Dialogs.Unexpected, 0);
    }
    const QStringList stored = StoredSettings(
        ConfigHome(), QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    EXPECT_TRUE(stored.contains(R"("OpenFilterIndex"=dword:00000002)"))
        << testing::PrintToString(Std(stored));
    for (const QString& line : stored)
        EXPECT_FALSE(line.contains("chosen")) << line.toStdString();
}

TEST_F(BatchRunTest, DeleteKeysAndRemoveButtonsTakeRowsWithoutAQuestion) {
    const QStringList files = {"/d/0.dbf", "/d/1.dbf", "/d/2.dbf", "/d/3.dbf", "/d/4.dbf"};
    const auto key = [](Qt::Key AKey, Qt::KeyboardModifiers AModifiers) {
        return [=](TMainForm& AForm) { QTest::keyClick(AForm.FileList, AKey, AModifiers); };
    };
    const auto click = [](QPushButton* TMainForm::*AButton) {
        return [=](TMainForm& AForm) { (AForm.*AButton)->click(); };
    };
    const struct {
        const char* what;
        std::function<void(TMainForm&)> act;
        QList<int> selected;
        QList<int> left;
    } cases[] = {
        {"Delete", key(Qt::Key_Delete, Qt::NoModifier), {1, 3}, {0, 2, 4}},
        {"Delete, all selected", key(Qt::Key_Delete, Qt::NoModifier), {0, 1, 2, 3, 4}, {}},
        {"Delete, nothing selected", key(Qt::Key_Delete, Qt::NoModifier), {}, {0, 1, 2, 3, 4}},
        {"Shift+Delete", key(Qt::Key_Delete, Qt::ShiftModifier), {2}, {}},
        {"Shift+Delete, nothing selected", key(Qt::Key_Delete, Qt::ShiftModifier), {}, {}},
        {"Backspace", key(Qt::Key_Backspace, Qt::NoModifier), {1}, {0, 1, 2, 3, 4}},
        {"Ctrl+D", key(Qt::Key_D, Qt::ControlModifier), {1}, {0, 1, 2, 3, 4}},
        {"Remove Files", click(&TMainForm::btnRemoveFiles), {0, 4}, {1, 2, 3}},
        {"Remove Files, nothing selected", click(&TMainForm::btnRemoveFiles), {}, {0, 1, 2, 3, 4}},
        {"Remove All", click(&TMainForm::btnRemoveAll), {3}, {}},
        {"Remove All, nothing selected", click(&TMainForm::btnRemoveAll), {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TScriptedMessage box;
        TMainForm form(Services(box));
        form.show();
        Add(form, files);
        form.FileList->setCurrentItem(form.FileList->topLevelItem(2));
        form.FileList->clearSelection();
        for (int i : c.selected)
            form.FileList->topLevelItem(i)->setSelected(true);

        c.act(form);

        QStringList left;
        for (int i : c.left)
            left.append(files[i]);
        EXPECT_EQ(Std(Column(form, 0)), Std(left));
        EXPECT_TRUE(box.Asked().isEmpty()) << testing::PrintToString(Std(Questions(box)));
    }
}

TEST_F(BatchRunTest, StartOnAnEmptyListOnlyAsksForFiles) {
    TMainForm form(Services());
    form.show();
    form.AppendLog("an earlier line");
    const QString elapsed = form.labConsumedTime->text();

    Start(form);

    EXPECT_EQ(Std(Questions(Box)),
              Std(QStringList({Information("Please add files to the list first")})));
    EXPECT_EQ(Std(LogLines(form)), Std(QStringList({"an earlier line"})));
    EXPECT_EQ(Std(form.labConsumedTime->text()), Std(elapsed));
    EXPECT_FALSE(form.FRepairing);
    EXPECT_EQ(Std(form.btnRepairFiles->text()), "&Start Recovery");
    EXPECT_EQ(form.FileList->topLevelItemCount(), 0);
}

TEST_F(BatchRunTest, EachRowShowsTheOutcomeOfItsRecovery) {
    TCurrentDir cwd(FDir.path());
    const struct {
        QString source;          // as added
        std::optional<int> seed; // the source's bytes; none for a missing source
        std::string target;
        QString status;
    } rows[] = {
        {Q(FDir / "a.dbf"), 1, FDir / "a_recovered.dbf", kSuccessful},
        {Q(FDir / "gone.dbf"), std::nullopt, FDir / "gone_recovered.dbf", kFailed},
        {"c.dbf", 3, FDir / "c_recovered.dbf", kSuccessful},
        {Q(FDir / "gone2.dbf"), std::nullopt, FDir / "gone2_recovered.dbf", kFailed},
        {Q(FDir / "e.dbf"), 5, FDir / "e_recovered.dbf", kSuccessful},
    };
    for (const auto& row : rows)
        if (row.seed)
            Source(FDir / row.source.section('/', -1).toStdString(), *row.seed);
    for (int i = 0; i < 5; ++i)
        Box.Answer(TModalResult::mrOk);
    TMainForm form(Services());
    form.show();
    for (const auto& row : rows)
        form.AddFileToList(row.source);
    form.AppendLog("an earlier line");
    struct {
        bool seen = false;
        QString caption;
        QString skin;
        QStringList statuses;
        QStringList log;
        QStringList controls;
    } atSummary;
    Box.SetOnShow([&](const TScriptedMessage::TQuestion& AQuestion) {
        if (!AQuestion.text.endsWith("recovered successfully"))
            return;
        atSummary = {true,
                     form.btnRepairFiles->text(),
                     form.btnRepairFiles->property("skinElement").toString(),
                     Statuses(form),
                     LogLines(form),
                     States(form, kListControls + kRunControls)};
    });

    Start(form);

    EXPECT_EQ(Std(Questions(Box)), Std(QStringList({NotFound(FDir / "gone.dbf"),
                                                    NotFound(FDir / "gone2.dbf"), Summary(3)})));
    QStringList statuses;
    for (const auto& row : rows) {
        statuses.append(row.status);
        SCOPED_TRACE(row.target);
        if (row.seed)
            EXPECT_EQ(readFile(row.target), WithMagic(Bytes(*row.seed)));
        else
            EXPECT_FALSE(Exists(row.target));
    }
    EXPECT_EQ(Std(Statuses(form)), Std(statuses));
    ASSERT_TRUE(atSummary.seen);
    EXPECT_EQ(Std(atSummary.statuses), Std(statuses));
    EXPECT_EQ(Std(atSummary.caption), "&Stop Recovery");
    EXPECT_EQ(Std(atSummary.skin), "stopbutton");
    EXPECT_EQ(Std(atSummary.controls),
              Std(All(kListControls, "disabled") + All(kRunControls, "enabled")));
    // The engine's lines of every row, none of the run's own nor the old ones.
    EXPECT_EQ(atSummary.log.count(kAnalyzing), 3) << testing::PrintToString(Std(atSummary.log));
    EXPECT_FALSE(atSummary.log.contains("an earlier line"));
    EXPECT_FALSE(atSummary.log.contains("Start recovery process ..."));
    ExpectIdle(form);
}

// Every kind of warning answered No skips its row; the warnings come in the
// order 2, 4, 1, 3.
TEST_F(BatchRunTest, RunWithEveryRowSkippedReportsNoneRecovered) {
    TCurrentDir cwd(FDir.path());
    const std::vector<std::uint8_t> existing = patternBytes(100, 9);
    Source(FDir / "a.bak", 1);
    Source(FDir / "b.dbf", 2);
    writeFile(FDir / "b_recovered.dbf", existing);
    const QString dir = Q(FDir.path());
    struct TRow {
        QString source;
        std::vector<TModalResult> answers;
        QStringList asked;
    };
    std::vector<TRow> rows = {
        {dir + "/a.bak", {TModalResult::mrNo}, {Ask(Warning2("a_recovered.bak"))}},
        {dir + "/b.dbf", {TModalResult::mrNo}, {Ask(Warning1("b_recovered.dbf"))}},
        {"missing/c.dbf",
         {TModalResult::mrNo},
         {Ask(Warning4(dir + "/missing/", "c_recovered.dbf"))}},
        {dir + "/gone/d.bak",
         {TModalResult::mrYes, TModalResult::mrNo},
         {Ask(Warning2("d_recovered.bak")), Ask(Warning4(dir + "/gone/", "d_recovered.bak"))}},
    };
    // Too little room for a copy: a tmpfs that holds the source leaves less
    // than its size free.
    std::optional<TmpfsMount> mount;
    if (missingRoot().empty()) {
        mount.emplace(FDir / "mnt", 1 << 20);
        writeFile(FDir / "mnt/e.bak", patternBytes(600 << 10, 5));
        writeFile(FDir / "mnt/e_recovered.bak", existing);
        rows.push_back({"mnt/e.bak",
                        {TModalResult::mrYes, TModalResult::mrYes, TModalResult::mrNo},
                        {Ask(Warning2("e_recovered.bak")), Ask(Warning1("e_recovered.bak")),
                         Ask(Warning3(dir + "/mnt", "mnt/e_recovered.bak"))}});
    } else {
        std::cout << "Warning 3 not covered: " << missingRoot() << '\n';
    }
    QStringList asked;
    for (const TRow& row : rows) {
        for (TModalResult answer : row.answers)
            Box.Answer(answer);
        asked += row.asked;
    }
    Box.Answer(TModalResult::mrOk);
    {
        TMainForm form(Services());
        form.show();
        for (const TRow& row : rows)
            form.AddFileToList(row.source);

        Start(form);

        EXPECT_EQ(Std(Questions(Box)), Std(asked + QStringList{Summary(0)}));
        EXPECT_EQ(Std(Statuses(form)),
                  Std(QStringList(static_cast<qsizetype>(rows.size()), kNotRecovered)));
        ExpectIdle(form);
    }
    EXPECT_FALSE(Exists(FDir / "a_recovered.bak"));
    EXPECT_EQ(readFile(FDir / "b_recovered.dbf"), existing);
    EXPECT_FALSE(Exists(FDir / "missing"));
    EXPECT_FALSE(Exists(FDir / "gone"));
    if (mount) {
        EXPECT_EQ(readFile(FDir / "mnt/e_recovered.bak"), existing);
    }
}

TEST_F(BatchRunTest, NoToAllAtWarning1SkipsLaterExistingTargetsWithoutAsking) {
    const std::vector<std::uint8_t> existing = patternBytes(100, 9);
    const struct {
        std::string name;
        std::string target;
        bool targetExists;
        QString status;
    } rows[] = {
        {"a.dbf", "a_recovered.dbf", true, kNotRecovered},
        {"b.dbf", "b_recovered.dbf", true, kNotRecovered},
        {"c.dbf", "c_recovered.dbf", false, kSuccessful},
        {"d.bak", "d_recovered.bak", true, kNotRecovered},
        {"e.dbf", "e_recovered.dbf", false, kSuccessful},
    };
    Box.Answer(TModalResult::mrNoToAll);
    Box.Answer(TModalResult::mrYes);
    Box.Answer(TModalResult::mrOk);
    TMainForm form(Services());
    form.show();
    QStringList statuses;
    int seed = 0;
    for (const auto& row : rows) {
        Source(FDir / row.name, ++seed);
        if (row.targetExists)
            writeFile(FDir / row.target, existing);
        form.AddFileToList(Q(FDir / row.name));
        statuses.append(row.status);
    }

    Start(form);

    EXPECT_EQ(Std(Questions(Box)),
              Std(QStringList({Ask(Warning1("a_recovered.dbf")), Ask(Warning2("d_recovered.bak")),
                               Summary(2)})));
    EXPECT_EQ(Std(Statuses(form)), Std(statuses));
    seed = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.target);
        ++seed;
        EXPECT_EQ(readFile(FDir / row.target),
                  row.targetExists ? existing : WithMagic(Bytes(seed)));
    }
    ExpectIdle(form);
}

TEST_F(BatchRunTest, YesToAllAtWarning4CreatesLaterFoldersWithoutAsking) {
    TCurrentDir cwd(FDir.path());
    Source(FDir / "c.dbf", 3);
    writeFile(FDir / "plain", patternBytes(10, 1)); // a file where a folder is needed
    const QString dir = Q(FDir.path());
    const struct {
        QString source;
        std::string folder; // the target's folder; empty when it exists already
        QString status;
    } rows[] = {
        {dir + "/m1/a.dbf", FDir / "m1", kFailed},
        {dir + "/m2/deep/b.dbf", FDir / "m2/deep", kFailed},
        {dir + "/c.dbf", "", kSuccessful},
        {dir + "/plain/d.dbf", "", kNotRecovered},
        {"rel/e.dbf", FDir / "rel", kFailed},
    };
    Box.Answer(TModalResult::mrYesToAll);
    for (int i = 0; i < 5; ++i)
        Box.Answer(TModalResult::mrOk);
    TMainForm form(Services());
    form.show();
    QStringList statuses;
    for (const auto& row : rows) {
        form.AddFileToList(row.source);
        statuses.append(row.status);
    }

    Start(form);

    // The missing sources fail in the engine once their folders are there;
    // the engine is given each path as it stands in the row.
    EXPECT_EQ(Std(Questions(Box)),
              Std(QStringList({Ask(Warning4(dir + "/m1/", "a_recovered.dbf")),
                               NotFound(FDir / "m1/a.dbf"), NotFound(FDir / "m2/deep/b.dbf"),
                               Error("Cannot create the directory '" + dir + "/plain/'!"),
                               NotFound(QString("rel/e.dbf")), Summary(1)})));
    EXPECT_EQ(Std(Statuses(form)), Std(statuses));
    for (const auto& row : rows) {
        if (!row.folder.empty()) {
            EXPECT_TRUE(std::filesystem::is_directory(row.folder)) << row.folder;
        }
    }
    EXPECT_EQ(readFile(FDir / "c_recovered.dbf"), WithMagic(Bytes(3)));
    ExpectIdle(form);
}

TEST_F(BatchRunTest, CancelAtTheThirdOfFiveRowsEndsTheRunThere) {
    const std::vector<std::uint8_t> existing = patternBytes(100, 9);
    const struct {
        const char* what;
        std::string third;                 // the third row's source, in the case's folder
        bool targetExists;                 // the third row's target is there before the run
        std::vector<TModalResult> answers; // to the third row's questions
        std::function<QStringList(const QString&)> asked; // of the case's folder
    } cases[] = {
        {"Warning 2",
         "c.bak",
         false,
         {TModalResult::mrCancel},
         [](const QString&) { return QStringList{Ask(Warning2("c_recovered.bak"))}; }},
        {"Warning 4",
         "missing/c.dbf",
         false,
         {TModalResult::mrCancel},
         [](const QString& ADir) {
             return QStringList{Ask(Warning4(ADir + "/missing/", "c_recovered.dbf"))};
         }},
        {"Warning 1",
         "c.dbf",
         true,
         {TModalResult::mrCancel},
         [](const QString&) { return QStringList{Ask(Warning1("c_recovered.dbf"))}; }},
        {"Warning 1 after a Yes to All at Warning 2",
         "c.bak",
         true,
         {TModalResult::mrYesToAll, TModalResult::mrCancel},
         [](const QString&) {
             return QStringList{Ask(Warning2("c_recovered.bak")), Ask(Warning1("c_recovered.bak"))};
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string third = dir / c.third;
        const std::string thirdTarget = Recovered(third);
        if (c.third.find('/') == std::string::npos)
            Source(third, 3);
        if (c.targetExists)
            writeFile(thirdTarget, existing);
        const std::string sources[] = {dir / "a.dbf", dir / "b.dbf", third, dir / "d.dbf",
                                       dir / "e.dbf"};
        const std::string targets[] = {dir / "a_recovered.dbf", dir / "b_recovered.dbf",
                                       thirdTarget, dir / "d_recovered.dbf",
                                       dir / "e_recovered.dbf"};
        for (int i : {0, 1, 3, 4})
            Source(sources[i], i + 1);
        TScriptedMessage box;
        for (TModalResult answer : c.answers)
            box.Answer(answer);
        box.Answer(TModalResult::mrOk);
        TMainForm form(Services(box));
        form.show();
        for (const std::string& source : sources)
            form.AddFileToList(Q(source));

        Start(form);

        EXPECT_EQ(Std(Questions(box)), Std(c.asked(Q(dir.path())) + QStringList{Summary(2)}));
        EXPECT_EQ(Std(Statuses(form)), Std(QStringList({kSuccessful, kSuccessful, kNotRecovered,
                                                        kNotRecovered, kNotRecovered})));
        EXPECT_EQ(readFile(targets[0]), WithMagic(Bytes(1)));
        EXPECT_EQ(readFile(targets[1]), WithMagic(Bytes(2)));
        if (c.targetExists)
            EXPECT_EQ(readFile(thirdTarget), existing);
        else
            EXPECT_FALSE(Exists(thirdTarget));
        EXPECT_FALSE(Exists(dir / "missing"));
        EXPECT_FALSE(Exists(targets[3]));
        EXPECT_FALSE(Exists(targets[4]));
        ExpectIdle(form);
    }
}

// The engine cannot be cancelled: a stop request decides only how the row
// in progress ends when its recovery fails, and that no later row starts.
TEST_F(BatchRunTest, StopDuringTheThirdOfFiveRowsLeavesTheLaterRowsAlone) {
    constexpr std::uintmax_t kBig = 64u << 20;
    const struct {
        const char* what;
        QPushButton* TMainForm::*button; // the button that is clicked to stop
        bool thirdExists;                // the third row's source is there (and big)
        QString status;                  // of the third row
    } cases[] = {
        {"batch button, recovery succeeds", &TMainForm::btnRepairFiles, true, kSuccessful},
        {"batch button, recovery fails", &TMainForm::btnRepairFiles, false, kAborted},
        {"Recovery tab's button, recovery succeeds", &TMainForm::btnRepair, true, kSuccessful},
        {"Recovery tab's button, recovery fails", &TMainForm::btnRepair, false, kAborted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string sources[] = {dir / "a.dbf", dir / "b.dbf", dir / "c.dbf", dir / "d.dbf",
                                       dir / "e.dbf"};
        for (int i : {0, 1, 3, 4})
            Source(sources[i], i + 1);
        if (c.thirdExists) {
            writeFile(sources[2], {});
            std::filesystem::resize_file(sources[2], kBig);
        }
        TScriptedMessage box;
        if (!c.thirdExists)
            box.Answer(TModalResult::mrOk);
        box.Answer(TModalResult::mrOk);
        TMainForm form(Services(box));
        form.show();
        for (const std::string& source : sources)
            form.AddFileToList(Q(source));
        TypeInto(form.txtSrcFile, Q(dir / "single.dbf")); // enables the Recovery tab's button
        // A person who clicks Stop once the third row's recovery is under
        // way: the first two are done and, for a big source, the gauge moves.
        struct {
            bool clicked = false;
            QString caption;
            QStringList statuses;
        } stop;
        QTimer person;
        QObject::connect(&person, &QTimer::timeout, [&] {
            const int gauge = form.Gauge->value();
            if (stop.clicked || !form.FRepairing ||
                Statuses(form) != QStringList({kSuccessful, kSuccessful, kNotRecovered,
                                               kNotRecovered, kNotRecovered}) ||
                (c.thirdExists && (gauge == 0 || gauge == 100)))
                return;
            QPushButton* button = form.*c.button;
            stop.caption = form.btnRepairFiles->text();
            stop.statuses = Statuses(form);
            EXPECT_TRUE(button->isEnabled());
            button->click();
            stop.clicked = form.FStopRequested;
            person.stop();
        });
        person.start(0);

        Start(form);

        ASSERT_TRUE(stop.clicked) << "the Stop click was not seen during the third row";
        EXPECT_EQ(Std(stop.caption), "&Stop Recovery");
        EXPECT_EQ(Std(Statuses(form)), Std(QStringList({kSuccessful, kSuccessful, c.status,
                                                        kNotRecovered, kNotRecovered})));
        EXPECT_EQ(Std(Questions(box)),
                  Std(c.thirdExists ? QStringList{Summary(3)}
                                    : QStringList{NotFound(sources[2]), Summary(2)}));
        if (c.thirdExists) {
            EXPECT_EQ(std::filesystem::file_size(dir / "c_recovered.dbf"), kBig);
        }
        EXPECT_FALSE(Exists(dir / "d_recovered.dbf"));
        EXPECT_FALSE(Exists(dir / "e_recovered.dbf"));
        EXPECT_FALSE(Exists(dir / "single_recovered.dbf"));
        ExpectIdle(form);
    }
}

TEST_F(BatchRunTest, SecondRunStartsAfreshAndAsksEveryWarningAgain) {
    const std::vector<std::uint8_t> existing = patternBytes(100, 9);
    Source(FDir / "a.dbf", 1);
    Source(FDir / "b.dbf", 2);
    Source(FDir / "c.bak", 3);
    Source(FDir / "d.bak", 4);
    writeFile(FDir / "a_recovered.dbf", existing);
    writeFile(FDir / "b_recovered.dbf", existing);
    for (TModalResult answer : {TModalResult::mrYesToAll, TModalResult::mrNoToAll,
                                TModalResult::mrOk, TModalResult::mrOk})
        Box.Answer(answer);
    TMainForm form(Services());
    form.show();
    for (const char* name : {"a.dbf", "b.dbf", "c.bak", "d.bak", "gone.dbf"})
        form.AddFileToList(Q(FDir / name));

    Start(form);

    EXPECT_EQ(Std(Questions(Box)),
              Std(QStringList({Ask(Warning1("a_recovered.dbf")), Ask(Warning2("c_recovered.bak")),
                               NotFound(FDir / "gone.dbf"), Summary(2)})));
    EXPECT_EQ(Std(Statuses(form)),
              Std(QStringList({kSuccessful, kSuccessful, kNotRecovered, kNotRecovered, kFailed})));
    ExpectIdle(form);

    for (TModalResult answer : {TModalResult::mrNo, TModalResult::mrNo, TModalResult::mrNo,
                                TModalResult::mrNo, TModalResult::mrOk, TModalResult::mrOk})
        Box.Answer(answer);
    std::optional<QStringList> atFirstQuestion;
    const qsizetype before = Box.Asked().size();
    Box.SetOnShow([&](const TScriptedMessage::TQuestion&) {
        if (!atFirstQuestion)
            atFirstQuestion = Statuses(form);
    });

    Start(form);

    ASSERT_TRUE(atFirstQuestion);
    EXPECT_EQ(Std(*atFirstQuestion), Std(QStringList(5, kNotRecovered)));
    EXPECT_EQ(Std(Questions(Box).mid(before)),
              Std(QStringList({Ask(Warning1("a_recovered.dbf")), Ask(Warning1("b_recovered.dbf")),
                               Ask(Warning2("c_recovered.bak")), Ask(Warning2("d_recovered.bak")),
                               NotFound(FDir / "gone.dbf"), Summary(0)})));
    EXPECT_EQ(Std(Statuses(form)), Std(QStringList({kNotRecovered, kNotRecovered, kNotRecovered,
                                                    kNotRecovered, kFailed})));
    EXPECT_EQ(readFile(FDir / "a_recovered.dbf"), WithMagic(Bytes(1)));
    EXPECT_FALSE(Exists(FDir / "c_recovered.bak"));
    ExpectIdle(form);
}

} // namespace
