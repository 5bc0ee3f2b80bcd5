/* The host's C interface as the module sees it: records, opaque handles, the
 * basic suite and one function table per suite version. Shared with the
 * simulated host, so it stays plain C: no C++ types, no default arguments. */
#ifndef TARNWICK_HOST_HOST_INTERFACE_H
#define TARNWICK_HOST_HOST_INTERFACE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* 0 is success; anything else is the host's error code. */
typedef int32_t HostError;
typedef int32_t PluginId;
typedef int32_t CommandId;
typedef uint8_t HostBoolean;

/* One distinct incomplete type per kind of host object, so a handle of one
 * kind cannot be passed where another is expected. */
typedef struct HostItemObject* ItemHandle;
typedef struct HostCompObject* CompHandle;
typedef struct HostLayerObject* LayerHandle;
typedef struct HostMaskObject* MaskHandle;
typedef struct HostStreamObject* StreamHandle;
typedef struct HostCollectionObject* CollectionHandle;
typedef struct HostMaskOutlineObject* MaskOutlineHandle;
typedef struct HostEffectObject* EffectRef;

typedef struct HostTime {
  int32_t value;
  uint32_t scale;
} HostTime;

typedef struct HostPoint3 {
  double x;
  double y;
  double z;
} HostPoint3;

/* Room for the largest value a stream can hold, so a host may write any
 * stream type into the same record. */
typedef union StreamValueData {
  HostPoint3 point;
  MaskOutlineHandle maskOutline;
  double reserved[8];
} StreamValueData;

typedef struct StreamValue {
  StreamHandle stream;
  StreamValueData value;
} StreamValue;

typedef struct PathVertex {
  double x;
  double y;
  double in_x;
  double in_y;
  double out_x;
  double out_y;
} PathVertex;

/* Row-major, used with row vectors (v x m): row 3 holds the translation. */
typedef struct Matrix4 {
  double m[4][4];
} Matrix4;

enum { kCollectionItemLayer = 1, kCollectionItemMask = 2 };

typedef struct CollectionLayerRef {
  LayerHandle layer;
} CollectionLayerRef;

typedef struct CollectionMaskRef {
  LayerHandle layer;
  uint32_t maskIndex;
} CollectionMaskRef;

typedef union CollectionItemRef {
  CollectionLayerRef layer;
  CollectionMaskRef mask;
  void* reserved[4];
} CollectionItemRef;

typedef struct CollectionItem {
  int32_t kind;
  CollectionItemRef ref;
  StreamHandle stream;
} CollectionItem;

enum { kItemTypeComposition = 2, kItemTypeFootage = 4 };

enum {
  kLayerStreamAnchorPoint = 0,
  kLayerStreamPosition = 1,
  kMaskStreamOutline = 400,
  kTimeModeLayer = 0,
  kMenuExport = 13,
  kMenuInsertSorted = -2,
  kItemNameLength = 32
};

/* Callbacks the module registers with the host. */
typedef HostError (*CommandHookFunc)(void* globalRef, void* hookRef, CommandId command,
                                     int32_t priority, HostBoolean alreadyHandled,
                                     HostBoolean* handled);
typedef HostError (*UpdateMenuHookFunc)(void* globalRef, void* hookRef, int32_t activeWindowType);
typedef HostError (*IdleHookFunc)(void* globalRef, void* hookRef, int32_t* maxSleep);

/* A table position the module does not use; same size as any entry. */
typedef void (*ReservedEntry)(void);

typedef struct BasicSuite {
  HostError (*AcquireSuite)(const char* name, int32_t version, const void** table);
  HostError (*ReleaseSuite)(const char* name, int32_t version);
} BasicSuite;

/* The module's one export. */
typedef HostError (*EntryPointFuncType)(const BasicSuite* basicSuite, int32_t majorVersion,
                                        int32_t minorVersion, PluginId pluginId);

#ifdef __cplusplus
#define TARNWICK_STATIC_ASSERT static_assert
#else
#define TARNWICK_STATIC_ASSERT _Static_assert
#endif

/* Every operation sits at its fixed position in its table. */
#define TARNWICK_ENTRY_AT(table, entry, position) \
  TARNWICK_STATIC_ASSERT(offsetof(table, entry) == (position) * sizeof(void*), #table "." #entry)

TARNWICK_ENTRY_AT(BasicSuite, AcquireSuite, 0);
TARNWICK_ENTRY_AT(BasicSuite, ReleaseSuite, 1);
/* The function table of every suite version the module uses, each
 * operation at its fixed position: made from host/HostOperations.table. */
#include "HostSuites.h"

#ifdef __cplusplus
}
#endif

#endif
