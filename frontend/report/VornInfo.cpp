#include "report/VornInfo.h"

#include "util/VornUtils.h"

#include <QFile>

#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
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
