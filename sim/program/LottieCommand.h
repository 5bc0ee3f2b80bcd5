// tarnwick-sim lottie: a Lottie file's masks as the module's settings text.
#ifndef TARNWICK_SIM_PROGRAM_LOTTIE_COMMAND_H
#define TARNWICK_SIM_PROGRAM_LOTTIE_COMMAND_H

#include <string>

namespace tarnwick::sim {

struct LottieOptions {
  std::string file;
  std::string composition;
  bool everyFrame = false;
  std::string out;  // empty: standard output
  std::string report;
  std::string preview;
};

// Exit status: 0 converted; 1 the composition has no mask; 2 the command
// line or the file cannot be used; 3 an output could not be written, or
// memory ran out.
int RunLottie(const LottieOptions& options);

}  // namespace tarnwick::sim

#endif
