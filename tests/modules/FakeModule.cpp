// Stand-in modules the loader must refuse: each exports one function and
// carries (or lacks) a property list of its own.
#include <cstdint>

extern "C" __declspec(dllexport) int32_t FakeEntry(const void*, int32_t, int32_t, int32_t) {
  return 0;
}
