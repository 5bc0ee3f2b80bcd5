// A picture of the settings text: what Fusion will draw for each keyframe of
// each polyline, as SVG.
#ifndef TARNWICK_SIM_PREVIEW_H
#define TARNWICK_SIM_PREVIEW_H

#include <ostream>

#include "sim/settings/SettingsReader.h"

namespace tarnwick::sim {

// At most this many keyframes of one tool are drawn: the first, the last and
// evenly spaced ones between.
constexpr std::size_t kMaxDrawnKeyframes = 200;

// Writes an SVG of the settings: the frame, one path per drawable keyframe
// (data-tool and data-frame name it), vertex marks and handles, and a legend.
void WritePreview(std::ostream& out, const Settings& settings);

}  // namespace tarnwick::sim

#endif
