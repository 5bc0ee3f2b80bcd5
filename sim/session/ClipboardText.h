// The clipboard's text as any program reads and writes it, through Win32.
#ifndef TARNWICK_SIM_SESSION_CLIPBOARD_TEXT_H
#define TARNWICK_SIM_SESSION_CLIPBOARD_TEXT_H

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace tarnwick::sim {

// Hands the clipboard's CF_TEXT bytes to `use` where they lie; false when it
// holds no text.
bool WithClipboardText(const std::function<void(const char*, std::size_t)>& use);
// The clipboard's CF_TEXT, copied.
std::optional<std::string> ReadClipboardText();
// Replaces the clipboard's content with the text, or empties it.
void ReplaceClipboardText(const std::optional<std::string>& text);

}  // namespace tarnwick::sim

#endif
