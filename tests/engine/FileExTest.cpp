// The fault-tolerant reader, through an OS-call seam that reads a real file
// but fails chosen spans and records every physical read.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include <gtest/gtest.h>

#include "EngineTestUtil.h"
#include "FileEx.h"

using namespace enginetest;

namespace {

struct PhysicalRead {
    long long offset;
    std::size_t size;
    bool operator==(const PhysicalRead&) const = default;
};

class FaultyIo : public CFileIo {
public:
    long long Read(int fd, void* buffer, std::size_t count) override {
        const long long offset = ::lseek(fd, 0, SEEK_CUR);
        reads.push_back({offset, count});
        for (const auto& [start, end] : badSpans) {
            if (offset < end && static_cast<long long>(offset + count) > start) {
                errno = EIO;
                return -1;
            }
        }
        return CFileIo::Read(fd, buffer, count);
    }
    long long Seek(int fd, long long offset, int whence) override {
        if (failSeeks && whence == SEEK_SET) {
            errno = EINVAL;
            return -1;
        }
        return CFileIo::Seek(fd, offset, whence);
    }
    DWORD GetSectorSize(int) override { return sectorSize; }

    std::vector<std::pair<long long, long long>> badSpans; // [start, end)
    std::vector<PhysicalRead> reads;
    DWORD sectorSize = 512;
    bool failSeeks = false;
};

class FileExTest : public ::testing::Test {
protected:
    // Writes a file of `size` pattern bytes and opens it through the reader.
    void OpenFile(std::size_t size) {
        data = patternBytes(size, 1);
        path = dir / "source.dbf";
        writeFile(path, data);
        const std::u16string path16(path.begin(), path.end());
        ASSERT_TRUE(file.Open(path16.c_str(), CFile::modeRead | CFile::shareDenyWrite));
    }
    bool MatchesSource(const std::vector<unsigned char>& buffer, std::size_t fileOffset,
                       std::size_t count) const {
        return std::memcmp(buffer.data(), data.data() + fileOffset, count) == 0;
    }

    TempDir dir;
    std::string path;
    std::vector<unsigned char> data;
    FaultyIo io;
    CFileEx file{io};
};

constexpr UINT MiB = 1024 * 1024;

TEST_F(FileExTest, WorkedExampleAlternatesWindowsAroundDirectReads) {
    OpenFile(16 * MiB);
    std::vector<unsigned char> buffer(4 * MiB);

    ASSERT_EQ(file.Read(buffer.data(), 32), 32u);
    EXPECT_TRUE(MatchesSource(buffer, 0, 32));
    EXPECT_EQ(io.reads.size(), 128u); // window A: bytes 0 to 65,535
    EXPECT_EQ(file.GetWindowA().nStart, 0u);
    EXPECT_EQ(file.GetWindowA().nCount, 65536u);

    io.reads.clear();
    ASSERT_EQ(file.Read(buffer.data(), 4 * MiB), 4 * MiB);
    EXPECT_TRUE(MatchesSource(buffer, 32, 4 * MiB));
    EXPECT_EQ(file.GetPosition(), 4194336u);
    // 8,064 direct sector reads from 65,536, then window B at 4,194,304.
    ASSERT_EQ(io.reads.size(), 8064u + 128u);
    EXPECT_EQ(io.reads.front(), (PhysicalRead{65536, 512}));
    EXPECT_EQ(io.reads[8063], (PhysicalRead{4194304 - 512, 512}));
    EXPECT_EQ(io.reads[8064], (PhysicalRead{4194304, 512}));
    EXPECT_EQ(file.GetWindowB().nStart, 4194304u);

    io.reads.clear();
    ASSERT_EQ(file.Read(buffer.data(), 4 * MiB), 4 * MiB);
    EXPECT_TRUE(MatchesSource(buffer, 4194336, 4 * MiB));
    // Both windows start before the position and A starts lower: A is refilled.
    EXPECT_EQ(file.GetWindowA().nStart, 8388608u);
    EXPECT_EQ(file.GetWindowB().nStart, 4194304u);
    EXPECT_EQ(io.reads.size(), 8064u + 128u);
    EXPECT_FALSE(file.IsEndReached());
}

TEST_F(FileExTest, UnreadableSectorArrivesAsZerosAtItsOffset) {
    OpenFile(8 * MiB);
    io.badSpans = {{1048576, 1048576 + 512}};
    file.Seek(65536, CFile::begin);
    std::vector<unsigned char> buffer(4 * MiB, 0xEE);

    ASSERT_EQ(file.Read(buffer.data(), 4 * MiB), 4 * MiB);
    EXPECT_EQ(file.GetPosition(), 65536u + 4 * MiB);
    EXPECT_FALSE(file.IsEndReached());
    for (std::size_t i = 983040; i < 983552; ++i)
        ASSERT_EQ(buffer[i], 0) << "at buffer offset " << i;
    EXPECT_TRUE(MatchesSource(buffer, 65536, 983040));
    const std::size_t after = 983552;
    EXPECT_EQ(std::memcmp(buffer.data() + after, data.data() + 65536 + after, 4 * MiB - after), 0);
    // The bad sector was asked once, and reading went on right behind it.
    std::size_t failed = 0;
    for (std::size_t i = 0; i < io.reads.size(); ++i) {
        if (io.reads[i].offset == 1048576) {
            ++failed;
            ASSERT_LT(i + 1, io.reads.size());
            EXPECT_EQ(io.reads[i + 1], (PhysicalRead{1048576 + 512, 512}));
        }
    }
    EXPECT_EQ(failed, 1u);
}

TEST_F(FileExTest, MisalignedReadTakesTheHeadFirstAndZeroesOnlyIt) {
    OpenFile(MiB);
    io.badSpans = {{0, 512}};
    file.Seek(100, CFile::begin);
    std::vector<unsigned char> buffer(200000, 0xEE);

    ASSERT_EQ(file.Read(buffer.data(), 200000), 200000u);
    // Direct path: 196,608 bytes at 100 = head 412, 383 sectors, tail 100.
    ASSERT_GE(io.reads.size(), 385u);
    EXPECT_EQ(io.reads[0], (PhysicalRead{100, 412}));
    EXPECT_EQ(io.reads[1], (PhysicalRead{512, 512}));
    EXPECT_EQ(io.reads[384], (PhysicalRead{196608, 100}));
    for (std::size_t i = 0; i < 412; ++i)
        ASSERT_EQ(buffer[i], 0);
    EXPECT_TRUE(std::memcmp(buffer.data() + 412, data.data() + 512, 200000 - 412) == 0);
}

TEST_F(FileExTest, EndOfFileCases) {
    struct Case {
        const char* name;
        ULONGLONG position;
        UINT count;
        UINT delivered;
    };
    const std::size_t size = 300000;
    const Case cases[] = {
        {"at the end, small", size, 10, 0},
        {"beyond the end, small", size + 5000, 10, 0},
        {"at the end, large", size, 200000, 0},
        {"crossing the end, small", size - 7, 100, 7},
        {"crossing the end, large", size - 100000, 200000, 100000},
        {"crossing the end, misaligned", size - 1001, 70000, 1001},
    };
    OpenFile(size);
    std::vector<unsigned char> buffer(200000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        file.Seek(static_cast<LONGLONG>(c.position), CFile::begin);
        EXPECT_EQ(file.Read(buffer.data(), c.count), c.delivered);
        EXPECT_TRUE(file.IsEndReached());
        EXPECT_TRUE(MatchesSource(buffer, c.position, c.delivered));
        EXPECT_EQ(file.GetPosition(), c.position + c.delivered);
    }
}

TEST_F(FileExTest, ReadOfNothingLeavesTheEndFlag) {
    OpenFile(1000);
    unsigned char byte;
    file.Seek(1000, CFile::begin);
    ASSERT_EQ(file.Read(&byte, 1), 0u);
    ASSERT_TRUE(file.IsEndReached());
    EXPECT_EQ(file.Read(&byte, 0), 0u);
    EXPECT_TRUE(file.IsEndReached());
    EXPECT_TRUE(io.reads.size() > 0);
}

TEST_F(FileExTest, SeekMovesOnlyTheLogicalPosition) {
    OpenFile(5000);
    unsigned char byte;
    file.Seek(5000, CFile::begin);
    file.Read(&byte, 1);
    ASSERT_TRUE(file.IsEndReached());

    EXPECT_EQ(file.Seek(5000, CFile::begin), 5000u);
    EXPECT_TRUE(file.IsEndReached()) << "a seek to the same position keeps the flag";
    EXPECT_EQ(file.Seek(-10, 3), 5000u) << "an unknown origin leaves the position";
    EXPECT_TRUE(file.IsEndReached());
    EXPECT_EQ(file.Seek(-10, CFile::current), 4990u);
    EXPECT_FALSE(file.IsEndReached());
    EXPECT_EQ(file.Seek(-1, CFile::end), 4999u);
    EXPECT_EQ(file.Seek(3, CFile::begin), 3u);
    EXPECT_EQ(file.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, data[3]);
}

TEST_F(FileExTest, SectorSizeComesFromTheVolumeOr512) {
    for (const auto& [reported, used] : {std::pair<DWORD, DWORD>{0, 512}, {4096, 4096}}) {
        FaultyIo seam;
        seam.sectorSize = reported;
        CFileEx reader(seam);
        const std::string p = dir / "sized.dbf";
        writeFile(p, patternBytes(100000, 1));
        const std::u16string p16(p.begin(), p.end());
        ASSERT_TRUE(reader.Open(p16.c_str(), CFile::modeRead));
        EXPECT_EQ(reader.GetSectorSize(), used);
        std::vector<unsigned char> buffer(10);
        ASSERT_EQ(reader.Read(buffer.data(), 10), 10u);
        ASSERT_FALSE(seam.reads.empty());
        EXPECT_EQ(seam.reads[0].size, used);
    }
}

TEST_F(FileExTest, RealVolumeSectorSizeIsAPowerOfTwo) {
    CFileEx reader;
    const std::string p = dir / "real.dbf";
    writeFile(p, patternBytes(10, 1));
    const std::u16string p16(p.begin(), p.end());
    ASSERT_TRUE(reader.Open(p16.c_str(), CFile::modeRead));
    const DWORD s = reader.GetSectorSize();
    EXPECT_GE(s, 512u);
    EXPECT_EQ(s & (s - 1), 0u);
}

TEST_F(FileExTest, FailingPositionEndsTheReadShort) {
    OpenFile(MiB);
    io.failSeeks = true;
    std::vector<unsigned char> buffer(100);
    EXPECT_EQ(file.Read(buffer.data(), 100), 0u);
    EXPECT_TRUE(file.IsEndReached());
}

TEST_F(FileExTest, UnsupportedOperationsAlwaysRaise) {
    OpenFile(1000);
    EXPECT_THROW(file.Duplicate(), CNotSupportedException);
    EXPECT_THROW(file.LockRange(0, 10), CNotSupportedException);
    EXPECT_THROW(file.UnlockRange(0, 10), CNotSupportedException);
    EXPECT_STREQ(file.GetRuntimeClass()->m_lpszClassName, "CFileEx");
    EXPECT_TRUE(file.GetRuntimeClass()->IsDerivedFrom(&CFile::classCFile));
}

TEST_F(FileExTest, CloseClearsTheEndFlag) {
    OpenFile(10);
    unsigned char buffer[20];
    ASSERT_EQ(file.Read(buffer, 20), 10u);
    ASSERT_TRUE(file.IsEndReached());
    file.Close();
    EXPECT_FALSE(file.IsEndReached());
}

} // namespace
