// The settings objects: defaults, read and save rules, the key named after the program file,
// errors of loading, and the tracking code.
#include "SettingsTestSupport.h"

#include "settings/Registry.h"
#include "settings/Setting.h"
#include "util/VornUtils.h"

#include <string>
#include <vector>

using namespace settingstest;

namespace {

class SettingTest : public TSettingsStoreTest {
protected:
    // A hive holding the key of program /opt/q/prog with `AMiscLines` in its section Misc.
    static void WriteMisc(const std::vector<std::string>& AMiscLines) {
        std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\prog\\Misc]\n";
        for (const std::string& line : AMiscLines)
            text += line + "\n";
        WriteStore(text);
    }
};

const char* const Program = "/opt/q/prog";

} // namespace

TEST_F(SettingTest, WithoutAStoreLoadGivesTheDefaultsAndSaveWritesAllSixValues) {
    TSetting setting("/opt/quorvane/VornFullVersion");
    setting.Load();
    EXPECT_EQ(setting.OpenDirectory, "/opt/quorvane/");
    EXPECT_EQ(setting.OpenFilterIndex, 1);
    EXPECT_EQ(setting.SaveFilterIndex, 1);
    EXPECT_TRUE(setting.OpenFixed);
    EXPECT_EQ(setting.TempDir, GetTempDirectory());
    EXPECT_TRUE(setting.TempDir.endsWith(u'/'));
    EXPECT_EQ(setting.BufSize, 512);

    setting.Save();
    const std::string temp = GetTempDirectory().toStdString();
    EXPECT_EQ(ReadStore(), "REGEDIT4\n"
                           "\n"
                           "[HKEY_CURRENT_USER\\Software\\VornFullVersion]\n"
                           "\n"
                           "[HKEY_CURRENT_USER\\Software\\VornFullVersion\\Misc]\n"
                           "\"OpenDirectory\"=\"/opt/quorvane/\"\n"
                           "\"OpenFilterIndex\"=dword:00000001\n"
                           "\"SaveFilterIndex\"=dword:00000001\n"
                           "\"OpenFixed\"=\"1\"\n"
                           "\"TempDir\"=\"" +
                               temp +
                               "\"\n"
                               "\"BufSize\"=dword:00000200\n");
}

TEST_F(SettingTest, SavedValuesAreWhatASecondProcessLoads) {
    const std::vector<std::vector<std::string>> cases = {
        {"OpenDirectory=/data/dir with \"quotes\" and \\backslashes\\/", "OpenFilterIndex=2",
         "SaveFilterIndex=3", "OpenFixed=0", "TempDir=/tmp/\xC3\xBC\xE6\x97\xA5/", "BufSize=65536"},
        {"OpenDirectory=/new\nline/", "OpenFilterIndex=-1", "SaveFilterIndex=2147483647",
         "OpenFixed=1", "TempDir=", "BufSize=0"},
    };
    for (const std::vector<std::string>& fields : cases) {
        SCOPED_TRACE(fields.front());
        TSetting setting(Program);
        for (const std::string& field : fields) {
            const std::size_t equals = field.find('=');
            const std::string name = field.substr(0, equals);
            const QString value = QString::fromStdString(field.substr(equals + 1));
            if (name == "OpenDirectory")
                setting.OpenDirectory = value;
            else if (name == "OpenFilterIndex")
                setting.OpenFilterIndex = value.toInt();
            else if (name == "SaveFilterIndex")
                setting.SaveFilterIndex = value.toInt();
            else if (name == "OpenFixed")
                setting.OpenFixed = value == "1";
            else if (name == "TempDir")
                setting.TempDir = value;
            else if (name == "BufSize")
                setting.BufSize = value.toInt();
        }
        setting.Save();
        const TProbeResult loaded = RunProbe({"load", Program});
        EXPECT_EQ(loaded.Fields.count("error"), 0u);
        for (const std::string& field : fields) {
            const std::size_t equals = field.find('=');
            EXPECT_EQ(loaded.Fields.at(field.substr(0, equals)), field.substr(equals + 1));
        }
    }
}

TEST_F(SettingTest, IntegerAndBooleanValuesFollowTheReadRules) {
    struct TCase {
        std::string Line;
        bool OpenFixed;
        qint32 BufSize;
    };
    const std::vector<TCase> cases = {
        {"\"OpenFixed\"=\"0\"", false, 512},
        {"\"OpenFixed\"=dword:00000000", false, 512},
        {"\"OpenFixed\"=\"not a number\"", true, 512},
        {"\"OpenFixed\"=\"\"", true, 512},
        {"\"OpenFixed\"=\"7\"", true, 512},
        {"\"OpenFixed\"=hex(2):30,00", false, 512},
        {"\"BufSize\"=\"2048\"", true, 2048},
        {"\"BufSize\"=\"-3\"", true, -3},
        {"\"BufSize\"=\"+12\"", true, 12},
        {"\"BufSize\"=dword:00000000", true, 0},
        {"\"BufSize\"=dword:000186a0", true, 100000},
        {"\"BufSize\"=\"12abc\"", true, 512},
        {"\"BufSize\"=\" 12\"", true, 512},
        {"\"BufSize\"=\"0x10\"", true, 512},
        {"\"BufSize\"=\"2147483648\"", true, 512},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Line);
        WriteMisc({c.Line});
        TSetting setting(Program);
        setting.Load();
        EXPECT_EQ(setting.OpenFixed, c.OpenFixed);
        EXPECT_EQ(setting.BufSize, c.BufSize);
    }
}

TEST_F(SettingTest, StringValuesAreReturnedAsStored) {
    const struct {
        std::string Line;
        QString TempDir;
    } cases[] = {
        {"\"TempDir\"=hex(2):25,54,4d,50,25,2f,00", "%TMP%/"},
        {"\"TempDir\"=\"\"", ""},
        {"\"TempDir\"=\"relative\\\\no separator\"", "relative\\no separator"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line);
        WriteMisc({c.Line});
        TSetting setting(Program);
        setting.Load();
        EXPECT_EQ(setting.TempDir, c.TempDir);
    }
}

TEST_F(SettingTest, AnIntegerStoredAsTextIsSavedAsText) {
    WriteMisc({"\"BufSize\"=\"2048\"", "\"OpenFilterIndex\"=hex(2):32,00",
               "\"SaveFilterIndex\"=dword:00000002"});
    const TProbeResult saved = RunProbe({"save", Program, "BufSize=4096", "OpenFilterIndex=3"});
    ASSERT_EQ(saved.Fields.count("error"), 0u);
    const std::string text = ReadStore();
    EXPECT_NE(text.find("\"BufSize\"=\"4096\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"OpenFilterIndex\"=hex(2):33,00\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"SaveFilterIndex\"=dword:00000002\n"), std::string::npos) << text;

    TSetting setting(Program);
    setting.Load();
    EXPECT_EQ(setting.BufSize, 4096);
    EXPECT_EQ(setting.OpenFilterIndex, 3);
}

TEST_F(SettingTest, AValueOfTheWrongTypeStopsLoading) {
    const std::vector<std::string> valid = {
        "\"OpenDirectory\"=\"/stored/\"",     "\"OpenFilterIndex\"=dword:00000002",
        "\"SaveFilterIndex\"=dword:00000003", "\"OpenFixed\"=\"0\"",
        "\"TempDir\"=\"/stored-temp/\"",      "\"BufSize\"=dword:00000800",
    };
    struct TCase {
        std::size_t Field; // index in `valid` of the value stored with the wrong type
        std::string Line;
    };
    const std::vector<TCase> cases = {
        {0, "\"OpenDirectory\"=dword:00000005"},
        {1, "\"OpenFilterIndex\"=hex:01"},
        {2, "\"SaveFilterIndex\"=hex(b):01,00,00,00,00,00,00,00"},
        {3, "\"OpenFixed\"=hex:00"},
        {4, "\"TempDir\"=dword:00000001"},
        {5, "\"BufSize\"=hex(7):31,00,00"},
        {5, "\"BufSize\"=hex(4):01,02"},
    };
    const char* const names[] = {"OpenDirectory", "OpenFilterIndex", "SaveFilterIndex",
                                 "OpenFixed",     "TempDir",         "BufSize"};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Line);
        std::vector<std::string> lines = valid;
        lines[c.Field] = c.Line;
        WriteMisc(lines);

        TSetting setting(Program);
        setting.OpenDirectory = "before";
        setting.OpenFilterIndex = -7;
        setting.SaveFilterIndex = -8;
        setting.OpenFixed = true;
        setting.TempDir = "before";
        setting.BufSize = -9;
        try {
            setting.Load();
            ADD_FAILURE() << "no error raised";
        } catch (const TRegistryError& error) {
            EXPECT_EQ(error.Message(), QString("Invalid data type for '%1'").arg(names[c.Field]));
        }
        const bool read[] = {c.Field > 0, c.Field > 1, c.Field > 2,
                             c.Field > 3, c.Field > 4, c.Field > 5};
        EXPECT_EQ(setting.OpenDirectory, read[0] ? "/stored/" : "before");
        EXPECT_EQ(setting.OpenFilterIndex, read[1] ? 2 : -7);
        EXPECT_EQ(setting.SaveFilterIndex, read[2] ? 3 : -8);
        EXPECT_EQ(setting.OpenFixed, read[3] ? false : true);
        EXPECT_EQ(setting.TempDir, read[4] ? "/stored-temp/" : "before");
        EXPECT_EQ(setting.BufSize, -9) << "the last value is never reached";
    }
}

TEST_F(SettingTest, TheKeyIsNamedAfterTheProgramFile) {
    const struct {
        QString ProgramFile;
        QString Key;
    } cases[] = {
        {"/opt/q/tool.beta.exe", "\\Software\\tool.beta"},
        {"/opt/q/tool.beta", "\\Software\\tool"},
        {"/opt/v1.2/VornFullVersion", "\\Software\\VornFullVersion"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SettingsKeyPath(c.ProgramFile), c.Key) << c.ProgramFile.toStdString();

    TSetting beta("/opt/q/tool.beta.exe");
    beta.BufSize = 1000;
    beta.Save();
    EXPECT_NE(ReadStore().find("[HKEY_CURRENT_USER\\Software\\tool.beta\\Misc]\n"),
              std::string::npos);
    EXPECT_EQ(RunProbe({"load", "/elsewhere/tool.beta.exe"}).Fields.at("BufSize"), "1000");
    EXPECT_EQ(RunProbe({"load", "/opt/q/tool.gamma.exe"}).Fields.at("BufSize"), "512")
        << "a copy under another name starts fresh";
}

TEST_F(SettingTest, TheTrackingCodeIsReadAfreshAndKeptBySaving) {
    EXPECT_EQ(ReadTrackingCode(Program), "");
    WriteMisc({"\"TrackingCode\"=\"abc\""});
    EXPECT_EQ(ReadTrackingCode(Program), "abc");
    WriteMisc({"\"TrackingCode\"=\"def\""});
    EXPECT_EQ(ReadTrackingCode(Program), "def");
    EXPECT_EQ(RunProbe({"tracking", Program}).Fields.at("TrackingCode"), "def");

    TSetting setting(Program);
    setting.Load();
    setting.Save();
    EXPECT_EQ(ReadTrackingCode(Program), "def");
    EXPECT_EQ(CountOf(ReadStore(), "\"TrackingCode\"=\"def\"\n"), 1u);

    WriteMisc({"\"TrackingCode\"=dword:00000001"});
    try {
        ReadTrackingCode(Program);
        ADD_FAILURE() << "no error raised";
    } catch (const TRegistryError& error) {
        EXPECT_EQ(error.Message(), "Invalid data type for 'TrackingCode'");
    }
}
