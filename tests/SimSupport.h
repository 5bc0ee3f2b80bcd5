// Plays scenes against the module in this process, through the simulated host.
#ifndef TARNWICK_TESTS_SIM_SUPPORT_H
#define TARNWICK_TESTS_SIM_SUPPORT_H

#include <memory>
#include <string>
#include <vector>

#include "sim/host/SimulatedHost.h"
#include "sim/program/Session.h"
#include "sim/scene/Scene.h"

namespace tarnwick::testing {

struct Played {
  std::unique_ptr<sim::SimulatedHost> host;
  sim::SessionResult result;
  // The clipboard text, or "<none>".
  std::string clipboard() const { return result.clipboard.value_or("<none>"); }
  // Names of the calls made, in order.
  std::vector<std::string> CallNames() const;
  // How often an operation was called.
  int CallsOf(const std::string& operation) const;
};

// Loads the scene text and plays a whole session on a clean stand-in clipboard.
Played Play(const std::string& sceneJson);
// A composition scene: 1920 x 1080, active, with the given layers and selection.
std::string CompScene(const std::string& layers, const std::string& selection,
                      const std::string& extra = "");

}  // namespace tarnwick::testing

#endif
