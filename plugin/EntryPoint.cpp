#include "plugin/EntryPoint.h"

#include <new>

#include "export/ExportCommand.h"
#include "host/SuiteHandler.h"
#include "plugin/PluginGlobals.h"
#include "tarnwick_config.h"

namespace tarnwick {

namespace {

PluginGlobals gPluginGlobals{};

constexpr const char kRegistrationFailure[] =
    TARNWICK_MENU_TEXT " : Could not register command hook.";
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

}  // namespace

}  // namespace tarnwick

using tarnwick::gPluginGlobals;
using tarnwick::kOutOfMemoryError;
using tarnwick::kUnexpectedError;

extern "C" HostError EntryPointFunc(const BasicSuite* basicSuite, int32_t, int32_t,
                                    PluginId pluginId) {
  try {
    gPluginGlobals.pluginId = pluginId;
    gPluginGlobals.basicSuite = basicSuite;
    tarnwick::SuiteHandler suites(basicSuite);
    return tarnwick::Register(suites);
  } catch (HostError thrown) {
    return thrown;
  } catch (const std::bad_alloc&) {
    return kOutOfMemoryError;
  } catch (...) {
    return kUnexpectedError;
  }
}

extern "C" HostError CommandHook(void*, void*, CommandId command, int32_t, HostBoolean,
                                 HostBoolean* handled) {
  return tarnwick::RunCommandHook(gPluginGlobals, command, handled);
}

extern "C" HostError UpdateMenuHook(void*, void*, int32_t) {
  try {
    tarnwick::SuiteHandler suites(gPluginGlobals.basicSuite);
    return tarnwick::UpdateMenu(suites);
  } catch (HostError thrown) {
    return thrown;
  } catch (...) {
    return kUnexpectedError;
  }
}

extern "C" HostError IdleHook(void*, void*, int32_t*) {
  return 0;
}
