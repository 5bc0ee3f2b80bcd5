#include "export/VertexConversion.h"

namespace tarnwick {

namespace {

// Each pair of parentheses is one rounded operation; the build forbids
// contraction into fused multiply-adds, so the order below is the result.
double Column(const Vector4& v, const Matrix4& m, int j) {
  return ((v.x * m.m[0][j] + v.y * m.m[1][j]) + v.z * m.m[2][j]) + v.w * m.m[3][j];
}

Vector4 RowTimesMatrix(const Vector4& v, const Matrix4& m) {
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
  return Vector4{c0, c1, c2, c3};
}

Vector4 Transformed(double x, double y, Point2 anchor, const Matrix4& m) {
  return RowTimesMatrix(Vector4{x - anchor.x, y - anchor.y, 0.0, 0.0}, m);
}

double NormalisedX(double x, Point2 position, double halfW, double W) {
  return ((x + position.x) - halfW) / W;
}

// The sign flips by multiplying the quotient, so the vertical centre gives -0.
double NormalisedY(double y, Point2 position, double halfH, double H) {
  return (((y + position.y) - halfH) / H) * -1.0;
}

}  // namespace

HostError TransformRowVector(const Vector4& v, const Matrix4& m, Vector4& out) {
  out = RowTimesMatrix(v, m);
  return 0;
}

NormalisedPoint ConvertVertex(const PathVertex& vertex, Point2 anchor, Point2 position,
                              const Matrix4& m, double W, double H) {
  const Vector4 t = Transformed(vertex.x, vertex.y, anchor, m);
  const Vector4 tIn = Transformed(vertex.in_x, vertex.in_y, anchor, m);
  const Vector4 tOut = Transformed(vertex.out_x, vertex.out_y, anchor, m);
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

}  // namespace tarnwick
