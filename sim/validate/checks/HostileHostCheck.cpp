// A host that answers what nobody expects: non-finite numbers, extreme
// counts, sizes and times, a text past the ceiling, a million keyframes that
// are not there.
#include "host/ResultCodes.h"
#include "sim/scene/Join.h"
#include "sim/validate/checks/CheckSupport.h"
#include "sim/validate/checks/ProcessMemory.h"

namespace tarnwick::sim::checks {

namespace {

// An export whose text would pass 1 GiB (12,000,000 point lines) is refused
// as memory running out, with the clipboard as it was.
void ExpectRefusedPastCeiling(const CheckContext& context, Problems& problems) {
  const char what[] = "a text past 1 GiB";
  const Played played =
      Play(CompScene(R"([ { "masks": [ { "generate": { "vertices": 100000, "keyframes": 120,
                     "seed": 9 } } ] } ])",
                     kSelectMask),
           context.entry);
  CheckSession(played, {}, what, problems);
  problems.ExpectReturned(std::string(what) + ": the command", played.result.commandResult,
                          kOutOfMemoryError);
}

// A mask that reports a million keyframes ends the export at the first call
// that fails, not at the end of its count: a vertex the host does not give,
// or the time of a keyframe it does not have.
void ExpectEndsAtOnce(const CheckContext& context, Problems& problems) {
  const std::string mask = R"([ { "masks": [ { "keyframes": [
      { "time": 0, "vertices": [ [0, 0, 0, 0, 0, 0] ] } ], "keyframe_count": 1000000 } ] } ])";
  const struct {
    const char* what;
    std::string faults;
  } cases[] = {
      {"a million keyframes, the first vertex failing",
       R"("faults": [ { "operation": "PF_PathVertexInfo", "call": 1, "code": 9 } ],)"},
      {"a million keyframes, the second not there", ""},
  };
  for (const auto& c : cases) {
    const Played played = Play(CompScene(mask, kSelectMask, c.faults), context.entry);
    CheckSession(played, {}, c.what, problems);
    problems.Expect(played.result.commandResult != kNoError, std::string(c.what) + ": returned 0");
    problems.Expect(CommandCalls(played) <= 30, std::string(c.what) + ": " +
                                                    std::to_string(CommandCalls(played)) +
                                                    " host calls, more than 30");
  }
}

// A scene the host serves, what the command must return on it and, when it
// exports, a piece its text must hold; without one the clipboard must keep
// what it held.
struct HostileCase {
  const char* what;
  std::string scene;
  HostError result;
  const char* piece;
};

std::string HundredThousandLayerEntries() {
  std::vector<std::string> entries(100000, "{ \"layer\": 0 }");
  return Join(entries, ", ");
}

std::vector<HostileCase> HostileCases() {
  const std::string nonFinite = R"("inf", "-inf", "nan", "nan", "-inf", "inf")";
  const std::string comp =
      R"({ "active_item": 0, "clipboard": "before", "items": [ { "type": "composition", )";
  const std::string oneVertexMask =
      R"("layers": [ { "masks": [ { "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ],
         "selection": [ { "layer": 0, "mask": 0 } ] } ] })";
  return {
      {"non-finite vertices",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "vertices": [ [)" +
           nonFinite + R"(] ] } ] } ], "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       kNoError, "{ X= 0/0, Y= 0/0"},  // inf x 0 in the transform is NaN
      {"non-finite matrix",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "to_world": ["nan", 0, 0, "inf",
          0, "-inf", 0, 0, 0, 0, 1, 0, 0, 0, 0, 1], "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       kNoError, "{ X= 0/0"},
      {"non-finite anchor point, position, scale and rotation",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "anchor_point": ["nan", "inf"],
          "position": ["-inf", 0], "scale": ["nan", 100], "rotation": "inf",
          "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       kNoError, "{ X= 0/0"},
      {"the lowest keyframe count",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "keyframes": [],
          "keyframe_count": -2147483648 } ] } ], "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       kNoError, "KeyFrames = {\r\n\t\t\t}"},
      {"many vertices",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "generate":
          { "vertices": 500000, "keyframes": 2, "seed": 3 } } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       kNoError, "Points = {"},
      {"zero width", comp + R"("width": 0, "height": 1080, )" + oneVertexMask, kEmptyFrameError,
       nullptr},
      {"zero height", comp + R"("width": 1920, "height": 0, )" + oneVertexMask, kEmptyFrameError,
       nullptr},
      {"negative width", comp + R"("width": -5, "height": 1080, )" + oneVertexMask,
       kEmptyFrameError, nullptr},
      {"negative height", comp + R"("width": 1920, "height": -1, )" + oneVertexMask,
       kEmptyFrameError, nullptr},
      {"the lowest width", comp + R"("width": -2147483648, "height": 1080, )" + oneVertexMask,
       kEmptyFrameError, nullptr},
      {"the largest size", comp + R"("width": 2147483647, "height": 2147483647, )" + oneVertexMask,
       kNoError, "MaskWidth = Input { Value = 2147483647, }"},
      {"times at their limits",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "in_point": -2147483648,
          "masks": [ { "keyframes": [
            { "time": -2147483648, "vertices": [ [0, 0, 0, 0, 0, 0] ] },
            { "time": 2147483647, "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       kNoError, "[-4294966] = { 0, RH"},
      {"a selection of a hundred thousand entries",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "vertices": [] } ] } ],
          "selection": [ )" +
           HundredThousandLayerEntries() + " ] } ] }",
       kNoError, nullptr},
  };
}

}  // namespace

CheckReport HostileHost(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  constexpr uint64_t kMemoryBound = uint64_t{2} << 30;
  for (const HostileCase& c : HostileCases()) {
    const std::string what = c.what;
    try {
      const Played played =
          PlayFaultFree(LoadScene(c.scene, c.what), context.entry, what, problems);
      problems.ExpectReturned(what + ": the command", played.result.commandResult, c.result);
      const std::string text = played.after.value_or("");
      problems.Expect(c.piece != nullptr ? text.find(c.piece) != std::string::npos
                                         : played.after == played.before,
                      what + (c.piece != nullptr ? ": the text lacks " + std::string(c.piece)
                                                 : std::string(": the clipboard changed")));
    } catch (const SceneError& error) {
      problems.Add(what + ": " + error.what());
    }
    problems.Expect(PeakMemory() <= kMemoryBound, what + ": more than 2 GiB of memory");
  }
  ExpectRefusedPastCeiling(context, problems);
  ExpectEndsAtOnce(context, problems);
  report.note = "peak memory " + std::to_string(PeakMemory() >> 20) + " MiB";
  return report;
}

const Check kHostileHostCheck = {
    "hostile-host", "non-finite numbers, extreme counts, sizes and times", 300, true, &HostileHost};

}  // namespace tarnwick::sim::checks
