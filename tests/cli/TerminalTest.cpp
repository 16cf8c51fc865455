// vorn-recover on a pseudo-terminal draws its progress bar there.
#include "ProgramRunner.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vorn::test {
namespace {

TEST(TerminalTest, DrawsTheBarInPlaceWhileCopying) {
    TempDir dir;
    const auto source = dir.path() / "source.dbf";
    WriteFile(source, SourceBytes(10485760));

    const RunResult run = RunProgramOnTerminal({source, dir.path() / "target.dbf"});

    EXPECT_EQ(run.exitCode, 0) << run.out;
    // The terminal turns each "\n" into "\r\n".
    const std::string analyzing = "Analyzing the source file ...\r\n";
    const std::string start = "\r  0% [                ] 0 B of 10.0 MiB";
    const std::string chunk = "\r 40% [######          ] 4.0 MiB of 10.0 MiB";
    const std::string last = "\r100% [################] 10.0 MiB of 10.0 MiB";
    const std::string written = "Written: 10,485,760 bytes\r\n";
    const std::size_t at[] = {run.out.find(analyzing), run.out.find(start), run.out.find(chunk),
                              run.out.find(last), run.out.find(written)};
    for (std::size_t position : at)
        ASSERT_NE(position, std::string::npos) << run.out;
    EXPECT_TRUE(std::is_sorted(std::begin(at), std::end(at))) << run.out;
    EXPECT_EQ(CountOf(run.out, last), 1u) << run.out;
    EXPECT_NE(run.out.find(" left\r\n", run.out.find(last)), std::string::npos) << run.out;
}

TEST(TerminalTest, DrawsNoBarWhenTheSourceCannotBeOpened) {
    TempDir dir;
    const auto source = dir.path() / "missing.dbf";

    const RunResult run = RunProgramOnTerminal({source, dir.path() / "target.dbf"});

    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_NE(run.out.find(source.string() + " was not found."), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("% ["), std::string::npos) << run.out;
}

} // namespace
} // namespace vorn::test
