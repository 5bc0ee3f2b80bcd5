#include "lottie/Json.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <unordered_set>

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
  bool string(string_t& value) override {
    if (!BeforeValue()) return false;
    return PushString(static_cast<uint32_t>(JsonKind::kString), value);
  }
  bool binary(binary_t&) override { return Refuse("binary values are not JSON text"); }

  bool start_object(std::size_t) override { return Open(false); }
  bool start_array(std::size_t) override { return Open(true); }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }

  bool key(string_t& name) override {
    Frame& frame = open_.back();
    if (!frame.keys.insert(name).second) return Refuse("duplicate key \"" + name + "\"");
    frame.key = name;
    return PushString(JsonDocument::kKey, name);
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
  struct Frame {
    uint32_t node;
    uint32_t count = 0;
    bool array;
    bool numbersOnly;  // an array whose elements so far are all numbers, kept as a run
    std::size_t runStart;
    std::string key;  // the member being read, in an object
    std::unordered_set<std::string> keys;
  };
  static constexpr std::size_t kMostDepth = 512;

  // Where the next value goes, as a path: layers[2].ks.p.
  std::string Place() const {
    std::string place;
    for (const Frame& frame : open_) {
      if (frame.array) {
        place += "[" + std::to_string(frame.count) + "]";
      } else if (!frame.key.empty()) {
        place += (place.empty() ? "" : ".") + frame.key;
      }
    }
    return place.empty() ? "top level" : place;
  }

  bool Refuse(const std::string& what) {
    if (error_.empty()) error_ = Place() + ": " + what;
    return false;
  }

  // A value is about to be added as a node: an array kept as a run of
  // numbers so far becomes an array of nodes.
  bool BeforeValue() {
    if (open_.empty()) return true;
    Frame& frame = open_.back();
    if (frame.count >= JsonDocument::kMostCount || doc_.nodes_.size() >= UINT32_MAX - 2) {
      return Refuse("too many values");
    }
    if (frame.array && frame.numbersOnly) {
      frame.numbersOnly = false;
      for (std::size_t i = frame.runStart; i < doc_.numbers_.size(); ++i) {
        PushNumberNode(doc_.numbers_[i]);
      }
      doc_.numbers_.resize(frame.runStart);
    }
    if (frame.array) ++frame.count;
    return true;
  }

  void PushNumberNode(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const auto index = static_cast<uint32_t>(doc_.nodes_.size());
    doc_.nodes_.push_back(Node{bits, index + 1, Pack(static_cast<uint32_t>(JsonKind::kNumber), 0)});
  }

  bool PushString(uint32_t kind, const std::string& value) {
    if (value.size() > JsonDocument::kMostCount) return Refuse("a string too long");
    const auto index = static_cast<uint32_t>(doc_.nodes_.size());
    doc_.nodes_.push_back(
        Node{doc_.strings_.size(), index + 1, Pack(kind, static_cast<uint32_t>(value.size()))});
    doc_.strings_ += value;
    if (kind == JsonDocument::kKey) ++open_.back().count;
    return true;
  }

  bool Scalar(uint32_t kind, uint64_t payload) {
    if (!BeforeValue()) return false;
    const auto index = static_cast<uint32_t>(doc_.nodes_.size());
    doc_.nodes_.push_back(Node{payload, index + 1, Pack(kind, 0)});
    return true;
  }

  bool Number(double value) {
    if (!open_.empty() && open_.back().array && open_.back().numbersOnly) {
      if (open_.back().count >= JsonDocument::kMostCount) return Refuse("too many values");
      doc_.numbers_.push_back(value);
      ++open_.back().count;
      return true;
    }
    if (!BeforeValue()) return false;
    PushNumberNode(value);
    return true;
  }

  bool Open(bool array) {
    if (open_.size() >= kMostDepth) return Refuse("nested deeper than 512");
    if (!BeforeValue()) return false;
    const auto index = static_cast<uint32_t>(doc_.nodes_.size());
    doc_.nodes_.push_back(Node{0, 0, 0});
    open_.push_back(Frame{index, 0, array, array, doc_.numbers_.size(), {}, {}});
    return true;
  }

  bool Close() {
    Frame& frame = open_.back();
    Node& node = doc_.nodes_[frame.node];
    if (frame.array && frame.numbersOnly) {
      node = Node{frame.runStart, frame.node + 1, Pack(JsonDocument::kNumberRun, frame.count)};
    } else {
      const uint32_t kind =
          static_cast<uint32_t>(frame.array ? JsonKind::kArray : JsonKind::kObject);
      node = Node{0, static_cast<uint32_t>(doc_.nodes_.size()),
                  Pack(kind, frame.array ? frame.count : frame.count)};
    }
    open_.pop_back();
    return true;
  }

  JsonDocument& doc_;
  std::vector<Frame> open_;
  std::string error_;
  std::size_t syntaxPosition_ = std::string::npos;
};

JsonDocument JsonDocument::Parse(std::string_view text, const std::string& source) {
  JsonDocument doc;
  JsonBuilder builder(doc);
  const bool parsed = nlohmann::json::sax_parse(text.begin(), text.end(), &builder);
  if (!parsed) {
    if (builder.syntaxError()) {
      throw LottieError(source + ": " + LineAndColumn(text, builder.syntaxPosition()) + ": " +
                        builder.error());
    }
    throw LottieError(source + ": " + builder.error());
  }
  doc.nodes_.shrink_to_fit();
  doc.numbers_.shrink_to_fit();
  return doc;
}

JsonKind JsonValue::kind() const {
  if (numberIndex_ != UINT32_MAX) return JsonKind::kNumber;
  const uint32_t kind = KindOf(doc_->nodes_[node_]);
  if (kind == JsonDocument::kNumberRun) return JsonKind::kArray;
  if (kind == JsonDocument::kKey) return JsonKind::kString;
  return static_cast<JsonKind>(kind);
}

double JsonValue::Number() const {
  if (numberIndex_ != UINT32_MAX) return doc_->numbers_[numberIndex_];
  const Node& node = doc_->nodes_[node_];
  if (KindOf(node) == static_cast<uint32_t>(JsonKind::kBool)) return node.payload ? 1.0 : 0.0;
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
  if (!IsArray()) return elements;
  const Node& array = doc_->nodes_[node_];
  elements.reserve(CountOf(array));
  if (KindOf(array) == JsonDocument::kNumberRun) {
    for (uint32_t i = 0; i < CountOf(array); ++i) {
      elements.push_back(JsonValue(doc_, node_, static_cast<uint32_t>(array.payload) + i));
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
  if (KindOf(node) != JsonDocument::kNumberRun) return false;
  first = doc_->numbers_.data() + node.payload;
  count = CountOf(node);
  return true;
}

}  // namespace tarnwick::lottie
