// Reads back the Fusion settings text the module writes, from the text
// alone: its polyline tools, each keyframe's frame key and points, and the
// frame size the mask tools give.
#ifndef TARNWICK_SIM_SETTINGS_READER_H
#define TARNWICK_SIM_SETTINGS_READER_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick::sim {

struct SettingsPoint {
  double x, y, lx, ly, rx, ry;  // X, Y, LX, LY, RX, RY as written
};

struct SettingsKeyframe {
  int64_t frame;  // the key as written: [frame] = { ... }
  std::vector<SettingsPoint> points;
};

struct SettingsPolyline {
  std::string tool;                         // e.g. BSpline0Polyline
  std::vector<SettingsKeyframe> keyframes;  // in the order of the text
};

struct Settings {
  std::vector<SettingsPolyline> polylines;       // in the order of the text
  std::optional<int64_t> maskWidth, maskHeight;  // from the first mask tool
};

struct SettingsError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reads the text; 0/0, 1e999 and -1e999 stand for NaN and the infinities.
// Throws SettingsError saying where (line and column) the text cannot be read.
Settings ReadSettings(const std::string& text);

}  // namespace tarnwick::sim

#endif
