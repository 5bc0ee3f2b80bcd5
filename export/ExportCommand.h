// The export behind the module's menu command.
#ifndef TARNWICK_EXPORT_EXPORT_COMMAND_H
#define TARNWICK_EXPORT_EXPORT_COMMAND_H

#include "host/HostInterface.h"
#include "host/ResultCodes.h"
#include "host/SuiteHandler.h"
#include "tarnwick_config.h"

namespace tarnwick {

// What the user is told when the selection gave no mask to export.
constexpr const char kNothingToExportMessage[] = TARNWICK_NOTHING_TO_EXPORT_MESSAGE;

// The undo group's name, as the user sees it in the Edit menu.
constexpr const char kUndoGroupName[] = TARNWICK_UNDO_GROUP_NAME;

// What the export needs of the plug-in: its id, which the host asks for, and
// the host's basic suite, from which the lookup builds its own handler.
struct ExportContext {
  PluginId pluginId;
  const BasicSuite* basicSuite;
};

// Finds the active item and its composition (left null for any other item
// type) and opens the undo group. Fills both as far as it gets.
HostError LookUpActiveComp(const ExportContext& context, CompHandle& comp, ItemHandle& activeItem);

// Writes every selected mask as Fusion settings text to the clipboard, using
// the caller's handler for its suites. A selection that gives no mask (or no
// composition at all) leaves the clipboard alone and tells the user so. The
// first host call that fails ends the export with its code: no host call
// follows it but the closing of the undo group, and the clipboard is not
// touched. Closes the undo group it opened, and only that one, on every way
// out; what is thrown (a missing suite's code, out of memory, a text past
// kTextCeiling as std::bad_alloc) passes on to the caller.
HostError ExportCommand(SuiteHandler& suites, const ExportContext& context);

}  // namespace tarnwick

#endif
