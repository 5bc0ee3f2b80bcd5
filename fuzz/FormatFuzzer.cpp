// Any 8 bytes as a double: the project's %f must equal glibc's.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "export/NumberFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size != sizeof(double)) return 0;
  double x = 0;
  std::memcpy(&x, data, sizeof x);
  if (!std::isfinite(x)) return 0;  // spelled as Lua expressions on purpose
  char ours[tarnwick::kFixed6MaxLength + 1];
  const std::size_t length = tarnwick::FormatFixed6(x, ours);
  char reference[400];
  const int expected = std::snprintf(reference, sizeof reference, "%f", x);
  if (static_cast<int>(length) != expected || std::memcmp(ours, reference, length) != 0) {
    std::abort();
  }
  return 0;
}
