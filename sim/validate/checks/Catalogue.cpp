#include "sim/validate/checks/Check.h"
#include "sim/validate/checks/CheckSupport.h"

namespace tarnwick::sim {

// The registry: the checks in the order they run and are listed.
const std::vector<Check>& CheckCatalogue() {
  static const std::vector<Check> catalogue = {
      checks::kModuleFileCheck,     checks::kRegistrationCheck,    checks::kMenuUpdateCheck,
      checks::kOtherCommandCheck,   checks::kNothingToExportCheck, checks::kExamplesCheck,
      checks::kSingleFaultsCheck,   checks::kPairFaultsCheck,      checks::kMissingSuitesCheck,
      checks::kClipboardStepsCheck, checks::kNullHandlesCheck,     checks::kHostileHostCheck,
      checks::kSoakCheck,           checks::kHostObjectsCheck,
  };
  return catalogue;
}

const Check* FindCheck(const std::string& name) {
  for (const Check& check : CheckCatalogue()) {
    if (name == check.name) return &check;
  }
  return nullptr;
}

}  // namespace tarnwick::sim
