// The file search against real folders: masks, folder lists, overlapping
// folders, sizes, times, attributes, symbolic links, unreadable folders,
// other mounts, cancellation and the events of a search.
#include "search/FileSearch.h"

#include "TestSupport.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

using testsupport::TempDir;
using testsupport::TmpfsMount;
using TStrings = std::vector<std::string>;

[[noreturn]] void ThrowErrno(const std::string& AWhat) {
    throw std::system_error(errno, std::generic_category(), AWhat);
}

// Creates or replaces `APath` as a file of `ASize` bytes with mode `AMode`.
void MakeFile(const std::string& APath, off_t ASize = 0, mode_t AMode = 0644) {
    const int fd = ::open(APath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, AMode);
    if (fd < 0)
        ThrowErrno("creating " + APath);
    if (::ftruncate(fd, ASize) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        ThrowErrno("sizing " + APath);
    }
    if (::close(fd) != 0)
        ThrowErrno("closing " + APath);
    if (::chmod(APath.c_str(), AMode) != 0)
        ThrowErrno("setting the mode of " + APath);
}

void MakeDir(const std::string& APath) {
    if (::mkdir(APath.c_str(), 0755) != 0)
        ThrowErrno("creating " + APath);
}

void MakeLink(const std::string& ATarget, const std::string& APath) {
    if (::symlink(ATarget.c_str(), APath.c_str()) != 0)
        ThrowErrno("linking " + APath);
}

void SetTimes(const std::string& APath, const timespec& AAccess, const timespec& AModify) {
    const timespec times[2] = {AAccess, AModify};
    if (::utimensat(AT_FDCWD, APath.c_str(), times, 0) != 0)
        ThrowErrno("setting the times of " + APath);
}

struct statx StatOf(const std::string& APath) {
    struct statx st;
    if (::statx(AT_FDCWD, APath.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
        ThrowErrno("statx of " + APath);
    return st;
}

// The creation time of a file as the search defines it.
statx_timestamp CreationOf(const std::string& APath) {
    const struct statx st = StatOf(APath);
    return (st.stx_mask & STATX_BTIME) != 0 ? st.stx_btime : st.stx_ctime;
}

std::int64_t Nanoseconds(const statx_timestamp& ATime) {
    return ATime.tv_sec * 1'000'000'000LL + ATime.tv_nsec;
}

timespec FromMs(qint64 AMs) {
    return {AMs / 1000, (AMs % 1000) * 1'000'000};
}

QDateTime LocalFromMs(qint64 AMs) {
    return QDateTime::fromMSecsSinceEpoch(AMs, Qt::LocalTime);
}

QString Q(const std::string& AText) {
    return QString::fromStdString(AText);
}

// Every event of one search, in order: "dir PATH", "found PATH",
// "finished", "cancel" and "end", and whatever the test adds.
class TSearchLog {
public:
    explicit TSearchLog(TFileSearch& ASearch) : FSearch(ASearch) {
        QObject::connect(&ASearch, &TFileSearch::OnDirChange,
                         [this](TFileSearch* ASender, const QString& AFileName) {
                             Check(ASender);
                             Add("dir " + AFileName.toStdString());
                             if (OnDir)
                                 OnDir(AFileName.toStdString());
                         });
        QObject::connect(&ASearch, &TFileSearch::OnFound,
                         [this](TFileSearch* ASender, const TSearchFileRecord& AFileData) {
                             Check(ASender);
                             const std::string path =
                                 (AFileData.Dir + (AFileData.Dir.endsWith(u'/') ? "" : "/") +
                                  AFileData.Name)
                                     .toStdString();
                             Add("found " + path);
                             Records.push_back(AFileData);
                             if (OnFound)
                                 OnFound(path);
                         });
        QObject::connect(&ASearch, &TFileSearch::OnFinished, [this](TFileSearch* ASender) {
            Check(ASender);
            Add("finished");
        });
        QObject::connect(&ASearch, &TFileSearch::OnCancel, [this](TFileSearch* ASender) {
            Check(ASender);
            Add("cancel");
        });
        QObject::connect(&ASearch, &TFileSearch::OnEnd, [this](TFileSearch* ASender) {
            Check(ASender);
            Add("end");
        });
    }

    void Add(const std::string& AEvent) { Events.push_back(AEvent); }

    // The events that start with `APrefix`, without it.
    TStrings Only(const std::string& APrefix) const {
        TStrings result;
        for (const std::string& event : Events)
            if (event.starts_with(APrefix))
                result.push_back(event.substr(APrefix.size()));
        return result;
    }
    TStrings Found() const { return Only("found "); }
    TStrings SortedFound() const {
        TStrings found = Found();
        std::sort(found.begin(), found.end());
        return found;
    }
    TStrings Dirs() const { return Only("dir "); }
    // The events after the last "found" and "dir": how the search ended.
    TStrings Ending() const {
        auto it = std::find_if(Events.rbegin(), Events.rend(), [](const std::string& AEvent) {
            return AEvent.starts_with("found ") || AEvent.starts_with("dir ");
        });
        return TStrings(it.base(), Events.end());
    }

    TStrings Events;
    std::vector<TSearchFileRecord> Records;
    std::function<void(const std::string&)> OnDir;
    std::function<void(const std::string&)> OnFound;

private:
    void Check(TFileSearch* ASender) const { EXPECT_EQ(ASender, &FSearch); }

    TFileSearch& FSearch;
};

// Searches `ADirs` for `AMasks` with subfolders and returns the log.
TStrings FoundIn(const std::string& ADirs, const QString& AMasks = "*.dbf", bool ARecurse = true) {
    TFileSearch search;
    TSearchLog log(search);
    search.Dirs = Q(ADirs);
    search.FileMasks = AMasks;
    search.RecurseSubDirs = ARecurse;
    search.StartSearch();
    EXPECT_EQ(log.Ending(), (TStrings{"finished", "end"}));
    return log.Found();
}

TStrings Sorted(TStrings AList) {
    std::sort(AList.begin(), AList.end());
    return AList;
}

TEST(FileSearchMasks, MatchWholeNamesWithWildcardsIgnoringCase) {
    const struct {
        QString masks;
        std::string name;
        bool found;
    } cases[] = {
        {"*.dbf", "users01.dbf", true},
        {"*.dbf", "USERS01.DBF", true},
        {"*.DBF", "users01.dbf", true},
        {"*.dbf", ".dbf", true},
        {"*.dbf", "users01.dbf.bak", false},
        {"*.dbf", "users01_dbf", false},
        {"?.dbf", "a.dbf", true},
        {"?.dbf", "ab.dbf", false},
        {"?.dbf", ".dbf", false},
        {"?.dbf", "\xc3\xa9.dbf", true}, // one character of two bytes
        {"users0?.dbf", "users01.dbf", true},
        {"users0?.dbf", "USERS09.DBF", true},
        {"users0?.dbf", "users10.dbf", false},
        {"users0?.dbf", "users0.dbf", false},
        {"users0?.dbf", "users012.dbf", false},
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "acb", false},
        {"*a*a", "aaa", true},
        {"*", "anything", true},
        {"\xc3\x84RGER.DBF", "\xc3\xa4rger.dbf", true}, // letter case beyond ASCII
        {"*.dbf;*.ora", "control.ora", true},
        {" *.ora ; ;*.dbf ", "users01.dbf", true},
        {"*.ora", "users01.dbf", false},
        {" ; ", "users01.dbf", true}, // no mask at all
    };
    for (const auto& c : cases) {
        const TempDir dir;
        MakeFile(dir / c.name);
        const TStrings expected = c.found ? TStrings{dir / c.name} : TStrings{};
        EXPECT_EQ(FoundIn(dir.path(), c.masks), expected)
            << "mask \"" << c.masks.toStdString() << "\", name \"" << c.name << "\"";
    }
}

TEST(FileSearchMasks, NamesThatAreNotUtf8ArePassedOver) {
    const TempDir dir;
    MakeFile(dir / "\xff.dbf");
    MakeFile(dir / "users\xc3.dbf"); // a sequence cut short
    MakeDir(dir / "\xfe");
    MakeFile(dir / "\xfe/users01.dbf");
    MakeFile(dir / "\xc3\xa9.dbf");
    for (const QString masks : {"*.dbf", ""})
        EXPECT_EQ(FoundIn(dir.path(), masks), (TStrings{dir / "\xc3\xa9.dbf"}))
            << "mask \"" << masks.toStdString() << "\"";
}

TEST(FileSearchMasks, FolderNamesThatMatchAreNotReported) {
    const TempDir dir;
    MakeDir(dir / "archive.dbf");
    MakeFile(dir / "archive.dbf/users01.dbf");
    EXPECT_EQ(FoundIn(dir.path()), (TStrings{dir / "archive.dbf/users01.dbf"}));
}

TEST(FileSearchDirs, SearchesEveryFolderOfTheListIgnoringBlanksAndEmptyEntries) {
    const TempDir dir;
    for (const char* name : {"a", "b", "c"}) {
        MakeDir(dir / name);
        MakeFile(dir / name + "/users01.dbf");
    }
    const std::string a = dir / "a";
    const std::string b = dir / "b";
    const struct {
        std::string dirs;
        TStrings found;
    } cases[] = {
        {a + ";" + b, {a + "/users01.dbf", b + "/users01.dbf"}},
        {"  " + b + " ; ;" + a + ";", {b + "/users01.dbf", a + "/users01.dbf"}},
        {";" + a + "/;;", {a + "/users01.dbf"}},
        {"", {}},
        {" ; ", {}},
        {dir / "missing" + ";" + b, {b + "/users01.dbf"}},
        {a + "/users01.dbf", {}}, // a file, not a folder
    };
    for (const auto& c : cases)
        EXPECT_EQ(FoundIn(c.dirs), c.found) << "Dirs \"" << c.dirs << "\"";
}

TEST(FileSearchDirs, OverlappingFoldersReportEachFileOnce) {
    const TempDir dir;
    const std::string a = dir / "a";
    const std::string b = a + "/b";
    MakeDir(a);
    MakeDir(b);
    MakeFile(a + "/one.dbf");
    MakeFile(b + "/two.dbf");
    const TStrings both = {a + "/one.dbf", b + "/two.dbf"};
    const struct {
        std::string dirs;
        bool recurse;
        TStrings found;
    } cases[] = {
        {a + ";" + b, true, both},
        {b + ";" + a, true, both},
        {a + ";" + a, true, both},
        {a + ";" + a + "/", true, both},
        {dir.path() + ";" + b + ";" + a, true, both},
        {a + ";" + b, false, both},
        {a + ";" + a, false, {a + "/one.dbf"}},
    };
    for (const auto& c : cases) {
        TFileSearch search;
        TSearchLog log(search);
        search.Dirs = Q(c.dirs);
        search.FileMasks = "*.dbf";
        search.RecurseSubDirs = c.recurse;
        search.StartSearch();
        EXPECT_EQ(log.SortedFound(), Sorted(c.found)) << "Dirs \"" << c.dirs << "\"";
        const TStrings dirs = Sorted(log.Dirs());
        EXPECT_EQ(std::adjacent_find(dirs.begin(), dirs.end()), dirs.end())
            << "a folder searched twice, Dirs \"" << c.dirs << "\"";
    }
}

TEST(FileSearchDirs, SubfoldersAreSearchedOnlyWhenAskedFor) {
    const TempDir dir;
    MakeFile(dir / "top.dbf");
    MakeDir(dir / "sub");
    MakeFile(dir / "sub/low.dbf");
    EXPECT_EQ(FoundIn(dir.path(), "*.dbf", false), (TStrings{dir / "top.dbf"}));
    EXPECT_EQ(Sorted(FoundIn(dir.path(), "*.dbf", true)),
              (TStrings{dir / "sub/low.dbf", dir / "top.dbf"}));
}

TEST(FileSearchDirs, FoldersAreReportedAsWalkedWithoutATrailingSeparator) {
    const TempDir dir;
    MakeDir(dir / "sub");
    MakeFile(dir / "sub/users01.dbf", 8192);
    TFileSearch search;
    TSearchLog log(search);
    search.Dirs = Q(dir.path() + "//");
    search.FileMasks = "*.dbf";
    search.StartSearch();
    EXPECT_EQ(log.Dirs(), (TStrings{dir.path(), dir / "sub"}));
    ASSERT_EQ(log.Records.size(), 1u);
    EXPECT_EQ(log.Records[0].Dir, Q(dir / "sub"));
    EXPECT_EQ(log.Records[0].Name, "users01.dbf");
    EXPECT_EQ(log.Records[0].Size, 8192u);
}

TEST(FileSearchSize, BoundsInBytesWithNoUpperBoundAtZero) {
    const TempDir dir;
    for (const off_t size : {0, 10239, 10240, 10241, 1 << 20})
        MakeFile(dir / (std::to_string(size) + ".dbf"), size);
    auto path = [&](const char* AName) { return dir / AName; };
    const struct {
        std::uint64_t min;
        std::uint64_t max;
        TStrings found;
    } cases[] = {
        {10240, 10240, {path("10240.dbf")}},
        {10240, 0, {path("10240.dbf"), path("10241.dbf"), path("1048576.dbf")}},
        {0, 10240, {path("0.dbf"), path("10239.dbf"), path("10240.dbf")}},
        {0,
         0,
         {path("0.dbf"), path("10239.dbf"), path("10240.dbf"), path("10241.dbf"),
          path("1048576.dbf")}},
        {10241, 10240, {}},
        {1, 1, {}},
    };
    for (const auto& c : cases) {
        TFileSearch search;
        TSearchLog log(search);
        search.Dirs = Q(dir.path());
        search.FileMasks = "*.dbf";
        search.MinSize = c.min;
        search.MaxSize = c.max;
        search.StartSearch();
        EXPECT_EQ(log.SortedFound(), Sorted(c.found)) << c.min << " to " << c.max;
    }
}

TEST(FileSearchTime, AccessAndWriteBoundsAdmitTimesAtOrAfterThem) {
    // The bound of a days value of 0: the moment the search starts.
    const QDateTime bound = QDateTime::currentDateTime();
    const qint64 ms = bound.toMSecsSinceEpoch();
    const timespec at = FromMs(ms);
    const timespec before = {at.tv_sec - (at.tv_nsec == 0 ? 1 : 0),
                             at.tv_nsec == 0 ? 999'999'999 : at.tv_nsec - 1};
    const timespec later = {at.tv_sec + 86400, at.tv_nsec};
    const timespec old = {at.tv_sec - 86400, at.tv_nsec};

    const TempDir dir;
    // Each file has the old time in the time not tested.
    const struct {
        const char* name;
        timespec time;
    } files[] = {{"before.dbf", before}, {"at.dbf", at}, {"later.dbf", later}};
    const struct {
        TSearchCheckDates check;
        bool access;
    } kinds[] = {{scdAccessedAfter, true}, {scdModifiedAfter, false}};
    for (const auto& kind : kinds) {
        for (const auto& f : files)
            MakeFile(dir / f.name);
        for (const auto& f : files)
            SetTimes(dir / f.name, kind.access ? f.time : old, kind.access ? old : f.time);
        const struct {
            TSearchCheckDates check;
            QDateTime after;
            TStrings found;
        } cases[] = {
            {kind.check, bound, {dir / "at.dbf", dir / "later.dbf"}},
            {kind.access ? scdModifiedAfter : scdAccessedAfter, bound, {}},
            {TSearchCheckDates(), bound, {dir / "at.dbf", dir / "before.dbf", dir / "later.dbf"}},
            {kind.check, QDateTime(), {dir / "at.dbf", dir / "before.dbf", dir / "later.dbf"}},
        };
        for (const auto& c : cases) {
            TFileSearch search;
            TSearchLog log(search);
            search.Dirs = Q(dir.path());
            search.FileMasks = "*.dbf";
            search.CheckDates = c.check;
            search.CreatedAfter = search.AccessedAfter = search.ModifiedAfter = c.after;
            search.StartSearch();
            EXPECT_EQ(log.SortedFound(), Sorted(c.found))
                << (kind.access ? "access" : "write") << " bound, CheckDates " << c.check.toInt();
        }
    }
}

TEST(FileSearchTime, CreationBoundAdmitsFilesCreatedAtOrAfterIt) {
    const TempDir dir;
    MakeFile(dir / "old.dbf");
    const std::int64_t oldNs = Nanoseconds(CreationOf(dir / "old.dbf"));
    // The first millisecond after the old file's creation.
    const qint64 boundMs = oldNs / 1'000'000 + 1;
    // The clock of file times advances in steps: create the new file until
    // its creation time has reached the bound.
    do
        MakeFile(dir / "new.dbf");
    while (Nanoseconds(CreationOf(dir / "new.dbf")) < boundMs * 1'000'000 &&
           ::unlink((dir / "new.dbf").c_str()) == 0);

    TFileSearch search;
    TSearchLog log(search);
    search.Dirs = Q(dir.path());
    search.FileMasks = "*.dbf";
    search.CheckDates = scdCreateAfter;
    search.CreatedAfter = LocalFromMs(boundMs);
    search.StartSearch();
    EXPECT_EQ(log.Found(), (TStrings{dir / "new.dbf"}));
}

TEST(FileSearchTime, RecordsCarryTheFileTimesInLocalTime) {
    const TempDir dir;
    MakeFile(dir / "users01.dbf", 100);
    const qint64 accessMs = 1'600'000'000'123;
    const qint64 writeMs = 1'500'000'000'456;
    SetTimes(dir / "users01.dbf", FromMs(accessMs), FromMs(writeMs));
    const std::int64_t createdNs = Nanoseconds(CreationOf(dir / "users01.dbf"));

    TFileSearch search;
    TSearchLog log(search);
    search.Dirs = Q(dir.path());
    search.StartSearch();
    ASSERT_EQ(log.Records.size(), 1u);
    const TSearchFileRecord& record = log.Records[0];
    EXPECT_EQ(record.LastAccessTime, LocalFromMs(accessMs));
    EXPECT_EQ(record.LastWriteTime, LocalFromMs(writeMs));
    EXPECT_EQ(record.CreationTime, LocalFromMs(createdNs / 1'000'000));
    EXPECT_EQ(record.LastWriteTime.timeSpec(), Qt::LocalTime);
    EXPECT_EQ(record.Size, 100u);
}

TEST(FileSearchLinks, LinksToFoldersAreNotFollowedAndLinksToFilesReportTheirFile) {
    const TempDir dir;
    MakeDir(dir / "a");
    MakeFile(dir / "a/users01.dbf", 4096);
    MakeLink("..", dir / "a/up");
    MakeLink(".", dir / "a/self.dbf");
    MakeLink(dir.path(), dir / "a/root");
    MakeLink("a", dir / "folder.dbf");
    MakeLink("a/users01.dbf", dir / "linked.dbf");
    MakeLink("missing.dbf", dir / "dangling.dbf");

    TFileSearch search;
    TSearchLog log(search);
    search.Dirs = Q(dir.path());
    search.FileMasks = "*.dbf";
    search.StartSearch();
    EXPECT_EQ(log.Ending(), (TStrings{"finished", "end"}));
    EXPECT_EQ(Sorted(log.Dirs()), (TStrings{dir.path(), dir / "a"}));
    EXPECT_EQ(log.SortedFound(), (TStrings{dir / "a/users01.dbf", dir / "linked.dbf"}));
    for (const TSearchFileRecord& record : log.Records)
        EXPECT_EQ(record.Size, 4096u) << record.Name.toStdString();
}

TEST(FileSearchLinks, AFolderOfTheListMayBeALink) {
    const TempDir dir;
    MakeDir(dir / "real");
    MakeFile(dir / "real/users01.dbf");
    MakeLink("real", dir / "link");
    EXPECT_EQ(FoundIn(dir / "link"), (TStrings{dir / "link/users01.dbf"}));
}

// Takes away the capabilities that let root read any folder, for the
// calling thread, until destruction.
class TWithoutDacOverride {
public:
    TWithoutDacOverride() {
        if (::syscall(SYS_capget, &FHeader, FSaved) != 0)
            ThrowErrno("capget");
        __user_cap_data_struct reduced[2] = {FSaved[0], FSaved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        if (::syscall(SYS_capset, &FHeader, reduced) != 0)
            ThrowErrno("capset");
    }
    ~TWithoutDacOverride() {
        if (::syscall(SYS_capset, &FHeader, FSaved) != 0)
            ADD_FAILURE() << "restoring the capabilities: " << std::strerror(errno);
    }
    TWithoutDacOverride(const TWithoutDacOverride&) = delete;
    TWithoutDacOverride& operator=(const TWithoutDacOverride&) = delete;

private:
    __user_cap_header_struct FHeader = {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct FSaved[2] = {};
};

// Gives a folder a mode until destruction, then 0755 again.
class TModeScope {
public:
    TModeScope(std::string APath, mode_t AMode) : FPath(std::move(APath)) {
        if (::chmod(FPath.c_str(), AMode) != 0)
            ThrowErrno("chmod " + FPath);
    }
    ~TModeScope() {
        if (::chmod(FPath.c_str(), 0755) != 0)
            ADD_FAILURE() << "chmod " << FPath << ": " << std::strerror(errno);
    }
    TModeScope(const TModeScope&) = delete;
    TModeScope& operator=(const TModeScope&) = delete;

private:
    std::string FPath;
};

TEST(FileSearchAccess, FoldersThatCannotBeReadArePassedOverSilently) {
    const TempDir dir;
    for (const char* name : {"locked", "listless", "open"}) {
        MakeDir(dir / name);
        MakeFile(dir / name + "/users01.dbf");
    }
    const TModeScope locked(dir / "locked", 0);
    const TModeScope listless(dir / "listless", 0311); // may be entered, not listed
    // Root reads every folder unless it gives up the capabilities for that.
    std::optional<TWithoutDacOverride> asOwner;
    if (::geteuid() == 0)
        asOwner.emplace();

    TFileSearch search;
    TSearchLog log(search);
    search.Dirs = Q(dir.path() + ";" + dir / "locked");
    search.FileMasks = "*.dbf";
    search.StartSearch();
    EXPECT_EQ(log.Found(), (TStrings{dir / "open/users01.dbf"}));
    EXPECT_EQ(Sorted(log.Dirs()), (TStrings{dir.path(), dir / "open"}));
    EXPECT_EQ(log.Ending(), (TStrings{"finished", "end"}));
}

// A bind mount of `ASource` on `ATarget` until destruction.
class TBindMount {
public:
    TBindMount(const std::string& ASource, std::string ATarget) : FTarget(std::move(ATarget)) {
        if (::mount(ASource.c_str(), FTarget.c_str(), nullptr, MS_BIND, nullptr) != 0)
            ThrowErrno("bind-mounting " + ASource + " on " + FTarget);
    }
    ~TBindMount() {
        if (::umount2(FTarget.c_str(), 0) != 0)
            ADD_FAILURE() << "unmounting " << FTarget << ": " << std::strerror(errno);
    }
    TBindMount(const TBindMount&) = delete;
    TBindMount& operator=(const TBindMount&) = delete;

private:
    std::string FTarget;
};

TEST(FileSearchMounts, AnotherMountBelowAFolderIsNotEntered) {
    SKIP_IF_MISSING(testsupport::missingRoot());
    const TempDir dir;
    const std::string root = dir / "root";
    MakeDir(root);
    MakeFile(root + "/here.dbf");
    MakeDir(root + "/tmp");
    MakeDir(root + "/a");
    MakeFile(root + "/a/users01.dbf");
    MakeDir(root + "/a/bound");
    MakeDir(root + "/a/loop");
    MakeDir(dir / "outside");
    MakeFile(dir / "outside/outside.dbf");
    const TmpfsMount tmpfs(root + "/tmp", 1 << 20);
    MakeFile(root + "/tmp/other.dbf");
    // Bind mounts keep the device number of their file system.
    const TBindMount bound(dir / "outside", root + "/a/bound");
    const TBindMount loop(root, root + "/a/loop");

    TFileSearch search;
    TSearchLog log(search);
    search.Dirs = Q(root);
    search.FileMasks = "*.dbf";
    search.StartSearch();
    EXPECT_EQ(log.SortedFound(), (TStrings{root + "/a/users01.dbf", root + "/here.dbf"}));
    EXPECT_EQ(Sorted(log.Dirs()), (TStrings{root, root + "/a"}));
    EXPECT_EQ(log.Ending(), (TStrings{"finished", "end"}));

    // A mount named in the list is searched.
    EXPECT_EQ(FoundIn(root + "/tmp"), (TStrings{root + "/tmp/other.dbf"}));
    EXPECT_EQ(FoundIn(root + "/a/bound"), (TStrings{root + "/a/bound/outside.dbf"}));
}

TEST(FileSearchEvents, EventsComeInWalkOrderAndEndWithFinishedAndEnd) {
    const TempDir dir;
    MakeFile(dir / "users01.dbf");
    MakeDir(dir / "sub");
    MakeFile(dir / "sub/users02.dbf");
    TFileSearch search;
    TSearchLog log(search);
    search.Dirs = Q(dir.path());
    search.FileMasks = "*.dbf";
    search.StartSearch();
    EXPECT_EQ(log.Events, (TStrings{"dir " + dir.path(), "found " + (dir / "users01.dbf"),
                                    "dir " + (dir / "sub"), "found " + (dir / "sub/users02.dbf"),
                                    "finished", "end"}));
}

TEST(FileSearchEvents, PendingEventsAreProcessedOnEnteringEachFolder) {
    const TempDir dir;
    MakeFile(dir / "users01.dbf");
    MakeDir(dir / "sub");
    MakeFile(dir / "sub/users02.dbf");
    TFileSearch search;
    TSearchLog log(search);
    QObject context;
    auto post = [&](const std::string& AName) {
        QMetaObject::invokeMethod(
            &context, [&log, AName] { log.Add(AName); }, Qt::QueuedConnection);
    };
    log.OnFound = [&](const std::string& APath) {
        if (APath == dir / "users01.dbf")
            post("posted in the first folder");
    };
    search.Dirs = Q(dir.path());
    search.FileMasks = "*.dbf";
    post("posted before the start");
    search.StartSearch();
    EXPECT_EQ(log.Events, (TStrings{"dir " + dir.path(), "posted before the start",
                                    "found " + (dir / "users01.dbf"), "dir " + (dir / "sub"),
                                    "posted in the first folder",
                                    "found " + (dir / "sub/users02.dbf"), "finished", "end"}));
}

TEST(FileSearchEvents, ACancelRequestStopsTheWalkAtItsNextTest) {
    const TempDir dir;
    for (const char* name : {"s1", "s2", "s3"}) {
        MakeDir(dir / name);
        MakeFile(dir / name + "/a.dbf");
        MakeFile(dir / name + "/b.dbf");
    }
    enum class TWhere { FirstFound, SecondFolder, PostedBeforeStart };
    for (const TWhere where :
         {TWhere::FirstFound, TWhere::SecondFolder, TWhere::PostedBeforeStart}) {
        TFileSearch search;
        TSearchLog log(search);
        QObject context;
        auto cancel = [&] {
            search.CancelSearch();
            log.Add("cancel requested");
        };
        if (where == TWhere::FirstFound)
            log.OnFound = [&](const std::string&) {
                if (log.Found().size() == 1)
                    cancel();
            };
        if (where == TWhere::SecondFolder)
            log.OnDir = [&](const std::string&) {
                if (log.Dirs().size() == 2)
                    cancel();
            };
        if (where == TWhere::PostedBeforeStart)
            QMetaObject::invokeMethod(&context, cancel, Qt::QueuedConnection);
        search.Dirs = Q(dir.path());
        search.FileMasks = "*.dbf";
        search.StartSearch();

        const auto requested = std::find(log.Events.begin(), log.Events.end(), "cancel requested");
        ASSERT_NE(requested, log.Events.end());
        EXPECT_EQ(TStrings(requested + 1, log.Events.end()), (TStrings{"cancel", "end"}));
        const std::size_t expectedFound = where == TWhere::FirstFound ? 1 : 0;
        EXPECT_EQ(log.Found().size(), expectedFound);
    }
}

TEST(FileSearchEvents, ASearchRunsOnceAtATimeAndACancelDoesNotOutliveIt) {
    const TempDir dir;
    MakeFile(dir / "users01.dbf");
    TFileSearch search;
    TSearchLog log(search);
    search.Dirs = Q(dir.path());
    search.FileMasks = "*.dbf";
    search.CancelSearch(); // no search runs: nothing to cancel
    int nested = 0;
    log.OnFound = [&](const std::string&) {
        ++nested;
        search.StartSearch(); // ignored: a search runs
    };
    search.StartSearch();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(log.Events,
              (TStrings{"dir " + dir.path(), "found " + (dir / "users01.dbf"), "finished", "end"}));

    // A cancel requested at the very end does not carry over to the next search.
    log.Events.clear();
    log.OnFound = [&](const std::string&) { search.CancelSearch(); };
    QObject::connect(&search, &TFileSearch::OnEnd, &search, [&] { search.CancelSearch(); });
    search.StartSearch();
    log.OnFound = nullptr;
    log.Events.clear();
    search.StartSearch();
    EXPECT_EQ(log.Ending(), (TStrings{"finished", "end"}));
}

// A top-level window that refuses to close.
class TStubbornWindow : public QWidget {
protected:
    void closeEvent(QCloseEvent* AEvent) override { AEvent->ignore(); }
};

TEST(FileSearchEvents, TheEndOfTheApplicationStopsTheWalk) {
    const TempDir dir;
    for (const char* name : {"s1", "s2"}) {
        MakeDir(dir / name);
        MakeFile(dir / name + "/users01.dbf");
    }
    const struct {
        bool refused;
        TStrings ending;
        std::size_t found;
    } cases[] = {
        {false, {"cancel", "end"}, 0},
        {true, {"finished", "end"}, 2}, // a window refused to close: the application goes on
    };
    for (const auto& c : cases) {
        TStubbornWindow window;
        if (c.refused)
            window.show();
        TFileSearch search;
        TSearchLog log(search);
        log.OnDir = [&](const std::string&) {
            if (log.Dirs().size() == 1)
                QCoreApplication::quit();
        };
        search.Dirs = Q(dir.path());
        search.FileMasks = "*.dbf";
        QTimer::singleShot(0, &search, [&] {
            search.StartSearch();
            QCoreApplication::exit(0);
        });
        QApplication::exec();
        EXPECT_EQ(log.Ending(), c.ending) << (c.refused ? "refused" : "accepted");
        EXPECT_EQ(log.Found().size(), c.found);
    }
}

// A user.DOSATTRIB value in the server's binary form: an empty text, the
// version twice, then `AWords` (32-bit little-endian).
std::string DosInfoBlob(std::uint16_t AVersion, std::initializer_list<std::uint32_t> AWords,
                        const std::string& AText = "") {
    std::string blob = AText;
    blob += '\0';
    if (blob.size() % 2 != 0)
        blob += '\0';
    for (int i = 0; i < 2; ++i) {
        blob += char(AVersion & 0xFF);
        blob += char(AVersion >> 8);
    }
    while (blob.size() % 4 != 0)
        blob += '\0';
    for (const std::uint32_t word : AWords)
        for (int shift = 0; shift < 32; shift += 8)
            blob += char((word >> shift) & 0xFF);
    // The rest of the record (sizes, times) is not read.
    blob.append(24, '\x11');
    return blob;
}

TEST(FileSearchAttributes, DosAttributesDecideWhereTheyExistElseModeAndName) {
    const TempDir dir;
    const struct {
        const char* name;
        mode_t mode;
        std::string dosAttrib; // empty: none
        TFileSearchAttrs expected;
    } files[] = {
        {"plain.dbf", 0644, "", fmArchive},
        {"readonly.dbf", 0444, "", fmReadOnly | fmArchive},
        {"groupwrite.dbf", 0464, "", fmArchive},
        {".hidden.dbf", 0644, "", fmHidden | fmArchive},
        {".hiddenro.dbf", 0400, "", fmReadOnly | fmHidden | fmArchive},
        {"text.dbf", 0644, std::string("0x21", 5), fmReadOnly | fmArchive},
        {".textnone.dbf", 0444, "0x0", TFileSearchAttrs()},
        {"textsys.dbf", 0644, "0x6", fmHidden | fmSystem},
        {"textwithblob.dbf", 0644, DosInfoBlob(3, {0x1, 0x20}, "0x4"), fmSystem},
        {"v5.dbf", 0644, DosInfoBlob(5, {0x1, 0x27}), fmReadOnly | fmHidden | fmSystem | fmArchive},
        {"v4.dbf", 0644, DosInfoBlob(4, {0x11, 0x02}), fmHidden},
        {"v3.dbf", 0644, DosInfoBlob(3, {0x3, 0x01}), fmReadOnly},
        {"v3noattrib.dbf", 0444, DosInfoBlob(3, {0x10, 0x02}), fmReadOnly | fmArchive},
        {"v2.dbf", 0644, DosInfoBlob(2, {0x0, 0x04}), fmSystem},
        {"v1.dbf", 0644, DosInfoBlob(1, {0x22}), fmHidden | fmArchive},
        {"compat.dbf", 0644, DosInfoBlob(0xFFFF, {0x01}), fmReadOnly},
        {"v9.dbf", 0644, DosInfoBlob(9, {0x1, 0x07}), fmArchive},
        {"garbage.dbf", 0644, "zz", fmArchive},
        {"dir.dbf", 0644, "0x10", TFileSearchAttrs()}, // bits beyond the four are dropped
    };
    for (const auto& f : files) {
        // Setting a user attribute needs write permission: the mode comes last.
        MakeFile(dir / f.name);
        if (!f.dosAttrib.empty() && ::setxattr((dir / f.name).c_str(), "user.DOSATTRIB",
                                               f.dosAttrib.data(), f.dosAttrib.size(), 0) != 0) {
            if (errno == ENOTSUP)
                GTEST_SKIP()
                    << "SKIPPED: the file system of /tmp keeps no user extended attributes";
            ThrowErrno("setxattr on " + dir / f.name);
        }
        if (::chmod((dir / f.name).c_str(), f.mode) != 0)
            ThrowErrno("chmod " + dir / f.name);
    }
    MakeLink("v5.dbf", dir / "link.dbf"); // the attributes of its file, hidden by its own name
    MakeLink("plain.dbf", dir / ".link.dbf");

    TFileSearch search;
    TSearchLog log(search);
    search.Dirs = Q(dir.path());
    search.FileMasks = "*.dbf";
    search.StartSearch();
    std::map<std::string, TFileSearchAttrs> found;
    for (const TSearchFileRecord& record : log.Records)
        found[record.Name.toStdString()] = record.Attributes;
    ASSERT_EQ(found.size(), std::size(files) + 2);
    for (const auto& f : files)
        EXPECT_EQ(found[f.name].toInt(), f.expected.toInt()) << f.name;
    EXPECT_EQ(found["link.dbf"].toInt(), (fmReadOnly | fmHidden | fmSystem | fmArchive).toInt());
    EXPECT_EQ(found[".link.dbf"].toInt(), (fmHidden | fmArchive).toInt());

    // The attribute criterion: every attribute of the set, none of them, or any file.
    auto withAll = [&](TFileSearchAttrs AWanted) {
        TStrings names;
        for (const auto& [name, attributes] : found)
            if ((attributes & AWanted) == AWanted)
                names.push_back(dir / name);
        return names;
    };
    const TFileSearchAttrs filters[] = {fmReadOnly, fmHidden | fmArchive, fmSystem,
                                        fmReadOnly | fmHidden | fmSystem | fmArchive,
                                        TFileSearchAttrs()};
    for (const TFileSearchAttrs filter : filters) {
        TFileSearch filtered;
        TSearchLog filteredLog(filtered);
        filtered.Dirs = Q(dir.path());
        filtered.FileMasks = "*.dbf";
        filtered.Attributes = filter;
        filtered.StartSearch();
        EXPECT_EQ(filteredLog.SortedFound(), withAll(filter)) << "attributes " << filter.toInt();
    }
    for (const TFileSearchAttrs filter : {TFileSearchAttrs(fmAnyfile), fmAnyfile | fmSystem}) {
        TFileSearch any;
        TSearchLog anyLog(any);
        any.Dirs = Q(dir.path());
        any.FileMasks = "*.dbf";
        any.Attributes = filter;
        any.StartSearch();
        EXPECT_EQ(anyLog.Found().size(), found.size()) << "attributes " << filter.toInt();
    }
}

} // namespace
