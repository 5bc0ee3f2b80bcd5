// The settings text read back from the text alone, and the picture drawn from
// it: checked as data and as pixels a real SVG renderer produces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
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
      ReadSettings(tests::ReadFile(tests::SourcePath("examples/worked-example.expected.txt")));
  ASSERT_EQ(example.polylines.size(), 1u);
  EXPECT_EQ(example.polylines[0].tool, "BSpline0Polyline");
  EXPECT_EQ(*example.maskWidth, 1920);
  EXPECT_EQ(*example.maskHeight, 1080);
  ASSERT_EQ(example.polylines[0].keyframes.size(), 1u);
  const sim::SettingsKeyframe& key = example.polylines[0].keyframes[0];
  EXPECT_EQ(key.frame, std::optional<double>(0));
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
      {OnePolyline("{ X= 1 }"), "line 8 column 1: a point without Y"},
      {OnePolyline("{ X= 1, Y= 2, LX = \"a\", LY = 0, RX = 0, RY = 0 }"),
       "line 8 column 20: a point's LX is not a number"},
      {"{ Tools = { } } }", "text after the document's end"},
      {std::string(300, '{'), "nested deeper than 200"},
      {"{ Name = \"open\n\" }", "line 1 column 10: a string without its closing quote"},
      {"{ A = BezierSpline { KeyFrames = {\n [1e999] = { 0, Value = Polyline { Points = "
       "{ { X = 0, Y = 0 } } } } } } }",
       "line 2 column 2: a keyframe key beyond 32-bit integers"},
      {"{ A = BSplineMask { Inputs = { MaskWidth = Input { Value = 0/0 }, MaskHeight = Input "
       "{ Value = 1 } } } }",
       "line 1 column 60: a non-finite number where an integer must be"},
      {"{ A = BSplineMask { Inputs = { MaskWidth = Input { Value = 1e10 }, MaskHeight = Input "
       "{ Value = 1 } } } }",
       "a frame size that is not an integer within 32 bits"},
      // Lua reads none of these as a number, so neither does the reader.
      {OnePolyline("{ X= inf, Y= 0 }"), "line 8 column 6: unexpected name \"inf\""},
      {OnePolyline("{ X= -inf, Y= 0 }"), "line 8 column 7: unexpected name \"inf\""},
      {OnePolyline("{ X= nan, Y= 0 }"), "unexpected name \"nan\""},
      {OnePolyline("{ X= -Infinity, Y= 0 }"), "unexpected name \"Infinity\""},
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

// A layer without a transform: the scene's vertices and tangents are the
// composition's pixels, so every drawn path can be checked against the scene
// itself rather than against the text.
const char kPlainScene[] = R"({ "active_item": 0, "items": [ { "type": "composition",
  "width": 1920, "height": 1080, "layers": [ { "masks": [ { "keyframes": [
    { "time": 0, "vertices": [ [400, 300, 350, 320, 450, 280], [900, 250, 880, 200, 920, 300],
                               [700, 700, 760, 690, 640, 710] ] },
    { "time": 2000, "vertices": [ [420, 310, 370, 330, 470, 290], [950, 260, 930, 210, 970, 310],
                                  [720, 720, 780, 710, 660, 730] ] } ] } ] } ],
  "selection": [ { "layer": 0, "mask": 0 } ] } ] })";

TEST(Preview, PathsGoThroughTheScenesVerticesAndARendererDrawsThem) {
  const sim::Scene scene = sim::LoadScene(kPlainScene, "plain");
  const tests::Played played = tests::Play(kPlainScene);
  const Settings settings = ReadSettings(played.clipboard());
  std::ostringstream svg;
  sim::WritePreview(svg, settings);
  const sim::Mask& mask = scene.items[0].layers[0].masks[0];

  // Per keyframe: M at vertex 0, then per edge k's out-tangent, k + 1's
  // in-tangent and vertex k + 1, closing back to vertex 0.
  const std::vector<DrawnPath> paths = Paths(svg.str());
  ASSERT_EQ(paths.size(), mask.keyframes.size());
  for (std::size_t j = 0; j < paths.size(); ++j) {
    const std::vector<PathVertex>& v = mask.keyframes[j].vertices;
    EXPECT_EQ(paths[j].tool, "BSpline0Polyline");
    EXPECT_EQ(paths[j].frame, static_cast<long>(j) * 2);
    std::vector<double> want = {v[0].x, v[0].y};
    for (std::size_t k = 0; k < v.size(); ++k) {
      const PathVertex& a = v[k];
      const PathVertex& b = v[(k + 1) % v.size()];
      for (const double n : {a.out_x, a.out_y, b.in_x, b.in_y, b.x, b.y}) want.push_back(n);
    }
    ASSERT_EQ(paths[j].numbers.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
      EXPECT_NEAR(paths[j].numbers[i], want[i], 0.01) << "keyframe " << j << " number " << i;
    }
  }
  // The legend stands beside the frame, never on it.
  const std::string drawing = svg.str();
  std::smatch legend;
  std::regex_search(drawing, legend,
                    std::regex(R"re(<g class="legend"[^>]*>\s*<rect x="([0-9.]+)")re"));
  ASSERT_FALSE(legend.empty());
  EXPECT_GE(std::stod(legend[1]), 1920.0);

  // As pixels: a drawn vertex is not the background, a far corner is.
  if (std::system("command -v rsvg-convert >/dev/null && command -v pngtopnm >/dev/null") != 0) {
    GTEST_SKIP() << "rsvg-convert (librsvg2-bin) or pngtopnm (netpbm) is not installed";
  }
  const std::string dir = ::testing::TempDir();
  tests::WriteFile(dir + "/preview.svg", svg.str());
  ASSERT_EQ(std::system(("rsvg-convert " + dir + "/preview.svg -o " + dir + "/preview.png && " +
                         "pngtopnm " + dir + "/preview.png > " + dir + "/preview.ppm")
                            .c_str()),
            0);
  const std::string ppm = tests::ReadFile(dir + "/preview.ppm");
  std::istringstream header(ppm);
  std::string magic;
  int width = 0, height = 0, maximum = 0;
  header >> magic >> width >> height >> maximum;
  ASSERT_EQ(magic, "P6");
  ASSERT_GT(width, 1920);
  const std::size_t pixels = static_cast<std::size_t>(header.tellg()) + 1;
  const auto pixel = [&](double x, double y) {
    const std::size_t at =
        pixels + 3 * (static_cast<std::size_t>(std::lround(y)) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(std::lround(x)));
    return ppm.substr(at, 3);
  };
  const std::string background = pixel(1800, 1000);
  EXPECT_EQ(background, std::string("\x20\x20\x20", 3));
  EXPECT_NE(pixel(mask.keyframes[0].vertices[0].x, mask.keyframes[0].vertices[0].y), background);
}

// Texts the reader takes but a careless picture would not hold: numbers
// past any fixed buffer, sums that overflow, names that are markup or not
// text. The picture is well-formed XML (a real parser reads it), every
// number in it is finite and whole, and what cannot be drawn is named.
TEST(Preview, HostileTextsGiveValidPictures) {
  const auto tool = [](const std::string& name, const std::string& point) {
    return "{ Tools = { [\"" + name +
           "\"] = BezierSpline { KeyFrames = { [3] = { 0, Value = Polyline { Points = { " + point +
           " } } } } } } }";
  };
  const struct {
    const char* what;
    std::string text;
    std::size_t paths;
    const char* note;  // in the legend, when not empty
  } cases[] = {
      {"a coordinate of 1e303, written whole", tool("Big", "{ X = 1e303, Y = 0 }"), 1,
       "\"M 1919999999999999883366820810630007397127735146262526391012628141694055276098540909345"
       "915377428577487699876374666783137135113701198586117861805273377446441492797561876802946"
       "119885000368607188653921994202089321907022714819049757791870633429555764726362626438704"
       "383213902030260041122424293518381634842523598848.000 540.000"},
      {"a sum that overflows", tool("Sum", "{ X = 1.7e308, Y = 0, RX = 1.7e308 }"), 0,
       "Sum frame 3: not drawable"},
      {"markup in a name", tool("a<b>&c\\\"d'", "{ X = 0, Y = 0 }"), 1, "a&lt;b&gt;&amp;c"},
      {"control characters and bytes that are not UTF-8",
       tool("t\x01\x1f\x7f\xff\xc3\xa9", "{ X = 0, Y = 0 }"), 1,
       "t\xEF\xBF\xBD\xEF\xBF\xBD\x7f\xEF\xBF\xBD\xc3\xa9"},
  };
  const bool parser = std::system("command -v rsvg-convert >/dev/null") == 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::ostringstream out;
    sim::WritePreview(out, ReadSettings(c.text));
    const std::string svg = out.str();
    std::size_t paths = 0;
    for (std::size_t at = svg.find("<path "); at != std::string::npos;
         at = svg.find("<path ", at + 1)) {
      ++paths;
    }
    EXPECT_EQ(paths, c.paths);
    EXPECT_NE(svg.find(c.note), std::string::npos) << svg;
    // Every attribute that holds numbers holds finite, whole ones.
    const std::regex numbers(
        R"re(\s(?:d|x|y|x1|y1|x2|y2|cx|cy|r|width|height|stroke-width)="([^"]*)")re");
    for (std::sregex_iterator it(svg.begin(), svg.end(), numbers), end; it != end; ++it) {
      std::istringstream words((*it)[1]);
      std::string word;
      while (words >> word) {
        if (word.size() == 1 && std::isalpha(static_cast<unsigned char>(word[0]))) continue;
        EXPECT_TRUE(std::regex_match(word, std::regex(R"(-?[0-9]+(\.[0-9]+)?)"))) << word;
      }
    }
    if (parser) {
      const std::string file = ::testing::TempDir() + "/hostile.svg";
      tests::WriteFile(file, svg);
      EXPECT_EQ(std::system(("rsvg-convert " + file + " -o " + file + ".png").c_str()), 0) << svg;
    }
  }
}

// Settings files in Fusion's own format (a tool copied out of Fusion, a
// macro with a group, a saved comp with its trailing NUL): every polyline with
// points is found, with its innermost tool, and drawn.
TEST(SettingsReader, FindsEveryPolylineInWhatFusionSaves) {
  struct Expected {
    std::string tool;
    std::vector<std::optional<double>> frames;  // one nullopt when static
    std::size_t points;
    bool closed, bspline;
  };
  const struct {
    const char* file;
    std::optional<int64_t> width;
    std::vector<Expected> polylines;
  } cases[] = {
      {"tests/settings/copied-tool.setting",
       1280,
       {{"Ellipse1_1", {std::nullopt}, 3, true, false}}},
      {"tests/settings/macro.setting",
       std::nullopt,
       {{"Wobble", {std::nullopt}, 4, true, true},
        {"Path1", {std::nullopt}, 2, false, false},
        {"Mask1Polyline", {12.5, 17.0}, 3, true, false}}},
      {"tests/settings/saved.comp",
       1920,
       {{"Stroke1", {std::nullopt}, 3, false, false},
        {"Mask2Polyline", {-5.0, 2147483647.0}, 3, true, false}}},
      {"examples/worked-example.expected.txt", 1920, {{"BSpline0Polyline", {0.0}, 2, true, false}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Settings settings = ReadSettings(tests::ReadFile(tests::SourcePath(c.file)));
    EXPECT_EQ(settings.maskWidth, c.width);
    ASSERT_EQ(settings.polylines.size(), c.polylines.size());
    std::size_t keyframes = 0;
    for (std::size_t i = 0; i < c.polylines.size(); ++i) {
      const sim::SettingsPolyline& got = settings.polylines[i];
      const Expected& want = c.polylines[i];
      EXPECT_EQ(got.tool, want.tool);
      ASSERT_EQ(got.keyframes.size(), want.frames.size()) << want.tool;
      for (std::size_t j = 0; j < want.frames.size(); ++j) {
        EXPECT_EQ(got.keyframes[j].frame, want.frames[j]) << want.tool;
        EXPECT_EQ(got.keyframes[j].points.size(), want.points) << want.tool;
        EXPECT_EQ(got.keyframes[j].closed, want.closed) << want.tool;
        EXPECT_EQ(got.keyframes[j].bspline, want.bspline) << want.tool;
        ++keyframes;
      }
    }
    // One path per keyframe, named by its tool, and by its frame when keyed.
    std::ostringstream svg;
    sim::WritePreview(svg, settings);
    const std::string drawing = svg.str();
    const std::regex path(R"re(<path data-tool="([^"]*)"( data-frame="[^"]*")?)re");
    std::size_t drawn = 0, framed = 0;
    for (std::sregex_iterator it(drawing.begin(), drawing.end(), path), end; it != end; ++it) {
      ++drawn;
      framed += (*it)[2].matched ? 1 : 0;
    }
    EXPECT_EQ(drawn, keyframes);
    std::size_t keyed = 0;
    for (const Expected& want : c.polylines) keyed += want.frames.front() ? want.frames.size() : 0;
    EXPECT_EQ(framed, keyed);
  }
  // A point given by position, as Fusion may write it: { x, y }.
  const Settings comp =
      ReadSettings(tests::ReadFile(tests::SourcePath("tests/settings/saved.comp")));
  EXPECT_EQ(comp.polylines[1].keyframes[1].points[2].y, 0.4);
}

}  // namespace
}  // namespace tarnwick
