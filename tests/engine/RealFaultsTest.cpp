// Recovery passes through libBrevik.so against real kernel failures: sectors that answer EIO
// (faultfs), a device that went away (faultfs failing everything from an offset on), a
// destination disk that fills up (a small tmpfs), a source that another process holds open for
// writing, a read-only destination folder, destinations that are the source itself, and source
// paths that are too long or name nothing.
#include "Brevik.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>

namespace {

using namespace testsupport;

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kSector = 512;
constexpr std::uint64_t kHeaderSize = 32;
constexpr std::uint64_t kChunkSize = 4 * kMiB;
constexpr std::uint8_t kMagic[] = {0x7D, 0x7C, 0x7B, 0x7A};
constexpr std::size_t kMagicOffset = 28;

const std::u16string kAnalyzing = u"Analyzing the source file ...";
const std::u16string kOpenError = u"Error 1: Cannot open the file to be repaired. ";

// One message as the callback received it, with its argument copied.
struct Message {
    std::int32_t code;
    std::u16string text;  // the text messages
    std::uint64_t number; // MSG_PROGRESS and MSG_OUTPUT_SIZE

    bool operator==(const Message&) const = default;
};

Message progress(std::uint64_t percent) {
    return {MSG_PROGRESS, {}, percent};
}
Message outputSize(std::uint64_t bytes) {
    return {MSG_OUTPUT_SIZE, {}, bytes};
}
Message message(std::int32_t code, std::u16string value) {
    return {code, std::move(value), 0};
}

void PrintTo(const Message& m, std::ostream* os) {
    switch (m.code) {
    case MSG_PROGRESS:
        *os << "PROGRESS " << m.number;
        return;
    case MSG_OUTPUT_SIZE:
        *os << "OUTPUT_SIZE " << m.number;
        return;
    case MSG_SOURCE_FILE:
        *os << "SOURCE_FILE";
        break;
    case MSG_LOG_TEXT:
        *os << "LOG_TEXT";
        break;
    case MSG_LOG_ERROR:
        *os << "LOG_ERROR";
        break;
    case MSG_SHOW_ERROR:
        *os << "SHOW_ERROR";
        break;
    default:
        *os << "unknown code " << m.code;
        return;
    }
    *os << " \"" << toUtf8(m.text) << '"';
}

std::intptr_t recordMessage(std::int32_t code, const void* arg, std::uintptr_t nUserData) {
    auto& messages = *reinterpret_cast<std::vector<Message>*>(nUserData);
    Message m{code, {}, 0};
    switch (code) {
    case MSG_PROGRESS:
        m.number = *static_cast<const std::uint8_t*>(arg);
        break;
    case MSG_OUTPUT_SIZE:
        std::memcpy(&m.number, arg, sizeof m.number);
        break;
    case MSG_SOURCE_FILE:
    case MSG_LOG_TEXT:
    case MSG_LOG_ERROR:
    case MSG_SHOW_ERROR:
        m.text = static_cast<const char16_t*>(arg);
        break;
    default:
        break;
    }
    messages.push_back(std::move(m));
    return 0;
}

struct Outcome {
    int result;
    std::vector<Message> messages;
};

// One pass of the masked entry point from `source` to `dest`.
Outcome recover(const std::string& source, const std::string& dest) {
    const std::u16string source16 = toUtf16(source);
    const std::u16string dest16 = toUtf16(dest);
    Outcome outcome{};
    ProcessParams params{source16.c_str(),
                         0,
                         0,
                         dest16.c_str(),
                         recordMessage,
                         reinterpret_cast<std::uintptr_t>(&outcome.messages)};
    BrevikMaskParams(&params);
    const ProcessParams masked = params;
    outcome.result = ProcessDBFFileEx(&params);
    EXPECT_EQ(std::memcmp(&params, &masked, sizeof params), 0) << "the record was written to";
    return outcome;
}

std::uint64_t percentAfter(std::uint64_t readTotal, std::uint64_t length) {
    const double share = static_cast<double>(readTotal) * 100.0 / static_cast<double>(length);
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(share));
}

// The messages of a pass that opened both files and wrote the header and `chunks` full chunks
// of a `length`-byte source; then either the copy failed with `error` or the rest was copied.
std::vector<Message> copyMessages(const std::string& source, std::uint64_t length,
                                  std::uint64_t chunks,
                                  const std::optional<std::u16string>& error) {
    std::vector<Message> messages = {progress(0), message(MSG_SOURCE_FILE, toUtf16(source)),
                                     message(MSG_LOG_TEXT, kAnalyzing)};
    for (std::uint64_t k = 1; k <= chunks; ++k)
        messages.push_back(progress(percentAfter(kHeaderSize + k * kChunkSize, length)));
    std::uint64_t written = kHeaderSize + chunks * kChunkSize;
    if (error) {
        messages.push_back(message(MSG_LOG_ERROR, *error));
        messages.push_back(message(MSG_SHOW_ERROR, *error));
    } else {
        written = std::max(length, kHeaderSize);
    }
    messages.insert(messages.end(), {outputSize(written), progress(100)});
    return messages;
}

// The messages of a pass that copied a `length`-byte source without a failure.
std::vector<Message> copiedMessages(const std::string& source, std::uint64_t length) {
    const std::uint64_t chunks = length > kHeaderSize ? (length - kHeaderSize) / kChunkSize : 0;
    return copyMessages(source, length, chunks, std::nullopt);
}

// The messages of a pass whose destination could not be created.
std::vector<Message> refusedMessages(const std::string& source) {
    return {progress(0), message(MSG_SOURCE_FILE, toUtf16(source)), outputSize(0), progress(100)};
}

// The messages of a pass whose source could not be opened.
std::vector<Message> openFailedMessages(const std::string& source, const std::u16string& logError,
                                        const std::u16string& showError) {
    return {progress(0),
            message(MSG_SOURCE_FILE, toUtf16(source)),
            message(MSG_LOG_ERROR, logError),
            message(MSG_SHOW_ERROR, showError),
            outputSize(0),
            progress(100)};
}

// What the copy of `source` holds when the bytes in `unreadable` cannot be read.
std::vector<std::uint8_t> expectedCopy(std::vector<std::uint8_t> source,
                                       const std::vector<ByteRange>& unreadable) {
    for (const ByteRange& range : unreadable) {
        const auto end = std::min<std::uint64_t>(range.end, source.size());
        if (range.start < end)
            std::fill(source.begin() + range.start, source.begin() + end, 0);
    }
    if (source.size() < kHeaderSize)
        source.resize(kHeaderSize);
    std::copy(std::begin(kMagic), std::end(kMagic), source.begin() + kMagicOffset);
    return source;
}

// Compares two files' bytes, describing a difference by its first offsets instead of dumping
// megabytes.
::testing::AssertionResult sameBytes(const std::vector<std::uint8_t>& actual,
                                     const std::vector<std::uint8_t>& expected) {
    std::vector<std::size_t> differing;
    const std::size_t common = std::min(actual.size(), expected.size());
    std::size_t count = 0;
    for (std::size_t i = 0; i < common; ++i) {
        if (actual[i] != expected[i] && count++ < 8)
            differing.push_back(i);
    }
    if (count == 0 && actual.size() == expected.size())
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    failure << actual.size() << " bytes where " << expected.size() << " were expected";
    if (count != 0) {
        failure << "; " << count << " bytes differ, first at";
        for (const std::size_t offset : differing)
            failure << ' ' << offset << " (" << int{actual[offset]} << " for "
                    << int{expected[offset]} << ')';
    }
    return failure;
}

ino_t inodeOf(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        ADD_FAILURE() << "stat " << path << ": " << std::strerror(errno);
    return st.st_ino;
}

// --- Unreadable sectors -------------------------------------------------------------------

struct BadSectorCase {
    const char* name;
    std::uint64_t length;
    std::vector<ByteRange> bad;
};

void PrintTo(const BadSectorCase& c, std::ostream* os) {
    *os << c.name;
}

class BadSectorTest : public ::testing::TestWithParam<BadSectorCase> {};

TEST_P(BadSectorTest, ArriveAsZerosAtTheirOwnOffsets) {
    SKIP_IF_MISSING(missingFuse());
    const BadSectorCase& c = GetParam();
    TempDir dir;
    const std::vector<std::uint8_t> source = patternBytes(c.length, 11);
    writeFile(dir / "backing.dbf", source);
    const std::string logPath = dir / "reads.log";
    const std::string dest = dir / "out.dbf";
    {
        FaultFsMount mount(dir / "mnt", {dir / "backing.dbf", "damaged.dbf", c.bad, {}, logPath});
        const Outcome outcome = recover(mount.filePath(), dest);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.messages, copiedMessages(mount.filePath(), c.length));
    }
    EXPECT_TRUE(sameBytes(readFile(dest), expectedCopy(source, c.bad)));

    // The zeros came from real EIO: every bad range was asked for, and no physical read inside
    // the file covered more than one sector, so no good byte was lost with a bad one. (After a
    // short last sector the reader asks once more from the end of the file, wherever that is.)
    const std::vector<ReadRequest> reads = readFaultFsLog(logPath);
    for (const ReadRequest& read : reads) {
        ASSERT_GT(read.size, 0u);
        ASSERT_LE(read.size, kSector) << "a read at " << read.offset;
        if (read.offset < c.length) {
            ASSERT_EQ(read.offset / kSector, (read.offset + read.size - 1) / kSector)
                << read.size << " bytes at " << read.offset << " cross a sector boundary";
        }
    }
    for (const ByteRange& bad : c.bad) {
        EXPECT_TRUE(std::any_of(reads.begin(), reads.end(),
                                [&](const ReadRequest& read) {
                                    return read.offset < bad.end &&
                                           bad.start < read.offset + read.size;
                                }))
            << "no read of " << bad.start << "-" << bad.end;
    }
}

ByteRange sectorAt(std::uint64_t offset, std::uint64_t sectors = 1) {
    return {offset, offset + sectors * kSector};
}

INSTANTIATE_TEST_SUITE_P(
    RealFaults, BadSectorTest,
    ::testing::Values(
        // A sector read through the first cache window, the sector across the first chunk
        // boundary (read through the second window), one in the middle of a chunk, a run of
        // sectors, and the short last sector.
        BadSectorCase{"Scattered",
                      8 * kMiB + 300,
                      {sectorAt(4096), sectorAt(4 * kMiB), sectorAt(5 * kMiB + 1536),
                       sectorAt(6 * kMiB + 8192, 16), sectorAt(8 * kMiB)}},
        // The sector that holds the header: only the magic survives in it.
        BadSectorCase{"HeaderSector", kMiB + 100, {sectorAt(0)}},
        // The edges of the first cache window and of the direct reads, a chunk boundary and
        // the last sector of a source that ends on a chunk boundary.
        BadSectorCase{"WindowAndChunkEdges",
                      12 * kMiB,
                      {sectorAt(65536 - kSector), sectorAt(65536), sectorAt(8 * kMiB),
                       sectorAt(12 * kMiB - kSector)}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- A device that went away ----------------------------------------------------------------

struct VanishedCase {
    const char* name;
    std::uint64_t length;
    std::uint64_t failFrom; // every read reaching this offset or beyond fails
};

void PrintTo(const VanishedCase& c, std::ostream* os) {
    *os << c.name;
}

class VanishedDeviceTest : public ::testing::TestWithParam<VanishedCase> {};

TEST_P(VanishedDeviceTest, CopyEndsAtTheSourceLengthWithZerosFromThere) {
    SKIP_IF_MISSING(missingFuse());
    const VanishedCase& c = GetParam();
    TempDir dir;
    const std::vector<std::uint8_t> source = patternBytes(c.length, 12);
    writeFile(dir / "backing.dbf", source);
    const std::string dest = dir / "out.dbf";
    {
        FaultFsMount mount(dir / "mnt", {dir / "backing.dbf", "gone.dbf", {}, c.failFrom, {}});
        const Outcome outcome = recover(mount.filePath(), dest);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.messages, copiedMessages(mount.filePath(), c.length));
    }
    EXPECT_TRUE(sameBytes(readFile(dest), expectedCopy(source, {{c.failFrom, c.length}})));
}

INSTANTIATE_TEST_SUITE_P(
    RealFaults, VanishedDeviceTest,
    ::testing::Values(VanishedCase{"InTheMiddle", 8 * kMiB + 300, 5 * kMiB + 1536},
                      VanishedCase{"FromTheStart", 8 * kMiB + 300, 0},
                      VanishedCase{"WhereACacheWindowStarts", 9 * kMiB, 8 * kMiB},
                      VanishedCase{"OnlyPastTheEnd", 12 * kMiB, 12 * kMiB}),
    [](const auto& info) { return std::string(info.param.name); });

// --- A destination disk that fills up -------------------------------------------------------

struct DiskFullCase {
    const char* name;
    std::uint64_t diskSize;
    std::uint64_t chunksThatFit; // full chunks written after the header before the disk is full
};

void PrintTo(const DiskFullCase& c, std::ostream* os) {
    *os << c.name;
}

class DiskFullTest : public ::testing::TestWithParam<DiskFullCase> {};

TEST_P(DiskFullTest, ReportsTheDestinationAndCountsOnlyWhatWasWritten) {
    SKIP_IF_MISSING(missingRoot());
    const DiskFullCase& c = GetParam();
    constexpr std::uint64_t kLength = 16 * kMiB;
    TempDir dir;
    const std::string sourcePath = dir / "source.dbf";
    const std::vector<std::uint8_t> source = patternBytes(kLength, 13);
    writeFile(sourcePath, source);
    TmpfsMount disk(dir / "small", c.diskSize);
    const std::string dest = disk.path() + "/out.dbf";

    const Outcome outcome = recover(sourcePath, dest);

    const std::u16string error =
        u"Error 2: General error. Disk full while accessing " + toUtf16(dest) + u".";
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.messages, copyMessages(sourcePath, kLength, c.chunksThatFit, error));
    // What was counted is on the disk; the failing chunk may have left a part of itself behind.
    const std::uint64_t counted = kHeaderSize + c.chunksThatFit * kChunkSize;
    std::vector<std::uint8_t> copy = readFile(dest);
    ASSERT_GE(copy.size(), counted);
    ASSERT_LT(copy.size(), counted + kChunkSize);
    copy.resize(counted);
    std::vector<std::uint8_t> expected = expectedCopy(source, {});
    expected.resize(counted);
    EXPECT_TRUE(sameBytes(copy, expected));
    EXPECT_TRUE(sameBytes(readFile(sourcePath), source));
}

INSTANTIATE_TEST_SUITE_P(RealFaults, DiskFullTest,
                         ::testing::Values(DiskFullCase{"InTheFirstChunk", kMiB, 0},
                                           DiskFullCase{"InTheSecondChunk", 6 * kMiB, 1},
                                           DiskFullCase{"InTheThirdChunk", 10 * kMiB, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- A source that another process writes ---------------------------------------------------

TEST(RealFaults, SourceHeldOpenForWritingIsAShareViolation) {
    TempDir dir;
    const std::string sourcePath = dir / "busy.dbf";
    const std::string dest = dir / "out.dbf";
    const std::vector<std::uint8_t> source = patternBytes(kMiB + 7, 14);
    writeFile(sourcePath, source);
    const std::u16string path16 = toUtf16(sourcePath);
    {
        WriterHold writer(sourcePath);
        const Outcome outcome = recover(sourcePath, dest);
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(
            outcome.messages,
            openFailedMessages(
                sourcePath,
                kOpenError + u"Encountered a sharing violation while accessing " + path16 + u".",
                u"Share violation when opening the source file '" + path16 +
                    u"'.\n"
                    u"Please close any other applications accessing the file and try "
                    u"again.\n"
                    u"If this still cannot work, then please make a copy of the source "
                    u"PST file, then use Pelmark to repair the copy instead."));
        EXPECT_FALSE(std::filesystem::exists(dest));
    }
    EXPECT_TRUE(sameBytes(readFile(sourcePath), source));

    // Once the writer has gone, the same source is recovered.
    const Outcome outcome = recover(sourcePath, dest);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.messages, copiedMessages(sourcePath, source.size()));
    EXPECT_TRUE(sameBytes(readFile(dest), expectedCopy(source, {})));
}

// --- Destinations that cannot be created ----------------------------------------------------

TEST(RealFaults, ReadOnlyDestinationFolderSendsNoError) {
    SKIP_IF_MISSING(missingRoot());
    TempDir dir;
    const std::string sourcePath = dir / "source.dbf";
    const std::vector<std::uint8_t> source = patternBytes(kMiB + 7, 15);
    writeFile(sourcePath, source);
    TmpfsMount readOnly(dir / "ro", kMiB, TmpfsMount::Access::ReadOnly);
    const std::string dest = readOnly.path() + "/out.dbf";

    const Outcome outcome = recover(sourcePath, dest);

    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.messages, refusedMessages(sourcePath));
    EXPECT_FALSE(std::filesystem::exists(dest));
    EXPECT_TRUE(sameBytes(readFile(sourcePath), source));
}

struct SelfCase {
    const char* name;
    // Returns a destination path that names the source `sourcePath` in folder `dir`.
    std::string (*makeDest)(const TempDir& dir, const std::string& sourcePath);
};

void PrintTo(const SelfCase& c, std::ostream* os) {
    *os << c.name;
}

class DestinationIsSourceTest : public ::testing::TestWithParam<SelfCase> {};

TEST_P(DestinationIsSourceTest, IsRefusedAndLeavesTheSourceUntouched) {
    TempDir dir;
    const std::string sourcePath = dir / "source.dbf";
    const std::vector<std::uint8_t> source = patternBytes(kMiB + 100, 16);
    writeFile(sourcePath, source);
    const ino_t inode = inodeOf(sourcePath);
    const std::string dest = GetParam().makeDest(dir, sourcePath);

    const Outcome outcome = recover(sourcePath, dest);

    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.messages, refusedMessages(sourcePath));
    EXPECT_TRUE(sameBytes(readFile(sourcePath), source));
    EXPECT_EQ(inodeOf(sourcePath), inode);
    EXPECT_EQ(inodeOf(dest), inode) << dest << " no longer names the source";
}

std::string linkOrFail(int result, const std::string& path) {
    if (result != 0)
        ADD_FAILURE() << "creating " << path << ": " << std::strerror(errno);
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    RealFaults, DestinationIsSourceTest,
    ::testing::Values(SelfCase{"SamePath",
                               [](const TempDir&, const std::string& source) { return source; }},
                      SelfCase{"ThroughParentFolder",
                               [](const TempDir& dir, const std::string&) {
                                   return dir.makeDir("sub") + "/../source.dbf";
                               }},
                      SelfCase{"HardLink",
                               [](const TempDir& dir, const std::string& source) {
                                   const std::string link = dir / "hard.dbf";
                                   return linkOrFail(::link(source.c_str(), link.c_str()), link);
                               }},
                      SelfCase{"SymbolicLink",
                               [](const TempDir& dir, const std::string& source) {
                                   const std::string link = dir / "soft.dbf";
                                   return linkOrFail(symlink(source.c_str(), link.c_str()), link);
                               }},
                      SelfCase{"RelativeSymbolicLinkInAnotherFolder",
                               [](const TempDir& dir, const std::string&) {
                                   const std::string link = dir.makeDir("other") + "/soft.dbf";
                                   return linkOrFail(symlink("../source.dbf", link.c_str()), link);
                               }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Source paths that cannot be opened -----------------------------------------------------

struct LongPathCase {
    const char* name;
    const char* letter; // UTF-8 of the letter the path is padded with
    std::size_t units;  // the path's length in UTF-16 units
    bool refused;
};

// Creates the folders of a path of exactly `units` UTF-16 units below `base` made of `letter`
// (plus an "a" where one letter would not fit), with short components, and returns the path.
std::string pathOfLength(const std::string& base, const std::string& letter, std::size_t units) {
    const std::size_t letterUnits = toUtf16(letter).size();
    std::string path = base;
    std::size_t length = toUtf16(base).size();
    while (length < units) {
        path += '/';
        ++length;
        // A component ends after 40 letters unless that would leave a lone separator behind.
        for (std::size_t letters = 0; length < units && (letters < 40 || units - length < 2);
             ++letters) {
            const bool fits = length + letterUnits <= units;
            path += fits ? letter : "a";
            length += fits ? letterUnits : 1;
        }
        if (length < units)
            std::filesystem::create_directory(path);
    }
    return path;
}

void PrintTo(const LongPathCase& c, std::ostream* os) {
    *os << c.name;
}

class LongSourcePathTest : public ::testing::TestWithParam<LongPathCase> {};

TEST_P(LongSourcePathTest, IsABadPathFrom260Units) {
    const LongPathCase& c = GetParam();
    TempDir dir;
    const std::string sourcePath = pathOfLength(dir.path(), c.letter, c.units);
    ASSERT_EQ(toUtf16(sourcePath).size(), c.units);
    const std::vector<std::uint8_t> source = patternBytes(1000, 17);
    writeFile(sourcePath, source);
    const std::string dest = dir / "out.dbf";

    const Outcome outcome = recover(sourcePath, dest);

    if (c.refused) {
        const std::u16string error =
            kOpenError + toUtf16(sourcePath) + u" contains an incorrect path.";
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.messages, openFailedMessages(sourcePath, error, error));
        EXPECT_FALSE(std::filesystem::exists(dest));
    } else {
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.messages, copiedMessages(sourcePath, source.size()));
        EXPECT_TRUE(sameBytes(readFile(dest), expectedCopy(source, {})));
    }
}

// Lengths count UTF-16 units: two-byte letters make a path of more than 260 bytes that is still
// short enough, letters outside the basic plane one of fewer than 260 characters that is not.
INSTANTIATE_TEST_SUITE_P(
    RealFaults, LongSourcePathTest,
    ::testing::Values(LongPathCase{"Ascii259", "a", 259, false},
                      LongPathCase{"Ascii260", "a", 260, true},
                      LongPathCase{"Ascii300", "a", 300, true},
                      LongPathCase{"TwoByteLetters259", "\xC3\xA9", 259, false},
                      LongPathCase{"SurrogatePairs259", "\xF0\x9F\x98\x80", 259, false},
                      LongPathCase{"SurrogatePairs260", "\xF0\x9F\x98\x80", 260, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RealFaults, MissingSourceInAnExistingFolderIsNotFound) {
    TempDir dir;
    const std::string sourcePath = dir / "missing.dbf";
    const std::string dest = dir / "out.dbf";

    const Outcome outcome = recover(sourcePath, dest);

    const std::u16string error = kOpenError + toUtf16(sourcePath) + u" was not found.";
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.messages, openFailedMessages(sourcePath, error, error));
    EXPECT_FALSE(std::filesystem::exists(dest));
}

} // namespace
