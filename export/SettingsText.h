// The blocks of the Fusion tool-settings text. Each appends whole lines, with
// CR LF line ends and tab indentation, to one growing string.
#ifndef TARNWICK_EXPORT_SETTINGS_TEXT_H
#define TARNWICK_EXPORT_SETTINGS_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "export/VertexConversion.h"

namespace tarnwick {

void AppendDocumentHead(std::string& text);
void AppendToolHead(std::string& text, int64_t index, int32_t width, int32_t height);
void AppendKeyframeHead(std::string& text, int32_t frameNumber, int32_t keyframeIndex);
void AppendPointLine(std::string& text, const NormalisedPoint& point, bool lastOfKeyframe);
void AppendKeyframeTail(std::string& text, bool lastOfMask);
void AppendToolTail(std::string& text, bool lastOfCollection);
void AppendDocumentTail(std::string& text);

// Makes room for extra more characters. When the text must grow it grows by
// half again, or straight to expectedLength, the caller's guess at the whole
// text's length, when that is more; a long text is then copied few times.
// A guess the allocator cannot meet falls back to the plain growth.
void EnsureRoom(std::string& text, std::size_t extra, std::size_t expectedLength = 0);

// Upper bounds of the text one block adds, for reserving ahead of a long export.
constexpr std::size_t kToolTextEstimate = 1200;
constexpr std::size_t kKeyframeTextEstimate = 256;
constexpr std::size_t kPointLineEstimate = 120;

}  // namespace tarnwick

#endif
