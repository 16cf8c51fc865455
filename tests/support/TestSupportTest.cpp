// The fixtures checked against the kernel they stand in front of: what faultfs answers to each
// read, what a small or read-only tmpfs refuses, and what a held writer does to a read lease.
#include "TestSupport.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

namespace {

using namespace testsupport;

constexpr std::size_t kBackingSize = 100'000;

// Opens `path` read-only for the length of a test; the descriptor is closed at destruction.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path) : fd_(open(path.c_str(), O_RDONLY)) {
        if (fd_ < 0)
            ADD_FAILURE() << "opening " << path << ": " << std::strerror(errno);
    }
    ~ReadOnlyFile() {
        if (fd_ >= 0 && close(fd_) != 0)
            ADD_FAILURE() << "closing: " << std::strerror(errno);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    int fd() const { return fd_; }

private:
    int fd_;
};

struct ReadCase {
    off_t offset;
    std::size_t size;
    bool fails;        // EIO expected
    std::size_t bytes; // bytes expected when it does not fail
};

// Reads each case with one pread(2) and checks the outcome against the backing bytes.
void expectReads(int fd, const std::vector<std::uint8_t>& backing,
                 const std::vector<ReadCase>& cases) {
    for (const ReadCase& c : cases) {
        SCOPED_TRACE("read of " + std::to_string(c.size) + " at " + std::to_string(c.offset));
        std::vector<std::uint8_t> buffer(c.size);
        const ssize_t n = pread(fd, buffer.data(), c.size, c.offset);
        if (c.fails) {
            EXPECT_EQ(n, -1);
            EXPECT_EQ(errno, EIO);
            continue;
        }
        ASSERT_EQ(n, static_cast<ssize_t>(c.bytes)) << std::strerror(errno);
        const auto begin = backing.begin() + c.offset;
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + n, begin));
    }
}

class FaultFsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_IF_MISSING(missingFuse());
        backing_ = patternBytes(kBackingSize, 7);
        writeFile(dir_ / "backing", backing_);
    }

    FaultFsOptions options() const { return {dir_ / "backing", "served.dbf", {}, {}, {}}; }

    TempDir dir_;
    std::vector<std::uint8_t> backing_;
};

TEST_F(FaultFsTest, FailsExactlyTheReadsThatOverlapABadRange) {
    FaultFsOptions opts = options();
    opts.bad = {{1024, 1536}, {5000, 5001}};
    opts.logPath = dir_ / "reads.log";
    const std::vector<ReadCase> cases = {
        {0, 512, false, 512},          {512, 512, false, 512},
        {1024, 512, true, 0},          {1535, 1, true, 0},
        {1536, 512, false, 512},       {4608, 512, true, 0},
        {5001, 4000, false, 4000},     {0, 65536, true, 0},
        {8192, 65536, false, 65536},   {99840, 512, false, 160},
        {kBackingSize, 512, false, 0}, {kBackingSize + 4096, 512, false, 0},
    };
    {
        FaultFsMount mount(dir_ / "mnt", opts);
        ReadOnlyFile file(mount.filePath());
        expectReads(file.fd(), backing_, cases);
    }
    // Each read(2) arrived as one request of the size asked for.
    const std::vector<ReadRequest> log = readFaultFsLog(opts.logPath);
    ASSERT_EQ(log.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(log[i].offset, static_cast<std::uint64_t>(cases[i].offset)) << "request " << i;
        EXPECT_EQ(log[i].size, cases[i].size) << "request " << i;
    }
}

TEST_F(FaultFsTest, FailFromFailsEverythingFromThereOnIncludingPastTheEnd) {
    FaultFsOptions opts = options();
    opts.failFrom = 65536;
    FaultFsMount mount(dir_ / "mnt", opts);
    ReadOnlyFile file(mount.filePath());
    expectReads(file.fd(), backing_,
                {
                    {0, 65536, false, 65536},
                    {65024, 512, false, 512},
                    {65024, 513, true, 0},
                    {65536, 512, true, 0},
                    {99840, 512, true, 0},
                    {kBackingSize, 512, true, 0},
                    {kBackingSize + 1'000'000, 512, true, 0},
                });
}

TEST_F(FaultFsTest, ServesOneReadOnlyFileOfTheBackingSize) {
    FaultFsMount mount(dir_ / "mnt", options());
    struct stat st;
    ASSERT_EQ(stat(mount.filePath().c_str(), &st), 0) << std::strerror(errno);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_size, static_cast<off_t>(kBackingSize));

    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_ / "mnt"))
        names.insert(entry.path().filename());
    EXPECT_EQ(names, std::set<std::string>{"served.dbf"});

    for (const int flags : {O_WRONLY, O_RDWR, O_RDONLY | O_TRUNC}) {
        errno = 0;
        EXPECT_EQ(open(mount.filePath().c_str(), flags), -1) << "flags " << flags;
        EXPECT_EQ(errno, EROFS) << "flags " << flags;
    }
    errno = 0;
    EXPECT_EQ(open((dir_ / "mnt/other").c_str(), O_RDONLY), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(FaultFsTest, UnmountsAtDestruction) {
    const std::string served = dir_ / "mnt/served.dbf";
    { FaultFsMount mount(dir_ / "mnt", options()); }
    EXPECT_FALSE(std::filesystem::exists(served));
    EXPECT_TRUE(std::filesystem::is_empty(dir_ / "mnt"));
}

TEST(TmpfsMountTest, RefusesWritesBeyondItsSizeAndWhenReadOnly) {
    SKIP_IF_MISSING(missingRoot());
    TempDir dir;
    struct Case {
        TmpfsMount::Access access;
        std::size_t bytes;
        int error;
    };
    const Case cases[] = {
        {TmpfsMount::Access::ReadWrite, 512 * 1024, 0},
        {TmpfsMount::Access::ReadWrite, 2 * 1024 * 1024, ENOSPC},
        {TmpfsMount::Access::ReadOnly, 1, EROFS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("writing " + std::to_string(c.bytes) + " bytes");
        TmpfsMount mount(dir / "mnt", 1024 * 1024, c.access);
        const std::string file = mount.path() + "/file";
        if (c.error == 0) {
            writeFile(file, patternBytes(c.bytes, 1));
            EXPECT_EQ(readFile(file), patternBytes(c.bytes, 1));
            continue;
        }
        try {
            writeFile(file, patternBytes(c.bytes, 1));
            ADD_FAILURE() << "the write succeeded";
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code().value(), c.error) << e.what();
        }
    }
}

TEST(WriterHoldTest, AnotherProcessHoldingTheFileBlocksAReadLease) {
    TempDir dir;
    const std::string path = dir / "held.dbf";
    writeFile(path, patternBytes(4096, 3));
    ReadOnlyFile file(path);
    {
        WriterHold writer(path);
        errno = 0;
        EXPECT_EQ(fcntl(file.fd(), F_SETLEASE, F_RDLCK), -1);
        EXPECT_EQ(errno, EAGAIN);
    }
    ASSERT_EQ(fcntl(file.fd(), F_SETLEASE, F_RDLCK), 0) << std::strerror(errno);
    EXPECT_EQ(fcntl(file.fd(), F_SETLEASE, F_UNLCK), 0) << std::strerror(errno);
}

TEST(WriterHoldTest, ReportsAFileItCannotOpen) {
    TempDir dir;
    try {
        WriterHold writer(dir / "missing/file");
        ADD_FAILURE() << "the missing file was held";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), ENOENT) << e.what();
    }
}

TEST(TempDirTest, RemovesEverythingInside) {
    std::string path;
    {
        TempDir dir;
        path = dir.path();
        writeFile(dir.makeDir("sub") + "/file", patternBytes(100, 1));
        ASSERT_EQ(symlink("sub/file", (dir / "link").c_str()), 0) << std::strerror(errno);
        EXPECT_TRUE(std::filesystem::is_directory(path));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(TempDirTest, DetachesAndReportsAMountLeftInside) {
    SKIP_IF_MISSING(missingRoot());
    static std::string path;
    EXPECT_NONFATAL_FAILURE(
        {
            TempDir dir;
            path = dir.makeDir("mnt");
            ASSERT_EQ(mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k"), 0)
                << std::strerror(errno);
            writeFile(path + "/file", patternBytes(100, 1));
        },
        "was still mounted");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(PatternTest, RepeatsForASeedAndNoTwoSectorsMatch) {
    const std::vector<std::uint8_t> bytes = patternBytes(1 << 20, 42);
    EXPECT_EQ(bytes, patternBytes(1 << 20, 42));
    EXPECT_NE(bytes, patternBytes(1 << 20, 43));
    std::set<std::vector<std::uint8_t>> sectors;
    for (std::size_t offset = 0; offset < bytes.size(); offset += 512)
        sectors.emplace(bytes.begin() + offset, bytes.begin() + offset + 512);
    EXPECT_EQ(sectors.size(), bytes.size() / 512);
}

TEST(UtfTest, ConvertsBothWays) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"", u""},
        {"/tmp/a.dbf", u"/tmp/a.dbf"},
        {"caf\xC3\xA9", u"caf\u00E9"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toUtf16(c.utf8), c.utf16) << c.utf8;
        EXPECT_EQ(toUtf8(c.utf16), c.utf8) << c.utf8;
    }
    for (const std::string bad : {"\xC3", "\x80", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
        EXPECT_THROW(toUtf16(bad), std::invalid_argument);
}

} // namespace
