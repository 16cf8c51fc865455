#include "Arguments.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

struct ArgumentsCase {
    const char* name;
    std::vector<std::string_view> args;
    Command command;
    bool force;
    std::string source;
    std::string target;
    std::string error;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ArgumentsCase& c, std::ostream* os) {
    *os << c.name;
}

class ArgumentsTest : public testing::TestWithParam<ArgumentsCase> {};

TEST_P(ArgumentsTest, Parses) {
    const ArgumentsCase& c = GetParam();
    const Arguments parsed = ParseArguments(c.args);
    EXPECT_EQ(parsed.command, c.command);
    EXPECT_EQ(parsed.error, c.error);
    if (c.command == Command::Recover) {
        EXPECT_EQ(parsed.force, c.force);
        EXPECT_EQ(parsed.source, c.source);
        EXPECT_EQ(parsed.target, c.target);
    }
}

const ArgumentsCase kArgumentsCases[] = {
    {"NoArguments", {}, Command::UsageError, false, "", "", "missing SOURCE and TARGET"},
    {"OneArgument", {"a.dbf"}, Command::UsageError, false, "", "", "missing TARGET"},
    {"ForceAlone", {"--force"}, Command::UsageError, false, "", "", "missing SOURCE and TARGET"},
    {"ThreeArguments",
     {"a.dbf", "b.dbf", "c.dbf"},
     Command::UsageError,
     false,
     "",
     "",
     "too many arguments, starting with 'c.dbf'"},
    {"UnknownLongOption",
     {"--fast", "a.dbf", "b.dbf"},
     Command::UsageError,
     false,
     "",
     "",
     "unknown option '--fast'"},
    {"UnknownShortOption",
     {"a.dbf", "-x", "b.dbf"},
     Command::UsageError,
     false,
     "",
     "",
     "unknown option '-x'"},
    {"ForceWithValue",
     {"--force=yes", "a.dbf", "b.dbf"},
     Command::UsageError,
     false,
     "",
     "",
     "unknown option '--force=yes'"},
    {"TwoPaths", {"a.dbf", "b.dbf"}, Command::Recover, false, "a.dbf", "b.dbf", ""},
    {"AbsolutePaths",
     {"/data/users01.dbf", "/tmp/out.dbf"},
     Command::Recover,
     false,
     "/data/users01.dbf",
     "/tmp/out.dbf",
     ""},
    {"ForceFirst", {"--force", "a.dbf", "b.dbf"}, Command::Recover, true, "a.dbf", "b.dbf", ""},
    {"ForceBetween", {"a.dbf", "--force", "b.dbf"}, Command::Recover, true, "a.dbf", "b.dbf", ""},
    {"ForceLast", {"a.dbf", "b.dbf", "--force"}, Command::Recover, true, "a.dbf", "b.dbf", ""},
    {"ShortForce", {"-f", "a.dbf", "b.dbf"}, Command::Recover, true, "a.dbf", "b.dbf", ""},
    {"ForceTwice",
     {"-f", "a.dbf", "--force", "b.dbf"},
     Command::Recover,
     true,
     "a.dbf",
     "b.dbf",
     ""},
    {"DoubleDashMakesOptionsPaths",
     {"--", "--force", "-b.dbf"},
     Command::Recover,
     false,
     "--force",
     "-b.dbf",
     ""},
    {"ForceBeforeDoubleDash",
     {"--force", "--", "-a.dbf", "b.dbf"},
     Command::Recover,
     true,
     "-a.dbf",
     "b.dbf",
     ""},
    {"DoubleDashTwice", {"--", "--", "b.dbf"}, Command::Recover, false, "--", "b.dbf", ""},
    {"HelpAfterDoubleDashIsAPath",
     {"--", "--help", "b.dbf"},
     Command::Recover,
     false,
     "--help",
     "b.dbf",
     ""},
    {"LoneDashIsAPath", {"-", "b.dbf"}, Command::Recover, false, "-", "b.dbf", ""},
    {"Help", {"--help"}, Command::Help, false, "", "", ""},
    {"ShortHelp", {"-h"}, Command::Help, false, "", "", ""},
    {"HelpWinsOverPaths", {"a.dbf", "b.dbf", "c.dbf", "--help"}, Command::Help, false, "", "", ""},
    {"HelpBeforeUnknownOption", {"--help", "--bogus"}, Command::Help, false, "", "", ""},
    {"UnknownOptionBeforeHelp",
     {"--bogus", "--help"},
     Command::UsageError,
     false,
     "",
     "",
     "unknown option '--bogus'"},
    {"Version", {"--version"}, Command::Version, false, "", "", ""},
    {"VersionBeforeHelp", {"--version", "--help"}, Command::Version, false, "", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Table, ArgumentsTest, testing::ValuesIn(kArgumentsCases),
                         [](const testing::TestParamInfo<ArgumentsCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace vorn
