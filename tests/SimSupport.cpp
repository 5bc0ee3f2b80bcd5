#include "tests/SimSupport.h"

#include "plugin/EntryPoint.h"
#ifndef _WIN32
#include "platform/Win32StandIn.h"
#endif

namespace tarnwick::tests {

Played Play(const std::string& sceneJson) {
#ifndef _WIN32
  standin::Reset();
#endif
  return sim::PlayKeepingHost(sim::LoadScene(sceneJson, "scene"), &EntryPointFunc);
}

}  // namespace tarnwick::tests
