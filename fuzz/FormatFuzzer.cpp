// Any 8 bytes as a double, any 16 as two: the project's %f must equal glibc's,
// for one number and for two converted together.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "export/NumberFormat.h"

namespace {

std::string Reference(double x) {
  char reference[400];
  const int length = std::snprintf(reference, sizeof reference, "%f", x);
  return std::string(reference, static_cast<std::size_t>(length));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size != sizeof(double) && size != 2 * sizeof(double)) return 0;
  double x[2] = {0, 0};
  std::memcpy(x, data, size);
  // Non-finite values are spelled as Lua expressions on purpose.
  if (!std::isfinite(x[0]) || !std::isfinite(x[1])) return 0;
  char ours[2 * tarnwick::kFixed6MaxLength + 2];
  std::string expected = Reference(x[0]);
  std::size_t length = tarnwick::FormatFixed6(x[0], ours);
  if (size == 2 * sizeof(double)) {
    expected += "," + Reference(x[1]);
    length = tarnwick::FormatFixed6Pair(x[0], ",", x[1], ours);
  }
  if (std::string(ours, length) != expected) {
    std::abort();
  }
  return 0;
}
