#include "report/VornInfo.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <elf.h>
#include <functional>
#include <link.h>
#include <random>
#include <sys/stat.h>

void PrintTo(const QString& AText, std::ostream* AOut) {
    *AOut << '"' << AText.toStdString() << '"';
}

namespace {

using TElfHeader = ElfW(Ehdr);
using TSectionHeader = ElfW(Shdr);

constexpr TVersionKind BothKinds[] = {TVersionKind::FileVersion, TVersionKind::ProductVersion};

QByteArray ReadAll(const QString& APath) {
    QFile file(APath);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << APath.toStdString();
    return file.readAll();
}

QString WriteFile(const QTemporaryDir& ADir, const QString& AName, const QByteArray& AData) {
    const QString path = ADir.filePath(AName);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    EXPECT_EQ(file.write(AData), AData.size());
    return path;
}

template <typename T> T Get(const QByteArray& AData, qsizetype AOffset) {
    T value;
    std::memcpy(&value, AData.constData() + AOffset, sizeof value);
    return value;
}

template <typename T> void Put(QByteArray& AData, qsizetype AOffset, T AValue) {
    std::memcpy(AData.data() + AOffset, &AValue, sizeof AValue);
}

// Where the parts of the record lie in a program file's bytes, found
// without the code under test: the note by its header bytes, its section
// header by the section's offset.
struct TRecordLayout {
    qsizetype note = -1;
    qsizetype recordSection = -1;
    qsizetype namesSection = -1;
};

TRecordLayout FindRecord(const QByteArray& AData) {
    QByteArray noteHeader(20, '\0');
    Put<std::uint32_t>(noteHeader, 0, 5);
    Put<std::uint32_t>(noteHeader, 4, 16);
    Put<std::uint32_t>(noteHeader, 8, 1);
    std::memcpy(noteHeader.data() + 12, "Vorn", 4);
    TRecordLayout layout;
    layout.note = AData.indexOf(noteHeader);
    const auto header = Get<TElfHeader>(AData, 0);
    for (int i = 0; i < header.e_shnum; ++i) {
        const qsizetype at = static_cast<qsizetype>(header.e_shoff) + i * sizeof(TSectionHeader);
        if (Get<TSectionHeader>(AData, at).sh_offset == static_cast<std::uint64_t>(layout.note))
            layout.recordSection = at;
        if (i == header.e_shstrndx)
            layout.namesSection = at;
    }
    EXPECT_GE(layout.note, 0);
    EXPECT_GE(layout.recordSection, 0);
    EXPECT_GE(layout.namesSection, 0);
    return layout;
}

TEST(GetFileVersionText, ReadsTheRecordOfAProgramFile) {
    const struct {
        QString path;
        TVersionKind which;
        QString expected;
    } cases[] = {
        {"/proc/self/exe", TVersionKind::FileVersion, VORN_PROJECT_VERSION},
        {"/proc/self/exe", TVersionKind::ProductVersion, VORN_PROJECT_VERSION},
        {VERSION_PROBE, TVersionKind::FileVersion, "65535.1.2.65534"},
        {VERSION_PROBE, TVersionKind::ProductVersion, "7.8.9.0"},
        {VERSION_PROBE ".stripped", TVersionKind::FileVersion, "65535.1.2.65534"},
        {VERSION_PROBE ".stripped", TVersionKind::ProductVersion, "7.8.9.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetFileVersionText(c.path, c.which), c.expected)
            << c.path.toStdString() << " " << static_cast<int>(c.which);
}

TEST(GetFileVersionText, IsEmptyForFilesWithoutARecord) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString fifo = temp.filePath("fifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString paths[] = {
        VERSION_PROBE_BARE,
        WriteFile(temp, "empty", {}),
        WriteFile(temp, "text", "This is not a program file.\n"),
        WriteFile(temp, "elf-magic-only",
                  "\x7f"
                  "ELF"),
        temp.path(),
        temp.filePath("missing"),
        fifo,
        "/dev/null",
        QString(VERSION_PROBE) + QChar::Null + ".stripped",
        "",
    };
    for (const QString& path : paths)
        for (const TVersionKind which : BothKinds)
            EXPECT_EQ(GetFileVersionText(path, which), "") << path.toStdString();
}

TEST(GetFileVersionText, IsEmptyForTruncatedCopies) {
    const QByteArray probe = ReadAll(VERSION_PROBE);
    const TRecordLayout layout = FindRecord(probe);
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const qsizetype lengths[] = {
        1,
        4,
        sizeof(TElfHeader) - 1,
        sizeof(TElfHeader),
        layout.note + 20,
        probe.size() / 2,
        probe.size() - static_cast<qsizetype>(sizeof(TSectionHeader)),
        probe.size() - 1,
    };
    for (const qsizetype length : lengths) {
        const QString path = WriteFile(temp, "cut", probe.left(length));
        EXPECT_EQ(GetFileVersionText(path, TVersionKind::FileVersion), "") << length;
    }
}

TEST(GetFileVersionText, IsEmptyForDamagedHeadersAndNotes) {
    const QByteArray probe = ReadAll(VERSION_PROBE);
    const TRecordLayout layout = FindRecord(probe);
    const auto size = static_cast<std::uint64_t>(probe.size());
    const auto header = Get<TElfHeader>(probe, 0);
    const qsizetype record = layout.recordSection;
    const qsizetype names = layout.namesSection;
    const qsizetype note = layout.note;
    using TPatch = std::function<void(QByteArray&)>;
    const struct {
        const char* what;
        TPatch patch;
        QString expected;
    } cases[] = {
        {"undamaged", [](QByteArray&) {}, "65535.1.2.65534"},
        {"magic", [](QByteArray& d) { d[1] = 'X'; }, ""},
        {"class", [](QByteArray& d) { d[EI_CLASS] = ELFCLASS32; }, ""},
        {"byte order", [](QByteArray& d) { d[EI_DATA] = ELFDATA2MSB; }, ""},
        {"ELF version", [](QByteArray& d) { d[EI_VERSION] = EV_NONE; }, ""},
        {"table past the end",
         [&](QByteArray& d) { Put(d, offsetof(TElfHeader, e_shoff), header.e_shoff + 8); }, ""},
        {"table offset huge",
         [](QByteArray& d) { Put(d, offsetof(TElfHeader, e_shoff), ~ElfW(Off){0}); }, ""},
        {"no sections", [](QByteArray& d) { Put(d, offsetof(TElfHeader, e_shnum), ElfW(Half){0}); },
         ""},
        {"too many sections",
         [](QByteArray& d) { Put(d, offsetof(TElfHeader, e_shnum), ElfW(Half){0xFFFF}); }, ""},
        {"entry size",
         [](QByteArray& d) { Put(d, offsetof(TElfHeader, e_shentsize), ElfW(Half){1}); }, ""},
        {"names index past the table",
         [&](QByteArray& d) { Put(d, offsetof(TElfHeader, e_shstrndx), header.e_shnum); }, ""},
        {"names index undefined",
         [](QByteArray& d) { Put(d, offsetof(TElfHeader, e_shstrndx), ElfW(Half){SHN_UNDEF}); },
         ""},
        {"names section type",
         [&](QByteArray& d) {
             Put(d, names + offsetof(TSectionHeader, sh_type), ElfW(Word){SHT_PROGBITS});
         },
         ""},
        {"names section huge",
         [&](QByteArray& d) { Put(d, names + offsetof(TSectionHeader, sh_size), ~ElfW(Xword){0}); },
         ""},
        {"record section type",
         [&](QByteArray& d) {
             Put(d, record + offsetof(TSectionHeader, sh_type), ElfW(Word){SHT_PROGBITS});
         },
         ""},
        {"record section name",
         [&](QByteArray& d) { Put(d, record + offsetof(TSectionHeader, sh_name), ~ElfW(Word){0}); },
         ""},
        {"record section huge",
         [&](QByteArray& d) {
             Put(d, record + offsetof(TSectionHeader, sh_size), ~ElfW(Xword){0});
         },
         ""},
        {"record section past the end",
         [&](QByteArray& d) {
             Put(d, record + offsetof(TSectionHeader, sh_offset), ElfW(Off){size - 16});
         },
         ""},
        {"record section too short",
         [&](QByteArray& d) { Put(d, record + offsetof(TSectionHeader, sh_size), ElfW(Xword){8}); },
         ""},
        {"note owner size", [&](QByteArray& d) { Put(d, note, std::uint32_t{0xFFFFFFFF}); }, ""},
        {"note data size huge", [&](QByteArray& d) { Put(d, note + 4, std::uint32_t{0xFFFFFFFC}); },
         ""},
        {"note data size short", [&](QByteArray& d) { Put(d, note + 4, std::uint32_t{12}); }, ""},
        {"note type", [&](QByteArray& d) { Put(d, note + 8, std::uint32_t{2}); }, ""},
        {"note owner", [&](QByteArray& d) { d[note + 15] = 'm'; }, ""},
    };
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    for (const auto& c : cases) {
        QByteArray damaged = probe;
        c.patch(damaged);
        const QString path = WriteFile(temp, "damaged", damaged);
        EXPECT_EQ(GetFileVersionText(path, TVersionKind::FileVersion), c.expected) << c.what;
    }
}

// Random damage to the parts that are read, with a fixed seed: whatever the
// bytes, the result is empty or a version, never a crash or a read outside
// what the file holds (the sanitizer build checks the latter).
TEST(GetFileVersionText, SurvivesRandomDamage) {
    const QByteArray probe = ReadAll(VERSION_PROBE);
    const TRecordLayout layout = FindRecord(probe);
    const auto header = Get<TElfHeader>(probe, 0);
    const struct {
        qsizetype start;
        qsizetype length;
    } regions[] = {
        {0, sizeof(TElfHeader)},
        {static_cast<qsizetype>(header.e_shoff),
         header.e_shnum * qsizetype{sizeof(TSectionHeader)}},
        {layout.note, 32},
    };
    const QRegularExpression version(QStringLiteral("^(|\\d+\\.\\d+\\.\\d+\\.\\d+)$"));
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        QByteArray damaged = probe;
        for (const auto& region : regions) {
            std::uniform_int_distribution<qsizetype> at(region.start,
                                                        region.start + region.length - 1);
            for (int flips = 0; flips < 3; ++flips)
                damaged[at(random)] = static_cast<char>(random());
        }
        const QString path = WriteFile(temp, "random", damaged);
        const QString text = GetFileVersionText(path, TVersionKind::ProductVersion);
        EXPECT_TRUE(version.match(text).hasMatch()) << round << ": " << text.toStdString();
    }
}

} // namespace
