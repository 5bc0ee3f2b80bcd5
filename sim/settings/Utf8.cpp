#include "sim/settings/Utf8.h"

namespace tarnwick::sim {

std::size_t Utf8SequenceLength(const unsigned char* bytes, std::size_t left) {
  if (left == 0) return 0;
  const unsigned char lead = bytes[0];
  const std::size_t length = lead < 0x80                    ? 1
                             : lead >= 0xC2 && lead <= 0xDF ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0 || length > left) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return 0;
  }
  if ((lead == 0xE0 && bytes[1] < 0xA0) || (lead == 0xED && bytes[1] > 0x9F) ||
      (lead == 0xF0 && bytes[1] < 0x90) || (lead == 0xF4 && bytes[1] > 0x8F)) {
    return 0;
  }
  return length;
}

}  // namespace tarnwick::sim
