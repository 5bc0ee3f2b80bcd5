#include "lottie/Json.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <unordered_set>
#include <utility>

#ifdef TARNWICK_HAVE_SIMDJSON
#include <simdjson.h>
#endif

namespace tarnwick::lottie {

namespace {

using Node = JsonDocument::Node;

uint32_t KindOf(const Node& node) {
  return node.kindAndCount & ((uint32_t{1} << JsonDocument::kKindBits) - 1);
}

uint32_t CountOf(const Node& node) {
  return node.kindAndCount >> JsonDocument::kKindBits;
}

uint32_t Pack(uint32_t kind, uint32_t count) {
  return (count << JsonDocument::kKindBits) | kind;
}

// The line and column (from 1) of a byte of the text.
std::string LineAndColumn(std::string_view text, std::size_t position) {
  position = std::min(position, text.size());
  std::size_t line = 1;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < position; ++i) {
    if (text[i] == '\n') {
      ++line;
      lineStart = i + 1;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(position - lineStart + 1);
}

}  // namespace

// Builds the compact document from the parser's events.
class JsonBuilder : public nlohmann::json_sax<nlohmann::json> {
 public:
  explicit JsonBuilder(JsonDocument& doc) : doc_(doc) {}

  bool null() override { return Scalar(static_cast<uint32_t>(JsonKind::kNull), 0); }
  bool boolean(bool value) override {
    return Scalar(static_cast<uint32_t>(JsonKind::kBool), value ? 1 : 0);
  }
  bool number_integer(number_integer_t value) override {
    return Number(static_cast<double>(value));
  }
  bool number_unsigned(number_unsigned_t value) override {
    return Number(static_cast<double>(value));
  }
  bool number_float(number_float_t value, const string_t& token) override {
    if (!std::isfinite(value))
      return Refuse("the number " + token + " is beyond what a double holds");
    return Number(value);
  }
  bool string(string_t& value) override { return String(value); }
  bool binary(binary_t&) override { return Refuse("binary values are not JSON text"); }

  bool start_object(std::size_t) override { return Open(false); }
  bool start_array(std::size_t) override { return Open(true); }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }

  bool key(string_t& name) override { return Key(name); }

  // A member's name; a name given twice in one object is refused.
  bool Key(std::string_view name) {
    Frame& frame = open_.back();
    if (frame.count < kKeysScanned) {
      for (uint32_t i = frame.node + 1; i < doc_.nodes_.size(); i = doc_.nodes_[i + 1].end) {
        if (NameAt(i) == name) return Refuse("duplicate key \"" + std::string(name) + "\"");
      }
    } else {
      if (!frame.manyKeys) {
        frame.manyKeys = std::make_unique<std::unordered_set<std::string>>();
        for (uint32_t i = frame.node + 1; i < doc_.nodes_.size(); i = doc_.nodes_[i + 1].end) {
          frame.manyKeys->emplace(NameAt(i));
        }
      }
      if (!frame.manyKeys->emplace(name).second) {
        return Refuse("duplicate key \"" + std::string(name) + "\"");
      }
    }
    frame.keyNode = static_cast<uint32_t>(doc_.nodes_.size());
    return PushString(JsonDocument::kKey, name);
  }

  bool String(std::string_view value) {
    if (!BeforeValue()) return false;
    return PushString(static_cast<uint32_t>(JsonKind::kString), value);
  }

  // Room for a document of `textSize` bytes, reserved ahead so the node and
  // number lists never move while they grow; only what is written of it is
  // ever touched.
  void Reserve(std::size_t textSize) {
    doc_.nodes_.reserve(textSize / 8);
    doc_.numbers_.reserve(textSize / 4);
  }

  bool parse_error(std::size_t position, const std::string& token,
                   const nlohmann::detail::exception& error) override {
    constexpr int kNumberOverflow = 406;
    if (error.id == kNumberOverflow) {
      return Refuse("the number " + token + " is beyond what a double holds");
    }
    std::string what = error.what();
    // Drop the library's "[json.exception...] " prefix and its own place.
    const std::size_t bracket = what.find("] ");
    if (bracket != std::string::npos) what = what.substr(bracket + 2);
    const std::size_t colon = what.find(": ");
    if (what.rfind("parse error at line", 0) == 0 && colon != std::string::npos) {
      what = what.substr(colon + 2);
    }
    syntaxPosition_ = position == 0 ? 0 : position - 1;
    error_ = "not JSON: " + what;
    return false;
  }

  const std::string& error() const { return error_; }
  std::size_t syntaxPosition() const { return syntaxPosition_; }
  bool syntaxError() const { return syntaxPosition_ != std::string::npos; }

 private:
  // What an array holds so far decides how it is kept.
  enum class Holds : uint8_t {
    kNothing,
    kNumbers,  // only numbers: a run in the number pool, no node of their own
    kRows,     // only runs of one length (points): their numbers back to back, one node
    kNodes,    // anything else: a node per element
  };

  struct Frame {
    uint32_t node;
    uint32_t count = 0;
    bool array;
    Holds holds = Holds::kNothing;
    std::size_t runStart;  // where this array's numbers start in the pool
    uint32_t rows = 0;     // runs kept as rows, and their length
    uint32_t rowLength = 0;
    uint32_t keyNode = 0;  // the member being read, in an object; 0 before the first
    // The names of an object with many members, to find one given twice.
    std::unique_ptr<std::unordered_set<std::string>> manyKeys;
  };
  static constexpr std::size_t kMostDepth = 512;
  // Up to this many members a name given twice is found by looking back.
  static constexpr uint32_t kKeysScanned = 16;
  // Rows longer than this are kept as runs of their own.
  static constexpr uint32_t kMostRowLength = (uint32_t{1} << 23) - 1;

  std::string_view NameAt(uint32_t node) const {
    return std::string_view(doc_.strings_)
        .substr(doc_.nodes_[node].payload, CountOf(doc_.nodes_[node]));
  }

  // Where the next value goes, as a path: layers[2].ks.p.
  std::string Place() const {
    std::string place;
    for (const Frame& frame : open_) {
      if (frame.array) {
        place += "[" + std::to_string(frame.count) + "]";
      } else if (frame.keyNode != 0) {
        place += (place.empty() ? "" : ".") + std::string(NameAt(frame.keyNode));
      }
    }
    return place.empty() ? "top level" : place;
  }

  bool Refuse(const std::string& what) {
    if (error_.empty()) error_ = Place() + ": " + what;
    return false;
  }

  void PushNode(uint64_t payload, uint32_t kind, uint32_t count) {
    const auto index = static_cast<uint32_t>(doc_.nodes_.size());
    doc_.nodes_.push_back(Node{payload, index + 1, Pack(kind, count)});
  }

  void PushNumberNode(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    PushNode(bits, static_cast<uint32_t>(JsonKind::kNumber), 0);
  }

  // The frame's elements kept in the pool get nodes of their own, in order,
  // where the nodes now end: before any element still to come.
  void Materialise(Frame& frame) {
    if (frame.holds == Holds::kNumbers) {
      for (std::size_t i = frame.runStart; i < doc_.numbers_.size(); ++i) {
        PushNumberNode(doc_.numbers_[i]);
      }
      doc_.numbers_.resize(frame.runStart);
    } else if (frame.holds == Holds::kRows) {
      for (uint32_t row = 0; row < frame.rows; ++row) {
        PushNode(frame.runStart + std::size_t{row} * frame.rowLength, JsonDocument::kNumberRun,
                 frame.rowLength);
      }
    }
    frame.holds = Holds::kNodes;
  }

  // The innermost array stops being a plain run of numbers (an element that
  // is not a number is coming): its parent, if it keeps rows, must give them
  // nodes first, since this array will have nodes of its own. Its own
  // placeholder node moves after them.
  void LeaveRun() {
    if (open_.size() < 2) return;
    Frame& parent = open_[open_.size() - 2];
    Frame& child = open_.back();
    if (parent.holds != Holds::kRows) return;
    if (parent.rows > 0) {
      doc_.nodes_.pop_back();  // the child's placeholder, the last node
      Materialise(parent);
      child.node = static_cast<uint32_t>(doc_.nodes_.size());
      doc_.nodes_.push_back(Node{0, 0, 0});
    }
    parent.holds = Holds::kNodes;
  }

  // A value is about to be added to the innermost container as a node of its
  // own; `array` when it is an array, which may yet turn out a run.
  bool BeforeValue(bool array = false) {
    if (open_.empty()) return true;
    Frame& frame = open_.back();
    if (frame.count >= JsonDocument::kMostCount || doc_.nodes_.size() >= UINT32_MAX - 2) {
      return Refuse("too many values");
    }
    if (!frame.array) return true;
    if (frame.holds == Holds::kNothing || frame.holds == Holds::kNumbers) LeaveRun();
    if (frame.holds == Holds::kNumbers || (frame.holds == Holds::kRows && !array)) {
      Materialise(frame);
    } else if (frame.holds == Holds::kNothing) {
      frame.holds = array ? Holds::kRows : Holds::kNodes;
    }
    ++frame.count;
    return true;
  }

  bool PushString(uint32_t kind, std::string_view value) {
    if (value.size() > JsonDocument::kMostCount) return Refuse("a string too long");
    PushNode(doc_.strings_.size(), kind, static_cast<uint32_t>(value.size()));
    doc_.strings_ += value;
    if (kind == JsonDocument::kKey) ++open_.back().count;
    return true;
  }

  bool Scalar(uint32_t kind, uint64_t payload) {
    if (!BeforeValue()) return false;
    PushNode(payload, kind, 0);
    return true;
  }

  bool Number(double value) {
    if (!open_.empty() && open_.back().array &&
        (open_.back().holds == Holds::kNumbers || open_.back().holds == Holds::kNothing)) {
      Frame& frame = open_.back();
      if (frame.count >= JsonDocument::kMostCount) return Refuse("too many values");
      frame.holds = Holds::kNumbers;
      doc_.numbers_.push_back(value);
      ++frame.count;
      return true;
    }
    if (!BeforeValue()) return false;
    PushNumberNode(value);
    return true;
  }

  bool Open(bool array) {
    if (open_.size() >= kMostDepth) return Refuse("nested deeper than 512");
    if (!BeforeValue(array)) return false;
    const auto index = static_cast<uint32_t>(doc_.nodes_.size());
    doc_.nodes_.push_back(Node{0, 0, 0});
    open_.push_back(
        Frame{index, 0, array, Holds::kNothing, doc_.numbers_.size(), 0, 0, 0, nullptr});
    return true;
  }

  // A run just closed in a parent keeping rows: one more row, when its
  // length fits.
  bool TakeAsRow(Frame& parent, uint32_t length) {
    if (parent.holds != Holds::kRows || length > kMostRowLength) return false;
    if (parent.rows > 0 && parent.rowLength != length) return false;
    parent.rowLength = length;
    ++parent.rows;
    doc_.nodes_.pop_back();  // its placeholder: a row has no node
    return true;
  }

  bool Close() {
    Frame& frame = open_.back();
    const bool run =
        frame.array && (frame.holds == Holds::kNothing || frame.holds == Holds::kNumbers);
    if (run && open_.size() >= 2 && TakeAsRow(open_[open_.size() - 2], frame.count)) {
      open_.pop_back();
      return true;
    }
    if (run && open_.size() >= 2 && open_[open_.size() - 2].holds == Holds::kRows) {
      // A run of another length: the rows before it take nodes, then it.
      doc_.nodes_.pop_back();
      Materialise(open_[open_.size() - 2]);
      frame.node = static_cast<uint32_t>(doc_.nodes_.size());
      doc_.nodes_.push_back(Node{0, 0, 0});
    }
    Node& node = doc_.nodes_[frame.node];
    if (run) {
      node = Node{frame.runStart, frame.node + 1, Pack(JsonDocument::kNumberRun, frame.count)};
    } else if (frame.array && frame.holds == Holds::kRows) {
      node = Node{frame.runStart | (uint64_t{frame.rowLength} << JsonDocument::kRowShift),
                  frame.node + 1, Pack(JsonDocument::kNumberRows, frame.rows)};
    } else {
      const uint32_t kind =
          static_cast<uint32_t>(frame.array ? JsonKind::kArray : JsonKind::kObject);
      node = Node{0, static_cast<uint32_t>(doc_.nodes_.size()), Pack(kind, frame.count)};
    }
    open_.pop_back();
    return true;
  }

  JsonDocument& doc_;
  std::vector<Frame> open_;
  std::string error_;
  std::size_t syntaxPosition_ = std::string::npos;
};

#ifdef TARNWICK_HAVE_SIMDJSON

namespace {

// Feeds the builder the events of a value read by simdjson's on-demand
// parser, in document order; false at the first thing it cannot read.
bool Walk(simdjson::ondemand::value value, JsonBuilder& builder) {
  using simdjson::ondemand::json_type;
  json_type type{};
  if (value.type().get(type)) return false;
  switch (type) {
    case json_type::array: {
      simdjson::ondemand::array array;
      if (value.get_array().get(array) || !builder.start_array(0)) return false;
      for (auto element : array) {
        simdjson::ondemand::value child;
        if (element.get(child) || !Walk(child, builder)) return false;
      }
      return builder.end_array();
    }
    case json_type::object: {
      simdjson::ondemand::object object;
      if (value.get_object().get(object) || !builder.start_object(0)) return false;
      for (auto result : object) {
        simdjson::ondemand::field field;
        std::string_view key;
        if (std::move(result).get(field) || field.unescaped_key().get(key)) return false;
        if (!builder.Key(key) || !Walk(field.value(), builder)) return false;
      }
      return builder.end_object();
    }
    case json_type::number: {
      simdjson::ondemand::number_type kind{};
      if (value.get_number_type().get(kind)) return false;
      if (kind == simdjson::ondemand::number_type::signed_integer) {
        int64_t number = 0;
        return !value.get_int64().get(number) && builder.number_integer(number);
      }
      if (kind == simdjson::ondemand::number_type::unsigned_integer) {
        uint64_t number = 0;
        return !value.get_uint64().get(number) && builder.number_unsigned(number);
      }
      double number = 0;
      static const std::string kNoToken;
      return !value.get_double().get(number) && builder.number_float(number, kNoToken);
    }
    case json_type::string: {
      std::string_view text;
      if (value.get_string().get(text)) return false;
      return builder.String(text);
    }
    case json_type::boolean: {
      bool flag = false;
      return !value.get_bool().get(flag) && builder.boolean(flag);
    }
    case json_type::null: {
      bool null = false;
      return !value.is_null().get(null) && null && builder.null();
    }
  }
  return false;
}

// The document read by simdjson, or nothing when it finds anything amiss:
// the careful reader then says what and where.
std::optional<JsonDocument> ParseQuickly(std::string_view text, std::size_t readable) {
  simdjson::ondemand::parser parser;
  // The text's own spare room serves as the parser's padding when it has
  // enough; otherwise the parser copies it.
  simdjson::padded_string copy;
  simdjson::padded_string_view view(text.data(), text.size(), readable);
  if (readable - text.size() < simdjson::SIMDJSON_PADDING) {
    copy = simdjson::padded_string(text.data(), text.size());
    view = simdjson::padded_string_view(copy);
  }
  simdjson::ondemand::document doc;
  simdjson::ondemand::value root;
  if (parser.iterate(view).get(doc) || doc.get_value().get(root)) return std::nullopt;
  JsonDocument result;
  JsonBuilder builder(result);
  builder.Reserve(text.size());
  try {
    if (!Walk(root, builder)) return std::nullopt;
  } catch (const simdjson::simdjson_error&) {
    return std::nullopt;  // a refusal the walk did not ask for by its code
  }
  // Anything after the value (a second value, stray text) is not JSON.
  const char* after = nullptr;
  if (!doc.current_location().get(after)) return std::nullopt;
  return result;
}

}  // namespace

#endif

JsonDocument JsonDocument::Parse(std::string_view text, std::size_t readable,
                                 const std::string& source) {
#ifdef TARNWICK_HAVE_SIMDJSON
  if (std::optional<JsonDocument> quick = ParseQuickly(text, readable)) return std::move(*quick);
#else
  (void)readable;
#endif
  JsonDocument doc;
  JsonBuilder builder(doc);
  builder.Reserve(text.size());
  const bool parsed = nlohmann::json::sax_parse(text.begin(), text.end(), &builder);
  if (!parsed) {
    if (builder.syntaxError()) {
      throw LottieError(source + ": " + LineAndColumn(text, builder.syntaxPosition()) + ": " +
                        builder.error());
    }
    throw LottieError(source + ": " + builder.error());
  }
  return doc;
}

namespace {

// A node of rows: where its numbers start, and each row's length.
uint64_t RowsStart(const Node& node) {
  return node.payload & ((uint64_t{1} << JsonDocument::kRowShift) - 1);
}

uint32_t RowLength(const Node& node) {
  return static_cast<uint32_t>(node.payload >> JsonDocument::kRowShift);
}

}  // namespace

JsonKind JsonValue::kind() const {
  if (numberIndex_ != UINT32_MAX) return JsonKind::kNumber;
  if (row_ != UINT32_MAX) return JsonKind::kArray;
  const uint32_t kind = KindOf(doc_->nodes_[node_]);
  if (kind == JsonDocument::kNumberRun || kind == JsonDocument::kNumberRows)
    return JsonKind::kArray;
  if (kind == JsonDocument::kKey) return JsonKind::kString;
  return static_cast<JsonKind>(kind);
}

double JsonValue::Number() const {
  if (numberIndex_ != UINT32_MAX) return doc_->numbers_[numberIndex_];
  const Node& node = doc_->nodes_[node_];
  if (row_ != UINT32_MAX) return 0.0;
  if (KindOf(node) == static_cast<uint32_t>(JsonKind::kBool)) return node.payload ? 1.0 : 0.0;
  if (KindOf(node) != static_cast<uint32_t>(JsonKind::kNumber)) return 0.0;
  double value = 0;
  std::memcpy(&value, &node.payload, sizeof value);
  return value;
}

bool JsonValue::Bool() const {
  if (!doc_) return false;
  if (kind() == JsonKind::kBool) return doc_->nodes_[node_].payload != 0;
  return kind() == JsonKind::kNumber && Number() != 0.0;
}

std::string_view JsonValue::String() const {
  if (!IsString()) return {};
  const Node& node = doc_->nodes_[node_];
  return std::string_view(doc_->strings_).substr(node.payload, CountOf(node));
}

std::size_t JsonValue::size() const {
  if (!doc_ || numberIndex_ != UINT32_MAX) return 0;
  if (row_ != UINT32_MAX) return RowLength(doc_->nodes_[node_]);
  const JsonKind k = kind();
  return k == JsonKind::kArray || k == JsonKind::kObject ? CountOf(doc_->nodes_[node_]) : 0;
}

JsonValue JsonValue::Get(std::string_view key) const {
  if (!IsObject()) return {};
  const Node& object = doc_->nodes_[node_];
  for (uint32_t i = node_ + 1; i < object.end; i = doc_->nodes_[i + 1].end) {
    const Node& name = doc_->nodes_[i];
    if (std::string_view(doc_->strings_).substr(name.payload, CountOf(name)) == key) {
      return JsonValue(doc_, i + 1, UINT32_MAX);
    }
  }
  return {};
}

std::vector<JsonValue> JsonValue::Elements() const {
  std::vector<JsonValue> elements;
  const double* numbers = nullptr;
  std::size_t count = 0;
  if (Numbers(numbers, count)) {
    const auto first = static_cast<uint32_t>(numbers - doc_->numbers_.data());
    for (uint32_t i = 0; i < count; ++i) elements.push_back(JsonValue(doc_, node_, first + i));
    return elements;
  }
  if (!IsArray()) return elements;
  const Node& array = doc_->nodes_[node_];
  elements.reserve(CountOf(array));
  if (KindOf(array) == JsonDocument::kNumberRows) {
    for (uint32_t row = 0; row < CountOf(array); ++row) {
      elements.push_back(JsonValue(doc_, node_, UINT32_MAX, row));
    }
    return elements;
  }
  for (uint32_t i = node_ + 1; i < array.end; i = doc_->nodes_[i].end) {
    elements.push_back(JsonValue(doc_, i, UINT32_MAX));
  }
  return elements;
}

bool JsonValue::Numbers(const double*& first, std::size_t& count) const {
  if (!doc_ || numberIndex_ != UINT32_MAX) return false;
  const Node& node = doc_->nodes_[node_];
  if (row_ != UINT32_MAX) {
    count = RowLength(node);
    first = doc_->numbers_.data() + RowsStart(node) + std::size_t{row_} * count;
    return true;
  }
  if (KindOf(node) != JsonDocument::kNumberRun) return false;
  first = doc_->numbers_.data() + node.payload;
  count = CountOf(node);
  return true;
}

bool JsonValue::Rows(const double*& first, std::size_t& rows, std::size_t& rowLength) const {
  if (!doc_ || numberIndex_ != UINT32_MAX || row_ != UINT32_MAX) return false;
  const Node& node = doc_->nodes_[node_];
  if (KindOf(node) != JsonDocument::kNumberRows) return false;
  first = doc_->numbers_.data() + RowsStart(node);
  rows = CountOf(node);
  rowLength = RowLength(node);
  return true;
}

}  // namespace tarnwick::lottie
