#include "sim/settings/SettingsReader.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <utility>

namespace tarnwick::sim {

namespace {

// Deeper than anything Fusion writes (a comp with groups in groups nests a
// few dozen), shallow enough that the reader's recursion stays small.
constexpr int kMaxDepth = 200;

struct Place {
  std::size_t line = 1;
  std::size_t column = 1;
};

[[noreturn]] void Fail(const Place& place, const std::string& what) {
  throw SettingsError("settings text, line " + std::to_string(place.line) + " column " +
                      std::to_string(place.column) + ": " + what);
}

// A value of the Lua table syntax Fusion writes.
struct Value {
  enum class Kind { kNumber, kString, kBoolean, kNil, kTable } kind = Kind::kNumber;
  double number = 0;
  std::string text;  // a string's contents, or a table's constructor name
  Place place;
  // A table's fields in order: named (Name = or ["name"] =), indexed
  // ([number] =) or positional (neither).
  struct Field {
    std::string name;
    std::optional<double> index;
    Place keyPlace;
    std::unique_ptr<Value> value;
  };
  std::vector<Field> fields;

  bool IsTable() const { return kind == Kind::kTable; }

  const Value* Find(const std::string& name) const {
    if (!IsTable()) return nullptr;
    for (const Field& field : fields) {
      if (field.name == name) return field.value.get();
    }
    return nullptr;
  }
};

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text), end_(text.size()) {
    // Fusion leaves a NUL after a saved comp.
    while (end_ > 0 && text_[end_ - 1] == '\0') --end_;
  }

  Value Document() {
    Value root = ParseValue();
    Skip();
    if (at_ != end_) Fail(Here(), "text after the document's end");
    return root;
  }

 private:
  // Where the reader is, counted on from where it last counted.
  Place Here() {
    const std::size_t to = at_ < end_ ? at_ : end_;
    if (to < countedTo_) {  // the reader stepped back: count again
      countedTo_ = 0;
      counted_ = Place{};
    }
    for (; countedTo_ < to; ++countedTo_) {
      const bool newline = text_[countedTo_] == '\n';
      counted_.line += newline ? 1 : 0;
      counted_.column = newline ? 1 : counted_.column + 1;
    }
    return counted_;
  }

  bool AtEnd() const { return at_ >= end_; }
  char Peek() const { return AtEnd() ? '\0' : text_[at_]; }

  // Blanks and Lua comments (-- to the line's end).
  void Skip() {
    while (!AtEnd()) {
      if (std::isspace(static_cast<unsigned char>(text_[at_]))) {
        ++at_;
      } else if (text_.compare(at_, 2, "--") == 0) {
        while (!AtEnd() && text_[at_] != '\n') ++at_;
      } else {
        return;
      }
    }
  }

  bool Accept(char c) {
    Skip();
    if (Peek() == c && !AtEnd()) {
      ++at_;
      return true;
    }
    return false;
  }

  void Expect(char c) {
    if (!Accept(c)) Fail(Here(), std::string("expected '") + c + "'");
  }

  static bool NameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
  static bool NamePart(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
  }

  // A name, dotted for tool types such as Fuse.Something.
  std::string Name() {
    Skip();
    const std::size_t start = at_;
    if (!NameStart(Peek())) return "";
    while (!AtEnd() && NamePart(text_[at_])) ++at_;
    return text_.substr(start, at_ - start);
  }

  double UnsignedNumber() {
    Skip();
    const std::string digits = NumberText();
    if (digits.empty()) Fail(Here(), "expected a number");
    return std::strtod(digits.c_str(), nullptr);  // 1e999 overflows to infinity
  }

  // The longest run that can belong to a number; strtod decides the rest.
  std::string NumberText() {
    const std::size_t start = at_;
    while (!AtEnd() && (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == '.' ||
                        ((text_[at_] == '-' || text_[at_] == '+') && at_ > start &&
                         (text_[at_ - 1] == 'e' || text_[at_ - 1] == 'E')))) {
      ++at_;
    }
    std::string digits = text_.substr(start, at_ - start);
    char* end = nullptr;
    std::strtod(digits.c_str(), &end);
    // strtod also reads inf, nan and their spellings, which Lua reads as
    // names: a number starts with a digit or a point.
    const bool numeral = !digits.empty() &&
                         (std::isdigit(static_cast<unsigned char>(digits[0])) || digits[0] == '.');
    if (!numeral || end != digits.c_str() + digits.size()) {
      at_ = start;
      return "";
    }
    return digits;
  }

  // A number, a negated number, or a quotient of two (0/0 stands for NaN).
  double Number() {
    const bool negative = Accept('-');
    // -inf is no number to Lua but a name negated: refused as inf is.
    if (negative && NameStart(Peek()) && !AtEnd()) {
      const Place place = Here();
      Fail(place, "unexpected name \"" + Name() + "\" where a value should be");
    }
    double value = UnsignedNumber();
    if (Accept('/')) value = value / UnsignedNumber();
    return negative ? -value : value;
  }

  std::string QuotedString() {
    const Place place = Here();
    const char quote = text_[at_++];
    std::string contents;
    while (true) {
      if (AtEnd() || text_[at_] == '\n') Fail(place, "a string without its closing quote");
      const char c = text_[at_++];
      if (c == quote) return contents;
      if (c != '\\') {
        contents += c;
        continue;
      }
      if (AtEnd()) Fail(place, "a string without its closing quote");
      const char escaped = text_[at_++];
      switch (escaped) {
        case 'n':
          contents += '\n';
          break;
        case 't':
          contents += '\t';
          break;
        case 'r':
          contents += '\r';
          break;
        default:
          if (std::isdigit(static_cast<unsigned char>(escaped))) {
            int code = escaped - '0';
            for (int more = 0; more < 2 && std::isdigit(static_cast<unsigned char>(Peek()));
                 ++more) {
              code = code * 10 + (text_[at_++] - '0');
            }
            if (code > 255) Fail(place, "an escaped character beyond 255");
            contents += static_cast<char>(code);
          } else {
            contents += escaped;  // \" \' \\ and the rest stand for themselves
          }
      }
    }
  }

  Value ParseValue() {
    Skip();
    Value value;
    value.place = Here();
    if (AtEnd()) Fail(value.place, "the text ends where a value should be");
    const char c = Peek();
    if (c == '"' || c == '\'') {
      value.kind = Value::Kind::kString;
      value.text = QuotedString();
    } else if (c == '{') {
      value = Table("", value.place);
    } else if (c == '-' || c == '.' || std::isdigit(static_cast<unsigned char>(c))) {
      value.number = Number();
    } else {
      const std::string name = Name();
      if (name.empty()) Fail(value.place, std::string("unexpected '") + c + "'");
      if (name == "true" || name == "false") {
        value.kind = Value::Kind::kBoolean;
        value.number = name == "true" ? 1 : 0;
      } else if (name == "nil") {
        value.kind = Value::Kind::kNil;
      } else {
        value = Constructor(name, value.place);
      }
    }
    return value;
  }

  // Name { ... }, Name() { ... } or Name(a, b): a table named by its type.
  Value Constructor(const std::string& name, const Place& place) {
    Value arguments;
    arguments.kind = Value::Kind::kTable;
    const bool called = Accept('(');
    if (called) {
      Enter(place);
      while (!Accept(')')) {
        Value::Field field;
        field.value = std::make_unique<Value>(ParseValue());
        arguments.fields.push_back(std::move(field));
        if (!Accept(',')) {
          Expect(')');
          break;
        }
      }
      --depth_;
    }
    Skip();
    if (Peek() == '{' && !AtEnd()) return Table(name, place);
    if (!called) Fail(place, "unexpected name \"" + name + "\" where a value should be");
    arguments.text = name;
    arguments.place = place;
    return arguments;
  }

  void Enter(const Place& place) {
    if (++depth_ > kMaxDepth) {
      Fail(place, "tables nested deeper than " + std::to_string(kMaxDepth));
    }
  }

  Value Table(const std::string& constructor, const Place& place) {
    Enter(place);
    Expect('{');
    Value table;
    table.kind = Value::Kind::kTable;
    table.text = constructor;
    table.place = place;
    while (!Accept('}')) {
      table.fields.push_back(Field());
      if (!Accept(',') && !Accept(';')) {
        Expect('}');
        break;
      }
    }
    --depth_;
    return table;
  }

  Value::Field Field() {
    Value::Field field;
    Skip();
    field.keyPlace = Here();
    if (Accept('[')) {
      Skip();
      if (Peek() == '"' || Peek() == '\'') {
        field.name = QuotedString();
      } else {
        field.index = Number();
      }
      Expect(']');
      Expect('=');
    } else {
      const std::size_t before = at_;
      const std::string name = Name();
      if (!name.empty() && Accept('=')) {
        field.name = name;
      } else {
        at_ = before;  // a positional value
      }
    }
    field.value = std::make_unique<Value>(ParseValue());
    return field;
  }

  const std::string& text_;
  std::size_t end_;
  std::size_t at_ = 0;
  int depth_ = 0;
  // Where Here() last counted to, so counting lines stays linear.
  std::size_t countedTo_ = 0;
  Place counted_;
};

// Finds the polylines and the frame size in a parsed document.
class Collector {
 public:
  explicit Collector(Settings& settings) : settings_(settings) {}

  // The parser bounds the nesting, and with it this recursion.
  void Walk(const Value& value, const std::string& tool) {
    if (!value.IsTable()) return;
    ReadFrameSize(value);
    if (std::optional<SettingsKeyframe> still = Polyline(value)) {
      settings_.polylines.push_back(SettingsPolyline{tool, {std::move(*still)}});
      return;
    }
    for (const Value::Field& field : value.fields) {
      const Value& inner = *field.value;
      if (field.name == "KeyFrames" && inner.IsTable()) {
        Keyed(inner, tool);
      } else if (field.name == "Tools" && inner.IsTable()) {
        for (const Value::Field& member : inner.fields) {
          Walk(*member.value, member.name.empty() ? tool : member.name);
        }
      } else {
        Walk(inner, tool);
      }
    }
  }

 private:
  // A keyframe key: a number within 32-bit integers (it need not be whole).
  static double Frame(const Value::Field& entry) {
    if (!entry.index) Fail(entry.keyPlace, "a keyframe without a numeric key [frame]");
    const double frame = *entry.index;
    if (!(std::fabs(frame) <= 2147483647.0)) {
      Fail(entry.keyPlace, "a keyframe key beyond 32-bit integers");
    }
    return frame;
  }

  // KeyFrames = { [frame] = { ..., Value = Polyline { ... } }, ... }: one
  // polyline when any keyframe holds one; other keyed values are walked on.
  void Keyed(const Value& keyFrames, const std::string& tool) {
    SettingsPolyline keyed{tool, {}};
    for (const Value::Field& entry : keyFrames.fields) {
      const Value* holder = entry.value.get();
      const Value* value = holder->Find("Value");
      std::optional<SettingsKeyframe> keyframe = value ? Polyline(*value) : std::nullopt;
      if (keyframe) {
        keyframe->frame = Frame(entry);
        keyed.keyframes.push_back(std::move(*keyframe));
      } else {
        Walk(*holder, tool);
      }
    }
    if (!keyed.keyframes.empty()) settings_.polylines.push_back(std::move(keyed));
  }

  // A Polyline or BSplinePolyline table with points, or none.
  static std::optional<SettingsKeyframe> Polyline(const Value& value) {
    if (!value.IsTable() || (value.text != "Polyline" && value.text != "BSplinePolyline")) {
      return std::nullopt;
    }
    const Value* points = value.Find("Points");
    if (points == nullptr || !points->IsTable() || points->fields.empty()) return std::nullopt;
    SettingsKeyframe keyframe;
    keyframe.bspline = value.text == "BSplinePolyline";
    const Value* closed = value.Find("Closed");
    keyframe.closed = closed != nullptr && closed->kind == Value::Kind::kBoolean && closed->number;
    for (const Value::Field& field : points->fields) {
      keyframe.points.push_back(Point(*field.value));
    }
    return keyframe;
  }

  // { X = , Y = , LX = , ... } or positional { x, y }.
  static SettingsPoint Point(const Value& point) {
    if (!point.IsTable()) Fail(point.place, "a point that is not a table");
    std::vector<double> positional;
    for (const Value::Field& field : point.fields) {
      if (field.name.empty() && !field.index && field.value->kind == Value::Kind::kNumber) {
        positional.push_back(field.value->number);
      }
    }
    const auto member = [&](const char* name, std::optional<double> fallback) {
      const Value* found = point.Find(name);
      if (found == nullptr) {
        if (fallback) return *fallback;
        Fail(point.place, std::string("a point without ") + name);
      }
      if (found->kind != Value::Kind::kNumber) {
        Fail(found->place, std::string("a point's ") + name + " is not a number");
      }
      return found->number;
    };
    const auto coordinate = [&](const char* name, std::size_t index) {
      return member(name, index < positional.size() ? std::optional<double>(positional[index])
                                                    : std::nullopt);
    };
    return SettingsPoint{coordinate("X", 0), coordinate("Y", 1), member("LX", 0.0),
                         member("LY", 0.0),  member("RX", 0.0),  member("RY", 0.0)};
  }

  // MaskWidth = Input { Value = 1920 }: the frame, from the first tool whose
  // inputs give both.
  void ReadFrameSize(const Value& tool) {
    if (settings_.maskWidth) return;
    const Value* inputs = tool.Find("Inputs");
    const Value* width = inputs != nullptr ? inputs->Find("MaskWidth") : nullptr;
    const Value* height = inputs != nullptr ? inputs->Find("MaskHeight") : nullptr;
    if (width == nullptr || height == nullptr) return;
    settings_.maskWidth = Integer(width->Find("Value"), *width);
    settings_.maskHeight = Integer(height->Find("Value"), *height);
  }

  static int64_t Integer(const Value* value, const Value& input) {
    if (value == nullptr || value->kind != Value::Kind::kNumber) {
      Fail(input.place, "a frame size that is not a number");
    }
    const double number = value->number;
    if (!std::isfinite(number)) Fail(value->place, "a non-finite number where an integer must be");
    if (number != std::floor(number) || std::fabs(number) > 2147483647.0) {
      Fail(value->place, "a frame size that is not an integer within 32 bits");
    }
    return static_cast<int64_t>(number);
  }

  Settings& settings_;
};

}  // namespace

Settings ReadSettings(const std::string& text) {
  const Value document = Parser(text).Document();
  Settings settings;
  Collector(settings).Walk(document, "");
  return settings;
}

}  // namespace tarnwick::sim
