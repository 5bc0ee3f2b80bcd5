// The settings text as it is written: straight into the movable global block
// that the clipboard takes at the end, so the text is written once and never
// copied whole. This unit owns how the text grows: the growth step, the room
// estimates of the format's blocks, the guess at the whole length and the
// ceiling.
#ifndef TARNWICK_EXPORT_TEXT_BUFFER_H
#define TARNWICK_EXPORT_TEXT_BUFFER_H

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string_view>

#include "platform/Win32.h"

namespace tarnwick {

// No paste target takes more: an export that would pass it is refused as
// memory running out.
constexpr std::size_t kTextCeiling = std::size_t{1} << 30;

// Upper bounds of the text one block of the format adds, for reserving ahead.
constexpr std::size_t kToolTextEstimate = 1200;
constexpr std::size_t kKeyframeTextEstimate = 256;
constexpr std::size_t kPointLineEstimate = 120;

// The system gave a block but no pointer to its bytes.
struct TextBlockUnavailable : std::exception {};

class TextBuffer {
 public:
  // A text that would pass `limit` characters is refused as memory running
  // out, before anything beyond the limit is reserved.
  explicit TextBuffer(std::size_t limit = kTextCeiling) noexcept
      : limit_(limit < kMaxCapacity ? limit : kMaxCapacity) {}
  // Frees the block unless it was handed over.
  ~TextBuffer();
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  std::string_view View() const noexcept { return {chars_, size_}; }
  std::size_t size() const noexcept { return size_; }
  std::size_t capacity() const noexcept { return capacity_; }
  std::size_t spare() const noexcept { return capacity_ - size_; }
  std::size_t limit() const noexcept { return limit_; }

  // Room for exactly capacity characters, the text kept; never shrinks.
  // Throws std::bad_alloc when the system grants no block or the capacity is
  // beyond the limit, TextBlockUnavailable when the block cannot be locked.
  void Reserve(std::size_t capacity);
  // Requests beyond this are refused before the system sees them.
  static constexpr std::size_t kMaxCapacity = PTRDIFF_MAX / 2;

  // Makes room for extra more characters, or throws std::bad_alloc when they
  // would take the text past its limit. When the text must grow it grows by
  // half again, or straight to expectedLength, the caller's guess at the
  // whole text's length, when that is more; a guess the system cannot meet,
  // or past the limit, falls back to the plain growth. Growth never reserves
  // past the limit, and reserves no more than the text and its next step.
  void EnsureRoom(std::size_t extra, std::size_t expectedLength = 0);
  // EnsureRoom for an estimate of what is coming, which may overstate it:
  // room up to the limit at most, so an estimate alone never refuses the text.
  void ReserveAhead(std::size_t extra, std::size_t expectedLength = 0);

  // Appends the characters, growing as EnsureRoom does when they do not fit.
  void Append(const char* chars, std::size_t count);
  // Where the next characters go, and taking in count characters written
  // there; count must be within spare().
  char* end() noexcept { return chars_ + size_; }
  void Extend(std::size_t count) noexcept { size_ += count; }

  // Ends the text with its NUL, shrinks the block to the text and the NUL,
  // unlocks it and gives it up: from then on it is the caller's, and this
  // text is empty. Throws as Reserve does, the block then still its own.
  HGLOBAL HandOver();

 private:
  // The block resized to capacity characters and the NUL after them.
  void Resize(std::size_t capacity);
  // Unlocks and frees the block, if there is one.
  void Free() noexcept;

  HGLOBAL block_ = nullptr;
  char* chars_ = nullptr;  // the block's bytes while it is locked
  std::size_t limit_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// A guess at the whole text's length when a keyframe needs more room: the
// mask's keyframes still to come look like this one, and the collection's
// later items like this whole mask, counted at most eight times what is
// written.
std::size_t ExpectedTextLength(std::size_t written, std::size_t keyframeText, int32_t keyframesLeft,
                               int32_t keyframeCount, uint32_t laterItems);

}  // namespace tarnwick

#endif
