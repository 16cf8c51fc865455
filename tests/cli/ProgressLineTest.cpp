#include "ProgressLine.h"

#include <gtest/gtest.h>

#include <limits>

namespace vorn {
namespace {

constexpr std::uint64_t kMiB = 1048576;
constexpr std::uint64_t kGiB = 1024 * kMiB;

TEST(BytesDoneAfterChunksTest, CountsTheHeaderAndFullChunksUpToTheTotal) {
    struct Row {
        std::uint64_t chunks;
        std::uint64_t total;
        std::uint64_t done;
    };
    const Row rows[] = {
        {1, 10 * kMiB, 4194336},
        {2, 10 * kMiB, 8388640},
        {1, 32 + 4 * kMiB, 32 + 4 * kMiB},
        {2, 32 + 4 * kMiB, 32 + 4 * kMiB},
        {1, 100, 100},
        {0, 0, 0},
        {std::numeric_limits<std::uint64_t>::max(), 10 * kMiB, 10 * kMiB},
    };
    for (const Row& row : rows)
        EXPECT_EQ(BytesDoneAfterChunks(row.chunks, row.total), row.done)
            << row.chunks << " chunks of a " << row.total << "-byte source";
}

TEST(FormatCountTest, GroupsThousandsWithCommas) {
    const std::pair<std::uint64_t, const char*> rows[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1,000"},
        {1234567, "1,234,567"},
        {10485760, "10,485,760"},
        {std::numeric_limits<std::uint64_t>::max(), "18,446,744,073,709,551,615"},
    };
    for (const auto& [value, text] : rows)
        EXPECT_EQ(FormatCount(value), text);
}

TEST(FormatBytesTest, UsesBinaryUnitsWithOneDecimal) {
    const std::pair<std::uint64_t, const char*> rows[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {1024, "1.0 KiB"},
        {1536, "1.5 KiB"},
        {kMiB - 1, "1.0 MiB"},
        {10 * kMiB, "10.0 MiB"},
        {kGiB, "1.0 GiB"},
        {std::numeric_limits<std::uint64_t>::max(), "16.0 EiB"},
    };
    for (const auto& [value, text] : rows)
        EXPECT_EQ(FormatBytes(value), text);
}

TEST(FormatDurationTest, ShowsHoursOnlyFromOneHour) {
    const std::pair<std::uint64_t, const char*> rows[] = {
        {0, "0:00"},     {59, "0:59"},      {61, "1:01"},
        {3599, "59:59"}, {3600, "1:00:00"}, {90061, "25:01:01"},
    };
    for (const auto& [value, text] : rows)
        EXPECT_EQ(FormatDuration(value), text);
}

struct LineCase {
    const char* name;
    ProgressSnapshot snapshot;
    const char* line;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgressLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(ProgressLineTest, Formats) {
    const LineCase& c = GetParam();
    const std::string line = FormatProgressLine(c.snapshot);
    EXPECT_EQ(line, c.line);
    EXPECT_LE(line.size(), 79u);
}

const LineCase kLineCases[] = {
    {"Start", {0, 0, 10 * kMiB, 0.0}, "  0% [                ] 0 B of 10.0 MiB  0 B/s  --:-- left"},
    {"NoTimeElapsedYet",
     {40, 4194336, 10 * kMiB, 0.0},
     " 40% [######          ] 4.0 MiB of 10.0 MiB  0 B/s  --:-- left"},
    {"TimeLeft",
     {40, 4194336, 10 * kMiB, 2.0},
     " 40% [######          ] 4.0 MiB of 10.0 MiB  2.0 MiB/s  0:03 left"},
    {"MinutesLeft",
     {0, 4194336, kGiB, 10.0},
     "  0% [                ] 4.0 MiB of 1.0 GiB  409.6 KiB/s  42:30 left"},
    {"HoursLeft",
     {0, 4194336, 100 * kGiB, 10.0},
     "  0% [                ] 4.0 MiB of 100.0 GiB  409.6 KiB/s  71:06:29 left"},
    {"EstimateTooLong",
     {0, 1024, 1024 * kGiB, 100.0},
     "  0% [                ] 1.0 KiB of 1.0 TiB  10 B/s  --:-- left"},
    {"Finished",
     {100, 10 * kMiB, 10 * kMiB, 4.0},
     "100% [################] 10.0 MiB of 10.0 MiB  2.5 MiB/s  0:00 left"},
    {"ZeroTotalAtStart", {0, 0, 0, 0.0}, "  0% [                ] 0 B of 0 B  0 B/s  --:-- left"},
    {"ZeroTotalFinished",
     {100, 0, 0, 0.5},
     "100% [################] 0 B of 0 B  0 B/s  --:-- left"},
    {"PercentAboveHundredIsCapped",
     {255, 0, 0, 0.0},
     "100% [################] 0 B of 0 B  0 B/s  --:-- left"},
    {"WidestFigures",
     {100, 1099404253593, 1099404253593ull * 359001 + 549702126796, 1.0},
     "100% [################] 1023.9 GiB of 350.6 PiB  1023.9 GiB/s  99:43:21 left"},
};

INSTANTIATE_TEST_SUITE_P(Table, ProgressLineTest, testing::ValuesIn(kLineCases),
                         [](const testing::TestParamInfo<LineCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace vorn
