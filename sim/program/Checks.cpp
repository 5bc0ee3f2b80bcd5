#include "sim/program/Checks.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <utility>

#include "host/SuiteHandler.h"
#include "sim/host/SimulatedHost.h"
#include "sim/program/ModuleLoader.h"
#include "sim/program/PeImage.h"
#include "sim/program/Session.h"
#include "sim/scene/Operations.h"
#include "sim/scene/Scene.h"

#ifdef _WIN32
#include "platform/Win32.h"
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <malloc.h>
#include <sys/resource.h>

#include "platform/Win32StandIn.h"
#endif

namespace tarnwick::sim {

namespace {

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

 private:
  CheckReport& report_;
  std::size_t more_ = 0;
};

// One session played, and what the host saw of it.
struct Played {
  SessionResult result;
  std::vector<CallRecord> calls;
  std::vector<std::string> violations;
  std::vector<std::string> outstanding;
  std::vector<std::string> reports;
  int undoOpened = 0;  // StartUndoGroup calls that returned 0
  int undoEndCalls = 0;
  int undoOpen = 0;
  int64_t objects = 0;  // host objects obtained
  std::optional<std::string> before;
  std::optional<std::string> after;
};

Played Play(const Scene& scene, EntryPointFuncType entry,
            const std::vector<int64_t>& failCalls = {}, HostError code = 0) {
  Played played;
  SimulatedHost host(scene);
  for (const int64_t call : failCalls) host.FailCall(call, code);
  played.result = PlaySession(host, entry, nullptr);
  played.calls = host.calls();
  for (const CallRecord& call : played.calls) {
    played.undoOpened += call.operation == Operation::AEGP_StartUndoGroup && call.result == 0;
    played.undoEndCalls += call.operation == Operation::AEGP_EndUndoGroup;
  }
  played.violations = host.violations();
  played.outstanding = host.OutstandingSuites();
  played.reports = host.reports();
  played.undoOpen = host.undoGroupsOpen();
  played.objects = host.objectsObtained();
  played.before = played.result.clipboardBefore;
  played.after = played.result.clipboard;
  return played;
}

// What a fault-free session put on the clipboard, or none when it left it.
std::optional<std::string> ExportOf(const Played& faultFree) {
  if (faultFree.after == faultFree.before) return std::nullopt;
  return faultFree.after;
}

struct SessionRules {
  std::optional<std::string> exported;  // the fault-free export, if there is one
  bool mayBeEmptied = false;            // the clipboard refused the text after emptying
  bool closingRefused = false;          // the host refused to close the undo group
};

// What every session of every check must show: no host rule broken, every
// suite released, undo groups balanced, and the clipboard all or nothing:
// what it held before or exactly the fault-free export, which a command
// that returned 0 must have handed over.
void CheckSession(const Played& played, const SessionRules& rules, const std::string& what,
                  Problems& problems) {
  for (const std::string& violation : played.violations) problems.Add(what + ": " + violation);
  for (const std::string& suite : played.outstanding) {
    problems.Add(what + ": suite still acquired: " + suite);
  }
  problems.Expect(played.undoEndCalls == played.undoOpened,
                  what + ": " + std::to_string(played.undoEndCalls) + " undo groups closed, " +
                      std::to_string(played.undoOpened) + " opened");
  problems.Expect(played.undoOpen <= (rules.closingRefused ? 1 : 0),
                  what + ": an undo group left open");
  const bool kept = played.after == played.before;
  const bool arrived = rules.exported && played.after == rules.exported;
  const bool emptied = rules.mayBeEmptied && !played.after;
  problems.Expect(kept || arrived || emptied,
                  what + ": the clipboard holds neither its old text nor the export");
  problems.Expect(
      !(played.result.commandRun && played.result.commandResult == 0 && rules.exported && !arrived),
      what + ": the command returned 0 but its export did not arrive");
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The scene files of a folder, in name order.
std::vector<std::filesystem::path> SceneFiles(const std::string& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".json") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The scenes the fault sweeps play: the examples and the extra sweep scenes.
std::vector<std::pair<std::string, Scene>> SweepScenes(const CheckContext& context,
                                                       Problems& problems) {
  std::vector<std::pair<std::string, Scene>> scenes;
  for (const std::string& folder : {context.examples, context.scenes}) {
    for (const auto& path : SceneFiles(folder)) {
      try {
        Scene scene = LoadSceneFile(path.string());
        if (!scene.clipboardFaults.empty()) continue;
        scenes.emplace_back(path.filename().string(), std::move(scene));
      } catch (const SceneError& error) {
        problems.Add(error.what());
      }
    }
  }
  problems.Expect(!scenes.empty(), "no scenes in " + context.examples + " or " + context.scenes +
                                       " (give --examples and --scenes)");
  return scenes;
}

std::string Named(const std::vector<CallRecord>& calls, int64_t call) {
  return "call " + std::to_string(call) + " (" +
         OperationName(calls[static_cast<std::size_t>(call - 1)].operation) + ")";
}

bool ClosingAmong(const std::vector<CallRecord>& calls, const std::vector<int64_t>& failed) {
  for (const int64_t call : failed) {
    if (call <= static_cast<int64_t>(calls.size()) &&
        calls[static_cast<std::size_t>(call - 1)].operation == Operation::AEGP_EndUndoGroup) {
      return true;
    }
  }
  return false;
}

// A scene of a composition with the given layers and selection.
Scene CompScene(const std::string& layers, const std::string& selection,
                const std::string& extra = "") {
  return LoadScene(R"({ "active_item": 0, "clipboard": "before", )" + extra +
                       R"( "items": [ { "type": "composition", "name": "Comp", "width": 1920,
                       "height": 1080, "layers": )" +
                       layers + R"(, "selection": )" + selection + " } ] }",
                   "built-in scene");
}

const char kOneMask[] = R"([ { "masks": [ { "keyframes": [
    { "time": 0, "vertices": [ [960, 540, 940, 560, 980, 520], [1200, 300, 1180, 280, 1220, 320] ] },
    { "time": 1000, "vertices": [ [970, 550, 950, 570, 990, 530], [1210, 310, 1190, 290, 1230, 330] ] }
  ] } ] } ])";
const char kSelectMask[] = R"([ { "layer": 0, "mask": 0 } ])";

// --- the checks ---------------------------------------------------------

CheckReport ModuleFile(const CheckContext& context) {
  CheckReport report;
  if (context.modulePath.empty()) {
    report.skipped = true;
    report.note = "the module's code is linked into this program; there is no module file";
    return report;
  }
  Problems problems(report);
  try {
    const PeImage pe(context.modulePath);
    problems.Expect(pe.machine() == 0x8664 && pe.magic() == 0x20B, "not a 64-bit x86-64 image");
    problems.Expect(pe.isDll(), "not a DLL");
    const PeExports exports = Exports(pe);
    problems.Expect(exports.functions == 1 && exports.named.size() == 1,
                    "exports " + std::to_string(exports.functions) + " functions, not one");
    problems.Expect(!exports.named.empty() && exports.named[0].name == "EntryPointFunc" &&
                        exports.named[0].ordinal == 1,
                    "does not export EntryPointFunc at ordinal 1");
    const std::optional<Resource> pipl = ResourceOfType(pe, "PIPL");
    if (!pipl) {
      problems.Add("has no property list (PIPL resource)");
    } else {
      problems.Expect(
          pipl->data.size() == 142,
          "its property list is " + std::to_string(pipl->data.size()) + " bytes, not 142");
      const PropertyListInfo info = ParsePropertyList(pipl->data.data(), pipl->data.size());
      problems.Expect(info.kind == "AEgx", "its property list's kind is \"" + info.kind +
                                               "\", not a general plug-in (AEgx)");
      bool named = false;
      for (const PeExport& e : exports.named) named = named || e.name == info.entryPoint;
      problems.Expect(named, "its property list names " + info.entryPoint +
                                 ", which the module does not export");
    }
    const std::optional<Resource> manifest = ResourceOfType(pe, "#24");
    problems.Expect(manifest.has_value(), "has no manifest");
    if (manifest) {
      const std::string xml(manifest->data.begin(), manifest->data.end());
      problems.Expect(xml.find("level=\"asInvoker\"") != std::string::npos,
                      "its manifest does not ask to run as invoker");
    }
  } catch (const std::exception& error) {
    problems.Add(error.what());
  }
  return report;
}

CheckReport Registration(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  const Scene scene = CompScene(kOneMask, kSelectMask);
  const Played faultFree = Play(scene, context.entry);
  CheckSession(faultFree, {ExportOf(faultFree)}, "fault-free session", problems);
  problems.Expect(faultFree.result.entryResult == 0,
                  "the entry point returned " + std::to_string(faultFree.result.entryResult));
  problems.Expect(faultFree.reports.empty(), "a report was shown without a failure");
  const int64_t entryCalls =
      faultFree.result.callsAfterStep.empty() ? 0 : faultFree.result.callsAfterStep.front();
  constexpr HostError kInjected = 77;
  for (int64_t k = 1; k <= entryCalls; ++k) {
    const std::string what = Named(faultFree.calls, k) + " failing";
    const Played played = Play(scene, context.entry, {k}, kInjected);
    CheckSession(played, {ExportOf(faultFree)}, what, problems);
    problems.Expect(played.result.entryResult == kInjected,
                    what + ": the entry point returned " +
                        std::to_string(played.result.entryResult) + ", not 77");
    problems.Expect(played.reports.size() == 1, what + ": the failure report shown " +
                                                    std::to_string(played.reports.size()) +
                                                    " times, not once");
    // Registration stops at the failure: after it only the report is made.
    const int64_t ended = played.result.callsAfterStep.front();
    for (int64_t later = k + 1; later <= ended; ++later) {
      const Operation op = played.calls[static_cast<std::size_t>(later - 1)].operation;
      problems.Expect(op == Operation::AEGP_ReportInfo,
                      what + ": " + Named(played.calls, later) + " after the failure");
    }
  }
  report.note = std::to_string(entryCalls) + " registration calls failed in turn";
  return report;
}

CheckReport MenuUpdate(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  const struct {
    const char* what;
    std::string scene;
    std::optional<bool> enabled;  // none: left as it was
  } cases[] = {
      {"no active item", R"({ "items": [ { "type": "composition", "width": 10, "height": 10 } ] })",
       false},
      {"a composition",
       R"({ "active_item": 0, "items": [ { "type": "composition", "width": 10, "height": 10 } ] })",
       true},
      {"footage", R"({ "active_item": 0, "items": [ { "type": "footage" } ] })", true},
      {"another item type", R"({ "active_item": 0, "items": [ { "type": 7 } ] })", std::nullopt},
  };
  for (const auto& c : cases) {
    for (const bool startEnabled : {true, false}) {
      const std::string what =
          std::string(c.what) + (startEnabled ? ", item enabled" : ", item disabled");
      Scene scene = LoadScene(c.scene, c.what);
      scene.session = {SessionStep::kEntry};
      SimulatedHost host(scene);
      SessionResult result = PlaySession(host, context.entry, nullptr);
      if (host.menuItems().empty()) {
        problems.Add(what + ": no menu item after the entry point");
        continue;
      }
      host.SetCommandEnabled(scene.commandId, startEnabled);
      PlayStep(host, context.entry, SessionStep::kMenu, nullptr, result);
      problems.Expect(result.menuResult == 0,
                      what + ": the menu hook returned " + std::to_string(result.menuResult));
      const bool want = c.enabled.value_or(startEnabled);
      problems.Expect(host.CommandEnabled(scene.commandId) == want,
                      what + ": the command is " +
                          (host.CommandEnabled(scene.commandId) ? "enabled" : "disabled"));
      problems.Expect(host.violations().empty() && host.OutstandingSuites().empty(),
                      what + ": a host rule broken or a suite kept");
    }
  }
  return report;
}

CheckReport OtherCommand(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  Scene scene = CompScene(kOneMask, kSelectMask);
  scene.session = {SessionStep::kEntry};
  SimulatedHost host(scene);
  PlaySession(host, context.entry, nullptr);
  if (host.commandHooks().empty()) {
    problems.Add("no command hook registered");
    return report;
  }
  const int64_t callsBefore = host.callCount();
  for (const CommandId other : {scene.commandId + 1, CommandId{0}, CommandId{-1}}) {
    for (const HostBoolean handledBefore : {HostBoolean{0}, HostBoolean{1}}) {
      const CommandHookRecord& hook = host.commandHooks().front();
      HostBoolean handled = handledBefore;
      const HostError result = hook.hook(nullptr, hook.refcon, other, hook.priority, 0, &handled);
      const std::string what = "command " + std::to_string(other);
      problems.Expect(result == 0, what + ": returned " + std::to_string(result));
      problems.Expect(handled == handledBefore, what + ": the handled flag changed");
    }
  }
  problems.Expect(
      host.callCount() == callsBefore,
      "another command made " + std::to_string(host.callCount() - callsBefore) + " host calls");
  return report;
}

CheckReport Examples(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  int compared = 0;
  for (const auto& path : SceneFiles(context.examples)) {
    std::filesystem::path expected = path;
    expected.replace_extension(".expected.txt");
    const std::string name = path.filename().string();
    try {
      const Played played = Play(LoadSceneFile(path.string()), context.entry);
      CheckSession(played, {ExportOf(played)}, name, problems);
      problems.Expect(
          played.result.commandResult == 0,
          name + ": the command returned " + std::to_string(played.result.commandResult));
      problems.Expect(played.after == ReadText(expected),
                      name + ": the clipboard differs from " + expected.filename().string());
      ++compared;
    } catch (const SceneError& error) {
      problems.Add(error.what());
    }
  }
  problems.Expect(compared > 0, "no example scenes in " + context.examples + " (give --examples)");
  report.note = std::to_string(compared) + " examples";
  return report;
}

// What a hook must return when call k of the session fails, and what it may
// call after it: the entry point and the menu hook pass every failure on
// (the menu hook's disabling of the command excepted); the command returns
// the failing call's code and makes no host call after it but closing the
// undo group.
void ExpectResult(const Played& faultFree, const Played& played, int64_t k, HostError injected,
                  const std::string& what, Problems& problems) {
  const std::vector<int64_t>& ends = faultFree.result.callsAfterStep;
  if (ends.size() < 3) return;
  const auto index = static_cast<std::size_t>(k - 1);
  const Operation op = faultFree.calls[index].operation;
  const auto expect = [&](const char* hook, HostError got) {
    problems.Expect(got == injected, what + ": " + hook + " returned " + std::to_string(got) +
                                         ", not " + std::to_string(injected));
  };
  if (k <= ends[0]) {
    expect("the entry point", played.result.entryResult);
  } else if (k <= ends[1]) {
    if (op != Operation::AEGP_DisableCommand) expect("the menu hook", played.result.menuResult);
  } else if (k <= ends[2]) {
    expect("the command", played.result.commandResult);
    const int64_t ended = played.result.callsAfterStep.size() >= 3
                              ? played.result.callsAfterStep[2]
                              : static_cast<int64_t>(played.calls.size());
    for (int64_t later = k + 1; later <= ended; ++later) {
      const Operation after = played.calls[static_cast<std::size_t>(later - 1)].operation;
      if (after == Operation::AEGP_EndUndoGroup) continue;
      problems.Add(what + ": " + Named(played.calls, later) + " after the failure");
      break;
    }
  }
}

// A session without faults makes no call that fails.
void ExpectNoFailingCall(const Played& faultFree, const std::string& name, Problems& problems) {
  for (std::size_t i = 0; i < faultFree.calls.size(); ++i) {
    if (faultFree.calls[i].result == 0) continue;
    problems.Add(name + " as it is: " + Named(faultFree.calls, static_cast<int64_t>(i + 1)) +
                 " failed with " + std::to_string(faultFree.calls[i].result));
  }
}

CheckReport SingleFaults(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  constexpr HostError kInjected = 77;
  int runs = 0;
  for (const auto& [name, scene] : SweepScenes(context, problems)) {
    const Played faultFree = Play(scene, context.entry);
    CheckSession(faultFree, {ExportOf(faultFree)}, name + " as it is", problems);
    ExpectNoFailingCall(faultFree, name, problems);
    const auto n = static_cast<int64_t>(faultFree.calls.size());
    for (int64_t k = 1; k <= n; ++k) {
      const std::string what = name + " with " + Named(faultFree.calls, k) + " failing";
      const Played played = Play(scene, context.entry, {k}, kInjected);
      CheckSession(played, {ExportOf(faultFree), false, ClosingAmong(faultFree.calls, {k})}, what,
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
    if (!faultFree || played.calls.size() < faultFree->calls.size()) {
      smallest.emplace(name, scene);
      faultFree = std::move(played);
    }
  }
  if (!smallest) return report;
  const auto n = static_cast<int64_t>(faultFree->calls.size());
  int runs = 0;
  for (int64_t first = 1; first <= n; ++first) {
    for (int64_t second = first + 1; second <= n; ++second) {
      const std::string what = smallest->first + " with " + Named(faultFree->calls, first) +
                               " and " + Named(faultFree->calls, second) + " failing";
      const Played played = Play(smallest->second, context.entry, {first, second}, kInjected);
      CheckSession(played,
                   {ExportOf(*faultFree), false, ClosingAmong(played.calls, {first, second})}, what,
                   problems);
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
    const std::vector<int64_t>& ends = faultFree.result.callsAfterStep;
    std::set<std::pair<std::string, int32_t>> seen;
    for (std::size_t step = 0; step < ends.size() && step < 3; ++step) {
      const int64_t from = step == 0 ? 0 : ends[step - 1];
      for (int64_t k = from; k < ends[step]; ++k) {
        const auto suite = OperationSuite(faultFree.calls[static_cast<std::size_t>(k)].operation);
        if (!seen.insert(suite).second) continue;
        for (const bool nullTable : {false, true}) {
          Scene missing = scene;
          missing.missingSuites.push_back(MissingSuite{suite.first, suite.second, nullTable});
          const std::string what = name + " without " + suite.first + " " +
                                   std::to_string(suite.second) +
                                   (nullTable ? " (null table)" : "");
          const Played played = Play(missing, context.entry);
          CheckSession(played, {ExportOf(faultFree)}, what, problems);
          const HostError results[] = {played.result.entryResult, played.result.menuResult,
                                       played.result.commandResult};
          problems.Expect(
              results[step] == kMissingSuiteError,
              what + ": the hook returned " + std::to_string(results[step]) + ", not 516");
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
#ifdef _WIN32
  (void)context;
  report.skipped = true;
  report.note = "the system's clipboard cannot be failed step by step";
#else
  Problems problems(report);
  const Scene base = CompScene(kOneMask, kSelectMask);
  const Played faultFree = Play(base, context.entry);
  for (const char* step : kClipboardSteps) {
    Scene scene = base;
    scene.clipboardFaults = {step};
    const Played played = Play(scene, context.entry);
    const std::string what = std::string(step) + " failing";
    const bool afterEmptying = std::string(step) == "SetClipboardData";
    CheckSession(played, {ExportOf(faultFree), afterEmptying}, what, problems);
    problems.Expect(
        played.result.commandResult == 1,
        what + ": the command returned " + std::to_string(played.result.commandResult) + ", not 1");
    problems.Expect(standin::LiveBlocksOutsideClipboard() == 0, what + ": a memory block leaked");
  }
#endif
  return report;
}

// Peak memory of this process so far, in bytes.
uint64_t PeakMemory() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize;
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;
#endif
}

// Memory the process holds now: private bytes on Windows, the allocator's
// bytes in use elsewhere.
uint64_t MemoryInUse() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS_EX counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  return counters.PrivateUsage;
#else
  return mallinfo2().uordblks;
#endif
}

// An export whose text would pass 1 GiB (12,000,000 point lines) is refused
// as memory running out, with the clipboard as it was.
void ExpectRefusedPastCeiling(const CheckContext& context, Problems& problems) {
  const char what[] = "a text past 1 GiB";
  const Played played =
      Play(CompScene(R"([ { "masks": [ { "generate": { "vertices": 100000, "keyframes": 120,
                     "seed": 9 } } ] } ])",
                     kSelectMask),
           context.entry);
  CheckSession(played, {}, what, problems);
  problems.Expect(played.result.commandResult == 4,
                  std::string(what) + ": the command returned " +
                      std::to_string(played.result.commandResult) + ", not 4");
}

// The command's own host calls in a session of the usual steps.
int64_t CommandCalls(const Played& played) {
  const std::vector<int64_t>& ends = played.result.callsAfterStep;
  return ends.size() >= 3 ? ends[2] - ends[1] : 0;
}

// A mask that reports a million keyframes ends the export at the first call
// that fails, not at the end of its count: a vertex the host does not give,
// or the time of a keyframe it does not have.
void ExpectEndsAtOnce(const CheckContext& context, Problems& problems) {
  const std::string mask = R"([ { "masks": [ { "keyframes": [
      { "time": 0, "vertices": [ [0, 0, 0, 0, 0, 0] ] } ], "keyframe_count": 1000000 } ] } ])";
  const struct {
    const char* what;
    std::string faults;
  } cases[] = {
      {"a million keyframes, the first vertex failing",
       R"("faults": [ { "operation": "PF_PathVertexInfo", "call": 1, "code": 9 } ],)"},
      {"a million keyframes, the second not there", ""},
  };
  for (const auto& c : cases) {
    const Played played = Play(CompScene(mask, kSelectMask, c.faults), context.entry);
    CheckSession(played, {}, c.what, problems);
    problems.Expect(played.result.commandResult != 0, std::string(c.what) + ": returned 0");
    problems.Expect(CommandCalls(played) <= 30, std::string(c.what) + ": " +
                                                    std::to_string(CommandCalls(played)) +
                                                    " host calls, more than 30");
  }
}

CheckReport HostileHost(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  const std::string nonFinite = R"("inf", "-inf", "nan", "nan", "-inf", "inf")";
  const std::string comp = R"({ "active_item": 0, "items": [ { "type": "composition", )";
  const std::string oneVertexMask =
      R"("layers": [ { "masks": [ { "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ],
         "selection": [ { "layer": 0, "mask": 0 } ] } ] })";
  const struct {
    const char* what;
    std::string scene;
  } cases[] = {
      {"non-finite vertices",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "vertices": [ [)" +
           nonFinite + R"(] ] } ] } ], "selection": [ { "layer": 0, "mask": 0 } ] } ] })"},
      {"non-finite matrix",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "to_world": ["nan", 0, 0, "inf",
          0, "-inf", 0, 0, 0, 0, 1, 0, 0, 0, 0, 1], "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })"},
      {"non-finite anchor point, position, scale and rotation",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "anchor_point": ["nan", "inf"],
          "position": ["-inf", 0], "scale": ["nan", 100], "rotation": "inf",
          "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })"},
      {"the lowest keyframe count",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "keyframes": [],
          "keyframe_count": -2147483648 } ] } ], "selection": [ { "layer": 0, "mask": 0 } ] } ] })"},
      {"a keyframe count far beyond the keyframes",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "keyframes": [
          { "time": 0, "vertices": [ [0, 0, 0, 0, 0, 0] ] } ], "keyframe_count": 1000000 } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })"},
      {"many vertices",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "generate":
          { "vertices": 500000, "keyframes": 2, "seed": 3 } } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })"},
      {"zero width", comp + R"("width": 0, "height": 1080, )" + oneVertexMask},
      {"zero height", comp + R"("width": 1920, "height": 0, )" + oneVertexMask},
      {"negative size", comp + R"("width": -1920, "height": -1080, )" + oneVertexMask},
      {"the largest size", comp + R"("width": 2147483647, "height": 2147483647, )" + oneVertexMask},
      {"times at their limits",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "in_point": -2147483648,
          "masks": [ { "keyframes": [
            { "time": -2147483648, "vertices": [ [0, 0, 0, 0, 0, 0] ] },
            { "time": 2147483647, "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })"},
      {"a selection of a hundred thousand entries",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "vertices": [] } ] } ],
          "selection": [ )" +
           [] {
             std::string entries;
             for (int i = 0; i < 100000; ++i)
               entries += std::string(i ? ", " : "") + "{ \"layer\": 0 }";
             return entries;
           }() +
           " ] } ] }"},
  };
  constexpr uint64_t kMemoryBound = uint64_t{2} << 30;
  for (const auto& c : cases) {
    try {
      const Played played = Play(LoadScene(c.scene, c.what), context.entry);
      CheckSession(played, {ExportOf(played)}, c.what, problems);
    } catch (const SceneError& error) {
      problems.Add(std::string(c.what) + ": " + error.what());
    }
    problems.Expect(PeakMemory() <= kMemoryBound,
                    std::string(c.what) + ": more than 2 GiB of memory");
  }
  ExpectRefusedPastCeiling(context, problems);
  ExpectEndsAtOnce(context, problems);
  report.note = "peak memory " + std::to_string(PeakMemory() >> 20) + " MiB";
  return report;
}

CheckReport Soak(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  constexpr int kCommands = 1000;
  constexpr int kWarmUp = 10;
  // Growth the allocator's own bookkeeping may show; a leak of one stream
  // value's worth per command would pass it within a few hundred commands.
  constexpr uint64_t kFlat = uint64_t{256} << 10;
  Scene scene = CompScene(kOneMask, kSelectMask);
  scene.session = {};
  SimulatedHost host(scene);
  host.SetRecordCalls(false);
  SessionResult result;
  ReplaceClipboardText(scene.clipboard);
  PlayStep(host, context.entry, SessionStep::kEntry, nullptr, result);
  PlayStep(host, context.entry, SessionStep::kMenu, nullptr, result);
  std::optional<std::string> first;
  uint64_t warmedUp = 0;
  for (int i = 1; i <= kCommands; ++i) {
    SessionResult command;
    PlayStep(host, context.entry, SessionStep::kCommand, nullptr, command);
    const std::string what = "command " + std::to_string(i);
    problems.Expect(command.commandRun && command.commandResult == 0,
                    what + ": returned " + std::to_string(command.commandResult));
    problems.Expect(host.OutstandingSuites().empty(), what + ": a suite still acquired");
    problems.Expect(host.undoGroupsOpen() == 0, what + ": an undo group left open");
    const std::optional<std::string> text = ReadClipboardText();
    if (!first) first = text;
    problems.Expect(text == first && text.has_value(), what + ": a different text");
    if (i == kWarmUp) warmedUp = MemoryInUse();
  }
  const uint64_t after = MemoryInUse();
  const uint64_t growth = after > warmedUp ? after - warmedUp : 0;
  problems.Expect(growth <= kFlat, "memory grew by " + std::to_string(growth >> 10) + " KiB over " +
                                       std::to_string(kCommands - kWarmUp) + " commands");
  for (const std::string& violation : host.violations()) problems.Add(violation);
  report.note = std::to_string(kCommands) + " commands, memory grew " +
                std::to_string(growth >> 10) + " KiB after the first " + std::to_string(kWarmUp);
  return report;
}

// How often a piece occurs in a text.
int64_t Occurrences(const std::string& text, const std::string& piece) {
  int64_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos;
       at = text.find(piece, at + piece.size())) {
    ++count;
  }
  return count;
}

std::string PerLine(int64_t n, int64_t lines) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f",
                lines == 0 ? 0.0 : static_cast<double>(n) / static_cast<double>(lines));
  return text;
}

// What one export asks of the host, against what it wrote: one vertex call
// per point line, and for the rest and for the host objects it obtains and
// cannot hand back, bounds per keyframe entry and per mask.
void CheckExportWeight(const std::string& name, const Played& played, Problems& problems,
                       std::string& note) {
  const std::string text = played.after.value_or("");
  const int64_t masks = Occurrences(text, " = BSplineMask {");
  const int64_t entries = Occurrences(text, ", RH = { ");
  const int64_t lines = Occurrences(text, "\t\t\t\t\t\t\t{ X= ");
  const std::vector<int64_t>& ends = played.result.callsAfterStep;
  const int64_t from = ends.size() >= 3 ? ends[1] : 0;
  const int64_t to = ends.size() >= 3 ? ends[2] : 0;
  int64_t vertexCalls = 0, otherCalls = 0;
  for (int64_t k = from; k < to; ++k) {
    (played.calls[static_cast<std::size_t>(k)].operation == Operation::PF_PathVertexInfo
         ? vertexCalls
         : otherCalls) += 1;
  }
  const int64_t callBound = 8 * entries + 8 * masks + 12;
  const int64_t objectBound = 1 + 3 * masks + 3 * entries;
  problems.Expect(lines > 0, name + ": the export wrote no point lines");
  problems.Expect(vertexCalls == lines, name + ": " + std::to_string(vertexCalls) +
                                            " vertex calls for " + std::to_string(lines) +
                                            " point lines");
  problems.Expect(otherCalls <= callBound,
                  name + ": " + std::to_string(otherCalls) + " host calls besides the vertices, " +
                      "more than " + std::to_string(callBound) + " for " + std::to_string(masks) +
                      " masks and " + std::to_string(entries) + " keyframe entries");
  problems.Expect(played.objects <= objectBound,
                  name + ": " + std::to_string(played.objects) + " host objects, more than " +
                      std::to_string(objectBound) + " for " + std::to_string(masks) +
                      " masks and " + std::to_string(entries) + " keyframe entries");
  note += (note.empty() ? "" : "; ") + name + ": " + std::to_string(played.objects) +
          " objects (at most " + std::to_string(objectBound) + "), " +
          PerLine(vertexCalls + otherCalls, lines) + " calls per point line";
}

CheckReport HostObjects(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  // A rig of four masks on parented layers, and one detailed mask.
  Scene rig = CompScene(
      R"([ { "parent": 1, "rotation": 15, "masks": [
             { "generate": { "vertices": 40, "keyframes": 10, "seed": 1 } },
             { "generate": { "vertices": 25, "keyframes": 12, "seed": 2 } } ] },
           { "position": [ { "time": 0, "value": [480, 300] }, { "time": 9000, "value": [560, 320] } ],
             "masks": [ { "generate": { "vertices": 60, "keyframes": 13, "seed": 3 } },
                        { "generate": { "vertices": 8, "keyframes": 14, "seed": 4 } } ] } ])",
      R"([ { "layer": 0, "mask": 0 }, { "layer": 0 }, { "layer": 0, "mask": 1 },
           { "layer": 1, "mask": 0 }, { "layer": 1, "mask": 1 } ])");
  Scene detailed = CompScene(
      R"([ { "masks": [ { "generate": { "vertices": 2000, "keyframes": 30, "seed": 5 } } ] } ])",
      kSelectMask);
  std::vector<std::pair<std::string, Scene>> scenes;
  scenes.emplace_back("a rig of 4 masks", std::move(rig));
  scenes.emplace_back("2,000 vertices x 30 keyframes", std::move(detailed));
  for (const auto& path : SceneFiles(context.examples)) {
    scenes.emplace_back(path.filename().string(), LoadSceneFile(path.string()));
  }
  std::string note;
  for (const auto& [name, scene] : scenes) {
    const Played played = Play(scene, context.entry);
    CheckSession(played, {ExportOf(played)}, name, problems);
    CheckExportWeight(name, played, problems, note);
  }
  report.note = note;
  return report;
}

}  // namespace

const std::vector<Check>& CheckCatalogue() {
  static const std::vector<Check> catalogue = {
      {"module-file",
       "the file: one export, EntryPointFunc at ordinal 1, the property list, the manifest", 30,
       false, &ModuleFile},
      {"registration", "each registration call failing in turn", 60, true, &Registration},
      {"menu-update", "the menu item's state for each kind of active item", 60, true, &MenuUpdate},
      {"other-command", "another command id touches nothing", 60, true, &OtherCommand},
      {"examples", "every example scene gives its expected text", 120, true, &Examples},
      {"single-faults", "every host call of a session failing in turn", 600, true, &SingleFaults},
      {"pair-faults", "every pair of a session's calls failing on the smallest scene", 600, true,
       &PairFaults},
      {"missing-suites", "each suite missing, as an error and as a null table", 300, true,
       &MissingSuites},
      {"clipboard-steps", "each clipboard step failing", 60, true, &ClipboardSteps},
      {"hostile-host", "non-finite numbers, extreme counts, sizes and times", 300, true,
       &HostileHost},
      {"soak", "1,000 commands in one session", 300, true, &Soak},
      {"host-objects", "host calls and host objects of one export, per mask and per keyframe entry",
       60, true, &HostObjects},
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
