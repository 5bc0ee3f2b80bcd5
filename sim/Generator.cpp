#include "sim/Generator.h"

namespace tarnwick::sim {

namespace {

uint64_t SplitMix(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Uniform in [0, 1).
double Unit(uint64_t& state) {
  return static_cast<double>(SplitMix(state) >> 11) * 0x1.0p-53;
}

// Cosine and sine of a small angle from their series; exact IEEE steps only.
void SmallAngle(double a, double& c, double& s) {
  const double a2 = a * a;
  c = 1.0 - a2 / 2.0 * (1.0 - a2 / 12.0 * (1.0 - a2 / 30.0 * (1.0 - a2 / 56.0)));
  s = a * (1.0 - a2 / 6.0 * (1.0 - a2 / 20.0 * (1.0 - a2 / 42.0 * (1.0 - a2 / 72.0))));
}

constexpr double kTwoPi = 6.283185307179586;

}  // namespace

std::vector<MaskKeyframe> GenerateOutline(int32_t vertices, int32_t keyframes, uint64_t seed,
                                          uint32_t timeScale) {
  uint64_t state = seed;
  const double centreX = 960.0 + (Unit(state) - 0.5) * 400.0;
  const double centreY = 540.0 + (Unit(state) - 0.5) * 200.0;
  const double radiusX = 200.0 + Unit(state) * 300.0;
  const double radiusY = 100.0 + Unit(state) * 250.0;
  std::vector<MaskKeyframe> result(static_cast<std::size_t>(keyframes));
  double stepCos = 1.0;
  double stepSin = 0.0;
  if (vertices > 0) SmallAngle(kTwoPi / vertices, stepCos, stepSin);
  // Handle length for a smooth closed curve through the vertices.
  const double handle = vertices > 0 ? 0.5522847498 * 4.0 / vertices : 0.0;
  for (int32_t k = 0; k < keyframes; ++k) {
    MaskKeyframe& key = result[static_cast<std::size_t>(k)];
    // The loader keeps the last time within 32 bits.
    key.time = HostTime{static_cast<int32_t>(static_cast<int64_t>(k) * timeScale), timeScale};
    const double wobble = 1.0 + (Unit(state) - 0.5) * 0.1;
    const double driftX = (Unit(state) - 0.5) * 20.0;
    key.vertices.resize(static_cast<std::size_t>(vertices));
    double c = 1.0;
    double s = 0.0;
    for (int32_t v = 0; v < vertices; ++v) {
      const double rx = radiusX * wobble;
      const double ry = radiusY * (2.0 - wobble);
      const double x = centreX + driftX + rx * c;
      const double y = centreY + ry * s;
      const double dx = -rx * s * handle;
      const double dy = ry * c * handle;
      key.vertices[static_cast<std::size_t>(v)] = PathVertex{x, y, x - dx, y - dy, x + dx, y + dy};
      const double nextC = c * stepCos - s * stepSin;
      s = s * stepCos + c * stepSin;
      c = nextC;
    }
  }
  return result;
}

}  // namespace tarnwick::sim
