// Test controls of the Win32 stand-in: which step fails, and what it holds.
#ifndef TARNWICK_PLATFORM_WIN32_STAND_IN_H
#define TARNWICK_PLATFORM_WIN32_STAND_IN_H

#ifndef _WIN32
#include <cstddef>
#include <string>

#include "platform/Win32.h"

namespace tarnwick::standin {

enum class Failure {
  kNone,
  kOpenRefused,      // another program holds the clipboard
  kAllocRefused,     // GlobalAlloc grants no block
  kLockReturnsNull,  // GlobalLock gives no pointer
  kSetDataRefused,   // SetClipboardData refuses the block
  kReAllocRefused,   // GlobalReAlloc cannot resize the block (after SetReAllocsGranted)
};

// Back to an empty, closed clipboard with no failure and no blocks.
void Reset();
// Makes this step fail from now on, alone (SetFailure) or beside the steps
// already failing (AddFailure); kNone clears them all.
void SetFailure(Failure failure);
void AddFailure(Failure failure);
// The open refusal lasts for this many OpenClipboard calls, then lets go.
void SetOpenRefusals(int count);
// While GlobalReAlloc is failing, this many more calls succeed before the
// refusals begin (0, the default: the next call is refused).
void SetReAllocsGranted(int count);
// GlobalReAlloc calls made since the last Reset.
int ReAllocCalls();
// Whether blocks of 2 MiB and more come straight from the system (mapped, in
// huge pages where offered; the default) or from operator new like small
// ones, so that a program counting its allocations sees them.
void SetLargeBlocksFromSystem(bool fromSystem);
// Puts text on the clipboard as another program would (CF_TEXT, NUL added).
void PutClipboardText(const std::string& text);
// The clipboard's CF_TEXT bytes up to the first NUL; false when it holds none.
bool ReadClipboardText(std::string& text);
bool ClipboardIsOpen();
// Blocks allocated and not freed, excluding the one the clipboard owns.
std::size_t LiveBlocksOutsideClipboard();
int OpenCalls();
int SleepCalls();

}  // namespace tarnwick::standin
#endif

#endif
