#include <gtest/gtest.h>

#include <limits>
#include <new>
#include <string>

#include "export/SettingsText.h"
#include "tests/TestSupport.h"

namespace tarnwick {
namespace {

using tests::ReadFile;
using tests::RunHarness;
using tests::SourcePath;

// Lines go straight into the text's room when it is ample, and are written
// aside and appended when it is not: both ways give the same bytes.
TEST(SettingsText, WorkedExampleByteForByte) {
  for (const std::size_t room : {std::size_t{0}, std::size_t{1} << 16}) {
    TextBuffer text;
    text.Reserve(room);
    AppendDocumentHead(text);
    AppendToolHead(text, 0, 1920, 1080);
    AppendKeyframeHead(text, 0, 0);
    AppendPointLine(text, {-0.25, 0.125, 0.05, 0.0, -0.05, 0.0}, false);
    AppendPointLine(text, {0.25, -0.125, 0.0, -0.04, 0.0, 0.04}, true);
    AppendKeyframeTail(text, true);
    AppendToolTail(text, true);
    AppendDocumentTail(text);
    EXPECT_EQ(text.View(), ReadFile(SourcePath("examples/worked-example.expected.txt")))
        << "room " << room;
    EXPECT_GE(text.capacity(), room) << "room " << room;
  }
}

TEST(SettingsText, SeparatorsAndNumbers) {
  const struct {
    const char* name;
    std::string text;
    const char* expected;
  } cases[] = {
      {"point line, not last",
       [] {
         TextBuffer t;
         AppendPointLine(t, {1, -0.0, 0, 0, 0, 0}, false);
         return std::string(t.View());
       }(),
       "\t\t\t\t\t\t\t{ X= 1.000000, Y= -0.000000, LX =0.000000, LY =0.000000, RX=0.000000, "
       "RY=0.000000},\r\n"},
      {"point line, last",
       [] {
         TextBuffer t;
         AppendPointLine(t, {0, 0, 0, 0, 0, 0}, true);
         return std::string(t.View());
       }(),
       "\t\t\t\t\t\t\t{ X= 0.000000, Y= 0.000000, LX =0.000000, LY =0.000000, RX=0.000000, "
       "RY=0.000000}\r\n"},
      {"keyframe tail, not last",
       [] {
         TextBuffer t;
         AppendKeyframeTail(t, false);
         return std::string(t.View());
       }(),
       "\t\t\t\t\t\t},\r\n\t\t\t\t\t\tOrder = 4,\r\n\t\t\t\t\t\tType = "
       "\"Tensioned\",\r\n\t\t\t\t\t}},\r\n"},
      {"tool tail, not last",
       [] {
         TextBuffer t;
         AppendToolTail(t, false);
         return std::string(t.View());
       }(),
       "\t\t\t}\r\n\t\t},\r\n"},
      {"tool tail, last",
       [] {
         TextBuffer t;
         AppendToolTail(t, true);
         return std::string(t.View());
       }(),
       "\t\t\t}\r\n\t\t}\r\n"},
      {"keyframe head, negative frame",
       [] {
         TextBuffer t;
         AppendKeyframeHead(t, -1, 1);
         return std::string(t.View());
       }(),
       "\t\t\t\t[-1] = { 1, RH = { 19.6666666666667, 0.333333333333333 }, Flags = { Linear = true, "
       "LockedY = true }, Value = Polyline  {\r\n\t\t\t\t\t\tClosed = true,\r\n\t\t\t\t\t\tPoints "
       "= {\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.text, c.expected) << c.name;
  }
  TextBuffer toolText;
  AppendToolHead(toolText, 1, 200, 100);
  const std::string_view tool = toolText.View();
  EXPECT_NE(tool.find("\t\tBSpline1 = BSplineMask {\r\n"), std::string_view::npos);
  EXPECT_NE(tool.find("\t\t\t\t\tSourceOp = \"BSpline1Polyline\",\r\n"), std::string_view::npos);
  EXPECT_NE(tool.find("\t\t\tViewInfo = OperatorInfo { Pos = { 522, 110 } },\r\n"),
            std::string_view::npos);
  EXPECT_NE(tool.find("\r\nOutputSize = Input"), std::string_view::npos);
}

TEST(SettingsText, LoadsInLuaWithNonFiniteNumbers) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  TextBuffer text;
  AppendDocumentHead(text);
  for (int mask = 0; mask < 2; ++mask) {
    AppendToolHead(text, mask, 1920, 1080);
    for (int key = 0; key < 2; ++key) {
      AppendKeyframeHead(text, key * 10, key);
      AppendPointLine(text, {0.25, -0.5, inf, -inf, nan, -0.0}, false);
      AppendPointLine(text, {1, 2, 3, 4, 5, 6}, false);
      AppendPointLine(text, {-1, -2, -3, -4, -5, -6}, true);
      AppendKeyframeTail(text, key == 1);
    }
    AppendToolTail(text, mask == 1);
  }
  AppendDocumentTail(text);
  const tests::HarnessResult result = RunHarness(std::string(text.View()));
  ASSERT_EQ(result.status, 0) << result.output;
  EXPECT_NE(result.output.find("mask BSpline0 1920x1080 pos 100\n"), std::string_view::npos);
  EXPECT_NE(result.output.find("mask BSpline1 1920x1080 pos 110\n"), std::string_view::npos);
  EXPECT_NE(result.output.find("spline BSpline1Polyline keyframes 2\n"), std::string_view::npos);
  EXPECT_NE(result.output.find("keyframe BSpline1Polyline frame 10 index 1 points 3\n"),
            std::string_view::npos);
  EXPECT_NE(result.output.find("point BSpline0Polyline 0 0 0.250000 -0.500000 inf -inf nan "),
            std::string_view::npos)
      << result.output;
  EXPECT_NE(result.output.find("masks 2\n"), std::string_view::npos);
}

TEST(SettingsText, EmptySelectionLoads) {
  TextBuffer text;
  AppendDocumentHead(text);
  AppendDocumentTail(text);
  EXPECT_EQ(text.View(),
            "{\r\n\tTools = ordered() {\r\n\t},\r\n\tActiveTool = \"BSpline1\"\r\n}\r\n");
  EXPECT_EQ(RunHarness(std::string(text.View())).output, "masks 0\n");
}

TEST(SettingsText, RoomGrowsByHalfAgainOrToTheGuessWithinTheLimit) {
  const std::size_t kNoLimit = TextBuffer::kMaxCapacity;
  const std::size_t kHuge = kNoLimit / 2;  // within the limit, beyond any memory
  enum Way { kExact, kAhead };
  const struct {
    const char* name;
    std::size_t limit;
    Way way;
    std::size_t extra;
    std::size_t expected;
    std::size_t lowest;   // capacity after, at least
    std::size_t highest;  // and at most; 0: refused as out of memory
  } cases[] = {
      {"fits already: no growth", kNoLimit, kExact, 0, 1 << 20, 1000, 1000},
      {"no guess: half again", kNoLimit, kExact, 10, 0, 1500, 1500},
      {"more than half again needed", kNoLimit, kExact, 900, 0, 1900, 1900},
      {"guess below half again is ignored", kNoLimit, kExact, 10, 1200, 1500, 1500},
      {"guess above half again is taken", kNoLimit, kExact, 10, 1 << 20, 1 << 20, 1 << 20},
      {"guess the system cannot meet: plain growth", kNoLimit, kExact, 10, kHuge, 1500, 1500},
      {"far below the limit: half again", 8000, kExact, 1500, 0, 2500, 2500},
      {"near the limit: no more than the limit", 2000, kExact, 10, 0, 1500, 1500},
      {"half again past the limit: the limit", 1200, kExact, 10, 0, 1200, 1200},
      {"a guess past the limit: plain growth", 8000, kExact, 10, 1 << 20, 1500, 1500},
      {"a guess within the limit is taken", 8000, kExact, 10, 1900, 1900, 1900},
      {"up to the limit exactly", 8000, kExact, 7000, 0, 8000, 8000},
      {"one past the limit: refused", 8000, kExact, 7001, 0, 1000, 0},
      {"an estimate past the limit: room up to it", 8000, kAhead, 1 << 20, 0, 8000, 8000},
  };
  for (const auto& c : cases) {
    const std::string written(1000, 'x');
    TextBuffer text(c.limit);
    text.Reserve(written.size());
    text.Append(written.data(), written.size());
    ASSERT_EQ(text.capacity(), 1000u);
    const auto grow = [&] {
      c.way == kExact ? text.EnsureRoom(c.extra, c.expected)
                      : text.ReserveAhead(c.extra, c.expected);
    };
    if (c.highest == 0) {
      EXPECT_THROW(grow(), std::bad_alloc) << c.name;
    } else {
      grow();
      EXPECT_LE(text.capacity(), c.highest) << c.name;
    }
    EXPECT_EQ(text.View(), written) << c.name;
    EXPECT_GE(text.capacity(), c.lowest) << c.name;
  }
}

TEST(SettingsText, ReservingPastTheLimitIsRefusedAndKeepsTheText) {
  TextBuffer text(100);
  text.Append("kept", 4);
  EXPECT_THROW(text.Reserve(101), std::bad_alloc);
  text.Reserve(100);
  EXPECT_EQ(text.View(), "kept");
  EXPECT_EQ(text.capacity(), 100u);
}

}  // namespace
}  // namespace tarnwick
