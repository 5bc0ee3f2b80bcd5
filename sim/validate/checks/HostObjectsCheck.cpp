// What one export asks of the host and leaves with it: host calls and host
// objects per mask and per keyframe entry.
#include <cstdio>

#include "sim/scene/Operations.h"
#include "sim/settings/SettingsReader.h"
#include "sim/validate/checks/CheckSupport.h"

namespace tarnwick::sim::checks {

namespace {

std::string PerLine(int64_t n, int64_t lines) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f",
                lines == 0 ? 0.0 : static_cast<double>(n) / static_cast<double>(lines));
  return text;
}

// What one export asks of the host, against what it wrote: one vertex call
// per point line, and for the rest and for the host objects it obtains and
// cannot hand back, bounds per keyframe entry and per mask.
void CheckExportWeight(const std::string& name, const Played& played, Problems& problems,
                       std::string& note) {
  // Counted as Fusion reads the text: a polyline per mask, its keyframes
  // and their points.
  int64_t masks = 0, entries = 0, lines = 0;
  try {
    for (const SettingsPolyline& polyline : ReadSettings(played.after.value_or("")).polylines) {
      ++masks;
      entries += static_cast<int64_t>(polyline.keyframes.size());
      for (const SettingsKeyframe& keyframe : polyline.keyframes) {
        lines += static_cast<int64_t>(keyframe.points.size());
      }
    }
  } catch (const SettingsError& error) {
    problems.Add(name + ": the text cannot be read: " + error.what());
  }
  const auto [from, to] = StepSpan(played, SessionStep::kCommand);
  int64_t vertexCalls = 0, otherCalls = 0;
  for (int64_t k = from; k < to; ++k) {
    (played.calls()[static_cast<std::size_t>(k)].operation == Operation::PF_PathVertexInfo
         ? vertexCalls
         : otherCalls) += 1;
  }
  const int64_t callBound = 8 * entries + 8 * masks + 12;
  const int64_t objectBound = 1 + 3 * masks + 3 * entries;
  problems.Expect(lines > 0, name + ": the export wrote no point lines");
  problems.Expect(vertexCalls == lines, name + ": " + std::to_string(vertexCalls) +
                                            " vertex calls for " + std::to_string(lines) +
                                            " point lines");
  problems.Expect(otherCalls <= callBound,
                  name + ": " + std::to_string(otherCalls) + " host calls besides the vertices, " +
                      "more than " + std::to_string(callBound) + " for " + std::to_string(masks) +
                      " masks and " + std::to_string(entries) + " keyframe entries");
  problems.Expect(played.objects <= objectBound,
                  name + ": " + std::to_string(played.objects) + " host objects, more than " +
                      std::to_string(objectBound) + " for " + std::to_string(masks) +
                      " masks and " + std::to_string(entries) + " keyframe entries");
  note += (note.empty() ? "" : "; ") + name + ": " + std::to_string(played.objects) +
          " objects (at most " + std::to_string(objectBound) + "), " +
          PerLine(vertexCalls + otherCalls, lines) + " calls per point line";
}

}  // namespace

CheckReport HostObjects(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  // A rig of four masks on parented layers, and one detailed mask.
  Scene rig = CompScene(
      R"([ { "parent": 1, "rotation": 15, "masks": [
             { "generate": { "vertices": 40, "keyframes": 10, "seed": 1 } },
             { "generate": { "vertices": 25, "keyframes": 12, "seed": 2 } } ] },
           { "position": [ { "time": 0, "value": [480, 300] }, { "time": 9000, "value": [560, 320] } ],
             "masks": [ { "generate": { "vertices": 60, "keyframes": 13, "seed": 3 } },
                        { "generate": { "vertices": 8, "keyframes": 14, "seed": 4 } } ] } ])",
      R"([ { "layer": 0, "mask": 0 }, { "layer": 0 }, { "layer": 0, "mask": 1 },
           { "layer": 1, "mask": 0 }, { "layer": 1, "mask": 1 } ])");
  Scene detailed = CompScene(
      R"([ { "masks": [ { "generate": { "vertices": 2000, "keyframes": 30, "seed": 5 } } ] } ])",
      kSelectMask);
  std::vector<std::pair<std::string, Scene>> scenes;
  scenes.emplace_back("a rig of 4 masks", std::move(rig));
  scenes.emplace_back("2,000 vertices x 30 keyframes", std::move(detailed));
  for (const auto& path : SceneFiles(context.examples)) {
    scenes.emplace_back(path.filename().string(), LoadSceneFile(path.string()));
  }
  std::string note;
  for (const auto& [name, scene] : scenes) {
    const Played played = PlayFaultFree(scene, context.entry, name, problems);
    CheckExportWeight(name, played, problems, note);
  }
  report.note = note;
  return report;
}

const Check kHostObjectsCheck = {
    "host-objects", "host calls and host objects of one export, per mask and per keyframe entry",
    60, true, &HostObjects};

}  // namespace tarnwick::sim::checks
