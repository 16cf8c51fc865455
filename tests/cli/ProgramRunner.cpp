#include "ProgramRunner.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <pty.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace vorn::test {
namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::vector<std::string> CommandLine(const std::vector<std::string>& args) {
    std::vector<std::string> line{VORN_RECOVER_PATH};
    line.insert(line.end(), args.begin(), args.end());
    return line;
}

std::vector<char*> Argv(std::vector<std::string>& line) {
    std::vector<char*> argv;
    for (std::string& arg : line)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return argv;
}

int WaitForExit(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            Fail("waitpid");
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vorn-recover-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        Fail("mkdtemp " + pattern);
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

RunResult RunProgram(const std::vector<std::string>& args, const std::filesystem::path& scratch) {
    const std::string outPath = scratch / "stdout.txt";
    const std::string errPath = scratch / "stderr.txt";
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        throw std::runtime_error("posix_spawn_file_actions_init failed");
    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    const bool prepared =
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), flags, 0644) == 0 &&
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), flags, 0644) == 0;
    std::vector<std::string> line = CommandLine(args);
    std::vector<char*> argv = Argv(line);
    pid_t pid = 0;
    const int spawned =
        prepared ? posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) : -1;
    if (posix_spawn_file_actions_destroy(&actions) != 0 || spawned != 0)
        throw std::runtime_error("cannot start " + line[0]);
    RunResult result;
    result.exitCode = WaitForExit(pid);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
}

RunResult RunProgramOnTerminal(const std::vector<std::string>& args) {
    std::vector<std::string> line = CommandLine(args);
    std::vector<char*> argv = Argv(line);
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0)
        Fail("forkpty");
    if (pid == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    RunResult result;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) {
            result.out.append(buffer, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // Linux answers EIO once the program has closed its side of the terminal.
            if (n < 0 && errno != EIO)
                Fail("read from the pseudo-terminal");
            break;
        }
    }
    if (close(master) != 0)
        Fail("close the pseudo-terminal");
    result.exitCode = WaitForExit(pid);
    return result;
}

std::string SourceBytes(std::uint64_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 0x12345678;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    // Bytes 28 to 31 must differ from the magic 7D 7C 7B 7A so that the repair shows.
    for (std::size_t i = 28; i < 32 && i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i);
    return bytes;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::size_t CountOf(const std::string& text, const std::string& needle) {
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}

} // namespace vorn::test
