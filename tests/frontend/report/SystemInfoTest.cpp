// The system-information report: its blocks, headings and number formats
// from facts given by the test, and the facts this machine gives.
#include "report/VornInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "ReportTestUtil.h"
#include "TestSupport.h"

namespace {

using namespace reporttest;

// Facts with every block filled and nothing of this machine in them.
TSystemFacts SampleFacts() {
    TSystemFacts facts;
    facts.FileVersion = "1.0.0.0";
    facts.ProductVersion = "1.2.3.4";
    facts.OS = {"Linux", 6, 1, 76};
    facts.RootDirectory = {true, "/", 0};
    facts.SystemDirectory = {true, "/usr/lib/x86_64-linux-gnu", 0};
    facts.TempDirectory = {true, "/tmp/", 0};
    facts.Memory = {
        50,           4294967296ull, 2147483648ull, 1073741824ull, 1073741824ull, 5368709120ull,
        3221225472ull};
    facts.Environment = {"HOME=/home/ann", "=C:=C:\\work", "EMPTY="};
    facts.Drives = {
        {"/", TDriveType::Fixed, 107374182400, 53687091200},
        {"/media/ann/DISC", TDriveType::CDRom, -1, -1},
        {"/dev/shm", TDriveType::RamDisk, -1, -1},
        {"/srv/nfs", TDriveType::Remote, -1, -1},
        {"/media/usb", TDriveType::Removable, -1, -1},
        {"/mnt/broken", TDriveType::Fixed, -1, -1},
        {"/sys/fs/x", TDriveType::Unknown, -1, -1},
    };
    return facts;
}

QStringList Report(const TSystemFacts& AFacts) {
    QStringList lines;
    AddSystemInfo(lines, AFacts);
    return lines;
}

// The lines of the report from the heading `AHeading` up to the next
// separator.
QStringList Block(const QStringList& AReport, const QString& AHeading) {
    const qsizetype start = AReport.indexOf(AHeading);
    EXPECT_GE(start, 0) << AHeading.toStdString();
    if (start < 0)
        return {};
    const qsizetype end = AReport.indexOf(kSeparator, start);
    return AReport.mid(start, end - start);
}

TEST(AddSystemInfo, WritesEveryBlockInOrderWithItsHeadingsAndFormats) {
    const QStringList expected = {
        " Version Information:",
        "File Version: 1.0.0.0",
        "Product Version: 1.2.3.4",
        kSeparator,
        "Operating System: Linux 6.01.76",
        kSeparator,
        "Windows Directory: /",
        "System Directory: /usr/lib/x86_64-linux-gnu",
        "Temporary Directory: /tmp/",
        kSeparator,
        "Memory Status:",
        "Memory in use: 50%",
        "Total physical memory: 4,294,967,296 bytes",
        "Free physical memory: 2,147,483,648 bytes",
        "Total page file memory: 1,073,741,824 bytes",
        "Free page file memory: 1,073,741,824 bytes",
        "Total virtual memory: 5,368,709,120 bytes",
        "Free virtual memory: 3,221,225,472 bytes",
        kSeparator,
        "Environment Information:",
        "HOME=/home/ann",
        "=C:=C:\\work",
        "EMPTY=",
        kSeparator,
        "Drive Information:",
        "/, Fixed Drive, Total Disk Spaces: 107,374,182,400 bytes, Free Disk Spaces: "
        "53,687,091,200 bytes.",
        "/media/ann/DISC, CD-ROM Drive",
        "/dev/shm, RAM Disk",
        "/srv/nfs, Remote Network Drive",
        "/media/usb, Removable Drive",
        "/mnt/broken, Fixed Drive, Total Disk Spaces: -1 bytes, Free Disk Spaces: -1 bytes.",
        "/sys/fs/x, Unknown Drive Type",
        kSeparator,
        "End of System Information",
        kSeparator,
    };
    EXPECT_EQ(Std(Report(SampleFacts())), Std(expected));
}

TEST(AddSystemInfo, AppendsToLinesAlreadyThere) {
    QStringList lines = {"first"};
    AddSystemInfo(lines, SampleFacts());
    ASSERT_GT(lines.size(), 2);
    EXPECT_EQ(Std(lines.at(0)), "first");
    EXPECT_EQ(Std(lines.at(1)), " Version Information:");
    EXPECT_EQ(Std(lines.constLast()), Std(kSeparator));
}

TEST(AddSystemInfo, OperatingSystemLinePadsTheMinorVersionToTwoDigits) {
    struct TCase {
        TOSVersion OS;
        const char* Expected;
    };
    const TCase cases[] = {
        {{"Linux", 6, 2, 0}, "Operating System: Linux 6.02.0"},
        {{"Linux", 6, 10, 3}, "Operating System: Linux 6.10.3"},
        {{"Linux", 5, 0, 19}, "Operating System: Linux 5.00.19"},
        {{"Linux", 4, 123, 65536}, "Operating System: Linux 4.123.65536"},
        {{"", 0, 0, 0}, "Operating System:  0.00.0"},
    };
    for (const TCase& c : cases) {
        TSystemFacts facts = SampleFacts();
        facts.OS = c.OS;
        const QStringList report = Report(facts);
        EXPECT_TRUE(report.contains(QString::fromUtf8(c.Expected))) << c.Expected;
    }
}

TEST(AddSystemInfo, FailedDirectoryQueryShowsItsErrorCodeInItsLineOnly) {
    TSystemFacts facts = SampleFacts();
    facts.SystemDirectory = {false, {}, 2};
    facts.TempDirectory = {false, {}, 13};
    EXPECT_EQ(Std(Block(Report(facts), "Windows Directory: /")),
              Std(QStringList{
                  "Windows Directory: /",
                  "System Directory: Cannot get the required infomation. Error Code: 2.",
                  "Temporary Directory: Cannot get the required infomation. Error Code: 13.",
              }));
}

TEST(AddSystemInfo, MemoryFiguresAreWholeSixtyFourBitNumbersWithThousandsSeparators) {
    struct TCase {
        std::uint64_t Amount;
        const char* Shown;
    };
    const TCase cases[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1,000"},
        {2147483648ull, "2,147,483,648"},
        {4294967296ull, "4,294,967,296"},
        {68719476736ull, "68,719,476,736"},
        {18446744073709551615ull, "18,446,744,073,709,551,615"},
    };
    for (const TCase& c : cases) {
        TSystemFacts facts = SampleFacts();
        facts.Memory = {100, c.Amount, c.Amount, c.Amount, c.Amount, c.Amount, c.Amount};
        const QString shown = QString::fromUtf8(c.Shown);
        EXPECT_EQ(Std(Block(Report(facts), "Memory Status:")),
                  Std(QStringList{
                      "Memory Status:",
                      "Memory in use: 100%",
                      "Total physical memory: " + shown + " bytes",
                      "Free physical memory: " + shown + " bytes",
                      "Total page file memory: " + shown + " bytes",
                      "Free page file memory: " + shown + " bytes",
                      "Total virtual memory: " + shown + " bytes",
                      "Free virtual memory: " + shown + " bytes",
                  }))
            << c.Shown;
    }
}

TEST(AddSystemInfo, EmptyEnvironmentStillGivesOneEmptyLine) {
    TSystemFacts facts = SampleFacts();
    facts.Environment.clear();
    EXPECT_EQ(Std(Block(Report(facts), "Environment Information:")),
              Std(QStringList{"Environment Information:", ""}));
}

TEST(AddSystemInfo, NoDrivesGiveTheHeadingAlone) {
    TSystemFacts facts = SampleFacts();
    facts.Drives.clear();
    EXPECT_EQ(Std(Block(Report(facts), "Drive Information:")),
              Std(QStringList{"Drive Information:"}));
}

TEST(OSVersionOf, ReadsTheFirstThreeNumbersOfTheRelease) {
    struct TCase {
        const char* Release;
        int Major, Minor, Build;
    };
    const TCase cases[] = {
        {"6.1.0-18-amd64", 6, 1, 0},
        {"6.18.44-fc-v1523", 6, 18, 44},
        {"5.10", 5, 10, 0},
        {"4.19.0.1", 4, 19, 0},
        {"6", 6, 0, 0},
        {"6.-1.2", 6, 0, 0},
        {"", 0, 0, 0},
        {"rolling", 0, 0, 0},
        {"99999999999.1.1", 2147483647, 1, 1},
    };
    for (const TCase& c : cases) {
        const TOSVersion version = OSVersionOf("Linux", QString::fromUtf8(c.Release));
        EXPECT_EQ(Std(version.Name), "Linux") << c.Release;
        EXPECT_EQ(version.Major, c.Major) << c.Release;
        EXPECT_EQ(version.Minor, c.Minor) << c.Release;
        EXPECT_EQ(version.Build, c.Build) << c.Release;
    }
}

TEST(MemoryStatusOf, TakesKilobyteFiguresOfMemInfoWhole) {
    const QByteArray memInfo = "MemTotal:       67108864 kB\n"
                               "MemFree:         1048576 kB\n"
                               "MemAvailable:   16777216 kB\n"
                               "Buffers:          123456 kB\n"
                               "SwapTotal:       2097152 kB\n"
                               "SwapFree:        1048576 kB\n"
                               "HugePages_Total:       0\n";
    const TMemoryStatus status = MemoryStatusOf(memInfo);
    EXPECT_EQ(status.TotalPhys, 68719476736ull);
    EXPECT_EQ(status.AvailPhys, 17179869184ull);
    EXPECT_EQ(status.TotalPageFile, 2147483648ull);
    EXPECT_EQ(status.AvailPageFile, 1073741824ull);
    EXPECT_EQ(status.TotalVirtual, 68719476736ull + 2147483648ull);
    EXPECT_EQ(status.AvailVirtual, 17179869184ull + 1073741824ull);
    EXPECT_EQ(status.MemoryLoad, 75u);
}

TEST(MemoryStatusOf, FallsBackToMemFreeAndCountsMissingFiguresAsZero) {
    struct TCase {
        const char* MemInfo;
        std::uint64_t TotalPhys, AvailPhys, TotalPageFile;
        std::uint32_t Load;
    };
    const TCase cases[] = {
        {"MemTotal: 1000 kB\nMemFree: 250 kB\n", 1024000, 256000, 0, 75},
        {"MemTotal: 1000 kB\nMemFree: 250 kB\nMemAvailable: 900 kB\n", 1024000, 921600, 0, 10},
        {"MemTotal: 1000 kB\n", 1024000, 0, 0, 100},
        {"SwapTotal: 8 kB\n", 0, 0, 8192, 0},
        {"", 0, 0, 0, 0},
        {"garbage\nMemTotal: lots kB\n", 0, 0, 0, 0},
        // A figure above the total (a racing kernel) does not make the load wrap.
        {"MemTotal: 100 kB\nMemAvailable: 200 kB\n", 102400, 102400, 0, 0},
    };
    for (const TCase& c : cases) {
        const TMemoryStatus status = MemoryStatusOf(c.MemInfo);
        EXPECT_EQ(status.TotalPhys, c.TotalPhys) << c.MemInfo;
        EXPECT_EQ(status.AvailPhys, c.AvailPhys) << c.MemInfo;
        EXPECT_EQ(status.TotalPageFile, c.TotalPageFile) << c.MemInfo;
        EXPECT_EQ(status.MemoryLoad, c.Load) << c.MemInfo;
    }
}

// The "major:minor" of a whole fixed disk of this machine, from
// /sys/block; nothing when there is none.
std::optional<std::pair<unsigned, unsigned>> FixedDiskNumbers() {
    for (const QFileInfo& disk :
         QDir("/sys/block").entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile removable(disk.filePath() + "/removable");
        QFile dev(disk.filePath() + "/dev");
        if (!removable.open(QIODevice::ReadOnly) || !dev.open(QIODevice::ReadOnly) ||
            removable.readAll().trimmed() != "0" || disk.fileName().startsWith("sr"))
            continue;
        const QList<QByteArray> numbers = dev.readAll().trimmed().split(':');
        if (numbers.size() == 2)
            return std::make_pair(numbers[0].toUInt(), numbers[1].toUInt());
    }
    return std::nullopt;
}

TEST(GetDriveInfo, FixedDrivesCarryTheirSizesAndNoOtherDriveIsAsked) {
    SKIP_IF_MISSING(testsupport::missingRoot());
    const auto disk = FixedDiskNumbers();
    if (!disk)
        GTEST_SKIP() << "SKIPPED: no fixed disk in /sys/block";
    const testsupport::TempDir dir;
    // A device node of that disk, and folders to stand for mount points.
    const std::string node = dir / "disk";
    ASSERT_EQ(mknod(node.c_str(), S_IFBLK | 0600, makedev(disk->first, disk->second)), 0);
    const std::string fixed = dir.makeDir("fixed");
    const std::string ram = dir.makeDir("ram");
    const std::string remote = dir.makeDir("remote");
    const std::string table = dir / "mounts";
    const std::string lines = "proc /proc proc rw 0 0\n" + node + " " + fixed + " ext4 rw 0 0\n" +
                              "tmpfs " + ram + " tmpfs rw 0 0\n" + "server:/export " + remote +
                              " nfs4 rw 0 0\n" + node + " /no/such/mount/point ext4 rw 0 0\n";
    testsupport::writeFile(table, std::vector<std::uint8_t>(lines.begin(), lines.end()));

    const QList<TDriveInfo> drives = GetDriveInfo(Q(table));

    ASSERT_EQ(drives.size(), 4);
    struct statvfs volume {};
    ASSERT_EQ(statvfs(fixed.c_str(), &volume), 0);
    EXPECT_EQ(Std(drives[0].RootPath), fixed);
    EXPECT_EQ(drives[0].Type, TDriveType::Fixed);
    EXPECT_EQ(drives[0].TotalBytes, static_cast<qint64>(volume.f_blocks * volume.f_frsize));
    EXPECT_GE(drives[0].FreeBytes, 0);
    EXPECT_LE(drives[0].FreeBytes, drives[0].TotalBytes);
    // A tmpfs has a size too, but only fixed drives are asked.
    EXPECT_EQ(Std(drives[1].RootPath), ram);
    EXPECT_EQ(drives[1].Type, TDriveType::RamDisk);
    EXPECT_EQ(drives[1].TotalBytes, -1);
    EXPECT_EQ(drives[1].FreeBytes, -1);
    EXPECT_EQ(Std(drives[2].RootPath), remote);
    EXPECT_EQ(drives[2].Type, TDriveType::Remote);
    EXPECT_EQ(drives[2].TotalBytes, -1);
    EXPECT_EQ(drives[2].FreeBytes, -1);
    // A fixed drive whose size cannot be learned shows -1 for both.
    EXPECT_EQ(Std(drives[3].RootPath), "/no/such/mount/point");
    EXPECT_EQ(drives[3].Type, TDriveType::Fixed);
    EXPECT_EQ(drives[3].TotalBytes, -1);
    EXPECT_EQ(drives[3].FreeBytes, -1);

    TSystemFacts facts = SampleFacts();
    facts.Drives = {drives[3]};
    EXPECT_EQ(Std(Block(Report(facts), "Drive Information:")),
              Std(QStringList{"Drive Information:",
                              "/no/such/mount/point, Fixed Drive, Total Disk Spaces: -1 bytes, "
                              "Free Disk Spaces: -1 bytes."}));
}

// The mount points of this process's mount table.
QStringList MountPoints() {
    QFile mounts("/proc/self/mounts");
    EXPECT_TRUE(mounts.open(QIODevice::ReadOnly));
    QStringList points;
    for (const QByteArray& line : mounts.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() >= 3)
            points.append(QString::fromUtf8(fields[1]).replace("\\040", " "));
    }
    return points;
}

TEST(GetDriveInfo, GivesTheFileSystemsOfThisMachineInTableOrder) {
    QStringList found;
    for (const TDriveInfo& drive : GetDriveInfo())
        found.append(drive.RootPath);
    const QStringList points = MountPoints();
    EXPECT_TRUE(found.contains("/"));
    for (const char* pseudo : {"/proc", "/sys"})
        EXPECT_FALSE(found.contains(pseudo)) << pseudo;
    // Other tests may mount and unmount while this one runs, so the table
    // is compared by order only.
    qsizetype at = 0;
    for (const QString& root : found) {
        const qsizetype next = points.indexOf(root, at);
        EXPECT_GE(next, at) << root.toStdString();
        at = std::max(at, next + 1);
    }
}

// Sets or clears an environment variable for the life of the object.
class TEnvironmentVariable {
public:
    TEnvironmentVariable(const char* AName, const char* AValue) : FName(AName) {
        if (const char* old = std::getenv(AName))
            FOld = old;
        if (AValue)
            ::setenv(AName, AValue, 1);
        else
            ::unsetenv(AName);
    }
    ~TEnvironmentVariable() {
        if (FOld)
            ::setenv(FName, FOld->c_str(), 1);
        else
            ::unsetenv(FName);
    }
    TEnvironmentVariable(const TEnvironmentVariable&) = delete;
    TEnvironmentVariable& operator=(const TEnvironmentVariable&) = delete;

private:
    const char* FName;
    std::optional<std::string> FOld;
};

TEST(GetSystemFacts, DescribesTheRunningProgramAndThisMachine) {
    const TEnvironmentVariable marker("VORN_REPORT_MARKER", "a=b c");
    const TSystemFacts facts = GetSystemFacts();

    // The test program carries a version record of its own.
    EXPECT_EQ(Std(facts.FileVersion), "3.4.5.6");
    EXPECT_EQ(Std(facts.ProductVersion), "7.8.9.0");

    struct utsname name {};
    ASSERT_EQ(uname(&name), 0);
    EXPECT_EQ(Std(facts.OS.Name), name.sysname);
    EXPECT_TRUE(QString::fromUtf8(name.release)
                    .startsWith(QStringLiteral("%1.%2").arg(facts.OS.Major).arg(facts.OS.Minor)))
        << name.release;

    EXPECT_TRUE(facts.RootDirectory.Succeeded);
    EXPECT_EQ(Std(facts.RootDirectory.Path), "/");
    ASSERT_TRUE(facts.SystemDirectory.Succeeded);
    EXPECT_TRUE(QFileInfo::exists(facts.SystemDirectory.Path + "/libc.so.6"))
        << Std(facts.SystemDirectory.Path);

    QStringList environment;
    for (char** entry = environ; *entry; ++entry)
        environment.append(QString::fromLocal8Bit(*entry));
    EXPECT_EQ(Std(facts.Environment), Std(environment));
    EXPECT_TRUE(facts.Environment.contains("VORN_REPORT_MARKER=a=b c"));

    QFile memInfo("/proc/meminfo");
    ASSERT_TRUE(memInfo.open(QIODevice::ReadOnly));
    const TMemoryStatus memory = MemoryStatusOf(memInfo.readAll());
    EXPECT_GT(facts.Memory.TotalPhys, 0u);
    EXPECT_EQ(facts.Memory.TotalPhys, memory.TotalPhys);
    EXPECT_EQ(facts.Memory.TotalPageFile, memory.TotalPageFile);
    EXPECT_LE(facts.Memory.AvailPhys, facts.Memory.TotalPhys);
    EXPECT_LE(facts.Memory.MemoryLoad, 100u);
}

TEST(GetSystemFacts, TemporaryDirectoryIsTheOneTheSystemNamesWithATrailingSeparator) {
    struct TCase {
        const char* TmpDir; // nullptr: unset
        const char* Expected;
    };
    const TCase cases[] = {
        {nullptr, "/tmp/"},
        {"", "/tmp/"},
        {"/var/tmp", "/var/tmp/"},
        {"/var/tmp/", "/var/tmp/"},
        // Named as the system gives it, not resolved.
        {"/no/such/../dir", "/no/such/../dir/"},
    };
    for (const TCase& c : cases) {
        const TEnvironmentVariable tmpDir("TMPDIR", c.TmpDir);
        const TSystemFacts facts = GetSystemFacts();
        EXPECT_TRUE(facts.TempDirectory.Succeeded);
        EXPECT_EQ(Std(facts.TempDirectory.Path), c.Expected) << (c.TmpDir ? c.TmpDir : "unset");
    }
}

TEST(AddSystemInfo, ReportOfThisMachineHasEveryBlockInOrder) {
    QStringList lines;
    AddSystemInfo(lines);
    const QStringList headings = {" Version Information:", "Environment Information:",
                                  "Drive Information:", "End of System Information"};
    qsizetype at = -1;
    for (const QString& heading : headings) {
        const qsizetype next = lines.indexOf(heading);
        EXPECT_GT(next, at) << heading.toStdString();
        at = next;
    }
    EXPECT_TRUE(lines.at(4).startsWith("Operating System: "));
    EXPECT_TRUE(lines.at(6).startsWith("Windows Directory: /"));
    EXPECT_EQ(Std(lines.at(10)), "Memory Status:");
    EXPECT_EQ(Std(lines.constLast()), Std(kSeparator));
    EXPECT_EQ(std::count(lines.cbegin(), lines.cend(), kSeparator), 7);
}

} // namespace
