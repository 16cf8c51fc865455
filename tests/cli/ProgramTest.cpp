// The built vorn-recover on real files: exit statuses, messages and what ends up on disk.
#include "ProgramRunner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace vorn::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kNoSource = ~std::uint64_t{0};
const std::string kOldTarget = "the previous content of the target\n";

enum class TargetSetup { None, OldFile, HardLinkToSource, SymlinkToSource, Folder };
enum class TargetAfter { Recovered, Old, Absent, NotChecked };

struct ProgramCase {
    const char* name;
    std::uint64_t sourceSize; // kNoSource: no source file
    TargetSetup setup;
    bool holdSourceForWriting; // another opener keeps the source open for writing
    // {src}, {tgt} and {dir} stand for the source, the target and the folder; {long} for a
    // source path of more than 260 characters.
    std::vector<std::string> args;
    int exitCode;
    std::vector<std::string> outHas; // each exactly once
    std::vector<std::string> errHas; // each exactly once; none means stderr stays empty
    TargetAfter after;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ProgramCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgramTest : public testing::TestWithParam<ProgramCase> {
protected:
    std::string Expand(std::string text) const {
        const std::pair<std::string, std::string> names[] = {
            {"{src}", source_.string()},
            {"{tgt}", target_.string()},
            {"{dir}", dir_.path().string()},
            {"{long}", (dir_.path() / std::string(300, 'a')).string()},
        };
        for (const auto& [name, value] : names) {
            for (std::size_t at = text.find(name); at != std::string::npos;
                 at = text.find(name, at + value.size()))
                text.replace(at, name.size(), value);
        }
        return text;
    }

    TempDir dir_;
    fs::path source_ = dir_.path() / "source.dbf";
    fs::path target_ = dir_.path() / "target.dbf";
};

TEST_P(ProgramTest, Runs) {
    const ProgramCase& c = GetParam();
    std::string sourceBytes;
    if (c.sourceSize != kNoSource) {
        sourceBytes = SourceBytes(c.sourceSize);
        WriteFile(source_, sourceBytes);
    }
    switch (c.setup) {
    case TargetSetup::None:
        break;
    case TargetSetup::OldFile:
        WriteFile(target_, kOldTarget);
        break;
    case TargetSetup::HardLinkToSource:
        fs::create_hard_link(source_, target_);
        break;
    case TargetSetup::SymlinkToSource:
        fs::create_symlink(source_, target_);
        break;
    case TargetSetup::Folder:
        fs::create_directory(target_);
        break;
    }
    int writer = -1;
    if (c.holdSourceForWriting) {
        writer = open(source_.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(writer, 0);
    }
    std::vector<std::string> args;
    for (const std::string& arg : c.args)
        args.push_back(Expand(arg));
    const fs::path scratch = dir_.path() / "scratch";
    fs::create_directory(scratch);

    const RunResult run = RunProgram(args, scratch);

    if (writer >= 0) {
        ASSERT_EQ(close(writer), 0);
    }
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    for (const std::string& text : c.outHas)
        EXPECT_EQ(CountOf(run.out, Expand(text)), 1u) << Expand(text) << " in:\n" << run.out;
    for (const std::string& text : c.errHas)
        EXPECT_EQ(CountOf(run.err, Expand(text)), 1u) << Expand(text) << " in:\n" << run.err;
    if (c.errHas.empty()) {
        EXPECT_EQ(run.err, "");
    }

    if (c.sourceSize != kNoSource) {
        ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(source_)));
        EXPECT_TRUE(ReadFile(source_) == sourceBytes) << "the source was changed";
    }
    switch (c.after) {
    case TargetAfter::Recovered: {
        std::string expected = sourceBytes;
        expected.resize(std::max<std::size_t>(expected.size(), 32));
        const std::string actual = ReadFile(target_);
        ASSERT_EQ(actual.size(), expected.size());
        // The engine leaves the header bytes past the end of a short source unspecified.
        for (std::size_t i = sourceBytes.size(); i < 28; ++i)
            expected[i] = actual[i];
        expected.replace(28, 4, "\x7D\x7C\x7B\x7A");
        EXPECT_TRUE(actual == expected) << "the target is not the repaired copy of the source";
        break;
    }
    case TargetAfter::Old:
        ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(target_)));
        EXPECT_EQ(ReadFile(target_), kOldTarget);
        break;
    case TargetAfter::Absent:
        EXPECT_FALSE(fs::exists(fs::symlink_status(target_)));
        break;
    case TargetAfter::NotChecked:
        break;
    }
}

const std::string kUsage = "Usage: vorn-recover [--force] SOURCE TARGET";
const std::string kNotFound = "Error 1: Cannot open the file to be repaired. {src} was not found.";
const std::string kItself = "vorn-recover: the target '{tgt}' is the source file itself";

const ProgramCase kProgramCases[] = {
    {"GoodCopy",
     10485760,
     TargetSetup::None,
     false,
     {"{src}", "{tgt}"},
     0,
     {"Analyzing the source file ...\n", "Written: 10,485,760 bytes\n"},
     {},
     TargetAfter::Recovered},
    {"GoodCopyOfAnOddSize",
     32 + 4194304 + 4097,
     TargetSetup::None,
     false,
     {"{src}", "{tgt}"},
     0,
     {"Analyzing the source file ...\n", "Written: 4,198,433 bytes\n"},
     {},
     TargetAfter::Recovered},
    {"EmptySourceGivesAHeader",
     0,
     TargetSetup::None,
     false,
     {"{src}", "{tgt}"},
     0,
     {"Written: 32 bytes\n"},
     {},
     TargetAfter::Recovered},
    {"MissingSource",
     kNoSource,
     TargetSetup::None,
     false,
     {"{src}", "{tgt}"},
     1,
     {"Written: 0 bytes\n"},
     {kNotFound + "\n"},
     TargetAfter::Absent},
    {"SourceHeldOpenForWriting",
     10485760,
     TargetSetup::None,
     true,
     {"{src}", "{tgt}"},
     1,
     {"Written: 0 bytes\n"},
     {"Error 1: Cannot open the file to be repaired. Encountered a sharing violation while "
      "accessing {src}.\n",
      "Share violation when opening the source file '{src}'.\nPlease close any other "
      "applications accessing the file and try again.\n"},
     TargetAfter::Absent},
    {"SourcePathOfMoreThan260Characters",
     kNoSource,
     TargetSetup::None,
     false,
     {"{long}", "{tgt}"},
     1,
     {},
     {"Error 1: Cannot open the file to be repaired. {long} contains an incorrect path.\n"},
     TargetAfter::Absent},
    {"ExistingTargetWithoutForce",
     10485760,
     TargetSetup::OldFile,
     false,
     {"{src}", "{tgt}"},
     1,
     {},
     {"vorn-recover: the target '{tgt}' already exists; use --force to overwrite it\n"},
     TargetAfter::Old},
    {"ExistingTargetWithForce",
     10485760,
     TargetSetup::OldFile,
     false,
     {"--force", "{src}", "{tgt}"},
     0,
     {"Written: 10,485,760 bytes\n"},
     {},
     TargetAfter::Recovered},
    {"TargetIsTheSourcePath",
     10485760,
     TargetSetup::None,
     false,
     {"{src}", "{src}"},
     1,
     {},
     {"vorn-recover: the target '{src}' is the source file itself"},
     TargetAfter::NotChecked},
    {"TargetIsTheSourcePathWithForce",
     10485760,
     TargetSetup::None,
     false,
     {"--force", "{src}", "{src}"},
     1,
     {},
     {"vorn-recover: the target '{src}' is the source file itself"},
     TargetAfter::NotChecked},
    {"TargetIsAnotherPathToTheSource",
     10485760,
     TargetSetup::None,
     false,
     {"--force", "{src}", "{dir}/./source.dbf"},
     1,
     {},
     {"vorn-recover: the target '{dir}/./source.dbf' is the source file itself"},
     TargetAfter::NotChecked},
    {"TargetIsAHardLinkToTheSource",
     10485760,
     TargetSetup::HardLinkToSource,
     false,
     {"--force", "{src}", "{tgt}"},
     1,
     {},
     {kItself},
     TargetAfter::NotChecked},
    {"TargetIsASymlinkToTheSource",
     10485760,
     TargetSetup::SymlinkToSource,
     false,
     {"--force", "{src}", "{tgt}"},
     1,
     {},
     {kItself},
     TargetAfter::NotChecked},
    {"TargetInAMissingFolder",
     10485760,
     TargetSetup::None,
     false,
     {"{src}", "{dir}/missing/out.dbf"},
     1,
     {"Written: 0 bytes\n"},
     {"vorn-recover: cannot create the output file '{dir}/missing/out.dbf': No such file or "
      "directory\n"},
     TargetAfter::Absent},
    {"TargetIsAFolder",
     10485760,
     TargetSetup::Folder,
     false,
     {"--force", "{src}", "{tgt}"},
     1,
     {"Written: 0 bytes\n"},
     {"vorn-recover: cannot create the output file '{tgt}': Is a directory\n"},
     TargetAfter::NotChecked},
    {"TargetPathOfMoreThan260Characters",
     10485760,
     TargetSetup::None,
     false,
     {"{src}", "{long}"},
     1,
     {"Written: 0 bytes\n"},
     {"vorn-recover: cannot create the output file '{long}': the path is too long (260 UTF-16 "
      "units or more)\n"},
     TargetAfter::Absent},
    {"InvalidUtf8Target",
     10485760,
     TargetSetup::None,
     false,
     {"{src}", "{dir}/caf\xE9.dbf"},
     1,
     {},
     {"vorn-recover: the target path '{dir}/caf\xE9.dbf' is not valid UTF-8\n"},
     TargetAfter::Absent},
    {"NoArguments",
     kNoSource,
     TargetSetup::None,
     false,
     {},
     2,
     {},
     {"vorn-recover: missing SOURCE and TARGET\n", kUsage},
     TargetAfter::Absent},
    {"OneArgument",
     10485760,
     TargetSetup::None,
     false,
     {"{src}"},
     2,
     {},
     {"vorn-recover: missing TARGET\n", kUsage},
     TargetAfter::Absent},
    {"ThreeArguments",
     10485760,
     TargetSetup::None,
     false,
     {"{src}", "{tgt}", "{dir}/third.dbf"},
     2,
     {},
     {"too many arguments", kUsage},
     TargetAfter::Absent},
    {"UnknownOption",
     10485760,
     TargetSetup::None,
     false,
     {"--overwrite", "{src}", "{tgt}"},
     2,
     {},
     {"vorn-recover: unknown option '--overwrite'\n", kUsage},
     TargetAfter::Absent},
    {"Help",
     kNoSource,
     TargetSetup::None,
     false,
     {"--help"},
     0,
     {kUsage, "Exit status:"},
     {},
     TargetAfter::Absent},
    {"Version",
     kNoSource,
     TargetSetup::None,
     false,
     {"--version"},
     0,
     {"vorn-recover " VORN_EXPECTED_VERSION "\n"},
     {},
     TargetAfter::Absent},
};

INSTANTIATE_TEST_SUITE_P(Table, ProgramTest, testing::ValuesIn(kProgramCases),
                         [](const testing::TestParamInfo<ProgramCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace vorn::test
