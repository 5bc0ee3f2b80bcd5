#include "export/VertexConversion.h"

#include <cmath>

namespace tarnwick {

namespace {

// Each pair of parentheses is one rounded operation; the build forbids
// contraction into fused multiply-adds, so the order below is the result.
double Column(const Vector4& v, const Matrix4& m, int j) {
  return ((v.x * m.m[0][j] + v.y * m.m[1][j]) + v.z * m.m[2][j]) + v.w * m.m[3][j];
}

}  // namespace

HostError TransformRowVector(const Vector4& v, const Matrix4& m, Vector4& out) {
  double c0 = Column(v, m, 0);
  double c1 = Column(v, m, 1);
  double c2 = Column(v, m, 2);
  double c3 = Column(v, m, 3);
  if (c3 != 0.0) {  // true for NaN, false for both zeros
    const double r = 1.0 / c3;
    c0 = c0 * r;
    c1 = c1 * r;
    c2 = c2 * r;
    c3 = 1.0;
  }
  out = Vector4{c0, c1, c2, c3};  // v is read whole before out is written
  return 0;
}

namespace {

Vector4 Transformed(double x, double y, Point2 anchor, const Matrix4& m) {
  Vector4 out;
  TransformRowVector(Vector4{x - anchor.x, y - anchor.y, 0.0, 0.0}, m, out);
  return out;
}

// A point carried through the whole matrix: translation row and division by
// the fourth component included.
Vector4 PlacedPoint(double x, double y, const Matrix4& m) {
  Vector4 out;
  TransformRowVector(Vector4{x, y, 0.0, 1.0}, m, out);
  return out;
}

double NormalisedX(double x, Point2 position, double halfW, double W) {
  return ((x + position.x) - halfW) / W;
}

// The sign flips by multiplying the quotient, so the vertical centre gives -0.
double NormalisedY(double y, Point2 position, double halfH, double H) {
  return (((y + position.y) - halfH) / H) * -1.0;
}

// How close the matrix must carry the anchor point to the position for it to
// be the layer's own transform.
constexpr double kOwnTransformTolerance = 1e-6;

bool Within(double a, double b) {
  return std::fabs(a - b) <= kOwnTransformTolerance;  // false for NaN
}

// A layer's own transform maps its anchor point onto its position. A parent
// moves the layer further, and then the position (which lies in the parent's
// space) says nothing about where the layer lands.
bool IsOwnTransform(Point2 anchor, Point2 position, const Matrix4& m) {
  const Vector4 carried = PlacedPoint(anchor.x, anchor.y, m);
  return Within(carried.x, position.x) && Within(carried.y, position.y);
}

// The six numbers from the three transformed points and what is added to
// them, the handles made relative to the vertex.
NormalisedPoint Normalised(const Vector4& t, const Vector4& tIn, const Vector4& tOut,
                           Point2 position, double W, double H) {
  const double halfW = W / 2.0;
  const double halfH = H / 2.0;
  NormalisedPoint point{};
  point.X = NormalisedX(t.x, position, halfW, W);
  point.Y = NormalisedY(t.y, position, halfH, H);
  point.LX = NormalisedX(tIn.x, position, halfW, W) - point.X;
  point.LY = NormalisedY(tIn.y, position, halfH, H) - point.Y;
  point.RX = NormalisedX(tOut.x, position, halfW, W) - point.X;
  point.RY = NormalisedY(tOut.y, position, halfH, H) - point.Y;
  return point;
}

}  // namespace

NormalisedPoint ConvertVertex(const PathVertex& vertex, Point2 anchor, Point2 position,
                              const Matrix4& m, double W, double H) {
  if (IsOwnTransform(anchor, position, m)) {
    // The matrix's linear part turns the offset from the anchor point; the
    // position is added untransformed.
    return Normalised(Transformed(vertex.x, vertex.y, anchor, m),
                      Transformed(vertex.in_x, vertex.in_y, anchor, m),
                      Transformed(vertex.out_x, vertex.out_y, anchor, m), position, W, H);
  }
  // The matrix holds the whole chain of parents: every point goes through all
  // of it and nothing is added. Adding (+0, +0) changes no bit of a result:
  // it only turns -0 into +0, and W / 2 is never zero, so the subtraction
  // that follows gives the same either way.
  return Normalised(PlacedPoint(vertex.x, vertex.y, m), PlacedPoint(vertex.in_x, vertex.in_y, m),
                    PlacedPoint(vertex.out_x, vertex.out_y, m), Point2{0.0, 0.0}, W, H);
}

}  // namespace tarnwick
