#include "lottie/Property.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tarnwick::lottie {

namespace {

// x or y of the Bezier easing curve at parameter u (the ends are 0 and 1).
double Cubic(double c1, double c2, double u) {
  const double v = 1.0 - u;
  return 3.0 * v * v * u * c1 + 3.0 * v * u * u * c2 + u * u * u;
}

double CubicSlope(double c1, double c2, double u) {
  const double v = 1.0 - u;
  return 3.0 * v * v * c1 + 6.0 * v * u * (c2 - c1) + 3.0 * u * u * (1.0 - c2);
}

// Point of the cubic Bezier in dimension d, and its derivative.
double BezierAt(const double* p0, const double* p1, const double* p2, const double* p3, int d,
                double u) {
  const double v = 1.0 - u;
  return v * v * v * p0[d] + 3.0 * v * v * u * p1[d] + 3.0 * v * u * u * p2[d] + u * u * u * p3[d];
}

double Speed(const double* p0, const double* p1, const double* p2, const double* p3, int dimensions,
             double u) {
  const double v = 1.0 - u;
  double sum = 0;
  for (int d = 0; d < dimensions; ++d) {
    const double derivative = 3.0 * v * v * (p1[d] - p0[d]) + 6.0 * v * u * (p2[d] - p1[d]) +
                              3.0 * u * u * (p3[d] - p2[d]);
    sum += derivative * derivative;
  }
  return std::sqrt(sum);
}

// Five-point Gauss–Legendre rule on [a, b].
double GaussLegendre(const double* p0, const double* p1, const double* p2, const double* p3,
                     int dimensions, double a, double b) {
  static constexpr std::array<double, 5> kNodes = {0.0, -0.5384693101056831, 0.5384693101056831,
                                                   -0.9061798459386640, 0.9061798459386640};
  static constexpr std::array<double, 5> kWeights = {0.5688888888888889, 0.4786286704993665,
                                                     0.4786286704993665, 0.2369268850561891,
                                                     0.2369268850561891};
  const double half = (b - a) / 2.0;
  const double middle = (a + b) / 2.0;
  double sum = 0;
  for (std::size_t i = 0; i < kNodes.size(); ++i) {
    sum += kWeights[i] * Speed(p0, p1, p2, p3, dimensions, middle + half * kNodes[i]);
  }
  return sum * half;
}

// Splits until the halves agree with the whole: a cusp (handles that fold
// back) is where a fixed rule would be off.
double AdaptiveLength(const double* p0, const double* p1, const double* p2, const double* p3,
                      int dimensions, double a, double b, double whole, int depth) {
  const double middle = (a + b) / 2.0;
  const double left = GaussLegendre(p0, p1, p2, p3, dimensions, a, middle);
  const double right = GaussLegendre(p0, p1, p2, p3, dimensions, middle, b);
  // At most twelve halvings (4,096 pieces): where handles fold back into a
  // cusp the speed has a kink, which costs about length / 4096^2 on its
  // piece, under a thousandth of a pixel for paths of thousands of pixels. A
  // length past the largest double is not made finite by more.
  if (depth >= 12 || !std::isfinite(whole) ||
      std::fabs(left + right - whole) <= 1e-10 * std::max(1.0, whole)) {
    return left + right;
  }
  return AdaptiveLength(p0, p1, p2, p3, dimensions, a, middle, left, depth + 1) +
         AdaptiveLength(p0, p1, p2, p3, dimensions, middle, b, right, depth + 1);
}

std::vector<double> NumbersOf(JsonValue json) {
  std::vector<double> values;
  if (json.IsNumber()) {
    values.push_back(json.Number());
  } else if (json.IsArray()) {
    for (const JsonValue& element : json.Elements()) {
      if (element.IsNumber()) values.push_back(element.Number());
    }
  }
  return values;
}

// One easing handle's x or y: a number or one per dimension.
std::vector<double> HandleOf(JsonValue handle, std::string_view axis, double fallback) {
  std::vector<double> values = NumbersOf(handle.Get(axis));
  if (values.empty()) values.push_back(fallback);
  return values;
}

Easing ReadEasing(JsonValue key) {
  Easing easing;
  easing.outX = HandleOf(key.Get("o"), "x", 0.0);
  easing.outY = HandleOf(key.Get("o"), "y", 0.0);
  easing.inX = HandleOf(key.Get("i"), "x", 1.0);
  easing.inY = HandleOf(key.Get("i"), "y", 1.0);
  return easing;
}

double Pick(const std::vector<double>& values, std::size_t d) {
  return values[std::min(d, values.size() - 1)];
}

double KeyTime(JsonValue key, const std::string& where) {
  const JsonValue time = key.Get("t");
  if (!time.IsNumber()) throw LottieError(where + ": a key without its time \"t\"");
  return time.Number();
}

bool IsKeyList(JsonValue k) {
  if (!k.IsArray() || k.size() == 0) return false;
  const std::vector<JsonValue> elements = k.Elements();
  return elements.front().IsObject() && elements.front().Get("t");
}

bool CarriesExpression(JsonValue json) {
  return json.Get("x").IsString() && !json.Get("x").String().empty();
}

// The segment of keys that holds `frame`: k with keys[k].time <= frame <
// keys[k + 1].time; -1 before the first key, keys.size() - 1 from the last.
template <typename Key>
std::ptrdiff_t Segment(const std::vector<Key>& keys, double frame) {
  if (frame < keys.front().time) return -1;
  const auto after = std::upper_bound(keys.begin(), keys.end(), frame,
                                      [](double f, const Key& key) { return f < key.time; });
  return (after - keys.begin()) - 1;
}

}  // namespace

double Ease(double x1, double y1, double x2, double y2, double t) {
  if (t <= 0.0) return 0.0;
  if (t >= 1.0) return 1.0;
  if (x1 == y1 && x2 == y2) return t;  // a straight line
  x1 = std::clamp(x1, 0.0, 1.0);
  x2 = std::clamp(x2, 0.0, 1.0);
  // x(u) rises from 0 to 1: Newton's steps where the slope allows, halving
  // otherwise.
  double low = 0.0;
  double high = 1.0;
  double u = t;
  for (int i = 0; i < 100; ++i) {
    const double x = Cubic(x1, x2, u) - t;
    if (std::fabs(x) < 1e-14) break;
    if (x > 0) {
      high = u;
    } else {
      low = u;
    }
    const double slope = CubicSlope(x1, x2, u);
    double next = slope > 1e-12 ? u - x / slope : (low + high) / 2.0;
    if (!(next > low && next < high)) next = (low + high) / 2.0;
    u = next;
  }
  return Cubic(y1, y2, u);
}

double BezierLength(const double* p0, const double* p1, const double* p2, const double* p3,
                    int dimensions, double u) {
  if (u <= 0.0) return 0.0;
  const double whole = GaussLegendre(p0, p1, p2, p3, dimensions, 0.0, u);
  return AdaptiveLength(p0, p1, p2, p3, dimensions, 0.0, u, whole, 0);
}

double Easing::At(std::size_t d, double t) const {
  return Ease(Pick(outX, d), Pick(outY, d), Pick(inX, d), Pick(inY, d), t);
}

Property Property::Read(JsonValue json, const std::string& where, std::vector<double> fallback) {
  Property property(std::move(fallback));
  if (!json) return property;
  const JsonValue k = json.IsObject() ? json.Get("k") : json;
  if (!k) throw LottieError(where + ": a property without its value \"k\"");
  property.expression_ = json.IsObject() && CarriesExpression(json);
  if (!IsKeyList(k)) {
    std::vector<double> value = NumbersOf(k);
    if (value.empty())
      throw LottieError(where + ": a value that is not a number or a list of them");
    property.value_ = std::move(value);
    return property;
  }
  const std::vector<JsonValue> keys = k.Elements();
  for (std::size_t n = 0; n < keys.size(); ++n) {
    const std::string place = where + ".k[" + std::to_string(n) + "]";
    if (!keys[n].IsObject()) throw LottieError(place + ": a key that is not an object");
    Keyframe key;
    key.time = KeyTime(keys[n], place);
    key.start = NumbersOf(keys[n].Get("s"));
    key.end = NumbersOf(keys[n].Get("e"));
    key.easing = ReadEasing(keys[n]);
    key.hold = keys[n].Get("h").Bool();
    key.outTangent = NumbersOf(keys[n].Get("to"));
    key.inTangent = NumbersOf(keys[n].Get("ti"));
    key.spatial = key.outTangent.size() >= 2 && key.inTangent.size() >= 2;
    if (key.start.empty() && (n == 0 || property.keys_.back().end.empty())) {
      throw LottieError(place + ": a key without its value \"s\"");
    }
    property.keys_.push_back(std::move(key));
  }
  return property;
}

namespace {

const std::vector<double>& StartOf(const std::vector<Keyframe>& keys, std::size_t k) {
  return keys[k].start.empty() ? keys[k - 1].end : keys[k].start;
}

std::vector<double> AlongPath(const Keyframe& key, const std::vector<double>& from,
                              const std::vector<double>& to, double progress) {
  const int dimensions = static_cast<int>(std::min(
      {from.size(), to.size(), std::size_t{3}, key.outTangent.size(), key.inTangent.size()}));
  std::array<double, 3> p0{}, p1{}, p2{}, p3{};
  bool straight = true;
  for (int d = 0; d < dimensions; ++d) {
    p0[d] = from[d];
    p1[d] = from[d] + key.outTangent[d];
    p2[d] = to[d] + key.inTangent[d];
    p3[d] = to[d];
    straight = straight && key.outTangent[d] == 0.0 && key.inTangent[d] == 0.0;
  }
  std::vector<double> value = from;
  progress = std::clamp(progress, 0.0, 1.0);
  if (straight) {
    for (std::size_t d = 0; d < value.size() && d < to.size(); ++d) {
      value[d] = from[d] + (to[d] - from[d]) * progress;
    }
    return value;
  }
  const double length = BezierLength(p0.data(), p1.data(), p2.data(), p3.data(), dimensions, 1.0);
  const double wanted = length * progress;
  // The parameter whose arc length is the wanted distance: Newton's steps,
  // kept within the bracket by halving.
  double low = 0.0;
  double high = 1.0;
  double u = progress;
  for (int i = 0; i < 60 && length > 0; ++i) {
    const double error =
        BezierLength(p0.data(), p1.data(), p2.data(), p3.data(), dimensions, u) - wanted;
    if (std::fabs(error) <= 1e-9 * std::max(1.0, length)) break;
    if (error > 0) {
      high = u;
    } else {
      low = u;
    }
    const double speed = Speed(p0.data(), p1.data(), p2.data(), p3.data(), dimensions, u);
    double next = speed > 1e-12 ? u - error / speed : (low + high) / 2.0;
    if (!(next > low && next < high)) next = (low + high) / 2.0;
    u = next;
  }
  for (int d = 0; d < dimensions; ++d) {
    value[d] = BezierAt(p0.data(), p1.data(), p2.data(), p3.data(), d, u);
  }
  return value;
}

}  // namespace

std::vector<double> Property::At(double frame) const {
  if (keys_.empty()) return value_;
  const std::ptrdiff_t k = Segment(keys_, frame);
  if (k < 0) return StartOf(keys_, 0);
  const auto index = static_cast<std::size_t>(k);
  if (index + 1 >= keys_.size()) return StartOf(keys_, keys_.size() - 1);
  const Keyframe& key = keys_[index];
  const std::vector<double>& from = StartOf(keys_, index);
  const std::vector<double>& to = key.end.empty() ? StartOf(keys_, index + 1) : key.end;
  if (key.hold) return from;
  const double span = keys_[index + 1].time - key.time;
  const double t = span > 0 ? (frame - key.time) / span : 1.0;
  if (key.spatial && from.size() >= 2 && to.size() >= 2) {
    return AlongPath(key, from, to, key.easing.At(0, t));
  }
  std::vector<double> value = from;
  for (std::size_t d = 0; d < value.size() && d < to.size(); ++d) {
    value[d] = from[d] + (to[d] - from[d]) * key.easing.At(d, t);
  }
  return value;
}

// An outline as the file keeps it: {"i", "o", "v", "c"}, or a list holding one.
ShapeView ShapeProperty::ReadShape(JsonValue json, const std::string& where) {
  if (json.IsArray() && json.size() > 0) json = json.Elements().front();
  if (!json.IsObject()) throw LottieError(where + ": not an outline {\"v\", \"i\", \"o\"}");
  ShapeView shape;
  const struct {
    const char* key;
    const double** into;
  } lists[] = {{"v", &shape.vertices}, {"i", &shape.inTangents}, {"o", &shape.outTangents}};
  std::size_t counts[3] = {0, 0, 0};
  for (std::size_t n = 0; n < 3; ++n) {
    const JsonValue points = json.Get(lists[n].key);
    if (!points.IsArray()) {
      throw LottieError(where + "." + lists[n].key + ": missing, or not a list of points");
    }
    const double* rows = nullptr;
    std::size_t rowLength = 0;
    if (points.Rows(rows, counts[n], rowLength) && rowLength == 2) {
      *lists[n].into = rows;  // x, y after x, y, as the document holds them
      continue;
    }
    std::vector<double> copied;
    copied.reserve(2 * points.size());
    for (const JsonValue& point : points.Elements()) {
      const double* xy = nullptr;
      std::size_t count = 0;
      if (!point.Numbers(xy, count) || count < 2) {
        throw LottieError(where + "." + lists[n].key + ": a point that is not [x, y]");
      }
      copied.push_back(xy[0]);
      copied.push_back(xy[1]);
    }
    counts[n] = copied.size() / 2;
    owned_.push_back(std::move(copied));
    *lists[n].into = owned_.back().data();
  }
  if (counts[1] != counts[0] || counts[2] != counts[0]) {
    throw LottieError(where + ": " + std::to_string(counts[0]) + " vertices but " +
                      std::to_string(counts[1]) + " in and " + std::to_string(counts[2]) +
                      " out tangents");
  }
  shape.count = counts[0];
  shape.closed = json.Get("c").Bool();
  return shape;
}

ShapeProperty ShapeProperty::Read(JsonValue json, const std::string& where) {
  ShapeProperty property;
  if (!json.IsObject()) throw LottieError(where + ": a mask without its outline");
  const JsonValue k = json.Get("k");
  if (!k) throw LottieError(where + ": an outline without its value \"k\"");
  property.expression_ = CarriesExpression(json);
  if (!IsKeyList(k)) {
    property.value_ = property.ReadShape(k, where + ".k");
    property.closed_ = property.value_.closed;
    return property;
  }
  const std::vector<JsonValue> keys = k.Elements();
  std::size_t vertexCount = 0;
  for (std::size_t n = 0; n < keys.size(); ++n) {
    const std::string place = where + ".k[" + std::to_string(n) + "]";
    if (!keys[n].IsObject()) throw LottieError(place + ": a key that is not an object");
    ShapeKeyframe key;
    key.time = KeyTime(keys[n], place);
    const bool hasStart = static_cast<bool>(keys[n].Get("s"));
    if (hasStart) key.start = property.ReadShape(keys[n].Get("s"), place + ".s");
    if (keys[n].Get("e")) key.end = property.ReadShape(keys[n].Get("e"), place + ".e");
    if (!hasStart) {
      // An old export's closing key has its outline in the previous "e".
      if (n == 0 || property.keys_.back().end.vertices == nullptr) {
        throw LottieError(place + ": a key without its outline \"s\"");
      }
      key.start = property.keys_.back().end;
    }
    key.easing = ReadEasing(keys[n]);
    key.hold = keys[n].Get("h").Bool();
    if (n == 0) vertexCount = key.start.count;
    for (const ShapeView* shape : {&key.start, &key.end}) {
      if (shape == &key.end && shape->vertices == nullptr) continue;
      if (shape->count != vertexCount) {
        throw LottieError(place + ": the vertex count changes between keys (" +
                          std::to_string(vertexCount) + ", then " + std::to_string(shape->count) +
                          ")");
      }
    }
    property.keys_.push_back(std::move(key));
  }
  property.closed_ = property.keys_.front().start.closed;
  return property;
}

namespace {

void Blend(const double* from, const double* to, std::size_t count, double progress,
           std::vector<double>& into) {
  into.resize(count);
  for (std::size_t n = 0; n < count; ++n) into[n] = from[n] + (to[n] - from[n]) * progress;
}

}  // namespace

ShapeView ShapeProperty::At(double frame, Shape& scratch) const {
  if (keys_.empty()) return value_;
  const std::ptrdiff_t k = Segment(keys_, frame);
  if (k < 0) return keys_.front().start;
  const auto index = static_cast<std::size_t>(k);
  if (index + 1 >= keys_.size()) return keys_.back().start;
  const ShapeKeyframe& key = keys_[index];
  // On a key, or held: the key's own outline, as the file has it.
  if (key.hold || frame == key.time) return key.start;
  const ShapeView& to = key.end.vertices == nullptr ? keys_[index + 1].start : key.end;
  const double span = keys_[index + 1].time - key.time;
  const double progress = key.easing.At(0, span > 0 ? (frame - key.time) / span : 1.0);
  const std::size_t numbers = 2 * key.start.count;
  Blend(key.start.vertices, to.vertices, numbers, progress, scratch.vertices);
  Blend(key.start.inTangents, to.inTangents, numbers, progress, scratch.inTangents);
  Blend(key.start.outTangents, to.outTangents, numbers, progress, scratch.outTangents);
  return scratch.View(key.start.closed);
}

}  // namespace tarnwick::lottie
