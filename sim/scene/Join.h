// Texts joined with a separator, for the lists messages name: "a, b, c".
#ifndef TARNWICK_SIM_SCENE_JOIN_H
#define TARNWICK_SIM_SCENE_JOIN_H

#include <string>

namespace tarnwick::sim {

template <typename Texts>
std::string Join(const Texts& texts, const std::string& separator) {
  std::string joined;
  bool first = true;
  for (const auto& text : texts) {
    if (!first) joined += separator;
    joined += text;
    first = false;
  }
  return joined;
}

}  // namespace tarnwick::sim

#endif
