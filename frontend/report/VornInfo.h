// Facts about the program and its machine for the About tab and the log
// report.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

#include "search/Drives.h"

// Which of the two versions of a version record.
enum class TVersionKind { FileVersion, ProductVersion };

// The version `AWhich` of the version record embedded in the program file
// `AFileName` (cmake/VersionRecord.cmake), as "major.minor.release.build".
// Empty when the file cannot be read, is not an ELF file of this machine's
// class and byte order, or carries no record.
QString GetFileVersionText(const QString& AFileName, TVersionKind AWhich);

// ---------------------------------------------------------------------------
// The system-information report of a saved log. The facts are gathered from
// the machine into plain records first and formatted afterwards, so each
// line's format stands on its own.

// The operating system: its name and the first three numbers of its
// release, such as "Linux" and 6, 1, 0 for release "6.1.0-18-amd64".
struct TOSVersion {
    QString Name;
    int Major = 0;
    int Minor = 0;
    int Build = 0;
};

// The name and release numbers of the running kernel (uname).
TOSVersion GetOSVersion();
// `ASysName` with the leading numbers of `ARelease`, which are read up to
// the first character that is neither a digit nor a dot; a missing number
// counts as 0.
TOSVersion OSVersionOf(const QString& ASysName, const QString& ARelease);

// One directory of the report: its path, or the error code (errno) of the
// query that failed to give it.
struct TDirectoryQuery {
    bool Succeeded = false;
    QString Path;
    int ErrorCode = 0;
};

// The memory figures of the report, in bytes, and the share of physical
// memory in use in percent. The page file is the swap space; virtual
// memory is physical memory and swap space together.
struct TMemoryStatus {
    std::uint32_t MemoryLoad = 0;
    std::uint64_t TotalPhys = 0;
    std::uint64_t AvailPhys = 0;
    std::uint64_t TotalPageFile = 0;
    std::uint64_t AvailPageFile = 0;
    std::uint64_t TotalVirtual = 0;
    std::uint64_t AvailVirtual = 0;
};

// The figures of the text of /proc/meminfo `AMemInfo` (lines "Name: value
// kB"): MemTotal, MemAvailable (MemFree on kernels without it), SwapTotal
// and SwapFree. Missing lines count as 0.
TMemoryStatus MemoryStatusOf(const QByteArray& AMemInfo);

// One drive of the report: a mounted file system (GetLogicalDrives) and,
// for a fixed drive, its total size and the bytes free for the user; -1
// stands for a size that is unknown or could not be learned.
struct TDriveInfo {
    QString RootPath;
    TDriveType Type = TDriveType::Unknown;
    qint64 TotalBytes = -1;
    qint64 FreeBytes = -1;
};

// The drives of the mount table `AMountTable`, in table order. Only fixed
// drives are asked for their size (statvfs), so no other medium is touched.
QList<TDriveInfo> GetDriveInfo(const QString& AMountTable = QStringLiteral("/proc/self/mounts"));

// Everything the report tells.
struct TSystemFacts {
    QString FileVersion;
    QString ProductVersion;
    TOSVersion OS;
    TDirectoryQuery RootDirectory;   // the "Windows Directory" line
    TDirectoryQuery SystemDirectory; // the folder of the system's libraries
    TDirectoryQuery TempDirectory;
    TMemoryStatus Memory;
    QStringList Environment; // "name=value" strings in the order of the block
    QList<TDriveInfo> Drives;
};

// The facts of this machine and of the running program file.
TSystemFacts GetSystemFacts();

// Appends the system-information report of `AFacts` to `ALines`: version,
// operating system, directories, memory, environment and drives, each
// block followed by the separator line, then "End of System Information"
// and the separator.
void AddSystemInfo(QStringList& ALines, const TSystemFacts& AFacts);
// The same for this machine (GetSystemFacts).
void AddSystemInfo(QStringList& ALines);
