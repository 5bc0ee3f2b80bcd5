// Synthetic mask outlines for large scenes: deterministic for a seed, and the
// same on every platform (plain IEEE arithmetic, no libm). Any keyframe can be
// made on its own, so the host makes them when it serves them instead of
// storing them.
#ifndef TARNWICK_SIM_GENERATOR_H
#define TARNWICK_SIM_GENERATOR_H

#include <cstdint>
#include <vector>

#include "sim/scene/Scene.h"

namespace tarnwick::sim {

// A closed wobbling ellipse of V vertices with tangents along the curve; each
// keyframe wobbles and drifts on its own.
class OutlineGenerator {
 public:
  OutlineGenerator(int32_t vertices, uint64_t seed);
  // The vertices of keyframe k.
  void Keyframe(int32_t k, std::vector<PathVertex>& vertices) const;

 private:
  int32_t vertices_;
  uint64_t seed_;
  double centreX_, centreY_, radiusX_, radiusY_;
  double stepCos_ = 1.0, stepSin_ = 0.0, handle_ = 0.0;
};

// The times of K generated keyframes: one a second, keyframe k at k x scale.
std::vector<MaskKeyframe> GeneratedKeyframeTimes(int32_t keyframes, uint32_t timeScale);

// K keyframes of the outline, made and stored at once.
std::vector<MaskKeyframe> GenerateOutline(int32_t vertices, int32_t keyframes, uint64_t seed,
                                          uint32_t timeScale);

}  // namespace tarnwick::sim

#endif
