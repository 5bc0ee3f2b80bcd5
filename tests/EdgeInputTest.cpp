// Host answers nobody expects: each must give a clear code or a text that
// loads, and never a violation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>

#include "export/NumberFormat.h"
#include "sim/settings/Preview.h"
#include "sim/settings/SettingsReader.h"
#include "tests/SimSupport.h"
#include "tests/TestSupport.h"

namespace tarnwick {
namespace {

using testing::CompScene;
using testing::Play;

struct EdgeCase {
  const char* name;
  std::string scene;
  const char* mustContain;
  HostError result = 0;
};

void ExpectDefined(const testing::Played& played, const std::string& what) {
  EXPECT_TRUE(played.host->violations().empty())
      << what << ": " << (played.host->violations().empty() ? "" : played.host->violations()[0]);
  EXPECT_TRUE(played.host->OutstandingSuites().empty()) << what;
  EXPECT_EQ(played.host->undoGroupsOpen(), 0) << what;
#ifndef _WIN32
  if (played.result.clipboard && played.result.clipboardChanged) {
    const testing::HarnessResult loaded = testing::RunHarness(*played.result.clipboard);
    EXPECT_EQ(loaded.status, 0) << what << ": " << loaded.output;
  }
#endif
}

TEST(EdgeInput, DefinedResults) {
  const std::string oneMask = R"([ { "layer": 0, "mask": 0 } ])";
  const std::string nonFinite = R"("inf", "-inf", "nan", "nan", "-inf", "inf")";
  const EdgeCase cases[] = {
      {"non-finite vertex fields",
       CompScene(R"([ { "masks": [ { "vertices": [ [)" + nonFinite + R"(] ] } ] } ])", oneMask),
       "{ X= 0/0, Y= 0/0"},  // inf x 0 in the transform is NaN
      {"non-finite matrix entries",
       CompScene(R"([ { "to_world": ["nan", 0, 0, "inf", 0, "-inf", 0, 0, 0, 0, 1, 0, 0, 0, 0, 1],
                        "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ])",
                 oneMask),
       "{ X= 0/0"},
      {"non-finite anchor point and position",
       CompScene(R"([ { "anchor_point": ["nan", "inf"], "position": ["-inf", 0],
                        "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ])",
                 oneMask),
       "{ X= 0/0"},
      {"negative keyframe count",
       CompScene(R"([ { "masks": [ { "keyframes": [], "keyframe_count": -2147483648 } ] } ])",
                 oneMask),
       "KeyFrames = {\r\n\t\t\t}"},
      {"keyframe count far beyond the keyframes",
       CompScene(
           R"([ { "masks": [ { "keyframes": [ { "time": 0, "vertices": [ [0, 0, 0, 0, 0, 0] ] } ],
                        "keyframe_count": 20000 } ] } ])",
           oneMask),
       "before", sim::kHostRefusal},  // times refused: reported, the clipboard kept
      {"many vertices",
       CompScene(
           R"([ { "masks": [ { "generate": { "vertices": 200000, "keyframes": 1, "seed": 3 } } ] } ])",
           oneMask),
       "Points = {"},
      {"negative size",
       R"({ "active_item": 0, "items": [ { "type": "composition", "width": -1920, "height": -1080,
            "layers": [ { "masks": [ { "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ],
            "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       "MaskWidth = Input { Value = -1920, }"},
      {"width of INT32_MAX",
       R"({ "active_item": 0, "items": [ { "type": "composition", "width": 2147483647, "height": 1,
            "layers": [ { "masks": [ { "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ],
            "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       "MaskWidth = Input { Value = 2147483647, }"},
      {"times at the limits of 32 bits",
       CompScene(R"([ { "in_point": -2147483648, "masks": [ { "keyframes": [
                        { "time": -2147483648, "vertices": [ [0, 0, 0, 0, 0, 0] ] },
                        { "time": 2147483647, "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ] } ])",
                 oneMask),
       "[-4294966] = { 0, RH"},
  };
  for (const EdgeCase& c : cases) {
    const testing::Played played = Play(c.scene);
    ExpectDefined(played, c.name);
    EXPECT_EQ(played.result.commandResult, c.result) << c.name;
    EXPECT_NE(played.clipboard().find(c.mustContain), std::string::npos) << c.name;
  }
}

// Inputs that once made a fuzz target, a sanitizer or a reader fail, replayed
// through what they broke: each must now give a defined result.
TEST(EdgeInput, FuzzRegressions) {
  int replayed = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(testing::SourcePath("tests/fuzz-regressions"))) {
    const std::string name = entry.path().filename().string();
    const std::string bytes = testing::ReadFile(entry.path().string());
    if (name.rfind("scene-", 0) == 0) {
      ++replayed;
      try {
        const testing::Played played = Play(bytes);
        ExpectDefined(played, name);
      } catch (const sim::SceneError&) {
        // refused with a message: a defined result
      }
    } else if (name.rfind("format-", 0) == 0 && bytes.size() == sizeof(double)) {
      ++replayed;
      double x = 0;
      std::memcpy(&x, bytes.data(), sizeof x);
      char ours[kFixed6MaxLength + 1];
      char reference[400];
      const std::size_t length = FormatFixed6(x, ours);
      const int expected = std::snprintf(reference, sizeof reference, "%f", x);
      if (std::isfinite(x)) {
        EXPECT_EQ(std::string(ours, length), std::string(reference, expected)) << name;
      }
    } else if (name.rfind("settings-", 0) == 0) {
      ++replayed;
      try {
        std::ostringstream svg;
        sim::WritePreview(svg, sim::ReadSettings(bytes));
      } catch (const sim::SettingsError& error) {
        EXPECT_NE(std::string(error.what()).find(" line "), std::string::npos) << name;
      }
    }
  }
  EXPECT_GE(replayed, 1);
}

}  // namespace
}  // namespace tarnwick
