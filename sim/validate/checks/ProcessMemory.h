// This process's memory, as the checks measure it.
#ifndef TARNWICK_SIM_VALIDATE_CHECKS_PROCESS_MEMORY_H
#define TARNWICK_SIM_VALIDATE_CHECKS_PROCESS_MEMORY_H

#include <cstdint>

namespace tarnwick::sim {

// Peak memory of this process so far, in bytes.
uint64_t PeakMemory();
// Memory the process holds now: private bytes on Windows, the allocator's
// bytes in use elsewhere.
uint64_t MemoryInUse();

}  // namespace tarnwick::sim

#endif
