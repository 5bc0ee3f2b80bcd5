#include "export/TextBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tarnwick {

namespace {

// a * b, or the largest size_t when that overflows.
std::size_t SaturatingProduct(std::size_t a, std::size_t b) {
  if (a != 0 && b > SIZE_MAX / a) {
    return SIZE_MAX;
  }
  return a * b;
}

std::size_t SaturatingSum(std::size_t a, std::size_t b) {
  return b > SIZE_MAX - a ? SIZE_MAX : a + b;
}

// Later collection items count for at most this many times what is written.
constexpr std::size_t kLaterItemsPerWritten = 8;

}  // namespace

TextBuffer::~TextBuffer() {
  Free();
}

void TextBuffer::Free() noexcept {
  if (block_ == nullptr) {
    return;
  }
  if (chars_ != nullptr) {
    GlobalUnlock(block_);
    chars_ = nullptr;
  }
  GlobalFree(block_);
  block_ = nullptr;
}

void TextBuffer::Resize(std::size_t capacity) {
  // A movable block is resized unlocked; it may move, its text kept. When it
  // cannot be had or resized, the block (if any) stays this text's to free.
  if (chars_ != nullptr) {
    GlobalUnlock(block_);
    chars_ = nullptr;
  }
  const std::size_t bytes = capacity + 1;  // the NUL the clipboard's text ends with
  HGLOBAL resized = block_ == nullptr ? GlobalAlloc(GMEM_MOVEABLE, bytes)
                                      : GlobalReAlloc(block_, bytes, GMEM_MOVEABLE);
  if (resized == nullptr) {
    throw std::bad_alloc();
  }
  block_ = resized;
  capacity_ = capacity;
  chars_ = static_cast<char*>(GlobalLock(block_));
  if (chars_ == nullptr) {
    throw TextBlockUnavailable();
  }
}

void TextBuffer::Reserve(std::size_t capacity) {
  if (block_ != nullptr && capacity <= capacity_) {
    return;
  }
  if (capacity > limit_) {
    throw std::bad_alloc();
  }
  Resize(capacity);
}

void TextBuffer::EnsureRoom(std::size_t extra, std::size_t expectedLength) {
  if (block_ != nullptr && extra <= spare()) {
    return;
  }
  if (extra > limit_ - size_) {
    throw std::bad_alloc();
  }
  const std::size_t needed = size_ + extra;
  const std::size_t plain = std::min(limit_, std::max(needed, capacity_ + capacity_ / 2));
  // A guess past the limit is no guess: the text would be refused first.
  if (expectedLength > plain && expectedLength <= limit_) {
    try {
      Reserve(expectedLength);
      return;
    } catch (const std::bad_alloc&) {
      // Only a guess: the plain growth below may still fit.
    }
  }
  Reserve(plain);
}

void TextBuffer::ReserveAhead(std::size_t extra, std::size_t expectedLength) {
  EnsureRoom(std::min(extra, limit_ - size_), expectedLength);
}

void TextBuffer::Append(const char* chars, std::size_t count) {
  EnsureRoom(count);
  std::memcpy(end(), chars, count);
  size_ += count;
}

HGLOBAL TextBuffer::HandOver() {
  Reserve(size_);  // an empty text still gets its block
  chars_[size_] = '\0';
  GlobalUnlock(block_);
  chars_ = nullptr;
  if (capacity_ != size_) {
    HGLOBAL shrunk = GlobalReAlloc(block_, size_ + 1, GMEM_MOVEABLE);
    if (shrunk == nullptr) {
      throw std::bad_alloc();  // the block, unlocked, is still this text's to free
    }
    block_ = shrunk;
  }
  HGLOBAL block = block_;
  block_ = nullptr;
  chars_ = nullptr;
  size_ = 0;
  capacity_ = 0;
  return block;
}

// Why the later items are capped at eight times what is written: masks alike
// (the common export) reach the whole text at the second mask, after one
// growth of the first mask alone. A few big masks followed by many small ones
// would make an uncapped guess reserve the big size for every small one;
// capped, a wrong guess reserves at most eight times the text written so
// far, memory that is reserved but never touched.
std::size_t ExpectedTextLength(std::size_t written, std::size_t keyframeText, int32_t keyframesLeft,
                               int32_t keyframeCount, uint32_t laterItems) {
  const std::size_t restOfMask =
      SaturatingProduct(static_cast<std::size_t>(keyframesLeft), keyframeText);
  const std::size_t laterMasks = SaturatingProduct(
      SaturatingProduct(laterItems, static_cast<std::size_t>(keyframeCount)), keyframeText);
  return SaturatingSum(SaturatingSum(written, restOfMask),
                       std::min(laterMasks, SaturatingProduct(written, kLaterItemsPerWritten)));
}

}  // namespace tarnwick
