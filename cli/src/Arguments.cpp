#include "Arguments.h"

namespace vorn {

Arguments ParseArguments(const std::vector<std::string_view>& args) {
    Arguments result;
    std::vector<std::string_view> paths;
    bool optionsEnded = false;
    for (const std::string_view arg : args) {
        if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
            paths.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--force" || arg == "-f") {
            result.force = true;
        } else if (arg == "--help" || arg == "-h") {
            result.command = Command::Help;
            return result;
        } else if (arg == "--version") {
            result.command = Command::Version;
            return result;
        } else {
            result.error = "unknown option '" + std::string(arg) + "'";
            return result;
        }
    }
    if (paths.size() < 2) {
        result.error = paths.empty() ? "missing SOURCE and TARGET" : "missing TARGET";
        return result;
    }
    if (paths.size() > 2) {
        result.error = "too many arguments, starting with '" + std::string(paths[2]) + "'";
        return result;
    }
    result.command = Command::Recover;
    result.source = paths[0];
    result.target = paths[1];
    return result;
}

std::string UsageText() {
    return "Usage: vorn-recover [--force] SOURCE TARGET\n"
           "       vorn-recover --help | --version\n"
           "\n"
           "Copies the damaged Oracle datafile SOURCE to the new file TARGET through a reader\n"
           "that turns unreadable sectors into zeros, and repairs the header magic of the copy.\n"
           "\n"
           "  -f, --force    overwrite TARGET when it exists (never when it is SOURCE itself)\n"
           "  -h, --help     show this text and exit\n"
           "      --version  show the program version and exit\n"
           "  --             treat every later argument as a path\n"
           "\n"
           "A progress bar is drawn on standard error when it is a terminal.\n"
           "Exit status: 0 when the copy completed without error; 1 when the engine reported\n"
           "an error or wrote nothing, or TARGET was refused; 2 for a malformed command line.\n";
}

std::string VersionText() {
    return "vorn-recover " VORN_RECOVER_VERSION "\n";
}

} // namespace vorn
