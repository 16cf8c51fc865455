// The hive file: the export format it reads and writes, what it keeps of lines it did not write,
// damaged files, two processes changing it at once, and failures of the file system.
#include "SettingsTestSupport.h"

#include "settings/Registry.h"
#include "settings/Setting.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace settingstest;

namespace {

std::string JoinLines(const std::vector<std::string>& ALines, const std::string& AEol = "\n") {
    std::string text;
    for (const std::string& line : ALines)
        text += line + AEol;
    return text;
}

QByteArray Bytes(std::initializer_list<unsigned char> AValues) {
    QByteArray bytes;
    for (const unsigned char value : AValues)
        bytes.append(static_cast<char>(value));
    return bytes;
}

// The names in folder `APath`.
std::vector<std::string> FolderEntries(const std::string& APath) {
    std::vector<std::string> names;
    DIR* dir = opendir(APath.c_str());
    if (dir == nullptr) {
        ADD_FAILURE() << "cannot open " << APath;
        return names;
    }
    while (const dirent* entry = readdir(dir))
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
            names.emplace_back(entry->d_name);
    closedir(dir);
    return names;
}

class RegistryTest : public TSettingsStoreTest {};

} // namespace

TEST_F(RegistryTest, ReadsEveryValueFormOfTheExportFormat) {
    struct TCase {
        const char* Name;
        TRegType Type;
        QByteArray Data;
    };
    const std::vector<TCase> cases = {
        {"", REG_SZ, QByteArray("the default", 12)},
        {"Plain", REG_SZ, QByteArray("C:\\dir\\ \"quoted\"", 17)},
        {"Spaced", REG_SZ, QByteArray("x", 2)},
        {"Unicode", REG_SZ, QByteArray("\xC3\xBC\xE6\x97\xA5", 6)},
        {"Dword", REG_DWORD, Bytes({0x1f, 0, 0, 0})},
        {"Negative", REG_DWORD, Bytes({0xff, 0xff, 0xff, 0xff})},
        {"Expand", REG_EXPAND_SZ, QByteArray("%TEMP%/x", 9)},
        {"Binary", REG_BINARY, Bytes({0x01, 0x02, 0xff})},
        {"Empty", REG_BINARY, QByteArray()},
        {"Multi", REG_MULTI_SZ, Bytes({'a', 0, 'b', 0, 0})},
        {"Qword", REG_QWORD, Bytes({1, 0, 0, 0, 0, 0, 0, 0})},
        {"DwordAsHex", REG_DWORD, Bytes({0x1f, 0, 0, 0})},
        {"Link", 6, Bytes({0x41})},
    };
    const std::vector<std::string> lines = {
        "REGEDIT4",
        "",
        "; written by hand",
        "[HKEY_CURRENT_USER\\Software\\Forms]",
        "@=\"the default\"",
        "\"Plain\"=\"C:\\\\dir\\\\ \\\"quoted\\\"\"",
        "\"Spaced\" = \"x\"",
        "\"Unicode\"=\"\xC3\xBC\xE6\x97\xA5\"",
        "\"Dword\"=dword:0000001f",
        "\"Negative\"=DWORD:FFFFFFFF",
        "\"Expand\"=hex(2):25,54,45,4d,50,25,2f,78,00",
        "\"Binary\"=hex:01,02,ff",
        "\"Empty\"=hex:",
        "\"Multi\"=hex(7):61,00,\\",
        "  62,00,\\",
        "  00",
        "\"Qword\"=hex(b):01,00,00,00,00,00,00,00",
        "\"DwordAsHex\"=hex(4):1f,00,00,00",
        "\"Link\"=hex(6):41",
    };
    for (const std::string eol : {"\n", "\r\n"}) {
        SCOPED_TRACE(eol == "\n" ? "LF line ends" : "CRLF line ends");
        WriteStore(JoinLines(lines, eol));
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("\\software\\FORMS", false)) << "names ignore case";
        for (const TCase& c : cases) {
            SCOPED_TRACE(c.Name);
            const std::optional<TRegValue> value = registry.GetValue(c.Name);
            ASSERT_TRUE(value.has_value());
            EXPECT_EQ(value->Type, c.Type);
            EXPECT_EQ(value->Data.toHex(), c.Data.toHex());
        }
        EXPECT_EQ(registry.ReadString("plain"), "C:\\dir\\ \"quoted\"");
        EXPECT_EQ(registry.ReadString("Expand"), "%TEMP%/x") << "references stay unexpanded";
        EXPECT_EQ(registry.ReadString("Unicode"), QString::fromUtf8("\xC3\xBC\xE6\x97\xA5"));
        EXPECT_EQ(registry.ReadInteger("Dword"), 31);
        EXPECT_EQ(registry.ReadInteger("Negative"), -1);
        EXPECT_EQ(registry.ReadInteger("DwordAsHex"), 31);
        EXPECT_FALSE(registry.ValueExists("written by hand"));
        EXPECT_TRUE(registry.OpenKey("\\Software", false)) << "a key exists when one below does";
        EXPECT_FALSE(registry.OpenKey("\\Software\\Missing", false));
    }
}

TEST_F(RegistryTest, ReadsOfTheWrongTypeRaiseInvalidDataType) {
    WriteStore(JoinLines({"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\Forms]",
                          "\"Binary\"=hex:01", "\"Text\"=\"12\"", "\"Short\"=hex(4):01,02"}));
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Forms", false));
    const struct {
        const char* Name;
        bool AsString;
    } cases[] = {
        {"Binary", true}, {"Binary", false}, {"Text", false}, {"Short", false}, {"Missing", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + (c.AsString ? " as a string" : " as an integer"));
        try {
            if (c.AsString)
                registry.ReadString(c.Name);
            else
                registry.ReadInteger(c.Name);
            ADD_FAILURE() << "no error raised";
        } catch (const TRegistryError& error) {
            EXPECT_EQ(error.Message(), QString("Invalid data type for '%1'").arg(c.Name));
        }
    }
    EXPECT_EQ(registry.ReadString("Missing"), "") << "a missing string reads as empty";
}

TEST_F(RegistryTest, ChangesKeepEveryLineTheyDidNotWrite) {
    WriteStore(JoinLines({
        "REGEDIT4",
        "",
        "; settings of two programs",
        "[HKEY_CURRENT_USER\\Software\\Other]",
        "\"Colour\"=\"blue\"",
        "",
        "[HKEY_CURRENT_USER\\Software\\prog\\Misc]",
        "\"TrackingCode\"=\"abc\"",
        "\"BufSize\"=dword:00000200",
        "\"List\"=hex(7):61,00,\\",
        "  00",
        "; end of prog",
        "",
        "[HKEY_LOCAL_MACHINE\\Software\\prog\\Misc]",
        "\"BufSize\"=dword:00000001",
    }));
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\prog\\Misc", true));
    registry.WriteInteger("bufsize", 4096);
    registry.WriteString("New", "v");
    ASSERT_TRUE(registry.OpenKey("\\Software\\Fresh\\Misc", true));
    registry.WriteInteger("X", 1);

    EXPECT_EQ(ReadStore(), JoinLines({
                               "REGEDIT4",
                               "",
                               "; settings of two programs",
                               "[HKEY_CURRENT_USER\\Software\\Other]",
                               "\"Colour\"=\"blue\"",
                               "",
                               "[HKEY_CURRENT_USER\\Software\\prog\\Misc]",
                               "\"TrackingCode\"=\"abc\"",
                               "\"bufsize\"=dword:00001000",
                               "\"List\"=hex(7):61,00,\\",
                               "  00",
                               "\"New\"=\"v\"",
                               "; end of prog",
                               "",
                               "[HKEY_LOCAL_MACHINE\\Software\\prog\\Misc]",
                               "\"BufSize\"=dword:00000001",
                               "",
                               "[HKEY_CURRENT_USER\\Software\\Fresh\\Misc]",
                               "\"X\"=dword:00000001",
                           }));
}

TEST_F(RegistryTest, ValuesTheQuotedFormCannotHoldAreWrittenInHex) {
    const QString multiLine =
        QString("first line\nsecond \"line\" \\ with a long tail ") + QString(40, u'x');
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("\\Software\\prog\\Misc", true));
        registry.WriteString("Lines", multiLine);
        registry.WriteExpandString("Expand", "%HOME%/tmp");
    }
    const std::string text = ReadStore();
    EXPECT_NE(text.find("\"Lines\"=hex(1):66,69,72,73,74,20,6c,69,6e,65,0a,73,"), std::string::npos)
        << text;
    EXPECT_NE(text.find(",\\\n  "), std::string::npos) << "long hex data goes on over lines";
    EXPECT_NE(text.find("\"Expand\"=hex(2):25,48,4f,4d,45,25,2f,74,6d,70,00\n"), std::string::npos)
        << text;
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        EXPECT_LE(end - start, 80u) << "line too long: " << text.substr(start, end - start);
    }

    TRegistry reader;
    ASSERT_TRUE(reader.OpenKey("\\Software\\prog\\Misc", false));
    EXPECT_EQ(reader.GetDataType("Lines"), REG_SZ);
    EXPECT_EQ(reader.ReadString("Lines"), multiLine);
    EXPECT_EQ(reader.GetDataType("Expand"), REG_EXPAND_SZ);
    EXPECT_EQ(reader.ReadString("Expand"), "%HOME%/tmp");
}

TEST_F(RegistryTest, DamagedFileReadsAsMissingAndIsKeptWithoutMultiplying) {
    const std::vector<std::string> junk = {
        "garbage line without meaning",
        std::string("\"Junk\0\xff\"=\x01\x02", 11),
        std::string("\xff\xfe binary junk \0 here", 20),
        "[HKEY_CURRENT_USER\\Software\\prog\\Other",
        "\"Deleted\"=-",
    };
    std::string damaged = JoinLines({
        "REGEDIT4",
        junk[0],
        "[HKEY_CURRENT_USER\\Software\\prog\\Misc]",
        "\"OpenDirectory\"=\"/unterminated",
        "\"OpenFilterIndex\"=dword:zz",
        "\"SaveFilterIndex\"=dword:00000003",
        junk[1],
        junk[2],
        "\"TempDir\"=hex(2):2f,74,\\",
        junk[3],
        "\"BufSize\"=\"1024\"",
        junk[4],
    });
    damaged += "\"OpenFixed\"=hex:00,\\"; // cut short at the end of the file
    WriteStore(damaged);

    const TProbeResult loaded = RunProbe({"load", "/opt/q/prog"});
    EXPECT_EQ(loaded.Fields.count("error"), 0u);
    EXPECT_EQ(loaded.Fields.at("OpenDirectory"), "/opt/q/");
    EXPECT_EQ(loaded.Fields.at("OpenFilterIndex"), "1");
    EXPECT_EQ(loaded.Fields.at("SaveFilterIndex"), "3");
    EXPECT_EQ(loaded.Fields.at("OpenFixed"), "1");
    EXPECT_EQ(loaded.Fields.at("BufSize"), "1024");

    std::string afterFirst;
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE("save " + std::to_string(round));
        const TProbeResult saved = RunProbe({"save", "/opt/q/prog", "OpenDirectory=/data/",
                                             "TempDir=/scratch/", "OpenFixed=0", "BufSize=2048"});
        ASSERT_EQ(saved.ExitCode, 0);
        ASSERT_EQ(saved.Fields.count("error"), 0u) << saved.Fields.at("error");
        const std::string text = ReadStore();
        for (const std::string& line : junk)
            EXPECT_EQ(CountOf(text, line + "\n"), 1u) << "kept once: " << line;
        for (const char* name : {"OpenDirectory", "OpenFilterIndex", "SaveFilterIndex", "OpenFixed",
                                 "TempDir", "BufSize"})
            EXPECT_EQ(CountOf(text, std::string("\"") + name + "\"="), 1u) << name;
        EXPECT_NE(text.find("\"BufSize\"=\"2048\"\n"), std::string::npos) << "text stays text";
        EXPECT_EQ(CountOf(text, "2f,74"), 0u) << "the cut-short TempDir was replaced";
        if (round == 1) {
            afterFirst = text;
        } else {
            EXPECT_EQ(text, afterFirst);
        }
    }
    const TProbeResult reloaded = RunProbe({"load", "/opt/q/prog"});
    EXPECT_EQ(reloaded.Fields.at("OpenDirectory"), "/data/");
    EXPECT_EQ(reloaded.Fields.at("TempDir"), "/scratch/");
    EXPECT_EQ(reloaded.Fields.at("OpenFixed"), "0");
    EXPECT_EQ(reloaded.Fields.at("BufSize"), "2048");
}

TEST_F(RegistryTest, AChangeIsAppliedToTheFileAsAnotherProcessLeftIt) {
    WriteStore(JoinLines(
        {"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\mine\\Misc]", "\"Seen\"=\"before\""}));
    TRegistry registry; // reads the file now
    ASSERT_TRUE(registry.OpenKey("\\Software\\mine\\Misc", false));

    const TProbeResult other = RunProbe({"save", "/opt/q/other", "BufSize=77"});
    ASSERT_EQ(other.Fields.count("error"), 0u);
    registry.WriteString("Mine", "1");

    const TProbeResult otherAfter = RunProbe({"load", "/opt/q/other"});
    EXPECT_EQ(otherAfter.Fields.at("BufSize"), "77") << ReadStore();
    TRegistry reader;
    ASSERT_TRUE(reader.OpenKey("\\Software\\mine\\Misc", false));
    EXPECT_EQ(reader.ReadString("Seen"), "before");
    EXPECT_EQ(reader.ReadString("Mine"), "1");
}

TEST_F(RegistryTest, ProcessesSavingAtOnceLoseNoneOfEachOthersValues) {
    WriteStore(
        JoinLines({"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\Foreign]", "\"Keep\"=\"me\""}));
    constexpr int Writers = 4;
    constexpr int Rounds = 10;
    std::vector<std::unique_ptr<TProbe>> probes;
    {
        // Held while the writers start, so that they all go for the file at the same moment.
        const int lock = open((StorePath() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(lock, 0);
        ASSERT_EQ(flock(lock, LOCK_EX), 0);
        for (int i = 0; i < Writers; ++i)
            probes.push_back(std::make_unique<TProbe>(std::vector<std::string>{
                "save-many", "/opt/q/writer" + std::to_string(i), std::to_string(Rounds)}));
        ASSERT_EQ(close(lock), 0);
    }
    for (const auto& probe : probes) {
        const TProbeResult result = probe->Finish();
        EXPECT_EQ(result.ExitCode, 0);
        EXPECT_EQ(result.Fields.count("error"), 0u);
    }
    const std::string text = ReadStore();
    EXPECT_EQ(CountOf(text, "[HKEY_CURRENT_USER\\Software\\Foreign]\n\"Keep\"=\"me\"\n"), 1u);
    for (int i = 0; i < Writers; ++i) {
        SCOPED_TRACE("writer " + std::to_string(i));
        EXPECT_EQ(
            CountOf(text, "[HKEY_CURRENT_USER\\Software\\writer" + std::to_string(i) + "\\Misc]\n"),
            1u);
        const TProbeResult loaded = RunProbe({"load", "/opt/q/writer" + std::to_string(i)});
        EXPECT_EQ(loaded.Fields.at("BufSize"), std::to_string(Rounds - 1));
    }
    EXPECT_EQ(CountOf(text, "\"BufSize\"="), static_cast<std::size_t>(Writers));
}

TEST_F(RegistryTest, FailuresOfTheFileSystemRaiseAndLoseNothing) {
    const std::string stored =
        JoinLines({"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\prog\\Misc]",
                   "\"BufSize\"=dword:00000400"});
    struct TCase {
        const char* Name;
        std::function<void()> Arrange;
        std::string Expected;      // the message
        std::string ExpectedCause; // part of the cause
        std::string LoadedBufSize;
    };
    const std::string blocker = FDir / "blocker";
    testsupport::writeFile(blocker, std::vector<std::uint8_t>{'k', 'e', 'e', 'p'});
    const std::vector<TCase> cases = {
        {"the configuration folder lies under a regular file",
         [&] { SetConfigHome(blocker + "/config"); }, "Failed to create key Misc",
         "Not a directory", "512"},
        {"the lock file is a folder",
         [&] {
             WriteStore(stored);
             ASSERT_EQ(mkdir((StorePath() + ".lock").c_str(), 0700), 0);
         },
         "Failed to set data for 'OpenDirectory'", "Is a directory", "1024"},
        {"the hive file is a folder",
         [&] {
             WriteStore(stored);
             ASSERT_EQ(unlink(StorePath().c_str()), 0);
             ASSERT_EQ(mkdir(StorePath().c_str(), 0700), 0);
         },
         "Failed to create key Misc", "Is a directory", "512"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TCase& c = cases[i];
        SCOPED_TRACE(c.Name);
        SetConfigHome(FDir / ("case" + std::to_string(i)));
        ASSERT_NO_FATAL_FAILURE(c.Arrange());
        struct stat before {};
        const bool hadStore = stat(StorePath().c_str(), &before) == 0;

        TSetting setting("/opt/q/prog");
        ASSERT_NO_THROW(setting.Load()) << "loading falls back to the stored or default values";
        EXPECT_EQ(std::to_string(setting.BufSize), c.LoadedBufSize);
        try {
            setting.Save();
            ADD_FAILURE() << "no error raised";
        } catch (const TRegistryError& error) {
            EXPECT_EQ(error.Message().toStdString(), c.Expected);
            EXPECT_NE(error.Cause().toStdString().find(c.ExpectedCause), std::string::npos)
                << error.Cause().toStdString();
        }
        if (hadStore) {
            struct stat after {};
            ASSERT_EQ(stat(StorePath().c_str(), &after), 0) << "the hive is still there";
            EXPECT_EQ(S_ISDIR(after.st_mode), S_ISDIR(before.st_mode));
            if (S_ISREG(after.st_mode)) {
                EXPECT_EQ(ReadStore(), stored);
            }
            const std::string folder = StorePath().substr(0, StorePath().rfind('/'));
            for (const std::string& name : FolderEntries(folder))
                EXPECT_EQ(name.rfind(".HKCU.reg.", 0), std::string::npos)
                    << "left behind: " << name;
        }
    }
    EXPECT_EQ(testsupport::readFile(blocker), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
}

TEST_F(RegistryTest, AFullDiskRaisesAndLeavesTheFileAsItWas) {
    SKIP_IF_MISSING(testsupport::missingRoot());
    testsupport::TmpfsMount disk(FDir / "disk", 64 * 1024);
    SetConfigHome(disk.path());
    TSetting setting("/opt/q/prog");
    setting.Load();
    setting.Save();
    const std::string before = ReadStore();
    ASSERT_NE(before.find("\"BufSize\"=dword:00000200"), std::string::npos);

    const std::string filler = disk.path() + "/filler";
    const int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const std::vector<char> block(4096, 'f');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    EXPECT_EQ(errno, ENOSPC);
    ASSERT_EQ(close(fd), 0);

    setting.OpenDirectory = QString(6000, u'd');
    try {
        setting.Save();
        ADD_FAILURE() << "no error raised";
    } catch (const TRegistryError& error) {
        EXPECT_EQ(error.Message(), "Failed to set data for 'OpenDirectory'");
        EXPECT_NE(error.Cause().indexOf("No space left on device"), -1)
            << error.Cause().toStdString();
    }
    EXPECT_EQ(ReadStore(), before);
    for (const std::string& name : FolderEntries(disk.path() + "/Quorvane"))
        EXPECT_EQ(name.rfind(".HKCU.reg.", 0), std::string::npos) << "left behind: " << name;
    ASSERT_EQ(unlink(filler.c_str()), 0);
}
