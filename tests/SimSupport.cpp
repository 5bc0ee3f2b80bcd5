#include "tests/SimSupport.h"

#include "plugin/EntryPoint.h"
#ifndef _WIN32
#include "platform/Win32StandIn.h"
#endif

namespace tarnwick::testing {

std::vector<std::string> Played::CallNames() const {
  std::vector<std::string> names;
  for (const sim::CallRecord& call : host->calls())
    names.push_back(sim::OperationName(call.operation));
  return names;
}

int Played::CallsOf(const std::string& operation) const {
  int count = 0;
  for (const std::string& name : CallNames()) count += name == operation ? 1 : 0;
  return count;
}

Played Play(const std::string& sceneJson) {
#ifndef _WIN32
  standin::Reset();
#endif
  Played played;
  played.host = std::make_unique<sim::SimulatedHost>(sim::LoadScene(sceneJson, "scene"));
  played.result = sim::PlaySession(*played.host, &EntryPointFunc, nullptr);
  return played;
}

std::string CompScene(const std::string& layers, const std::string& selection,
                      const std::string& extra) {
  return R"({ "active_item": 0, "clipboard": "before", )" + extra +
         R"( "items": [ { "type": "composition", "name": "Comp", "width": 1920, "height": 1080,
           "layers": )" +
         layers + R"(, "selection": )" + selection + " } ] }";
}

}  // namespace tarnwick::testing
