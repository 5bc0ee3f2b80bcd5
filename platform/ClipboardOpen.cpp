#include "platform/ClipboardOpen.h"

namespace tarnwick {

bool OpenClipboardWithRetries(HWND owner, int tries, DWORD wait) {
  for (int attempt = 0; attempt < tries; ++attempt) {
    if (attempt != 0) {
      Sleep(wait);
    }
    if (OpenClipboard(owner)) {
      return true;
    }
  }
  return false;
}

}  // namespace tarnwick
