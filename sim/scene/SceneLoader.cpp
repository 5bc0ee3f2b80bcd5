// Reads scene files. Every refusal names the file, the place in it and what
// is wrong; no input makes the loader crash.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <vector>

#include "sim/scene/Generator.h"
#include "sim/scene/InputFile.h"
#include "sim/scene/Join.h"
#include "sim/scene/Operations.h"
#include "sim/scene/Scene.h"
#include "sim/scene/StrictJson.h"

namespace tarnwick::sim {

namespace {

using Json = nlohmann::json;

// A chain of parents longer than any rig has.
constexpr std::size_t kMaxParentDepth = 256;

// A reported or generated keyframe count beyond what any shot holds.
constexpr int64_t kMaxReportedKeyframes = 1 << 20;

std::string WithSeparators(int64_t n) {
  std::string digits = std::to_string(n);
  for (int at = static_cast<int>(digits.size()) - 3; at > (digits[0] == '-' ? 1 : 0); at -= 3) {
    digits.insert(static_cast<std::size_t>(at), ",");
  }
  return digits;
}

// What the scene has used of its limits so far.
struct Budget {
  int64_t vertices = 0;
  int64_t lines = 0;
};

class Reader {
 public:
  Reader(const std::string& source, uint32_t timeScale) : source_(source), timeScale_(timeScale) {}

  [[noreturn]] void Fail(const std::string& path, const std::string& what) const {
    throw SceneError(source_ + ": " + (path.empty() ? "top level" : path) + ": " + what);
  }

  const Json& Object(const Json& j, const std::string& path) const {
    if (!j.is_object()) Fail(path, "must be an object");
    return j;
  }

  const Json& Array(const Json& j, const std::string& path) const {
    if (!j.is_array()) Fail(path, "must be an array");
    return j;
  }

  int64_t Integer(const Json& j, const std::string& path, int64_t low, int64_t high) const {
    const std::string range = "from " + std::to_string(low) + " to " + std::to_string(high);
    // Digits past what 64 bits hold arrive as a whole floating-point number.
    const bool wholeBeyond =
        j.is_number_float() && std::isfinite(j.get<double>()) &&
        std::trunc(j.get<double>()) == j.get<double>() &&
        (j.get<double>() < static_cast<double>(low) || j.get<double>() > static_cast<double>(high));
    if (!j.is_number_integer() && !wholeBeyond) Fail(path, "must be an integer " + range);
    if (wholeBeyond ||
        (j.is_number_unsigned() && j.get<uint64_t>() > static_cast<uint64_t>(high))) {
      Fail(path, "is beyond the range of integers allowed here (" + range + ")");
    }
    const int64_t value = j.get<int64_t>();
    if (value < low || value > high) {
      Fail(path, "is beyond the range of integers allowed here (" + range + ")");
    }
    return value;
  }

  // A number, or one of the strings "inf", "-inf", "nan".
  double Number(const Json& j, const std::string& path) const {
    if (j.is_number()) return j.get<double>();
    if (j.is_string()) {
      const std::string& s = j.get_ref<const std::string&>();
      if (s == "inf") return std::numeric_limits<double>::infinity();
      if (s == "-inf") return -std::numeric_limits<double>::infinity();
      if (s == "nan") return std::numeric_limits<double>::quiet_NaN();
    }
    Fail(path, "must be a number or \"inf\", \"-inf\", \"nan\"");
  }

  std::string String(const Json& j, const std::string& path) const {
    if (!j.is_string()) Fail(path, "must be a string");
    return j.get<std::string>();
  }

  bool Boolean(const Json& j, const std::string& path) const {
    if (!j.is_boolean()) Fail(path, "must be true or false");
    return j.get<bool>();
  }

  // An integer time value in the scene's scale, or {"value": v, "scale": s}.
  HostTime Time(const Json& j, const std::string& path) const {
    if (j.is_object()) {
      ExpectOnly(j, path, {"value", "scale"});
      return HostTime{static_cast<int32_t>(Integer(Required(j, path, "value"), path + ".value",
                                                   INT32_MIN, INT32_MAX)),
                      static_cast<uint32_t>(
                          Integer(Required(j, path, "scale"), path + ".scale", 1, UINT32_MAX))};
    }
    return HostTime{static_cast<int32_t>(Integer(j, path, INT32_MIN, INT32_MAX)), timeScale_};
  }

  const Json& Required(const Json& j, const std::string& path, const char* key) const {
    const auto found = j.find(key);
    if (found == j.end()) Fail(path, std::string("lacks \"") + key + "\"");
    return *found;
  }

  void ExpectOnly(const Json& j, const std::string& path,
                  std::initializer_list<const char*> keys) const {
    for (auto it = j.begin(); it != j.end(); ++it) {
      bool known = false;
      for (const char* key : keys) known = known || it.key() == key;
      if (!known) Fail(path, "unknown field \"" + it.key() + "\"");
    }
  }

  Point ReadPoint(const Json& j, const std::string& path) const {
    if (!j.is_array() || j.size() != 2) Fail(path, "must be [x, y]");
    return Point{Number(j[0], path + "[0]"), Number(j[1], path + "[1]")};
  }

  Matrix4 ReadMatrix(const Json& j, const std::string& path) const {
    if (!j.is_array() || j.size() != 16) Fail(path, "must be 16 numbers, row by row");
    Matrix4 m{};
    for (std::size_t i = 0; i < 16; ++i) {
      m.m[i / 4][i % 4] = Number(j[i], path + "[" + std::to_string(i) + "]");
    }
    return m;
  }

  PathVertex ReadVertex(const Json& j, const std::string& path) const {
    if (!j.is_array() || j.size() != 6) Fail(path, "must be [x, y, in_x, in_y, out_x, out_y]");
    double v[6];
    for (std::size_t i = 0; i < 6; ++i) v[i] = Number(j[i], path + "[" + std::to_string(i) + "]");
    return PathVertex{v[0], v[1], v[2], v[3], v[4], v[5]};
  }

  // Charges vertices (a keyframe without any counts as one) against the
  // scene's limit before they are stored or made.
  void ChargeVertices(int64_t keyframes, int64_t vertices, const std::string& path) const {
    const int64_t charge = keyframes * std::max<int64_t>(vertices, 1);
    budget_.vertices += charge;
    if (budget_.vertices > kMaxSceneVertices) {
      Fail(path, "the scene's vertices pass its limit of " + WithSeparators(kMaxSceneVertices) +
                     " (keyframes times vertices, stored or generated)");
    }
  }

  // Times of keyframes or keyed values must strictly increase, as a host
  // lists them.
  void ExpectAfter(const HostTime& previous, const HostTime& time, const std::string& path) const {
    if (!TimeBefore(previous, time)) {
      Fail(path, "must come after the time before it (times strictly increase)");
    }
  }

  // A constant value, or [{"time": t, "value": v}, ...].
  template <typename T, typename ReadValue>
  Timed<T> ReadTimed(const Json& j, const std::string& path, ReadValue readValue) const {
    Timed<T> timed;
    const bool keyed = j.is_array() && !j.empty() && j[0].is_object();
    if (!keyed) {
      timed.entries.push_back({HostTime{0, 1}, readValue(j, path)});
      return timed;
    }
    for (std::size_t i = 0; i < j.size(); ++i) {
      const std::string at = path + "[" + std::to_string(i) + "]";
      Object(j[i], at);
      ExpectOnly(j[i], at, {"time", "value"});
      const HostTime time = Time(Required(j[i], at, "time"), at + ".time");
      if (i != 0) ExpectAfter(timed.entries.back().time, time, at + ".time");
      timed.entries.push_back({time, readValue(Required(j[i], at, "value"), at + ".value")});
    }
    return timed;
  }

  std::vector<PathVertex> ReadVertices(const Json& j, const std::string& path) const {
    Array(j, path);
    ChargeVertices(1, static_cast<int64_t>(j.size()), path);
    std::vector<PathVertex> vertices;
    vertices.reserve(j.size());
    for (std::size_t i = 0; i < j.size(); ++i) {
      vertices.push_back(ReadVertex(j[i], path + "[" + std::to_string(i) + "]"));
    }
    return vertices;
  }

  Mask ReadMask(const Json& j, const std::string& path) const {
    Object(j, path);
    ExpectOnly(j, path, {"keyframes", "vertices", "keyframe_count", "generate"});
    Mask mask;
    const int given = static_cast<int>(j.contains("keyframes")) +
                      static_cast<int>(j.contains("vertices")) +
                      static_cast<int>(j.contains("generate"));
    if (given != 1) Fail(path, "needs exactly one of \"keyframes\", \"vertices\", \"generate\"");
    if (j.contains("generate")) {
      const std::string at = path + ".generate";
      const Json& g = Object(j["generate"], at);
      ExpectOnly(g, at, {"vertices", "keyframes", "seed"});
      const int64_t vertices =
          Integer(Required(g, at, "vertices"), at + ".vertices", 0, kMaxSceneVertices);
      const int64_t keyframes =
          Integer(Required(g, at, "keyframes"), at + ".keyframes", 1, kMaxReportedKeyframes);
      const int64_t seed = Integer(Required(g, at, "seed"), at + ".seed", 0, INT64_MAX);
      // One keyframe a second: the last one's time must fit the host's 32 bits.
      if ((keyframes - 1) * static_cast<int64_t>(timeScale_) > INT32_MAX) {
        Fail(at + ".keyframes", "one a second at time scale " + std::to_string(timeScale_) +
                                    ", the last keyframe's time passes 2147483647");
      }
      ChargeVertices(keyframes, vertices, at);
      // Made when the host serves them, not stored.
      mask.generated =
          GeneratedOutline{static_cast<int32_t>(vertices), static_cast<uint64_t>(seed)};
      mask.keyframes = GeneratedKeyframeTimes(static_cast<int32_t>(keyframes), timeScale_);
    } else if (j.contains("vertices")) {
      mask.isStatic = true;
      mask.keyframes.push_back({HostTime{0, 1}, ReadVertices(j["vertices"], path + ".vertices")});
    } else {
      const Json& keys = Array(j["keyframes"], path + ".keyframes");
      for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string at = path + ".keyframes[" + std::to_string(i) + "]";
        Object(keys[i], at);
        ExpectOnly(keys[i], at, {"time", "vertices"});
        const HostTime time = Time(Required(keys[i], at, "time"), at + ".time");
        if (i != 0) ExpectAfter(mask.keyframes.back().time, time, at + ".time");
        mask.keyframes.push_back(
            {time, ReadVertices(Required(keys[i], at, "vertices"), at + ".vertices")});
      }
    }
    if (j.contains("keyframe_count")) {
      mask.reportedKeyframeCount = static_cast<int32_t>(
          Integer(j["keyframe_count"], path + ".keyframe_count", INT32_MIN, kMaxReportedKeyframes));
    }
    return mask;
  }

  Layer ReadLayer(const Json& j, const std::string& path, std::size_t layerCount) const {
    Object(j, path);
    ExpectOnly(j, path,
               {"name", "in_point", "anchor_point", "position", "scale", "rotation", "parent",
                "to_world", "masks"});
    Layer layer;
    if (j.contains("name")) layer.name = String(j["name"], path + ".name");
    if (j.contains("in_point")) layer.inPoint = Time(j["in_point"], path + ".in_point");
    const auto point = [this](const Json& v, const std::string& at) { return ReadPoint(v, at); };
    const auto number = [this](const Json& v, const std::string& at) { return Number(v, at); };
    const auto matrix = [this](const Json& v, const std::string& at) { return ReadMatrix(v, at); };
    layer.anchorPoint = j.contains("anchor_point")
                            ? ReadTimed<Point>(j["anchor_point"], path + ".anchor_point", point)
                            : Timed<Point>{{{HostTime{0, 1}, Point{}}}};
    layer.position = j.contains("position")
                         ? ReadTimed<Point>(j["position"], path + ".position", point)
                         : Timed<Point>{{{HostTime{0, 1}, Point{}}}};
    if (j.contains("scale")) layer.scale = ReadTimed<Point>(j["scale"], path + ".scale", point);
    if (j.contains("rotation")) {
      layer.rotation = ReadTimed<double>(j["rotation"], path + ".rotation", number);
    }
    if (j.contains("parent")) {
      const int64_t parent = Integer(j["parent"], path + ".parent", INT64_MIN, INT64_MAX);
      if (parent < 0 || static_cast<uint64_t>(parent) >= layerCount) {
        Fail(path + ".parent", "names layer " + std::to_string(parent) +
                                   "; the composition's layers are 0 to " +
                                   std::to_string(static_cast<int64_t>(layerCount) - 1));
      }
      layer.parent = static_cast<std::size_t>(parent);
    }
    if (j.contains("to_world")) {
      for (const char* transformField : {"scale", "rotation", "parent"}) {
        if (j.contains(transformField)) {
          Fail(path, std::string("\"to_world\" is the whole matrix and cannot go with \"") +
                         transformField + "\"");
        }
      }
      layer.toWorld = ReadTimed<Matrix4>(j["to_world"], path + ".to_world", matrix);
    }
    if (j.contains("masks")) {
      const Json& masks = Array(j["masks"], path + ".masks");
      for (std::size_t i = 0; i < masks.size(); ++i) {
        layer.masks.push_back(ReadMask(masks[i], path + ".masks[" + std::to_string(i) + "]"));
      }
    }
    return layer;
  }

  // Every chain of parents ends within the limit, at a layer without one:
  // the host cannot place a layer that is its own ancestor. Cycles are named
  // at a layer on them before any chain is measured, so a layer that only
  // leads into a cycle is not blamed for it.
  void CheckParents(const std::vector<Layer>& layers, const std::string& path) const {
    const auto place = [&](std::size_t i) { return path + "[" + std::to_string(i) + "].parent"; };
    for (std::size_t i = 0; i < layers.size(); ++i) {
      std::optional<std::size_t> up = layers[i].parent;
      for (std::size_t steps = 0; up && steps < layers.size(); ++steps, up = layers[*up].parent) {
        if (*up != i) continue;
        Fail(place(i), steps == 0 ? "a layer cannot be its own parent"
                                  : "the chain of parents comes back to this layer");
      }
    }
    for (std::size_t i = 0; i < layers.size(); ++i) {
      std::size_t depth = 0;
      for (std::optional<std::size_t> up = layers[i].parent; up; up = layers[*up].parent) {
        if (++depth > kMaxParentDepth) {
          Fail(place(i), "the chain of parents is deeper than " + std::to_string(kMaxParentDepth) +
                             " layers");
        }
      }
    }
  }

  SelectionEntry ReadEntry(const Json& j, const std::string& path, const Item& item) const {
    Object(j, path);
    ExpectOnly(j, path, {"layer", "mask", "kind"});
    SelectionEntry entry;
    const int64_t layerCount = static_cast<int64_t>(item.layers.size());
    if (layerCount == 0) Fail(path, "selects in a composition without layers");
    entry.layer = static_cast<int32_t>(
        Integer(Required(j, path, "layer"), path + ".layer", 0, layerCount - 1));
    if (j.contains("mask")) {
      const int64_t maskCount = static_cast<int64_t>(item.layers[entry.layer].masks.size());
      if (maskCount == 0) Fail(path + ".mask", "the layer has no masks");
      entry.mask = static_cast<uint32_t>(Integer(j["mask"], path + ".mask", 0, maskCount - 1));
      entry.kind = kCollectionItemMask;
    }
    if (j.contains("kind")) {
      entry.kind = static_cast<int32_t>(Integer(j["kind"], path + ".kind", INT32_MIN, INT32_MAX));
      if (entry.kind == kCollectionItemMask && !j.contains("mask")) {
        Fail(path, "a mask entry needs \"mask\"");
      }
    }
    return entry;
  }

  Item ReadItem(const Json& j, const std::string& path) const {
    Object(j, path);
    ExpectOnly(j, path, {"type", "name", "width", "height", "layers", "selection"});
    Item item;
    const Json& type = Required(j, path, "type");
    if (type.is_string() && type == "composition") {
      item.type = kItemTypeComposition;
    } else if (type.is_string() && type == "footage") {
      item.type = kItemTypeFootage;
    } else if (type.is_number_integer()) {
      item.type = static_cast<int16_t>(Integer(type, path + ".type", INT16_MIN, INT16_MAX));
    } else {
      Fail(path + ".type", "must be \"composition\", \"footage\" or a type code");
    }
    if (j.contains("name")) item.name = String(j["name"], path + ".name");
    if (j.contains("width")) {
      item.width = static_cast<int32_t>(Integer(j["width"], path + ".width", INT32_MIN, INT32_MAX));
    }
    if (j.contains("height")) {
      item.height =
          static_cast<int32_t>(Integer(j["height"], path + ".height", INT32_MIN, INT32_MAX));
    }
    if (j.contains("layers")) {
      const Json& layers = Array(j["layers"], path + ".layers");
      for (std::size_t i = 0; i < layers.size(); ++i) {
        item.layers.push_back(
            ReadLayer(layers[i], path + ".layers[" + std::to_string(i) + "]", layers.size()));
      }
      CheckParents(item.layers, path + ".layers");
    }
    if (j.contains("selection") && !j["selection"].is_null()) {
      const Json& selection = Array(j["selection"], path + ".selection");
      item.selection.emplace();
      for (std::size_t i = 0; i < selection.size(); ++i) {
        const std::string at = path + ".selection[" + std::to_string(i) + "]";
        item.selection->push_back(ReadEntry(selection[i], at, item));
        ChargeLines(item, item.selection->back(), at);
      }
    }
    return item;
  }

  // Every selected mask entry is exported in full, so it charges the lines
  // its mask makes against the scene's limit.
  void ChargeLines(const Item& item, const SelectionEntry& entry, const std::string& path) const {
    if (entry.kind != kCollectionItemMask) return;
    budget_.lines +=
        ExportLines(item.layers[static_cast<std::size_t>(entry.layer)].masks[entry.mask]);
    if (budget_.lines > kMaxSceneLines) {
      Fail(path, "the scene's point lines pass its limit of " + WithSeparators(kMaxSceneLines) +
                     " (reported keyframes times vertices, summed over the selected masks)");
    }
  }

  Fault ReadFault(const Json& j, const std::string& path) const {
    Object(j, path);
    ExpectOnly(j, path, {"operation", "call", "from_call", "code", "null"});
    Fault fault;
    fault.operation = String(Required(j, path, "operation"), path + ".operation");
    Operation operation;
    if (fault.operation != "*" && !OperationByName(fault.operation, operation)) {
      std::vector<const char*> known;
      for (int i = 0; i < kOperationCount; ++i) {
        known.push_back(OperationName(static_cast<Operation>(i)));
      }
      Fail(path + ".operation", "unknown operation \"" + fault.operation +
                                    "\"; the operations are \"*\", " + Join(known, ", "));
    }
    if (j.contains("call") == j.contains("from_call")) {
      Fail(path, "needs exactly one of \"call\" and \"from_call\"");
    }
    fault.fromCallOn = j.contains("from_call");
    fault.call = Integer(fault.fromCallOn ? j["from_call"] : j["call"],
                         path + (fault.fromCallOn ? ".from_call" : ".call"), 1, INT64_MAX);
    fault.null = j.contains("null") && Boolean(j["null"], path + ".null");
    if (fault.null) {
      if (j.contains("code")) Fail(path, "a null fault succeeds and takes no \"code\"");
      if (fault.operation == "*" || !HandsBackHandle(operation)) {
        Fail(path + ".null", fault.operation +
                                 " hands back no handle to make null (the operations that do: "
                                 "docs/scene-format.md, Faults)");
      }
      fault.code = 0;
      return fault;
    }
    fault.code = static_cast<HostError>(
        Integer(Required(j, path, "code"), path + ".code", INT32_MIN, INT32_MAX));
    if (fault.code == 0) Fail(path + ".code", "must not be 0");
    return fault;
  }

  // ["entry", "menu", "command", "idle", ...]: what the host does, in order.
  std::vector<SessionStep> ReadSession(const Json& j) const {
    Array(j, "session");
    if (j.size() > kMaxSessionSteps) {
      Fail("session",
           "holds more than " + WithSeparators(static_cast<int64_t>(kMaxSessionSteps)) + " steps");
    }
    std::vector<SessionStep> steps;
    for (std::size_t i = 0; i < j.size(); ++i) {
      const std::string place = "session[" + std::to_string(i) + "]";
      const std::string step = String(j[i], place);
      if (step == "entry") {
        steps.push_back(SessionStep::kEntry);
      } else if (step == "menu") {
        steps.push_back(SessionStep::kMenu);
      } else if (step == "command") {
        steps.push_back(SessionStep::kCommand);
      } else if (step == "idle") {
        steps.push_back(SessionStep::kIdle);
      } else {
        Fail(place, "unknown step \"" + step + "\"; the steps are entry, menu, command, idle");
      }
    }
    return steps;
  }

  MissingSuite ReadMissing(const Json& j, const std::string& path) const {
    Object(j, path);
    ExpectOnly(j, path, {"name", "version", "null_table"});
    MissingSuite missing;
    missing.name = String(Required(j, path, "name"), path + ".name");
    missing.version = static_cast<int32_t>(
        Integer(Required(j, path, "version"), path + ".version", INT32_MIN, INT32_MAX));
    if (j.contains("null_table"))
      missing.nullTable = Boolean(j["null_table"], path + ".null_table");
    if (!SuiteServed(missing.name, missing.version)) {
      Fail(path, "the host serves no suite \"" + missing.name + "\" version " +
                     std::to_string(missing.version) + "; it serves " + ServedSuiteList());
    }
    return missing;
  }

 private:
  std::string source_;
  uint32_t timeScale_;
  mutable Budget budget_;  // what the scene read so far has used of its limits
};

}  // namespace

int64_t ExportLines(const Mask& mask) {
  int64_t entries = mask.reportedKeyframeCount.value_or(
      mask.isStatic ? 0 : static_cast<int64_t>(mask.keyframes.size()));
  if (entries == 0) entries = 1;  // the export writes one entry for none
  if (entries < 0) return 0;
  std::size_t vertices = 0;
  for (std::size_t k = 0; k < mask.keyframes.size(); ++k) {
    vertices = std::max(vertices, mask.VertexCount(k));
  }
  // A keyframe entry's own head and tail are about as long as three lines.
  constexpr int64_t kEntryOverhead = 3;
  return entries * (static_cast<int64_t>(vertices) + kEntryOverhead);
}

Scene LoadScene(const std::string& text, const std::string& sourceName) {
  const Json j = ParseStrictJson(text, sourceName);
  Scene scene;
  {
    Reader top(sourceName, 1000);
    top.Object(j, "");
    top.ExpectOnly(j, "",
                   {"time_scale", "plugin_id", "host_version", "command_id", "active_item", "items",
                    "clipboard", "clipboard_faults", "faults", "missing_suites", "session"});
    if (j.contains("time_scale")) {
      scene.timeScale =
          static_cast<uint32_t>(top.Integer(j["time_scale"], "time_scale", 1, UINT32_MAX));
    }
  }
  const Reader reader(sourceName, scene.timeScale);
  if (j.contains("plugin_id")) {
    scene.pluginId =
        static_cast<PluginId>(reader.Integer(j["plugin_id"], "plugin_id", INT32_MIN, INT32_MAX));
  }
  if (j.contains("host_version")) {
    const Json& v = j.at("host_version");
    if (!v.is_array() || v.size() != 2) reader.Fail("host_version", "must be [major, minor]");
    scene.hostMajor =
        static_cast<int32_t>(reader.Integer(v[0], "host_version[0]", INT32_MIN, INT32_MAX));
    scene.hostMinor =
        static_cast<int32_t>(reader.Integer(v[1], "host_version[1]", INT32_MIN, INT32_MAX));
  }
  if (j.contains("command_id")) {
    scene.commandId =
        static_cast<CommandId>(reader.Integer(j["command_id"], "command_id", INT32_MIN, INT32_MAX));
  }
  if (j.contains("items")) {
    const Json& items = reader.Array(j["items"], "items");
    for (std::size_t i = 0; i < items.size(); ++i) {
      scene.items.push_back(reader.ReadItem(items[i], "items[" + std::to_string(i) + "]"));
    }
  }
  if (j.contains("active_item") && !j["active_item"].is_null()) {
    if (scene.items.empty()) reader.Fail("active_item", "there are no items");
    scene.activeItem = static_cast<std::size_t>(reader.Integer(
        j["active_item"], "active_item", 0, static_cast<int64_t>(scene.items.size()) - 1));
  }
  if (j.contains("clipboard") && !j["clipboard"].is_null()) {
    scene.clipboard = reader.String(j["clipboard"], "clipboard");
    if (scene.clipboard->find('\0') != std::string::npos) {
      reader.Fail("clipboard", "must not hold a NUL character");
    }
  }
  if (j.contains("clipboard_faults")) {
    const Json& steps = reader.Array(j["clipboard_faults"], "clipboard_faults");
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const std::string place = "clipboard_faults[" + std::to_string(i) + "]";
      const std::string step = reader.String(steps[i], place);
      const auto& known = kClipboardSteps;
      if (std::find(std::begin(known), std::end(known), step) == std::end(known)) {
        reader.Fail(place,
                    "unknown clipboard step \"" + step + "\"; the steps are " + Join(known, ", "));
      }
      scene.clipboardFaults.push_back(step);
    }
  }
  if (j.contains("session")) scene.session = reader.ReadSession(j["session"]);
  if (j.contains("faults")) {
    const Json& faults = reader.Array(j["faults"], "faults");
    for (std::size_t i = 0; i < faults.size(); ++i) {
      scene.faults.push_back(reader.ReadFault(faults[i], "faults[" + std::to_string(i) + "]"));
    }
  }
  if (j.contains("missing_suites")) {
    const Json& missing = reader.Array(j["missing_suites"], "missing_suites");
    for (std::size_t i = 0; i < missing.size(); ++i) {
      scene.missingSuites.push_back(
          reader.ReadMissing(missing[i], "missing_suites[" + std::to_string(i) + "]"));
    }
  }
  return scene;
}

Scene LoadSceneFile(const std::string& path) {
  std::string text;
  try {
    text = ReadInputFile(path);
  } catch (const InputError& error) {
    throw SceneError(error.what());
  }
  return LoadScene(text, path);
}

}  // namespace tarnwick::sim
