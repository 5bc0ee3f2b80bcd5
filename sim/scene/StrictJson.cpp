#include "sim/scene/StrictJson.h"

#include <utility>
#include <vector>

#include "sim/scene/Scene.h"

namespace tarnwick::sim {

namespace {

using Json = nlohmann::json;

// Builds the document from the parser's events, keeping the path to the value
// being read so that every refusal can say where it is.
// Its implicit constructor makes a null document, which nlohmann declares
// noexcept and which allocates nothing; only other kinds allocate.
// NOLINTNEXTLINE(bugprone-exception-escape)
class StrictBuilder : public nlohmann::json_sax<Json> {
 public:
  bool null() override { return Add(nullptr); }
  bool boolean(bool value) override { return Add(value); }
  bool number_integer(number_integer_t value) override { return Add(value); }
  bool number_unsigned(number_unsigned_t value) override { return Add(value); }
  bool number_float(number_float_t value, const string_t&) override { return Add(value); }
  bool string(string_t& value) override { return Add(std::move(value)); }
  bool binary(binary_t&) override { return Refuse("binary values are not JSON text"); }

  bool start_object(std::size_t) override { return Open(Json::object()); }
  bool start_array(std::size_t) override { return Open(Json::array()); }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }

  bool key(string_t& name) override {
    Frame& frame = open_.back();
    if (frame.container->contains(name)) return Refuse("duplicate key \"" + name + "\"");
    frame.key = std::move(name);
    return true;
  }

  bool parse_error(std::size_t position, const std::string& token,
                   const nlohmann::detail::exception& error) override {
    constexpr int kNumberOverflow = 406;
    if (error.id == kNumberOverflow) {
      return Refuse("the number " + token + " is beyond what a double holds");
    }
    std::string what = error.what();
    // Drop the library's "[json.exception...] " prefix; the place says more.
    const std::size_t bracket = what.find("] ");
    if (bracket != std::string::npos) what = what.substr(bracket + 2);
    return Refuse("not JSON: " + what + " (byte " + std::to_string(position) + ")");
  }

  Json TakeDocument() { return std::move(root_); }
  const std::string& error() const { return error_; }

 private:
  struct Frame {
    Json* container;
    std::string key;  // of the member being read, in an object; empty between members
  };

  // Where the next value goes, as the loader names places.
  std::string Place() const {
    std::string place;
    for (std::size_t i = 0; i < open_.size(); ++i) {
      const Frame& frame = open_[i];
      if (frame.container->is_array()) {
        // An enclosing array's last element is the one being read.
        const std::size_t size = frame.container->size();
        place += "[" + std::to_string(i + 1 == open_.size() ? size : size - 1) + "]";
      } else if (!frame.key.empty()) {
        place += (place.empty() ? "" : ".") + frame.key;
      }
    }
    return place.empty() ? "top level" : place;
  }

  Json* Insert(Json value) {
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Frame& frame = open_.back();
    if (frame.container->is_array()) {
      frame.container->push_back(std::move(value));
      return &frame.container->back();
    }
    Json& member = (*frame.container)[frame.key];
    member = std::move(value);
    return &member;
  }

  bool Add(Json value) {
    Insert(std::move(value));
    EndMember();
    return true;
  }

  void EndMember() {
    if (!open_.empty()) open_.back().key.clear();
  }

  bool Open(Json container) {
    Json* inserted = Insert(std::move(container));
    open_.push_back({inserted, std::string()});
    return true;
  }

  bool Close() {
    open_.pop_back();
    EndMember();
    return true;
  }

  bool Refuse(const std::string& what) {
    if (error_.empty()) error_ = Place() + ": " + what;
    return false;
  }

  Json root_;
  std::vector<Frame> open_;
  std::string error_;
};

}  // namespace

Json ParseStrictJson(const std::string& text, const std::string& source) {
  StrictBuilder builder;
  const bool parsed = Json::sax_parse(text, &builder);
  if (!parsed) {
    throw SceneError(source + ": " +
                     (builder.error().empty() ? "top level: not JSON" : builder.error()));
  }
  return builder.TakeDocument();
}

}  // namespace tarnwick::sim
