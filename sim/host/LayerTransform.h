// The layer-to-world matrix the simulated host serves for a layer whose scene
// gives none: made, as the host makes it, from the layer's anchor point,
// scale, rotation and position and its parent's matrix.
#ifndef TARNWICK_SIM_LAYER_TRANSFORM_H
#define TARNWICK_SIM_LAYER_TRANSFORM_H

#include <cstddef>
#include <vector>

#include "host/HostInterface.h"
#include "sim/scene/Scene.h"

namespace tarnwick::sim {

// a x b, for row vectors: a applies first.
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);

// translate(-anchor point) . scale . rotate . translate(position) at a time:
// linear rows (sx cos t, sx sin t) and (-sy sin t, sy cos t), translation row
// position - anchor point x linear part, z as the identity.
Matrix4 OwnTransform(const Layer& layer, const HostTime& time);

// The layer's matrix at a time: its to_world when given, otherwise
// own(t) x M_parent(t) up the chain of parents. The chain must end (the
// loader refuses cycles).
Matrix4 LayerToWorld(const std::vector<Layer>& layers, std::size_t layer, const HostTime& time);

}  // namespace tarnwick::sim

#endif
