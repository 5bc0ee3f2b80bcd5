// Every result code the module gives the host, each with when. The module
// returns them, the validator and the tests expect them: all from here.
// A non-zero result is all the host learns of a failure; the clipboard is
// then as it was (or, when the clipboard itself refused the text, empty).
#ifndef TARNWICK_HOST_RESULT_CODES_H
#define TARNWICK_HOST_RESULT_CODES_H

#include "host/HostInterface.h"

namespace tarnwick {

// The hook did its work: an export on the clipboard, the menu item updated,
// the command registered, or nothing to export (the user is told so).
constexpr HostError kNoError = 0;
// 1 has two meanings, told apart by the clipboard: the clipboard or the
// block it takes failed and nothing else did (the clipboard is empty or as
// it was) ...
constexpr HostError kClipboardFailedError = 1;
// ... or anything thrown inside the module other than a host code or running
// out of memory (the clipboard is as it was).
constexpr HostError kUnexpectedError = 1;
// The active composition has no width or height: nothing to place masks in.
constexpr HostError kEmptyFrameError = 2;
// Memory ran out inside the module.
constexpr HostError kOutOfMemoryError = 4;
// A suite the module needs was not given by the host (or the basic suite was
// null); the one error the module throws, by value.
constexpr HostError kMissingSuiteError = 516;
// Any other non-zero code is the host's own, from the first host call that
// failed, passed back as it was.

}  // namespace tarnwick

#endif
