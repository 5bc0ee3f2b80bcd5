#include "sim/scene/Generator.h"

namespace tarnwick::sim {

namespace {

constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;

// The n-th number (from 1) of the SplitMix64 sequence of a seed: the
// sequence's state only ever advances by a constant, so any draw can be
// made on its own.
uint64_t SplitMixAt(uint64_t seed, uint64_t n) {
  uint64_t z = seed + n * kGolden;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Uniform in [0, 1).
double UnitAt(uint64_t seed, uint64_t n) {
  return static_cast<double>(SplitMixAt(seed, n) >> 11) * 0x1.0p-53;
}

// Cosine and sine of a small angle from their series; exact IEEE steps only.
void SmallAngle(double a, double& c, double& s) {
  const double a2 = a * a;
  c = 1.0 - a2 / 2.0 * (1.0 - a2 / 12.0 * (1.0 - a2 / 30.0 * (1.0 - a2 / 56.0)));
  s = a * (1.0 - a2 / 6.0 * (1.0 - a2 / 20.0 * (1.0 - a2 / 42.0 * (1.0 - a2 / 72.0))));
}

constexpr double kTwoPi = 6.283185307179586;
// Draws 1 to 4 shape the ellipse; keyframe k takes draws 5 + 2k and 6 + 2k.
constexpr uint64_t kShapeDraws = 4;

}  // namespace

OutlineGenerator::OutlineGenerator(int32_t vertices, uint64_t seed)
    : vertices_(vertices),
      seed_(seed),
      centreX_(960.0 + (UnitAt(seed, 1) - 0.5) * 400.0),
      centreY_(540.0 + (UnitAt(seed, 2) - 0.5) * 200.0),
      radiusX_(200.0 + UnitAt(seed, 3) * 300.0),
      radiusY_(100.0 + UnitAt(seed, 4) * 250.0) {
  if (vertices > 0) {
    SmallAngle(kTwoPi / vertices, stepCos_, stepSin_);
    // Handle length for a smooth closed curve through the vertices.
    handle_ = 0.5522847498 * 4.0 / vertices;
  }
}

void OutlineGenerator::Keyframe(int32_t k, std::vector<PathVertex>& vertices) const {
  const uint64_t draw = kShapeDraws + 2 * static_cast<uint64_t>(k);
  const double wobble = 1.0 + (UnitAt(seed_, draw + 1) - 0.5) * 0.1;
  const double driftX = (UnitAt(seed_, draw + 2) - 0.5) * 20.0;
  vertices.resize(static_cast<std::size_t>(vertices_));
  double c = 1.0;
  double s = 0.0;
  for (int32_t v = 0; v < vertices_; ++v) {
    const double rx = radiusX_ * wobble;
    const double ry = radiusY_ * (2.0 - wobble);
    const double x = centreX_ + driftX + rx * c;
    const double y = centreY_ + ry * s;
    const double dx = -rx * s * handle_;
    const double dy = ry * c * handle_;
    vertices[static_cast<std::size_t>(v)] = PathVertex{x, y, x - dx, y - dy, x + dx, y + dy};
    const double nextC = c * stepCos_ - s * stepSin_;
    s = s * stepCos_ + c * stepSin_;
    c = nextC;
  }
}

std::vector<MaskKeyframe> GeneratedKeyframeTimes(int32_t keyframes, uint32_t timeScale) {
  std::vector<MaskKeyframe> result(static_cast<std::size_t>(keyframes));
  for (int32_t k = 0; k < keyframes; ++k) {
    // The loader keeps the last time within 32 bits.
    result[static_cast<std::size_t>(k)].time =
        HostTime{static_cast<int32_t>(static_cast<int64_t>(k) * timeScale), timeScale};
  }
  return result;
}

std::vector<MaskKeyframe> GenerateOutline(int32_t vertices, int32_t keyframes, uint64_t seed,
                                          uint32_t timeScale) {
  std::vector<MaskKeyframe> result = GeneratedKeyframeTimes(keyframes, timeScale);
  const OutlineGenerator generator(vertices, seed);
  for (int32_t k = 0; k < keyframes; ++k) {
    generator.Keyframe(k, result[static_cast<std::size_t>(k)].vertices);
  }
  return result;
}

}  // namespace tarnwick::sim
