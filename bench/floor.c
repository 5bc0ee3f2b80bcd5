/* The printf floor: what formatting N doubles with snprintf("%f") costs a
 * whole process. The numbers are spread like a mask export's: positions
 * within the frame, tangents near zero. Usage: tarnwick-floor N */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: tarnwick-floor COUNT\n");
    return 2;
  }
  const long count = strtol(argv[1], NULL, 10);
  uint64_t state = 42;
  char buffer[400];
  size_t total = 0;
  for (long i = 0; i < count; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const double unit = (double)(state >> 11) * 0x1.0p-53 - 0.5;
    const double x = i % 6 < 2 ? unit : unit * 0.05;
    total += (size_t)snprintf(buffer, sizeof buffer, "%f", x);
  }
  printf("%zu\n", total);
  return 0;
}
