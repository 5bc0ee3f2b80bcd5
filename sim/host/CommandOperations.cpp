// Operations of the command, register and utility suites: the menu, the
// hooks, reports and undo groups.
#include <cstring>

#include "sim/host/HostCall.h"
#include "sim/host/SimulatedHost.h"

namespace tarnwick::sim {

HostError SimulatedHost::AEGP_GetUniqueCommand(CommandId* command) {
  const Operation op = Operation::AEGP_GetUniqueCommand;
  return Serve(op, [&]() -> HostError {
    if (!CheckOut(command, op, "command pointer")) return kViolationError;
    *command = scene_.commandId;
    commandHandedOut_ = true;
    return 0;
  });
}

HostError SimulatedHost::AEGP_InsertMenuCommand(CommandId command, const char* text, int32_t menu,
                                                int32_t position) {
  const Operation op = Operation::AEGP_InsertMenuCommand;
  return Serve(op, [&]() -> HostError {
    if (!CheckOut(text, op, "menu text")) return kViolationError;
    if (!commandHandedOut_ || command != scene_.commandId) {
      return Violation(op, "command " + std::to_string(command) + " was not handed out");
    }
    menuItems_.push_back({command, text, menu, position});
    return 0;
  });
}

HostError SimulatedHost::AEGP_EnableCommand(CommandId command) {
  return Serve(Operation::AEGP_EnableCommand, [&]() -> HostError {
    commandEnabled_[command] = true;
    return 0;
  });
}

HostError SimulatedHost::AEGP_DisableCommand(CommandId command) {
  return Serve(Operation::AEGP_DisableCommand, [&]() -> HostError {
    commandEnabled_[command] = false;
    return 0;
  });
}

HostError SimulatedHost::AEGP_RegisterCommandHook(PluginId plugin, int32_t priority,
                                                  CommandId command, CommandHookFunc hook,
                                                  void* refcon) {
  const Operation op = Operation::AEGP_RegisterCommandHook;
  return Serve(op, [&]() -> HostError {
    if (!CheckPlugin(plugin, op) || !CheckOut(reinterpret_cast<void*>(hook), op, "hook")) {
      return kViolationError;
    }
    commandHooks_.push_back({priority, command, hook, refcon});
    return 0;
  });
}

HostError SimulatedHost::AEGP_RegisterUpdateMenuHook(PluginId plugin, UpdateMenuHookFunc hook,
                                                     void*) {
  const Operation op = Operation::AEGP_RegisterUpdateMenuHook;
  return Serve(op, [&]() -> HostError {
    if (!CheckPlugin(plugin, op) || !CheckOut(reinterpret_cast<void*>(hook), op, "hook")) {
      return kViolationError;
    }
    updateMenuHook_ = hook;
    return 0;
  });
}

HostError SimulatedHost::AEGP_RegisterIdleHook(PluginId plugin, IdleHookFunc hook, void*) {
  const Operation op = Operation::AEGP_RegisterIdleHook;
  return Serve(op, [&]() -> HostError {
    if (!CheckPlugin(plugin, op) || !CheckOut(reinterpret_cast<void*>(hook), op, "hook")) {
      return kViolationError;
    }
    idleHook_ = hook;
    return 0;
  });
}

HostError SimulatedHost::AEGP_ReportInfo(PluginId plugin, const char* text) {
  const Operation op = Operation::AEGP_ReportInfo;
  return Serve(op, [&]() -> HostError {
    if (!CheckPlugin(plugin, op) || !CheckOut(text, op, "text")) return kViolationError;
    reports_.push_back(text);
    return 0;
  });
}

HostError SimulatedHost::AEGP_StartUndoGroup(const char* name) {
  const Operation op = Operation::AEGP_StartUndoGroup;
  return Serve(op, [&]() -> HostError {
    if (!CheckOut(name, op, "name")) return kViolationError;
    undoStarted_.push_back(name);
    ++undoDepth_;
    return 0;
  });
}

HostError SimulatedHost::AEGP_EndUndoGroup() {
  return Serve(Operation::AEGP_EndUndoGroup, [&]() -> HostError {
    ++undoEnded_;
    if (undoDepth_ > 0) --undoDepth_;  // an end without a group closes nothing
    return 0;
  });
}

}  // namespace tarnwick::sim
