#include "sim/host/LayerTransform.h"

#include <cmath>

namespace tarnwick::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The sine and cosine of an angle in degrees. Whole quarter turns are exact,
// so a layer turned by 90 degrees lands on whole pixels as in the host.
void SinCosDegrees(double degrees, double& sine, double& cosine) {
  const double turn = std::fmod(degrees, 360.0);  // exact
  const double quarters = turn / 90.0;
  if (quarters == std::floor(quarters)) {
    static constexpr double kSine[] = {0, 1, 0, -1};
    const int quarter = (static_cast<int>(quarters) % 4 + 4) % 4;
    sine = kSine[quarter];
    cosine = kSine[(quarter + 1) % 4];
    return;
  }
  const double radians = turn * (kPi / 180.0);
  sine = std::sin(radians);
  cosine = std::cos(radians);
}

}  // namespace

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 product{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      product.m[i][j] = ((a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j]) + a.m[i][2] * b.m[2][j]) +
                        a.m[i][3] * b.m[3][j];
    }
  }
  return product;
}

Matrix4 OwnTransform(const Layer& layer, const HostTime& time) {
  const Point& anchor = ValueAt(layer.anchorPoint, time);
  const Point& position = ValueAt(layer.position, time);
  const Point& scale = ValueAt(layer.scale, time);
  double sine = 0;
  double cosine = 1;
  SinCosDegrees(ValueAt(layer.rotation, time), sine, cosine);
  const double sx = scale.x / 100.0;
  const double sy = scale.y / 100.0;
  Matrix4 m{};
  m.m[0][0] = sx * cosine;
  m.m[0][1] = sx * sine;
  m.m[1][0] = -(sy * sine);
  m.m[1][1] = sy * cosine;
  m.m[2][2] = 1.0;
  m.m[3][0] = position.x - (anchor.x * m.m[0][0] + anchor.y * m.m[1][0]);
  m.m[3][1] = position.y - (anchor.x * m.m[0][1] + anchor.y * m.m[1][1]);
  m.m[3][3] = 1.0;
  return m;
}

Matrix4 LayerToWorld(const std::vector<Layer>& layers, std::size_t layer, const HostTime& time) {
  // The chain from the layer up to the first layer that has no parent or
  // whose matrix is given, multiplied from the top down:
  // M = own(layer) x (own(parent) x (... x M(top))).
  std::vector<std::size_t> chain{layer};
  while (!layers[chain.back()].toWorld && layers[chain.back()].parent) {
    chain.push_back(*layers[chain.back()].parent);
  }
  const Layer& top = layers[chain.back()];
  Matrix4 m = top.toWorld ? ValueAt(*top.toWorld, time) : OwnTransform(top, time);
  for (std::size_t i = chain.size() - 1; i-- > 0;) {
    m = Multiply(OwnTransform(layers[chain[i]], time), m);
  }
  return m;
}

}  // namespace tarnwick::sim
