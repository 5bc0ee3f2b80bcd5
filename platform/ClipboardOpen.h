// Opening the clipboard, which another program may hold open for a moment.
#ifndef TARNWICK_PLATFORM_CLIPBOARD_OPEN_H
#define TARNWICK_PLATFORM_CLIPBOARD_OPEN_H

#include "platform/Win32.h"

namespace tarnwick {

// Tries to open the clipboard up to `tries` times, waiting `wait`
// milliseconds between tries; whether it opened.
bool OpenClipboardWithRetries(HWND owner, int tries, DWORD wait);

}  // namespace tarnwick

#endif
