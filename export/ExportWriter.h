// Builds the settings text of one export from what the selection reader
// yields. It asks the host nothing.
#ifndef TARNWICK_EXPORT_EXPORT_WRITER_H
#define TARNWICK_EXPORT_EXPORT_WRITER_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "export/SelectionReader.h"
#include "export/SettingsText.h"

namespace tarnwick {

// No paste target takes more: an export that would pass it is refused as
// memory running out.
constexpr std::size_t kTextCeiling = std::size_t{1} << 30;

class ExportWriter {
 public:
  // The text refuses to pass `ceiling` characters (std::bad_alloc).
  ExportWriter(const Selection& selection, std::size_t ceiling = kTextCeiling);

  void BeginMask(uint32_t index, const SelectedMask& mask);
  // Takes the entry's placement for the points that follow.
  void BeginKeyframe(int32_t entry, const KeyframeEntry& keyframe);
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
  // The whole text, with its document tail; it lives as long as the writer.
  std::string_view Finish();

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
