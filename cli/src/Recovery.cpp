#include "Recovery.h"

#include "Brevik.h"
#include "Output.h"
#include "Session.h"
#include "Utf.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace vorn {
namespace {

// The engine refuses paths of this many UTF-16 units or more.
constexpr std::size_t kEnginePathLimit = 260;

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

std::string Reason(int error) {
    return std::string(": ") + std::strerror(error);
}

int Fail(int errFd, const std::string& message) {
    // The process ends right after this; a refused write has nowhere else to go.
    static_cast<void>(WriteAll(errFd, "vorn-recover: " + message + "\n"));
    return kExitFailure;
}

// Why `target` cannot be opened for writing, found without creating or changing anything:
// ": Permission denied" and the like, or an empty text when no reason shows.
std::string ExplainCreateFailure(const std::string& target) {
    struct stat st {};
    if (lstat(target.c_str(), &st) == 0) {
        // The engine opens an existing destination for writing before it truncates it.
        const int fd = open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return Reason(errno);
        if (close(fd) != 0)
            return Reason(errno);
        return {};
    }
    if (errno != ENOENT)
        return Reason(errno);
    std::filesystem::path folder = std::filesystem::path(target).parent_path();
    if (folder.empty())
        folder = ".";
    if (stat(folder.c_str(), &st) != 0)
        return Reason(errno);
    if (!S_ISDIR(st.st_mode))
        return Reason(ENOTDIR);
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return Reason(errno);
    return {};
}

} // namespace

int RunRecovery(const Arguments& args, int outFd, int errFd, bool drawProgress) {
    const std::optional<std::u16string> source = Utf8ToUtf16(args.source);
    if (!source)
        return Fail(errFd, "the source path " + Quoted(args.source) + " is not valid UTF-8");
    const std::optional<std::u16string> target = Utf8ToUtf16(args.target);
    if (!target)
        return Fail(errFd, "the target path " + Quoted(args.target) + " is not valid UTF-8");

    struct stat sourceStat {};
    const bool sourceFound = stat(args.source.c_str(), &sourceStat) == 0;
    struct stat targetStat {};
    if (sourceFound && stat(args.target.c_str(), &targetStat) == 0 &&
        targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino)
        return Fail(errFd, "the target " + Quoted(args.target) +
                               " is the source file itself; choose another target");
    if (!args.force && lstat(args.target.c_str(), &targetStat) == 0)
        return Fail(errFd, "the target " + Quoted(args.target) +
                               " already exists; use --force to overwrite it");

    // The engine takes the source's length from the file system, as here.
    const std::uint64_t sourceSize = sourceFound && S_ISREG(sourceStat.st_mode)
                                         ? static_cast<std::uint64_t>(sourceStat.st_size)
                                         : 0;
    Session session(outFd, errFd, drawProgress, sourceSize);
    ProcessParams params{};
    params.pszSource = source->c_str();
    params.pszDest = target->c_str();
    params.pfnCallback = &Session::Callback;
    params.nUserData = reinterpret_cast<uintptr_t>(&session);
    BrevikMaskParams(&params);
    const int result = ProcessDBFFileEx(&params);

    session.PrintWrittenSize();
    if (session.ErrorReported())
        return kExitFailure;
    if (result == 0) {
        // The engine says nothing when it cannot create the destination.
        const std::string why = target->size() >= kEnginePathLimit
                                    ? ": the path is too long (260 UTF-16 units or more)"
                                    : ExplainCreateFailure(args.target);
        session.PrintError("vorn-recover: cannot create the output file " + Quoted(args.target) +
                           why);
        return kExitFailure;
    }
    if (session.OutputFailed())
        return Fail(errFd, "not every message of the engine could be printed");
    return kExitSuccess;
}

} // namespace vorn
