#include "export/ClipboardWriter.h"

#include "platform/ClipboardOpen.h"

namespace tarnwick {

// The block is whole before the clipboard is touched, so only a refusal
// after emptying loses the old content, and Win32 offers no way back from it.
bool ClipboardWriter(HWND owner, HGLOBAL block) {
  if (!OpenClipboardWithRetries(owner, kClipboardOpenTries, kClipboardRetryMilliseconds)) {
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
