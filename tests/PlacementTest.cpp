// Masks land where the host draws them: every point of the text, mapped back
// to pixels, against the same point carried up the layer's chain of parents
// step by step (anchor point, scale, rotation, position), without matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "sim/scene/Scene.h"
#include "sim/settings/SettingsReader.h"
#include "tests/SimSupport.h"
#include "tests/TestSupport.h"

namespace tarnwick {
namespace {

struct Pixel {
  double x, y;
};

constexpr double kPi = 3.14159265358979323846;
// The text carries six decimals: at 800 pixels a number is within 0.0004 px,
// a handle (the vertex plus its offset) within 0.0008 px.
constexpr double kTolerancePx = 1e-3;

// Where the host draws a point of a layer's space at a time.
Pixel PlacedStepByStep(const std::vector<sim::Layer>& layers, std::size_t layer,
                       const HostTime& time, Pixel p) {
  for (std::optional<std::size_t> at = layer; at; at = layers[*at].parent) {
    const sim::Layer& l = layers[*at];
    const sim::Point anchor = sim::ValueAt(l.anchorPoint, time);
    const sim::Point scale = sim::ValueAt(l.scale, time);
    const sim::Point position = sim::ValueAt(l.position, time);
    const double turn = sim::ValueAt(l.rotation, time) * kPi / 180;
    const double x = (p.x - anchor.x) * scale.x / 100;
    const double y = (p.y - anchor.y) * scale.y / 100;
    p = {x * std::cos(turn) - y * std::sin(turn) + position.x,
         x * std::sin(turn) + y * std::cos(turn) + position.y};
  }
  return p;
}

// The text's normalised numbers back in the composition's pixels.
Pixel ToPixels(double x, double y, double width, double height) {
  return {(x + 0.5) * width, (0.5 - y) * height};
}

void ExpectNear(Pixel got, Pixel want, const std::string& what) {
  EXPECT_NEAR(got.x, want.x, kTolerancePx) << what;
  EXPECT_NEAR(got.y, want.y, kTolerancePx) << what;
}

// Plays the scene and checks every point of every selected mask's keyframes.
void ExpectPlacedAsTheChainSays(const std::string& sceneJson, const std::string& name) {
  const sim::Scene scene = sim::LoadScene(sceneJson, name);
  const tests::Played played = tests::Play(sceneJson);
  ASSERT_EQ(played.result.commandResult, 0) << name;
  const sim::Settings settings = sim::ReadSettings(played.clipboard());
  const sim::Item& comp = scene.items.at(*scene.activeItem);
  const double w = comp.width;
  const double h = comp.height;
  std::size_t polyline = 0;
  for (const sim::SelectionEntry& entry : *comp.selection) {
    if (entry.kind != kCollectionItemMask) continue;
    const sim::Mask& mask = comp.layers[entry.layer].masks[entry.mask];
    ASSERT_LT(polyline, settings.polylines.size()) << name;
    const sim::SettingsPolyline& written = settings.polylines[polyline++];
    ASSERT_EQ(written.keyframes.size(), mask.keyframes.size()) << name;
    for (std::size_t j = 0; j < mask.keyframes.size(); ++j) {
      const sim::MaskKeyframe& key = mask.keyframes[j];
      ASSERT_EQ(written.keyframes[j].points.size(), key.vertices.size()) << name;
      for (std::size_t k = 0; k < key.vertices.size(); ++k) {
        const PathVertex& v = key.vertices[k];
        const sim::SettingsPoint& p = written.keyframes[j].points[k];
        const auto place = [&](double x, double y) {
          return PlacedStepByStep(comp.layers, static_cast<std::size_t>(entry.layer), key.time,
                                  {x, y});
        };
        const std::string what =
            name + ", keyframe " + std::to_string(j) + ", vertex " + std::to_string(k);
        ExpectNear(ToPixels(p.x, p.y, w, h), place(v.x, v.y), what);
        ExpectNear(ToPixels(p.x + p.lx, p.y + p.ly, w, h), place(v.in_x, v.in_y), what + " in");
        ExpectNear(ToPixels(p.x + p.rx, p.y + p.ry, w, h), place(v.out_x, v.out_y), what + " out");
      }
    }
  }
}

std::string Scene(const std::string& layers, const std::string& selection) {
  return R"({ "active_item": 0, "items": [ { "type": "composition", "width": 800, "height": 600,
    "layers": )" +
         layers + R"(, "selection": )" + selection + " } ] }";
}

const char kMask[] = R"("masks": [ { "keyframes": [
    { "time": 0, "vertices": [ [0, 0, -12, 7, 12, -7], [90, 10, 80, -5, 100, 25] ] },
    { "time": 500, "vertices": [ [3, 4, -9, 11, 15, -3], [95, 12, 85, -3, 105, 27] ] },
    { "time": 1000, "vertices": [ [6, 8, -6, 15, 18, 1], [99, 15, 89, 0, 109, 30] ] } ] } ])";

TEST(Placement, EveryPointLandsWhereItsChainPutsIt) {
  const std::string masked = kMask;
  const struct {
    const char* name;
    std::string layers;
    std::string selection;
  } cases[] = {
      {"no parent, turned and scaled",
       R"([ { "anchor_point": [40, 20], "position": [400, 300], "rotation": 30,
              "scale": [150, 80], )" +
           masked + " } ]",
       R"([ { "layer": 0, "mask": 0 } ])"},
      {"one level: a turned null",
       R"([ { "anchor_point": [10, 5], "position": [60, -40], "parent": 1, )" + masked +
           R"( }, { "anchor_point": [20, 20], "position": [300, 200], "rotation": 45 } ])",
       R"([ { "layer": 0, "mask": 0 } ])"},
      {"two levels: scaled under turned",
       R"([ { "position": [50, 0], "rotation": -10, "parent": 1, )" + masked +
           R"( }, { "position": [100, 50], "scale": [50, 200], "parent": 2 },
              { "anchor_point": [30, 30], "position": [400, 300], "rotation": 90 } ])",
       R"([ { "layer": 0, "mask": 0 } ])"},
      {"an animated parent",
       R"([ { "anchor_point": [5, 5], "position": [20, 30], "parent": 1, )" + masked + R"( },
            { "position": [ { "time": 0, "value": [200, 200] }, { "time": 1000, "value": [500, 250] } ],
              "rotation": [ { "time": 0, "value": 0 }, { "time": 500, "value": 60 },
                            { "time": 1000, "value": 135 } ],
              "scale": [ { "time": 0, "value": [100, 100] }, { "time": 1000, "value": [60, 60] } ] } ])",
       R"([ { "layer": 0, "mask": 0 } ])"},
      {"a parent listed after its child, and a child of the same parent",
       R"([ { "anchor_point": [0, 0], "position": [10, 10], "parent": 2 },
            { "position": [-30, 40], "rotation": 200, "parent": 2, )" +
           masked + R"( },
            { "anchor_point": [100, 100], "position": [400, 300], "rotation": -75,
              "scale": [120, 120] } ])",
       R"([ { "layer": 1, "mask": 0 } ])"},
  };
  for (const auto& c : cases) {
    ExpectPlacedAsTheChainSays(Scene(c.layers, c.selection), c.name);
  }
  // The example's recorded text is what the real module gives under Wine.
  ExpectPlacedAsTheChainSays(tests::ReadFile(tests::SourcePath("examples/parented-rig.json")),
                             "examples/parented-rig.json");
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// A layer without a parent is placed by its own transform: the offset from
// its anchor point turned and scaled, then its position added. Carrying the
// point through the whole matrix instead rounds differently, and where the
// point lies far from the anchor point (2.7e12 px here, in a frame of 4 x 4)
// the two differ in the printed digits: the text pins the way taken.
TEST(Placement, AnUnparentedLayerTakesItsOwnTransform) {
  const tests::Played played = tests::Play(R"({ "active_item": 0, "items": [ {
    "type": "composition", "width": 4, "height": 4,
    "layers": [ { "anchor_point": [33.19, 14.53], "position": [2.04, 3.99], "rotation": 30,
      "masks": [ { "vertices": [ [2738791035806.25, 3, 2738791035806.25, 3, 2738791035806.25, 3] ] } ] } ],
    "selection": [ { "layer": 0, "mask": 0 } ] } ] })");
  // Through the whole matrix: X= 592965653160.592529.
  EXPECT_NE(played.clipboard().find("{ X= 592965653160.592651, Y= -342348879469.633606,"),
            std::string::npos)
      << played.clipboard();
}

}  // namespace
}  // namespace tarnwick
