#include "export/ExportWriter.h"

#include <algorithm>
#include <cstdint>

namespace tarnwick {

namespace {

// Frame number of a keyframe: each time value divided by 1000 on its own,
// truncated toward zero. Neither quotient exceeds 2147483 in magnitude, so the
// sum cannot overflow.
int32_t FrameNumber(const HostTime& inPoint, const HostTime& keyframeTime) {
  return inPoint.value / 1000 + keyframeTime.value / 1000;
}

// Fusion keys a polyline's keyframes by frame number, so two keyframes on one
// frame would leave only one after the paste. A keyframe whose frame is not
// after the previous keyframe's takes the frame after it, held at the largest
// number the text can print.
int32_t DistinctFrameNumber(int32_t frame, int32_t previousFrame) {
  if (frame > previousFrame) {
    return frame;
  }
  return previousFrame == INT32_MAX ? INT32_MAX : previousFrame + 1;
}

// a * b, or the largest size_t when that overflows.
std::size_t SaturatingProduct(std::size_t a, std::size_t b) {
  if (a != 0 && b > SIZE_MAX / a) {
    return SIZE_MAX;
  }
  return a * b;
}

std::size_t SaturatingSum(std::size_t a, std::size_t b) {
  return b > SIZE_MAX - a ? SIZE_MAX : a + b;
}

// Later collection items count for at most this many times what is written.
constexpr std::size_t kLaterItemsPerWritten = 8;

// A guess at the whole text's length when a keyframe needs more room: the
// mask's keyframes still to come look like this one, and the collection's
// later items like this whole mask.
//
// Why the later items are capped at eight times what is written: each
// regrowth copies what is written into fresh memory, so the text's memory
// is touched once plus once per copy. Masks alike (the common export) reach
// the whole text at the second mask, after one copy of the first mask alone
// (with ten masks, a tenth of the text; the old cap of once what is written
// regrew at the 2nd, 3rd, 5th and 9th mask and copied about the whole text
// again). A few big masks followed by many small ones would make an
// uncapped guess reserve the big size for every small one; capped, a wrong
// guess reserves at most eight times the text written so far, memory that is
// reserved but never touched.
std::size_t ExpectedTextLength(std::size_t written, std::size_t keyframeText, int32_t keyframesLeft,
                               int32_t keyframeCount, uint32_t laterItems) {
  const std::size_t restOfMask =
      SaturatingProduct(static_cast<std::size_t>(keyframesLeft), keyframeText);
  const std::size_t laterMasks = SaturatingProduct(
      SaturatingProduct(laterItems, static_cast<std::size_t>(keyframeCount)), keyframeText);
  return SaturatingSum(SaturatingSum(written, restOfMask),
                       std::min(laterMasks, SaturatingProduct(written, kLaterItemsPerWritten)));
}

}  // namespace

ExportWriter::ExportWriter(const Selection& selection, std::size_t ceiling)
    : text_(ceiling),
      itemCount_(selection.itemCount),
      width_(selection.width),
      height_(selection.height) {
  AppendDocumentHead(text_);
}

void ExportWriter::BeginMask(uint32_t index, const SelectedMask& mask) {
  wroteMask_ = true;
  laterItems_ = itemCount_ - index - 1;
  entryCount_ = mask.entryCount;
  inPoint_ = mask.inPoint;
  ReserveAhead(text_, kToolTextEstimate);
  AppendToolHead(text_, index, width_, height_);
}

void ExportWriter::BeginKeyframe(int32_t entry, const KeyframeEntry& keyframe) {
  const int32_t frame = FrameNumber(inPoint_, keyframe.time);
  previousFrame_ = entry == 0 ? frame : DistinctFrameNumber(frame, previousFrame_);
  AppendKeyframeHead(text_, previousFrame_, entry);
  if (keyframe.segmentCount > 0) {
    const std::size_t keyframeText =
        static_cast<std::size_t>(keyframe.segmentCount) * kPointLineEstimate +
        kKeyframeTextEstimate;
    ReserveAhead(text_, keyframeText,
                 ExpectedTextLength(text_.size(), keyframeText, entryCount_ - entry, entryCount_,
                                    laterItems_));
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

std::string_view ExportWriter::Finish() {
  AppendDocumentTail(text_);
  return text_.View();
}

}  // namespace tarnwick
