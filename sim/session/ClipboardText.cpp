#include "sim/session/ClipboardText.h"

#include <cstring>

#include "platform/ClipboardOpen.h"
#include "platform/Win32.h"

namespace tarnwick::sim {

namespace {

// The session waits longer than the module for a clipboard another program
// holds: it reads what the module left, whatever is running beside it.
constexpr int kOpenTries = 50;
constexpr DWORD kOpenWait = 10;

}  // namespace

bool WithClipboardText(const std::function<void(const char*, std::size_t)>& use) {
  if (!OpenClipboardWithRetries(nullptr, kOpenTries, kOpenWait)) return false;
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
  if (!OpenClipboardWithRetries(nullptr, kOpenTries, kOpenWait)) return;
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

}  // namespace tarnwick::sim
