// Fixtures of the settings tests: a scratch XDG_CONFIG_HOME holding the hive file, and runs of
// the probe program, a second process that loads or saves settings.
#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace settingstest {

// Points XDG_CONFIG_HOME at a fresh folder for the test's life (restoring it afterwards), so
// no test touches the user's own settings.
class TSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // XDG_CONFIG_HOME at the start of the test.
    std::string ConfigHome() const { return FDir / "config"; }
    // The hive file under the current XDG_CONFIG_HOME: $XDG_CONFIG_HOME/Quorvane/HKCU.reg.
    static std::string StorePath();
    // Creates the hive file (and its folder) holding exactly `AText`.
    static void WriteStore(const std::string& AText);
    // The bytes of the hive file.
    static std::string ReadStore();
    // Points XDG_CONFIG_HOME elsewhere for the rest of the test.
    static void SetConfigHome(const std::string& APath);

    testsupport::TempDir FDir;

private:
    std::optional<std::string> FSavedConfigHome;
};

// What a run of the probe printed: its NAME=VALUE lines, decoded.
struct TProbeResult {
    int ExitCode = -1; // -1 when the probe did not exit normally
    std::map<std::string, std::string> Fields;
};

// A run of the probe, started by the constructor with `AArgs` and the test's environment.
class TProbe {
public:
    explicit TProbe(const std::vector<std::string>& AArgs);
    ~TProbe();
    TProbe(const TProbe&) = delete;
    TProbe& operator=(const TProbe&) = delete;

    // Waits for the probe to end and returns what it printed.
    TProbeResult Finish();

private:
    pid_t FPid = -1;
    int FOutput = -1;
};

TProbeResult RunProbe(const std::vector<std::string>& AArgs);

// The bytes of the file `APath`.
std::string ReadText(const std::string& APath);

// How often `ANeedle` occurs in `AText`.
std::size_t CountOf(const std::string& AText, const std::string& ANeedle);

} // namespace settingstest
