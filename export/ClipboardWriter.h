// Puts the settings text on the Windows clipboard as CF_TEXT.
#ifndef TARNWICK_EXPORT_CLIPBOARD_WRITER_H
#define TARNWICK_EXPORT_CLIPBOARD_WRITER_H

#include "platform/Win32.h"

namespace tarnwick {

constexpr int kClipboardOpenTries = 10;
constexpr DWORD kClipboardRetryMilliseconds = 10;

// Replaces the clipboard's content with the block: a movable global block,
// unlocked, holding the text and its terminating NUL, which the writer takes
// over (the clipboard's from then on, or freed here). Returns whether the
// text is on the clipboard afterwards. When the clipboard cannot be opened
// it keeps what it held.
bool ClipboardWriter(HWND owner, HGLOBAL block);

}  // namespace tarnwick

#endif
