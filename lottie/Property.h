// Animated values of a Lottie file, evaluated at a composition frame as a
// Lottie player does: each key eases to the next along the cubic Bezier
// through (0,0), o, i, (1,1), per dimension where o.x is an array; hold keys
// hold; spatial position keys move along their Bezier by arc length.
#ifndef TARNWICK_LOTTIE_PROPERTY_H
#define TARNWICK_LOTTIE_PROPERTY_H

#include <string>
#include <vector>

#include "lottie/Json.h"

namespace tarnwick::lottie {

// The Bezier easing curve's progress at time fraction t, x in [0, 1].
double Ease(double x1, double y1, double x2, double y2, double t);

// Length of the cubic Bezier p0 p1 p2 p3 (2 or 3 dimensions) from 0 to u.
double BezierLength(const double* p0, const double* p1, const double* p2, const double* p3,
                    int dimensions, double u);

struct Easing {
  std::vector<double> outX, outY, inX, inY;  // one per dimension, or one for all
  // Progress at fraction t for dimension d.
  double At(std::size_t d, double t) const;
};

struct Keyframe {
  double time = 0;
  std::vector<double> start;  // the value from this key on
  std::vector<double> end;    // the value reached at the next key
  Easing easing;
  bool hold = false;
  bool spatial = false;  // `to` and `ti` give the path to the next key
  std::vector<double> outTangent, inTangent;
};

// A number or a list of numbers, static or keyed.
class Property {
 public:
  Property() = default;
  explicit Property(std::vector<double> value) : value_(std::move(value)) {}
  // Reads {"a": 0|1, "k": ...}; `where` names it in refusals. `fallback` is
  // the value of a property the file leaves out.
  static Property Read(JsonValue json, const std::string& where, std::vector<double> fallback);

  std::vector<double> At(double frame) const;
  bool Animated() const { return keys_.size() > 1; }
  bool HasExpression() const { return expression_; }
  const std::vector<Keyframe>& keys() const { return keys_; }

 private:
  std::vector<double> value_;
  std::vector<Keyframe> keys_;
  bool expression_ = false;
};

// One outline: vertices and their tangents (relative to the vertex), as the
// file keeps them, x and y of each point after the other. A key's outline is
// read where the document holds it; only a blend between keys is made anew.
struct ShapeView {
  const double* vertices = nullptr;
  const double* inTangents = nullptr;
  const double* outTangents = nullptr;
  std::size_t count = 0;  // points
  bool closed = true;
  std::size_t size() const { return count; }
};

// An outline made between two keys.
struct Shape {
  std::vector<double> vertices, inTangents, outTangents;
  ShapeView View(bool closed) const {
    return {vertices.data(), inTangents.data(), outTangents.data(), vertices.size() / 2, closed};
  }
};

struct ShapeKeyframe {
  double time = 0;
  ShapeView start, end;  // end.vertices null: the next key's start
  Easing easing;
  bool hold = false;
};

// A mask's outline, static or keyed. Its views point into the document it
// was read from, which must outlive it, or into lists of its own; it moves
// but is not copied.
class ShapeProperty {
 public:
  ShapeProperty() = default;
  ShapeProperty(ShapeProperty&&) = default;
  ShapeProperty& operator=(ShapeProperty&&) = default;
  ShapeProperty(const ShapeProperty&) = delete;
  ShapeProperty& operator=(const ShapeProperty&) = delete;

  static ShapeProperty Read(JsonValue json, const std::string& where);
  // The outline at the frame: a key's own, or a blend made in `scratch`.
  ShapeView At(double frame, Shape& scratch) const;
  bool HasExpression() const { return expression_; }
  const std::vector<ShapeKeyframe>& keys() const { return keys_; }
  bool Closed() const { return closed_; }
  std::size_t VertexCount() const {
    return keys_.empty() ? value_.count : keys_.front().start.count;
  }

 private:
  ShapeView ReadShape(JsonValue json, const std::string& where);
  ShapeView value_;
  std::vector<ShapeKeyframe> keys_;
  // Points the document does not hold back to back, copied.
  std::vector<std::vector<double>> owned_;
  bool expression_ = false;
  bool closed_ = true;
};

}  // namespace tarnwick::lottie

#endif
