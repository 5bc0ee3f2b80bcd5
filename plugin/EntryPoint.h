// The functions the host calls. Every one is a C function that crosses into
// the module through CrossIntoModule (HostBoundary.h) and returns an error
// code; no exception reaches the host.
#ifndef TARNWICK_PLUGIN_ENTRY_POINT_H
#define TARNWICK_PLUGIN_ENTRY_POINT_H

#include "host/HostInterface.h"

/* The module's one export is also marked for export in the code, not only in
 * the export definition file: link-time optimisation does not read that
 * file, so a function with hidden visibility named only there looks unused
 * to it and is dropped, and GNU ld then exports an absolute 0 in its place
 * without a word. */
#ifdef _WIN32
#define TARNWICK_MODULE_EXPORT __declspec(dllexport)
#else
#define TARNWICK_MODULE_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

TARNWICK_MODULE_EXPORT HostError EntryPointFunc(const BasicSuite* basicSuite, int32_t majorVersion,
                                                int32_t minorVersion, PluginId pluginId);

HostError CommandHook(void* globalRef, void* hookRef, CommandId command, int32_t priority,
                      HostBoolean alreadyHandled, HostBoolean* handled);
HostError UpdateMenuHook(void* globalRef, void* hookRef, int32_t activeWindowType);
HostError IdleHook(void* globalRef, void* hookRef, int32_t* maxSleep);

#ifdef __cplusplus
}
#endif

#endif
