// What the validator's checks share: the rules every session must keep, the
// scenes they play, and the list of problems a check reports. Sessions are
// played as the tests play them (sim/session/PlayedScene.h). The checks themselves are in a file
// per subject, listed below.
#ifndef TARNWICK_SIM_VALIDATE_CHECKS_CHECK_SUPPORT_H
#define TARNWICK_SIM_VALIDATE_CHECKS_CHECK_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/HostInterface.h"
#include "host/ResultCodes.h"
#include "sim/host/SimulatedHost.h"
#include "sim/scene/Scene.h"
#include "sim/session/PlayedScene.h"
#include "sim/validate/checks/Check.h"

namespace tarnwick::sim::checks {

// A report lists this many problems; the rest are counted.
constexpr std::size_t kMaxProblems = 20;

class Problems {
 public:
  explicit Problems(CheckReport& report) : report_(report) {}
  ~Problems() {
    if (more_ > 0) report_.problems.push_back("... and " + std::to_string(more_) + " more");
  }
  Problems(const Problems&) = delete;
  Problems& operator=(const Problems&) = delete;

  void Add(const std::string& problem) {
    if (report_.problems.size() < kMaxProblems) {
      report_.problems.push_back(problem);
    } else {
      ++more_;
    }
  }
  // Adds the problem when the condition does not hold.
  void Expect(bool holds, const std::string& problem) {
    if (!holds) Add(problem);
  }
  // Adds "<who> returned <actual>, not <expected>" when they differ.
  void ExpectReturned(const std::string& who, int64_t actual, int64_t expected) {
    if (actual != expected) {
      Add(who + " returned " + std::to_string(actual) + ", not " + std::to_string(expected));
    }
  }

 private:
  CheckReport& report_;
  std::size_t more_ = 0;
};

// What a fault-free session put on the clipboard, or none when it left it.
std::optional<std::string> ExportOf(const Played& faultFree);

struct SessionRules {
  std::optional<std::string> exported;  // the fault-free export, if there is one
  bool mayBeEmptied = false;            // the clipboard refused the text after emptying
  bool closingRefused = false;          // the host refused to close the undo group
};

// What every session of every check must show: no host rule broken, every
// suite released, undo groups balanced, and the clipboard all or nothing.
void CheckSession(const Played& played, const SessionRules& rules, const std::string& what,
                  Problems& problems);
// Plays the scene without faults and checks the session by those rules,
// what it exported being its own export: the session every faulted one of
// the scene is held to.
Played PlayFaultFree(const Scene& scene, EntryPointFuncType entry, const std::string& what,
                     Problems& problems);

std::string ReadText(const std::filesystem::path& path);
// The scene files of a folder, in name order.
std::vector<std::filesystem::path> SceneFiles(const std::string& folder);
// The scenes the fault sweeps play: the examples and the extra sweep scenes.
std::vector<std::pair<std::string, Scene>> SweepScenes(const CheckContext& context,
                                                       Problems& problems);
// "call 7 (AEGP_GetItemType)": call k of a session, named.
std::string Named(const std::vector<CallRecord>& calls, int64_t call);
// Whether one of the failed calls was the closing of the undo group.
bool ClosingAmong(const std::vector<CallRecord>& calls, const std::vector<int64_t>& failed);
// A scene of a composition with the given layers and selection.
Scene CompScene(const std::string& layers, const std::string& selection,
                const std::string& extra = "");
// How many host calls the session's first command made.
int64_t CommandCalls(const Played& played);

// One mask of two vertices keyed twice, and a selection of it.
extern const char kOneMask[];
extern const char kSelectMask[];

// The checks of the catalogue, each defined in the file of its subject.
extern const Check kModuleFileCheck;       // ModuleFileCheck.cpp
extern const Check kRegistrationCheck;     // RegistrationChecks.cpp
extern const Check kMenuUpdateCheck;       // RegistrationChecks.cpp
extern const Check kOtherCommandCheck;     // CommandChecks.cpp
extern const Check kNothingToExportCheck;  // CommandChecks.cpp
extern const Check kExamplesCheck;         // CommandChecks.cpp
extern const Check kSingleFaultsCheck;     // ExportFaultChecks.cpp
extern const Check kPairFaultsCheck;       // ExportFaultChecks.cpp
extern const Check kMissingSuitesCheck;    // ExportFaultChecks.cpp
extern const Check kClipboardStepsCheck;   // ExportFaultChecks.cpp
extern const Check kNullHandlesCheck;      // NullHandlesCheck.cpp
extern const Check kHostileHostCheck;      // HostileHostCheck.cpp
extern const Check kSoakCheck;             // SoakCheck.cpp
extern const Check kHostObjectsCheck;      // HostObjectsCheck.cpp

}  // namespace tarnwick::sim::checks

#endif
