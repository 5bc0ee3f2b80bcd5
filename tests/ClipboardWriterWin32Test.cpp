// The writer against the real Win32 clipboard (run under Wine).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "export/ClipboardWriter.h"
#include "export/TextBuffer.h"

namespace tarnwick {
namespace {

// The text written into its block, as the export writes it, and handed over.
bool WriteToClipboard(std::string_view text) {
  TextBuffer buffer;
  buffer.Append(text.data(), text.size());
  return ClipboardWriter(GetDesktopWindow(), buffer.HandOver());
}

bool ReadText(std::string& text, SIZE_T& blockSize) {
  if (!OpenClipboard(nullptr)) return false;
  HANDLE data = GetClipboardData(CF_TEXT);
  bool found = false;
  if (data != nullptr) {
    const char* bytes = static_cast<const char*>(GlobalLock(data));
    if (bytes != nullptr) {
      text = bytes;
      blockSize = GlobalSize(data);
      GlobalUnlock(data);
      found = true;
    }
  }
  CloseClipboard();
  return found;
}

// Holds the clipboard open from another thread for a while.
class Holder {
 public:
  explicit Holder(DWORD milliseconds) {
    thread_ = std::thread([this, milliseconds] {
      opened_ = OpenClipboard(nullptr) != 0;
      ready_ = true;
      Sleep(milliseconds);
      if (opened_) CloseClipboard();
    });
    while (!ready_) Sleep(1);
  }
  ~Holder() { thread_.join(); }
  bool opened() const { return opened_; }

 private:
  std::thread thread_;
  std::atomic<bool> ready_{false};
  std::atomic<bool> opened_{false};
};

TEST(ClipboardWriterWin32, TextArrivesAsCfTextWithOneNul) {
  const std::string text = "{\r\n\tTools = ordered() {\r\n\t},\r\n}\r\n";
  ASSERT_TRUE(WriteToClipboard(text));
  std::string got;
  SIZE_T size = 0;
  ASSERT_TRUE(ReadText(got, size));
  EXPECT_EQ(got, text);
  EXPECT_GE(size, text.size() + 1);  // the system may round a block up
}

TEST(ClipboardWriterWin32, GivesUpWhileHeldAndKeepsOldContent) {
  ASSERT_TRUE(WriteToClipboard("old"));
  {
    Holder holder(1000);
    ASSERT_TRUE(holder.opened());
    EXPECT_FALSE(WriteToClipboard("new"));
  }
  std::string got;
  SIZE_T size = 0;
  ASSERT_TRUE(ReadText(got, size));
  EXPECT_EQ(got, "old");
}

TEST(ClipboardWriterWin32, WaitsForAHolderThatLetsGo) {
  {
    Holder holder(30);
    ASSERT_TRUE(holder.opened());
    EXPECT_TRUE(WriteToClipboard("waited"));
  }
  std::string got;
  SIZE_T size = 0;
  ASSERT_TRUE(ReadText(got, size));
  EXPECT_EQ(got, "waited");
}

}  // namespace
}  // namespace tarnwick
