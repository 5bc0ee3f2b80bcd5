// The validator's catalogue of checks on a module. Each check plays host
// sessions against the module (or reads its file) and lists what it found
// wrong; the validator runs each in a process of its own.
#ifndef TARNWICK_SIM_VALIDATE_CHECKS_CHECK_H
#define TARNWICK_SIM_VALIDATE_CHECKS_CHECK_H

#include <string>
#include <vector>

#include "host/HostInterface.h"

namespace tarnwick::sim {

struct CheckContext {
  EntryPointFuncType entry = nullptr;  // the module's entry point, loaded or linked in
  std::string modulePath;              // the module file, when there is one
  std::string examples;                // the folder of example scenes and their texts
  std::string scenes;                  // more sweep scenes
};

struct CheckReport {
  bool skipped = false;
  std::vector<std::string> problems;  // empty: passed
  std::string note;                   // what it measured or why it was skipped
};

struct Check {
  const char* name;
  const char* summary;
  double timeLimitSeconds;  // past this the validator stops it: a timeout
  // Whether it needs the module's entry point (every check but module-file).
  bool needsEntry;
  CheckReport (*run)(const CheckContext& context);
};

const std::vector<Check>& CheckCatalogue();
const Check* FindCheck(const std::string& name);

}  // namespace tarnwick::sim

#endif
