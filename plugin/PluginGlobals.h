// The module's only state that outlives a host call.
#ifndef TARNWICK_PLUGIN_PLUGIN_GLOBALS_H
#define TARNWICK_PLUGIN_PLUGIN_GLOBALS_H

#include "host/HostInterface.h"

namespace tarnwick {

// Zero at load; written once by EntryPointFunc before any callback is
// registered, only read afterwards.
struct PluginGlobals {
  CommandId commandId;
  PluginId pluginId;
  const BasicSuite* basicSuite;
};

}  // namespace tarnwick

#endif
