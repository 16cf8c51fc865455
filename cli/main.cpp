// vorn-recover: recovers one damaged Oracle datafile from the command line.
#include "Arguments.h"
#include "Output.h"
#include "Recovery.h"

#include <unistd.h>

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const vorn::Arguments parsed = vorn::ParseArguments(args);
    switch (parsed.command) {
    case vorn::Command::Help:
        return vorn::WriteAll(STDOUT_FILENO, vorn::UsageText()) ? vorn::kExitSuccess
                                                                : vorn::kExitFailure;
    case vorn::Command::Version:
        return vorn::WriteAll(STDOUT_FILENO, vorn::VersionText()) ? vorn::kExitSuccess
                                                                  : vorn::kExitFailure;
    case vorn::Command::UsageError:
        static_cast<void>(vorn::WriteAll(STDERR_FILENO, "vorn-recover: " + parsed.error + "\n\n" +
                                                            vorn::UsageText()));
        return vorn::kExitUsage;
    case vorn::Command::Recover:
        break;
    }
    return vorn::RunRecovery(parsed, STDOUT_FILENO, STDERR_FILENO, isatty(STDERR_FILENO) == 1);
}
