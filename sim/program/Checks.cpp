#include "sim/program/Checks.h"

#include "sim/program/CheckSupport.h"

namespace tarnwick::sim {

const std::vector<Check>& CheckCatalogue() {
  static const std::vector<Check> catalogue = {
      {"module-file",
       "the file: one export, EntryPointFunc at ordinal 1, the property list, the manifest", 30,
       false, &checks::ModuleFile},
      {"registration", "each registration call failing in turn", 60, true, &checks::Registration},
      {"menu-update", "the menu item's state for each kind of active item", 60, true,
       &checks::MenuUpdate},
      {"other-command", "another command id touches nothing", 60, true, &checks::OtherCommand},
      {"nothing-to-export", "a command with no mask to export keeps the clipboard and says so once",
       60, true, &checks::NothingToExport},
      {"examples", "every example scene gives its expected text", 120, true, &checks::Examples},
      {"single-faults", "every host call of a session failing in turn", 600, true,
       &checks::SingleFaults},
      {"pair-faults", "every pair of a session's calls failing on the smallest scene", 600, true,
       &checks::PairFaults},
      {"missing-suites", "each suite missing, as an error and as a null table", 300, true,
       &checks::MissingSuites},
      {"clipboard-steps", "each clipboard step failing", 60, true, &checks::ClipboardSteps},
      {"hostile-host", "non-finite numbers, extreme counts, sizes and times", 300, true,
       &checks::HostileHost},
      {"soak", "1,000 commands in one session", 300, true, &checks::Soak},
      {"host-objects", "host calls and host objects of one export, per mask and per keyframe entry",
       60, true, &checks::HostObjects},
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
