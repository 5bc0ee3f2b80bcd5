// Reads Fusion settings text back from the text alone: what the module puts
// on the clipboard, and what Fusion itself writes (a tool copied out of
// Fusion, a saved .setting or .comp). Every polyline with points is found,
// wherever it sits: in masks, motion paths or paint strokes, in groups and
// macros, static (Value = Polyline { ... }) or keyed (KeyFrames = { ... }).
#ifndef TARNWICK_SIM_SETTINGS_READER_H
#define TARNWICK_SIM_SETTINGS_READER_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick::sim {

struct SettingsPoint {
  // X, Y, LX, LY, RX, RY as written; a handle not written is 0 (on the point).
  double x, y, lx, ly, rx, ry;
};

struct SettingsKeyframe {
  std::optional<double> frame;  // the key, [frame] = { ... }; none when static
  std::vector<SettingsPoint> points;
  bool closed = false;
  bool bspline = false;  // B-spline control points (weights not drawn), no handles
};

struct SettingsPolyline {
  std::string tool;                         // the innermost tool holding it, e.g. BSpline0Polyline
  std::vector<SettingsKeyframe> keyframes;  // one when static, in the text's order when keyed
};

struct Settings {
  std::vector<SettingsPolyline> polylines;       // in the order of the text
  std::optional<int64_t> maskWidth, maskHeight;  // from the first tool that gives both
};

struct SettingsError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reads the text; 0/0, 1e999 and -1e999 stand for NaN and the infinities.
// Throws SettingsError naming the line and column where the text cannot be
// read or holds what cannot be drawn: a keyframe key beyond 32-bit integers,
// a frame size that is not an integer within them, tables nested past 200.
Settings ReadSettings(const std::string& text);

}  // namespace tarnwick::sim

#endif
