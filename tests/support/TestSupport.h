// Fixtures for tests that run against the real kernel: scratch folders, tmpfs and faultfs
// mounts, files with known contents and processes that hold a file open.
//
// Constructors throw std::system_error or std::runtime_error when they cannot set up what they
// promise; GoogleTest reports that as a failure of the test. Destructors cannot throw, so they
// report a failed clean-up with ADD_FAILURE().
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// Why a capability is missing, or an empty string when it is there.
std::string missingRoot();
std::string missingFuse();

// Skips the current test, printing "SKIPPED: <reason>", when `reason` is not empty.
#define SKIP_IF_MISSING(reason)                                                                    \
    do {                                                                                           \
        if (const std::string skipReason_ = (reason); !skipReason_.empty())                        \
            GTEST_SKIP() << "SKIPPED: " << skipReason_;                                            \
    } while (false)

// A fresh folder under /tmp, removed with everything in it at destruction. Mounts below it must
// be gone by then (declare the TempDir before the mounts); one that is still there is detached
// and reported instead of being emptied.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // The path of `name` inside the folder.
    std::string operator/(std::string_view name) const;
    // Creates the folder `name` inside this one and returns its path.
    std::string makeDir(std::string_view name) const;

private:
    std::string path_;
};

// A tmpfs of `sizeBytes` mounted on `dir` (created when missing) until destruction. Needs root.
class TmpfsMount {
public:
    enum class Access { ReadWrite, ReadOnly };

    TmpfsMount(std::string dir, std::uint64_t sizeBytes, Access access = Access::ReadWrite);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    const std::string& path() const { return dir_; }

private:
    std::string dir_;
};

// A half-open span of file offsets [start, end).
struct ByteRange {
    std::uint64_t start;
    std::uint64_t end;
};

struct FaultFsOptions {
    std::string backing;                   // the file whose bytes are served
    std::string name;                      // the served file's name in the mount's root
    std::vector<ByteRange> bad;            // reads overlapping one of these fail with EIO
    std::optional<std::uint64_t> failFrom; // reads reaching this offset or beyond fail with EIO
    std::string logPath;                   // when set, faultfs logs each read request here
};

// The faultfs file system mounted on `dir` (created when missing), served by a child process
// until destruction. Needs /dev/fuse and fusermount3 (see missingFuse()).
class FaultFsMount {
public:
    FaultFsMount(std::string dir, FaultFsOptions options);
    ~FaultFsMount();
    FaultFsMount(const FaultFsMount&) = delete;
    FaultFsMount& operator=(const FaultFsMount&) = delete;

    // The served file's path.
    const std::string& filePath() const { return filePath_; }

private:
    void unmount();

    std::string dir_;
    std::string filePath_;
    pid_t child_ = -1;
};

// One read request as faultfs logged it.
struct ReadRequest {
    std::uint64_t offset;
    std::uint64_t size;
};
std::vector<ReadRequest> readFaultFsLog(const std::string& path);

// Another process that holds `path` open for writing until destruction.
class WriterHold {
public:
    explicit WriterHold(const std::string& path);
    ~WriterHold();
    WriterHold(const WriterHold&) = delete;
    WriterHold& operator=(const WriterHold&) = delete;

private:
    pid_t child_ = -1;
    int releaseFd_ = -1;
};

// `size` bytes of a pattern that depends on `seed` and on each byte's offset, so that no two
// sectors of a file are alike and a byte out of place shows.
std::vector<std::uint8_t> patternBytes(std::size_t size, std::uint64_t seed);
// Creates or replaces `path` with `bytes`.
void writeFile(const std::string& path, std::span<const std::uint8_t> bytes);
// All bytes of `path`.
std::vector<std::uint8_t> readFile(const std::string& path);

std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

} // namespace testsupport
