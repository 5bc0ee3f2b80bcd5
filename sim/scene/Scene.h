// A project as the simulated host serves it: items, layers, masks, the
// selection, and the faults to inject.
#ifndef TARNWICK_SIM_SCENE_H
#define TARNWICK_SIM_SCENE_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/HostInterface.h"

namespace tarnwick::sim {

// A value that changes at given times: the value at t is the entry with the
// greatest time not after t (the first entry before all of them).
template <typename T>
struct Timed {
  struct Entry {
    HostTime time;
    T value;
  };
  std::vector<Entry> entries;
};

struct Point {
  double x = 0;
  double y = 0;
};

struct MaskKeyframe {
  HostTime time{0, 1};
  std::vector<PathVertex> vertices;
};

// An outline the host makes when it serves it (see Generator.h).
struct GeneratedOutline {
  int32_t vertices = 0;
  uint64_t seed = 0;
};

struct Mask {
  bool isStatic = false;
  // One entry holding the outline when static; only the times when generated.
  std::vector<MaskKeyframe> keyframes;
  std::optional<int32_t> reportedKeyframeCount;
  std::optional<GeneratedOutline> generated;

  std::size_t VertexCount(std::size_t keyframe) const {
    return generated ? static_cast<std::size_t>(generated->vertices)
                     : keyframes[keyframe].vertices.size();
  }
};

struct Layer {
  std::string name;
  HostTime inPoint{0, 1};
  Timed<Point> anchorPoint;
  Timed<Point> position;
  Timed<Point> scale{{{HostTime{0, 1}, Point{100, 100}}}};  // percent
  Timed<double> rotation{{{HostTime{0, 1}, 0.0}}};          // degrees
  std::optional<std::size_t> parent;  // index of a layer of the same composition
  // The matrix the host serves as it is; none: made from the fields above and
  // the parent's (see LayerTransform.h).
  std::optional<Timed<Matrix4>> toWorld;
  std::vector<Mask> masks;
};

struct SelectionEntry {
  int32_t kind = kCollectionItemLayer;
  int32_t layer = 0;
  uint32_t mask = 0;
};

struct Item {
  int16_t type = kItemTypeComposition;
  std::string name;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Layer> layers;
  std::optional<std::vector<SelectionEntry>> selection;  // none: no collection
};

struct Fault {
  std::string operation;  // "*" fails whatever operation makes that call
  int64_t call = 0;
  bool fromCallOn = false;
  HostError code = 1;
  // Instead of failing, the call succeeds and hands back a null handle: a
  // yes with nothing in hand, as real hosts give.
  bool null = false;
};

struct MissingSuite {
  std::string name;
  int32_t version = 0;
  bool nullTable = false;
};

// The Win32 clipboard steps a scene can make fail, by their Win32 names.
constexpr const char* kClipboardSteps[] = {"GlobalAlloc", "GlobalReAlloc", "GlobalLock",
                                           "OpenClipboard", "SetClipboardData"};

// What the host does next in a session: calls the entry point, updates the
// menu, lets the user choose the command (when it is enabled), or idles.
enum class SessionStep { kEntry, kMenu, kCommand, kIdle };

// A session longer than any check or user needs.
constexpr std::size_t kMaxSessionSteps = 1'000'000;

struct Scene {
  uint32_t timeScale = 1000;
  PluginId pluginId = 1;
  int32_t hostMajor = 23;
  int32_t hostMinor = 0;
  CommandId commandId = 1;
  std::optional<std::size_t> activeItem;
  std::vector<Item> items;
  std::optional<std::string> clipboard;
  std::vector<Fault> faults;
  std::vector<MissingSuite> missingSuites;
  // Clipboard steps that fail while the module runs (native builds only).
  std::vector<std::string> clipboardFaults;
  std::vector<SessionStep> session = {SessionStep::kEntry, SessionStep::kMenu,
                                      SessionStep::kCommand, SessionStep::kIdle};
};

// The scene's limits: the point lines its selected masks make and the
// vertices it stores or generates.
constexpr int64_t kMaxSceneLines = 20'000'000;
constexpr int64_t kMaxSceneVertices = 20'000'000;

// Whether a comes strictly before b, whatever their scales.
inline bool TimeBefore(const HostTime& a, const HostTime& b) {
  // |value| < 2^31 and scale < 2^32: each product fits in 64 bits.
  return static_cast<int64_t>(a.value) * b.scale < static_cast<int64_t>(b.value) * a.scale;
}

// Index of the entry in force at a time: the last whose time is not after
// it, or the first when the time comes before them all. Times strictly
// increase (the loader sees to it), so a binary search finds it.
template <typename TimeOf>
std::size_t EntryInForce(std::size_t count, TimeOf timeOf, const HostTime& time) {
  std::size_t after = 0;  // the first entry later than the time lies in [after, end]
  std::size_t end = count;
  while (after < end) {
    const std::size_t middle = after + (end - after) / 2;
    if (TimeBefore(time, timeOf(middle))) {
      end = middle;
    } else {
      after = middle + 1;
    }
  }
  return after == 0 ? 0 : after - 1;
}

// A timed value at a time.
template <typename T>
const T& ValueAt(const Timed<T>& timed, const HostTime& time) {
  const auto& entries = timed.entries;
  if (entries.size() == 1) return entries.front().value;  // a value that does not change
  return entries[EntryInForce(
                     entries.size(), [&](std::size_t i) { return entries[i].time; }, time)]
      .value;
}

// The point lines one export of the mask writes: its reported keyframes
// (one when it reports none) times its largest keyframe's vertices.
int64_t ExportLines(const Mask& mask);

struct SceneError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reads a scene from JSON text; throws SceneError naming the source, the
// place in it and what is wrong.
Scene LoadScene(const std::string& text, const std::string& sourceName);
Scene LoadSceneFile(const std::string& path);

}  // namespace tarnwick::sim

#endif
