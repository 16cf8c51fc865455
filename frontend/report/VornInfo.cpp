#include "report/VornInfo.h"

#include "resources/VornStrings.h"
#include "util/VornUtils.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <gnu/libc-version.h>
#include <link.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// The record as cmake/VersionRecord.c.in writes it: a note with 4-byte
// alignment, owner "Vorn", type 1 and four words.
constexpr char RecordSection[] = ".note.vorn-version";
constexpr char RecordOwner[] = "Vorn";
constexpr std::uint32_t RecordType = 1;
using TRecord = std::array<std::uint32_t, 4>;

// Larger record sections are not ours; they are not read.
constexpr std::uint64_t MaxRecordSectionSize = 64 * 1024;

constexpr unsigned char NativeClass = __ELF_NATIVE_CLASS == 64 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char NativeByteOrder =
    std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;

using TElfHeader = ElfW(Ehdr);
using TSectionHeader = ElfW(Shdr);
using TNoteHeader = ElfW(Nhdr);

// True when the `ASize` bytes from `AOffset` lie inside `ATotal` bytes.
bool InRange(std::uint64_t AOffset, std::uint64_t ASize, std::uint64_t ATotal) {
    return AOffset <= ATotal && ASize <= ATotal - AOffset;
}

// A note's owner and data are each padded to a multiple of 4 bytes.
constexpr std::uint64_t AlignNote(std::uint64_t ASize) {
    return (ASize + 3) & ~std::uint64_t{3};
}

// A file opened for reading, closed with its owner. The open does not wait
// for a writer when the name is a FIFO; only regular files are read.
class TReadOnlyFile {
public:
    // A name holding a NUL, which would end it early and name another file,
    // is not opened.
    explicit TReadOnlyFile(const QString& AFileName)
        : FFd(AFileName.contains(QChar::Null) ? -1
                                              : open(QFile::encodeName(AFileName).constData(),
                                                     O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~TReadOnlyFile() {
        if (FFd >= 0)
            close(FFd); // read-only: nothing is lost when the close fails
    }
    TReadOnlyFile(const TReadOnlyFile&) = delete;
    TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

    // The size of the file when it is open and a regular file.
    std::optional<std::uint64_t> RegularFileSize() const {
        struct stat status {};
        if (FFd < 0 || fstat(FFd, &status) != 0 || !S_ISREG(status.st_mode))
            return std::nullopt;
        return static_cast<std::uint64_t>(status.st_size);
    }

    // Reads exactly `ASize` bytes at `AOffset`; false on an error or an early end.
    bool ReadAt(void* ABuffer, std::size_t ASize, std::uint64_t AOffset) const {
        auto* out = static_cast<char*>(ABuffer);
        while (ASize > 0) {
            const ssize_t got = pread(FFd, out, ASize, static_cast<off_t>(AOffset));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            out += got;
            ASize -= static_cast<std::size_t>(got);
            AOffset += static_cast<std::uint64_t>(got);
        }
        return true;
    }

private:
    int FFd;
};

// The record among the notes `ANotes`, walked entry by entry.
std::optional<TRecord> FindRecordNote(const std::vector<char>& ANotes) {
    std::uint64_t at = 0;
    while (InRange(at, sizeof(TNoteHeader), ANotes.size())) {
        TNoteHeader note;
        std::memcpy(&note, ANotes.data() + at, sizeof note);
        at += sizeof note;
        const std::uint64_t nameAt = at;
        const std::uint64_t descAt = nameAt + AlignNote(note.n_namesz);
        if (!InRange(nameAt, AlignNote(note.n_namesz), ANotes.size()) ||
            !InRange(descAt, AlignNote(note.n_descsz), ANotes.size()))
            return std::nullopt;
        if (note.n_type == RecordType && note.n_namesz == sizeof RecordOwner &&
            note.n_descsz == sizeof(TRecord) &&
            std::memcmp(ANotes.data() + nameAt, RecordOwner, sizeof RecordOwner) == 0) {
            TRecord record;
            std::memcpy(record.data(), ANotes.data() + descAt, sizeof record);
            return record;
        }
        at = descAt + AlignNote(note.n_descsz);
    }
    return std::nullopt;
}

// The record of the ELF file `AFileName`: the section headers lead to the
// note section by its name, bounds checked against the file's size.
std::optional<TRecord> ReadRecord(const QString& AFileName) {
    const TReadOnlyFile file(AFileName);
    const std::optional<std::uint64_t> fileSize = file.RegularFileSize();
    if (!fileSize)
        return std::nullopt;

    TElfHeader header;
    if (*fileSize < sizeof header || !file.ReadAt(&header, sizeof header, 0))
        return std::nullopt;
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != NativeClass || header.e_ident[EI_DATA] != NativeByteOrder ||
        header.e_ident[EI_VERSION] != EV_CURRENT)
        return std::nullopt;
    // Files with extended section numbering (65280 sections or more) are not
    // program files of ours.
    if (header.e_shentsize != sizeof(TSectionHeader) || header.e_shnum == 0 ||
        header.e_shstrndx == SHN_UNDEF || header.e_shstrndx >= header.e_shnum)
        return std::nullopt;
    const std::uint64_t tableSize = std::uint64_t{header.e_shnum} * sizeof(TSectionHeader);
    if (!InRange(header.e_shoff, tableSize, *fileSize))
        return std::nullopt;
    std::vector<TSectionHeader> sections(header.e_shnum);
    if (!file.ReadAt(sections.data(), tableSize, header.e_shoff))
        return std::nullopt;

    const TSectionHeader& names = sections[header.e_shstrndx];
    if (names.sh_type != SHT_STRTAB || !InRange(names.sh_offset, names.sh_size, *fileSize))
        return std::nullopt;
    for (const TSectionHeader& section : sections) {
        if (section.sh_type != SHT_NOTE ||
            !InRange(section.sh_name, sizeof RecordSection, names.sh_size))
            continue;
        char name[sizeof RecordSection];
        if (!file.ReadAt(name, sizeof name, names.sh_offset + section.sh_name))
            return std::nullopt;
        if (std::memcmp(name, RecordSection, sizeof name) != 0)
            continue;
        if (section.sh_size > MaxRecordSectionSize ||
            !InRange(section.sh_offset, section.sh_size, *fileSize))
            return std::nullopt;
        std::vector<char> notes(section.sh_size);
        if (!file.ReadAt(notes.data(), notes.size(), section.sh_offset))
            return std::nullopt;
        return FindRecordNote(notes);
    }
    return std::nullopt;
}

// One 32-bit half of a version: its high and low 16 bits.
QString HalfText(std::uint32_t AHalf) {
    return Format(QStringLiteral("%d.%d"), {AHalf >> 16, AHalf & 0xFFFF});
}

} // namespace

QString GetFileVersionText(const QString& AFileName, TVersionKind AWhich) {
    const std::optional<TRecord> record = ReadRecord(AFileName);
    if (!record)
        return {};
    const std::size_t first = AWhich == TVersionKind::FileVersion ? 0 : 2;
    return Format(QStringLiteral("%s.%s"),
                  {HalfText((*record)[first]), HalfText((*record)[first + 1])});
}

// ---------------------------------------------------------------------------
// The system-information report

namespace {

// The text of a small file of /proc or /sys; empty when it cannot be read.
QByteArray ReadSystemFile(const QString& APath) {
    QFile file(APath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The leading number of `AText` from `AAt` on, and `AAt` moved past it; 0
// when no digit stands there.
int ReadNumber(const QString& AText, qsizetype& AAt) {
    std::int64_t value = 0;
    while (AAt < AText.size() && AText.at(AAt).isDigit()) {
        value = std::min<std::int64_t>(value * 10 + AText.at(AAt).digitValue(), INT32_MAX);
        ++AAt;
    }
    return static_cast<int>(value);
}

// `APath` in canonical form, or the errno of realpath.
TDirectoryQuery CanonicalDirectory(const QByteArray& APath) {
    TDirectoryQuery query;
    errno = 0;
    const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(APath.constData(), nullptr),
                                                               &std::free);
    if (!resolved) {
        query.ErrorCode = errno;
        return query;
    }
    query.Succeeded = true;
    query.Path = QFile::decodeName(resolved.get());
    return query;
}

// The folder the C library was loaded from, or /usr/lib when the loader
// cannot tell.
TDirectoryQuery SystemDirectoryQuery() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&gnu_get_libc_version), &info) == 0 ||
        info.dli_fname == nullptr || std::strchr(info.dli_fname, '/') == nullptr)
        return CanonicalDirectory("/usr/lib");
    const TDirectoryQuery library = CanonicalDirectory(info.dli_fname);
    if (!library.Succeeded)
        return library;
    TDirectoryQuery folder = library;
    folder.Path = library.Path.left(std::max<qsizetype>(library.Path.lastIndexOf(u'/'), 1));
    return folder;
}

// The temporary folder as the system names it: $TMPDIR when set and not
// empty, else /tmp, with a trailing "/"; not resolved any further.
TDirectoryQuery TempDirectoryQuery() {
    const char* env = std::getenv("TMPDIR");
    TDirectoryQuery query;
    query.Succeeded = true;
    query.Path = env != nullptr && *env != '\0' ? QFile::decodeName(env) : QStringLiteral("/tmp");
    if (!query.Path.endsWith(u'/'))
        query.Path += u'/';
    return query;
}

QString DriveTypeText(TDriveType AType) {
    switch (AType) {
    case TDriveType::Unknown:
        return LoadStr(TStringId::DriveUnknown);
    case TDriveType::Removable:
        return LoadStr(TStringId::DriveRemovable);
    case TDriveType::Fixed:
        return LoadStr(TStringId::DriveFixed);
    case TDriveType::Remote:
        return LoadStr(TStringId::DriveRemote);
    case TDriveType::CDRom:
        return LoadStr(TStringId::DriveCDRom);
    case TDriveType::RamDisk:
        return LoadStr(TStringId::DriveRamDisk);
    }
    return LoadStr(TStringId::DriveUnknown);
}

void AddVersionInfo(QStringList& ALines, const TSystemFacts& AFacts) {
    ALines.append(LoadStr(TStringId::InfoVersionHeading));
    ALines.append(Format(LoadStr(TStringId::InfoFileVersion), {AFacts.FileVersion}));
    ALines.append(Format(LoadStr(TStringId::InfoProductVersion), {AFacts.ProductVersion}));
}

void AddOSInfo(QStringList& ALines, const TOSVersion& AOS) {
    ALines.append(Format(LoadStr(TStringId::InfoOperatingSystem),
                         {AOS.Name, AOS.Major, AOS.Minor, AOS.Build}));
}

QString DirectoryLine(TStringId APattern, const TDirectoryQuery& AQuery) {
    return Format(LoadStr(APattern), {AQuery.Succeeded ? AQuery.Path
                                                       : Format(LoadStr(TStringId::InfoQueryFailed),
                                                                {AQuery.ErrorCode})});
}

void AddDirectoryInfo(QStringList& ALines, const TSystemFacts& AFacts) {
    ALines.append(DirectoryLine(TStringId::InfoWindowsDirectory, AFacts.RootDirectory));
    ALines.append(DirectoryLine(TStringId::InfoSystemDirectory, AFacts.SystemDirectory));
    ALines.append(DirectoryLine(TStringId::InfoTempDirectory, AFacts.TempDirectory));
}

void AddMemoryInfo(QStringList& ALines, const TMemoryStatus& AMemory) {
    ALines.append(LoadStr(TStringId::InfoMemoryHeading));
    ALines.append(Format(LoadStr(TStringId::InfoMemoryLoad), {AMemory.MemoryLoad}));
    const std::pair<TStringId, std::uint64_t> amounts[] = {
        {TStringId::InfoTotalPhys, AMemory.TotalPhys},
        {TStringId::InfoAvailPhys, AMemory.AvailPhys},
        {TStringId::InfoTotalPageFile, AMemory.TotalPageFile},
        {TStringId::InfoAvailPageFile, AMemory.AvailPageFile},
        {TStringId::InfoTotalVirtual, AMemory.TotalVirtual},
        {TStringId::InfoAvailVirtual, AMemory.AvailVirtual},
    };
    for (const auto& [pattern, amount] : amounts)
        ALines.append(Format(LoadStr(pattern), {amount}));
}

void AddEnvironmentInfo(QStringList& ALines, const QStringList& AEnvironment) {
    ALines.append(LoadStr(TStringId::InfoEnvironmentHeading));
    if (AEnvironment.isEmpty())
        ALines.append(QString());
    ALines.append(AEnvironment);
}

void AddDriveInfo(QStringList& ALines, const QList<TDriveInfo>& ADrives) {
    ALines.append(LoadStr(TStringId::InfoDriveHeading));
    for (const TDriveInfo& drive : ADrives) {
        if (drive.Type == TDriveType::Fixed)
            ALines.append(Format(
                LoadStr(TStringId::InfoFixedDrive),
                {drive.RootPath, DriveTypeText(drive.Type), drive.TotalBytes, drive.FreeBytes}));
        else
            ALines.append(Format(LoadStr(TStringId::InfoOtherDrive),
                                 {drive.RootPath, DriveTypeText(drive.Type)}));
    }
}

} // namespace

TOSVersion OSVersionOf(const QString& ASysName, const QString& ARelease) {
    TOSVersion version;
    version.Name = ASysName;
    qsizetype at = 0;
    int* const numbers[] = {&version.Major, &version.Minor, &version.Build};
    for (int* number : numbers) {
        *number = ReadNumber(ARelease, at);
        if (at >= ARelease.size() || ARelease.at(at) != u'.')
            break;
        ++at;
    }
    return version;
}

TOSVersion GetOSVersion() {
    struct utsname name {};
    if (uname(&name) != 0)
        return {};
    return OSVersionOf(QString::fromLocal8Bit(name.sysname), QString::fromLocal8Bit(name.release));
}

TMemoryStatus MemoryStatusOf(const QByteArray& AMemInfo) {
    std::optional<std::uint64_t> memTotal, memAvailable, memFree, swapTotal, swapFree;
    const std::pair<QByteArray, std::optional<std::uint64_t>*> fields[] = {
        {"MemTotal", &memTotal},   {"MemAvailable", &memAvailable}, {"MemFree", &memFree},
        {"SwapTotal", &swapTotal}, {"SwapFree", &swapFree},
    };
    for (const QByteArray& line : AMemInfo.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = line.left(colon);
        const QByteArrayList value = line.mid(colon + 1).simplified().split(' ');
        bool ok = false;
        const std::uint64_t amount = value.constFirst().toULongLong(&ok);
        if (!ok)
            continue;
        const std::uint64_t unit = value.size() > 1 && value.at(1) == "kB" ? 1024 : 1;
        for (const auto& [fieldName, field] : fields)
            if (name == fieldName)
                *field = amount * unit;
    }
    TMemoryStatus status;
    status.TotalPhys = memTotal.value_or(0);
    status.AvailPhys = std::min(memAvailable.value_or(memFree.value_or(0)), status.TotalPhys);
    status.TotalPageFile = swapTotal.value_or(0);
    status.AvailPageFile = std::min(swapFree.value_or(0), status.TotalPageFile);
    status.TotalVirtual = status.TotalPhys + status.TotalPageFile;
    status.AvailVirtual = status.AvailPhys + status.AvailPageFile;
    if (status.TotalPhys > 0)
        status.MemoryLoad = static_cast<std::uint32_t>((status.TotalPhys - status.AvailPhys) * 100 /
                                                       status.TotalPhys);
    return status;
}

QList<TDriveInfo> GetDriveInfo(const QString& AMountTable) {
    QList<TDriveInfo> drives;
    for (const TLogicalDrive& logical : GetLogicalDrives(AMountTable)) {
        TDriveInfo drive;
        drive.RootPath = logical.Root;
        drive.Type = logical.Type;
        struct statvfs volume {};
        if (drive.Type == TDriveType::Fixed &&
            statvfs(QFile::encodeName(drive.RootPath).constData(), &volume) == 0) {
            drive.TotalBytes = static_cast<qint64>(volume.f_blocks * volume.f_frsize);
            drive.FreeBytes = static_cast<qint64>(volume.f_bavail * volume.f_frsize);
        }
        drives.append(drive);
    }
    return drives;
}

TSystemFacts GetSystemFacts() {
    TSystemFacts facts;
    const QString program = QCoreApplication::applicationFilePath();
    facts.FileVersion = GetFileVersionText(program, TVersionKind::FileVersion);
    facts.ProductVersion = GetFileVersionText(program, TVersionKind::ProductVersion);
    facts.OS = GetOSVersion();
    facts.RootDirectory = CanonicalDirectory("/");
    facts.SystemDirectory = SystemDirectoryQuery();
    facts.TempDirectory = TempDirectoryQuery();
    facts.Memory = MemoryStatusOf(ReadSystemFile(QStringLiteral("/proc/meminfo")));
    for (char** entry = environ; *entry != nullptr; ++entry)
        facts.Environment.append(QString::fromLocal8Bit(*entry));
    facts.Drives = GetDriveInfo();
    return facts;
}

void AddSystemInfo(QStringList& ALines, const TSystemFacts& AFacts) {
    const QString separator = LoadStr(TStringId::LogSeparator);
    AddVersionInfo(ALines, AFacts);
    ALines.append(separator);
    AddOSInfo(ALines, AFacts.OS);
    ALines.append(separator);
    AddDirectoryInfo(ALines, AFacts);
    ALines.append(separator);
    AddMemoryInfo(ALines, AFacts.Memory);
    ALines.append(separator);
    AddEnvironmentInfo(ALines, AFacts.Environment);
    ALines.append(separator);
    AddDriveInfo(ALines, AFacts.Drives);
    ALines.append(separator);
    ALines.append(LoadStr(TStringId::InfoSystemEnd));
    ALines.append(separator);
}

void AddSystemInfo(QStringList& ALines) {
    AddSystemInfo(ALines, GetSystemFacts());
}
