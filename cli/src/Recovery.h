// One run of vorn-recover: the checks on SOURCE and TARGET, the engine call and the exit status.
#ifndef VORN_RECOVER_RECOVERY_H
#define VORN_RECOVER_RECOVERY_H

#include "Arguments.h"

namespace vorn {

// Recovers `args.source` into `args.target` (a Command::Recover result of ParseArguments),
// printing on `outFd` and `errFd`, with a progress bar on `errFd` when `drawProgress` is set.
// Returns the exit status:
// - kExitFailure without calling the engine when a path is not valid UTF-8, when TARGET is the
//   source file itself (by any path, hard link or symbolic link; --force does not change this),
//   or when TARGET exists and `args.force` is not set;
// - kExitFailure when the engine reported an error or wrote nothing;
// - kExitSuccess otherwise.
int RunRecovery(const Arguments& args, int outFd, int errFd, bool drawProgress);

} // namespace vorn

#endif
