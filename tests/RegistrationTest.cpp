// Entry point, menu update and idle hook against the simulated host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/SuiteHandler.h"
#include "plugin/EntryPoint.h"
#include "sim/host/SimulatedHost.h"
#include "sim/scene/Scene.h"

namespace tarnwick {
namespace {

using Names = std::vector<std::string>;

struct Registered {
  std::unique_ptr<sim::SimulatedHost> host;
  HostError result;
  Names calls() const {
    Names names;
    for (const auto& call : host->calls()) names.push_back(sim::OperationName(call.operation));
    return names;
  }
};

Registered Register(const std::string& extra, int32_t major = 23, int32_t minor = 0) {
  Registered r;
  r.host = std::make_unique<sim::SimulatedHost>(
      sim::LoadScene("{ " + extra + " \"items\": [] }", "scene"));
  r.result = EntryPointFunc(r.host->basicSuite(), major, minor, 1);
  return r;
}

const Names kAllSteps = {"AEGP_GetUniqueCommand", "AEGP_InsertMenuCommand",
                         "AEGP_RegisterCommandHook", "AEGP_RegisterUpdateMenuHook",
                         "AEGP_RegisterIdleHook"};

TEST(Registration, FullSequenceWhateverTheHostVersion) {
  const std::pair<int32_t, int32_t> versions[] = {{23, 0}, {0, 0}, {-1, 2147483647}};
  for (const auto& [major, minor] : versions) {
    const Registered r = Register("", major, minor);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.calls(), kAllSteps);
    ASSERT_EQ(r.host->menuItems().size(), 1u);
    EXPECT_EQ(r.host->menuItems()[0].text, "Tarnwick");
    EXPECT_EQ(r.host->menuItems()[0].menu, 13);
    EXPECT_EQ(r.host->menuItems()[0].position, -2);
    ASSERT_EQ(r.host->commandHooks().size(), 1u);
    EXPECT_EQ(r.host->commandHooks()[0].priority, 1);
    EXPECT_EQ(r.host->commandHooks()[0].command, 0);
    EXPECT_TRUE(r.host->reports().empty());
    EXPECT_TRUE(r.host->OutstandingSuites().empty());
    EXPECT_TRUE(r.host->violations().empty());
  }
}

TEST(Registration, CommandIdZeroSkipsOnlyTheMenuItem) {
  const Registered r = Register(R"("command_id": 0,)");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.calls(), (Names{"AEGP_GetUniqueCommand", "AEGP_RegisterCommandHook",
                              "AEGP_RegisterUpdateMenuHook", "AEGP_RegisterIdleHook"}));
  EXPECT_TRUE(r.host->reports().empty());
}

TEST(Registration, FailureAtEachStepStopsThereWithOneReport) {
  for (std::size_t step = 0; step < kAllSteps.size(); ++step) {
    for (const bool reportFails : {false, true}) {
      SCOPED_TRACE(kAllSteps[step] + (reportFails ? " with a failing report" : ""));
      std::string faults =
          R"("faults": [ { "operation": ")" + kAllSteps[step] + R"(", "call": 1, "code": 42 })";
      if (reportFails) faults += R"(, { "operation": "AEGP_ReportInfo", "call": 1, "code": 5 })";
      const Registered r = Register(faults + " ],");
      EXPECT_EQ(r.result, 42);
      Names expected(kAllSteps.begin(), kAllSteps.begin() + static_cast<long>(step) + 1);
      expected.push_back("AEGP_ReportInfo");
      EXPECT_EQ(r.calls(), expected);
      EXPECT_EQ(r.host->reports().size(), reportFails ? 0u : 1u);
      if (!reportFails) {
        EXPECT_EQ(r.host->reports()[0], "Tarnwick : Could not register command hook.");
      }
      EXPECT_TRUE(r.host->OutstandingSuites().empty());
    }
  }
}

TEST(Registration, MissingSuiteGives516WithoutReport) {
  const char* suites[] = {R"({ "name": "AEGP Command Suite", "version": 1 })",
                          R"({ "name": "AEGP Register Suite", "version": 6, "null_table": true })"};
  for (const char* suite : suites) {
    const Registered r = Register(std::string(R"("missing_suites": [ )") + suite + " ],");
    EXPECT_EQ(r.result, kMissingSuiteError);
    EXPECT_TRUE(r.host->reports().empty());
    EXPECT_TRUE(r.host->OutstandingSuites().empty());
  }
  EXPECT_EQ(EntryPointFunc(nullptr, 0, 0, 1), kMissingSuiteError);
}

struct MenuCase {
  const char* name;
  std::string scene;
  Names calls;
  HostError result;
  bool enabledAfter;
};

TEST(UpdateMenuHook, FollowsTheActiveItem) {
  const std::string items =
      R"("items": [ { "type": "composition" }, { "type": "footage" }, { "type": 1 },
                    { "type": 3 } ] })";
  const auto scene = [&](const std::string& head) { return "{ " + head + items; };
  const std::vector<MenuCase> cases = {
      {"composition",
       scene(R"("active_item": 0,)"),
       {"AEGP_GetActiveItem", "AEGP_GetItemType", "AEGP_EnableCommand"},
       0,
       true},
      {"footage",
       scene(R"("active_item": 1,)"),
       {"AEGP_GetActiveItem", "AEGP_GetItemType", "AEGP_EnableCommand"},
       0,
       true},
      {"type 1",
       scene(R"("active_item": 2,)"),
       {"AEGP_GetActiveItem", "AEGP_GetItemType"},
       0,
       false},
      {"type 3",
       scene(R"("active_item": 3,)"),
       {"AEGP_GetActiveItem", "AEGP_GetItemType"},
       0,
       false},
      {"no active item", scene(""), {"AEGP_GetActiveItem", "AEGP_DisableCommand"}, 0, false},
      {"disable fails",
       scene(R"("faults": [ { "operation": "AEGP_DisableCommand", "call": 1,
         "code": 6 } ],)"),
       {"AEGP_GetActiveItem", "AEGP_DisableCommand"},
       6,
       false},
      {"lookup fails, disable fails too",
       scene(R"("active_item": 0, "faults": [
         { "operation": "AEGP_GetActiveItem", "call": 1, "code": 3 },
         { "operation": "AEGP_DisableCommand", "call": 1, "code": 6 } ],)"),
       {"AEGP_GetActiveItem", "AEGP_DisableCommand"},
       3,
       false},
      {"type lookup fails",
       scene(R"("active_item": 0, "faults": [
         { "operation": "AEGP_GetItemType", "call": 1, "code": 8 } ],)"),
       {"AEGP_GetActiveItem", "AEGP_GetItemType"},
       8,
       false},
      {"missing item suite",
       scene(R"("active_item": 0, "missing_suites": [
         { "name": "AEGP Item Suite", "version": 10 } ],)"),
       {},
       kMissingSuiteError,
       false},
  };
  for (const MenuCase& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SimulatedHost host(sim::LoadScene(c.scene, "scene"));
    ASSERT_EQ(EntryPointFunc(host.basicSuite(), 0, 0, 1), 0);
    // Start from a disabled command so that "left alone" can be seen.
    const std::size_t before = host.calls().size();
    host.SetCommandEnabled(1, false);
    ASSERT_FALSE(host.CommandEnabled(1));
    EXPECT_EQ(host.updateMenuHook()(nullptr, nullptr, 0), c.result);
    Names calls;
    for (std::size_t i = before; i < host.calls().size(); ++i) {
      calls.push_back(sim::OperationName(host.calls()[i].operation));
    }
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(host.CommandEnabled(1), c.enabledAfter);
    EXPECT_TRUE(host.OutstandingSuites().empty());
  }
}

TEST(IdleHook, ReadsAndWritesNothing) {
  int32_t maxSleep = 77;
  EXPECT_EQ(IdleHook(nullptr, nullptr, &maxSleep), 0);
  EXPECT_EQ(maxSleep, 77);
  EXPECT_EQ(IdleHook(nullptr, nullptr, nullptr), 0);
}

}  // namespace
}  // namespace tarnwick
