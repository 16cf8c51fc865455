#include "util/VornUtils.h"
#include "resources/VornStrings.h"
#include "settings/Registry.h"
#include "settings/VornSetting.h"
#include "util/SkinMessage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <unistd.h>

void PrintTo(const QString& AText, std::ostream* AOut) {
    *AOut << '"' << AText.toStdString() << '"';
}

namespace {

TEST(RemoveFileExt, RemovesOnlyTheLastExtensionOfTheFileName) {
    const struct {
        QString path;
        QString expected;
    } cases[] = {
        {"archive.tar.gz", "archive.tar"},
        {"/data/users01.dbf", "/data/users01"},
        {"name.", "name"},
        {".cfg", ""},
        {"/etc/dir.x/.cfg", "/etc/dir.x/"},
        {"name", "name"},
        {"", ""},
        {"dir.old/file", "dir.old/file"},
        {"dir.old\\file", "dir.old\\file"},
        {"C:\\a.b\\name", "C:\\a.b\\name"},
        {"C:name", "C:name"},
        {"a.b:name", "a.b:name"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RemoveFileExt(c.path), c.expected) << c.path.toStdString();
}

TEST(GetFilterExt, GivesTheFirstPatternsExtensionOfTheIndexedEntry) {
    const QString dialog = "Oracle database files (*.dbf)|*.dbf|All files (*.*)|*.*";
    const struct {
        QString filter;
        int index;
        QString expected;
    } cases[] = {
        {dialog, 1, "dbf"},
        {dialog, 2, "*"},
        {dialog, 0, ""},
        {dialog, 3, ""},
        {dialog, -1, ""},
        {"Data files (*.dbf;*.ora)|*.dbf;*.ora|Logs|*.log", 1, "dbf"},
        {"Data files (*.dbf;*.ora)|*.dbf;*.ora|Logs|*.log", 2, "log"},
        {"Make files|Makefile|Text|*.txt", 1, ""},
        {"Make files|Makefile|Text|*.txt", 2, "txt"},
        {"Archives|*.tar.gz", 1, "gz"},
        {"Old folders|dir.old/*", 1, ""},
        {"no separator at all", 1, ""},
        {"", 1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetFilterExt(c.filter, c.index), c.expected)
            << c.filter.toStdString() << " #" << c.index;
}

TEST(Format, FillsDirectivesInOrder) {
    const struct {
        QString pattern;
        std::initializer_list<TFormatArg> args;
        QString expected;
    } cases[] = {
        {"File to be recovered: '%s'; File size = %.0n bytes",
         {"/data/a.dbf", std::int64_t{2147483648}},
         "File to be recovered: '/data/a.dbf'; File size = 2,147,483,648 bytes"},
        {"%.0n|%.0n|%.0n|%.0n|%.0n", {0, 999, 1000, -1, -1234567}, "0|999|1,000|-1|-1,234,567"},
        {"%.0n", {std::uint64_t{18446744073709551615u}}, "18,446,744,073,709,551,615"},
        {"%.0n", {std::int64_t{-9223372036854775807 - 1}}, "-9,223,372,036,854,775,808"},
        {"%.0n|%.0n|%.0n", {1234.6, -0.4, 999.7}, "1,235|0|1,000"},
        {"%n|%.1n", {1234.5, 1000}, "1,234.50|1,000.0"},
        {"%u%% completed", {42u}, "42% completed"},
        {"%u", {-1}, "18446744073709551615"},
        {"%d file(s) recovered successfully", {0}, "0 file(s) recovered successfully"},
        {"%d|%d", {-7, std::uint64_t{4000000000u}}, "-7|4000000000"},
        {"Operating System: %s %d.%.2d.%d",
         {"Linux", 6, 1, 158},
         "Operating System: Linux 6.01.158"},
        {"%.2d|%.2d|%.3u", {123, -5, 7u}, "123|-05|007"},
        {"%s.%s", {"1.0", "2.3"}, "1.0.2.3"},
        {"100%", {}, "100%"},
        {"%x %5d %.2%", {1}, "%x %5d %.2%"},
        {"'%s' '%s'", {"one"}, "'one' '%s'"},
        {"%d %s", {"text", 5}, "%d %s"},
        {"%s|%d", {QString(), 3}, "|3"},
        {"no directives", {1}, "no directives"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Format(c.pattern, c.args), c.expected) << c.pattern.toStdString();
}

// A duration in days from its parts.
double Duration(int ADays, int AHours, int AMinutes, double ASeconds) {
    return ADays + (AHours * 3600.0 + AMinutes * 60.0 + ASeconds) / 86400.0;
}

TEST(FormatElapsedTime, FormatsTheDisplayedPatterns) {
    const QString label = LoadStr(TStringId::ElapsedLabelPattern);
    const QString log = LoadStr(TStringId::ElapsedLogPattern);
    const struct {
        const QString& pattern;
        double duration;
        QString expected;
    } cases[] = {
        {label, 0, "0 day(s) 0 hour(s) 0 minute(s) "},
        {log, 0, "Consumed time: 0 day(s) 0 hour(s) 0 minute(s) 0 second(s) 0 millisecond(s)."},
        {log, Duration(0, 0, 0, 5.2),
         "Consumed time: 0 day(s) 0 hour(s) 0 minute(s) 5 second(s) 200 millisecond(s)."},
        {label, Duration(0, 26, 0, 0), "1 day(s) 2 hour(s) 0 minute(s) "},
        {label, Duration(1, 2, 3, 4.005), "1 day(s) 2 hour(s) 3 minute(s) "},
        {log, Duration(1, 2, 3, 4.005),
         "Consumed time: 1 day(s) 2 hour(s) 3 minute(s) 4 second(s) 5 millisecond(s)."},
        {log, Duration(100000, 12, 0, 0),
         "Consumed time: 100000 day(s) 12 hour(s) 0 minute(s) 0 second(s) 0 millisecond(s)."},
        // Milliseconds are rounded to the nearest.
        {log, Duration(0, 0, 0, 0.9996),
         "Consumed time: 0 day(s) 0 hour(s) 0 minute(s) 1 second(s) 0 millisecond(s)."},
        {log, Duration(0, 0, 59, 59.9994),
         "Consumed time: 0 day(s) 0 hour(s) 59 minute(s) 59 second(s) 999 millisecond(s)."},
        {log, Duration(0, 23, 59, 59.9994),
         "Consumed time: 0 day(s) 23 hour(s) 59 minute(s) 59 second(s) 999 millisecond(s)."},
        // The time of day rounds up into the next day, the day count does not.
        {log, Duration(0, 23, 59, 59.9996),
         "Consumed time: 0 day(s) 0 hour(s) 0 minute(s) 0 second(s) 0 millisecond(s)."},
        {label, Duration(1, 23, 59, 59.9996), "1 day(s) 0 hour(s) 0 minute(s) "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatElapsedTime(c.pattern, c.duration), c.expected) << c.duration;
}

TEST(FormatElapsedTime, KeepsQuotedTextAndOtherCharactersLiterally) {
    const double duration = Duration(3, 1, 2, 3.004);
    const struct {
        QString pattern;
        QString expected;
    } cases[] = {
        {"hh:nn:ss.zzz", "01:02:03.004"},  {"H N S Z", "1 2 3 4"},
        {"'%d d' h\"h\" 'h'", "3 d 1h h"}, {"\"%%d\" zz", "%d 4"},
        {"\"unclosed %d", "unclosed 3"},   {"d m y", "d m y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatElapsedTime(c.pattern, duration), c.expected) << c.pattern.toStdString();
}

constexpr TMsgDlgButtons AllButtons = mbYes | mbNo | mbCancel | mbNoToAll | mbYesToAll;

TEST(ConfirmWithToAll, AnswersByTheButtonPressed) {
    const struct {
        TModalResult answer;
        bool result;
        bool cancel;
        bool yesToAll;
        bool noToAll;
    } cases[] = {
        {TModalResult::mrYes, true, false, false, false},
        {TModalResult::mrNo, false, false, false, false},
        {TModalResult::mrCancel, true, true, false, false},
        {TModalResult::mrNoToAll, false, false, false, true},
        {TModalResult::mrYesToAll, true, false, true, false},
        {TModalResult::mrNone, true, false, false, false},
        {TModalResult::mrOk, true, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        TScriptedMessage box;
        box.Answer(c.answer);
        bool yesToAll = false;
        bool cancel = true;
        bool noToAll = false;
        EXPECT_EQ(ConfirmWithToAll(&box, "Overwrite it?", yesToAll, cancel, noToAll), c.result);
        EXPECT_EQ(cancel, c.cancel);
        EXPECT_EQ(yesToAll, c.yesToAll);
        EXPECT_EQ(noToAll, c.noToAll);
        ASSERT_EQ(box.Asked().size(), 1);
        EXPECT_EQ(box.Asked()[0].text, "Overwrite it?");
        EXPECT_EQ(box.Asked()[0].type, TMsgDlgType::mtConfirmation);
        EXPECT_EQ(box.Asked()[0].buttons, AllButtons);
    }
}

TEST(ConfirmWithToAll, RemembersToAllAnswersPerKindOfQuestion) {
    TScriptedMessage box;
    box.Answer(TModalResult::mrYesToAll);
    box.Answer(TModalResult::mrNoToAll);
    box.Answer(TModalResult::mrYes);
    bool existsYes = false, existsNo = false;
    bool extYes = false, extNo = false;
    bool spaceYes = false, spaceNo = false;
    bool cancel = false;

    EXPECT_TRUE(ConfirmWithToAll(&box, "exists 1", existsYes, cancel, existsNo));
    EXPECT_FALSE(ConfirmWithToAll(&box, "extension 1", extYes, cancel, extNo));
    for (int row = 2; row <= 3; ++row) {
        cancel = true;
        EXPECT_TRUE(ConfirmWithToAll(&box, "exists again", existsYes, cancel, existsNo));
        EXPECT_FALSE(cancel);
        cancel = true;
        EXPECT_FALSE(ConfirmWithToAll(&box, "extension again", extYes, cancel, extNo));
        EXPECT_FALSE(cancel);
    }
    EXPECT_TRUE(ConfirmWithToAll(&box, "space 1", spaceYes, cancel, spaceNo));

    ASSERT_EQ(box.Asked().size(), 3);
    EXPECT_EQ(box.Asked()[0].text, "exists 1");
    EXPECT_EQ(box.Asked()[1].text, "extension 1");
    EXPECT_EQ(box.Asked()[2].text, "space 1");
    EXPECT_EQ(box.UnexpectedCount(), 0);
}

TEST(ConfirmWithToAll, NoToAllWinsOverYesToAll) {
    TScriptedMessage box;
    bool yesToAll = true;
    bool cancel = false;
    bool noToAll = true;
    EXPECT_FALSE(ConfirmWithToAll(&box, "question", yesToAll, cancel, noToAll));
    EXPECT_TRUE(box.Asked().isEmpty());
}

TEST(ConfirmWithToAll, GoesAheadWithoutABox) {
    bool yesToAll = false;
    bool cancel = true;
    bool noToAll = false;
    EXPECT_TRUE(ConfirmWithToAll(nullptr, "question", yesToAll, cancel, noToAll));
    EXPECT_FALSE(cancel);
    EXPECT_FALSE(yesToAll);
    EXPECT_FALSE(noToAll);
}

TEST(CheckBoxInfoText, GivesTheCaptionAsStoredAndTheAnswer) {
    const QString caption = "&Open the recovered Oracle database file when finished";
    EXPECT_EQ(CheckBoxInfoText(caption, false),
              "&Open the recovered Oracle database file when finished: No");
    EXPECT_EQ(CheckBoxInfoText(caption, true),
              "&Open the recovered Oracle database file when finished: Yes");
}

// A folder whose path has exactly `ALength` bytes, made below `ABase`.
QString MakeDirOfLength(const QString& ABase, qsizetype ALength) {
    QString path = ABase;
    while (path.size() < ALength) {
        const qsizetype room = ALength - path.size() - 1;
        path += u'/' + QString(std::min<qsizetype>(room, 200), u'd');
    }
    EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
    EXPECT_EQ(path.size(), ALength);
    return path;
}

TEST(ToLongPathName, ResolvesExistingPathsThatFit) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString base = QFileInfo(temp.path()).canonicalFilePath();
    ASSERT_TRUE(QDir(base).mkpath("real/sub"));
    ASSERT_EQ(symlink(QFile::encodeName(base + "/real").constData(),
                      QFile::encodeName(base + "/link").constData()),
              0);
    QFile file(base + "/real/file.dbf");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString fits = MakeDirOfLength(base + "/fit", 259);
    const QString fitsWithSlash = MakeDirOfLength(base + "/fitslash", 258);
    const QString tooLong = MakeDirOfLength(base + "/long", 260);
    const QString tooLongWithSlash = MakeDirOfLength(base + "/longslash", 259);

    const struct {
        QString path;
        std::optional<QString> expected;
    } cases[] = {
        {base + "/link", base + "/real"},
        {base + "/link/", base + "/real/"},
        {base + "/real/sub/../file.dbf", base + "/real/file.dbf"},
        {base + "/link/./sub/..", base + "/real"},
        {base + "//real///sub/", base + "/real/sub/"},
        {"/", "/"},
        {fits, fits},
        {fitsWithSlash + "/", fitsWithSlash + "/"},
        {tooLong, std::nullopt},
        {tooLongWithSlash + "/", std::nullopt},
        {base + "/missing", std::nullopt},
        {base + "/real/file.dbf/", std::nullopt},
        {base + QChar::Null + "/real", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        QString longPath = "left over";
        EXPECT_EQ(ToLongPathName(c.path, longPath), c.expected.has_value()) << c.path.toStdString();
        EXPECT_EQ(longPath, c.expected.value_or(QString())) << c.path.toStdString();
    }
}

// Sets or removes an environment variable for one test and puts the old
// value back.
class TEnvOverride {
public:
    explicit TEnvOverride(const char* AName) : FName(AName) {
        if (const char* old = std::getenv(AName))
            FOld = old;
    }
    ~TEnvOverride() { EXPECT_EQ(FOld ? setenv(FName, FOld->c_str(), 1) : unsetenv(FName), 0); }
    TEnvOverride(const TEnvOverride&) = delete;
    TEnvOverride& operator=(const TEnvOverride&) = delete;

    void Set(const QString& AValue) {
        ASSERT_EQ(setenv(FName, QFile::encodeName(AValue).constData(), 1), 0);
    }
    void Unset() { ASSERT_EQ(unsetenv(FName), 0); }

private:
    const char* FName;
    std::optional<std::string> FOld;
};

TEST(GetTempDirectory, GivesTheLongFormWithATrailingSeparator) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString base = QFileInfo(temp.path()).canonicalFilePath();
    ASSERT_TRUE(QDir(base).mkpath("real/sub"));
    ASSERT_EQ(symlink(QFile::encodeName(base + "/real").constData(),
                      QFile::encodeName(base + "/link").constData()),
              0);

    const struct {
        QString tmpDir;
        QString expected;
    } cases[] = {
        {base + "/link", base + "/real/"},        {base + "/link/", base + "/real/"},
        {base + "/real/sub/..", base + "/real/"}, {base + "/link/sub/../../real", base + "/real/"},
        {base + "/missing", base + "/missing/"},  {"", QFileInfo("/tmp").canonicalFilePath() + "/"},
    };
    TEnvOverride tmpDir("TMPDIR");
    for (const auto& c : cases) {
        tmpDir.Set(c.tmpDir);
        EXPECT_EQ(GetTempDirectory(), c.expected) << c.tmpDir.toStdString();
    }
    tmpDir.Unset();
    EXPECT_EQ(GetTempDirectory(), QFileInfo("/tmp").canonicalFilePath() + "/");
}

TEST(AddTrackingParam, AppendsTheCodeStoredAtTheTimeOfTheCall) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    TEnvOverride xdgConfig("XDG_CONFIG_HOME");
    xdgConfig.Set(config.path());
    int argc = 1;
    char program[] = "VornUtilsTest";
    char* argv[] = {program, nullptr};
    const QCoreApplication application(argc, argv);
    const QString store = TRegistry::StoreFile();
    ASSERT_TRUE(store.startsWith(config.path())) << store.toStdString();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(store).path()));
    const QString key =
        "[HKEY_CURRENT_USER" + SettingsKeyPath(QCoreApplication::applicationFilePath());

    const QString link = "https://example.com/buy";
    const struct {
        std::optional<QString> hive;
        QString expected;
    } cases[] = {
        {std::nullopt, link},
        {"REGEDIT4\n\n" + key + "\\Misc]\n\"TrackingCode\"=\"fall-sale\"\n",
         link + "?utm_source=fall-sale"},
        {"REGEDIT4\n\n" + key + "\\Misc]\n\"TrackingCode\"=\"\"\n", link},
        {"REGEDIT4\n\n" + key + "\\Other]\n\"TrackingCode\"=\"other-section\"\n", link},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\OtherProgram\\Misc]\n"
         "\"TrackingCode\"=\"other-program\"\n",
         link},
        {"REGEDIT4\n\n" + key + "\\Misc]\n\"trackingcode\"=\"any-case\"\n",
         link + "?utm_source=any-case"},
    };
    for (const auto& c : cases) {
        QFile::remove(store);
        if (c.hive) {
            QFile file(store);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write(c.hive->toUtf8()), c.hive->toUtf8().size());
            file.close();
        }
        EXPECT_EQ(AddTrackingParam(link), c.expected) << c.hive.value_or("no store").toStdString();
    }
}

} // namespace
