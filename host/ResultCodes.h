// Every result code the module gives the host, each with when. The module
// returns them, the validator and the tests expect them: all from here.
// The export stops at its first failure and returns its code; only the
// closing of the undo group comes after the hand-over, so a failing close
// returns the host's code with the export on the clipboard.
#ifndef TARNWICK_HOST_RESULT_CODES_H
#define TARNWICK_HOST_RESULT_CODES_H

#include "host/HostInterface.h"

namespace tarnwick {

// The hook did its work: an export on the clipboard, the menu item updated,
// the command registered, or nothing to export (the user is told so).
constexpr HostError kNoError = 0;
// 1 has two meanings: the clipboard or the block it takes failed and
// nothing else did (the clipboard is as it was, or emptied when it refused
// the text after emptying) ...
constexpr HostError kClipboardFailedError = 1;
// ... or anything thrown inside the module other than a host code or
// running out of memory (the clipboard is as it was).
constexpr HostError kUnexpectedError = 1;
// The active composition has no width or height: nothing to place masks in.
constexpr HostError kEmptyFrameError = 2;
// Memory ran out inside the module, or the text would pass 1 GiB.
constexpr HostError kOutOfMemoryError = 4;
// A suite the module needs was not given by the host (or the basic suite was
// null); the one error the module throws, by value.
constexpr HostError kMissingSuiteError = 516;
// Any other non-zero code is the host's own, from the first host call that
// failed, passed back as it was.

}  // namespace tarnwick

#endif
