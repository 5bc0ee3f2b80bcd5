#include "plugin/EntryPoint.h"

#include "export/ExportCommand.h"
#include "host/SuiteHandler.h"
#include "plugin/HostBoundary.h"
#include "plugin/PluginGlobals.h"
#include "tarnwick_config.h"

namespace tarnwick {

namespace {

PluginGlobals gPluginGlobals{};

constexpr const char kRegistrationFailure[] = TARNWICK_REGISTRATION_FAILURE_MESSAGE;
constexpr int32_t kHookBeforeHost = 1;
constexpr CommandId kEveryCommand = 0;

HostError Register(SuiteHandler& suites) {
  PluginGlobals& globals = gPluginGlobals;
  const ::CommandSuite1* commands = suites.CommandSuite1();
  HostError error = commands->AEGP_GetUniqueCommand(&globals.commandId);
  // A command id of 0 gets no menu item; the hooks are registered all the same.
  if (error == 0 && globals.commandId != 0) {
    error = commands->AEGP_InsertMenuCommand(globals.commandId, TARNWICK_MENU_TEXT, kMenuExport,
                                             kMenuInsertSorted);
  }
  if (error == 0) {
    error = suites.RegisterSuite6()->AEGP_RegisterCommandHook(globals.pluginId, kHookBeforeHost,
                                                              kEveryCommand, &CommandHook, nullptr);
  }
  if (error == 0) {
    error = suites.RegisterSuite6()->AEGP_RegisterUpdateMenuHook(globals.pluginId, &UpdateMenuHook,
                                                                 nullptr);
  }
  if (error == 0) {
    error = suites.RegisterSuite6()->AEGP_RegisterIdleHook(globals.pluginId, &IdleHook, nullptr);
  }
  if (error != 0) {
    (void)suites.UtilitySuite7()->AEGP_ReportInfo(globals.pluginId, kRegistrationFailure);
  }
  return error;
}

HostError UpdateMenu(SuiteHandler& suites) {
  const ::ItemSuite10* items = suites.ItemSuite10();
  ItemHandle item = nullptr;
  const HostError lookup = items->AEGP_GetActiveItem(&item);
  if (lookup == 0 && item != nullptr) {
    int16_t type = 0;
    const HostError typeLookup = items->AEGP_GetItemType(item, &type);
    if (typeLookup != 0) {
      return typeLookup;
    }
    if (type == kItemTypeComposition || type == kItemTypeFootage) {
      return suites.CommandSuite1()->AEGP_EnableCommand(gPluginGlobals.commandId);
    }
    return 0;
  }
  const HostError disable = suites.CommandSuite1()->AEGP_DisableCommand(gPluginGlobals.commandId);
  return lookup != 0 ? lookup : disable;
}

// The command hook's body: exports for the module's own command, returns 0
// at once for any other.
HostError RunCommand(CommandId command, HostBoolean* handled) {
  SuiteHandler suites(gPluginGlobals.basicSuite);
  if (command != gPluginGlobals.commandId) {
    return 0;
  }
  if (handled != nullptr) {
    *handled = 1;  // handled whatever the export's outcome
  }
  return ExportCommand(suites, ExportContext{gPluginGlobals.pluginId, gPluginGlobals.basicSuite});
}

}  // namespace

}  // namespace tarnwick

using tarnwick::CrossIntoModule;
using tarnwick::gPluginGlobals;

extern "C" TARNWICK_MODULE_EXPORT HostError EntryPointFunc(const BasicSuite* basicSuite, int32_t,
                                                           int32_t, PluginId pluginId) {
  return CrossIntoModule([&] {
    gPluginGlobals.pluginId = pluginId;
    gPluginGlobals.basicSuite = basicSuite;
    tarnwick::SuiteHandler suites(basicSuite);
    return tarnwick::Register(suites);
  });
}

extern "C" HostError CommandHook(void*, void*, CommandId command, int32_t, HostBoolean,
                                 HostBoolean* handled) {
  return CrossIntoModule([&] { return tarnwick::RunCommand(command, handled); });
}

extern "C" HostError UpdateMenuHook(void*, void*, int32_t) {
  return CrossIntoModule([] {
    tarnwick::SuiteHandler suites(gPluginGlobals.basicSuite);
    return tarnwick::UpdateMenu(suites);
  });
}

extern "C" HostError IdleHook(void*, void*, int32_t*) {
  return CrossIntoModule([] { return HostError{0}; });
}
