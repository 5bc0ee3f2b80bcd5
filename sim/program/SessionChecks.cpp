// The hooks as a host calls them: registration, the menu update, another
// command, and the example scenes' texts.
#include <optional>

#include "sim/program/CheckSupport.h"
#include "sim/scene/Operations.h"

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

}  // namespace tarnwick::sim::checks
