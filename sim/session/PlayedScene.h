// A scene's whole session played in this process, and what the host saw of
// it: the one way the validator's checks and the tests play scenes.
#ifndef TARNWICK_SIM_SESSION_PLAYED_SCENE_H
#define TARNWICK_SIM_SESSION_PLAYED_SCENE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/HostInterface.h"
#include "sim/host/SimulatedHost.h"
#include "sim/scene/Scene.h"
#include "sim/session/Session.h"

namespace tarnwick::sim {

struct Played {
  // The host as the session left it, when kept (PlayKeepingHost).
  std::shared_ptr<SimulatedHost> host;
  SessionResult result;
  std::vector<CallRecord> callLog;
  std::vector<std::string> violations;
  std::vector<std::string> outstanding;  // suites still acquired
  std::vector<std::string> reports;
  int undoOpened = 0;  // StartUndoGroup calls that returned 0
  int undoEndCalls = 0;
  int undoOpen = 0;
  int64_t objects = 0;  // host objects obtained
  // Memory blocks of the module's left neither freed nor on the clipboard.
  std::size_t leakedBlocks = 0;
  std::optional<std::string> before;  // the clipboard's text before and after
  std::optional<std::string> after;

  const std::vector<CallRecord>& calls() const { return callLog; }
  // The clipboard's text at the end, or "<none>".
  std::string clipboard() const { return after.value_or("<none>"); }
  // The names of the calls made, in order, and how often one was called.
  std::vector<std::string> CallNames() const;
  int CallsOf(const std::string& operation) const;
};

// Plays the scene's session, failing the given calls with the code and
// making the null calls succeed with a null handle. The clipboard and its
// Win32 steps are as the caller left them.
Played Play(const Scene& scene, EntryPointFuncType entry,
            const std::vector<int64_t>& failCalls = {}, HostError code = 0,
            const std::vector<int64_t>& nullCalls = {});
// As Play, keeping the host for the caller to look into or call again. One
// simulated host lives at a time: no other may be made while it is kept.
Played PlayKeepingHost(const Scene& scene, EntryPointFuncType entry);

// The host calls of the session's first step of the kind: their indices into
// the calls, from first to one past the last; none: {0, 0}.
std::pair<int64_t, int64_t> StepSpan(const Played& played, SessionStep step);
// The step that made call k (counted from 1), or null.
const PlayedStep* StepOfCall(const Played& played, int64_t call);

// A scene's text: a 1920 x 1080 composition, active, with the given layers
// and selection (JSON texts), and any other members of the scene before it.
std::string CompSceneText(const std::string& layers, const std::string& selection,
                          const std::string& extra = "");

}  // namespace tarnwick::sim

#endif
