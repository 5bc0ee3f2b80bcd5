// Puts the settings text on the Windows clipboard as CF_TEXT.
#ifndef TARNWICK_EXPORT_CLIPBOARD_WRITER_H
#define TARNWICK_EXPORT_CLIPBOARD_WRITER_H

#include <string_view>

#include "platform/Win32.h"

namespace tarnwick {

constexpr int kClipboardOpenTries = 10;
constexpr DWORD kClipboardRetryMilliseconds = 10;

// Replaces the clipboard's content with the text and a terminating NUL, byte
// for byte. Returns whether the text is on the clipboard afterwards. When the
// block cannot be prepared or the clipboard cannot be opened, the clipboard
// keeps what it held.
bool ClipboardWriter(HWND owner, std::string_view text);

}  // namespace tarnwick

#endif
