// tarnwick-sim's own command: one host session of the module played on a
// scene, the clipboard's text on standard output, and the report and the
// preview when asked for.
#ifndef TARNWICK_SIM_SESSION_PLAY_COMMAND_H
#define TARNWICK_SIM_SESSION_PLAY_COMMAND_H

#include <string>

#include "host/HostInterface.h"

namespace tarnwick::sim {

struct PlayOptions {
  std::string scene;
  std::string report;   // the JSON report's file, or empty
  std::string preview;  // the SVG's file, or empty
  bool trace = false;   // every host call on standard error
  std::string module;   // the module file (Windows); empty: beside this program
};

// Plays the session with the linked entry point, or (where it is null) the
// module file's. Returns one of the exit statuses.
int RunPlay(const PlayOptions& options, EntryPointFuncType linkedEntry);

}  // namespace tarnwick::sim

#endif
