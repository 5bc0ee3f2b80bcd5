// tarnwick-sim's allocations follow the huge-page policy (platform/HugePages.h).
// Only the tarnwick-sim program links this file; the module is not changed
// by it.
#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
#include <cstdlib>
#include <new>

#include "platform/HugePages.h"

namespace {

void* Allocate(std::size_t size) noexcept {
  void* block = std::malloc(size != 0 ? size : 1);
  tarnwick::platform::AdviseHugePages(block, size);
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
