// tarnwick-sim's exit statuses, one meaning each for every subcommand, so a
// script can tell a finding from a mistake from a failure of the simulator.
#ifndef TARNWICK_SIM_SESSION_EXIT_STATUS_H
#define TARNWICK_SIM_SESSION_EXIT_STATUS_H

namespace tarnwick::sim {

// Everything ran and found nothing wrong.
constexpr int kExitSuccess = 0;
// Everything ran and found something: a hook returned non-zero (play), a
// check failed, crashed or timed out (validate), no mask (lottie).
constexpr int kExitFound = 1;
// The command line, or a file it names, cannot be used; nothing was run.
constexpr int kExitUnusable = 2;
// The simulator itself failed: memory, or an output it could not write.
constexpr int kExitFailed = 3;

}  // namespace tarnwick::sim

#endif
