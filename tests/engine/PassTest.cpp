// One recovery pass, end to end through the masked entry point, on real files.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include <gtest/gtest.h>

#include "DBFFile5.h"
#include "EngineTestUtil.h"
#include "afx/AfxString.h"

using namespace enginetest;

namespace {

constexpr std::size_t CHUNK = 4194304;

struct SequenceCase {
    const char* name;
    std::size_t sourceSize;
    std::string expected; // Recorder::Summary of the whole call
};

class PassSequenceTest : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(PassSequenceTest, CopiesWithTheMagicAndReportsInOrder) {
    const SequenceCase& c = GetParam();
    TempDir dir;
    const auto data = patternBytes(c.sourceSize, 1);
    writeFile(dir / "in.dbf", data);
    Recorder rec;

    const int result = CallEngine(dir / "in.dbf", dir / "out.dbf", &rec);

    EXPECT_EQ(result, 1);
    EXPECT_EQ(rec.Summary(), c.expected);
    EXPECT_EQ(rec.TextOf(MSG_SOURCE_FILE), FromUtf8(dir / "in.dbf"));
    EXPECT_EQ(rec.TextOf(MSG_LOG_TEXT), u"Analyzing the source file ...");
    EXPECT_EQ(readFile(dir / "out.dbf"), WithMagic(data));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PassSequenceTest,
    ::testing::Values(
        SequenceCase{"TenMiB", 10485760,
                     "PROGRESS 0, SOURCE, LOG, PROGRESS 40, PROGRESS 80, SIZE 10485760, "
                     "PROGRESS 100"},
        SequenceCase{"Empty", 0, "PROGRESS 0, SOURCE, LOG, SIZE 32, PROGRESS 100"},
        SequenceCase{"ShorterThanTheHeader", 10, "PROGRESS 0, SOURCE, LOG, SIZE 32, PROGRESS 100"},
        SequenceCase{"HeaderPlusOneChunk", 32 + CHUNK,
                     "PROGRESS 0, SOURCE, LOG, PROGRESS 100, SIZE 4194336, PROGRESS 100"},
        SequenceCase{"OneChunk", CHUNK, "PROGRESS 0, SOURCE, LOG, SIZE 4194304, PROGRESS 100"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PassTest, CopyDiffersFromTheSourceOnlyInTheMagic) {
    TempDir dir;
    auto data = patternBytes(300000, 7);
    for (const bool alreadyMagic : {true, false}) {
        SCOPED_TRACE(alreadyMagic ? "magic present" : "magic missing");
        if (alreadyMagic) {
            data = WithMagic(data);
        } else {
            data[28] = 0, data[29] = 1, data[30] = 2, data[31] = 3;
        }
        writeFile(dir / "in.dbf", data);
        ASSERT_EQ(CallEngine(dir / "in.dbf", dir / "out.dbf", nullptr), 1);
        const auto out = readFile(dir / "out.dbf");
        ASSERT_EQ(out.size(), data.size());
        for (std::size_t i = 0; i < out.size(); ++i) {
            const bool magicByte = i >= 28 && i < 32;
            if (alreadyMagic || !magicByte) {
                ASSERT_EQ(out[i], data[i]) << "at " << i;
            }
        }
        EXPECT_EQ(out, WithMagic(data));
    }
}

TEST(PassTest, SourceThatCannotBeOpened) {
    TempDir dir;
    Recorder rec;
    const std::string missing = dir / "missing.dbf";

    EXPECT_EQ(CallEngine(missing, dir / "out.dbf", &rec), 0);

    EXPECT_EQ(rec.Summary(), "PROGRESS 0, SOURCE, LOGERROR, SHOWERROR, SIZE 0, PROGRESS 100");
    const std::u16string text =
        u"Error 1: Cannot open the file to be repaired. " + FromUtf8(missing) + u" was not found.";
    EXPECT_EQ(rec.TextOf(MSG_LOG_ERROR), text);
    EXPECT_EQ(rec.TextOf(MSG_SHOW_ERROR), text);
    EXPECT_NE(::access((dir / "out.dbf").c_str(), F_OK), 0) << "nothing is created";
}

TEST(PassTest, SourceThatIsAFolderIsRefused) {
    TempDir dir;
    Recorder rec;
    EXPECT_EQ(CallEngine(dir.path(), dir / "out.dbf", &rec), 0);
    EXPECT_EQ(rec.TextOf(MSG_LOG_ERROR), u"Error 1: Cannot open the file to be repaired. Access to " +
                                             FromUtf8(dir.path()) + u" was denied.");
}

TEST(PassTest, DestinationThatCannotBeCreatedSendsNoError) {
    TempDir dir;
    writeFile(dir / "in.dbf", patternBytes(1000, 1));
    for (const std::string& dest : {dir / "no/such/folder/out.dbf", dir.path(), std::string()}) {
        SCOPED_TRACE(dest);
        Recorder rec;
        EXPECT_EQ(CallEngine(dir / "in.dbf", dest, &rec), 0);
        EXPECT_EQ(rec.Summary(), "PROGRESS 0, SOURCE, SIZE 0, PROGRESS 100");
    }
}

TEST(PassTest, DestinationThatIsTheSourceLeavesItUntouched) {
    TempDir dir;
    const auto data = patternBytes(CHUNK + 12345, 3);
    const std::string source = dir / "in.dbf";
    writeFile(source, data);
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
    ASSERT_EQ(::link(source.c_str(), (dir / "hard.dbf").c_str()), 0);
    ASSERT_EQ(::symlink(source.c_str(), (dir / "soft.dbf").c_str()), 0);

    for (const std::string& dest :
         {source, dir / "sub/../in.dbf", dir / "hard.dbf", dir / "soft.dbf"}) {
        SCOPED_TRACE(dest);
        Recorder rec;
        EXPECT_EQ(CallEngine(source, dest, &rec), 0);
        EXPECT_EQ(rec.Summary(), "PROGRESS 0, SOURCE, SIZE 0, PROGRESS 100");
        EXPECT_EQ(readFile(source), data);
    }
}

TEST(PassTest, ExistingDestinationIsTruncatedAndOverwritten) {
    TempDir dir;
    const auto data = patternBytes(5000, 2);
    writeFile(dir / "in.dbf", data);
    writeFile(dir / "out.dbf", patternBytes(CHUNK * 2, 9));
    ASSERT_EQ(CallEngine(dir / "in.dbf", dir / "out.dbf", nullptr), 1);
    EXPECT_EQ(readFile(dir / "out.dbf"), WithMagic(data));
}

TEST(PassTest, CallbackDetailsDoNotChangeThePass) {
    TempDir dir;
    const auto data = patternBytes(2 * CHUNK + 100, 4);
    writeFile(dir / "in.dbf", data);
    Recorder plain;
    ASSERT_EQ(CallEngine(dir / "in.dbf", dir / "plain.dbf", &plain), 1);

    struct Variant {
        const char* name;
        intptr_t callbackResult;
        uintptr_t reserved1, reserved2;
    };
    for (const Variant& v : {Variant{"callback answers -1", -1, 0, 0},
                             Variant{"callback answers 12345", 12345, 0, 0},
                             Variant{"reserved words set", 0, ~uintptr_t{0}, 0xDEADBEEF}}) {
        SCOPED_TRACE(v.name);
        Recorder rec;
        rec.result = v.callbackResult;
        ASSERT_EQ(CallEngine(dir / "in.dbf", dir / "out.dbf", &rec, v.reserved1, v.reserved2), 1);
        EXPECT_EQ(rec.Summary(), plain.Summary());
        EXPECT_EQ(readFile(dir / "out.dbf"), WithMagic(data));
    }
}

TEST(PassTest, WithoutACallbackThePassIsTheSame) {
    TempDir dir;
    const auto data = patternBytes(CHUNK + 7, 5);
    writeFile(dir / "in.dbf", data);
    EXPECT_EQ(CallEngine(dir / "in.dbf", dir / "a.dbf", nullptr), 1);
    const std::u16string src = FromUtf8(dir / "in.dbf"), dst = FromUtf8(dir / "b.dbf");
    EXPECT_EQ(ProcessDBFFile(src.c_str(), dst.c_str()), 1);
    EXPECT_EQ(readFile(dir / "a.dbf"), WithMagic(data));
    EXPECT_EQ(readFile(dir / "b.dbf"), WithMagic(data));
    const std::u16string missing = FromUtf8(dir / "missing.dbf");
    EXPECT_EQ(ProcessDBFFile(missing.c_str(), dst.c_str()), 0);
    EXPECT_EQ(ProcessDBFFile(nullptr, nullptr), 0);
}

TEST(PassTest, CallersRecordIsLeftMasked) {
    TempDir dir;
    writeFile(dir / "in.dbf", patternBytes(100, 1));
    const std::u16string src = FromUtf8(dir / "in.dbf"), dst = FromUtf8(dir / "out.dbf");
    Recorder rec;
    ProcessParams params{src.c_str(), 1, 2, dst.c_str(), &Recorder::Callback,
                         reinterpret_cast<uintptr_t>(&rec)};
    BrevikMaskParams(&params);
    ProcessParams before;
    std::memcpy(&before, &params, sizeof params);

    EXPECT_EQ(ProcessDBFFileEx(&params), 1);

    EXPECT_EQ(std::memcmp(&before, &params, sizeof params), 0);
    EXPECT_EQ(rec.messages.size(), 5u);
    EXPECT_EQ(ProcessDBFFileEx(nullptr), 0);
}

TEST(PassTest, SourcePathOfMaxPathIsABadPath) {
    TempDir dir;
    std::string path = dir.path() + "/";
    path.append(260 - path.size(), 'x');
    ASSERT_EQ(path.size(), 260u);
    Recorder rec;
    EXPECT_EQ(CallEngine(path, dir / "out.dbf", &rec), 0);
    EXPECT_EQ(rec.TextOf(MSG_SHOW_ERROR), u"Error 1: Cannot open the file to be repaired. " +
                                              FromUtf8(path) + u" contains an incorrect path.");
}

// Seams that make the source's reads misbehave the way a dying disk or a
// failing allocation would.
class ThrowingIo : public CFileIo {
public:
    explicit ThrowingIo(int kind) : m_kind(kind) {}
    long long Read(int fd, void* buffer, std::size_t count) override {
        if (::lseek(fd, 0, SEEK_CUR) >= 65536) {
            if (m_kind == 0)
                throw std::bad_alloc();
            if (m_kind == 1)
                throw CFileException(CFileException::hardIO, EIO, u"/dev/dying");
            throw 42;
        }
        return CFileIo::Read(fd, buffer, count);
    }

private:
    int m_kind;
};

class DeadIo : public CFileIo {
public:
    long long Read(int, void*, std::size_t) override {
        errno = EIO;
        return -1;
    }
};

TEST(PassTest, ExceptionsInTheCopyBecomeTheirErrorTexts) {
    const struct {
        int kind;
        std::u16string text;
    } cases[] = {
        {0, u"Error 2: General error. Out of memory."},
        {1, u"Error 2: General error. Encountered a hardware I/O error while accessing "
            u"/dev/dying."},
        {2, u"Error 3: Unknown error in whole recovery process."},
    };
    TempDir dir;
    writeFile(dir / "in.dbf", patternBytes(CHUNK * 2, 1));
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text));
        ThrowingIo io(c.kind);
        Recorder rec;
        const CCommunicator comm(&Recorder::Callback, reinterpret_cast<uintptr_t>(&rec));
        CDBFFile5 pass(&comm, io);
        EXPECT_EQ(pass.Repair(FromUtf8(dir / "in.dbf"), FromUtf8(dir / "out.dbf")), TRUE);
        EXPECT_EQ(rec.Summary(), "PROGRESS 0, SOURCE, LOG, LOGERROR, SHOWERROR, SIZE 32, "
                                 "PROGRESS 100");
        EXPECT_EQ(rec.TextOf(MSG_LOG_ERROR), c.text);
        EXPECT_EQ(rec.TextOf(MSG_SHOW_ERROR), c.text);
    }
}

TEST(PassTest, SourceThatReadsNothingStillEndsAtItsLength) {
    TempDir dir;
    const std::size_t size = 2 * CHUNK + 1000;
    writeFile(dir / "in.dbf", patternBytes(size, 1));
    DeadIo io;
    Recorder rec;
    const CCommunicator comm(&Recorder::Callback, reinterpret_cast<uintptr_t>(&rec));
    CDBFFile5 pass(&comm, io);

    EXPECT_EQ(pass.Repair(FromUtf8(dir / "in.dbf"), FromUtf8(dir / "out.dbf")), TRUE);

    EXPECT_EQ(rec.Summary(), "PROGRESS 0, SOURCE, LOG, PROGRESS 49, PROGRESS 99, SIZE " +
                                 std::to_string(size) + ", PROGRESS 100");
    EXPECT_EQ(readFile(dir / "out.dbf"), WithMagic(std::vector<unsigned char>(size, 0)));
}

} // namespace
