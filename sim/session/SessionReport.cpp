#include "sim/session/SessionReport.h"

#include <nlohmann/json.hpp>

#include "sim/scene/Operations.h"
#include "sim/session/ClipboardText.h"
#include "sim/settings/Utf8.h"

namespace tarnwick::sim {

namespace {

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
      const std::size_t length = Utf8SequenceLength(p + i, size - i);
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
