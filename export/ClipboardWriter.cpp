#include "export/ClipboardWriter.h"

#include <cstring>

namespace tarnwick {

namespace {

// Another program may hold the clipboard open for a moment; wait it out.
bool OpenWithRetries(HWND owner) {
  for (int attempt = 0; attempt < kClipboardOpenTries; ++attempt) {
    if (attempt != 0) {
      Sleep(kClipboardRetryMilliseconds);
    }
    if (OpenClipboard(owner)) {
      return true;
    }
  }
  return false;
}

// A movable block holding the text and its NUL, or null.
HGLOBAL CopyToGlobalBlock(std::string_view text) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (block == nullptr) {
    return nullptr;
  }
  void* bytes = GlobalLock(block);
  if (bytes == nullptr) {
    GlobalFree(block);
    return nullptr;
  }
  if (!text.empty()) {
    std::memcpy(bytes, text.data(), text.size());
  }
  static_cast<char*>(bytes)[text.size()] = '\0';
  GlobalUnlock(block);
  return block;
}

}  // namespace

// The block is ready before the clipboard is touched, so a failure to
// allocate, lock or open leaves the user's clipboard as it was. Only a refusal
// after emptying loses the old content, and Win32 offers no way back from it.
bool ClipboardWriter(HWND owner, std::string_view text) {
  HGLOBAL block = CopyToGlobalBlock(text);
  if (block == nullptr) {
    return false;
  }
  if (!OpenWithRetries(owner)) {
    GlobalFree(block);
    return false;
  }
  EmptyClipboard();
  const bool handedOver = SetClipboardData(CF_TEXT, block) != nullptr;
  if (!handedOver) {
    GlobalFree(block);  // refused, so still ours
  }
  CloseClipboard();
  return handedOver;
}

}  // namespace tarnwick
