// Stand-in modules the loader must refuse or the validator must survive:
// each exports one function and carries (or lacks) a property list of its
// own. FAKE_ENTRY_CRASHES and FAKE_ENTRY_HANGS make an EntryPointFunc that
// faults or never returns.
#include <cstdint>

#if defined(FAKE_ENTRY_CRASHES)
extern "C" __declspec(dllexport) int32_t EntryPointFunc(const void*, int32_t, int32_t, int32_t) {
  volatile int32_t* nowhere = nullptr;
  return *nowhere;
}
#elif defined(FAKE_ENTRY_HANGS)
#include <windows.h>
extern "C" __declspec(dllexport) int32_t EntryPointFunc(const void*, int32_t, int32_t, int32_t) {
  for (;;) Sleep(1000);
}
#else
extern "C" __declspec(dllexport) int32_t FakeEntry(const void*, int32_t, int32_t, int32_t) {
  return 0;
}
#endif
