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

typedef struct CommandSuite1 {
  HostError (*AEGP_GetUniqueCommand)(CommandId* command);
  HostError (*AEGP_InsertMenuCommand)(CommandId command, const char* text, int32_t menu,
                                      int32_t position);
  ReservedEntry reserved2;
  ReservedEntry reserved3;
  HostError (*AEGP_EnableCommand)(CommandId command);
  HostError (*AEGP_DisableCommand)(CommandId command);
} CommandSuite1;

typedef struct RegisterSuite6 {
  HostError (*AEGP_RegisterCommandHook)(PluginId plugin, int32_t priority, CommandId command,
                                        CommandHookFunc hook, void* refcon);
  HostError (*AEGP_RegisterUpdateMenuHook)(PluginId plugin, UpdateMenuHookFunc hook, void* refcon);
  ReservedEntry reserved2;
  ReservedEntry reserved3;
  ReservedEntry reserved4;
  ReservedEntry reserved5;
  ReservedEntry reserved6;
  ReservedEntry reserved7;
  HostError (*AEGP_RegisterIdleHook)(PluginId plugin, IdleHookFunc hook, void* refcon);
} RegisterSuite6;

typedef struct UtilitySuite7 {
  HostError (*AEGP_ReportInfo)(PluginId plugin, const char* text);
  ReservedEntry reserved1;
  ReservedEntry reserved2;
  ReservedEntry reserved3;
  ReservedEntry reserved4;
  HostError (*AEGP_StartUndoGroup)(const char* name);
  HostError (*AEGP_EndUndoGroup)(void);
} UtilitySuite7;

typedef struct ItemSuite10 {
  ReservedEntry reserved0;
  ReservedEntry reserved1;
  HostError (*AEGP_GetActiveItem)(ItemHandle* item);
  ReservedEntry reserved3;
  ReservedEntry reserved4;
  HostError (*AEGP_GetItemType)(ItemHandle item, int16_t* type);
  ReservedEntry reserved6;
  HostError (*AEGP_GetItemName)(ItemHandle item, char name[kItemNameLength]);
} ItemSuite10;

typedef struct ItemSuite13 {
  ReservedEntry reserved[16];
  HostError (*AEGP_GetItemDimensions)(ItemHandle item, int32_t* width, int32_t* height);
} ItemSuite13;

typedef struct CompSuite9 {
  HostError (*AEGP_GetCompFromItem)(ItemHandle item, CompHandle* comp);
} CompSuite9;

typedef struct CompSuite18 {
  ReservedEntry reserved0;
  HostError (*AEGP_GetItemFromComp)(CompHandle comp, ItemHandle* item);
  ReservedEntry reserved[18];
  HostError (*AEGP_GetNewCollectionFromCompSelection)(PluginId plugin, CompHandle comp,
                                                      CollectionHandle* collection);
} CompSuite18;

typedef struct CollectionSuite2 {
  ReservedEntry reserved0;
  ReservedEntry reserved1;
  HostError (*AEGP_GetCollectionNumItems)(CollectionHandle collection, uint32_t* count);
  HostError (*AEGP_GetCollectionItemByIndex)(CollectionHandle collection, uint32_t index,
                                             CollectionItem* item);
} CollectionSuite2;

typedef struct LayerMaskSuite6 {
  ReservedEntry reserved0;
  HostError (*AEGP_GetLayerMaskByIndex)(LayerHandle layer, uint32_t index, MaskHandle* mask);
} LayerMaskSuite6;

typedef struct StreamSuite7 {
  ReservedEntry reserved0;
  ReservedEntry reserved1;
  ReservedEntry reserved2;
  HostError (*AEGP_GetNewLayerStream)(PluginId plugin, LayerHandle layer, int32_t which,
                                      StreamHandle* stream);
  ReservedEntry reserved4;
  ReservedEntry reserved5;
  HostError (*AEGP_GetNewMaskStream)(PluginId plugin, MaskHandle mask, int32_t which,
                                     StreamHandle* stream);
  ReservedEntry reserved[6];
  HostError (*AEGP_GetNewStreamValue)(PluginId plugin, StreamHandle stream, int32_t timeMode,
                                      const HostTime* time, HostBoolean preExpression,
                                      StreamValue* value);
} StreamSuite7;

typedef struct KeyframeSuite4 {
  HostError (*AEGP_GetStreamNumKFs)(StreamHandle stream, int32_t* count);
  HostError (*AEGP_GetKeyframeTime)(StreamHandle stream, int32_t index, int32_t timeMode,
                                    HostTime* time);
} KeyframeSuite4;

typedef struct LayerSuite13 {
  ReservedEntry reserved0[15];
  HostError (*AEGP_GetLayerInPoint)(LayerHandle layer, int32_t timeMode, HostTime* inPoint);
  ReservedEntry reserved16[22];
  HostError (*AEGP_GetLayerToWorldXform)(LayerHandle layer, const HostTime* time,
                                         Matrix4* transform);
} LayerSuite13;

typedef struct PathDataSuite1 {
  ReservedEntry reserved0;
  HostError (*PF_PathNumSegments)(EffectRef effect, MaskOutlineHandle outline, int32_t* count);
  HostError (*PF_PathVertexInfo)(EffectRef effect, MaskOutlineHandle outline, int32_t index,
                                 PathVertex* vertex);
} PathDataSuite1;

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
TARNWICK_ENTRY_AT(CommandSuite1, AEGP_GetUniqueCommand, 0);
TARNWICK_ENTRY_AT(CommandSuite1, AEGP_InsertMenuCommand, 1);
TARNWICK_ENTRY_AT(CommandSuite1, AEGP_EnableCommand, 4);
TARNWICK_ENTRY_AT(CommandSuite1, AEGP_DisableCommand, 5);
TARNWICK_ENTRY_AT(RegisterSuite6, AEGP_RegisterCommandHook, 0);
TARNWICK_ENTRY_AT(RegisterSuite6, AEGP_RegisterUpdateMenuHook, 1);
TARNWICK_ENTRY_AT(RegisterSuite6, AEGP_RegisterIdleHook, 8);
TARNWICK_ENTRY_AT(UtilitySuite7, AEGP_ReportInfo, 0);
TARNWICK_ENTRY_AT(UtilitySuite7, AEGP_StartUndoGroup, 5);
TARNWICK_ENTRY_AT(UtilitySuite7, AEGP_EndUndoGroup, 6);
TARNWICK_ENTRY_AT(ItemSuite10, AEGP_GetActiveItem, 2);
TARNWICK_ENTRY_AT(ItemSuite10, AEGP_GetItemType, 5);
TARNWICK_ENTRY_AT(ItemSuite10, AEGP_GetItemName, 7);
TARNWICK_ENTRY_AT(ItemSuite13, AEGP_GetItemDimensions, 16);
TARNWICK_ENTRY_AT(CompSuite9, AEGP_GetCompFromItem, 0);
TARNWICK_ENTRY_AT(CompSuite18, AEGP_GetItemFromComp, 1);
TARNWICK_ENTRY_AT(CompSuite18, AEGP_GetNewCollectionFromCompSelection, 20);
TARNWICK_ENTRY_AT(CollectionSuite2, AEGP_GetCollectionNumItems, 2);
TARNWICK_ENTRY_AT(CollectionSuite2, AEGP_GetCollectionItemByIndex, 3);
TARNWICK_ENTRY_AT(LayerMaskSuite6, AEGP_GetLayerMaskByIndex, 1);
TARNWICK_ENTRY_AT(StreamSuite7, AEGP_GetNewLayerStream, 3);
TARNWICK_ENTRY_AT(StreamSuite7, AEGP_GetNewMaskStream, 6);
TARNWICK_ENTRY_AT(StreamSuite7, AEGP_GetNewStreamValue, 13);
TARNWICK_ENTRY_AT(KeyframeSuite4, AEGP_GetStreamNumKFs, 0);
TARNWICK_ENTRY_AT(KeyframeSuite4, AEGP_GetKeyframeTime, 1);
TARNWICK_ENTRY_AT(LayerSuite13, AEGP_GetLayerInPoint, 15);
TARNWICK_ENTRY_AT(LayerSuite13, AEGP_GetLayerToWorldXform, 38);
TARNWICK_ENTRY_AT(PathDataSuite1, PF_PathNumSegments, 1);
TARNWICK_ENTRY_AT(PathDataSuite1, PF_PathVertexInfo, 2);

#ifdef __cplusplus
}
#endif

#endif
