// The hooks as a host calls them: registration, the menu update, another
// command, a command with nothing to export, and the example scenes' texts.
#include <optional>

#include "host/SuiteHandler.h"
#include "sim/program/CheckSupport.h"
#include "sim/scene/InputFile.h"
#include "sim/scene/Operations.h"
#include "tarnwick_config.h"

namespace tarnwick::sim::checks {

CheckReport Registration(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  const Scene scene = CompScene(kOneMask, kSelectMask);
  const Played faultFree = Play(scene, context.entry);
  CheckSession(faultFree, {ExportOf(faultFree)}, "fault-free session", problems);
  problems.Expect(faultFree.result.entryResult == 0,
                  "the entry point returned " + std::to_string(faultFree.result.entryResult));
  problems.Expect(faultFree.reports.empty(), "a report was shown without a failure");
  const auto entrySpan = [](const Played& played) {
    for (const PlayedStep& step : played.result.steps) {
      if (step.step == SessionStep::kEntry) return std::make_pair(step.firstCall, step.endCall);
    }
    return std::make_pair(int64_t{0}, int64_t{0});
  };
  const auto [entryFrom, entryCalls] = entrySpan(faultFree);
  constexpr HostError kInjected = 77;
  for (int64_t k = entryFrom + 1; k <= entryCalls; ++k) {
    const std::string what = Named(faultFree.calls, k) + " failing";
    const Played played = Play(scene, context.entry, {k}, kInjected);
    CheckSession(played, {ExportOf(faultFree)}, what, problems);
    problems.Expect(played.result.entryResult == kInjected,
                    what + ": the entry point returned " +
                        std::to_string(played.result.entryResult) + ", not 77");
    problems.Expect(played.reports.size() == 1, what + ": the failure report shown " +
                                                    std::to_string(played.reports.size()) +
                                                    " times, not once");
    problems.Expect(played.reports.empty() ||
                        played.reports.front() == "Tarnwick : Could not register command hook.",
                    what + ": reported \"" +
                        (played.reports.empty() ? std::string() : played.reports.front()) + "\"");
    // The report failing too changes nothing of the result: the first code.
    SimulatedHost reportFails(scene);
    reportFails.FailCall(k, kInjected);
    reportFails.FailCall(k + 1, kInjected + 1);
    const SessionResult failed = PlaySession(reportFails, context.entry, nullptr);
    problems.Expect(failed.entryResult == kInjected && reportFails.reports().empty(),
                    what + " and its report failing: the entry point returned " +
                        std::to_string(failed.entryResult) + ", not 77");
    // Registration stops at the failure: after it only the report is made.
    const int64_t ended = entrySpan(played).second;
    for (int64_t later = k + 1; later <= ended; ++later) {
      const Operation op = played.calls[static_cast<std::size_t>(later - 1)].operation;
      problems.Expect(op == Operation::AEGP_ReportInfo,
                      what + ": " + Named(played.calls, later) + " after the failure");
    }
  }
  report.note = std::to_string(entryCalls - entryFrom) + " registration calls failed in turn";
  return report;
}

CheckReport MenuUpdate(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  using Calls = std::vector<std::string>;
  const Calls kEnable = {"AEGP_GetActiveItem", "AEGP_GetItemType", "AEGP_EnableCommand"};
  const Calls kDisable = {"AEGP_GetActiveItem", "AEGP_DisableCommand"};
  const Calls kLookOnly = {"AEGP_GetActiveItem", "AEGP_GetItemType"};
  const std::string comp = R"("items": [ { "type": "composition", "width": 10, "height": 10 } ] })";
  const struct {
    const char* what;
    std::string scene;
    Calls calls;
    HostError result;
    std::optional<bool> enabled;  // none: left as it was
  } cases[] = {
      {"no active item", "{ " + comp, kDisable, 0, false},
      {"a composition", R"({ "active_item": 0, )" + comp, kEnable, 0, true},
      {"footage", R"({ "active_item": 0, "items": [ { "type": "footage" } ] })", kEnable, 0, true},
      {"another item type", R"({ "active_item": 0, "items": [ { "type": 7 } ] })", kLookOnly, 0,
       std::nullopt},
      {"the disabling refused",
       R"({ "faults": [ { "operation": "AEGP_DisableCommand", "call": 1, "code": 6 } ], )" + comp,
       kDisable, 6, std::nullopt},
      {"the lookup and the disabling refused: the lookup's code",
       R"({ "active_item": 0, "faults": [ { "operation": "AEGP_GetActiveItem", "call": 1,
            "code": 3 }, { "operation": "AEGP_DisableCommand", "call": 1, "code": 6 } ], )" +
           comp,
       kDisable, 3, std::nullopt},
      {"the type lookup refused",
       R"({ "active_item": 0, "faults": [ { "operation": "AEGP_GetItemType", "call": 1,
            "code": 8 } ], )" +
           comp,
       kLookOnly, 8, std::nullopt},
      {"the item suite missing",
       R"({ "active_item": 0, "missing_suites": [ { "name": "AEGP Item Suite",
            "version": 10 } ], )" +
           comp,
       {},
       kMissingSuiteError,
       std::nullopt},
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
      const std::size_t before = host.calls().size();
      PlayStep(host, context.entry, SessionStep::kMenu, nullptr, result);
      Calls calls;
      for (std::size_t i = before; i < host.calls().size(); ++i) {
        calls.push_back(OperationName(host.calls()[i].operation));
      }
      std::string called;
      for (const std::string& name : calls) called += (called.empty() ? "" : ", ") + name;
      problems.Expect(calls == c.calls, what + ": called " + (called.empty() ? "nothing" : called));
      problems.Expect(result.menuResult == c.result, what + ": the menu hook returned " +
                                                         std::to_string(result.menuResult) +
                                                         ", not " + std::to_string(c.result));
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
  // Its own command with no handled flag to write: the export, and nothing
  // written through the null pointer.
  const CommandHookRecord& hook = host.commandHooks().front();
  const HostError own = hook.hook(nullptr, hook.refcon, scene.commandId, hook.priority, 0, nullptr);
  problems.Expect(own == 0,
                  "its own command without a handled flag returned " + std::to_string(own));
  for (const std::string& violation : host.violations()) problems.Add(violation);
  return report;
}

CheckReport NothingToExport(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  const std::string message = TARNWICK_NOTHING_TO_EXPORT_MESSAGE;
  const std::string comp = R"({ "type": "composition", "width": 1920, "height": 1080, "layers": )";
  const std::string withMask = comp + kOneMask;
  // Each leaves the clipboard as it was and ends with its result and the
  // reports shown.
  const struct {
    const char* what;
    std::string scene;
    HostError result;
    bool told;
  } cases[] = {
      {"footage active", R"({ "active_item": 0, "items": [ { "type": "footage" } ] })", 0, true},
      {"another kind of item active", R"({ "active_item": 0, "items": [ { "type": 7 } ] })", 0,
       true},
      // The command run before the menu update, which would disable it.
      {"no active item",
       R"({ "session": ["entry", "command", "menu"], "items": [ )" + withMask + " } ] }", 0, true},
      {"no collection", R"({ "active_item": 0, "items": [ )" + withMask + " } ] }", 0, true},
      {"an empty selection",
       R"({ "active_item": 0, "items": [ )" + withMask + R"(, "selection": [] } ] })", 0, true},
      {"a selection of a layer and another kind of item",
       R"({ "active_item": 0, "items": [ )" + withMask +
           R"(, "selection": [ { "layer": 0 }, { "kind": 7, "layer": 0 } ] } ] })",
       0, true},
      {"the report refused: its code",
       R"({ "active_item": 0, "faults": [ { "operation": "AEGP_ReportInfo", "call": 1,
            "code": 7 } ], "items": [ )" +
           withMask + R"(, "selection": [] } ] })",
       7, false},
  };
  for (const auto& c : cases) {
    const std::string what = c.what;
    try {
      Scene scene = LoadScene(c.scene, c.what);
      scene.clipboard = "the user's own text";
      const Played played = Play(scene, context.entry);
      CheckSession(played, {}, what, problems);
      problems.Expect(played.result.commandRun, what + ": the command did not run");
      problems.Expect(played.result.commandResult == c.result,
                      what + ": the command returned " +
                          std::to_string(played.result.commandResult) + ", not " +
                          std::to_string(c.result));
      problems.Expect(played.after == played.before, what + ": the clipboard changed");
      const std::vector<std::string> told =
          c.told ? std::vector<std::string>{message} : std::vector<std::string>{};
      problems.Expect(played.reports == told,
                      what + ": " + std::to_string(played.reports.size()) + " reports, not " +
                          (c.told ? "one saying \"" + message + "\"" : std::string("none")));
    } catch (const SceneError& error) {
      problems.Add(what + ": " + error.what());
    }
  }
  const Played exported = Play(CompScene(kOneMask, kSelectMask), context.entry);
  CheckSession(exported, {ExportOf(exported)}, "a mask exported", problems);
  problems.Expect(ExportOf(exported).has_value() && exported.reports.empty(),
                  "a mask exported: " + std::to_string(exported.reports.size()) +
                      " reports, the clipboard " + (ExportOf(exported) ? "changed" : "kept"));
  report.note = std::to_string(std::size(cases) - 1) +
                " selections with nothing to export, and the report refused";
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
  const std::string missing = FolderProblem(context.examples);
  problems.Expect(compared > 0,
                  missing.empty()
                      ? "no example scenes in " + context.examples
                      : missing + ": the source tree this program was built from is not here; " +
                            "give the folder of example scenes with --examples DIR");
  report.note = std::to_string(compared) + " examples";
  return report;
}

}  // namespace tarnwick::sim::checks
