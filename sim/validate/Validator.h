// tarnwick-sim validate: runs the catalogue of checks against a module, each
// in a process of its own, so that a module's crash or hang is that check's
// status and the other checks still run.
#ifndef TARNWICK_SIM_VALIDATE_VALIDATOR_H
#define TARNWICK_SIM_VALIDATE_VALIDATOR_H

#include <optional>
#include <string>
#include <vector>

#include "host/HostInterface.h"

namespace tarnwick::sim {

struct ValidateOptions {
  std::string module;               // the module file (Windows); empty: the default
  bool list = false;                // print the catalogue instead
  std::vector<std::string> checks;  // none: every check
  int jobs = 0;                     // 0: as many as the machine has cores (one on Windows)
  std::string json;                 // where to write the results as JSON
  std::string examples;             // the example scenes
  bool foldersGiven = false;        // --examples or --scenes named on the command line
  std::string scenes;               // more sweep scenes
  std::optional<double> timeLimit;  // seconds per check, instead of each check's own
  // Set in the child process that runs one check.
  std::string runCheck;
  std::string resultFile;
};

// The module's entry point linked into this program, or null where the
// module is a file to load.
int Validate(const ValidateOptions& given, EntryPointFuncType linkedEntry);

}  // namespace tarnwick::sim

#endif
