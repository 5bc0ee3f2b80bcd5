#include "export/ExportWriter.h"

#include <cstdint>

namespace tarnwick {

namespace {

// Frame number of a keyframe: each time value divided by 1000 on its own,
// truncated toward zero. Neither quotient exceeds 2147483 in magnitude, so the
// sum cannot overflow.
int32_t FrameNumber(const HostTime& inPoint, const HostTime& keyframeTime) {
  return inPoint.value / 1000 + keyframeTime.value / 1000;
}

}  // namespace

int32_t DistinctFrameNumber(int32_t frame, int32_t previousFrame) {
  if (frame > previousFrame) {
    return frame;
  }
  return previousFrame == INT32_MAX ? INT32_MAX : previousFrame + 1;
}

ExportWriter::ExportWriter(const Selection& selection, std::size_t ceiling)
    : text_(ceiling),
      itemCount_(selection.itemCount),
      width_(selection.width),
      height_(selection.height) {}

void ExportWriter::BeginMask(uint32_t index, const SelectedMask& mask, const MaskInputs& inputs) {
  laterItems_ = itemCount_ - index - 1;
  entryCount_ = mask.entryCount;
  inPoint_ = mask.inPoint;
  text_.ReserveAhead(kToolTextEstimate);
  if (!wroteMask_) {
    AppendDocumentHead(text_);  // the text's block is made only for a mask
    wroteMask_ = true;
  }
  AppendToolHead(text_, index, width_, height_, inputs);
}

void ExportWriter::BeginKeyframe(int32_t entry, const KeyframeEntry& keyframe) {
  BeginKeyframeOnFrame(entry, FrameNumber(inPoint_, keyframe.time), keyframe);
}

void ExportWriter::BeginKeyframeOnFrame(int32_t entry, int32_t frame,
                                        const KeyframeEntry& keyframe) {
  previousFrame_ = entry == 0 ? frame : DistinctFrameNumber(frame, previousFrame_);
  AppendKeyframeHead(text_, previousFrame_, entry);
  if (keyframe.segmentCount > 0) {
    const std::size_t keyframeText =
        static_cast<std::size_t>(keyframe.segmentCount) * kPointLineEstimate +
        kKeyframeTextEstimate;
    text_.ReserveAhead(keyframeText,
                       ExpectedTextLength(text_.size(), keyframeText, entryCount_ - entry,
                                          entryCount_, laterItems_));
  }
  anchor_ = keyframe.anchor;
  position_ = keyframe.position;
  toWorld_ = keyframe.toWorld;
}

void ExportWriter::EndKeyframe(int32_t entry) {
  AppendKeyframeTail(text_, entry == entryCount_ - 1);
}

void ExportWriter::EndMask(uint32_t index) {
  AppendToolTail(text_, static_cast<uint64_t>(index) + 1 >= itemCount_);
}

HGLOBAL ExportWriter::Finish() {
  AppendDocumentTail(text_);
  return text_.HandOver();
}

}  // namespace tarnwick
