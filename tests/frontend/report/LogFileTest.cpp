// Writing the saved log: the log alone, the log behind the report, and the
// files that cannot be written.
#include "report/logdlg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>

#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "ReportTestUtil.h"
#include "TestSupport.h"

namespace {

using namespace reporttest;

QString FileIn(const testsupport::TempDir& ADir, const char* AName) {
    return QString::fromStdString(ADir / AName);
}

// The names in folder `ADir`.
QStringList Entries(const std::string& ADir) {
    return QDir(Q(ADir)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                   QDir::NoDotAndDotDot);
}

void WriteBytes(const QString& APath, const QByteArray& ABytes) {
    QFile file(APath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << Std(APath);
    ASSERT_EQ(file.write(ABytes), ABytes.size());
}

// The settings block as the main window writes it.
const QStringList kSettings = {
    "Setting Information:",
    "&Open the recovered Oracle database file when finished: Yes",
    "Dire&ctory for temporary files: /tmp/",
    "I&nternal Processing Buffer Size: 1",
    kSeparator,
    "End of Setting Information",
    kSeparator,
};

TEST(LogViewLines, GivesEveryParagraphOfTheViewAsStored) {
    struct TCase {
        QStringList Appended; // appendPlainText, one call each
        QString PlainText;    // else setPlainText
        QStringList Expected;
    };
    const TCase cases[] = {
        {{}, "", {""}},
        {{"one"}, {}, {"one"}},
        {{"one", "", "three"}, {}, {"one", "", "three"}},
        {{}, "one\n", {"one", ""}},
        {{}, "a\nb", {"a", "b"}},
        // A non-breaking space stays one.
        {{QString::fromUtf8("a\xc2\xa0"
                            "b")},
         {},
         {QString::fromUtf8("a\xc2\xa0"
                            "b")}},
    };
    for (const TCase& c : cases) {
        QPlainTextEdit view;
        if (c.Appended.isEmpty())
            view.setPlainText(c.PlainText);
        for (const QString& line : c.Appended)
            view.appendPlainText(line);
        EXPECT_EQ(Std(LogViewLines(view)), Std(c.Expected))
            << Std(c.Appended.join('|') + c.PlainText);
    }
}

TEST(WriteLogFile, WithoutTheReportTheFileHoldsExactlyTheLogText) {
    struct TCase {
        QStringList Log;
        QByteArray Expected;
    };
    const TCase cases[] = {
        {{""}, ""},
        {{}, ""},
        {{"Start recovery process ..."}, "Start recovery process ..."},
        {{"one", "two", "three"}, "one\r\ntwo\r\nthree"},
        {{"one", "", "three"}, "one\r\n\r\nthree"},
        {{"one", ""}, "one\r\n"},
        {{QString::fromUtf8("Datei: 'Gr\xc3\xbc\xc3\x9f"
                            "e.dbf'"),
          QString::fromUtf8("\xe2\x82\xac\xc2\xa0!")},
         "Datei: 'Gr\xc3\xbc\xc3\x9f"
         "e.dbf'\r\n\xe2\x82\xac\xc2\xa0!"},
    };
    const testsupport::TempDir dir;
    for (const TCase& c : cases) {
        const QString path = FileIn(dir, "run.log");
        WriteLogFile(path, c.Log, false, kSettings);
        EXPECT_EQ(ReadBytes(path), c.Expected) << Std(c.Log.join('|'));
    }
    EXPECT_EQ(Std(Entries(dir.path())), std::vector<std::string>{"run.log"});
}

TEST(WriteLogFile, WithTheReportTheLogFollowsTheSystemAndSettingsBlocks) {
    const testsupport::TempDir dir;
    const QString path = FileIn(dir, "report.log");
    const QStringList log = {
        "Start recovery process ...", kSeparator,
        QString::fromUtf8("File to be recovered: '/data/\xc3\xa9t\xc3\xa9.dbf'"), "",
        "Recovery process completes."};

    // The view's text ends with the line break of its last line, which
    // adds no line of its own.
    WriteLogFile(path, log + QStringList{""}, true, kSettings);

    const QByteArray bytes = ReadBytes(path);
    ASSERT_FALSE(bytes.startsWith("\xef\xbb\xbf"));
    ASSERT_TRUE(bytes.endsWith("\r\n"));
    // Every line ends with CR LF, the last one too, and there is no other
    // line break.
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n'));
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\r'));
    QStringList lines = QString::fromUtf8(bytes).split("\r\n");
    ASSERT_TRUE(lines.constLast().isEmpty());
    lines.removeLast();

    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(Std(lines.at(0)), Std(kSeparator));
    EXPECT_EQ(Std(lines.at(1)), " Version Information:");
    const qsizetype end = lines.indexOf("End of System Information");
    ASSERT_GT(end, 1);
    EXPECT_EQ(Std(lines.at(end + 1)), Std(kSeparator));
    EXPECT_EQ(Std(lines.mid(end + 2)), Std(kSettings + log));
}

TEST(WriteLogFile, WithTheReportAnEmptyLogAddsNoLine) {
    const testsupport::TempDir dir;
    const QString path = FileIn(dir, "empty.log");
    WriteLogFile(path, {""}, true, kSettings);
    const QStringList lines = QString::fromUtf8(ReadBytes(path)).split("\r\n");
    ASSERT_GE(lines.size(), static_cast<qsizetype>(kSettings.size()) + 1);
    EXPECT_EQ(Std(lines.mid(lines.size() - kSettings.size() - 1)),
              Std(kSettings + QStringList{""}));
}

TEST(WriteLogFile, ReplacesAnExistingFileWhole) {
    const testsupport::TempDir dir;
    const QString path = FileIn(dir, "old.log");
    WriteBytes(path, QByteArray(100000, 'x'));
    WriteLogFile(path, {"short", "log"}, false, {});
    EXPECT_EQ(ReadBytes(path), "short\r\nlog");
    EXPECT_EQ(Std(Entries(dir.path())), std::vector<std::string>{"old.log"});
}

// A folder in which no file can be created: a read-only mount for root,
// whom permissions do not stop, and a read-only folder for anyone else.
class TReadOnlyFolder {
public:
    explicit TReadOnlyFolder(const testsupport::TempDir& ADir) : FPath(ADir / "ro") {
        if (geteuid() == 0) {
            FMount.emplace(FPath, 1 << 20, testsupport::TmpfsMount::Access::ReadOnly);
        } else {
            ADir.makeDir("ro");
            ::chmod(FPath.c_str(), 0555);
        }
    }
    ~TReadOnlyFolder() {
        if (!FMount)
            ::chmod(FPath.c_str(), 0755);
    }
    TReadOnlyFolder(const TReadOnlyFolder&) = delete;
    TReadOnlyFolder& operator=(const TReadOnlyFolder&) = delete;

    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    std::optional<testsupport::TmpfsMount> FMount;
};

TEST(WriteLogFile, FileThatCannotBeCreatedFailsWithCannotCreateFileAndWritesNothing) {
    const testsupport::TempDir dir;
    const TReadOnlyFolder readOnly(dir);
    const std::string missing = dir / "missing";
    for (const std::string& folder : {readOnly.Path(), missing}) {
        for (const bool includeSysInfo : {false, true}) {
            const QString path = Q(folder + "/run.log");
            try {
                WriteLogFile(path, {"one", "two"}, includeSysInfo, kSettings);
                ADD_FAILURE() << "no error for " << folder;
            } catch (const TFileError& error) {
                EXPECT_EQ(Std(error.Message()), "Cannot create file " + Std(path));
                EXPECT_FALSE(error.Cause().isEmpty());
            }
        }
    }
    EXPECT_TRUE(Entries(readOnly.Path()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(Q(missing)));
}

TEST(WriteLogFile, FullDiskFailsWithStreamWriteErrorAndKeepsTheOldFile) {
    SKIP_IF_MISSING(testsupport::missingRoot());
    const testsupport::TempDir dir;
    const testsupport::TmpfsMount disk(dir / "disk", 64 * 1024);
    const QString path = Q(disk.path() + "/run.log");
    WriteBytes(path, "the old log");
    const QStringList log(20000, "Recovery process completes.");

    for (const bool includeSysInfo : {false, true}) {
        try {
            WriteLogFile(path, log, includeSysInfo, kSettings);
            ADD_FAILURE() << "no error on a full disk";
        } catch (const TFileError& error) {
            EXPECT_EQ(Std(error.Message()), "Stream write error");
        }
        EXPECT_EQ(ReadBytes(path), "the old log");
        EXPECT_EQ(Std(Entries(disk.path())), std::vector<std::string>{"run.log"});
    }
}

} // namespace
