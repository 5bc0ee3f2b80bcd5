// JSON as a scene file needs it: duplicate keys and numbers beyond a double
// are refused with the place they occur, not silently resolved.
#ifndef TARNWICK_SIM_STRICT_JSON_H
#define TARNWICK_SIM_STRICT_JSON_H

#include <nlohmann/json.hpp>
#include <string>

namespace tarnwick::sim {

// Parses the text; throws SceneError naming the source, the place in the
// document (as items[0].layers[1]) and what is wrong.
nlohmann::json ParseStrictJson(const std::string& text, const std::string& source);

}  // namespace tarnwick::sim

#endif
