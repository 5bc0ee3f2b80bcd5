#include "sim/program/Session.h"

#include <cstring>
#include <functional>
#include <nlohmann/json.hpp>
#include <string_view>

#include "platform/Win32.h"
#include "sim/program/ClipboardSteps.h"

namespace tarnwick::sim {

bool WithClipboardText(const std::function<void(const char*, std::size_t)>& use) {
  for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(10);
  // Unlocked and closed however `use` ends.
  struct Close {
    HANDLE locked = nullptr;
    ~Close() {
      if (locked != nullptr) GlobalUnlock(locked);
      CloseClipboard();
    }
  } close;
  HANDLE data = GetClipboardData(CF_TEXT);
  const char* bytes = data != nullptr ? static_cast<const char*>(GlobalLock(data)) : nullptr;
  if (bytes == nullptr) return false;
  close.locked = data;
  use(bytes, strnlen(bytes, GlobalSize(data)));
  return true;
}

std::optional<std::string> ReadClipboardText() {
  std::optional<std::string> text;
  WithClipboardText([&](const char* bytes, std::size_t size) { text.emplace(bytes, size); });
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

namespace {

// The length of the UTF-8 sequence at the start of the bytes, or 0 when it is
// not one (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t Utf8Length(const unsigned char* p, std::size_t left) {
  const unsigned char c = p[0];
  std::size_t length = 0;
  unsigned lowest = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2, lowest = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3, lowest = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4, lowest = 0x10000;
  } else {
    return 0;
  }
  if (left < length) return 0;
  unsigned code = c & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    code = code << 6 | (p[i] & 0x3Fu);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return code < lowest || code > 0x10FFFF || surrogate ? 0 : length;
}

// Writes the bytes as a JSON string, as they are read: quotes, backslashes
// and control characters escaped, bytes that do not form UTF-8 replaced with
// U+FFFD. Runs of plain bytes go out whole, so a long text costs no copy.
void WriteJsonString(std::ostream& out, const char* bytes, std::size_t size) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  out << '"';
  std::size_t run = 0;  // start of the bytes not yet written
  const auto flush = [&](std::size_t end) {
    out.write(bytes + run, static_cast<std::streamsize>(end - run));
  };
  for (std::size_t i = 0; i < size;) {
    const unsigned char c = p[i];
    if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
      ++i;
      continue;
    }
    if (c >= 0x80) {
      const std::size_t length = Utf8Length(p + i, size - i);
      if (length != 0) {
        i += length;
        continue;
      }
    }
    flush(i);
    switch (c) {
      case '"':
        out << "\\\"";
        break;
      case '\\':
        out << "\\\\";
        break;
      case '\n':
        out << "\\n";
        break;
      case '\r':
        out << "\\r";
        break;
      case '\t':
        out << "\\t";
        break;
      default:
        if (c >= 0x80) {
          out << "\\ufffd";
        } else {
          static const char kHex[] = "0123456789abcdef";
          out << "\\u00" << kHex[c >> 4] << kHex[c & 0xF];
        }
    }
    run = ++i;
  }
  flush(size);
  out << '"';
}

}  // namespace

void WriteReport(std::ostream& out, const SimulatedHost& host, const SessionResult& result) {
  using Json = nlohmann::ordered_json;
  // Everything but the clipboard and the calls is small: one document.
  Json head;
  head["entry_result"] = result.entryResult;
  head["menu_result"] = result.menuHookRun ? Json(result.menuResult) : Json(nullptr);
  head["menu_enabled"] = result.menuEnabled;
  head["command_run"] = result.commandRun;
  head["command_result"] = result.commandRun ? Json(result.commandResult) : Json(nullptr);
  head["handled"] = result.handled;
  head["idle_result"] = result.idleRun ? Json(result.idleResult) : Json(nullptr);
  Json tail;
  tail["clipboard_changed"] = result.clipboardChanged;
  tail["undo_groups"] = {{"started", host.undoGroupsStarted()},
                         {"ended", host.undoGroupsEnded()},
                         {"open_at_end", host.undoGroupsOpen()}};
  tail["suites_outstanding"] = host.OutstandingSuites();
  tail["host_objects"] = host.objectsObtained();
  tail["violations"] = host.violations();
  tail["reports"] = host.reports();
  Json menu = Json::array();
  for (const MenuItem& item : host.menuItems()) {
    menu.push_back({{"command", item.command},
                    {"text", item.text},
                    {"menu", item.menu},
                    {"position", item.position}});
  }
  tail["menu_items"] = menu;

  const auto members = [&out](const Json& object) {
    for (auto it = object.begin(); it != object.end(); ++it) {
      out << "  \"" << it.key()
          << "\": " << it.value().dump(-1, ' ', false, Json::error_handler_t::replace) << ",\n";
    }
  };
  out << "{\n";
  members(head);
  // The clipboard and the calls can be large: written as they are read.
  out << "  \"clipboard\": ";
  if (result.clipboard) {
    WriteJsonString(out, result.clipboard->data(), result.clipboard->size());
  } else if (!WithClipboardText([&out](const char* bytes, std::size_t size) {
               WriteJsonString(out, bytes, size);  // read where it lies
             })) {
    out << "null";
  }
  out << ",\n";
  members(tail);
  out << "  \"calls\": [";
  const char* separator = "\n";
  for (const CallRecord& call : host.calls()) {
    out << separator << "    {\"operation\": \"" << OperationName(call.operation)
        << "\", \"result\": " << call.result << "}";
    separator = ",\n";
  }
  out << (host.calls().empty() ? "]\n" : "\n  ]\n") << "}\n";
}

}  // namespace tarnwick::sim
