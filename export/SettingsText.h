// The blocks of the Fusion tool-settings text. Each appends whole lines, with
// CR LF line ends and tab indentation, to one growing text.
#ifndef TARNWICK_EXPORT_SETTINGS_TEXT_H
#define TARNWICK_EXPORT_SETTINGS_TEXT_H

#include <cstdint>

#include "export/TextBuffer.h"
#include "export/VertexConversion.h"

namespace tarnwick {

void AppendDocumentHead(TextBuffer& text);
// Mask tool inputs beyond what the export reads from the host, written only
// when they differ from Fusion's defaults: a plain mask's text stays as it is.
struct MaskInputs {
  bool invert = false;
  const char* paintMode = nullptr;  // a FuID of Fusion's paint modes; none for the default
};

void AppendToolHead(TextBuffer& text, int64_t index, int32_t width, int32_t height,
                    const MaskInputs& inputs = MaskInputs{});
void AppendKeyframeHead(TextBuffer& text, int32_t frameNumber, int32_t keyframeIndex);
void AppendPointLine(TextBuffer& text, const NormalisedPoint& point, bool lastOfKeyframe);
void AppendKeyframeTail(TextBuffer& text, bool lastOfMask);
void AppendToolTail(TextBuffer& text, bool lastOfCollection);
void AppendDocumentTail(TextBuffer& text);

}  // namespace tarnwick

#endif
