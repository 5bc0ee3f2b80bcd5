// A host that says yes with nothing in hand: every call that hands back a
// handle answers success with a null one, one call at a time.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "host/ResultCodes.h"
#include "sim/scene/Operations.h"
#include "sim/settings/SettingsReader.h"
#include "sim/validate/checks/CheckSupport.h"

namespace tarnwick::sim::checks {

namespace {

// Two masks keyed and static around a layer, so a mask can be skipped with
// another one left on either side.
const char kLayers[] = R"([ { "anchor_point": [10, 20], "position": [30, 40], "masks": [
    { "keyframes": [
        { "time": 0, "vertices": [ [960, 540, 940, 560, 980, 520], [1200, 300, 1180, 280, 1220, 320] ] },
        { "time": 1000, "vertices": [ [970, 550, 950, 570, 990, 530] ] } ] },
    { "vertices": [ [100, 200, 90, 210, 110, 190] ] } ] } ])";
const char kSelection[] =
    R"([ { "layer": 0, "mask": 0 }, { "layer": 0 }, { "layer": 0, "mask": 1 } ])";

// The export with each mask left out in turn, as the module itself writes
// it: that mask's selection entry made a layer's, which gives nothing, so
// every other entry keeps its place. What the export is when the host gives
// that one mask as nothing.
std::vector<std::string> WithoutOneMask(EntryPointFuncType entry) {
  const char* const selections[] = {
      R"([ { "layer": 0 }, { "layer": 0 }, { "layer": 0, "mask": 1 } ])",
      R"([ { "layer": 0, "mask": 0 }, { "layer": 0 }, { "layer": 0 } ])"};
  std::vector<std::string> without;
  for (const char* selection : selections) {
    without.push_back(Play(CompScene(kLayers, selection), entry).after.value_or(""));
  }
  return without;
}

// The tools a settings text holds, by name, or none when it cannot be read.
std::optional<std::vector<std::string>> ToolsOf(const std::string& text) {
  try {
    std::vector<std::string> tools;
    for (const SettingsPolyline& polyline : ReadSettings(text).polylines) {
      tools.push_back(polyline.tool);
    }
    return tools;
  } catch (const SettingsError&) {
    return std::nullopt;
  }
}

}  // namespace

CheckReport NullHandles(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  const Scene scene = CompScene(kLayers, kSelection);
  const Played faultFree = PlayFaultFree(scene, context.entry, "the scene as it is", problems);
  const std::string exported = faultFree.after.value_or("");
  const std::vector<std::string> oneMaskLess = WithoutOneMask(context.entry);
  const std::optional<std::vector<std::string>> tools = ToolsOf(exported);
  problems.Expect(tools && tools->size() == 2, "the scene's export does not hold its two tools");
  int kept = 0, skipped = 0, changed = 0, same = 0;
  for (int64_t k = 1; k <= static_cast<int64_t>(faultFree.calls().size()); ++k) {
    const Operation op = faultFree.calls()[static_cast<std::size_t>(k - 1)].operation;
    if (!HandsBackHandle(op)) continue;
    const std::string what = Named(faultFree.calls(), k) + " giving null";
    const Played played = Play(scene, context.entry, {}, 0, {k});
    // The clipboard's rule is the checks below: the export may rightly differ.
    CheckSession(played, {played.after}, what, problems);
    // Nothing in hand is no failure: the export goes on without it, and only
    // a composition whose item is not given has no frame to size (2).
    const HostError result = played.result.commandResult;
    const HostError expected = op == Operation::AEGP_GetItemFromComp ? kEmptyFrameError : kNoError;
    problems.ExpectReturned(what + ": the command", result, expected);
    const std::string after = played.after.value_or("");
    if (played.after == played.before) {
      ++kept;
    } else if (after == exported) {
      ++same;
    } else if (std::find(oneMaskLess.begin(), oneMaskLess.end(), after) != oneMaskLess.end()) {
      ++skipped;
    } else {
      // A value read as nothing (a layer stream: the origin; an outline: no
      // points) changes numbers, never which tools there are; any other null
      // (a layer, a mask, a mask stream) leaves the other masks exact.
      ++changed;
      problems.Expect(
          op == Operation::AEGP_GetNewLayerStream || op == Operation::AEGP_GetNewStreamValue,
          what +
              ": the clipboard holds neither what it held, the export, nor the "
              "export without one mask: the other masks are not exported exactly");
      // Read as Fusion would; a polyline left without points is not found.
      const std::optional<std::vector<std::string>> read = ToolsOf(after);
      problems.Expect(tools.has_value() && read.has_value() &&
                          std::all_of(read->begin(), read->end(),
                                      [&](const std::string& tool) {
                                        return std::count(tools->begin(), tools->end(), tool) == 1;
                                      }),
                      what + ": the text cannot be read whole, or holds a tool the export has not");
    }
  }
  report.note = std::to_string(kept + same + skipped + changed) +
                " calls given null: " + std::to_string(kept) + " kept the clipboard, " +
                std::to_string(skipped) + " skipped a mask, " + std::to_string(changed) +
                " read a value as nothing, " + std::to_string(same) + " changed nothing";
  return report;
}

const Check kNullHandlesCheck = {
    "null-handles",
    "each handle the host gives as null with success: no active item, composition, item or "
    "collection is nothing to export (a frame without its item has no size: 2); no layer, mask or "
    "outline stream skips the mask; no layer stream puts the point at the origin; no outline "
    "gives a keyframe without points",
    300, true, &NullHandles};

}  // namespace tarnwick::sim::checks
