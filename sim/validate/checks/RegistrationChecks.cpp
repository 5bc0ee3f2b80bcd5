// Registration and the menu: each registration call failing, the one report,
// and the menu item's state for each kind of active item.
#include <optional>

#include "host/ResultCodes.h"
#include "sim/scene/Join.h"
#include "sim/scene/Operations.h"
#include "sim/validate/checks/CheckSupport.h"
#include "tarnwick_config.h"

namespace tarnwick::sim::checks {

CheckReport Registration(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  const Scene scene = CompScene(kOneMask, kSelectMask);
  const Played faultFree = PlayFaultFree(scene, context.entry, "fault-free session", problems);
  problems.ExpectReturned("the entry point", faultFree.result.entryResult, kNoError);
  problems.Expect(faultFree.reports.empty(), "a report was shown without a failure");
  const auto [entryFrom, entryCalls] = StepSpan(faultFree, SessionStep::kEntry);
  constexpr HostError kInjected = 77;
  for (int64_t k = entryFrom + 1; k <= entryCalls; ++k) {
    const std::string what = Named(faultFree.calls(), k) + " failing";
    const Played played = Play(scene, context.entry, {k}, kInjected);
    CheckSession(played, {ExportOf(faultFree)}, what, problems);
    problems.ExpectReturned(what + ": the entry point", played.result.entryResult, kInjected);
    problems.Expect(played.reports.size() == 1, what + ": the failure report shown " +
                                                    std::to_string(played.reports.size()) +
                                                    " times, not once");
    problems.Expect(
        played.reports.empty() || played.reports.front() == TARNWICK_REGISTRATION_FAILURE_MESSAGE,
        what + ": reported \"" + (played.reports.empty() ? std::string() : played.reports.front()) +
            "\"");
    // The report failing too changes nothing of the result: the first code.
    SimulatedHost reportFails(scene);
    reportFails.FailCall(k, kInjected);
    reportFails.FailCall(k + 1, kInjected + 1);
    const SessionResult failed = PlaySession(reportFails, context.entry, nullptr);
    problems.ExpectReturned(what + " and its report failing: the entry point", failed.entryResult,
                            kInjected);
    problems.Expect(reportFails.reports().empty(),
                    what + " and its report failing: a report was shown");
    // Registration stops at the failure: after it only the report is made.
    const int64_t ended = StepSpan(played, SessionStep::kEntry).second;
    for (int64_t later = k + 1; later <= ended; ++later) {
      const Operation op = played.calls()[static_cast<std::size_t>(later - 1)].operation;
      problems.Expect(op == Operation::AEGP_ReportInfo,
                      what + ": " + Named(played.calls(), later) + " after the failure");
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
      {"no active item", "{ " + comp, kDisable, kNoError, false},
      {"a composition", R"({ "active_item": 0, )" + comp, kEnable, kNoError, true},
      {"footage", R"({ "active_item": 0, "items": [ { "type": "footage" } ] })", kEnable, kNoError,
       true},
      {"another item type", R"({ "active_item": 0, "items": [ { "type": 7 } ] })", kLookOnly,
       kNoError, std::nullopt},
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
      problems.Expect(calls == c.calls,
                      what + ": called " + (calls.empty() ? "nothing" : Join(calls, ", ")));
      problems.ExpectReturned(what + ": the menu hook", result.menuResult, c.result);
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

const Check kRegistrationCheck = {"registration", "each registration call failing in turn", 60,
                                  true, &Registration};
const Check kMenuUpdateCheck = {"menu-update", "the menu item's state for each kind of active item",
                                60, true, &MenuUpdate};

}  // namespace tarnwick::sim::checks
