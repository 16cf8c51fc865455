// The command line of vorn-recover: [--force] SOURCE TARGET, --help, --version.
#ifndef VORN_RECOVER_ARGUMENTS_H
#define VORN_RECOVER_ARGUMENTS_H

#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Exit statuses of the program.
enum ExitStatus : int {
    kExitSuccess = 0, // the copy completed and the engine reported no error
    kExitFailure = 1, // the engine reported an error or wrote nothing, or the target was refused
    kExitUsage = 2,   // the command line is malformed
};

enum class Command { Recover, Help, Version, UsageError };

struct Arguments {
    Command command = Command::UsageError;
    bool force = false;
    std::string source;
    std::string target;
    std::string error; // why the command line is malformed, for Command::UsageError
};

// Parses the arguments that follow the program name. Options may stand anywhere before "--";
// everything after "--" is a path. "-" alone is a path. The first of an unknown option, --help
// and --version decides the command; otherwise exactly two paths must be given.
Arguments ParseArguments(const std::vector<std::string_view>& args);

// The usage text, ending with a newline.
std::string UsageText();

// "vorn-recover" and the project version, ending with a newline.
std::string VersionText();

} // namespace vorn

#endif
