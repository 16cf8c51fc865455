#include "TestSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

#ifndef FAULTFS_PATH
#error "FAULTFS_PATH must name the faultfs program"
#endif

namespace testsupport {
namespace {

using Clock = std::chrono::steady_clock;

// How long a mount or an unmount may take before the fixture gives up on it.
constexpr auto kSettleDeadline = std::chrono::seconds(30);
constexpr auto kPollInterval = std::chrono::milliseconds(5);

[[noreturn]] void throwErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

std::string describeStatus(int status) {
    if (WIFEXITED(status))
        return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return std::string("signal ") + strsignal(WTERMSIG(status));
    return "wait status " + std::to_string(status);
}

// An owned file descriptor. close() reports a failure by throwing; a descriptor still open at
// destruction (after an exception) is closed and a failure reported to the running test.
class Fd {
public:
    Fd(int fd, std::string what) : fd_(fd), what_(std::move(what)) {}
    ~Fd() {
        if (fd_ >= 0 && ::close(fd_) != 0)
            ADD_FAILURE() << "closing " << what_ << ": " << std::strerror(errno);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void close() {
        const int fd = std::exchange(fd_, -1);
        if (::close(fd) != 0)
            throwErrno("closing " + what_);
    }

private:
    int fd_;
    std::string what_;
};

// Both ends of a new close-on-exec pipe.
std::pair<Fd, Fd> makePipe(const std::string& what) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        throwErrno("creating " + what);
    return {std::piecewise_construct, std::forward_as_tuple(ends[0], what),
            std::forward_as_tuple(ends[1], what)};
}

// Reads up to `size` bytes, retrying after signals and short reads; returns the count read.
std::size_t readFully(int fd, void* buffer, std::size_t size, const std::string& what) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, static_cast<char*>(buffer) + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throwErrno("reading " + what);
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void makeDirIfMissing(const std::string& dir) {
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
        throwErrno("creating " + dir);
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

// Waits for `pid` without blocking; true when it ended, with its status in `status`.
bool reaped(pid_t pid, int& status) {
    for (;;) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return true;
        if (r == 0)
            return false;
        if (errno != EINTR)
            throwErrno("waiting for process " + std::to_string(pid));
    }
}

int waitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) != pid) {
        if (errno != EINTR)
            throwErrno("waiting for process " + std::to_string(pid));
    }
    return status;
}

// Waits until `pid` ends, killing it when it outlives the deadline; returns its status.
int reapWithDeadline(pid_t pid, const std::string& what) {
    const auto deadline = Clock::now() + kSettleDeadline;
    int status = 0;
    while (!reaped(pid, status)) {
        if (Clock::now() >= deadline) {
            ADD_FAILURE() << what << " did not end in time; killing it";
            if (kill(pid, SIGKILL) != 0)
                throwErrno("killing " + what);
            return waitFor(pid);
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return status;
}

// Starts `args` as a child process. An exec failure is reported through a close-on-exec pipe,
// so a missing program throws here instead of surfacing later as an exit status. With
// `endWithParent` the child gets SIGTERM when this process dies, so it cannot outlive a crash.
pid_t spawn(const std::vector<std::string>& args, bool endWithParent) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    auto [execErrorIn, execErrorOut] = makePipe("the exec pipe");
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        throwErrno("fork");
    if (pid == 0) {
        int err = 0;
        if (endWithParent && prctl(PR_SET_PDEATHSIG, SIGTERM) != 0)
            err = errno;
        else if (endWithParent && getppid() != parent)
            err = ESRCH;
        if (err == 0) {
            execvp(argv[0], argv.data());
            err = errno;
        }
        if (write(execErrorOut.get(), &err, sizeof err) != static_cast<ssize_t>(sizeof err))
            _exit(126);
        _exit(127);
    }
    execErrorOut.close();
    int err = 0;
    const std::size_t got = readFully(execErrorIn.get(), &err, sizeof err, "the exec pipe");
    execErrorIn.close();
    if (got != 0) {
        waitFor(pid);
        throw std::system_error(err, std::generic_category(), "starting " + args[0]);
    }
    return pid;
}

// Mount points of this process's namespace that lie strictly below `dir`, deepest first.
std::vector<std::string> mountsBelow(const std::string& dir) {
    std::ifstream table("/proc/self/mounts");
    if (!table)
        throw std::runtime_error("cannot read /proc/self/mounts");
    std::vector<std::string> found;
    std::string line;
    const std::string prefix = dir + "/";
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string source, escaped;
        fields >> source >> escaped;
        // The table writes space, tab, newline and backslash as \ooo.
        std::string mountPoint;
        for (std::size_t i = 0; i < escaped.size(); ++i) {
            if (escaped[i] == '\\' && i + 3 < escaped.size()) {
                mountPoint += static_cast<char>(std::stoi(escaped.substr(i + 1, 3), nullptr, 8));
                i += 3;
            } else {
                mountPoint += escaped[i];
            }
        }
        if (mountPoint.starts_with(prefix))
            found.push_back(mountPoint);
    }
    std::sort(found.begin(), found.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    return found;
}

std::uint64_t splitMix64(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

} // namespace

std::string missingRoot() {
    if (geteuid() != 0)
        return "not running as root (mounting a tmpfs needs it)";
    return {};
}

std::string missingFuse() {
    const int fd = open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return std::string("cannot open /dev/fuse: ") + std::strerror(errno);
    if (close(fd) != 0)
        return std::string("cannot close /dev/fuse: ") + std::strerror(errno);
    if (!onPath("fusermount3"))
        return "fusermount3 is not installed (package fuse3)";
    return {};
}

TempDir::TempDir() {
    std::string pattern = "/tmp/brevik-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throwErrno("creating a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    try {
        for (const std::string& mountPoint : mountsBelow(path_)) {
            ADD_FAILURE() << mountPoint << " was still mounted when its folder was removed";
            if (umount2(mountPoint.c_str(), MNT_DETACH) != 0)
                throwErrno("detaching " + mountPoint);
        }
        std::error_code error;
        std::filesystem::remove_all(path_, error);
        if (error)
            ADD_FAILURE() << "removing " << path_ << ": " << error.message();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "cleaning up " << path_ << ": " << e.what();
    }
}

std::string TempDir::operator/(std::string_view name) const {
    return path_ + "/" + std::string(name);
}

std::string TempDir::makeDir(std::string_view name) const {
    std::string dir = *this / name;
    if (mkdir(dir.c_str(), 0755) != 0)
        throwErrno("creating " + dir);
    return dir;
}

TmpfsMount::TmpfsMount(std::string dir, std::uint64_t sizeBytes, Access access)
    : dir_(std::move(dir)) {
    makeDirIfMissing(dir_);
    unsigned long flags = MS_NOSUID | MS_NODEV | MS_NOEXEC;
    if (access == Access::ReadOnly)
        flags |= MS_RDONLY;
    const std::string options = "size=" + std::to_string(sizeBytes) + ",mode=0755";
    if (mount("tmpfs", dir_.c_str(), "tmpfs", flags, options.c_str()) != 0)
        throwErrno("mounting a tmpfs on " + dir_);
}

TmpfsMount::~TmpfsMount() {
    if (umount2(dir_.c_str(), 0) == 0)
        return;
    ADD_FAILURE() << "unmounting " << dir_ << ": " << std::strerror(errno);
    if (umount2(dir_.c_str(), MNT_DETACH) != 0)
        ADD_FAILURE() << "detaching " << dir_ << ": " << std::strerror(errno);
}

FaultFsMount::FaultFsMount(std::string dir, FaultFsOptions options)
    : dir_(std::move(dir)), filePath_(dir_ + "/" + options.name) {
    makeDirIfMissing(dir_);
    struct stat before;
    if (stat(dir_.c_str(), &before) != 0)
        throwErrno("stat " + dir_);

    std::vector<std::string> args = {FAULTFS_PATH, "--backing", options.backing, "--name",
                                     options.name};
    if (!options.bad.empty()) {
        std::string ranges;
        for (const ByteRange& range : options.bad) {
            if (!ranges.empty())
                ranges += ',';
            ranges += std::to_string(range.start) + "-" + std::to_string(range.end);
        }
        args.insert(args.end(), {"--bad", ranges});
    }
    if (options.failFrom)
        args.insert(args.end(), {"--fail-from", std::to_string(*options.failFrom)});
    if (!options.logPath.empty())
        args.insert(args.end(), {"--log", options.logPath});
    args.insert(args.end(), {"-f", "-s", "-o", "auto_unmount", dir_});
    child_ = spawn(args, true);

    // The mount is up when the served file appears on a file system other than the folder's.
    const auto deadline = Clock::now() + kSettleDeadline;
    for (;;) {
        int status = 0;
        if (reaped(child_, status)) {
            child_ = -1;
            throw std::runtime_error("faultfs ended before mounting " + dir_ + " (" +
                                     describeStatus(status) + ")");
        }
        struct stat served;
        if (stat(filePath_.c_str(), &served) == 0 && served.st_dev != before.st_dev)
            return;
        if (Clock::now() >= deadline) {
            unmount();
            throw std::runtime_error("faultfs did not mount " + dir_ + " in time");
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

FaultFsMount::~FaultFsMount() {
    try {
        unmount();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "unmounting faultfs from " << dir_ << ": " << e.what();
    }
}

void FaultFsMount::unmount() {
    if (child_ < 0)
        return;
    const int status = waitFor(spawn({"fusermount3", "-u", dir_}, false));
    if (status != 0) {
        ADD_FAILURE() << "fusermount3 -u " << dir_ << " failed (" << describeStatus(status)
                      << "); stopping faultfs";
        if (kill(child_, SIGTERM) != 0)
            throwErrno("stopping faultfs");
    }
    const pid_t child = child_;
    child_ = -1;
    const int faultfsStatus = reapWithDeadline(child, "faultfs");
    if (status == 0 && faultfsStatus != 0)
        ADD_FAILURE() << "faultfs ended with " << describeStatus(faultfsStatus);
}

std::vector<ReadRequest> readFaultFsLog(const std::string& path) {
    std::ifstream log(path);
    if (!log)
        throw std::runtime_error("cannot open the faultfs log " + path);
    std::vector<ReadRequest> requests;
    std::string line;
    while (std::getline(log, line)) {
        std::istringstream fields(line);
        ReadRequest request{};
        if (!(fields >> request.offset >> request.size) || !(fields >> std::ws).eof())
            throw std::runtime_error("bad line in the faultfs log: " + line);
        requests.push_back(request);
    }
    return requests;
}

WriterHold::WriterHold(const std::string& path) {
    auto [readyIn, readyOut] = makePipe("the ready pipe");
    auto [releaseIn, releaseOut] = makePipe("the release pipe");
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        throwErrno("fork");
    if (pid == 0) {
        // Only async-signal-safe calls from here on.
        // The parent's end of the release pipe must not stay open here, or it never reads EOF.
        int err = 0;
        if (close(releaseOut.get()) != 0)
            err = errno;
        else if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
            err = errno;
        else if (getppid() != parent)
            err = ESRCH;
        else if (open(path.c_str(), O_WRONLY) < 0)
            err = errno;
        if (write(readyOut.get(), &err, sizeof err) != static_cast<ssize_t>(sizeof err) || err != 0)
            _exit(1);
        // Hold the file until the parent closes its end of the release pipe.
        char byte;
        ssize_t n;
        while ((n = read(releaseIn.get(), &byte, 1)) != 0) {
            if (n < 0 && errno != EINTR)
                _exit(2);
        }
        _exit(0);
    }
    child_ = pid;
    readyOut.close();
    releaseIn.close();
    int err = 0;
    const std::size_t got = readFully(readyIn.get(), &err, sizeof err, "the ready pipe");
    readyIn.close();
    if (got != sizeof err || err != 0) {
        releaseOut.close();
        waitFor(child_);
        if (got != sizeof err)
            throw std::runtime_error("the process holding " + path + " ended early");
        throw std::system_error(err, std::generic_category(),
                                "opening " + path + " for writing in another process");
    }
    releaseFd_ = releaseOut.release();
}

WriterHold::~WriterHold() {
    if (close(releaseFd_) != 0)
        ADD_FAILURE() << "closing the release pipe: " << std::strerror(errno);
    try {
        const int status = reapWithDeadline(child_, "the process holding the file");
        if (status != 0)
            ADD_FAILURE() << "the process holding the file ended with " << describeStatus(status);
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
}

std::vector<std::uint8_t> patternBytes(std::size_t size, std::uint64_t seed) {
    std::vector<std::uint8_t> bytes(size);
    const std::uint64_t base = splitMix64(seed);
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (i % 8 == 0)
            word = splitMix64(base + i / 8);
        bytes[i] = static_cast<std::uint8_t>(word >> (8 * (i % 8)));
    }
    return bytes;
}

void writeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    const int raw = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (raw < 0)
        throwErrno("creating " + path);
    Fd fd(raw, path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throwErrno("writing " + path);
        done += static_cast<std::size_t>(n);
    }
    fd.close();
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    const int raw = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (raw < 0)
        throwErrno("opening " + path);
    Fd fd(raw, path);
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> block(1 << 20);
    std::size_t n;
    while ((n = readFully(fd.get(), block.data(), block.size(), path)) != 0)
        bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
    fd.close();
    return bytes;
}

std::u16string toUtf16(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || i + length > utf8.size())
            throw std::invalid_argument("not UTF-8: " + std::string(utf8));
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                throw std::invalid_argument("not UTF-8: " + std::string(utf8));
            code = (code << 6) | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
            throw std::invalid_argument("not UTF-8: " + std::string(utf8));
        if (code >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
        i += length;
    }
    return out;
}

std::string toUtf8(std::u16string_view utf16) {
    std::string out;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t code = utf16[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD; // a lone surrogate
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

} // namespace testsupport
