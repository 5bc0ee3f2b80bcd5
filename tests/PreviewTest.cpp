// The settings text read back from the text alone, and the picture drawn from
// it: checked as data and as pixels a real SVG renderer produces.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "sim/settings/Preview.h"
#include "sim/settings/SettingsReader.h"
#include "tests/SimSupport.h"
#include "tests/TestSupport.h"

namespace tarnwick {
namespace {

using sim::ReadSettings;
using sim::Settings;

// A settings text of one polyline tool whose one keyframe has these points.
std::string OnePolyline(const std::string& points) {
  return "{\r\n\tTools = ordered() {\r\n\t\tBSpline0Polyline = BezierSpline {\r\n"
         "\t\t\tKeyFrames = {\r\n\t\t\t\t[7] = { 0, RH = { 19.6666666666667, 0.333333333333333 }, "
         "Value = Polyline  {\r\n\t\t\t\t\t\tClosed = true,\r\n\t\t\t\t\t\tPoints = {\r\n" +
         points +
         "\r\n\t\t\t\t\t\t},\r\n\t\t\t\t\t}}\r\n\t\t\t}\r\n\t\t}\r\n\t},\r\n"
         "\tActiveTool = \"BSpline1\"\r\n}\r\n";
}

TEST(SettingsReader, ReadsTheWorkedExampleAndEveryNonFiniteSpelling) {
  const Settings example =
      ReadSettings(testing::ReadFile(testing::SourcePath("examples/worked-example.expected.txt")));
  ASSERT_EQ(example.polylines.size(), 1u);
  EXPECT_EQ(example.polylines[0].tool, "BSpline0Polyline");
  EXPECT_EQ(*example.maskWidth, 1920);
  EXPECT_EQ(*example.maskHeight, 1080);
  ASSERT_EQ(example.polylines[0].keyframes.size(), 1u);
  const sim::SettingsKeyframe& key = example.polylines[0].keyframes[0];
  EXPECT_EQ(key.frame, 0);
  ASSERT_EQ(key.points.size(), 2u);
  EXPECT_EQ(key.points[0].x, -0.25);
  EXPECT_EQ(key.points[0].lx, 0.05);
  EXPECT_EQ(key.points[1].ry, 0.04);

  const Settings odd = ReadSettings(OnePolyline(
      "{ X= 0/0, Y= 1e999, LX =-1e999, LY =-0.000000, RX=12345678901234567890.000000, RY=0/0}"));
  ASSERT_EQ(odd.polylines.at(0).keyframes.at(0).points.size(), 1u);
  const sim::SettingsPoint& p = odd.polylines[0].keyframes[0].points[0];
  EXPECT_TRUE(std::isnan(p.x) && std::isnan(p.ry));
  EXPECT_EQ(p.y, HUGE_VAL);
  EXPECT_EQ(p.lx, -HUGE_VAL);
  EXPECT_TRUE(std::signbit(p.ly));
  EXPECT_EQ(p.rx, 12345678901234567890.0);
  EXPECT_FALSE(odd.maskWidth.has_value());

  const struct {
    std::string text;
    const char* message;
  } refused[] = {
      {"", "line 1 column 1: the text ends where a value should be"},
      {"{ Tools = ordered() { ", "the text ends"},
      {OnePolyline("{ X= 1, Y= 2 }"), "BSpline0Polyline frame 7 point 0 has no LX"},
      {OnePolyline("{ X= 1, Y= 2, LX = \"a\", LY = 0, RX = 0, RY = 0 }"), "is not a number"},
      {"{ Tools = { } } }", "text after the closing brace"},
      {std::string(100, '{'), "nested too deeply"},
  };
  for (const auto& r : refused) {
    std::string message;
    try {
      ReadSettings(r.text);
    } catch (const sim::SettingsError& error) {
      message = error.what();
    }
    EXPECT_NE(message.find(r.message), std::string::npos) << r.text << ": " << message;
  }
}

// The numbers of every path, in order, with its tool and frame.
struct DrawnPath {
  std::string tool;
  long frame;
  std::vector<double> numbers;
};

std::vector<DrawnPath> Paths(const std::string& svg) {
  std::vector<DrawnPath> paths;
  const std::regex path(R"re(<path data-tool="([^"]*)" data-frame="(-?\d+)"[^>]* d="([^"]*)")re");
  for (std::sregex_iterator it(svg.begin(), svg.end(), path), end; it != end; ++it) {
    DrawnPath drawn{(*it)[1], std::stol((*it)[2]), {}};
    std::istringstream d((*it)[3]);
    std::string word;
    while (d >> word) {
      if (word != "M" && word != "C" && word != "Z") drawn.numbers.push_back(std::stod(word));
    }
    paths.push_back(drawn);
  }
  return paths;
}

TEST(Preview, PathsFollowThePointsAndARendererDrawsThem) {
  const testing::Played played =
      testing::Play(testing::ReadFile(testing::SourcePath("examples/animated-masks.json")));
  const Settings settings = ReadSettings(played.clipboard());
  std::ostringstream svg;
  sim::WritePreview(svg, settings);
  EXPECT_NE(svg.str().find(R"(viewBox="0 0 1920.000 1080.000")"), std::string::npos);

  // As data: M at point 0, then per edge the right handle of k, the left
  // handle of k + 1 and point k + 1, mapped onto the frame.
  const double w = 1920, h = 1080;
  const auto near = [](double a, double b) { return std::fabs(a - b) <= 0.01; };
  std::vector<DrawnPath> paths = Paths(svg.str());
  std::size_t expected = 0;
  for (const sim::SettingsPolyline& polyline : settings.polylines) {
    for (const sim::SettingsKeyframe& key : polyline.keyframes) {
      if (key.points.empty()) continue;
      ASSERT_LT(expected, paths.size());
      const DrawnPath& drawn = paths[expected++];
      EXPECT_EQ(drawn.tool, polyline.tool);
      EXPECT_EQ(drawn.frame, key.frame);
      const std::size_t n = key.points.size();
      ASSERT_EQ(drawn.numbers.size(), 2 + 6 * n);
      std::vector<double> want = {(key.points[0].x + 0.5) * w, (0.5 - key.points[0].y) * h};
      for (std::size_t k = 0; k < n; ++k) {
        const sim::SettingsPoint& a = key.points[k];
        const sim::SettingsPoint& b = key.points[(k + 1) % n];
        for (const double v :
             {(a.x + a.rx + 0.5) * w, (0.5 - a.y - a.ry) * h, (b.x + b.lx + 0.5) * w,
              (0.5 - b.y - b.ly) * h, (b.x + 0.5) * w, (0.5 - b.y) * h}) {
          want.push_back(v);
        }
      }
      for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_TRUE(near(drawn.numbers[i], want[i])) << drawn.tool << " number " << i;
      }
    }
  }
  EXPECT_EQ(expected, paths.size());

  // As pixels: a drawn vertex is not the background, a far corner is.
  if (std::system("command -v rsvg-convert >/dev/null && command -v pngtopnm >/dev/null") != 0) {
    GTEST_SKIP() << "rsvg-convert (librsvg2-bin) or pngtopnm (netpbm) is not installed";
  }
  const std::string dir = ::testing::TempDir();
  testing::WriteFile(dir + "/preview.svg", svg.str());
  ASSERT_EQ(std::system(("rsvg-convert " + dir + "/preview.svg -o " + dir + "/preview.png && " +
                         "pngtopnm " + dir + "/preview.png > " + dir + "/preview.ppm")
                            .c_str()),
            0);
  const std::string ppm = testing::ReadFile(dir + "/preview.ppm");
  std::istringstream header(ppm);
  std::string magic;
  int width = 0, height = 0, maximum = 0;
  header >> magic >> width >> height >> maximum;
  ASSERT_EQ(magic, "P6");
  ASSERT_EQ(width, 1920);
  const std::size_t pixels = static_cast<std::size_t>(header.tellg()) + 1;
  const auto pixel = [&](double x, double y) {
    const std::size_t at = pixels + 3 * (static_cast<std::size_t>(std::lround(y)) * 1920 +
                                         static_cast<std::size_t>(std::lround(x)));
    return ppm.substr(at, 3);
  };
  const std::string background = pixel(1800, 1000);
  EXPECT_EQ(background, std::string("\x20\x20\x20", 3));
  const sim::SettingsPoint& vertex = settings.polylines[0].keyframes[0].points[0];
  EXPECT_NE(pixel((vertex.x + 0.5) * w, (0.5 - vertex.y) * h), background);
}

}  // namespace
}  // namespace tarnwick
