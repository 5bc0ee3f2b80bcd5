#include "sim/session/ClipboardSteps.h"

#ifndef _WIN32
#include "platform/Win32StandIn.h"
#else
#include <cstring>
#include <set>
#endif

namespace tarnwick::sim {

#ifndef _WIN32

namespace {

standin::Failure FailureOf(const std::string& step) {
  if (step == "GlobalAlloc") return standin::Failure::kAllocRefused;
  if (step == "GlobalReAlloc") return standin::Failure::kReAllocRefused;
  if (step == "GlobalLock") return standin::Failure::kLockReturnsNull;
  if (step == "OpenClipboard") return standin::Failure::kOpenRefused;
  if (step == "SetClipboardData") return standin::Failure::kSetDataRefused;
  return standin::Failure::kNone;
}

}  // namespace

void FailClipboardStep(const std::string& step) {
  standin::AddFailure(FailureOf(step));
}
void GrantReAllocs(int count) {
  standin::SetReAllocsGranted(count);
}
void ClearClipboardFaults() {
  standin::SetFailure(standin::Failure::kNone);
}
int ReAllocCalls() {
  return standin::ReAllocCalls();
}
std::size_t LeakedBlocks() {
  return standin::LiveBlocksOutsideClipboard();
}

#else

namespace {

// What the module's calls meet: the steps failing and the blocks it holds.
struct Steps {
  bool alloc = false, reAlloc = false, lock = false, open = false, setData = false;
  int reAllocsGranted = 0;
  int reAllocCalls = 0;
  std::set<HGLOBAL> live;
};

Steps& TheSteps() {
  static Steps steps;
  return steps;
}

HGLOBAL WINAPI ModuleGlobalAlloc(UINT flags, SIZE_T bytes) {
  if (TheSteps().alloc) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  HGLOBAL block = GlobalAlloc(flags, bytes);
  if (block != nullptr) TheSteps().live.insert(block);
  return block;
}

HGLOBAL WINAPI ModuleGlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags) {
  Steps& steps = TheSteps();
  ++steps.reAllocCalls;
  if (steps.reAlloc) {
    if (steps.reAllocsGranted == 0) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    --steps.reAllocsGranted;
  }
  HGLOBAL resized = GlobalReAlloc(block, bytes, flags);
  if (resized != nullptr && resized != block) {
    steps.live.erase(block);
    steps.live.insert(resized);
  }
  return resized;
}

LPVOID WINAPI ModuleGlobalLock(HGLOBAL block) {
  if (TheSteps().lock) return nullptr;
  return GlobalLock(block);
}

HGLOBAL WINAPI ModuleGlobalFree(HGLOBAL block) {
  TheSteps().live.erase(block);
  return GlobalFree(block);
}

BOOL WINAPI ModuleOpenClipboard(HWND owner) {
  if (TheSteps().open) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return OpenClipboard(owner);
}

HANDLE WINAPI ModuleSetClipboardData(UINT format, HANDLE data) {
  if (TheSteps().setData) return nullptr;
  HANDLE set = SetClipboardData(format, data);
  if (set != nullptr) TheSteps().live.erase(data);  // the clipboard's now
  return set;
}

// Replaces every import of the named function, from whichever library.
void ReplaceImport(HMODULE module, const char* function, const void* replacement) {
  auto* base = reinterpret_cast<unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return;
  for (auto* library =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       library->Name != 0; ++library) {
    const DWORD namesAt =
        library->OriginalFirstThunk != 0 ? library->OriginalFirstThunk : library->FirstThunk;
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + namesAt);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* named =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(named->Name), function) != 0) continue;
      DWORD protection = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
    }
  }
}

}  // namespace

void HookClipboardSteps(HMODULE module) {
  ReplaceImport(module, "GlobalAlloc", reinterpret_cast<const void*>(&ModuleGlobalAlloc));
  ReplaceImport(module, "GlobalReAlloc", reinterpret_cast<const void*>(&ModuleGlobalReAlloc));
  ReplaceImport(module, "GlobalLock", reinterpret_cast<const void*>(&ModuleGlobalLock));
  ReplaceImport(module, "GlobalFree", reinterpret_cast<const void*>(&ModuleGlobalFree));
  ReplaceImport(module, "OpenClipboard", reinterpret_cast<const void*>(&ModuleOpenClipboard));
  ReplaceImport(module, "SetClipboardData", reinterpret_cast<const void*>(&ModuleSetClipboardData));
}

void FailClipboardStep(const std::string& step) {
  Steps& steps = TheSteps();
  steps.alloc = steps.alloc || step == "GlobalAlloc";
  steps.reAlloc = steps.reAlloc || step == "GlobalReAlloc";
  steps.lock = steps.lock || step == "GlobalLock";
  steps.open = steps.open || step == "OpenClipboard";
  steps.setData = steps.setData || step == "SetClipboardData";
}

void GrantReAllocs(int count) {
  TheSteps().reAllocsGranted = count;
}

void ClearClipboardFaults() {
  Steps& steps = TheSteps();
  steps.alloc = steps.reAlloc = steps.lock = steps.open = steps.setData = false;
  steps.reAllocsGranted = 0;
}

int ReAllocCalls() {
  return TheSteps().reAllocCalls;
}
std::size_t LeakedBlocks() {
  return TheSteps().live.size();
}

#endif

}  // namespace tarnwick::sim
