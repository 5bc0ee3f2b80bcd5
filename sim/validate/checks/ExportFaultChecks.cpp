// Every failure a host can hand the module: each call of a session failing
// in turn, every pair on the smallest export, each suite missing, each
// clipboard step failing.
#include <set>

#include "host/ResultCodes.h"
#include "sim/scene/Operations.h"
#include "sim/session/ClipboardSteps.h"
#include "sim/validate/checks/CheckSupport.h"

namespace tarnwick::sim::checks {

namespace {

// What a hook must return when call k of the session fails, and what it may
// call after it: the entry point and the menu hook pass every failure on
// (the menu hook's disabling of the command excepted); the command returns
// the failing call's code and makes no host call after it but closing the
// undo group. The hook is the one that made the call, wherever it stands in
// the session.
void ExpectResult(const Played& faultFree, const Played& played, int64_t k, HostError injected,
                  const std::string& what, Problems& problems) {
  const PlayedStep* step = StepOfCall(faultFree, k);
  if (step == nullptr || step->step == SessionStep::kIdle) return;
  const auto position = static_cast<std::size_t>(step - faultFree.result.steps.data());
  if (position >= played.result.steps.size()) return;
  const PlayedStep& faulted = played.result.steps[position];
  const Operation op = faultFree.calls()[static_cast<std::size_t>(k - 1)].operation;
  if (step->step == SessionStep::kMenu && op == Operation::AEGP_DisableCommand) return;
  problems.ExpectReturned(what + ": " + step->hook + " (step " + std::to_string(position + 1) + ")",
                          faulted.result, injected);
  if (step->step != SessionStep::kCommand) return;
  for (int64_t later = k + 1; later <= faulted.endCall; ++later) {
    const Operation after = played.calls()[static_cast<std::size_t>(later - 1)].operation;
    if (after == Operation::AEGP_EndUndoGroup) continue;
    problems.Add(what + ": " + Named(played.calls(), later) + " after the failure");
    break;
  }
}

// A session without faults makes no call that fails.
void ExpectNoFailingCall(const Played& faultFree, const std::string& name, Problems& problems) {
  for (std::size_t i = 0; i < faultFree.calls().size(); ++i) {
    if (faultFree.calls()[i].result == 0) continue;
    problems.Add(name + " as it is: " + Named(faultFree.calls(), static_cast<int64_t>(i + 1)) +
                 " failed with " + std::to_string(faultFree.calls()[i].result));
  }
}

}  // namespace

CheckReport SingleFaults(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  constexpr HostError kInjected = 77;
  int runs = 0;
  for (const auto& [name, scene] : SweepScenes(context, problems)) {
    const Played faultFree = PlayFaultFree(scene, context.entry, name + " as it is", problems);
    ExpectNoFailingCall(faultFree, name, problems);
    const auto n = static_cast<int64_t>(faultFree.calls().size());
    for (int64_t k = 1; k <= n; ++k) {
      const std::string what = name + " with " + Named(faultFree.calls(), k) + " failing";
      const Played played = Play(scene, context.entry, {k}, kInjected);
      CheckSession(played, {ExportOf(faultFree), false, ClosingAmong(faultFree.calls(), {k})}, what,
                   problems);
      ExpectResult(faultFree, played, k, kInjected, what, problems);
      ++runs;
    }
  }
  report.note = std::to_string(runs) + " sessions";
  return report;
}

CheckReport PairFaults(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  constexpr HostError kInjected = 78;
  std::optional<std::pair<std::string, Scene>> smallest;
  std::optional<Played> faultFree;
  for (auto& [name, scene] : SweepScenes(context, problems)) {
    Played played = Play(scene, context.entry);
    // A scene that exports nothing would sweep no export.
    if (!ExportOf(played)) continue;
    if (!faultFree || played.calls().size() < faultFree->calls().size()) {
      smallest.emplace(name, scene);
      faultFree = std::move(played);
    }
  }
  if (!smallest) return report;
  const auto n = static_cast<int64_t>(faultFree->calls().size());
  int runs = 0;
  for (int64_t first = 1; first <= n; ++first) {
    for (int64_t second = first + 1; second <= n; ++second) {
      const std::string what = smallest->first + " with " + Named(faultFree->calls(), first) +
                               " and " + Named(faultFree->calls(), second) + " failing";
      const Played played = Play(smallest->second, context.entry, {first, second}, kInjected);
      CheckSession(played,
                   {ExportOf(*faultFree), false, ClosingAmong(played.calls(), {first, second})},
                   what, problems);
      ++runs;
    }
  }
  report.note = std::to_string(runs) + " sessions on " + smallest->first;
  return report;
}

CheckReport MissingSuites(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  int runs = 0;
  for (const auto& [name, scene] : SweepScenes(context, problems)) {
    const Played faultFree = Play(scene, context.entry);
    // The suites each hook uses, from the operations it called.
    std::set<std::pair<std::string, int32_t>> seen;
    const std::vector<PlayedStep>& steps = faultFree.result.steps;
    for (std::size_t position = 0; position < steps.size(); ++position) {
      for (int64_t k = steps[position].firstCall; k < steps[position].endCall; ++k) {
        const auto suite = OperationSuite(faultFree.calls()[static_cast<std::size_t>(k)].operation);
        if (!seen.insert(suite).second) continue;
        for (const bool nullTable : {false, true}) {
          Scene missing = scene;
          missing.missingSuites.push_back(MissingSuite{suite.first, suite.second, nullTable});
          const std::string what = name + " without " + suite.first + " " +
                                   std::to_string(suite.second) +
                                   (nullTable ? " (null table)" : "");
          const Played played = Play(missing, context.entry);
          CheckSession(played, {ExportOf(faultFree)}, what, problems);
          const HostError result = position < played.result.steps.size()
                                       ? played.result.steps[position].result
                                       : HostError{0};
          problems.ExpectReturned(what + ": " + steps[position].hook, result, kMissingSuiteError);
          ++runs;
        }
      }
    }
  }
  report.note = std::to_string(runs) + " sessions";
  return report;
}

CheckReport ClipboardSteps(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  // A small mask, then a big one: the text's block grows more than once
  // before it is shrunk to the text.
  const Scene base = CompScene(
      R"([ { "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] },
                        { "generate": { "vertices": 500, "keyframes": 2, "seed": 7 } } ] } ])",
      R"([ { "layer": 0, "mask": 0 }, { "layer": 0, "mask": 1 } ])");
  const int reAllocsBefore = ReAllocCalls();
  const Played faultFree = Play(base, context.entry);
  const int reAllocs = ReAllocCalls() - reAllocsBefore;
  problems.Expect(reAllocs >= 3, "the text's block was resized " + std::to_string(reAllocs) +
                                     " times, too few to fail a later growth");
  // The system's memory refused is memory running out; a block that cannot
  // be written or a clipboard that will not take it is the clipboard failing.
  const struct {
    const char* step;
    int reAllocsGranted;
    HostError result;
  } cases[] = {
      {"GlobalAlloc", 0, kOutOfMemoryError},       {"GlobalReAlloc", 0, kOutOfMemoryError},
      {"GlobalReAlloc", 1, kOutOfMemoryError},     {"GlobalLock", 0, kClipboardFailedError},
      {"OpenClipboard", 0, kClipboardFailedError}, {"SetClipboardData", 0, kClipboardFailedError},
  };
  for (const auto& c : cases) {
    Scene scene = base;
    scene.clipboardFaults = {c.step};
    GrantReAllocs(c.reAllocsGranted);
    const Played played = Play(scene, context.entry);
    const std::string what =
        std::string(c.step) + " failing" + (c.reAllocsGranted > 0 ? " at a later growth" : "");
    const bool afterEmptying = std::string(c.step) == "SetClipboardData";
    CheckSession(played, {ExportOf(faultFree), afterEmptying}, what, problems);
    problems.ExpectReturned(what + ": the command", played.result.commandResult, c.result);
  }
  report.note = std::to_string(std::size(cases)) + " steps failing; the block resized " +
                std::to_string(reAllocs) + " times in the fault-free export";
  return report;
}

const Check kSingleFaultsCheck = {"single-faults", "every host call of a session failing in turn",
                                  600, true, &SingleFaults};
const Check kPairFaultsCheck = {"pair-faults",
                                "every pair of a session's calls failing on the smallest export",
                                600, true, &PairFaults};
const Check kMissingSuitesCheck = {"missing-suites",
                                   "each suite missing, as an error and as a null table", 300, true,
                                   &MissingSuites};
const Check kClipboardStepsCheck = {"clipboard-steps", "each clipboard step failing", 60, true,
                                    &ClipboardSteps};

}  // namespace tarnwick::sim::checks
