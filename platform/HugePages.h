// The one huge-page policy, for the Win32 stand-in's clipboard blocks and
// tarnwick-sim's own allocations: a block of 2 MiB and more is marked for
// transparent huge pages, as an allocator tuned for large media buffers
// would. A long export's text then costs a few hundred page faults instead
// of tens of thousands, which is most of the kernel's share of a run (the
// whole-process benchmark holds it). The module itself never asks: on
// Windows its blocks are the system's.
#ifndef TARNWICK_PLATFORM_HUGE_PAGES_H
#define TARNWICK_PLATFORM_HUGE_PAGES_H

#include <cstddef>
#include <cstdint>

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace tarnwick::platform {

constexpr std::size_t kHugePageBlock = std::size_t{2} << 20;

// Marks the whole pages inside a heap block, when it is large enough, for
// huge pages (never a neighbour's page). A hint: where it is refused (or there are no such pages,
// as on Windows and in WebAssembly) the pages stay small.
inline void AdviseHugePages(void* block, std::size_t size) noexcept {
#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
  if (block == nullptr || size < kHugePageBlock) return;
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t start = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size) & ~(page - 1);
  if (end > start) (void)madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)block;
  (void)size;
#endif
}

// Marks a whole mapping of ours for huge pages, its last page too, however
// little of it the size reaches: the kernel rounds the length up. Advised in
// part, a mapping would be split in two areas, which mremap cannot move as
// one (it then fails, and a growing text would be refused memory).
inline void AdviseHugePagesForMapping(void* region, std::size_t size) noexcept {
#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
  if (size >= kHugePageBlock) (void)madvise(region, size, MADV_HUGEPAGE);
#else
  (void)region;
  (void)size;
#endif
}

}  // namespace tarnwick::platform

#endif
