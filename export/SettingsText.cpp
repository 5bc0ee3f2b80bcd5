#include "export/SettingsText.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "export/NumberFormat.h"

namespace tarnwick {

namespace {

#define CRLF "\r\n"

// A line that carries numbers is assembled here and appended in one piece.
// The longest, a point line of six numbers of the largest magnitude, stays
// far below its size.
class LineBuffer {
 public:
  // User-provided so that LineBuffer() leaves the characters unset: a
  // value-initialised buffer would be zeroed on every line.
  LineBuffer() {}  // NOLINT(modernize-use-equals-default)

  template <std::size_t N>
  LineBuffer& Text(const char (&literal)[N]) {
    std::memcpy(chars_ + length_, literal, N - 1);
    length_ += N - 1;
    return *this;
  }
  LineBuffer& Integer(int64_t value) {
    length_ += FormatInteger(value, chars_ + length_);
    return *this;
  }
  LineBuffer& Fixed6(double value) {
    length_ += FormatFixed6(value, chars_ + length_);
    return *this;
  }
  // The end of a list entry: a comma unless it is the last.
  LineBuffer& Separator(bool last) { return last ? Text(CRLF) : Text("," CRLF); }
  void AppendTo(std::string& text) const { text.append(chars_, length_); }

 private:
  char chars_[4096];
  std::size_t length_ = 0;
};

}  // namespace

void EnsureRoom(std::string& text, std::size_t extra, std::size_t expectedLength) {
  const std::size_t needed = text.size() + extra;
  if (needed <= text.capacity()) {
    return;
  }
  const std::size_t plain = std::max(needed, text.capacity() + text.capacity() / 2);
  std::string grown;
  if (expectedLength > plain) {
    try {
      grown.reserve(expectedLength);
    } catch (const std::bad_alloc&) {
      // Only a guess: the plain growth below may still fit.
    } catch (const std::length_error&) {
    }
  }
  if (grown.capacity() < plain) {
    grown.reserve(plain);
  }
  grown.append(text);
  text.swap(grown);
}

void AppendDocumentHead(std::string& text) {
  text.append("{" CRLF "\tTools = ordered() {" CRLF);
}

void AppendToolHead(std::string& text, int64_t index, int32_t width, int32_t height) {
  LineBuffer().Text("\t\tBSpline").Integer(index).Text(" = BSplineMask {" CRLF).AppendTo(text);
  text.append("\t\t\tDrawMode = \"ClickAppend\"," CRLF "\t\t\tDrawMode2 = \"InsertAndModify\"," CRLF
              "\t\t\tCtrlWZoom = false," CRLF "\t\t\tInputs = {" CRLF
              "OutputSize = Input { Value = FuID { \"Custom\" }, }," CRLF);
  LineBuffer()
      .Text("\t\t\t\tMaskWidth = Input { Value = ")
      .Integer(width)
      .Text(", }," CRLF)
      .AppendTo(text);
  LineBuffer()
      .Text("\t\t\t\tMaskHeight = Input { Value = ")
      .Integer(height)
      .Text(", }," CRLF)
      .AppendTo(text);
  text.append("\t\t\t\tPixelAspect = Input { Value = { 1, 1 }, }," CRLF
              "\t\t\t\tClippingMode = Input { Value = FuID { \"None\" }, }," CRLF
              "\t\t\t\tPolyline = Input {" CRLF);
  LineBuffer()
      .Text("\t\t\t\t\tSourceOp = \"BSpline")
      .Integer(index)
      .Text("Polyline\"," CRLF)
      .AppendTo(text);
  text.append("\t\t\t\t\tSource = \"Value\"," CRLF "\t\t\t\t}," CRLF
              "\t\t\t\tPolyline2 = Input {" CRLF "\t\t\t\t\tValue = BSplinePolyline {" CRLF
              "\t\t\t\t\t\tOrder = 4," CRLF "\t\t\t\t\t\tType = \"Tensioned\"," CRLF
              "\t\t\t\t\t\tKnots = { }" CRLF "\t\t\t\t\t}," CRLF "\t\t\t\t\tDisabled = true," CRLF
              "\t\t\t\t}," CRLF "\t\t\t}," CRLF);
  LineBuffer()
      .Text("\t\t\tViewInfo = OperatorInfo { Pos = { 522, ")
      .Integer(index * 10 + 100)
      .Text(" } }," CRLF)
      .AppendTo(text);
  text.append("\t\t}," CRLF);
  LineBuffer()
      .Text("\t\tBSpline")
      .Integer(index)
      .Text("Polyline = BezierSpline {" CRLF)
      .AppendTo(text);
  text.append("\t\t\tSplineColor = { Red = 255, Green = 255, Blue = 0 }," CRLF
              "\t\t\tNameSet = true," CRLF "\t\t\tKeyFrames = {" CRLF);
}

void AppendKeyframeHead(std::string& text, int32_t frameNumber, int32_t keyframeIndex) {
  LineBuffer()
      .Text("\t\t\t\t[")
      .Integer(frameNumber)
      .Text("] = { ")
      .Integer(keyframeIndex)
      .Text(
          ", RH = { 19.6666666666667, 0.333333333333333 }, Flags = { Linear = true, LockedY = "
          "true }, Value = Polyline  {" CRLF)
      .AppendTo(text);
  text.append("\t\t\t\t\t\tClosed = true," CRLF "\t\t\t\t\t\tPoints = {" CRLF);
}

void AppendPointLine(std::string& text, const NormalisedPoint& point, bool lastOfKeyframe) {
  LineBuffer()
      .Text("\t\t\t\t\t\t\t{ X= ")
      .Fixed6(point.X)
      .Text(", Y= ")
      .Fixed6(point.Y)
      .Text(", LX =")
      .Fixed6(point.LX)
      .Text(", LY =")
      .Fixed6(point.LY)
      .Text(", RX=")
      .Fixed6(point.RX)
      .Text(", RY=")
      .Fixed6(point.RY)
      .Text("}")
      .Separator(lastOfKeyframe)
      .AppendTo(text);
}

void AppendKeyframeTail(std::string& text, bool lastOfMask) {
  text.append("\t\t\t\t\t\t}," CRLF "\t\t\t\t\t\tOrder = 4," CRLF
              "\t\t\t\t\t\tType = \"Tensioned\"," CRLF);
  text.append(lastOfMask ? "\t\t\t\t\t}}" CRLF : "\t\t\t\t\t}}," CRLF);
}

void AppendToolTail(std::string& text, bool lastOfCollection) {
  text.append("\t\t\t}" CRLF);
  text.append(lastOfCollection ? "\t\t}" CRLF : "\t\t}," CRLF);
}

void AppendDocumentTail(std::string& text) {
  text.append("\t}," CRLF "\tActiveTool = \"BSpline1\"" CRLF "}" CRLF);
}

#undef CRLF

}  // namespace tarnwick
