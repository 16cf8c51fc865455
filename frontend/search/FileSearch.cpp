#include "search/FileSearch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

// The bits of the DOS attribute word that the search knows.
constexpr std::uint32_t DosAttributeBits = fmReadOnly | fmHidden | fmSystem | fmArchive;

// What the walk asks of statx for a file it may report.
constexpr unsigned FileStatMask =
    STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME;

// ---- Name masks -------------------------------------------------------------

using TCodePoints = std::vector<char32_t>;

// The case-folded code points of the name `AName` into `AOut`; false when
// the name is not valid UTF-8, the encoding of the program's file names.
bool FoldName(std::string_view AName, TCodePoints& AOut) {
    AOut.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(AName.data());
    const auto* end = p + AName.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            AOut.push_back(b >= 'A' && b <= 'Z' ? char32_t(b + ('a' - 'A')) : char32_t(b));
            ++p;
            continue;
        }
        int length = 0;
        char32_t cp = 0;
        char32_t least = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2, cp = b & 0x1F, least = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, cp = b & 0x0F, least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, cp = b & 0x07, least = 0x10000;
        }
        if (length == 0 || end - p < length)
            return false;
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        AOut.push_back(QChar::toCaseFolded(cp));
        p += length;
    }
    return true;
}

// Whether `AName` matches `AMask` as a whole; both are case-folded. "?"
// matches one code point, "*" any run of them. On a mismatch after a "*"
// the star takes one more code point and matching resumes from there.
bool MatchMask(const TCodePoints& AMask, const TCodePoints& AName) {
    std::size_t m = 0;
    std::size_t n = 0;
    std::size_t starMask = TCodePoints::size_type(-1);
    std::size_t starName = 0;
    while (n < AName.size()) {
        if (m < AMask.size() && AMask[m] == U'*') {
            starMask = m++;
            starName = n;
        } else if (m < AMask.size() && (AMask[m] == U'?' || AMask[m] == AName[n])) {
            ++m;
            ++n;
        } else if (starMask != TCodePoints::size_type(-1)) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < AMask.size() && AMask[m] == U'*')
        ++m;
    return m == AMask.size();
}

// The masks of a "FileMasks" text, each case-folded.
class TMaskList {
public:
    explicit TMaskList(const QString& AMasks) {
        for (const QString& part : AMasks.split(u';')) {
            const QString mask = part.trimmed();
            if (mask.isEmpty())
                continue;
            TCodePoints folded;
            for (const char32_t cp : mask.toUcs4())
                folded.push_back(QChar::toCaseFolded(cp));
            FMasks.push_back(std::move(folded));
        }
    }

    // Whether `AName` is valid UTF-8 and matches one of the masks.
    bool Matches(std::string_view AName) {
        if (!FoldName(AName, FName))
            return false;
        if (FMasks.empty())
            return true;
        for (const TCodePoints& mask : FMasks)
            if (MatchMask(mask, FName))
                return true;
        return false;
    }

    // Whether `AName` is valid UTF-8.
    bool Representable(std::string_view AName) { return FoldName(AName, FName); }

private:
    std::vector<TCodePoints> FMasks;
    TCodePoints FName; // scratch space, reused for every name
};

// ---- File attributes --------------------------------------------------------

std::uint32_t ReadLe16(const unsigned char* AData) {
    return AData[0] | std::uint32_t(AData[1]) << 8;
}

std::uint32_t ReadLe32(const unsigned char* AData) {
    return AData[0] | std::uint32_t(AData[1]) << 8 | std::uint32_t(AData[2]) << 16 |
           std::uint32_t(AData[3]) << 24;
}

// The DOS attribute word of a user.DOSATTRIB value as the Windows file
// servers of Linux write it, or nothing when the value holds none. Two
// forms exist:
// - text: "0x" and hexadecimal digits (the older form; newer servers also
//   write their blob with such a text in front, and that text is read);
// - an NDR blob: a NUL-terminated text (usually empty), padding to 2
//   bytes, the version as a 16-bit little-endian number and the same
//   number again as the union's switch, padding to 4 bytes, then
//     version 0xFFFF and 1: the attribute word;
//     version 2: a flags word, then the attribute word;
//     versions 3, 4 and 5: the valid-fields word, then the attribute word,
//     which counts only when bit 0x1 of the valid-fields word is set.
std::optional<std::uint32_t> ParseDosAttrib(const unsigned char* AData, std::size_t ASize) {
    if (ASize >= 2 && AData[0] == '0' && (AData[1] == 'x' || AData[1] == 'X')) {
        std::uint32_t value = 0;
        std::size_t i = 2;
        for (; i < ASize && i < 10; ++i) {
            const unsigned char c = AData[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0)
                break;
            value = value << 4 | std::uint32_t(digit);
        }
        if (i == 2)
            return std::nullopt;
        return value;
    }
    const void* nul = std::memchr(AData, 0, ASize);
    if (nul == nullptr)
        return std::nullopt;
    std::size_t at = static_cast<const unsigned char*>(nul) - AData + 1;
    at = (at + 1) & ~std::size_t(1);
    if (at + 4 > ASize)
        return std::nullopt;
    const std::uint32_t version = ReadLe16(AData + at);
    if (ReadLe16(AData + at + 2) != version)
        return std::nullopt;
    at = (at + 4 + 3) & ~std::size_t(3);
    switch (version) {
    case 0xFFFF:
    case 1:
        if (at + 4 > ASize)
            return std::nullopt;
        return ReadLe32(AData + at);
    case 2:
    case 3:
    case 4:
    case 5:
        if (at + 8 > ASize)
            return std::nullopt;
        if (version != 2 && (ReadLe32(AData + at) & 0x1) == 0)
            return std::nullopt;
        return ReadLe32(AData + at + 4);
    default:
        return std::nullopt;
    }
}

// The attributes of the regular file `AName` at `APath`, in the way the
// Windows file servers of Linux show them:
// - where the file has a user.DOSATTRIB extended attribute that holds an
//   attribute word, its bits 0x01 (read-only), 0x02 (hidden), 0x04 (system)
//   and 0x20 (archive) decide all four;
// - otherwise read-only means that no write permission bit is set, hidden
//   that the name begins with ".", system is never set, and archive is set,
//   as the file is a regular file.
// `AFollow` reads the attribute of the file a symbolic link leads to.
TFileSearchAttrs FileAttributes(const std::string& APath, std::string_view AName,
                                std::uint16_t AMode, bool AFollow) {
    unsigned char value[512];
    const ssize_t size = AFollow
                             ? ::getxattr(APath.c_str(), "user.DOSATTRIB", value, sizeof value)
                             : ::lgetxattr(APath.c_str(), "user.DOSATTRIB", value, sizeof value);
    // A failed read (no such attribute, none supported, a value too large
    // to be one) leaves the attribute out.
    if (size > 0) {
        if (const auto word = ParseDosAttrib(value, std::size_t(size)))
            return TFileSearchAttrs::fromInt(*word & DosAttributeBits);
    }
    TFileSearchAttrs attributes = fmArchive;
    if ((AMode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        attributes |= fmReadOnly;
    if (AName.starts_with('.'))
        attributes |= fmHidden;
    return attributes;
}

// ---- Times ------------------------------------------------------------------

// A lower bound on a file time, to the nanosecond.
struct TTimeBound {
    bool Active = false;
    std::int64_t Sec = 0;
    std::uint32_t Nsec = 0;

    TTimeBound(bool AChecked, const QDateTime& AAfter) {
        if (!AChecked || !AAfter.isValid())
            return;
        const qint64 ms = AAfter.toMSecsSinceEpoch();
        Active = true;
        Sec = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
        Nsec = std::uint32_t(ms - Sec * 1000) * 1'000'000;
    }

    bool Admits(const statx_timestamp& ATime) const {
        return !Active || ATime.tv_sec > Sec || (ATime.tv_sec == Sec && ATime.tv_nsec >= Nsec);
    }
};

QDateTime LocalTime(const statx_timestamp& ATime) {
    return QDateTime::fromMSecsSinceEpoch(ATime.tv_sec * 1000 + ATime.tv_nsec / 1'000'000,
                                          Qt::LocalTime);
}

// The creation time of a file: its birth time where the file system keeps
// one, else the time of its last status change.
const statx_timestamp& CreationTimeOf(const struct statx& AStat) {
    return (AStat.stx_mask & STATX_BTIME) != 0 ? AStat.stx_btime : AStat.stx_ctime;
}

// ---- Descriptors ------------------------------------------------------------

// A descriptor of a folder opened for reading, closed at destruction.
class TFolderFd {
public:
    explicit TFolderFd(int AFd) : FFd(AFd) {}
    ~TFolderFd() {
        if (FFd >= 0)
            ::close(FFd); // opened for reading: nothing is lost when the close fails
    }
    TFolderFd(const TFolderFd&) = delete;
    TFolderFd& operator=(const TFolderFd&) = delete;

    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }

private:
    int FFd;
};

// A folder stream, closed at destruction.
class TFolderStream {
public:
    explicit TFolderStream(DIR* ADir) : FDir(ADir) {}
    ~TFolderStream() {
        if (FDir != nullptr)
            ::closedir(FDir); // opened for reading: nothing is lost when the close fails
    }
    TFolderStream(const TFolderStream&) = delete;
    TFolderStream& operator=(const TFolderStream&) = delete;

    DIR* Get() const { return FDir; }

private:
    DIR* FDir;
};

struct TFolderId {
    dev_t Dev;
    ino_t Ino;
    bool operator==(const TFolderId&) const = default;
};

struct TFolderIdHash {
    std::size_t operator()(const TFolderId& AId) const {
        return std::hash<ino_t>()(AId.Ino) ^ (std::hash<dev_t>()(AId.Dev) << 1);
    }
};

dev_t DeviceOf(const struct statx& AStat) {
    return makedev(AStat.stx_dev_major, AStat.stx_dev_minor);
}

// Sets a flag for the life of the object.
class TFlagScope {
public:
    explicit TFlagScope(bool& AFlag) : FFlag(AFlag) { FFlag = true; }
    ~TFlagScope() { FFlag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
};

// Watches the application's events for the life of the object.
class TAppFilterScope {
public:
    explicit TAppFilterScope(QObject* AFilter) : FFilter(AFilter) {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->installEventFilter(FFilter);
    }
    ~TAppFilterScope() {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->removeEventFilter(FFilter);
    }
    TAppFilterScope(const TAppFilterScope&) = delete;
    TAppFilterScope& operator=(const TAppFilterScope&) = delete;

private:
    QObject* FFilter;
};

} // namespace

// One search: the criteria as they were at its start and the folders seen.
class TFileSearch::TWalk {
public:
    explicit TWalk(TFileSearch& AOwner)
        : FOwner(AOwner), FMasks(AOwner.FileMasks), FRecurse(AOwner.RecurseSubDirs),
          FMinSize(AOwner.MinSize), FMaxSize(AOwner.MaxSize),
          FAttributes(AOwner.Attributes.testFlag(fmAnyfile)
                          ? TFileSearchAttrs()
                          : AOwner.Attributes & TFileSearchAttrs::fromInt(DosAttributeBits)),
          FCreated(AOwner.CheckDates.testFlag(scdCreateAfter), AOwner.CreatedAfter),
          FAccessed(AOwner.CheckDates.testFlag(scdAccessedAfter), AOwner.AccessedAfter),
          FModified(AOwner.CheckDates.testFlag(scdModifiedAfter), AOwner.ModifiedAfter) {}

    void Run(const QString& ADirs) {
        for (const QString& entry : ADirs.split(u';')) {
            const QString dir = entry.trimmed();
            if (dir.isEmpty())
                continue;
            if (Stopped())
                return;
            SearchRoot(dir);
        }
    }

private:
    bool Stopped() const { return FOwner.FCancelRequested || FOwner.FApplicationEnding; }

    void SearchRoot(const QString& ADir) {
        std::string path = QFile::encodeName(ADir).toStdString();
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        // The folder named in the list is opened even when it is a symbolic link.
        const TFolderFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!fd.Valid())
            return;
        struct statx st;
        if (::statx(fd.Get(), "", AT_EMPTY_PATH, STATX_INO, &st) != 0)
            return;
        FRootDev = DeviceOf(st);
        SearchFolder(fd.Get(), st, path);
    }

    // Searches the open folder `AFd` at `APath`, which stat `AStat`
    // describes; `APath` is restored before the return.
    void SearchFolder(int AFd, const struct statx& AStat, std::string& APath) {
        if (!FVisited.insert({DeviceOf(AStat), AStat.stx_ino}).second)
            return;
        emit FOwner.OnDirChange(&FOwner, QFile::decodeName(QByteArray::fromStdString(APath)));
        QCoreApplication::processEvents();

        std::vector<std::string> subFolders;
        ListFolder(AFd, APath, subFolders);
        const std::size_t length = APath.size();
        for (const std::string& name : subFolders) {
            if (Stopped())
                return;
            AppendName(APath, name);
            EnterSubFolder(AFd, name, APath);
            APath.resize(length);
        }
    }

    // Tests and reports the files of folder `AFd` at `APath` and collects
    // its subfolders, when they are searched, into `ASubFolders`.
    void ListFolder(int AFd, const std::string& APath, std::vector<std::string>& ASubFolders) {
        // The stream gets a descriptor of its own: `AFd` stays open for the subfolders.
        const int streamFd = ::fcntl(AFd, F_DUPFD_CLOEXEC, 0);
        if (streamFd < 0)
            return;
        const TFolderStream dir(::fdopendir(streamFd));
        if (dir.Get() == nullptr) {
            ::close(streamFd); // opened for reading: nothing is lost when the close fails
            return;
        }
        for (;;) {
            if (Stopped())
                return;
            // Null at the end and on a read error: either ends the listing.
            const dirent* entry = ::readdir(dir.Get());
            if (entry == nullptr)
                return;
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                if (!FRecurse && !FMasks.Matches(name))
                    continue;
                struct statx st;
                if (::statx(AFd, entry->d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE,
                            &st) != 0 ||
                    (st.stx_mask & STATX_TYPE) == 0)
                    continue;
                type = IFTODT(st.stx_mode);
            }
            if (type == DT_DIR) {
                if (FRecurse && FMasks.Representable(name))
                    ASubFolders.emplace_back(name);
            } else if ((type == DT_REG || type == DT_LNK) && FMasks.Matches(name)) {
                TestFile(AFd, APath, name, type == DT_LNK);
            }
        }
    }

    // Enters subfolder `AName` of folder `AParentFd`, now at `APath`,
    // unless it has become something else than a folder or is the root of
    // another mount.
    void EnterSubFolder(int AParentFd, const std::string& AName, std::string& APath) {
        struct statx st;
        if (::statx(AParentFd, AName.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE,
                    &st) != 0 ||
            (st.stx_mask & STATX_TYPE) == 0 || !S_ISDIR(st.stx_mode) || DeviceOf(st) != FRootDev)
            return;
        // A bind mount of the same file system keeps the device number.
        if ((st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
            (st.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0)
            return;
        const TFolderFd fd(
            ::openat(AParentFd, AName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd.Valid())
            return;
        // What was opened counts, should the entry have changed since.
        if (::statx(fd.Get(), "", AT_EMPTY_PATH, STATX_INO, &st) != 0 || DeviceOf(st) != FRootDev)
            return;
        SearchFolder(fd.Get(), st, APath);
    }

    // Reports file `AName` of folder `AFd` at `APath` when it is a regular
    // file (or, with `ALink`, a symbolic link to one) that meets the criteria.
    void TestFile(int AFd, const std::string& APath, std::string_view AName, bool ALink) {
        const std::string name(AName);
        struct statx st;
        if (::statx(AFd, name.c_str(), (ALink ? 0 : AT_SYMLINK_NOFOLLOW) | AT_NO_AUTOMOUNT,
                    FileStatMask, &st) != 0 ||
            (st.stx_mask & STATX_TYPE) == 0 || !S_ISREG(st.stx_mode))
            return;
        if (st.stx_size < FMinSize || (FMaxSize != 0 && st.stx_size > FMaxSize))
            return;
        if (!FCreated.Admits(CreationTimeOf(st)) || !FAccessed.Admits(st.stx_atime) ||
            !FModified.Admits(st.stx_mtime))
            return;
        std::string path = APath;
        AppendName(path, name);
        const TFileSearchAttrs attributes = FileAttributes(path, name, st.stx_mode, ALink);
        if ((attributes & FAttributes) != FAttributes)
            return;

        TSearchFileRecord record;
        record.Dir = QFile::decodeName(QByteArray::fromStdString(APath));
        record.Name = QFile::decodeName(QByteArray::fromStdString(name));
        record.Attributes = attributes;
        record.Size = st.stx_size;
        record.CreationTime = LocalTime(CreationTimeOf(st));
        record.LastAccessTime = LocalTime(st.stx_atime);
        record.LastWriteTime = LocalTime(st.stx_mtime);
        emit FOwner.OnFound(&FOwner, record);
    }

    static void AppendName(std::string& APath, std::string_view AName) {
        if (APath.empty() || APath.back() != '/')
            APath += '/';
        APath += AName;
    }

    TFileSearch& FOwner;
    TMaskList FMasks;
    const bool FRecurse;
    const std::uint64_t FMinSize;
    const std::uint64_t FMaxSize;
    const TFileSearchAttrs FAttributes; // those a file must carry
    const TTimeBound FCreated;
    const TTimeBound FAccessed;
    const TTimeBound FModified;
    dev_t FRootDev = 0; // the file system of the folder of `Dirs` being searched
    std::unordered_set<TFolderId, TFolderIdHash> FVisited;
};

TFileSearch::TFileSearch(QObject* AParent) : QObject(AParent) {}

void TFileSearch::StartSearch() {
    if (FSearching)
        return;
    const TFlagScope searching(FSearching);
    FCancelRequested = false;
    FApplicationEnding = false;
    {
        const TAppFilterScope watchQuit(this);
        TWalk(*this).Run(Dirs);
    }
    if (FCancelRequested || FApplicationEnding)
        emit OnCancel(this);
    else
        emit OnFinished(this);
    emit OnEnd(this);
}

void TFileSearch::CancelSearch() {
    if (FSearching)
        FCancelRequested = true;
}

// The end of the application is a Quit event that the application accepts:
// a window may refuse to close and so keep the application running. The
// event is delivered here to learn the answer and then goes no further.
bool TFileSearch::eventFilter(QObject* AWatched, QEvent* AEvent) {
    if (AEvent->type() != QEvent::Quit || AWatched != QCoreApplication::instance() ||
        FDeliveringQuit)
        return false;
    {
        const TFlagScope delivering(FDeliveringQuit);
        QCoreApplication::sendEvent(AWatched, AEvent);
    }
    if (AEvent->isAccepted())
        FApplicationEnding = true;
    return true;
}
