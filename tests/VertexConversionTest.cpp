#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "export/VertexConversion.h"

namespace tarnwick {
namespace {

Matrix4 Identity() {
  Matrix4 m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0;
  return m;
}

// Bitwise equality, so +0 and -0 and every NaN are told apart.
bool Same(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

struct ConversionCase {
  const char* name;
  PathVertex vertex;
  Point2 anchor;
  Point2 position;
  Matrix4 m;
  NormalisedPoint expected;
};

Matrix4 WithTranslation(Matrix4 m, double x, double y) {
  m.m[3][0] = x;
  m.m[3][1] = y;
  return m;
}

TEST(ConvertVertex, EdgeCasesBitForBit) {
  const Matrix4 identity = Identity();
  Matrix4 scaled = WithTranslation(Identity(), 123, 456);
  scaled.m[0][0] = 2;
  scaled.m[1][1] = 2;
  Matrix4 rotation{};
  rotation.m[0][1] = 1;
  rotation.m[1][0] = -1;
  rotation.m[2][2] = 1;
  rotation.m[3][3] = 1;
  const Point2 centre{100, 50};
  // Handles are differences of doubles, written as the doubles they are:
  // -0.09999999999999998, not the double nearest to -0.1.
  const ConversionCase cases[] = {
      {"frame centre gives -0 for Y",
       {100, 50, 100, 50, 100, 50},
       centre,
       centre,
       identity,
       {0.0, -0.0, 0.0, 0.0, 0.0, 0.0}},
      {"top left corner",
       {0, 0, 0, 0, 0, 0},
       centre,
       centre,
       identity,
       {-0.5, 0.5, 0.0, 0.0, 0.0, 0.0}},
      {"bottom right corner",
       {200, 100, 200, 100, 200, 100},
       centre,
       centre,
       identity,
       {0.5, -0.5, 0.0, 0.0, 0.0, 0.0}},
      {"handles in double arithmetic",
       {200, 0, 180, 0, 200, 20},
       centre,
       centre,
       identity,
       {0.5, 0.5, -0.09999999999999998, 0.0, 0.0, -0.2}},
      // A matrix that does not carry the anchor point onto the position holds
      // a parent: every point goes through the whole matrix, nothing added.
      {"translation the anchor point does not meet",
       {200, 0, 180, 0, 200, 20},
       centre,
       centre,
       WithTranslation(identity, 100, 50),
       {1.0, -0.0, -0.09999999999999998, 0.0, 0.0, -0.2}},
      {"scale with a translation of its own",
       {10, 20, 10, 20, 10, 20},
       {0, 0},
       {10, 5},
       scaled,
       {0.215, -4.46, 0.0, 0.0, 0.0, 0.0}},
      {"quarter turn about the origin",
       {20, 10, 10, 10, 30, 10},
       {10, 10},
       centre,
       rotation,
       {-0.55, 0.3, 0.0, 0.10000000000000003, 0.0, -0.09999999999999998}},
      // The boundary between the two ways: the anchor point carried within
      // 1e-6 of the position, just beyond it, and not at all (NaN).
      {"anchor point carried 1e-6 from the position",
       {100, 50, 100, 50, 100, 50},
       {0, 0},
       {0, 0},
       WithTranslation(identity, 1e-6, 0),
       {0.0, -0.0, 0.0, 0.0, 0.0, 0.0}},
      {"anchor point carried 2e-6 from the position",
       {100, 50, 100, 50, 100, 50},
       {0, 0},
       {0, 0},
       WithTranslation(identity, 2e-6, 0),
       {((100 + 2e-6) - 100) / 200, -0.0, 0.0, 0.0, 0.0, 0.0}},
      {"anchor point carried onto the position in x, not in y",
       {100, 50, 100, 50, 100, 50},
       {0, 0},
       {0, 0},
       WithTranslation(identity, 0, 2e-6),
       {0.0, -(((50 + 2e-6) - 50) / 100), 0.0, 0.0, 0.0, 0.0}},
      {"NaN anchor point",
       {100, 50, 100, 50, 100, 50},
       {std::numeric_limits<double>::quiet_NaN(), 0},
       {0, 0},
       identity,
       {0.0, -0.0, 0.0, 0.0, 0.0, 0.0}},
  };
  for (const ConversionCase& c : cases) {
    const NormalisedPoint p = ConvertVertex(c.vertex, c.anchor, c.position, c.m, 200, 100);
    const double got[] = {p.X, p.Y, p.LX, p.LY, p.RX, p.RY};
    const double want[] = {c.expected.X,  c.expected.Y,  c.expected.LX,
                           c.expected.LY, c.expected.RX, c.expected.RY};
    for (int i = 0; i < 6; ++i) {
      EXPECT_TRUE(Same(got[i], want[i]))
          << c.name << " component " << i << ": " << got[i] << " != " << want[i];
    }
  }
}

TEST(TransformRowVector, PerspectiveDivision) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Matrix4 divide = Identity();
  divide.m[0][3] = 1;
  Matrix4 negativeZeroW = Identity();
  negativeZeroW.m[0][3] = -1;
  const struct {
    const char* name;
    Vector4 v;
    Matrix4 m;
    Vector4 expected;
  } cases[] = {
      {"w = 2 divides through", {2, 4, 0, 0}, divide, {1, 2, 0, 1}},
      {"w = -0 is not divided", {0, -4, -0.0, -0.0}, negativeZeroW, {0, -4, 0, -0.0}},
      {"w = +0 is not divided", {0, 4, 0, 0}, Identity(), {0, 4, 0, 0}},
      {"NaN w counts as non-zero", {nan, 1, 0, 0}, divide, {nan, nan, nan, 1}},
  };
  for (const auto& c : cases) {
    Vector4 out{};
    EXPECT_EQ(TransformRowVector(c.v, c.m, out), 0);
    EXPECT_TRUE(Same(out.x, c.expected.x) || (std::isnan(out.x) && std::isnan(c.expected.x)))
        << c.name;
    EXPECT_TRUE(Same(out.y, c.expected.y) || (std::isnan(out.y) && std::isnan(c.expected.y)))
        << c.name;
    EXPECT_TRUE(Same(out.w, c.expected.w)) << c.name;
  }
  // The output may be the input itself.
  Vector4 v{2, 4, 0, 0};
  TransformRowVector(v, divide, v);
  EXPECT_EQ(v.x, 1);
  EXPECT_EQ(v.w, 1);
}

}  // namespace
}  // namespace tarnwick
