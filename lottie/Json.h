// A read-only JSON document held compactly: a Lottie file is mostly lists of
// points (every mask vertex and tangent of every keyframe), so an array that
// holds only numbers is kept as a run of doubles, an array of such runs all
// of one length as their numbers back to back under one node, and every
// other value as one 16-byte node in document order. Read by simdjson where the build has it
// (fast enough for files of a million points), and by nlohmann's event reader
// otherwise and for every file simdjson refuses, so a refusal always names
// its line and column or its place; duplicate keys and numbers beyond a
// double are refused.
#ifndef TARNWICK_LOTTIE_JSON_H
#define TARNWICK_LOTTIE_JSON_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::lottie {

// A file that cannot be used; the message names the place and what is wrong.
struct LottieError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

enum class JsonKind : uint8_t { kNull, kBool, kNumber, kString, kArray, kObject };

class JsonDocument;

// One value of a document; cheap to copy, valid while the document lives.
class JsonValue {
 public:
  JsonValue() = default;
  JsonKind kind() const;
  bool IsNumber() const { return doc_ && kind() == JsonKind::kNumber; }
  bool IsArray() const { return doc_ && kind() == JsonKind::kArray; }
  bool IsObject() const { return doc_ && kind() == JsonKind::kObject; }
  bool IsString() const { return doc_ && kind() == JsonKind::kString; }
  explicit operator bool() const { return doc_ != nullptr; }

  double Number() const;  // a number's value, or a boolean as 0 or 1
  std::string_view String() const;
  bool Bool() const;
  // An array's or object's element count.
  std::size_t size() const;
  // An object's member, or none.
  JsonValue Get(std::string_view key) const;
  // An array's elements in order.
  std::vector<JsonValue> Elements() const;
  // An array of numbers only, read straight from its run; false otherwise.
  bool Numbers(const double*& first, std::size_t& count) const;
  // An array of arrays of numbers all of one length (a list of points),
  // read straight from its numbers, row after row; false otherwise.
  bool Rows(const double*& first, std::size_t& rows, std::size_t& rowLength) const;

 private:
  friend class JsonDocument;
  JsonValue(const JsonDocument* doc, uint32_t node, uint32_t numberIndex, uint32_t row = UINT32_MAX)
      : doc_(doc), node_(node), numberIndex_(numberIndex), row_(row) {}
  const JsonDocument* doc_ = nullptr;
  uint32_t node_ = 0;
  // A number inside a run of numbers: its index in the run's pool; UINT32_MAX otherwise.
  uint32_t numberIndex_ = UINT32_MAX;
  // A row of a node of rows: its index; UINT32_MAX otherwise.
  uint32_t row_ = UINT32_MAX;
};

class JsonDocument {
 public:
  // Throws LottieError("<source>: line L, column C: ...") for text that is
  // not JSON, and names the place of a duplicate key or an overflowing number.
  // `readable` bytes may be read from text.data() (at least text.size()):
  // 64 past the end spare the fast reader a copy.
  static JsonDocument Parse(std::string_view text, std::size_t readable, const std::string& source);
  JsonValue Root() const { return JsonValue(this, 0, UINT32_MAX); }

  struct Node {
    uint64_t payload;  // a number's bits; a string's offset; a run's first number
    uint32_t end;      // the node after this value's subtree
    uint32_t kindAndCount;
  };
  static constexpr uint32_t kKindBits = 4;
  static constexpr uint32_t kMostCount = (uint32_t{1} << (32 - kKindBits)) - 1;
  // Internal kinds beyond JsonKind: a member's key, an array of numbers, an
  // array of arrays of numbers of one length (its payload holds where the
  // numbers start, and the rows' length above kRowShift).
  static constexpr uint32_t kKey = 8;
  static constexpr uint32_t kNumberRun = 9;
  static constexpr uint32_t kNumberRows = 10;
  static constexpr uint32_t kRowShift = 40;

 private:
  friend class JsonValue;
  friend class JsonBuilder;
  std::vector<Node> nodes_;
  std::vector<double> numbers_;
  std::string strings_;
};

}  // namespace tarnwick::lottie

#endif
