// Failing the module's Win32 clipboard and memory steps, and counting its
// blocks: through the Win32 stand-in natively, and on Windows through the
// simulator's own functions put in place of those the loaded module imports.
#ifndef TARNWICK_SIM_SESSION_CLIPBOARD_STEPS_H
#define TARNWICK_SIM_SESSION_CLIPBOARD_STEPS_H

#include <cstddef>
#include <string>

#ifdef _WIN32
#include "platform/Win32.h"
#endif

namespace tarnwick::sim {

// Makes the step (one of kClipboardSteps) fail from now on, beside the steps
// already failing.
void FailClipboardStep(const std::string& step);
// While GlobalReAlloc is failing, this many more calls succeed first.
void GrantReAllocs(int count);
// No step fails any more.
void ClearClipboardFaults();
// GlobalReAlloc calls the module made so far.
int ReAllocCalls();
// Blocks the module allocated and neither freed nor gave to the clipboard.
std::size_t LeakedBlocks();

#ifdef _WIN32
// Puts the simulator's functions in the module's import table in place of
// the clipboard and memory calls, so that the calls above reach them.
void HookClipboardSteps(HMODULE module);
#endif

}  // namespace tarnwick::sim

#endif
