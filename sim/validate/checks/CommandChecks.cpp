// The command as the user meets it: another command touches nothing, a
// selection with nothing to export keeps the clipboard, and every example
// scene gives its text.
#include "host/ResultCodes.h"
#include "sim/scene/InputFile.h"
#include "sim/validate/checks/CheckSupport.h"
#include "tarnwick_config.h"

namespace tarnwick::sim::checks {

CheckReport OtherCommand(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  Scene scene = CompScene(kOneMask, kSelectMask);
  scene.session = {SessionStep::kEntry};
  const Played registered = PlayKeepingHost(scene, context.entry);
  SimulatedHost& host = *registered.host;
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
      problems.ExpectReturned(what, result, kNoError);
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
  problems.ExpectReturned("its own command without a handled flag", own, kNoError);
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
      {"footage active", R"({ "active_item": 0, "items": [ { "type": "footage" } ] })", kNoError,
       true},
      {"another kind of item active", R"({ "active_item": 0, "items": [ { "type": 7 } ] })",
       kNoError, true},
      // The command run before the menu update, which would disable it.
      {"no active item",
       R"({ "session": ["entry", "command", "menu"], "items": [ )" + withMask + " } ] }", kNoError,
       true},
      {"no collection", R"({ "active_item": 0, "items": [ )" + withMask + " } ] }", kNoError, true},
      {"an empty selection",
       R"({ "active_item": 0, "items": [ )" + withMask + R"(, "selection": [] } ] })", kNoError,
       true},
      {"a selection of a layer and another kind of item",
       R"({ "active_item": 0, "items": [ )" + withMask +
           R"(, "selection": [ { "layer": 0 }, { "kind": 7, "layer": 0 } ] } ] })",
       kNoError, true},
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
      problems.ExpectReturned(what + ": the command", played.result.commandResult, c.result);
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
  const Played exported =
      PlayFaultFree(CompScene(kOneMask, kSelectMask), context.entry, "a mask exported", problems);
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
      const Played played =
          PlayFaultFree(LoadSceneFile(path.string()), context.entry, name, problems);
      problems.ExpectReturned(name + ": the command", played.result.commandResult, kNoError);
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

const Check kOtherCommandCheck = {"other-command", "another command id touches nothing", 60, true,
                                  &OtherCommand};
const Check kNothingToExportCheck = {
    "nothing-to-export", "a command with no mask to export keeps the clipboard and says so once",
    60, true, &NothingToExport};
const Check kExamplesCheck = {"examples", "every example scene gives its expected text", 120, true,
                              &Examples};

}  // namespace tarnwick::sim::checks
