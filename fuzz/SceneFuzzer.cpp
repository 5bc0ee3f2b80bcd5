// Arbitrary bytes as a scene: the loader must refuse or accept them cleanly,
// and a scene that loads must play without a violation or an outstanding suite.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Win32StandIn.h"
#include "plugin/EntryPoint.h"
#include "sim/Scene.h"
#include "sim/Session.h"
#include "sim/SimulatedHost.h"

namespace {

// Keeps each input quick: the cost of a session grows with what it serves.
bool Small(const tarnwick::sim::Scene& scene) {
  std::size_t points = 0;
  for (const auto& item : scene.items) {
    for (const auto& layer : item.layers) {
      for (const auto& mask : layer.masks) {
        if (mask.reportedKeyframeCount.value_or(0) > 1000) return false;
        for (const auto& key : mask.keyframes) points += key.vertices.size() + 1;
      }
    }
  }
  return points < 20000;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  tarnwick::sim::Scene scene;
  try {
    scene =
        tarnwick::sim::LoadScene(std::string(reinterpret_cast<const char*>(data), size), "input");
  } catch (const tarnwick::sim::SceneError&) {
    return 0;
  }
  if (!Small(scene)) return 0;
  tarnwick::standin::Reset();
  try {
    tarnwick::sim::SimulatedHost host(std::move(scene));
    tarnwick::sim::PlaySession(host, &EntryPointFunc, nullptr);
    if (!host.violations().empty() || !host.OutstandingSuites().empty()) std::abort();
  } catch (const tarnwick::sim::SceneError&) {
    // A fault naming an unknown operation is refused when the host starts.
  }
  return 0;
}
