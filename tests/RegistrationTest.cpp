// Entry point, menu update and idle hook against the simulated host.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/ResultCodes.h"
#include "host/SuiteHandler.h"
#include "plugin/EntryPoint.h"
#include "plugin/HostBoundary.h"
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

TEST(IdleHook, ReadsAndWritesNothing) {
  int32_t maxSleep = 77;
  EXPECT_EQ(IdleHook(nullptr, nullptr, &maxSleep), 0);
  EXPECT_EQ(maxSleep, 77);
  EXPECT_EQ(IdleHook(nullptr, nullptr, nullptr), 0);
}

// Whatever a hook's body lets escape becomes the code the host receives.
TEST(HostBoundary, EveryExceptionBecomesACode) {
  const struct {
    const char* what;
    HostError (*body)();
    HostError code;
  } cases[] = {
      {"a result", [] { return HostError{7}; }, 7},
      {"a thrown host code", []() -> HostError { throw kMissingSuiteError; }, kMissingSuiteError},
      {"memory running out", []() -> HostError { throw std::bad_alloc(); }, kOutOfMemoryError},
      {"anything else", []() -> HostError { throw std::runtime_error("x"); }, kUnexpectedError},
      {"not even an exception", []() -> HostError { throw 2.5; }, kUnexpectedError},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CrossIntoModule(c.body), c.code) << c.what;
  }
}

}  // namespace
}  // namespace tarnwick
