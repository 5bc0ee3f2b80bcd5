// The functions the host calls. Every one is a C function that crosses into
// the module through CrossIntoModule (HostBoundary.h) and returns an error
// code; no exception reaches the host.
#ifndef TARNWICK_PLUGIN_ENTRY_POINT_H
#define TARNWICK_PLUGIN_ENTRY_POINT_H

#include "host/HostInterface.h"

#ifdef __cplusplus
extern "C" {
#endif

HostError EntryPointFunc(const BasicSuite* basicSuite, int32_t majorVersion, int32_t minorVersion,
                         PluginId pluginId);

HostError CommandHook(void* globalRef, void* hookRef, CommandId command, int32_t priority,
                      HostBoolean alreadyHandled, HostBoolean* handled);
HostError UpdateMenuHook(void* globalRef, void* hookRef, int32_t activeWindowType);
HostError IdleHook(void* globalRef, void* hookRef, int32_t* maxSleep);

#ifdef __cplusplus
}
#endif

#endif
