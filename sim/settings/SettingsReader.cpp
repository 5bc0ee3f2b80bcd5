#include "sim/settings/SettingsReader.h"

#include <cctype>
#include <cstdlib>
#include <memory>
#include <utility>

namespace tarnwick::sim {

namespace {

// A value of the Lua table subset the text is made of.
struct Value {
  enum class Kind { kNumber, kString, kBoolean, kTable } kind = Kind::kNumber;
  double number = 0;
  std::string text;  // a string's contents, or a table's constructor name
  // A table's fields in order; a positional field has an empty name.
  struct Field {
    std::string name;
    std::optional<double> index;  // [index] = value
    std::unique_ptr<Value> value;
  };
  std::vector<Field> fields;

  const Value* Find(const std::string& name) const {
    for (const Field& field : fields) {
      if (field.name == name) return field.value.get();
    }
    return nullptr;
  }
};

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text) {}

  Value Document() {
    Value root = ParseValue();
    Skip();
    if (at_ != text_.size()) Fail("text after the closing brace");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < at_ && i < text_.size(); ++i) {
      column = text_[i] == '\n' ? 1 : column + 1;
      line += text_[i] == '\n' ? 1 : 0;
    }
    throw SettingsError("settings text, line " + std::to_string(line) + " column " +
                        std::to_string(column) + ": " + what);
  }

  void Skip() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }

  bool Accept(char c) {
    Skip();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }

  void Expect(char c) {
    if (!Accept(c)) Fail(std::string("expected '") + c + "'");
  }

  std::string Name() {
    Skip();
    const std::size_t start = at_;
    while (at_ < text_.size() &&
           (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == '_')) {
      ++at_;
    }
    return text_.substr(start, at_ - start);
  }

  // A number, a negated number, or a quotient of two (0/0 stands for NaN).
  double Number() {
    const bool negative = Accept('-');
    Skip();
    const char* start = text_.c_str() + at_;
    char* end = nullptr;
    double value = std::strtod(start, &end);  // 1e999 overflows to infinity
    if (end == start) Fail("expected a number");
    at_ += static_cast<std::size_t>(end - start);
    if (Accept('/')) {
      Skip();
      const char* divisorStart = text_.c_str() + at_;
      const double divisor = std::strtod(divisorStart, &end);
      if (end == divisorStart) Fail("expected a number after '/'");
      at_ += static_cast<std::size_t>(end - divisorStart);
      value = value / divisor;
    }
    return negative ? -value : value;
  }

  Value ParseValue() {
    Skip();
    if (at_ >= text_.size()) Fail("the text ends where a value should be");
    const char c = text_[at_];
    Value value;
    if (c == '"') {
      const std::size_t close = text_.find('"', at_ + 1);
      if (close == std::string::npos) Fail("a string without its closing quote");
      value.kind = Value::Kind::kString;
      value.text = text_.substr(at_ + 1, close - at_ - 1);
      at_ = close + 1;
    } else if (c == '{') {
      value = Table("");
    } else if (c == '-' || c == '.' || std::isdigit(static_cast<unsigned char>(c))) {
      value.number = Number();
    } else {
      const std::string name = Name();
      if (name.empty()) Fail(std::string("unexpected '") + c + "'");
      if (name == "true" || name == "false") {
        value.kind = Value::Kind::kBoolean;
        value.number = name == "true" ? 1 : 0;
      } else {
        // A constructor: Name { ... } or Name() { ... }.
        if (Accept('(')) Expect(')');
        Skip();
        value = Table(name);
      }
    }
    return value;
  }

  Value Table(const std::string& constructor) {
    constexpr int kMaxDepth = 64;  // the module's text nests 8 deep
    if (++depth_ > kMaxDepth) Fail("tables nested too deeply");
    Expect('{');
    Value table;
    table.kind = Value::Kind::kTable;
    table.text = constructor;
    while (!Accept('}')) {
      Value::Field field;
      Skip();
      if (Accept('[')) {
        field.index = Number();
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
      table.fields.push_back(std::move(field));
      if (!Accept(',')) {
        Expect('}');
        break;
      }
    }
    --depth_;
    return table;
  }

  const std::string& text_;
  std::size_t at_ = 0;
  int depth_ = 0;
};

const Value& Member(const Value& table, const std::string& name, const std::string& where) {
  const Value* found = table.kind == Value::Kind::kTable ? table.Find(name) : nullptr;
  if (found == nullptr) throw SettingsError("settings text: " + where + " has no " + name);
  return *found;
}

double NumberOf(const Value& value, const std::string& where) {
  if (value.kind != Value::Kind::kNumber) {
    throw SettingsError("settings text: " + where + " is not a number");
  }
  return value.number;
}

SettingsKeyframe ReadKeyframe(const Value::Field& entry, const std::string& where) {
  if (!entry.index)
    throw SettingsError("settings text: " + where + " has a keyframe without a key");
  SettingsKeyframe keyframe{static_cast<int64_t>(*entry.index), {}};
  const std::string at = where + " frame " + std::to_string(keyframe.frame);
  const Value& points = Member(Member(*entry.value, "Value", at), "Points", at);
  for (const Value::Field& field : points.fields) {
    const Value& p = *field.value;
    const std::string point = at + " point " + std::to_string(keyframe.points.size());
    keyframe.points.push_back(SettingsPoint{
        NumberOf(Member(p, "X", point), point), NumberOf(Member(p, "Y", point), point),
        NumberOf(Member(p, "LX", point), point), NumberOf(Member(p, "LY", point), point),
        NumberOf(Member(p, "RX", point), point), NumberOf(Member(p, "RY", point), point)});
  }
  return keyframe;
}

}  // namespace

Settings ReadSettings(const std::string& text) {
  const Value document = Parser(text).Document();
  const Value& tools = Member(document, "Tools", "the document");
  Settings settings;
  for (const Value::Field& tool : tools.fields) {
    const Value& body = *tool.value;
    if (body.text == "BSplineMask" && !settings.maskWidth) {
      const Value& inputs = Member(body, "Inputs", tool.name);
      settings.maskWidth = static_cast<int64_t>(
          NumberOf(Member(Member(inputs, "MaskWidth", tool.name), "Value", tool.name), tool.name));
      settings.maskHeight = static_cast<int64_t>(
          NumberOf(Member(Member(inputs, "MaskHeight", tool.name), "Value", tool.name), tool.name));
    } else if (body.text == "BezierSpline") {
      SettingsPolyline polyline{tool.name, {}};
      for (const Value::Field& entry : Member(body, "KeyFrames", tool.name).fields) {
        polyline.keyframes.push_back(ReadKeyframe(entry, tool.name));
      }
      settings.polylines.push_back(std::move(polyline));
    }
  }
  return settings;
}

}  // namespace tarnwick::sim
