#include "sim/session/PlayedScene.h"

#include "sim/scene/Operations.h"
#include "sim/session/ClipboardSteps.h"

namespace tarnwick::sim {

std::vector<std::string> Played::CallNames() const {
  std::vector<std::string> names;
  names.reserve(calls().size());
  for (const CallRecord& call : calls()) names.emplace_back(OperationName(call.operation));
  return names;
}

int Played::CallsOf(const std::string& operation) const {
  int count = 0;
  for (const CallRecord& call : calls()) count += operation == OperationName(call.operation);
  return count;
}

namespace {

Played PlayOn(const std::shared_ptr<SimulatedHost>& kept, EntryPointFuncType entry) {
  SimulatedHost& host = *kept;
  Played played;
  played.result = PlaySession(host, entry, nullptr);
  played.callLog = host.calls();
  for (const CallRecord& call : played.callLog) {
    played.undoOpened += call.operation == Operation::AEGP_StartUndoGroup && call.result == 0;
    played.undoEndCalls += call.operation == Operation::AEGP_EndUndoGroup;
  }
  played.violations = host.violations();
  played.outstanding = host.OutstandingSuites();
  played.reports = host.reports();
  played.undoOpen = host.undoGroupsOpen();
  played.objects = host.objectsObtained();
  played.leakedBlocks = LeakedBlocks();
  played.before = played.result.clipboardBefore;
  played.after = played.result.clipboard;
  return played;
}

}  // namespace

Played Play(const Scene& scene, EntryPointFuncType entry, const std::vector<int64_t>& failCalls,
            HostError code, const std::vector<int64_t>& nullCalls) {
  const auto host = std::make_shared<SimulatedHost>(scene);
  for (const int64_t call : failCalls) host->FailCall(call, code);
  for (const int64_t call : nullCalls) host->NullCall(call);
  return PlayOn(host, entry);
}

Played PlayKeepingHost(const Scene& scene, EntryPointFuncType entry) {
  const auto host = std::make_shared<SimulatedHost>(scene);
  Played played = PlayOn(host, entry);
  played.host = host;
  return played;
}

std::pair<int64_t, int64_t> StepSpan(const Played& played, SessionStep step) {
  for (const PlayedStep& each : played.result.steps) {
    if (each.step == step) return {each.firstCall, each.endCall};
  }
  return {0, 0};
}

const PlayedStep* StepOfCall(const Played& played, int64_t call) {
  for (const PlayedStep& step : played.result.steps) {
    if (call > step.firstCall && call <= step.endCall) return &step;
  }
  return nullptr;
}

std::string CompSceneText(const std::string& layers, const std::string& selection,
                          const std::string& extra) {
  return R"({ "active_item": 0, "clipboard": "before", )" + extra +
         R"( "items": [ { "type": "composition", "name": "Comp", "width": 1920, "height": 1080,
           "layers": )" +
         layers + R"(, "selection": )" + selection + " } ] }";
}

}  // namespace tarnwick::sim
