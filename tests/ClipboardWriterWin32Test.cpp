// The writer against the real Win32 clipboard (run under Wine).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "export/ClipboardWriter.h"

namespace tarnwick {
namespace {

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
  ASSERT_TRUE(ClipboardWriter(GetDesktopWindow(), text));
  std::string got;
  SIZE_T size = 0;
  ASSERT_TRUE(ReadText(got, size));
  EXPECT_EQ(got, text);
  EXPECT_GE(size, text.size() + 1);
}

TEST(ClipboardWriterWin32, GivesUpWhileHeldAndKeepsOldContent) {
  ASSERT_TRUE(ClipboardWriter(GetDesktopWindow(), "old"));
  {
    Holder holder(1000);
    ASSERT_TRUE(holder.opened());
    EXPECT_FALSE(ClipboardWriter(GetDesktopWindow(), "new"));
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
    EXPECT_TRUE(ClipboardWriter(GetDesktopWindow(), "waited"));
  }
  std::string got;
  SIZE_T size = 0;
  ASSERT_TRUE(ReadText(got, size));
  EXPECT_EQ(got, "waited");
}

}  // namespace
}  // namespace tarnwick
