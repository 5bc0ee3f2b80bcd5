// The simulated host's own strictness: every handle it is handed is checked,
// and a bad one is reported as a violation instead of being followed.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>

#include "host/SuiteHandler.h"
#include "sim/host/SimulatedHost.h"
#include "tests/SimSupport.h"
#include "tests/TestSupport.h"

namespace tarnwick::sim {
namespace {

Scene OneMaskScene() {
  return LoadScene(
      tests::CompScene(R"([ { "masks": [ { "vertices": [ [1, 2, 0, 0, 0, 0] ] } ] } ])",
                       R"([ { "layer": 0, "mask": 0 } ])"),
      "scene");
}

// The handles a well-behaved caller holds, obtained through the suites.
struct Handles {
  ItemHandle item = nullptr;
  CompHandle comp = nullptr;
  LayerHandle layer = nullptr;
  MaskHandle mask = nullptr;
  StreamHandle outline = nullptr;
};

Handles Obtain(SuiteHandler& suites, PluginId plugin) {
  Handles h;
  EXPECT_EQ(suites.ItemSuite10()->AEGP_GetActiveItem(&h.item), 0);
  EXPECT_EQ(suites.CompSuite9()->AEGP_GetCompFromItem(h.item, &h.comp), 0);
  CollectionHandle collection = nullptr;
  EXPECT_EQ(
      suites.CompSuite18()->AEGP_GetNewCollectionFromCompSelection(plugin, h.comp, &collection), 0);
  CollectionItem entry{};
  EXPECT_EQ(suites.CollectionSuite2()->AEGP_GetCollectionItemByIndex(collection, 0, &entry), 0);
  h.layer = entry.ref.mask.layer;
  EXPECT_EQ(suites.LayerMaskSuite6()->AEGP_GetLayerMaskByIndex(h.layer, 0, &h.mask), 0);
  EXPECT_EQ(
      suites.StreamSuite7()->AEGP_GetNewMaskStream(plugin, h.mask, kMaskStreamOutline, &h.outline),
      0);
  return h;
}

TEST(SimulatedHost, ReportsEveryBadHandleInsteadOfFollowingIt) {
  struct Case {
    const char* name;
    std::function<HostError(SuiteHandler&, const Handles&)> call;
    const char* violation;
  };
  int32_t width = 0;
  int32_t height = 0;
  int32_t count = 0;
  char stray[256] = {};
  const Case cases[] = {
      {"null item",
       [&](SuiteHandler& s, const Handles&) {
         return s.ItemSuite13()->AEGP_GetItemDimensions(nullptr, &width, &height);
       },
       "AEGP_GetItemDimensions: null item"},
      {"foreign address",
       [&](SuiteHandler& s, const Handles&) {
         return s.ItemSuite13()->AEGP_GetItemDimensions(reinterpret_cast<ItemHandle>(stray), &width,
                                                        &height);
       },
       "AEGP_GetItemDimensions: item is not a handle this host handed out"},
      {"inside an object",
       [&](SuiteHandler& s, const Handles& h) {
         return s.ItemSuite13()->AEGP_GetItemDimensions(
             reinterpret_cast<ItemHandle>(reinterpret_cast<char*>(h.item) + 8), &width, &height);
       },
       "AEGP_GetItemDimensions: item is not a handle this host handed out"},
      {"another kind",
       [&](SuiteHandler& s, const Handles& h) {
         return s.ItemSuite13()->AEGP_GetItemDimensions(reinterpret_cast<ItemHandle>(h.layer),
                                                        &width, &height);
       },
       "AEGP_GetItemDimensions: item is a handle of another kind"},
      {"null out pointer",
       [&](SuiteHandler& s, const Handles& h) {
         return s.KeyframeSuite4()->AEGP_GetStreamNumKFs(h.outline, nullptr);
       },
       "AEGP_GetStreamNumKFs: null count pointer"},
      {"stream as outline",
       [&](SuiteHandler& s, const Handles& h) {
         return s.PathDataSuite1()->PF_PathNumSegments(
             nullptr, reinterpret_cast<MaskOutlineHandle>(h.outline), &count);
       },
       "PF_PathNumSegments: outline is a handle of another kind"},
      {"null time",
       [&](SuiteHandler& s, const Handles& h) {
         Matrix4 m{};
         return s.LayerSuite13()->AEGP_GetLayerToWorldXform(h.layer, nullptr, &m);
       },
       "AEGP_GetLayerToWorldXform: null time"},
  };
  for (const Case& c : cases) {
    SimulatedHost host(OneMaskScene());
    SuiteHandler suites(host.basicSuite());
    const Handles handles = Obtain(suites, host.scene().pluginId);
    ASSERT_TRUE(host.violations().empty()) << c.name;
    EXPECT_EQ(c.call(suites, handles), kViolationError) << c.name;
    ASSERT_EQ(host.violations().size(), 1u) << c.name;
    EXPECT_EQ(host.violations()[0], c.violation) << c.name;
  }
}

TEST(SimulatedHost, GoodHandlesPassAndFaultsStillFire) {
  SimulatedHost host(OneMaskScene());
  SuiteHandler suites(host.basicSuite());
  const Handles handles = Obtain(suites, host.scene().pluginId);
  int32_t width = 0;
  int32_t height = 0;
  EXPECT_EQ(suites.ItemSuite13()->AEGP_GetItemDimensions(handles.item, &width, &height), 0);
  EXPECT_EQ(width, 1920);
  EXPECT_EQ(height, 1080);
  host.FailCall(host.callCount() + 1, 77);
  EXPECT_EQ(suites.ItemSuite13()->AEGP_GetItemDimensions(handles.item, &width, &height), 77);
  EXPECT_TRUE(host.violations().empty());
}

TEST(SimulatedHost, CallThroughAReleasedSuiteIsAViolation) {
  SimulatedHost host(OneMaskScene());
  const ::ItemSuite10* items = nullptr;
  {
    SuiteHandler suites(host.basicSuite());
    items = suites.ItemSuite10();
  }
  ItemHandle item = nullptr;
  EXPECT_EQ(items->AEGP_GetActiveItem(&item), kViolationError);
  ASSERT_EQ(host.violations().size(), 1u);
  EXPECT_EQ(host.violations()[0],
            "AEGP_GetActiveItem: called through a suite that is not acquired");
}

}  // namespace
}  // namespace tarnwick::sim

namespace tarnwick::sim {
namespace {

// The scene format's lists of operations and suites are the catalogue's, in
// its order: a row added to the table of host operations shows up here until
// the documentation names it.
TEST(OperationCatalogue, TheSceneFormatListsEveryOperationAndSuite) {
  const std::string doc = tests::ReadFile(tests::SourcePath("docs/scene-format.md"));
  const auto paragraph = [&](const std::string& opening) {
    const std::size_t start = doc.find(opening);
    EXPECT_NE(start, std::string::npos) << opening;
    if (start == std::string::npos) return std::string();
    return doc.substr(start, doc.find("\n\n", start) - start);
  };
  std::vector<std::string> listed;
  const std::string operations = paragraph("any other is one of the host operations");
  for (std::size_t at = operations.find('`'); at != std::string::npos;
       at = operations.find('`', operations.find('`', at + 1) + 1)) {
    listed.push_back(operations.substr(at + 1, operations.find('`', at + 1) - at - 1));
  }
  std::vector<std::string> catalogue;
  for (int i = 0; i < kOperationCount; ++i) {
    catalogue.push_back(OperationName(static_cast<Operation>(i)));
  }
  EXPECT_EQ(listed, catalogue);

  // Each suite's name in quotes, then its versions: "AEGP Item Suite" 10 and 13.
  std::string suites = paragraph("A missing suite (");
  for (char& c : suites) c = c == '\n' || c == ',' || c == '.' ? ' ' : c;
  std::set<std::string> names;
  const auto expectListed = [&](const std::string& name, int32_t version) {
    names.insert(name);
    const std::size_t at = suites.find('"' + name + '"');
    ASSERT_NE(at, std::string::npos) << name;
    const std::size_t after = at + name.size() + 2;
    const std::string versions = " " + suites.substr(after, suites.find('"', after) - after);
    EXPECT_NE(versions.find(" " + std::to_string(version) + " "), std::string::npos)
        << name << " " << version << " in" << versions;
  };
#define TARNWICK_EXPECT_LISTED(table, suite, version) expectListed(suite, version);
  TARNWICK_HOST_SUITES(TARNWICK_EXPECT_LISTED)
#undef TARNWICK_EXPECT_LISTED
  EXPECT_EQ(static_cast<std::size_t>(std::count(suites.begin(), suites.end(), '"')),
            2 * names.size());
}

}  // namespace
}  // namespace tarnwick::sim
