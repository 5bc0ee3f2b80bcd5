// The export, driven end to end through the simulated host.
#include <gtest/gtest.h>

#include <string>

#include "export/ExportCommand.h"
#include "export/ExportWriter.h"
#include "export/TextBuffer.h"
#include "tests/SimSupport.h"
#include "tests/TestSupport.h"

namespace tarnwick {
namespace {

using tests::CompScene;
using tests::Play;
using tests::Played;

// A layer with two masks: the first keyed twice (two and one vertices), the
// second a static outline of one vertex.
const char kTwoMaskLayer[] = R"([ { "name": "Shape", "in_point": 0,
  "masks": [
    { "keyframes": [
        { "time": 0, "vertices": [ [960, 540, 960, 540, 960, 540], [0, 0, 0, 0, 0, 0] ] },
        { "time": 1000, "vertices": [ [1920, 1080, 1920, 1080, 1920, 1080] ] } ] },
    { "vertices": [ [480, 270, 480, 270, 480, 270] ] } ] } ])";

void ExpectClean(const Played& played) {
  EXPECT_TRUE(played.host->violations().empty())
      << (played.host->violations().empty() ? "" : played.host->violations().front());
  EXPECT_TRUE(played.host->OutstandingSuites().empty());
  // A close the host refused leaves its group open on the host's side.
  int refusedCloses = 0;
  for (const sim::CallRecord& call : played.host->calls()) {
    refusedCloses += call.operation == sim::Operation::AEGP_EndUndoGroup && call.result != 0;
  }
  EXPECT_EQ(played.host->undoGroupsOpen(), refusedCloses);
}

std::string Between(const std::string& text, const std::string& from, const std::string& to) {
  const std::size_t start = text.find(from);
  if (start == std::string::npos) return "<missing " + from + ">";
  const std::size_t end = text.find(to, start + from.size());
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// Each piece occurs in the text, after the one before it.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& pieces) {
  std::size_t at = 0;
  for (const std::string& piece : pieces) {
    const std::size_t found = text.find(piece, at);
    EXPECT_NE(found, std::string::npos) << "missing in order: " << piece;
    if (found != std::string::npos) at = found + piece.size();
  }
}

struct ExportCase {
  const char* name;
  std::string scene;
  HostError result;
  // Texts the clipboard must hold, in order; empty when it must keep "before".
  std::vector<std::string> expected;
  std::vector<std::string> absent;
};

TEST(ExportCommand, Scenarios) {
  const std::string masks01 = R"([ { "layer": 0, "mask": 0 }, { "layer": 0, "mask": 1 } ])";
  const std::vector<ExportCase> cases = {
      {"two masks, keyed and static",
       CompScene(kTwoMaskLayer, masks01),
       0,
       {"\t\tBSpline0 = BSplineMask {", "Pos = { 522, 100 }", "\t\t\t\t[0] = { 0, RH",
        "{ X= 0.000000, Y= -0.000000, LX =0.000000", "{ X= -0.500000, Y= 0.500000",
        "\t\t\t\t\t}},\r\n", "[1] = { 1, RH",
        "{ X= 0.500000, Y= -0.500000, LX =0.000000, LY =0.000000, RX=0.000000, RY=0.000000}\r\n",
        "\t\t\t}\r\n\t\t},\r\n", "\t\tBSpline1 = BSplineMask {", "Pos = { 522, 110 }",
        "[0] = { 0, RH", "{ X= -0.250000, Y= 0.250000", "\t\t\t}\r\n\t\t}\r\n\t},"},
       {"BSpline2"}},
      {"layer, mask, layer: one mask at index 1 with a separator",
       CompScene(kTwoMaskLayer, R"([ { "layer": 0 }, { "layer": 0, "mask": 1 }, { "layer": 0 } ])"),
       0,
       {"\t\tBSpline1 = BSplineMask {", "SourceOp = \"BSpline1Polyline\"",
        "\t\t\t}\r\n\t\t},\r\n\t},\r\n"},
       {"BSpline0", "BSpline2"}},
      {"keyframe count below zero: an empty keyframe block",
       CompScene(R"([ { "masks": [ { "keyframes": [], "keyframe_count": -1 } ] } ])",
                 R"([ { "layer": 0, "mask": 0 } ])"),
       0,
       {"\t\t\tKeyFrames = {\r\n\t\t\t}\r\n\t\t}\r\n"},
       {"Polyline  {"}},
      {"zero segments: an empty points block",
       CompScene(R"([ { "masks": [ { "keyframes": [ { "time": 0, "vertices": [] } ] } ] } ])",
                 R"([ { "layer": 0, "mask": 0 } ])"),
       0,
       {"\t\t\t\t\t\tPoints = {\r\n\t\t\t\t\t\t},\r\n"},
       {"{ X="}},
      {"frame number of in-point 1500 and key time 1500 is 2",
       CompScene(R"([ { "in_point": 1500, "masks": [ { "keyframes": [ { "time": 1500,
                      "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ] } ])",
                 R"([ { "layer": 0, "mask": 0 } ])"),
       0,
       {"\t\t\t\t[2] = { 0, RH"},
       {}},
      {"negative key time truncates toward zero",
       CompScene(R"([ { "in_point": 999, "masks": [ { "keyframes": [ { "time": -1500,
                      "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ] } ])",
                 R"([ { "layer": 0, "mask": 0 } ])"),
       0,
       {"\t\t\t\t[-1] = { 0, RH"},
       {}},
      // All or nothing: after any failure the clipboard keeps what it held.
      {"a failure at the first of two masks: clipboard untouched",
       CompScene(
           kTwoMaskLayer, masks01,
           R"("faults": [ { "operation": "AEGP_GetNewLayerStream", "call": 1, "code": 7 } ],)"),
       7,
       {},
       {}},
      {"lookup fails after finding the composition: clipboard untouched",
       CompScene(kTwoMaskLayer, masks01,
                 R"("faults": [ { "operation": "AEGP_StartUndoGroup", "call": 1, "code": 9 } ],)"),
       9,
       {},
       {}},
      {"the host fails to give the size: its own code, not 2",
       CompScene(
           kTwoMaskLayer, masks01,
           R"("faults": [ { "operation": "AEGP_GetItemDimensions", "call": 1, "code": 12 } ],)"),
       12,
       {},
       {}},
      {"the composition's item not given: its code",
       CompScene(
           kTwoMaskLayer, masks01,
           R"("faults": [ { "operation": "AEGP_GetItemFromComp", "call": 1, "code": 13 } ],)"),
       13,
       {},
       {}},
  };
  for (const ExportCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Played played = Play(c.scene);
    ExpectClean(played);
    EXPECT_TRUE(played.result.commandRun);
    EXPECT_TRUE(played.result.handled);
    EXPECT_EQ(played.result.commandResult, c.result);
    const std::string clipboard = played.clipboard();
    if (c.expected.empty()) {
      EXPECT_EQ(clipboard, "before");
      continue;
    }
    ExpectInOrder(clipboard, c.expected);
    for (const std::string& piece : c.absent) {
      EXPECT_EQ(clipboard.find(piece), std::string::npos) << "unexpected: " << piece;
    }
#ifndef _WIN32
    const tests::HarnessResult loaded = tests::RunHarness(clipboard);
    EXPECT_EQ(loaded.status, 0) << loaded.output;
#endif
  }
}

TEST(ExportCommand, CallOrderOfOneVertex) {
  const Played played = Play(CompScene(
      R"([ { "masks": [ { "keyframes": [ { "time": 0, "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ] } ])",
      R"([ { "layer": 0, "mask": 0 } ])"));
  ExpectClean(played);
  const std::vector<std::string> names = played.CallNames();
  const std::vector<std::string> expected = {
      "AEGP_GetActiveItem",         "AEGP_GetItemType",
      "AEGP_GetCompFromItem",       "AEGP_GetItemName",
      "AEGP_StartUndoGroup",        "AEGP_GetNewCollectionFromCompSelection",
      "AEGP_GetCollectionNumItems", "AEGP_GetItemFromComp",
      "AEGP_GetItemDimensions",     "AEGP_GetCollectionItemByIndex",
      "AEGP_GetLayerMaskByIndex",   "AEGP_GetNewMaskStream",
      "AEGP_GetStreamNumKFs",       "AEGP_GetLayerInPoint",
      "AEGP_GetNewLayerStream",     "AEGP_GetNewLayerStream",
      "AEGP_GetKeyframeTime",       "AEGP_GetNewStreamValue",
      "PF_PathNumSegments",         "AEGP_GetNewStreamValue",
      "AEGP_GetNewStreamValue",     "AEGP_GetLayerToWorldXform",
      "PF_PathVertexInfo",          "AEGP_EndUndoGroup"};
  // The session's menu update comes first; the command's calls follow it.
  ASSERT_GE(names.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(names.end() - static_cast<long>(expected.size()), names.end()),
            expected);
}

TEST(ExportCommand, StaticOutlineIsReadAtTimeZeroAfterAKeyedMask) {
  // The keyed mask ends at time 5000; the static one must not inherit it.
  const Played played = Play(CompScene(
      R"([ { "position": [ { "time": 0, "value": [0, 0] }, { "time": 5000, "value": [960, 0] } ],
             "masks": [ { "keyframes": [ { "time": 5000, "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] },
                        { "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ])",
      R"([ { "layer": 0, "mask": 0 }, { "layer": 0, "mask": 1 } ])"));
  ExpectClean(played);
  const std::string second = Between(played.clipboard(), "BSpline1Polyline = ", "ActiveTool");
  EXPECT_NE(second.find("[0] = { 0, RH"), std::string::npos) << second;
  EXPECT_NE(second.find("{ X= -0.500000, Y= 0.500000"), std::string::npos) << second;
}

TEST(ExportCommand, UndoGroupClosedOnEveryWayOut) {
  const char* scenes[] = {
      R"({ "active_item": 0, "items": [ { "type": "composition", "width": 0, "height": 0,
           "selection": [] } ] })",
      R"({ "active_item": 0, "items": [ { "type": "composition", "width": 9, "height": 9,
           "layers": [ { "masks": [ { "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ],
           "selection": [ { "layer": 0, "mask": 0 } ] } ],
           "missing_suites": [ { "name": "PF Path Data Suite", "version": 1 } ] })",
  };
  for (const char* scene : scenes) {
    const Played played = Play(scene);
    ExpectClean(played);
    EXPECT_EQ(played.host->undoGroupsStarted().size(), 1u);
    EXPECT_EQ(played.host->undoGroupsEnded(), 1);
    EXPECT_NE(played.result.commandResult, 0);
  }
}

// Keyframes that shared a frame, a host call that failed, an undo group the
// export did not open or could not close: what the user gets, the result and
// the undo calls of each. (Each clipboard step failing is the validator's
// clipboard-steps check.)
TEST(ExportCommand, NothingTheUserHadIsLost) {
  const std::string oneMask = R"([ { "layer": 0, "mask": 0 } ])";
  const auto keyed = [&](const std::string& times, const std::string& extra = "") {
    std::string keyframes;
    for (std::size_t at = 0; at < times.size();) {
      const std::size_t comma = times.find(',', at);
      const std::string time = times.substr(at, comma - at);
      keyframes += std::string(keyframes.empty() ? "" : ", ") + R"({ "time": )" + time +
                   R"(, "vertices": [ [0, 0, 0, 0, 0, 0] ] })";
      at = comma == std::string::npos ? times.size() : comma + 1;
    }
    return CompScene(R"([ { "masks": [ { "keyframes": [ )" + keyframes + " ] } ] } ]", oneMask,
                     extra);
  };
  const std::string twoVertices = CompScene(
      R"([ { "masks": [ { "vertices": [ [0, 0, 0, 0, 0, 0], [960, 540, 0, 0, 0, 0] ] } ] } ])",
      oneMask, R"("faults": [ { "operation": "PF_PathVertexInfo", "call": 2, "code": 6 } ],)");
  const struct {
    const char* name;
    std::string scene;
    HostError result;
    int undoOpened, undoEnded;
    // Pieces in order; empty: kept "before"; "<none>": emptied.
    std::vector<std::string> clipboard;
  } cases[] = {
      {"keys 1000 and 1500 on frames 1 and 2",
       keyed("1000,1500"),
       0,
       1,
       1,
       {"[1] = { 0, RH", "[2] = { 1, RH"}},
      {"keys -500 and 500 on frames 0 and 1",
       keyed("-500,500"),
       0,
       1,
       1,
       {"[0] = { 0, RH", "[1] = { 1, RH"}},
      {"time scale 24: every key a frame later than the one before",
       keyed("0,1,2,40", R"("time_scale": 24,)"),
       0,
       1,
       1,
       {"[0] = { 0, RH", "[1] = { 1, RH", "[2] = { 2, RH", "[3] = { 3, RH"}},
      {"frames already increasing keep their numbers",
       keyed("0,5000,6000"),
       0,
       1,
       1,
       {"[0] = { 0, RH", "[5] = { 1, RH", "[6] = { 2, RH"}},
      {"a vertex the host did not give: reported, clipboard untouched", twoVertices, 6, 1, 1, {}},
      {"an unread collection item: reported, clipboard untouched",
       keyed("0", R"("faults": [ { "operation": "AEGP_GetCollectionItemByIndex", "call": 1,
                      "code": 8 } ],)"),
       8,
       1,
       1,
       {}},
      {"an outline without keyframes has no time to refuse",
       CompScene(R"([ { "masks": [ { "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ])", oneMask),
       0,
       1,
       1,
       {"[0] = { 0, RH"}},
      {"the group's close refused after an export that got through: its code",
       keyed("0", R"("faults": [ { "operation": "AEGP_EndUndoGroup", "call": 1, "code": 11 } ],)"),
       11,
       1,
       1,
       {"[0] = { 0, RH"}},
      {"the group's close refused after an earlier failure: the earlier code",
       keyed("0", R"("faults": [ { "operation": "PF_PathVertexInfo", "call": 1, "code": 6 },
                      { "operation": "AEGP_EndUndoGroup", "call": 1, "code": 11 } ],)"),
       6,
       1,
       1,
       {}},
      {"lookup fails before the group: nothing to close",
       keyed("0", R"("faults": [ { "operation": "AEGP_GetItemName", "call": 1, "code": 3 } ],)"),
       3,
       0,
       0,
       {}},
      {"the group refused: nothing to close",
       keyed("0", R"("faults": [ { "operation": "AEGP_StartUndoGroup", "call": 1, "code": 5 } ],)"),
       5,
       0,
       0,
       {}},
      {"a suite missing mid-export: the opened group is closed",
       CompScene(R"([ { "masks": [ { "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ])", oneMask,
                 R"("missing_suites": [ { "name": "PF Path Data Suite", "version": 1 } ],)"),
       kMissingSuiteError,
       1,
       1,
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Played played = Play(c.scene);
    ExpectClean(played);
    EXPECT_EQ(played.result.commandResult, c.result);
    int opened = 0;
    for (const sim::CallRecord& call : played.host->calls()) {
      opened += call.operation == sim::Operation::AEGP_StartUndoGroup && call.result == 0 ? 1 : 0;
    }
    EXPECT_EQ(opened, c.undoOpened);
    EXPECT_EQ(played.CallsOf("AEGP_EndUndoGroup"), c.undoEnded);
    const std::string clipboard = played.clipboard();
    if (c.clipboard.empty() || c.clipboard.front() == "<none>") {
      EXPECT_EQ(clipboard, c.clipboard.empty() ? "before" : "<none>");
      continue;
    }
    ExpectInOrder(clipboard, c.clipboard);
#ifndef _WIN32
    // Every keyframe written survives Fusion's load of the text.
    std::size_t written = 0;
    for (std::size_t p = clipboard.find(", RH = "); p != std::string::npos;
         p = clipboard.find(", RH = ", p + 1)) {
      ++written;
    }
    const tests::HarnessResult loaded = tests::RunHarness(clipboard);
    ASSERT_EQ(loaded.status, 0) << loaded.output;
    std::size_t survived = 0;
    for (std::size_t p = loaded.output.find("\nkeyframe "); p != std::string::npos;
         p = loaded.output.find("\nkeyframe ", p + 1)) {
      ++survived;
    }
    EXPECT_EQ(survived, written) << loaded.output;
#endif
  }
}

// A scene's session can repeat what the host does: each command chosen is
// one export, and a command before the entry point finds no menu item.
TEST(ExportCommand, SessionsListedInTheScene) {
  const struct {
    const char* session;
    int exports;
  } cases[] = {
      {R"(["entry", "menu", "command", "command", "command", "idle"])", 3},
      {R"(["command", "entry", "idle"])", 0},
      {R"(["entry", "command"])", 1},  // a new menu item starts enabled
  };
  for (const auto& c : cases) {
    const Played played = Play(CompScene(kTwoMaskLayer, R"([ { "layer": 0, "mask": 0 } ])",
                                         std::string(R"("session": )") + c.session + ","));
    ExpectClean(played);
    EXPECT_EQ(played.CallsOf("AEGP_GetNewCollectionFromCompSelection"), c.exports) << c.session;
    EXPECT_EQ(played.result.commandResult, 0) << c.session;
  }
}

// A keyframe on a used frame takes the next, up to the largest number the
// text prints, which no host time reaches.
TEST(ExportWriter, FrameNumbersStayDistinctAndSaturate) {
  const struct {
    int32_t frame, previous, written;
  } cases[] = {
      {5, 4, 5},
      {4, 4, 5},
      {-3, 9, 10},
      {INT32_MIN, -1, 0},
      {7, INT32_MAX - 1, INT32_MAX},
      {7, INT32_MAX, INT32_MAX},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DistinctFrameNumber(c.frame, c.previous), c.written)
        << c.frame << " after " << c.previous;
  }
}

// The guess at the whole text saturates rather than wrapping to a small size.
TEST(ExportWriter, LengthGuessSaturates) {
  const std::size_t kMax = SIZE_MAX;
  const struct {
    const char* what;
    std::size_t written, keyframeText;
    int32_t left, count;
    uint32_t laterItems;
    std::size_t guess;
  } cases[] = {
      {"small", 1000, 100, 3, 4, 2, 1000 + 300 + 800},
      {"later items capped at eight times the written", 1000, 100, 0, 1000, 1000, 1000 + 8000},
      {"the rest of the mask overflows", 10, kMax / 2, INT32_MAX, INT32_MAX, 0, kMax},
      {"later masks overflow, the cap holds", 10, kMax / 2, 0, INT32_MAX, UINT32_MAX, 10 + 80},
      {"later masks and the cap both saturate", kMax / 4, 2, 0, INT32_MAX, UINT32_MAX, kMax},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExpectedTextLength(c.written, c.keyframeText, c.left, c.count, c.laterItems), c.guess)
        << c.what;
  }
}

}  // namespace
}  // namespace tarnwick
