// Synthetic mask outlines for large scenes: deterministic for a seed, and the
// same on every platform (plain IEEE arithmetic, no libm).
#ifndef TARNWICK_SIM_GENERATOR_H
#define TARNWICK_SIM_GENERATOR_H

#include <cstdint>
#include <vector>

#include "sim/Scene.h"

namespace tarnwick::sim {

// K keyframes, one a second, of a closed wobbling ellipse of V vertices with
// tangents along the curve.
std::vector<MaskKeyframe> GenerateOutline(int32_t vertices, int32_t keyframes, uint64_t seed,
                                          uint32_t timeScale);

}  // namespace tarnwick::sim

#endif
