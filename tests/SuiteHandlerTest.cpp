#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/SuiteHandler.h"

namespace tarnwick {
namespace {

// A basic suite that counts every acquisition and release by name and version.
struct ScriptedHost {
  std::vector<std::pair<std::string, int32_t>> acquired;
  std::vector<std::pair<std::string, int32_t>> released;
  std::map<std::pair<std::string, int32_t>, HostError> refusals;  // code; 0 = null table
  int table = 0;
};

ScriptedHost* gHost = nullptr;

HostError Acquire(const char* name, int32_t version, const void** table) {
  gHost->acquired.emplace_back(name, version);
  const auto refusal = gHost->refusals.find({name, version});
  if (refusal != gHost->refusals.end()) {
    return refusal->second;
  }
  *table = &gHost->table;
  return 0;
}

HostError Release(const char* name, int32_t version) {
  gHost->released.emplace_back(name, version);
  return 9;  // a failing release must not stop the others
}

const BasicSuite kBasic = {&Acquire, &Release};

class SuiteHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override { gHost = &host; }
  void TearDown() override { gHost = nullptr; }
  ScriptedHost host;
};

using Pairs = std::vector<std::pair<std::string, int32_t>>;

TEST_F(SuiteHandlerTest, UnusedHandlerMakesNoHostCall) {
  { SuiteHandler suites(&kBasic); }
  EXPECT_TRUE(host.acquired.empty());
  EXPECT_TRUE(host.released.empty());
}

TEST_F(SuiteHandlerTest, RepeatedGetterAcquiresOnce) {
  {
    SuiteHandler suites(&kBasic);
    const void* first = suites.ItemSuite10();
    EXPECT_EQ(first, suites.ItemSuite10());
    EXPECT_EQ(first, suites.ItemSuite10());
  }
  EXPECT_EQ(host.acquired, (Pairs{{"AEGP Item Suite", 10}}));
  EXPECT_EQ(host.released, (Pairs{{"AEGP Item Suite", 10}}));
}

TEST_F(SuiteHandlerTest, AllGettersReleaseInCatalogueOrder) {
  {
    SuiteHandler suites(&kBasic);
    // Asked for in an order unlike the catalogue's.
    suites.LayerMaskSuite6();
    suites.CompSuite18();
    suites.ItemSuite10();
    suites.UtilitySuite7();
    suites.StreamSuite7();
    suites.ItemSuite13();
    suites.CompSuite9();
    suites.CommandSuite1();
    suites.LayerSuite13();
    suites.PathDataSuite1();
    suites.KeyframeSuite4();
    suites.RegisterSuite6();
    suites.CollectionSuite2();
  }
  EXPECT_EQ(host.acquired.size(), 13u);
  EXPECT_EQ(host.released, (Pairs{{"AEGP Stream Suite", 7},
                                  {"AEGP Keyframe Suite", 4},
                                  {"AEGP Comp Suite", 9},
                                  {"AEGP Comp Suite", 18},
                                  {"AEGP Register Suite", 6},
                                  {"AEGP Item Suite", 13},
                                  {"AEGP Item Suite", 10},
                                  {"PF Path Data Suite", 1},
                                  {"AEGP Command Suite", 1},
                                  {"AEGP Utility Suite", 7},
                                  {"AEGP Collection Suite", 2},
                                  {"AEGP Layer Suite", 13},
                                  {"AEGP Layer Mask Suite", 6}}));
}

TEST_F(SuiteHandlerTest, MissingSuiteThrows516AndReleasesWhatWasAcquired) {
  const struct {
    const char* name;
    HostError hostCode;
  } cases[] = {{"by code", 7}, {"by null table", 0}};
  for (const auto& c : cases) {
    host = ScriptedHost{};
    host.refusals[{"AEGP Stream Suite", 7}] = c.hostCode;
    HostError thrown = 0;
    try {
      SuiteHandler suites(&kBasic);
      suites.CompSuite9();
      suites.CompSuite18();
      suites.StreamSuite7();
    } catch (HostError error) {
      thrown = error;
    }
    EXPECT_EQ(thrown, kMissingSuiteError) << c.name;
    EXPECT_EQ(host.released, (Pairs{{"AEGP Comp Suite", 9}, {"AEGP Comp Suite", 18}})) << c.name;
  }
}

TEST_F(SuiteHandlerTest, NullBasicSuiteThrows) {
  HostError thrown = 0;
  try {
    SuiteHandler suites(nullptr);
  } catch (HostError error) {
    thrown = error;
  }
  EXPECT_EQ(thrown, kMissingSuiteError);
}

TEST(SuiteCatalogue, NamesAreTheHostsAndEachEntryIsUnique) {
  std::map<std::pair<std::string, int32_t>, int> seen;
  for (const SuiteName& entry : kSuiteCatalogue) {
    EXPECT_EQ(++seen[std::make_pair(std::string(entry.name), entry.version)], 1)
        << entry.name << " " << entry.version;
  }
  EXPECT_EQ(std::string(kSuiteCatalogue.front().name), "AEGP Marker Suite");
  EXPECT_EQ(std::string(kSuiteCatalogue.back().name), "AEGP Layer Mask Suite");
  EXPECT_EQ(seen.count({"PF iterate16 Suite", 1}), 1u);
  EXPECT_EQ(seen.count({"PF ColorParamSuite", 1}), 1u);
  EXPECT_EQ(seen.count({"AE Plugin Helper Suite2", 2}), 1u);
}

}  // namespace
}  // namespace tarnwick
