#include "lottie/Conversion.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "export/ExportWriter.h"
#include "lottie/Placement.h"
#include "platform/Win32.h"

namespace tarnwick::lottie {

namespace {

// The least a keyframe entry and a point line add to the text, to refuse an
// export past the ceiling before any of it is computed.
constexpr std::size_t kLeastPointLine = 80;
constexpr std::size_t kLeastEntry = 200;
constexpr std::size_t kLeastTool = 1200;

struct Entry {
  int32_t frame;  // as written: after the previous entry's
  double time;    // where the geometry is evaluated
};

}  // namespace

struct Conversion::Tool {
  const Layer* layer;
  const Mask* mask;
  std::size_t maskIndex;
  std::vector<Entry> entries;
  MaskInputs inputs;
  bool moves;
};

namespace {

using PlannedTool = Conversion::Tool;

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string Describe(const CompositionChoice& choice) {
  return (choice.id.empty() ? std::string("the main composition") : choice.id) +
         (choice.name.empty() ? "" : " " + Quoted(choice.name)) + " (" +
         std::to_string(choice.masks) + (choice.masks == 1 ? " mask)" : " masks)");
}

const Composition& Choose(const LottieFile& file, const std::string& wanted,
                          const std::string& source) {
  if (wanted.empty()) return file.main;
  for (const Composition& comp : file.precompositions) {
    if (comp.id == wanted) return comp;
  }
  for (const Composition& comp : file.precompositions) {
    if (comp.name == wanted) return comp;
  }
  std::string known;
  for (const Composition& comp : file.precompositions) {
    known += (known.empty() ? "" : ", ") + comp.id +
             (comp.name.empty() ? std::string() : " " + Quoted(comp.name));
  }
  throw LottieError(source + ": --comp " + wanted + " names no precomposition" +
                    (known.empty() ? "; the file has none" : "; it has " + known));
}

bool Moves(const Property& property) {
  const std::vector<Keyframe>& keys = property.keys();
  for (std::size_t k = 1; k < keys.size(); ++k) {
    if (keys[k].start != keys.front().start || !keys[k - 1].end.empty()) return true;
  }
  return false;
}

// Whether anything that places the layer changes with time.
bool ChainMoves(const std::vector<const Layer*>& chain) {
  for (const Layer* link : chain) {
    for (const Property* property : link->transform.Placing()) {
      if (Moves(*property)) return true;
    }
  }
  return false;
}

const char* PaintMode(char mode) {
  switch (mode) {
    case 's':
      return "Subtract";
    case 'l':
      return "Maximum";
    case 'd':
      return "Minimum";
    case 'n':
      return "None";
    case 'i':
      return "Multiply";  // the overlap of coverages is their product
    default:
      return nullptr;
  }
}

std::string LayerPlace(const Layer& layer) {
  return "layer " + std::to_string(layer.position) + " " + Quoted(layer.name);
}

// What the text cannot say about one mask, each once per file.
void NoteNotCarried(const Composition& comp, const Layer& layer, std::size_t maskIndex,
                    std::vector<std::string>& notes, std::set<std::string>& said) {
  const Mask& mask = layer.masks[maskIndex];
  const std::string place =
      LayerPlace(layer) + ", mask " + std::to_string(maskIndex) + " " + Quoted(mask.name) + ": ";
  const auto note = [&](const std::string& line) {
    if (said.insert(line).second) notes.push_back(line);
  };
  const std::vector<double> opacity = mask.opacity.At(comp.firstFrame);
  if (mask.opacity.Animated() || (!opacity.empty() && opacity[0] < 100.0)) {
    note(place + "an opacity below 100");
  }
  const std::vector<double> expansion = mask.expansion.At(comp.firstFrame);
  if (mask.expansion.Animated() || (!expansion.empty() && expansion[0] != 0.0)) {
    note(place + "an expansion other than 0");
  }
  if (mask.mode == 'f') note(place + "the difference mode (written as add)");
  if (mask.mode != 'f' && mask.mode != 'a' && PaintMode(mask.mode) == nullptr) {
    note(place + "the mode \"" + std::string(1, mask.mode) + "\" (written as add)");
  }
  if (!mask.outline.Closed()) note(place + "an open path (written closed)");
  if (mask.outline.HasExpression())
    note(place + "an expression on the outline (its keys are used)");
  if (mask.opacity.HasExpression() || mask.expansion.HasExpression()) {
    note(place + "an expression on its opacity or expansion");
  }
  for (const Layer* link : Chain(comp, layer)) {
    for (const Property* property : link->transform.Placing()) {
      if (property->HasExpression()) {
        note(LayerPlace(*link) + ": an expression on its transform (its keys are used)");
      }
    }
    if (link->threeD) note(LayerPlace(*link) + ": 3D, placed by its x and y without a camera");
  }
}

// The frames a mask is written on: one entry per outline key (or one for a
// static outline), or every whole frame over which it or its layers move.
std::vector<Entry> PlanEntries(const Composition& comp, const Layer& layer, const Mask& mask,
                               bool everyFrame, bool chainMoves) {
  std::vector<double> times;
  for (const ShapeKeyframe& key : mask.outline.keys()) times.push_back(key.time);
  if (times.empty()) times.push_back(comp.firstFrame);
  const bool outlineMoves = mask.outline.keys().size() > 1;
  if (everyFrame && (chainMoves || outlineMoves)) {
    std::vector<int32_t> ends;
    ends.reserve(times.size());
    for (const double time : times) ends.push_back(RoundFrame(time));
    if (mask.outline.keys().empty()) ends.clear();
    for (const Layer* link : Chain(comp, layer)) {
      for (const Property* property : link->transform.Placing()) {
        if (!Moves(*property)) continue;
        for (const Keyframe& key : property->keys()) ends.push_back(RoundFrame(key.time));
      }
    }
    const auto [low, high] = std::minmax_element(ends.begin(), ends.end());
    const auto frames = static_cast<std::size_t>(int64_t{*high} - *low + 1);
    if (frames > kTextCeiling / kLeastEntry) {
      throw LottieError("the text would pass the 1 GiB it may hold: " + LayerPlace(layer) +
                        " moves over " + std::to_string(frames) + " frames");
    }
    times.clear();
    for (int64_t frame = *low; frame <= *high; ++frame) times.push_back(static_cast<double>(frame));
  }
  std::vector<Entry> entries;
  int32_t previous = 0;
  for (std::size_t j = 0; j < times.size(); ++j) {
    const int32_t frame = RoundFrame(times[j]);
    previous = j == 0 ? frame : DistinctFrameNumber(frame, previous);
    entries.push_back(Entry{previous, times[j]});
  }
  return entries;
}

Point2 XY(const std::vector<double>& values) {
  return Point2{values.size() > 0 ? values[0] : 0.0, values.size() > 1 ? values[1] : 0.0};
}

void WriteTool(ExportWriter& writer, const Composition& comp, const PlannedTool& tool,
               uint32_t index) {
  SelectedMask selected;
  selected.entryCount = static_cast<int32_t>(tool.entries.size());
  writer.BeginMask(index, selected, tool.inputs);
  Shape scratch;
  for (std::size_t j = 0; j < tool.entries.size(); ++j) {
    const Entry& entry = tool.entries[j];
    const ShapeView shape = tool.mask->outline.At(entry.time, scratch);
    KeyframeEntry keyframe;
    keyframe.segmentCount = static_cast<int32_t>(shape.size());
    keyframe.anchor = XY(tool.layer->transform.anchor.At(entry.time));
    const std::array<double, 3> position = PositionAt(tool.layer->transform, entry.time);
    keyframe.position = Point2{position[0], position[1]};
    keyframe.toWorld = ChainMatrix(comp, *tool.layer, entry.time);
    writer.BeginKeyframeOnFrame(static_cast<int32_t>(j), entry.frame, keyframe);
    const std::size_t count = shape.size();
    for (std::size_t k = 0; k < count; ++k) {
      const double x = shape.vertices[2 * k];
      const double y = shape.vertices[2 * k + 1];
      const PathVertex vertex{x,
                              y,
                              x + shape.inTangents[2 * k],
                              y + shape.inTangents[2 * k + 1],
                              x + shape.outTangents[2 * k],
                              y + shape.outTangents[2 * k + 1]};
      writer.Point(vertex, k + 1 == count);
    }
    writer.EndKeyframe(static_cast<int32_t>(j));
  }
  writer.EndMask(index);
}

// Hands the finished text to the sink and frees its block.
void Deliver(HGLOBAL block, const TextSink& sink) {
  const auto* bytes = static_cast<const char*>(GlobalLock(block));
  if (bytes != nullptr) {
    const std::size_t size = GlobalSize(block);
    sink(bytes, size > 0 ? size - 1 : 0);  // without the NUL the clipboard takes
    GlobalUnlock(block);
  }
  GlobalFree(block);
  if (bytes == nullptr) throw std::bad_alloc();
}

}  // namespace

int32_t RoundFrame(double frame) {
  const double rounded = std::floor(frame + 0.5);
  if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) {
    throw LottieError("a key at frame " + std::to_string(frame) +
                      ", beyond the frames the text can key");
  }
  return static_cast<int32_t>(rounded);
}

std::vector<CompositionChoice> CompositionChoices(const LottieFile& file) {
  std::vector<CompositionChoice> choices{{"", file.main.name, file.main.MaskCount()}};
  for (const Composition& comp : file.precompositions) {
    if (comp.MaskCount() > 0) choices.push_back({comp.id, comp.name, comp.MaskCount()});
  }
  return choices;
}

Conversion::Conversion(const LottieFile& file, const ConversionOptions& options,
                       const std::string& source)
    : comp_(&Choose(file, options.composition, source)) {
  const Composition& comp = *comp_;
  report_.composition = {comp.id,     comp.name,      comp.width,
                         comp.height, file.frameRate, comp.id.empty() ? comp.firstFrame : 0.0};
  if (comp.MaskCount() == 0) {
    std::string with;
    for (const CompositionChoice& choice : CompositionChoices(file)) {
      if (choice.masks > 0) with += (with.empty() ? "" : ", ") + Describe(choice);
    }
    const std::string which =
        comp.id.empty() ? std::string("the main composition") : "precomposition " + comp.id;
    throw NoMasksError(source + ": " + which + (comp.name.empty() ? "" : " " + Quoted(comp.name)) +
                       " has no mask; " +
                       (with.empty() ? "no composition of the file has one"
                                     : "the compositions with masks: " + with));
  }
  if (!comp.problem.empty()) throw LottieError(source + ": " + comp.problem);
  std::set<std::string> said;
  std::size_t least = 0;
  try {
    for (const Layer& layer : comp.layers) {
      const bool moves = ChainMoves(Chain(comp, layer));
      for (std::size_t m = 0; m < layer.masks.size(); ++m) {
        const Mask& mask = layer.masks[m];
        PlannedTool tool{&layer,
                         &mask,
                         m,
                         PlanEntries(comp, layer, mask, options.everyFrame, moves),
                         MaskInputs{mask.inverted, PaintMode(mask.mode)},
                         moves};
        NoteNotCarried(comp, layer, m, report_.notCarried, said);
        const std::size_t vertices = mask.outline.VertexCount();
        report_.pointLines += tool.entries.size() * vertices;
        least += kLeastTool + tool.entries.size() * (kLeastEntry + vertices * kLeastPointLine);
        if (least > kTextCeiling) throw LottieError("the text would pass the 1 GiB it may hold");
        ToolReport entry;
        entry.tool = "BSpline" + std::to_string(tools_.size());
        entry.layer = layer.position;
        entry.layerInd = layer.ind;
        entry.layerName = layer.name;
        entry.mask = m;
        entry.maskName = mask.name;
        for (const Entry& e : tool.entries) entry.frames.push_back(e.frame);
        entry.movesBetweenKeys = moves;
        report_.tools.push_back(std::move(entry));
        tools_.push_back(std::move(tool));
      }
    }
  } catch (const LottieError& error) {
    throw LottieError(source + ": " + error.what());
  }
}

Conversion::~Conversion() = default;

void Conversion::Write(const TextSink& sink) const {
  Selection selection;
  selection.itemCount = static_cast<uint32_t>(tools_.size());
  selection.width = comp_->width;
  selection.height = comp_->height;
  ExportWriter writer(selection);
  for (std::size_t i = 0; i < tools_.size(); ++i) {
    WriteTool(writer, *comp_, tools_[i], static_cast<uint32_t>(i));
  }
  Deliver(writer.Finish(), sink);
}

}  // namespace tarnwick::lottie
