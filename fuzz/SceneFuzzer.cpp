// Arbitrary bytes as a scene: the loader must refuse or accept them cleanly,
// and a scene that loads must play without a violation or an outstanding suite.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Win32StandIn.h"
#include "plugin/EntryPoint.h"
#include "sim/host/SimulatedHost.h"
#include "sim/scene/Scene.h"
#include "sim/session/Session.h"

namespace {

// Keeps each input quick: the cost of a session grows with what it serves,
// and with what it writes. A mask reporting more keyframes than it holds is
// exported that many times over, so its lines count that many times.
bool Small(const tarnwick::sim::Scene& scene) {
  std::size_t points = 0;
  std::size_t lines = 0;
  for (const auto& item : scene.items) {
    for (const auto& layer : item.layers) {
      for (const auto& mask : layer.masks) {
        const int32_t reported = mask.reportedKeyframeCount.value_or(0);
        if (reported > 1000) return false;
        std::size_t mostVertices = 0;
        for (std::size_t k = 0; k < mask.keyframes.size(); ++k) {
          points += mask.VertexCount(k) + 1;
          mostVertices = std::max(mostVertices, mask.VertexCount(k));
        }
        const std::size_t keyframes = std::max<std::size_t>(
            {mask.keyframes.size(), static_cast<std::size_t>(std::max(reported, 0)), 1});
        lines += keyframes * mostVertices;
      }
    }
  }
  return points < 20000 && lines < 200000;
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
