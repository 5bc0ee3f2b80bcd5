#include "sim/session/Session.h"

#include <string_view>

#include "sim/session/ClipboardSteps.h"

namespace tarnwick::sim {

namespace {

// Fails the scene's clipboard steps while it lives, so the session's own
// reading and writing of the clipboard around the module still work.
class ClipboardFaults {
 public:
  explicit ClipboardFaults(const std::vector<std::string>& steps) {
    for (const std::string& step : steps) FailClipboardStep(step);
  }
  ~ClipboardFaults() { ClearClipboardFaults(); }
  ClipboardFaults(const ClipboardFaults&) = delete;
  ClipboardFaults& operator=(const ClipboardFaults&) = delete;
};

// Keeps a hook's first failure: a session of many commands reports the
// first that went wrong.
void Keep(HostError& kept, HostError result) {
  if (kept == 0) kept = result;
}

}  // namespace

PlayedStep PlayStep(SimulatedHost& host, EntryPointFuncType entry, SessionStep step,
                    std::ostream* log, SessionResult& result) {
  const Scene& scene = host.scene();
  const CommandId command = scene.commandId;
  PlayedStep played;
  played.step = step;
  played.firstCall = host.callCount();
  const auto ran = [&](const char* hook, HostError code) {
    played.ran = true;
    if (played.result == 0) played.result = code;
    if (log) *log << hook << " -> " << code << '\n';
  };
  switch (step) {
    case SessionStep::kEntry: {
      played.hook = "EntryPointFunc";
      const HostError code =
          entry(host.basicSuite(), scene.hostMajor, scene.hostMinor, scene.pluginId);
      Keep(result.entryResult, code);
      ran(played.hook, code);
      break;
    }
    case SessionStep::kMenu:
      played.hook = "UpdateMenuHook";
      if (UpdateMenuHookFunc menuHook = host.updateMenuHook()) {
        result.menuHookRun = true;
        const HostError code = menuHook(nullptr, nullptr, 0);
        Keep(result.menuResult, code);
        ran(played.hook, code);
      }
      result.menuEnabled = !host.menuItems().empty() && host.CommandEnabled(command);
      break;
    case SessionStep::kCommand:
      played.hook = "CommandHook";
      // The user can choose the item only while it is there and enabled;
      // every registered command hook hears of it.
      if (host.menuItems().empty() || !host.CommandEnabled(command)) break;
      for (const CommandHookRecord& hook : host.commandHooks()) {
        if (hook.command != 0 && hook.command != command) continue;
        HostBoolean handled = 0;
        result.commandRun = true;
        const HostError code = hook.hook(nullptr, hook.refcon, command, hook.priority, 0, &handled);
        Keep(result.commandResult, code);
        result.handled = result.handled || handled != 0;
        ran(played.hook, code);
      }
      break;
    case SessionStep::kIdle:
      played.hook = "IdleHook";
      if (IdleHookFunc idleHook = host.idleHook()) {
        int32_t maxSleep = 100;
        result.idleRun = true;
        const HostError code = idleHook(nullptr, nullptr, &maxSleep);
        Keep(result.idleResult, code);
        ran(played.hook, code);
      }
      break;
  }
  played.endCall = host.callCount();
  return played;
}

namespace {

// The scene's session, step by step.
void PlayHooks(SimulatedHost& host, EntryPointFuncType entry, std::ostream* log,
               SessionResult& result) {
  for (const SessionStep step : host.scene().session) {
    result.steps.push_back(PlayStep(host, entry, step, log, result));
  }
}

}  // namespace

SessionResult PlaySession(SimulatedHost& host, EntryPointFuncType entry, std::ostream* log,
                          const ClipboardSink& sink) {
  SessionResult result;
  ReplaceClipboardText(host.scene().clipboard);
  result.clipboardBefore = ReadClipboardText();
  {
    const ClipboardFaults faults(host.scene().clipboardFaults);
    PlayHooks(host, entry, log, result);
  }
  const bool held = WithClipboardText([&](const char* bytes, std::size_t size) {
    result.clipboardChanged =
        !result.clipboardBefore || std::string_view(bytes, size) != *result.clipboardBefore;
    if (!sink) {
      result.clipboard.emplace(bytes, size);
    } else if (result.clipboardChanged) {
      sink(bytes, size);
    }
  });
  result.clipboardHeld = held;
  if (!held) result.clipboardChanged = result.clipboardBefore.has_value();
  return result;
}

}  // namespace tarnwick::sim
