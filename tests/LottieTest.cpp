// The Lottie reader: values between keys, where a layer puts a point, the
// frames a mask is written on, what is carried, and the text itself against
// the module's writer on the same geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "lottie/Conversion.h"
#include "lottie/Placement.h"
#include "lottie/Property.h"
#include "tests/SimSupport.h"
#include "tests/TestSupport.h"

namespace tarnwick {
namespace {

using lottie::JsonDocument;

lottie::LottieFile Read(const std::string& json) {
  return lottie::ReadLottieText(json, "test.json");
}

struct Converted {
  std::string text;
  lottie::ConversionReport report;
};

Converted Convert(const std::string& json, lottie::ConversionOptions options = {}) {
  const lottie::LottieFile file = Read(json);
  lottie::Conversion conversion(file, options, "test.json");
  Converted converted;
  conversion.Write(
      [&](const char* bytes, std::size_t size) { converted.text.assign(bytes, size); });
  converted.report = conversion.report();
  return converted;
}

lottie::Property PropertyOf(const std::string& json) {
  const JsonDocument doc = JsonDocument::Parse(json, json.size(), "p");
  return lottie::Property::Read(doc.Root(), "p", {0});
}

// A file of one layer with the given transform members and one mask.
std::string File(
    const std::string& transform, const std::string& layerExtra = "",
    const std::string& outline = R"({"a":0,"k":{"c":true,"v":[[10,0]],"i":[[0,0]],"o":[[0,0]]}})",
    const std::string& otherLayers = "") {
  return R"({"fr":25,"ip":0,"op":50,"w":200,"h":100,"layers":[)" + otherLayers +
         R"({"ind":1,"nm":"L","ks":{)" + transform + "}" + layerExtra +
         R"(,"masksProperties":[{"mode":"a","pt":)" + outline + "}]}]}";
}

// Where the point (x, y) of the layer lands at the frame.
std::array<double, 2> Placed(const std::string& json, double x, double y, double frame) {
  const lottie::LottieFile file = Read(json);
  const lottie::Layer& layer = file.main.layers.back();
  const Matrix4 m = lottie::ChainMatrix(file.main, layer, frame);
  return {x * m.m[0][0] + y * m.m[1][0] + m.m[3][0], x * m.m[0][1] + y * m.m[1][1] + m.m[3][1]};
}

TEST(Lottie, LayersPlacePointsAsAPlayerDraws) {
  const struct {
    const char* what;
    std::string file;
    double x, y, frame;
    double wantX, wantY;
  } cases[] = {
      {"anchor and position", File(R"("a":{"a":0,"k":[5,5]},"p":{"a":0,"k":[100,50]})"), 10, 0, 0,
       105, 45},
      {"scale", File(R"("s":{"a":0,"k":[200,50]},"p":{"a":0,"k":[100,50]})"), 10, 4, 0, 120, 52},
      {"rotation, clockwise on screen", File(R"("r":{"a":0,"k":90})"), 10, 0, 0, 0, 10},
      {"skew along x leans the lower half left", File(R"("sk":{"a":0,"k":45})"), 0, 10, 0, -10, 10},
      {"skew about an axis at 90 degrees", File(R"("sk":{"a":0,"k":45},"sa":{"a":0,"k":90})"), 10,
       0, 0, 10, 10},
      {"split position", File(R"("p":{"s":true,"x":{"a":0,"k":30},"y":{"a":0,"k":40}})"), 1, 1, 0,
       31, 41},
      {"split position, keyed",
       File(
           R"("p":{"s":true,"x":{"a":1,"k":[{"t":0,"s":[0]},{"t":10,"s":[100]}]},"y":{"a":0,"k":7}})"),
       0, 0, 5, 50, 7},
      {"auto-orient turns the layer along its path",
       File(R"("p":{"a":1,"k":[{"t":0,"s":[0,0],"to":[0,0],"ti":[0,0]},{"t":10,"s":[0,100]}]})",
            R"(,"ao":1)"),
       10, 0, 5, 0, 60},
      {"a parent moves its child",
       File(R"("p":{"a":0,"k":[10,0]})", R"(,"parent":2)",
            R"({"a":0,"k":{"c":true,"v":[[0,0]],"i":[[0,0]],"o":[[0,0]]}})",
            R"({"ind":2,"nm":"P","ks":{"p":{"a":0,"k":[100,100]},"r":{"a":0,"k":90}}},)"),
       0, 0, 0, 100, 110},
      {"a 3D layer turned half round y mirrors x",
       File(R"("ry":{"a":0,"k":180},"p":{"a":0,"k":[100,50,0]})", R"(,"ddd":1)"), 10, 5, 0, 90, 55},
      {"a 3D layer's z rotation",
       File(R"("rz":{"a":0,"k":90},"p":{"a":0,"k":[0,0,0]})", R"(,"ddd":1)"), 10, 0, 0, 0, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::array<double, 2> got = Placed(c.file, c.x, c.y, c.frame);
    EXPECT_NEAR(got[0], c.wantX, 1e-9);
    EXPECT_NEAR(got[1], c.wantY, 1e-9);
  }
}

TEST(Lottie, ValuesBetweenKeys) {
  const std::string linear =
      R"({"a":1,"k":[{"t":0,"s":[0],"o":{"x":0,"y":0},"i":{"x":1,"y":1}},{"t":10,"s":[100]}]})";
  const std::string eased =
      R"({"a":1,"k":[{"t":0,"s":[0],"o":{"x":0.42,"y":0},"i":{"x":0.58,"y":1}},{"t":10,"s":[100]}]})";
  const std::string perDimension =
      R"({"a":1,"k":[{"t":0,"s":[0,0],"o":{"x":[0,0.42],"y":[0,0]},"i":{"x":[1,0.58],"y":[1,1]}},{"t":10,"s":[100,100]}]})";
  const std::string hold = R"({"a":1,"k":[{"t":0,"s":[0],"h":1},{"t":10,"s":[100]}]})";
  const std::string oldExport = R"({"a":1,"k":[{"t":0,"s":[0],"e":[40]},{"t":10}]})";
  const struct {
    const char* what;
    std::string property;
    double frame;
    std::size_t dimension;
    double want;
  } cases[] = {
      {"linear, halfway", linear, 5, 0, 50},
      {"before the first key", linear, -3, 0, 0},
      {"after the last key", linear, 12, 0, 100},
      {"eased, symmetric, halfway", eased, 5, 0, 50},
      {"eased, a quarter in: slower than linear", eased, 2.5, 0, 12.916193},
      {"per dimension: the first linear", perDimension, 2.5, 0, 25},
      {"per dimension: the second eased", perDimension, 2.5, 1, 12.916193},
      {"a hold key holds", hold, 9.99, 0, 0},
      {"a hold key's next key", hold, 10, 0, 100},
      {"an old export's end value", oldExport, 5, 0, 20},
      {"an old export's closing key", oldExport, 10, 0, 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_NEAR(PropertyOf(c.property).At(c.frame)[c.dimension], c.want, 1e-6);
  }
}

// The length of the Bezier from 0 to u, by a polyline of a million pieces.
double PolylineLength(const double* p0, const double* p1, const double* p2, const double* p3,
                      double u) {
  constexpr int kPieces = 1000000;
  double length = 0;
  double px = p0[0], py = p0[1];
  for (int n = 1; n <= kPieces; ++n) {
    const double t = u * n / kPieces, v = 1 - t;
    const double x =
        v * v * v * p0[0] + 3 * v * v * t * p1[0] + 3 * v * t * t * p2[0] + t * t * t * p3[0];
    const double y =
        v * v * v * p0[1] + 3 * v * v * t * p1[1] + 3 * v * t * t * p2[1] + t * t * t * p3[1];
    length += std::hypot(x - px, y - py);
    px = x;
    py = y;
  }
  return length;
}

TEST(Lottie, SpatialPositionMovesByArcLength) {
  // A lopsided path (long first handle) with a cusp-like fold: half the
  // progress is half the path's length, not half its parameter.
  const std::string position =
      R"({"a":1,"k":[{"t":0,"s":[0,0],"to":[300,0],"ti":[0,-20],"o":{"x":0,"y":0},"i":{"x":1,"y":1}},{"t":10,"s":[100,100]}]})";
  const double p0[] = {0, 0}, p1[] = {300, 0}, p2[] = {100, 80}, p3[] = {100, 100};
  const double whole = PolylineLength(p0, p1, p2, p3, 1.0);
  EXPECT_NEAR(lottie::BezierLength(p0, p1, p2, p3, 2, 1.0), whole, 1e-4);
  const lottie::Property property = PropertyOf(position);
  for (const double frame : {2.5, 5.0, 7.5}) {
    SCOPED_TRACE(frame);
    const std::vector<double> at = property.At(frame);
    // Find the parameter of that point and measure up to it independently.
    double best = 0, bestDistance = 1e300;
    for (int n = 0; n <= 100000; ++n) {
      const double t = n / 100000.0, v = 1 - t;
      const double x = 3 * v * v * t * 300 + 3 * v * t * t * 100 + t * t * t * 100;
      const double y = 3 * v * t * t * 80 + t * t * t * 100;
      const double distance = std::hypot(x - at[0], y - at[1]);
      if (distance < bestDistance) bestDistance = distance, best = t;
    }
    EXPECT_LT(bestDistance, 0.01);
    EXPECT_NEAR(PolylineLength(p0, p1, p2, p3, best), whole * frame / 10, 0.01);
  }
}

TEST(Lottie, FramesRoundHalvesUpAndNeverRepeat) {
  const auto outlineKeys = [](const std::string& times) {
    std::string keys;
    for (std::size_t start = 0; start < times.size();) {
      const std::size_t comma = times.find(',', start);
      const std::string t = times.substr(start, comma - start);
      keys += std::string(keys.empty() ? "" : ",") + R"({"t":)" + t +
              R"(,"s":[{"c":true,"v":[[1,1]],"i":[[0,0]],"o":[[0,0]]}]})";
      start = comma == std::string::npos ? times.size() : comma + 1;
    }
    return R"({"a":1,"k":[)" + keys + "]}";
  };
  const struct {
    const char* what;
    std::string file;
    bool everyFrame;
    std::vector<int32_t> frames;
  } cases[] = {
      {"keys on their own frames", File("", "", outlineKeys("0,12,30")), false, {0, 12, 30}},
      {"halves up, fractions to the nearest",
       File("", "", outlineKeys("-0.5,2.5,7.4")),
       false,
       {0, 3, 7}},
      {"a key on the previous key's frame goes to the next",
       File("", "", outlineKeys("0,0.4,0.6,1")),
       false,
       {0, 1, 2, 3}},
      {"a static outline on the first frame", File(""), false, {0}},
      {"every frame of the outline's keys", File("", "", outlineKeys("2,5")), true, {2, 3, 4, 5}},
      {"every frame a parent moves over",
       File("", R"(,"parent":2)", R"({"a":0,"k":{"c":true,"v":[[0,0]],"i":[[0,0]],"o":[[0,0]]}})",
            R"({"ind":2,"ks":{"r":{"a":1,"k":[{"t":1,"s":[0]},{"t":3,"s":[90]}]}}},)"),
       true,
       {1, 2, 3}},
      {"nothing moves: one entry", File(""), true, {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    lottie::ConversionOptions options;
    options.everyFrame = c.everyFrame;
    const Converted converted = Convert(c.file, options);
    ASSERT_EQ(converted.report.tools.size(), 1u);
    EXPECT_EQ(converted.report.tools[0].frames, c.frames);
    for (std::size_t j = 0; j < c.frames.size(); ++j) {
      const std::string head = "[" + std::to_string(c.frames[j]) + "] = { " + std::to_string(j);
      EXPECT_NE(converted.text.find(head), std::string::npos) << head;
    }
  }
}

TEST(Lottie, ModesAndInversionAreCarriedWhereFusionHasThem) {
  const struct {
    std::string mask;
    const char* written;  // in the tool's inputs, or nothing
    const char* notCarried;
  } cases[] = {
      {R"("mode":"a")", nullptr, nullptr},
      {R"("mode":"s")", "PaintMode = Input { Value = FuID { \"Subtract\" }, },", nullptr},
      {R"("mode":"l")", "FuID { \"Maximum\" }", nullptr},
      {R"("mode":"d")", "FuID { \"Minimum\" }", nullptr},
      {R"("mode":"n")", "FuID { \"None\" }", nullptr},
      {R"("mode":"i")", "FuID { \"Multiply\" }", nullptr},
      {R"("mode":"f")", nullptr, "the difference mode"},
      {R"("mode":"a","inv":true)", "\t\t\t\tInvert = Input { Value = 1, },\r\n", nullptr},
      {R"("mode":"a","o":{"a":0,"k":50})", nullptr, "an opacity below 100"},
      {R"("mode":"a","x":{"a":0,"k":4})", nullptr, "an expansion other than 0"},
      {R"("mode":"a","nm":"expression")", nullptr, "an expression on the outline"},
      {R"("mode":"a","nm":"open")", nullptr, "an open path (written closed)"},
  };
  const std::string plain = Convert(File("")).text;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask);
    const bool expression = c.mask.find("expression") != std::string::npos;
    const bool open = c.mask.find("open") != std::string::npos;
    std::string file =
        File("", "",
             std::string(R"j({"a":0,)j") + (expression ? R"j("x":"wiggle(1,2)",)j" : "") +
                 R"j("k":{"c":)j" + (open ? "false" : "true") +
                 R"j(,"v":[[10,0]],"i":[[0,0]],"o":[[0,0]]}})j");
    const std::string mode = R"("mode":"a")";
    file.replace(file.find(mode), mode.size(), c.mask);
    const Converted converted = Convert(file);
    if (c.written) {
      EXPECT_NE(converted.text.find(c.written), std::string::npos);
      // Right after the clipping mode, at four tabs.
      const std::string input =
          std::string(c.written).find("Invert") != std::string::npos ? "Invert" : "PaintMode";
      EXPECT_NE(converted.text.find("ClippingMode = Input { Value = FuID { \"None\" }, },\r\n" +
                                    std::string("\t\t\t\t") + input),
                std::string::npos);
    } else if (!c.notCarried) {
      EXPECT_EQ(converted.text, plain);
    }
    std::string notes;
    for (const std::string& line : converted.report.notCarried) notes += line + "\n";
    if (c.notCarried) {
      EXPECT_NE(notes.find(c.notCarried), std::string::npos) << notes;
    }
  }
}

TEST(Lottie, TheTextIsTheModulesOnTheSameGeometry) {
  const std::string lottieText =
      Convert(tests::ReadFile(tests::SourcePath("tests/lottie/equivalent.json"))).text;
  const tests::Played played =
      tests::Play(tests::ReadFile(tests::SourcePath("tests/lottie/equivalent.scene.json")));
  ASSERT_TRUE(played.result.clipboard);
  EXPECT_EQ(lottieText, *played.result.clipboard);
}

TEST(Lottie, FilesThatCannotBeUsedSayWhereAndWhy) {
  const std::string mask = R"({"a":0,"k":{"c":true,"v":[[0,0]],"i":[[0,0]],"o":[[0,0]]}})";
  const struct {
    const char* what;
    std::string json;
    const char* said;
  } cases[] = {
      {"not JSON", "{\n \"fr\": 25,\n x }", "test.json: line 3, column 2: not JSON"},
      {"truncated", R"({"fr":25,"layers":[)", "test.json: line 1, column 20: not JSON"},
      {"not a Lottie file", R"({"items":[]})", "not a Lottie file"},
      {"a number beyond a double", R"({"fr":1e999})",
       "fr: the number 1e999 is beyond what a double holds"},
      {"a duplicate key", R"({"fr":25,"fr":30})", "duplicate key \"fr\""},
      {"no size", R"({"fr":25,"layers":[]})", "w: the size must be a whole number"},
      {"a size of 0", R"({"fr":25,"w":0,"h":10,"layers":[]})", "w: the size"},
      {"a fractional size", R"({"fr":25,"w":10.5,"h":10,"layers":[]})", "w: the size"},
      {"a size past 32 bits", R"({"fr":25,"w":10,"h":2147483648,"layers":[]})", "h: the size"},
      {"a missing parent", File("", R"(,"parent":9)"), "layers[0]: its parent 9 is no layer"},
      {"parents in a loop", File("", R"(,"parent":2)", mask, R"({"ind":2,"parent":1,"ks":{}},)"),
       "its parents form a loop"},
      {"a vertex count that changes",
       File(
           "", "",
           R"({"a":1,"k":[{"t":0,"s":[{"v":[[0,0]],"i":[[0,0]],"o":[[0,0]]}]},{"t":5,"s":[{"v":[[0,0],[1,1]],"i":[[0,0],[0,0]],"o":[[0,0],[0,0]]}]}]})"),
       "k[1]: the vertex count changes between keys (1, then 2)"},
      {"a point that is not a pair",
       File("", "", R"({"a":0,"k":{"v":[[0]],"i":[[0,0]],"o":[[0,0]]}})"),
       "pt.k.v: a point that is not [x, y]"},
      {"a key beyond 32-bit frames",
       File("", "", R"({"a":1,"k":[{"t":3e9,"s":[{"v":[[0,0]],"i":[[0,0]],"o":[[0,0]]}]}]})"),
       "beyond the frames the text can key"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      Convert(c.json);
      ADD_FAILURE() << "accepted";
    } catch (const lottie::LottieError& error) {
      const std::string message = error.what();
      EXPECT_NE(message.find(c.said), std::string::npos) << message;
      EXPECT_EQ(message.rfind("test.json: ", 0), 0u) << message;
      EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
  }
}

TEST(Lottie, CompositionsAreChosenByIdThenName) {
  const std::string precomp =
      R"({"id":"comp_0","nm":"Inner","w":64,"h":32,"layers":[{"ind":1,"ks":{},"masksProperties":[{"pt":)"
      R"({"a":0,"k":{"c":true,"v":[[0,0]],"i":[[0,0]],"o":[[0,0]]}}}]}]})";
  const std::string file = R"({"fr":30,"w":100,"h":100,"nm":"Main","layers":[],"assets":[)" +
                           precomp + R"(,{"id":"image_0","p":"x.png"}]})";
  for (const char* name : {"comp_0", "Inner"}) {
    lottie::ConversionOptions options;
    options.composition = name;
    const Converted converted = Convert(file, options);
    EXPECT_EQ(converted.report.composition.id, "comp_0");
    EXPECT_EQ(converted.report.composition.width, 64);
    EXPECT_EQ(converted.report.tools.size(), 1u);
  }
  try {
    Convert(file);
    ADD_FAILURE() << "the main composition has no mask";
  } catch (const lottie::NoMasksError& error) {
    EXPECT_NE(std::string(error.what()).find("comp_0 \"Inner\" (1 mask)"), std::string::npos)
        << error.what();
  }
  lottie::ConversionOptions nothing;
  nothing.composition = "comp_9";
  EXPECT_THROW(Convert(file, nothing), lottie::LottieError);
}

}  // namespace
}  // namespace tarnwick
