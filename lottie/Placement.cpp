#include "lottie/Placement.h"

#include <cmath>

namespace tarnwick::lottie {

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

double At(const std::vector<double>& values, std::size_t index, double fallback) {
  return index < values.size() ? values[index] : fallback;
}

Matrix4 Translation(double x, double y, double z) {
  Matrix4 m = Identity();
  m.m[3][0] = x;
  m.m[3][1] = y;
  m.m[3][2] = z;
  return m;
}

Matrix4 Scaling(double x, double y, double z) {
  Matrix4 m = Identity();
  m.m[0][0] = x;
  m.m[1][1] = y;
  m.m[2][2] = z;
  return m;
}

// A turn by `degrees` in the plane of axes a and b, as the player's rotate
// functions build it: rows (cos, -sin) and (sin, cos) on those axes. About z
// it is the player's rotate(degrees): a layer's rotation r is a turn by -r,
// clockwise on screen with y pointing down.
Matrix4 Turn(int a, int b, double degrees) {
  const double c = std::cos(degrees * kRadiansPerDegree);
  const double s = std::sin(degrees * kRadiansPerDegree);
  Matrix4 m = Identity();
  m.m[a][a] = c;
  m.m[a][b] = -s;
  m.m[b][a] = s;
  m.m[b][b] = c;
  return m;
}

Matrix4 RotationZ(double degrees) {
  return Turn(0, 1, degrees);
}

Matrix4 RotationX(double degrees) {
  return Turn(1, 2, degrees);
}

Matrix4 RotationY(double degrees) {
  return Turn(2, 0, degrees);
}

// Skew by `skew` degrees along the axis at `axis` degrees: turn the axis onto
// x, shear x by tan(-skew), turn back.
Matrix4 Skewing(double skew, double axis) {
  Matrix4 shear = Identity();
  shear.m[1][0] = std::tan(-skew * kRadiansPerDegree);
  return Multiply(Multiply(RotationZ(-axis), shear), RotationZ(axis));
}

// The direction the position path heads at the frame, in degrees: from just
// before the frame (just after the first key, at or before it; just before
// the last key, at or after it).
double HeadingAt(const Layer& layer, double frame) {
  const Transform& t = layer.transform;
  double first = 0;
  double last = 0;
  bool keyed = false;
  for (const Property* property : {&t.position, &t.positionX, &t.positionY}) {
    if (property->keys().size() < 2) continue;
    const double start = property->keys().front().time;
    const double end = property->keys().back().time;
    first = keyed ? std::min(first, start) : start;
    last = keyed ? std::max(last, end) : end;
    keyed = true;
  }
  if (!keyed) return 0.0;
  double ahead = frame;
  double behind = frame - 0.01;
  if (frame <= first) {
    ahead = first + 0.01;
    behind = first;
  } else if (frame >= last) {
    ahead = last;
    behind = last - 0.05;
  }
  const std::array<double, 3> a = PositionAt(t, ahead);
  const std::array<double, 3> b = PositionAt(t, behind);
  return std::atan2(a[1] - b[1], a[0] - b[0]) / kRadiansPerDegree;
}

}  // namespace

Matrix4 Identity() {
  Matrix4 m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0;
  return m;
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 product{};
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      product.m[row][column] = ((a.m[row][0] * b.m[0][column] + a.m[row][1] * b.m[1][column]) +
                                a.m[row][2] * b.m[2][column]) +
                               a.m[row][3] * b.m[3][column];
    }
  }
  return product;
}

std::array<double, 3> PositionAt(const Transform& t, double frame) {
  if (t.splitPosition) {
    return {At(t.positionX.At(frame), 0, 0), At(t.positionY.At(frame), 0, 0),
            At(t.positionZ.At(frame), 0, 0)};
  }
  const std::vector<double> p = t.position.At(frame);
  return {At(p, 0, 0), At(p, 1, 0), At(p, 2, 0)};
}

Matrix4 LayerMatrix(const Layer& layer, double frame) {
  const Transform& t = layer.transform;
  const std::vector<double> anchor = t.anchor.At(frame);
  const std::vector<double> scale = t.scale.At(frame);
  Matrix4 m = Translation(-At(anchor, 0, 0), -At(anchor, 1, 0), At(anchor, 2, 0));
  m = Multiply(
      m, Scaling(At(scale, 0, 100) / 100.0, At(scale, 1, 100) / 100.0, At(scale, 2, 100) / 100.0));
  const double skew = At(t.skew.At(frame), 0, 0);
  if (skew != 0.0) m = Multiply(m, Skewing(skew, At(t.skewAxis.At(frame), 0, 0)));
  if (layer.threeD) {
    const std::vector<double> orientation = t.orientation.At(frame);
    // A 3D layer turns about z by "rz"; a file that gives "r" instead means the same.
    const double z = At(t.rotationZ.At(frame), 0, 0) + At(t.rotation.At(frame), 0, 0);
    m = Multiply(m, RotationZ(-z));
    m = Multiply(m, RotationY(At(t.rotationY.At(frame), 0, 0)));
    m = Multiply(m, RotationX(At(t.rotationX.At(frame), 0, 0)));
    m = Multiply(m, RotationZ(-At(orientation, 2, 0)));
    m = Multiply(m, RotationY(At(orientation, 1, 0)));
    m = Multiply(m, RotationX(At(orientation, 0, 0)));
  } else {
    m = Multiply(m, RotationZ(-At(t.rotation.At(frame), 0, 0)));
  }
  if (layer.autoOrient) m = Multiply(m, RotationZ(-HeadingAt(layer, frame)));
  const std::array<double, 3> position = PositionAt(t, frame);
  return Multiply(m, Translation(position[0], position[1], -position[2]));
}

std::vector<const Layer*> Chain(const Composition& comp, const Layer& layer) {
  std::vector<const Layer*> chain{&layer};
  // The parents were checked when the file was read: each is there, and no
  // chain loops.
  while (chain.back()->parent && chain.size() <= comp.layers.size()) {
    const double parent = *chain.back()->parent;
    const Layer* found = nullptr;
    for (const Layer& candidate : comp.layers) {
      if (candidate.hasInd && candidate.ind == parent) {
        found = &candidate;
        break;
      }
    }
    if (found == nullptr) break;
    chain.push_back(found);
  }
  return chain;
}

Matrix4 ChainMatrix(const Composition& comp, const Layer& layer, double frame) {
  Matrix4 m = Identity();
  for (const Layer* link : Chain(comp, layer)) m = Multiply(m, LayerMatrix(*link, frame));
  return m;
}

}  // namespace tarnwick::lottie
