// What tarnwick-sim sets for its own process before any subcommand runs.
#ifndef TARNWICK_SIM_SESSION_PROCESS_LIMITS_H
#define TARNWICK_SIM_SESSION_PROCESS_LIMITS_H

namespace tarnwick::sim {

// No session may take the machine down: past 8 GiB of address space an
// allocation fails, which the module reports and the simulator survives
// (not under the address sanitizer, whose shadow memory needs more, nor on
// Windows). A pipe whose reader has gone is a write that fails, told in one
// line with status 3, not a silent death.
void LimitThisProcess();

}  // namespace tarnwick::sim

#endif
