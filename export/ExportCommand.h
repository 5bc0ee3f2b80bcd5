// The export behind the module's menu command.
#ifndef TARNWICK_EXPORT_EXPORT_COMMAND_H
#define TARNWICK_EXPORT_EXPORT_COMMAND_H

#include "host/HostInterface.h"
#include "host/SuiteHandler.h"
#include "plugin/PluginGlobals.h"

namespace tarnwick {

// Result when the hand-over to the clipboard failed and nothing else did.
constexpr HostError kClipboardFailedError = 1;
// Result of a composition with no width or height.
constexpr HostError kEmptyFrameError = 2;
// Result when memory ran out while the text grew.
constexpr HostError kOutOfMemoryError = 4;
// Result of any exception other than a host error code.
constexpr HostError kUnexpectedError = 1;

constexpr const char kUndoGroupName[] = "Tame Badger!";

// Finds the active item and its composition (left null for any other item
// type) and opens the undo group. Fills both as far as it gets.
HostError LookUpActiveComp(const PluginGlobals& globals, CompHandle& comp, ItemHandle& activeItem);

// Writes every selected mask as Fusion settings text to the clipboard, using
// the caller's handler for its suites. Closes the undo group it opened, and
// only that one, on every way out; what is thrown (a missing suite's code, out
// of memory) passes on to the caller.
HostError ExportCommand(SuiteHandler& suites, const PluginGlobals& globals);

// The command hook's body: exports for the module's own command, returns 0 at
// once for any other. Never throws.
HostError RunCommandHook(const PluginGlobals& globals, CommandId command, HostBoolean* handled);

}  // namespace tarnwick

#endif
