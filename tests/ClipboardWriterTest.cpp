// The text's block and the writer against the Win32 stand-in, which can fail
// each step on demand.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "export/ClipboardWriter.h"
#include "export/TextBuffer.h"
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

// Writes the text in pieces, so its block grows several times, and hands it
// to the clipboard: what came of it.
std::string WriteToClipboard(const std::string& text) {
  try {
    TextBuffer buffer;
    for (std::size_t at = 0; at < text.size(); at += 100) {
      buffer.Append(text.data() + at, std::min<std::size_t>(100, text.size() - at));
    }
    return ClipboardWriter(GetDesktopWindow(), buffer.HandOver()) ? "written" : "refused";
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const TextBlockUnavailable&) {
    return "block unavailable";
  }
}

std::string Lines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += "\t{ X= " + std::to_string(i) + " },\r\n";
  return lines;
}

TEST_F(ClipboardWriterTest, TextArrivesByteForByteInABlockOfItsSize) {
  for (const std::string& text : {std::string(), Lines(1000)}) {
    ASSERT_EQ(WriteToClipboard(text), "written");
    EXPECT_EQ(Clipboard(), text);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(GlobalSize(GetClipboardData(CF_TEXT)), text.size() + 1);  // one NUL after the text
    CloseClipboard();
    EXPECT_FALSE(standin::ClipboardIsOpen());
    EXPECT_EQ(standin::LiveBlocksOutsideClipboard(), 0u);
  }
}

// Blocks of 2 MiB and more are mappings of the system's, advised for huge
// pages: they grow and shrink across that size, by sizes that are not whole
// pages, their bytes kept (an advice on part of a mapping once split it, and
// the next growth was refused).
TEST_F(ClipboardWriterTest, LargeBlocksGrowAndShrinkTheirBytesKept) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  const std::size_t sizes[] = {kMiB + 3,     2 * kMiB + 1, 3 * kMiB + 4097, 7 * kMiB + 5,
                               2 * kMiB + 1, kMiB - 7,     2 * kMiB,        9 * kMiB + 11};
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 100);
  ASSERT_NE(block, nullptr);
  auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
  for (std::size_t i = 0; i < 100; ++i) bytes[i] = static_cast<unsigned char>(i * 7);
  GlobalUnlock(block);
  for (const std::size_t size : sizes) {
    ASSERT_EQ(GlobalReAlloc(block, size, GMEM_MOVEABLE), block) << size;
    bytes = static_cast<unsigned char*>(GlobalLock(block));
    for (std::size_t i = 0; i < 100; ++i) {
      ASSERT_EQ(bytes[i], static_cast<unsigned char>(i * 7)) << "byte " << i << " at " << size;
    }
    bytes[size - 1] = 0xAB;  // the whole size is there to write
    GlobalUnlock(block);
    EXPECT_EQ(GlobalSize(block), size);
  }
  GlobalFree(block);
  EXPECT_EQ(standin::LiveBlocksOutsideClipboard(), 0u);
}

TEST_F(ClipboardWriterTest, FailuresLeakNothingAndKeepTheClipboard) {
  const struct {
    const char* name;
    standin::Failure failure;
    int reAllocsGranted;
    const char* outcome;
    const char* clipboardAfter;
  } cases[] = {
      {"open refused", standin::Failure::kOpenRefused, 0, "refused", "former content"},
      {"no block", standin::Failure::kAllocRefused, 0, "out of memory", "former content"},
      {"the first growth refused", standin::Failure::kReAllocRefused, 0, "out of memory",
       "former content"},
      {"a later growth refused", standin::Failure::kReAllocRefused, 3, "out of memory",
       "former content"},
      {"lock gives null", standin::Failure::kLockReturnsNull, 0, "block unavailable",
       "former content"},
      {"block refused after emptying", standin::Failure::kSetDataRefused, 0, "refused", "<none>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    standin::Reset();
    standin::PutClipboardText("former content");
    standin::SetFailure(c.failure);
    standin::SetReAllocsGranted(c.reAllocsGranted);
    EXPECT_EQ(WriteToClipboard(Lines(1000)), c.outcome);
    EXPECT_EQ(Clipboard(), c.clipboardAfter);
    EXPECT_FALSE(standin::ClipboardIsOpen());
    EXPECT_EQ(standin::LiveBlocksOutsideClipboard(), 0u);
    if (c.reAllocsGranted > 0) {
      EXPECT_GT(standin::ReAllocCalls(), c.reAllocsGranted);
    }
  }
}

// The block is resized while it grows and once more, to the text, at the
// end: that last resize refused too is memory running out.
TEST_F(ClipboardWriterTest, TheFinalShrinkRefusedKeepsTheClipboard) {
  ASSERT_EQ(WriteToClipboard(Lines(1000)), "written");
  const int resizes = standin::ReAllocCalls();
  standin::Reset();
  standin::PutClipboardText("former content");
  standin::SetFailure(standin::Failure::kReAllocRefused);
  standin::SetReAllocsGranted(resizes - 1);
  EXPECT_EQ(WriteToClipboard(Lines(1000)), "out of memory");
  EXPECT_EQ(standin::ReAllocCalls(), resizes);
  EXPECT_EQ(Clipboard(), "former content");
  EXPECT_EQ(standin::LiveBlocksOutsideClipboard(), 0u);
}

TEST_F(ClipboardWriterTest, RetriesWhileAnotherProgramHoldsTheClipboard) {
  standin::SetOpenRefusals(kClipboardOpenTries - 1);
  EXPECT_EQ(WriteToClipboard("after waiting"), "written");
  EXPECT_EQ(Clipboard(), "after waiting");
  EXPECT_EQ(standin::OpenCalls(), kClipboardOpenTries);
  EXPECT_EQ(standin::SleepCalls(), kClipboardOpenTries - 1);

  standin::Reset();
  standin::PutClipboardText("former content");
  standin::SetOpenRefusals(kClipboardOpenTries);
  EXPECT_EQ(WriteToClipboard("gave up"), "refused");
  EXPECT_EQ(Clipboard(), "former content");
  EXPECT_EQ(standin::OpenCalls(), kClipboardOpenTries);
}

}  // namespace
}  // namespace tarnwick
