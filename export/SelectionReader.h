// Reads the composition's selection through the host, one mask and one
// keyframe at a time: the only code that asks the host anything while the
// text is built. Every read stops at the first host call that fails and
// returns its code; what it was filling is then not to be used.
#ifndef TARNWICK_EXPORT_SELECTION_READER_H
#define TARNWICK_EXPORT_SELECTION_READER_H

#include <cstdint>

#include "export/VertexConversion.h"
#include "host/HostInterface.h"
#include "host/SuiteHandler.h"

namespace tarnwick {

// The selection as a whole. A null collection is no selection at all.
struct Selection {
  CollectionHandle collection = nullptr;
  uint32_t itemCount = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// One selected mask: what stays the same across its keyframes.
struct SelectedMask {
  LayerHandle layer = nullptr;
  StreamHandle outlineStream = nullptr;
  StreamHandle positionStream = nullptr;
  StreamHandle anchorStream = nullptr;
  // The keyframe entries to read: the outline's keyframes, one for an
  // outline without keyframes, none for a count below zero.
  int32_t entryCount = 0;
  bool staticOutline = false;  // no keyframes: its one entry is read at time 0
  HostTime inPoint{0, 1};
};

// One keyframe entry of a mask: its outline and where the layer puts it.
struct KeyframeEntry {
  HostTime time{0, 1};
  MaskOutlineHandle outline = nullptr;
  int32_t segmentCount = 0;
  Point2 anchor{0.0, 0.0};
  Point2 position{0.0, 0.0};
  Matrix4 toWorld{};
};

class SelectionReader {
 public:
  SelectionReader(SuiteHandler& suites, PluginId plugin) : suites_(suites), plugin_(plugin) {}

  // The comp's selection, its item count and the frame size. Without a
  // composition there is no selection to ask for.
  HostError ReadSelection(CompHandle comp, Selection& selection);
  // Collection item `index`; `isMask` is false for an item that is not a
  // mask or names no mask, which has nothing more to read.
  HostError ReadMask(const Selection& selection, uint32_t index, bool& isMask, SelectedMask& mask);
  HostError ReadKeyframe(const SelectedMask& mask, int32_t entry, KeyframeEntry& keyframe);
  // One vertex of the entry's outline: the one call made per point line.
  HostError ReadVertex(const KeyframeEntry& keyframe, int32_t index, PathVertex& vertex) {
    return pathData_->PF_PathVertexInfo(nullptr, keyframe.outline, index, &vertex);
  }

 private:
  HostError ReadPoint(StreamHandle stream, const HostTime& time, Point2& point);

  SuiteHandler& suites_;
  PluginId plugin_;
  // Taken when an entry with segments is read, before its vertices are.
  const ::PathDataSuite1* pathData_ = nullptr;
};

}  // namespace tarnwick

#endif
