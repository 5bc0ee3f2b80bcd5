// Turns a mask vertex in layer space into the six normalised numbers of one
// point line: origin at the frame's centre, y up, one unit per frame size.
#ifndef TARNWICK_EXPORT_VERTEX_CONVERSION_H
#define TARNWICK_EXPORT_VERTEX_CONVERSION_H

#include "host/HostInterface.h"

namespace tarnwick {

struct Vector4 {
  double x;
  double y;
  double z;
  double w;
};

struct Point2 {
  double x;
  double y;
};

struct NormalisedPoint {
  double X;
  double Y;
  double LX;
  double LY;
  double RX;
  double RY;
};

// out = v x m, divided through by the fourth component when it is not zero.
// out may alias v. Always returns 0.
HostError TransformRowVector(const Vector4& v, const Matrix4& m, Vector4& out);

NormalisedPoint ConvertVertex(const PathVertex& vertex, Point2 anchor, Point2 position,
                              const Matrix4& m, double W, double H);

}  // namespace tarnwick

#endif
