// One rule for UTF-8 in the whole simulator.
#ifndef TARNWICK_SIM_SETTINGS_UTF8_H
#define TARNWICK_SIM_SETTINGS_UTF8_H

#include <cstddef>

namespace tarnwick::sim {

// The length of the UTF-8 sequence at the start of the bytes (left of them
// remain): 1 for an ASCII byte, 2 to 4 for a well-formed sequence, 0 when
// the bytes are not one (overlong forms, surrogates and code points past
// U+10FFFF included).
std::size_t Utf8SequenceLength(const unsigned char* bytes, std::size_t left);

}  // namespace tarnwick::sim

#endif
