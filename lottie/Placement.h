// Where a layer puts its masks' points in its composition: the layer's
// matrix as a Lottie player builds it, for row vectors,
//   translate(-anchor) scale skew rotate [auto-orient] translate(position),
// then its parent's, and so on up the chain, every layer evaluated at the
// same composition frame.
#ifndef TARNWICK_LOTTIE_PLACEMENT_H
#define TARNWICK_LOTTIE_PLACEMENT_H

#include <array>

#include "host/HostInterface.h"
#include "lottie/Model.h"

namespace tarnwick::lottie {

Matrix4 Identity();
// a × b, for row vectors: a's transform first.
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);

// The layer's position at the frame, split or not, as x, y, z.
std::array<double, 3> PositionAt(const Transform& transform, double frame);
// The layer's own matrix at the frame.
Matrix4 LayerMatrix(const Layer& layer, double frame);
// The layer's matrix followed by every parent's, up the chain.
Matrix4 ChainMatrix(const Composition& comp, const Layer& layer, double frame);
// The layers whose transforms place `layer`: itself, then each parent.
std::vector<const Layer*> Chain(const Composition& comp, const Layer& layer);

}  // namespace tarnwick::lottie

#endif
