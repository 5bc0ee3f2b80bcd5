// The blocks of the Fusion tool-settings text. Each appends whole lines, with
// CR LF line ends and tab indentation, to one growing text.
#ifndef TARNWICK_EXPORT_SETTINGS_TEXT_H
#define TARNWICK_EXPORT_SETTINGS_TEXT_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "export/VertexConversion.h"

namespace tarnwick {

// The settings text as it is written: one block of characters with room kept
// ahead of the writing, so that lines are formatted straight into place
// rather than assembled elsewhere and copied in.
class TextBuffer {
 public:
  // A text that would pass `limit` characters is refused as memory running
  // out, before anything beyond the limit is reserved.
  explicit TextBuffer(std::size_t limit = kMaxCapacity) noexcept
      : limit_(limit < kMaxCapacity ? limit : kMaxCapacity) {}

  std::string_view View() const noexcept { return {chars_.get(), size_}; }
  std::size_t size() const noexcept { return size_; }
  std::size_t capacity() const noexcept { return capacity_; }
  std::size_t spare() const noexcept { return capacity_ - size_; }
  std::size_t limit() const noexcept { return limit_; }

  // Room for exactly capacity characters, the text kept; never shrinks.
  // Throws std::bad_alloc when the memory cannot be had or the capacity is
  // beyond the limit.
  void Reserve(std::size_t capacity);
  // Requests beyond this, as beyond std::string's own limit, are refused
  // before any allocator sees them.
  static constexpr std::size_t kMaxCapacity = PTRDIFF_MAX / 2;
  // Appends the characters, growing as EnsureRoom does when they do not fit.
  void Append(const char* chars, std::size_t count);
  // Where the next characters go, and taking in count characters written
  // there; count must be within spare().
  char* end() noexcept { return chars_.get() + size_; }
  void Extend(std::size_t count) noexcept { size_ += count; }
  // Gives the memory back.
  void Release() noexcept;

 private:
  std::unique_ptr<char[]> chars_;
  std::size_t limit_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

void AppendDocumentHead(TextBuffer& text);
void AppendToolHead(TextBuffer& text, int64_t index, int32_t width, int32_t height);
void AppendKeyframeHead(TextBuffer& text, int32_t frameNumber, int32_t keyframeIndex);
void AppendPointLine(TextBuffer& text, const NormalisedPoint& point, bool lastOfKeyframe);
void AppendKeyframeTail(TextBuffer& text, bool lastOfMask);
void AppendToolTail(TextBuffer& text, bool lastOfCollection);
void AppendDocumentTail(TextBuffer& text);

// Makes room for extra more characters, or throws std::bad_alloc when they
// would take the text past its limit. When the text must grow it grows by
// half again, or straight to expectedLength, the caller's guess at the whole
// text's length, when that is more; a long text is then copied few times.
// A guess the allocator cannot meet, or past the limit, falls back to the
// plain growth. Growth never reserves past the limit; growth past a quarter
// of it reserves the limit at once: that memory is reserved, not touched,
// and the last copy of the text is then of at most a quarter of the limit.
void EnsureRoom(TextBuffer& text, std::size_t extra, std::size_t expectedLength = 0);
// EnsureRoom for an estimate of what is coming, which may overstate it: room
// up to the limit at most, so an estimate alone never refuses the text.
void ReserveAhead(TextBuffer& text, std::size_t extra, std::size_t expectedLength = 0);

// Upper bounds of the text one block adds, for reserving ahead of a long export.
constexpr std::size_t kToolTextEstimate = 1200;
constexpr std::size_t kKeyframeTextEstimate = 256;
constexpr std::size_t kPointLineEstimate = 120;

}  // namespace tarnwick

#endif
