// The writer against the Win32 stand-in, which can fail each step on demand.
#include <gtest/gtest.h>

#include <string>

#include "export/ClipboardWriter.h"
#include "platform/Win32StandIn.h"

namespace tarnwick {
namespace {

namespace standin = tarnwick::standin;

class ClipboardWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    standin::PutClipboardText("former content");
  }
  void TearDown() override { standin::Reset(); }

  static std::string Clipboard() {
    std::string text;
    return standin::ReadClipboardText(text) ? text : "<none>";
  }
};

TEST_F(ClipboardWriterTest, TextArrivesByteForByte) {
  std::string lines;
  for (int i = 0; i < 1000; ++i) {
    lines += "\t{ X= " + std::to_string(i) + " },\r\n";
  }
  for (const std::string& text : {std::string(), lines}) {
    ASSERT_TRUE(ClipboardWriter(GetDesktopWindow(), text));
    EXPECT_EQ(Clipboard(), text);
    HANDLE data = nullptr;
    ASSERT_TRUE(OpenClipboard(nullptr));
    data = GetClipboardData(CF_TEXT);
    EXPECT_EQ(GlobalSize(data), text.size() + 1);  // exactly one NUL after the text
    CloseClipboard();
    EXPECT_FALSE(standin::ClipboardIsOpen());
    EXPECT_EQ(standin::LiveBlocksOutsideClipboard(), 0u);
  }
}

TEST_F(ClipboardWriterTest, FailuresLeakNothingAndReportFalse) {
  const struct {
    const char* name;
    standin::Failure failure;
    const char* clipboardAfter;
  } cases[] = {
      {"open refused: former content kept", standin::Failure::kOpenRefused, "former content"},
      {"no block: former content kept", standin::Failure::kAllocRefused, "former content"},
      {"lock gives null: former content kept", standin::Failure::kLockReturnsNull,
       "former content"},
      {"block refused after emptying: emptied", standin::Failure::kSetDataRefused, "<none>"},
  };
  for (const auto& c : cases) {
    standin::Reset();
    standin::PutClipboardText("former content");
    standin::SetFailure(c.failure);
    EXPECT_FALSE(ClipboardWriter(GetDesktopWindow(), "new text")) << c.name;
    EXPECT_EQ(Clipboard(), c.clipboardAfter) << c.name;
    EXPECT_FALSE(standin::ClipboardIsOpen()) << c.name;
    EXPECT_EQ(standin::LiveBlocksOutsideClipboard(), 0u) << c.name;
  }
}

TEST_F(ClipboardWriterTest, RetriesWhileAnotherProgramHoldsTheClipboard) {
  standin::SetOpenRefusals(kClipboardOpenTries - 1);
  EXPECT_TRUE(ClipboardWriter(GetDesktopWindow(), "after waiting"));
  EXPECT_EQ(Clipboard(), "after waiting");
  EXPECT_EQ(standin::OpenCalls(), kClipboardOpenTries);
  EXPECT_EQ(standin::SleepCalls(), kClipboardOpenTries - 1);

  standin::Reset();
  standin::PutClipboardText("former content");
  standin::SetOpenRefusals(kClipboardOpenTries);
  EXPECT_FALSE(ClipboardWriter(GetDesktopWindow(), "gave up"));
  EXPECT_EQ(Clipboard(), "former content");
  EXPECT_EQ(standin::OpenCalls(), kClipboardOpenTries);
}

}  // namespace
}  // namespace tarnwick
