#include "sim/Session.h"

#include <cstring>
#include <nlohmann/json.hpp>

#include "platform/Win32.h"
#ifndef _WIN32
#include "platform/Win32StandIn.h"
#endif

namespace tarnwick::sim {

std::optional<std::string> ReadClipboardText() {
  std::optional<std::string> text;
  for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(10);
  HANDLE data = GetClipboardData(CF_TEXT);
  if (data != nullptr) {
    const char* bytes = static_cast<const char*>(GlobalLock(data));
    if (bytes != nullptr) {
      text = std::string(bytes, strnlen(bytes, GlobalSize(data)));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void ReplaceClipboardText(const std::optional<std::string>& text) {
  for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(10);
  EmptyClipboard();
  if (text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text->size() + 1);
    void* bytes = block != nullptr ? GlobalLock(block) : nullptr;
    if (bytes != nullptr) {
      std::memcpy(bytes, text->c_str(), text->size() + 1);
      GlobalUnlock(block);
      if (SetClipboardData(CF_TEXT, block) == nullptr) GlobalFree(block);
    } else if (block != nullptr) {
      GlobalFree(block);
    }
  }
  CloseClipboard();
}

namespace {

// Fails the scene's clipboard steps while it lives, so the session's own
// reading and writing of the clipboard around the module still work.
class ClipboardFaults {
 public:
  explicit ClipboardFaults(const std::vector<std::string>& steps) {
#ifndef _WIN32
    for (const std::string& step : steps) {
      standin::AddFailure(step == "GlobalAlloc"     ? standin::Failure::kAllocRefused
                          : step == "GlobalLock"    ? standin::Failure::kLockReturnsNull
                          : step == "OpenClipboard" ? standin::Failure::kOpenRefused
                                                    : standin::Failure::kSetDataRefused);
    }
#else
    (void)steps;  // the loader refuses them on Windows
#endif
  }
  ~ClipboardFaults() {
#ifndef _WIN32
    standin::SetFailure(standin::Failure::kNone);
#endif
  }
  ClipboardFaults(const ClipboardFaults&) = delete;
  ClipboardFaults& operator=(const ClipboardFaults&) = delete;
};

}  // namespace

SessionResult PlaySession(SimulatedHost& host, EntryPointFuncType entry, std::ostream* log) {
  const Scene& scene = host.scene();
  SessionResult result;
  ReplaceClipboardText(scene.clipboard);
  result.clipboardBefore = ReadClipboardText();
  std::optional<ClipboardFaults> clipboardFaults(std::in_place, scene.clipboardFaults);

  result.entryResult = entry(host.basicSuite(), scene.hostMajor, scene.hostMinor, scene.pluginId);
  if (log) *log << "EntryPointFunc -> " << result.entryResult << '\n';

  const CommandId command = scene.commandId;
  if (UpdateMenuHookFunc menuHook = host.updateMenuHook()) {
    result.menuHookRun = true;
    result.menuResult = menuHook(nullptr, nullptr, 0);
    if (log) *log << "UpdateMenuHook -> " << result.menuResult << '\n';
  }
  result.menuEnabled = !host.menuItems().empty() && host.CommandEnabled(command);

  // The user chooses the menu item: every registered command hook hears of it.
  if (!host.menuItems().empty() && host.CommandEnabled(command)) {
    for (const CommandHookRecord& hook : host.commandHooks()) {
      if (hook.command != 0 && hook.command != command) continue;
      HostBoolean handled = 0;
      result.commandRun = true;
      result.commandResult = hook.hook(nullptr, hook.refcon, command, hook.priority, 0, &handled);
      result.handled = result.handled || handled != 0;
      if (log) *log << "CommandHook -> " << result.commandResult << '\n';
    }
  }
  if (IdleHookFunc idleHook = host.idleHook()) {
    int32_t maxSleep = 100;
    result.idleRun = true;
    result.idleResult = idleHook(nullptr, nullptr, &maxSleep);
    if (log) *log << "IdleHook -> " << result.idleResult << '\n';
  }
  clipboardFaults.reset();
  result.clipboard = ReadClipboardText();
  result.clipboardChanged = result.clipboard != result.clipboardBefore;
  return result;
}

std::string ReportJson(const SimulatedHost& host, const SessionResult& result) {
  using Json = nlohmann::ordered_json;
  Json report;
  report["entry_result"] = result.entryResult;
  report["menu_result"] = result.menuHookRun ? Json(result.menuResult) : Json(nullptr);
  report["menu_enabled"] = result.menuEnabled;
  report["command_run"] = result.commandRun;
  report["command_result"] = result.commandRun ? Json(result.commandResult) : Json(nullptr);
  report["handled"] = result.handled;
  report["idle_result"] = result.idleRun ? Json(result.idleResult) : Json(nullptr);
  report["clipboard"] = result.clipboard ? Json(*result.clipboard) : Json(nullptr);
  report["clipboard_changed"] = result.clipboardChanged;
  report["undo_groups"] = {{"started", host.undoGroupsStarted()},
                           {"ended", host.undoGroupsEnded()},
                           {"open_at_end", host.undoGroupsOpen()}};
  report["suites_outstanding"] = host.OutstandingSuites();
  report["violations"] = host.violations();
  report["reports"] = host.reports();
  Json menu = Json::array();
  for (const MenuItem& item : host.menuItems()) {
    menu.push_back({{"command", item.command},
                    {"text", item.text},
                    {"menu", item.menu},
                    {"position", item.position}});
  }
  report["menu_items"] = menu;
  Json calls = Json::array();
  for (const CallRecord& call : host.calls()) {
    calls.push_back({{"operation", OperationName(call.operation)}, {"result", call.result}});
  }
  report["calls"] = calls;
  return report.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tarnwick::sim
