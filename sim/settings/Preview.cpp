#include "sim/settings/Preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "sim/settings/Utf8.h"

namespace tarnwick::sim {

namespace {

// The frame's size when the text holds no mask tool to give it.
constexpr double kFallbackWidth = 1920;
constexpr double kFallbackHeight = 1080;
// Past this many points in a tool's drawn keyframes, only its first and last
// keyframes get vertex marks and handles, so big exports stay viewable.
constexpr std::size_t kMaxMarkedPoints = 10000;

struct Frame {
  double width, height;
};

// A normalised position on the drawing: X from -0.5 (left) to 0.5 (right),
// Y from 0.5 (top) to -0.5 (bottom).
struct Mapped {
  double x, y;
};

Mapped Map(const Frame& frame, double x, double y) {
  return {(x + 0.5) * frame.width, (0.5 - y) * frame.height};
}

// A number written whole, however large: a fixed buffer would cut digits.
std::string Coordinate(double v) {
  const int length = std::snprintf(nullptr, 0, "%.3f", v);
  std::string text(static_cast<std::size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, "%.3f", v);
  return text;
}

// The numbers of one keyframe's drawing, and whether every one was finite:
// a sum of large coordinates can overflow where each one was finite.
class Numbers {
 public:
  std::string operator()(double v) {
    finite_ = finite_ && std::isfinite(v);
    return Coordinate(v);
  }
  std::string Pair(const Mapped& m) { return (*this)(m.x) + " " + (*this)(m.y); }
  bool finite() const { return finite_; }

 private:
  bool finite_ = true;
};

// Text as XML character data or an attribute value: markup escaped, and
// what XML cannot hold (control characters, bytes that are not UTF-8)
// replaced by U+FFFD.
std::string Escape(const std::string& text) {
  std::string escaped;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = Utf8SequenceLength(
        reinterpret_cast<const unsigned char*>(text.data()) + at, text.size() - at);
    const char c = text[at];
    if (length == 0 || (length == 1 && static_cast<unsigned char>(c) < 0x20)) {
      escaped += "\xEF\xBF\xBD";
      at += length == 0 ? 1 : length;
      continue;
    }
    if (length > 1) {
      escaped.append(text, at, length);
      at += length;
      continue;
    }
    ++at;
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// From blue for a tool's first keyframe to orange for its last.
std::string Colour(std::size_t index, std::size_t count) {
  const double t = count > 1 ? static_cast<double>(index) / static_cast<double>(count - 1) : 0.0;
  const int from[3] = {0x3b, 0x82, 0xf6};
  const int to[3] = {0xf9, 0x73, 0x16};
  char buffer[8];
  int rgb[3];
  for (int i = 0; i < 3; ++i)
    rgb[i] = static_cast<int>(std::lround(from[i] + (to[i] - from[i]) * t));
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
  return buffer;
}

// Indices of the keyframes to draw: all of them, or the first, the last and
// evenly spaced ones between.
std::vector<std::size_t> Chosen(std::size_t count) {
  std::vector<std::size_t> chosen;
  if (count <= kMaxDrawnKeyframes) {
    for (std::size_t i = 0; i < count; ++i) chosen.push_back(i);
    return chosen;
  }
  for (std::size_t i = 0; i < kMaxDrawnKeyframes; ++i) {
    chosen.push_back(i * (count - 1) / (kMaxDrawnKeyframes - 1));
  }
  return chosen;
}

// A Bezier polyline: M at point 0, then one cubic per edge, from point k
// to point k + 1 (a closed one from the last back to the first), through k's
// right and k + 1's left handle.
std::string BezierPathData(const Frame& frame, const SettingsKeyframe& key, Numbers& numbers) {
  const std::vector<SettingsPoint>& points = key.points;
  const std::size_t n = points.size();
  std::string d = "M " + numbers.Pair(Map(frame, points[0].x, points[0].y));
  const std::size_t edges = key.closed ? n : n - 1;
  for (std::size_t k = 0; k < edges; ++k) {
    const SettingsPoint& from = points[k];
    const SettingsPoint& to = points[(k + 1) % n];
    d += " C " + numbers.Pair(Map(frame, from.x + from.rx, from.y + from.ry)) + " " +
         numbers.Pair(Map(frame, to.x + to.lx, to.y + to.ly)) + " " +
         numbers.Pair(Map(frame, to.x, to.y));
  }
  return key.closed ? d + " Z" : d;
}

// A uniform cubic B-spline of the control points, as the Bezier segments
// it is made of; with fewer than four points (or open and short) the
// control polygon.
std::string BSplinePathData(const Frame& frame, const SettingsKeyframe& key, Numbers& numbers) {
  const std::vector<SettingsPoint>& p = key.points;
  const std::size_t n = p.size();
  const auto at = [&](std::size_t i, double a, double b, double c, double d) {
    const SettingsPoint& p0 = p[i % n];
    const SettingsPoint& p1 = p[(i + 1) % n];
    const SettingsPoint& p2 = p[(i + 2) % n];
    const SettingsPoint& p3 = p[(i + 3) % n];
    return Map(frame, (a * p0.x + b * p1.x + c * p2.x + d * p3.x) / 6,
               (a * p0.y + b * p1.y + c * p2.y + d * p3.y) / 6);
  };
  const std::size_t segments = key.closed ? n : (n >= 4 ? n - 3 : 0);
  if (n < 4 || segments == 0) {
    std::string d = "M " + numbers.Pair(Map(frame, p[0].x, p[0].y));
    for (std::size_t k = 1; k < n; ++k) d += " L " + numbers.Pair(Map(frame, p[k].x, p[k].y));
    return key.closed ? d + " Z" : d;
  }
  std::string d = "M " + numbers.Pair(at(0, 1, 4, 1, 0));
  for (std::size_t i = 0; i < segments; ++i) {
    d += " C " + numbers.Pair(at(i, 0, 4, 2, 0)) + " " + numbers.Pair(at(i, 0, 2, 4, 0)) + " " +
         numbers.Pair(at(i, 0, 1, 4, 1));
  }
  return key.closed ? d + " Z" : d;
}

std::string PathData(const Frame& frame, const SettingsKeyframe& key, Numbers& numbers) {
  return key.bspline ? BSplinePathData(frame, key, numbers) : BezierPathData(frame, key, numbers);
}

// A frame key as written: whole numbers without a decimal point.
std::string FrameText(double frame) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.10g", frame);
  return buffer;
}

void WriteMarks(std::ostream& out, const Frame& frame, const SettingsKeyframe& key,
                const std::string& colour, double scale, Numbers& numbers) {
  out << "  <g class=\"marks\" stroke=\"" << colour << "\" fill=\"" << colour << "\">\n";
  for (const SettingsPoint& p : key.points) {
    const Mapped at = Map(frame, p.x, p.y);
    for (const Mapped& handle :
         {Map(frame, p.x + p.lx, p.y + p.ly), Map(frame, p.x + p.rx, p.y + p.ry)}) {
      out << "    <line x1=\"" << numbers(at.x) << "\" y1=\"" << numbers(at.y) << "\" x2=\""
          << numbers(handle.x) << "\" y2=\"" << numbers(handle.y) << "\" stroke-width=\""
          << Coordinate(scale * 0.5) << "\"/>\n";
    }
    out << "    <circle cx=\"" << numbers(at.x) << "\" cy=\"" << numbers(at.y) << "\" r=\""
        << Coordinate(scale * 2.5) << "\"/>\n";
  }
  out << "  </g>\n";
}

// What the legend says of one polyline.
std::string LegendLine(const SettingsPolyline& polyline, std::size_t drawn) {
  const std::vector<SettingsKeyframe>& keys = polyline.keyframes;
  std::string line = (polyline.tool.empty() ? std::string("(no tool)") : polyline.tool) + ": ";
  if (!keys.front().frame) {
    line += "static";
  } else if (keys.size() == 1) {
    line += "1 keyframe, frame " + FrameText(*keys.front().frame);
  } else {
    line += std::to_string(keys.size()) + " keyframes, frames " + FrameText(*keys.front().frame) +
            " to " + FrameText(*keys.back().frame);
  }
  if (drawn < keys.size()) line += " (" + std::to_string(keys.size() - drawn) + " left out)";
  return line;
}

// The legend, in a column of its own to the right of the frame: the
// gradient from a tool's first keyframe to its last, then a line per
// polyline and the notes.
void WriteLegend(std::ostream& out, const std::vector<std::string>& legend, double left,
                 double scale, double lineHeight) {
  out << "  <defs><linearGradient id=\"keyframes\"><stop offset=\"0\" stop-color=\"" << Colour(0, 2)
      << "\"/><stop offset=\"1\" stop-color=\"" << Colour(1, 2) << "\"/></linearGradient></defs>\n";
  out << "  <g class=\"legend\" font-family=\"sans-serif\" font-size=\"" << Coordinate(16 * scale)
      << "\" fill=\"#e0e0e0\">\n";
  out << "    <rect x=\"" << Coordinate(left + 12 * scale) << "\" y=\"" << Coordinate(8 * scale)
      << "\" width=\"" << Coordinate(60 * scale) << "\" height=\"" << Coordinate(12 * scale)
      << "\" fill=\"url(#keyframes)\"/>\n";
  out << "    <text x=\"" << Coordinate(left + 80 * scale) << "\" y=\""
      << Coordinate(lineHeight * 0.85) << "\">first to last keyframe</text>\n";
  for (std::size_t i = 0; i < legend.size(); ++i) {
    out << "    <text x=\"" << Coordinate(left + 12 * scale) << "\" y=\""
        << Coordinate(lineHeight * (static_cast<double>(i) + 1.85)) << "\">" << Escape(legend[i])
        << "</text>\n";
  }
  out << "  </g>\n";
}

}  // namespace

void WritePreview(std::ostream& out, const Settings& settings) {
  const bool sized = settings.maskWidth && settings.maskHeight && *settings.maskWidth > 0 &&
                     *settings.maskHeight > 0;
  const Frame frame = sized ? Frame{static_cast<double>(*settings.maskWidth),
                                    static_cast<double>(*settings.maskHeight)}
                            : Frame{kFallbackWidth, kFallbackHeight};
  // Strokes and text scale with the frame, so a 4K frame looks like an HD one.
  const double scale = std::max(frame.width, frame.height) / 1920.0;
  std::vector<std::string> legend;  // a line per polyline, then the notes
  std::vector<std::string> notes;
  if (!sized) notes.push_back("no mask tool gives the frame's size; drawn at 1920 x 1080");

  std::ostringstream shapes;
  for (const SettingsPolyline& polyline : settings.polylines) {
    const std::vector<SettingsKeyframe>& keys = polyline.keyframes;
    const std::vector<std::size_t> chosen = Chosen(keys.size());
    std::size_t points = 0;
    for (const std::size_t i : chosen) points += keys[i].points.size();
    for (std::size_t c = 0; c < chosen.size(); ++c) {
      const SettingsKeyframe& key = keys[chosen[c]];
      if (key.points.empty()) continue;
      // Drawn aside first: a keyframe holding a non-finite number, or whose
      // drawing overflows, is left out and named.
      const std::string colour = Colour(chosen[c], keys.size());
      Numbers numbers;
      const std::string path = PathData(frame, key, numbers);
      std::ostringstream marks;
      if (points <= kMaxMarkedPoints || c == 0 || c + 1 == chosen.size()) {
        WriteMarks(marks, frame, key, colour, scale, numbers);
      }
      if (!numbers.finite()) {
        notes.push_back(polyline.tool + (key.frame ? " frame " + FrameText(*key.frame) : "") +
                        ": not drawable");
        continue;
      }
      shapes << "  <path data-tool=\"" << Escape(polyline.tool) << "\"";
      if (key.frame) shapes << " data-frame=\"" << FrameText(*key.frame) << "\"";
      shapes << " fill=\"none\" stroke=\"" << colour << "\" stroke-width=\""
             << Coordinate(scale * 1.5) << "\" d=\"" << path << "\"/>\n"
             << marks.str();
    }
    legend.push_back(LegendLine(polyline, chosen.size()));
  }
  if (settings.polylines.empty()) notes.push_back("no polylines in the text");
  legend.insert(legend.end(), notes.begin(), notes.end());

  const double lineHeight = 22 * scale;
  std::size_t longest = 24;
  for (const std::string& line : legend) longest = std::max(longest, line.size());
  const double legendWidth = (24.0 + 9.0 * static_cast<double>(longest)) * scale;
  const double legendHeight = lineHeight * static_cast<double>(legend.size() + 1) + 12 * scale;
  const double width = frame.width + legendWidth;
  const double height = std::max(frame.height, legendHeight);
  out << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " << Coordinate(width) << " "
      << Coordinate(height) << "\" width=\"" << Coordinate(width) << "\" height=\""
      << Coordinate(height) << "\">\n";
  out << "  <rect class=\"page\" x=\"0\" y=\"0\" width=\"" << Coordinate(width) << "\" height=\""
      << Coordinate(height) << "\" fill=\"#101010\"/>\n";
  out << "  <rect class=\"frame\" x=\"0\" y=\"0\" width=\"" << Coordinate(frame.width)
      << "\" height=\"" << Coordinate(frame.height)
      << "\" fill=\"#202020\" stroke=\"#909090\" stroke-width=\"" << Coordinate(scale * 2)
      << "\"/>\n";
  out << shapes.str();
  WriteLegend(out, legend, frame.width, scale, lineHeight);
  out << "</svg>\n";
}

}  // namespace tarnwick::sim
