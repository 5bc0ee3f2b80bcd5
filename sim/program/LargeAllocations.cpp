// tarnwick-sim's allocation policy: blocks of 2 MiB and more are marked for
// transparent huge pages, as an allocator tuned for large media buffers
// would. A long export's text then costs a few hundred page faults instead
// of tens of thousands, which is most of the kernel's share of a run. Only
// the tarnwick-sim program links this file; the module is not changed by it.
// Needed by the whole-process benchmark's target (tarnwick-process-bench: at
// most 0.25 x the printf floor).
#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kHugePageThreshold = std::size_t{2} << 20;

void* Allocate(std::size_t size) noexcept {
  void* block = std::malloc(size != 0 ? size : 1);
  if (block != nullptr && size >= kHugePageThreshold) {
    // Only whole pages inside the block; a refusal leaves small pages.
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t start = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size) & ~(page - 1);
    if (end > start) (void)madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  }
  return block;
}

}  // namespace

void* operator new(std::size_t size) {
  void* block = Allocate(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
#endif
