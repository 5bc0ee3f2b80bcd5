// Plays scenes against the module in this process, through the simulated
// host, as the validator's checks do, on a clean stand-in clipboard.
#ifndef TARNWICK_TESTS_SIM_SUPPORT_H
#define TARNWICK_TESTS_SIM_SUPPORT_H

#include <string>

#include "sim/session/PlayedScene.h"

namespace tarnwick::tests {

using sim::Played;

// Loads the scene text and plays a whole session on a clean stand-in clipboard.
Played Play(const std::string& sceneJson);
// A composition scene: 1920 x 1080, active, with the given layers and selection.
inline std::string CompScene(const std::string& layers, const std::string& selection,
                             const std::string& extra = "") {
  return sim::CompSceneText(layers, selection, extra);
}

}  // namespace tarnwick::tests

#endif
