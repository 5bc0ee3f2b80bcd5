#include "sim/validate/checks/ProcessMemory.h"

#ifdef _WIN32
#include "platform/Win32.h"
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <malloc.h>
#include <sys/resource.h>
#endif

namespace tarnwick::sim {

uint64_t PeakMemory() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize;
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;
#endif
}

uint64_t MemoryInUse() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS_EX counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  return counters.PrivateUsage;
#else
  return mallinfo2().uordblks;
#endif
}

}  // namespace tarnwick::sim
