#include "SettingsTestSupport.h"

#include <QByteArray>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace settingstest {

namespace {

[[noreturn]] void ThrowErrno(const std::string& AWhat) {
    throw std::system_error(errno, std::generic_category(), AWhat);
}

} // namespace

void TSettingsStoreTest::SetUp() {
    if (const char* old = std::getenv("XDG_CONFIG_HOME"))
        FSavedConfigHome = old;
    SetConfigHome(ConfigHome());
}

void TSettingsStoreTest::TearDown() {
    if (FSavedConfigHome)
        SetConfigHome(*FSavedConfigHome);
    else if (unsetenv("XDG_CONFIG_HOME") != 0)
        ADD_FAILURE() << "cannot unset XDG_CONFIG_HOME";
}

void TSettingsStoreTest::SetConfigHome(const std::string& APath) {
    if (setenv("XDG_CONFIG_HOME", APath.c_str(), 1) != 0)
        ThrowErrno("setting XDG_CONFIG_HOME");
}

std::string TSettingsStoreTest::StorePath() {
    return std::getenv("XDG_CONFIG_HOME") + std::string("/Quorvane/HKCU.reg");
}

void TSettingsStoreTest::WriteStore(const std::string& AText) {
    const std::string configHome = std::getenv("XDG_CONFIG_HOME");
    for (const std::string& dir : {configHome, configHome + "/Quorvane"})
        if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
            ThrowErrno("creating " + dir);
    testsupport::writeFile(StorePath(),
                           {reinterpret_cast<const std::uint8_t*>(AText.data()), AText.size()});
}

std::string TSettingsStoreTest::ReadStore() {
    return ReadText(StorePath());
}

std::string ReadText(const std::string& APath) {
    const std::vector<std::uint8_t> bytes = testsupport::readFile(APath);
    return {bytes.begin(), bytes.end()};
}

TProbe::TProbe(const std::vector<std::string>& AArgs) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        ThrowErrno("creating a pipe");
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        ThrowErrno("preparing the probe");
    if (const int error = posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        error != 0) {
        errno = error;
        ThrowErrno("preparing the probe's output");
    }
    std::vector<std::string> args = {SETTINGS_PROBE_PATH};
    args.insert(args.end(), AArgs.begin(), AArgs.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int error =
        posix_spawn(&FPid, SETTINGS_PROBE_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    FOutput = pipeFds[0];
    if (error != 0) {
        close(FOutput);
        errno = error;
        ThrowErrno("starting the probe");
    }
}

TProbe::~TProbe() {
    if (FPid > 0) {
        ADD_FAILURE() << "probe " << FPid << " was not waited for";
        try {
            Finish();
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what();
        }
    }
}

TProbeResult TProbe::Finish() {
    std::string out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(FOutput, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    close(FOutput);
    int status = 0;
    while (waitpid(FPid, &status, 0) < 0)
        if (errno != EINTR)
            ThrowErrno("waiting for the probe");
    FPid = -1;
    TProbeResult result;
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        if (end == std::string::npos)
            end = out.size();
        const std::string line = out.substr(start, end - start);
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            result.Fields[line.substr(0, equals)] =
                QByteArray::fromPercentEncoding(QByteArray::fromStdString(line.substr(equals + 1)))
                    .toStdString();
        start = end + 1;
    }
    return result;
}

TProbeResult RunProbe(const std::vector<std::string>& AArgs) {
    return TProbe(AArgs).Finish();
}

std::size_t CountOf(const std::string& AText, const std::string& ANeedle) {
    std::size_t count = 0;
    for (std::size_t at = AText.find(ANeedle); at != std::string::npos;
         at = AText.find(ANeedle, at + ANeedle.size()))
        ++count;
    return count;
}

} // namespace settingstest
