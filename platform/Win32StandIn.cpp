#include "platform/Win32StandIn.h"

#ifndef _WIN32
#ifndef __EMSCRIPTEN__
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <utility>

#include "platform/HugePages.h"

namespace tarnwick::standin {

namespace {

// Blocks this large come straight from the system, as a system allocator
// serves a big request, in huge pages where it offers them (platform/HugePages.h).
constexpr std::size_t kLargeBlock = platform::kHugePageBlock;

#ifdef __EMSCRIPTEN__
// WebAssembly has one linear memory and no remapping: every block is the heap's.
bool gLargeBlocksFromSystem = false;
#else
bool gLargeBlocksFromSystem = true;
#endif

// A movable block's contents start undefined, as on Windows; they are not
// zeroed, so a long text is not written twice.
struct Block {
  explicit Block(std::size_t bytes)
      : size(bytes), mapped(bytes >= kLargeBlock && gLargeBlocksFromSystem) {
#ifndef __EMSCRIPTEN__
    if (mapped) {
      void* region =
          mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (region == MAP_FAILED) throw std::bad_alloc();
      platform::AdviseHugePagesForMapping(region, size);
      data = static_cast<char*>(region);
      return;
    }
#endif
    data = new char[size];
  }
  ~Block() {
#ifndef __EMSCRIPTEN__
    if (mapped) {
      munmap(data, size);
      return;
    }
#endif
    delete[] data;
  }

  // New room for the bytes, the first of them kept, as GlobalReAlloc keeps
  // them. A mapped block is remapped, which moves no bytes; any other block
  // shrinks where it is, as a heap's block does, and grows by a copy. False,
  // the block as it was, when there is no memory for it.
  bool Resize(std::size_t bytes) {
#ifndef __EMSCRIPTEN__
    if (mapped) {
      void* region = mremap(data, size, bytes, MREMAP_MAYMOVE);
      if (region == MAP_FAILED) return false;
      data = static_cast<char*>(region);
      size = bytes;
      return true;
    }
#endif
    if (bytes <= size) {
      size = bytes;
      return true;
    }
    Block grown(bytes);  // small or large, as a fresh block of that size would be
    std::memcpy(grown.data, data, std::min(size, bytes));
    std::swap(data, grown.data);
    std::swap(size, grown.size);
    std::swap(mapped, grown.mapped);
    return true;
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  char* bytes() const {
    return data;
  }

  std::size_t size;
  bool mapped;
  char* data = nullptr;
  int locks = 0;
};

// The one clipboard of the process, and every block handed out.
struct State {
  unsigned failures = 0;  // one bit per Failure
  int openRefusals = 0;
  bool open = false;
  HWND openedBy = nullptr;
  HWND owner = nullptr;
  Block* data = nullptr;
  std::set<Block*> blocks;
  int openCalls = 0;
  int sleepCalls = 0;
  int reAllocsGranted = 0;
  int reAllocCalls = 0;
};

State& TheState() {
  static State state;
  return state;
}

Block* Find(HGLOBAL handle) {
  State& state = TheState();
  Block* block = static_cast<Block*>(handle);
  return state.blocks.count(block) != 0 ? block : nullptr;
}

bool Failing(Failure failure) {
  return (TheState().failures & (1u << static_cast<unsigned>(failure))) != 0;
}

void Destroy(Block* block) {
  TheState().blocks.erase(block);
  delete block;
}

void DropClipboardData() {
  State& state = TheState();
  if (state.data != nullptr) {
    Destroy(state.data);
    state.data = nullptr;
  }
}

}  // namespace

void Reset() {
  State& state = TheState();
  DropClipboardData();
  for (Block* block : std::set<Block*>(state.blocks)) {
    Destroy(block);
  }
  state = State{};
}

void SetLargeBlocksFromSystem(bool fromSystem) {
  gLargeBlocksFromSystem = fromSystem;
}

void SetFailure(Failure failure) {
  TheState().failures = 0;
  TheState().openRefusals = 0;
  TheState().reAllocsGranted = 0;
  AddFailure(failure);
}

void AddFailure(Failure failure) {
  if (failure == Failure::kNone) {
    return;
  }
  TheState().failures |= 1u << static_cast<unsigned>(failure);
  if (failure == Failure::kOpenRefused) {
    TheState().openRefusals = 1 << 30;
  }
}

void SetOpenRefusals(int count) {
  TheState().openRefusals = count;
}

void SetReAllocsGranted(int count) {
  TheState().reAllocsGranted = count;
}

int ReAllocCalls() {
  return TheState().reAllocCalls;
}

void PutClipboardText(const std::string& text) {
  State& state = TheState();
  DropClipboardData();
  Block* block = new Block(text.size() + 1);
  std::memcpy(block->bytes(), text.c_str(), block->size);
  state.blocks.insert(block);
  state.data = block;
}

bool ReadClipboardText(std::string& text) {
  const Block* block = TheState().data;
  if (block == nullptr) {
    return false;
  }
  text.assign(block->bytes(), strnlen(block->bytes(), block->size));
  return true;
}

bool ClipboardIsOpen() {
  return TheState().open;
}

std::size_t LiveBlocksOutsideClipboard() {
  const State& state = TheState();
  return state.blocks.size() - (state.data != nullptr ? 1 : 0);
}

int OpenCalls() {
  return TheState().openCalls;
}
int SleepCalls() {
  return TheState().sleepCalls;
}

}  // namespace tarnwick::standin

using tarnwick::standin::Failure;
using tarnwick::standin::TheState;

extern "C" {

HWND GetDesktopWindow(void) {
  static char desktop;
  return reinterpret_cast<HWND>(&desktop);
}

BOOL OpenClipboard(HWND owner) {
  auto& state = TheState();
  ++state.openCalls;
  if (state.openRefusals > 0) {
    --state.openRefusals;
    return 0;
  }
  if (state.open) {
    return 0;
  }
  state.open = true;
  state.openedBy = owner;
  return 1;
}

BOOL EmptyClipboard(void) {
  auto& state = TheState();
  if (!state.open) {
    return 0;
  }
  tarnwick::standin::DropClipboardData();
  state.owner = state.openedBy;
  return 1;
}

BOOL CloseClipboard(void) {
  auto& state = TheState();
  if (!state.open) {
    return 0;
  }
  state.open = false;
  return 1;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  auto& state = TheState();
  tarnwick::standin::Block* block = tarnwick::standin::Find(data);
  if (!state.open || format != CF_TEXT || block == nullptr ||
      tarnwick::standin::Failing(Failure::kSetDataRefused)) {
    return nullptr;
  }
  tarnwick::standin::DropClipboardData();
  state.data = block;
  return data;
}

HANDLE GetClipboardData(UINT format) {
  auto& state = TheState();
  return state.open && format == CF_TEXT ? state.data : nullptr;
}

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  auto& state = TheState();
  if ((flags & GMEM_MOVEABLE) == 0 || tarnwick::standin::Failing(Failure::kAllocRefused)) {
    return nullptr;
  }
  tarnwick::standin::Block* block = nullptr;
  try {
    block = new tarnwick::standin::Block(bytes);
  } catch (const std::bad_alloc&) {
    return nullptr;  // as GlobalAlloc says no
  }
  state.blocks.insert(block);
  return block;
}

// As Win32 resizes a movable block: the handle stays, the bytes may move and
// are kept up to the smaller size; a locked block, as a fixed one, cannot be
// moved, which the stand-in refuses outright.
HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags) {
  auto& state = TheState();
  ++state.reAllocCalls;
  tarnwick::standin::Block* block = tarnwick::standin::Find(handle);
  if (block == nullptr || block == state.data || block->locks != 0 ||
      (flags & GMEM_MOVEABLE) == 0) {
    return nullptr;
  }
  if (tarnwick::standin::Failing(Failure::kReAllocRefused)) {
    if (state.reAllocsGranted == 0) return nullptr;
    --state.reAllocsGranted;
  }
  try {
    return block->Resize(bytes) ? handle : nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;  // as GlobalReAlloc says no
  }
}

LPVOID GlobalLock(HGLOBAL handle) {
  tarnwick::standin::Block* block = tarnwick::standin::Find(handle);
  if (block == nullptr || tarnwick::standin::Failing(Failure::kLockReturnsNull)) {
    return nullptr;
  }
  ++block->locks;
  return block->bytes();
}

BOOL GlobalUnlock(HGLOBAL handle) {
  tarnwick::standin::Block* block = tarnwick::standin::Find(handle);
  if (block == nullptr || block->locks == 0) {
    return 0;
  }
  --block->locks;
  return block->locks != 0;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  tarnwick::standin::Block* block = tarnwick::standin::Find(handle);
  if (block == nullptr || block == TheState().data) {
    return handle;  // failure: the handle is returned
  }
  tarnwick::standin::Destroy(block);
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL handle) {
  const tarnwick::standin::Block* block = tarnwick::standin::Find(handle);
  return block != nullptr ? block->size : 0;
}

void Sleep(DWORD) {
  ++TheState().sleepCalls;
}

}  // extern "C"
#endif
