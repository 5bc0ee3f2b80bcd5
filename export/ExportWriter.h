// Builds the settings text of one export from what the selection reader
// yields. It asks the host nothing.
#ifndef TARNWICK_EXPORT_EXPORT_WRITER_H
#define TARNWICK_EXPORT_EXPORT_WRITER_H

#include <cstddef>
#include <cstdint>

#include "export/SelectionReader.h"
#include "export/SettingsText.h"
#include "export/TextBuffer.h"
#include "platform/Win32.h"

namespace tarnwick {

// Fusion keys a polyline's keyframes by frame number, so two keyframes on one
// frame would leave only one after the paste. A keyframe whose frame is not
// after the previous keyframe's takes the frame after it, held at the largest
// number the text can print.
int32_t DistinctFrameNumber(int32_t frame, int32_t previousFrame);

class ExportWriter {
 public:
  // The text refuses to pass `ceiling` characters (std::bad_alloc).
  ExportWriter(const Selection& selection, std::size_t ceiling = kTextCeiling);

  void BeginMask(uint32_t index, const SelectedMask& mask, const MaskInputs& inputs = MaskInputs{});
  // Takes the entry's placement for the points that follow; its frame is the
  // host's (in-point and keyframe time, each in thousandths).
  void BeginKeyframe(int32_t entry, const KeyframeEntry& keyframe);
  // The same on a frame the caller computed; a frame not after the previous
  // entry's is moved to the frame after it, as for the host's.
  void BeginKeyframeOnFrame(int32_t entry, int32_t frame, const KeyframeEntry& keyframe);
  void Point(const PathVertex& vertex, bool lastOfKeyframe) {
    AppendPointLine(text_,
                    ConvertVertex(vertex, anchor_, position_, toWorld_, static_cast<double>(width_),
                                  static_cast<double>(height_)),
                    lastOfKeyframe);
  }
  void EndKeyframe(int32_t entry);
  void EndMask(uint32_t index);
  // Whether any mask's tool was begun.
  bool WroteMask() const { return wroteMask_; }
  // The whole text, with its document tail, in the movable block that is
  // handed over to the caller (for the clipboard); after at least one mask.
  HGLOBAL Finish();

 private:
  TextBuffer text_;
  uint32_t itemCount_;
  int32_t width_;
  int32_t height_;
  uint32_t laterItems_ = 0;  // collection items after the current mask
  int32_t entryCount_ = 0;   // keyframe entries of the current mask
  int32_t previousFrame_ = 0;
  bool wroteMask_ = false;
  HostTime inPoint_{0, 1};
  Point2 anchor_{0.0, 0.0};
  Point2 position_{0.0, 0.0};
  Matrix4 toWorld_{};
};

}  // namespace tarnwick

#endif
