// Runs the built vorn-recover on real files in a temporary folder.
#ifndef VORN_RECOVER_TESTS_PROGRAM_RUNNER_H
#define VORN_RECOVER_TESTS_PROGRAM_RUNNER_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vorn::test {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct RunResult {
    int exitCode = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs vorn-recover with `args`, stdin from /dev/null and stdout and stderr captured through
// files in `scratch` (so neither is a terminal).
RunResult RunProgram(const std::vector<std::string>& args, const std::filesystem::path& scratch);

// Runs vorn-recover with `args` on a new pseudo-terminal and returns everything it printed
// there (stdout and stderr share the terminal). `exitCode` as above.
RunResult RunProgramOnTerminal(const std::vector<std::string>& args);

// The bytes of a datafile-like source: not all equal, bytes 28 to 31 not the header magic.
std::string SourceBytes(std::uint64_t size);

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

// How often `needle` occurs in `text`.
std::size_t CountOf(const std::string& text, const std::string& needle);

} // namespace vorn::test

#endif
