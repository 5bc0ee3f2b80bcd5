#include "export/SettingsText.h"

#include <cstring>

#include "export/NumberFormat.h"

// The text is a published format: Fusion reads it, and the tools and kept
// files of the people who use it compare against it byte for byte. What
// looks like a slip in it is part of the format and stays exactly as it is:
// - "OutputSize" starts its line without tabs;
// - a keyframe's head ends "Value = Polyline  {", two blanks before "{";
// - a keyframe's head is at four tabs and its lines at six, none at five;
// - a point is "{ X= x, Y= y, LX =lx, LY =ly, RX=rx, RY=ry}": a blank after
//   "X=" and "Y=", before "=" for the left handle, none for the right;
// - "ActiveTool" is always "BSpline1", whichever tools the text holds.
// Changing any of it would break every comparison downstream, so each stays
// until a new format is published.

namespace tarnwick {

namespace {

#define CRLF "\r\n"

// Writes a line that carries numbers at a given place, piece by piece.
class LineWriter {
 public:
  explicit LineWriter(char* out) : start_(out), cursor_(out) {}

  template <std::size_t N>
  LineWriter& Text(const char (&literal)[N]) {
    std::memcpy(cursor_, literal, N - 1);
    cursor_ += N - 1;
    return *this;
  }
  LineWriter& Integer(int64_t value) {
    cursor_ += FormatInteger(value, cursor_);
    return *this;
  }
  template <std::size_t N>
  LineWriter& Fixed6Pair(double first, const char (&between)[N], double second) {
    cursor_ += FormatFixed6Pair(first, between, second, cursor_);
    return *this;
  }
  // The end of a list entry: a comma unless it is the last.
  LineWriter& Separator(bool last) { return last ? Text(CRLF) : Text("," CRLF); }
  std::size_t length() const { return static_cast<std::size_t>(cursor_ - start_); }

 private:
  char* start_;
  char* cursor_;
};

// More than any line the writers make: the longest, a point line of six
// numbers of the largest magnitude, is about 2,000 characters.
constexpr std::size_t kLineRoom = 4096;

// A line that might not fit the text's room is written aside and appended,
// which grows the text; out of line, so the common case keeps no room for it.
template <typename Write>
__attribute__((noinline)) void AppendLineGrowing(TextBuffer& text, Write write) {
  char chars[kLineRoom];
  LineWriter line(chars);
  write(line);
  text.Append(chars, line.length());
}

// Writes a line straight into the text's room when it surely fits.
template <typename Write>
void AppendLine(TextBuffer& text, Write write) {
  if (text.spare() < kLineRoom) {
    AppendLineGrowing(text, write);
    return;
  }
  LineWriter line(text.end());
  write(line);
  text.Extend(line.length());
}

template <std::size_t N>
void AppendText(TextBuffer& text, const char (&literal)[N]) {
  text.Append(literal, N - 1);
}

}  // namespace

void AppendDocumentHead(TextBuffer& text) {
  AppendText(text, "{" CRLF "\tTools = ordered() {" CRLF);
}

void AppendToolHead(TextBuffer& text, int64_t index, int32_t width, int32_t height,
                    const MaskInputs& inputs) {
  AppendLine(text, [&](LineWriter& line) {
    line.Text("\t\tBSpline").Integer(index).Text(" = BSplineMask {" CRLF);
  });
  AppendText(text,
             "\t\t\tDrawMode = \"ClickAppend\"," CRLF "\t\t\tDrawMode2 = \"InsertAndModify\"," CRLF
             "\t\t\tCtrlWZoom = false," CRLF "\t\t\tInputs = {" CRLF
             "OutputSize = Input { Value = FuID { \"Custom\" }, }," CRLF);
  AppendLine(text, [&](LineWriter& line) {
    line.Text("\t\t\t\tMaskWidth = Input { Value = ").Integer(width).Text(", }," CRLF);
  });
  AppendLine(text, [&](LineWriter& line) {
    line.Text("\t\t\t\tMaskHeight = Input { Value = ").Integer(height).Text(", }," CRLF);
  });
  AppendText(text, "\t\t\t\tPixelAspect = Input { Value = { 1, 1 }, }," CRLF
                   "\t\t\t\tClippingMode = Input { Value = FuID { \"None\" }, }," CRLF);
  if (inputs.invert) AppendText(text, "\t\t\t\tInvert = Input { Value = 1, }," CRLF);
  if (inputs.paintMode != nullptr) {
    AppendText(text, "\t\t\t\tPaintMode = Input { Value = FuID { \"");
    text.Append(inputs.paintMode, std::strlen(inputs.paintMode));
    AppendText(text, "\" }, }," CRLF);
  }
  AppendText(text, "\t\t\t\tPolyline = Input {" CRLF);
  AppendLine(text, [&](LineWriter& line) {
    line.Text("\t\t\t\t\tSourceOp = \"BSpline").Integer(index).Text("Polyline\"," CRLF);
  });
  AppendText(text, "\t\t\t\t\tSource = \"Value\"," CRLF "\t\t\t\t}," CRLF
                   "\t\t\t\tPolyline2 = Input {" CRLF "\t\t\t\t\tValue = BSplinePolyline {" CRLF
                   "\t\t\t\t\t\tOrder = 4," CRLF "\t\t\t\t\t\tType = \"Tensioned\"," CRLF
                   "\t\t\t\t\t\tKnots = { }" CRLF "\t\t\t\t\t}," CRLF
                   "\t\t\t\t\tDisabled = true," CRLF "\t\t\t\t}," CRLF "\t\t\t}," CRLF);
  AppendLine(text, [&](LineWriter& line) {
    line.Text("\t\t\tViewInfo = OperatorInfo { Pos = { 522, ")
        .Integer(index * 10 + 100)
        .Text(" } }," CRLF);
  });
  AppendText(text, "\t\t}," CRLF);
  AppendLine(text, [&](LineWriter& line) {
    line.Text("\t\tBSpline").Integer(index).Text("Polyline = BezierSpline {" CRLF);
  });
  AppendText(text, "\t\t\tSplineColor = { Red = 255, Green = 255, Blue = 0 }," CRLF
                   "\t\t\tNameSet = true," CRLF "\t\t\tKeyFrames = {" CRLF);
}

// Two blanks before "{", and the lines after it at six tabs: the format's.
void AppendKeyframeHead(TextBuffer& text, int32_t frameNumber, int32_t keyframeIndex) {
  AppendLine(text, [&](LineWriter& line) {
    line.Text("\t\t\t\t[")
        .Integer(frameNumber)
        .Text("] = { ")
        .Integer(keyframeIndex)
        .Text(
            ", RH = { 19.6666666666667, 0.333333333333333 }, Flags = { Linear = true, LockedY = "
            "true }, Value = Polyline  {" CRLF);
  });
  AppendText(text, "\t\t\t\t\t\tClosed = true," CRLF "\t\t\t\t\t\tPoints = {" CRLF);
}

// "X= ", "LX =" and "RX=": each pair spaced as the format has it.
void AppendPointLine(TextBuffer& text, const NormalisedPoint& point, bool lastOfKeyframe) {
  AppendLine(text, [&](LineWriter& line) {
    line.Text("\t\t\t\t\t\t\t{ X= ")
        .Fixed6Pair(point.X, ", Y= ", point.Y)
        .Text(", LX =")
        .Fixed6Pair(point.LX, ", LY =", point.LY)
        .Text(", RX=")
        .Fixed6Pair(point.RX, ", RY=", point.RY)
        .Text("}")
        .Separator(lastOfKeyframe);
  });
}

void AppendKeyframeTail(TextBuffer& text, bool lastOfMask) {
  AppendText(text, "\t\t\t\t\t\t}," CRLF "\t\t\t\t\t\tOrder = 4," CRLF
                   "\t\t\t\t\t\tType = \"Tensioned\"," CRLF);
  if (lastOfMask) {
    AppendText(text, "\t\t\t\t\t}}" CRLF);
  } else {
    AppendText(text, "\t\t\t\t\t}}," CRLF);
  }
}

void AppendToolTail(TextBuffer& text, bool lastOfCollection) {
  AppendText(text, "\t\t\t}" CRLF);
  if (lastOfCollection) {
    AppendText(text, "\t\t}" CRLF);
  } else {
    AppendText(text, "\t\t}," CRLF);
  }
}

// "BSpline1" whatever the tools are: the format's.
void AppendDocumentTail(TextBuffer& text) {
  AppendText(text, "\t}," CRLF "\tActiveTool = \"BSpline1\"" CRLF "}" CRLF);
}

#undef CRLF

}  // namespace tarnwick
