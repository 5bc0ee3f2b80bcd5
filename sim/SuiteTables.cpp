#include "sim/SuiteTables.h"

#include <cstring>
#include <vector>

namespace tarnwick::sim {

namespace {

struct OperationInfo {
  const char* name;
  const char* suite;
  int32_t version;
};

constexpr OperationInfo kOperations[] = {
    {"AEGP_GetUniqueCommand", "AEGP Command Suite", 1},
    {"AEGP_InsertMenuCommand", "AEGP Command Suite", 1},
    {"AEGP_EnableCommand", "AEGP Command Suite", 1},
    {"AEGP_DisableCommand", "AEGP Command Suite", 1},
    {"AEGP_RegisterCommandHook", "AEGP Register Suite", 6},
    {"AEGP_RegisterUpdateMenuHook", "AEGP Register Suite", 6},
    {"AEGP_RegisterIdleHook", "AEGP Register Suite", 6},
    {"AEGP_ReportInfo", "AEGP Utility Suite", 7},
    {"AEGP_StartUndoGroup", "AEGP Utility Suite", 7},
    {"AEGP_EndUndoGroup", "AEGP Utility Suite", 7},
    {"AEGP_GetActiveItem", "AEGP Item Suite", 10},
    {"AEGP_GetItemType", "AEGP Item Suite", 10},
    {"AEGP_GetItemName", "AEGP Item Suite", 10},
    {"AEGP_GetItemDimensions", "AEGP Item Suite", 13},
    {"AEGP_GetCompFromItem", "AEGP Comp Suite", 9},
    {"AEGP_GetItemFromComp", "AEGP Comp Suite", 18},
    {"AEGP_GetNewCollectionFromCompSelection", "AEGP Comp Suite", 18},
    {"AEGP_GetCollectionNumItems", "AEGP Collection Suite", 2},
    {"AEGP_GetCollectionItemByIndex", "AEGP Collection Suite", 2},
    {"AEGP_GetLayerMaskByIndex", "AEGP Layer Mask Suite", 6},
    {"AEGP_GetNewLayerStream", "AEGP Stream Suite", 7},
    {"AEGP_GetNewMaskStream", "AEGP Stream Suite", 7},
    {"AEGP_GetNewStreamValue", "AEGP Stream Suite", 7},
    {"AEGP_GetStreamNumKFs", "AEGP Keyframe Suite", 4},
    {"AEGP_GetKeyframeTime", "AEGP Keyframe Suite", 4},
    {"AEGP_GetLayerInPoint", "AEGP Layer Suite", 13},
    {"AEGP_GetLayerToWorldXform", "AEGP Layer Suite", 13},
    {"PF_PathNumSegments", "PF Path Data Suite", 1},
    {"PF_PathVertexInfo", "PF Path Data Suite", 1},
};
static_assert(sizeof kOperations / sizeof kOperations[0] ==
              static_cast<std::size_t>(Operation::kCount));

const OperationInfo& Info(Operation operation) {
  return kOperations[static_cast<std::size_t>(operation)];
}

SimulatedHost& Host() {
  return *CurrentHost();
}

// The C functions in the tables; each forwards to the current host.
extern "C" {
HostError SimAcquireSuite(const char* n, int32_t v, const void** t) {
  return Host().AcquireSuite(n, v, t);
}
HostError SimReleaseSuite(const char* n, int32_t v) {
  return Host().ReleaseSuite(n, v);
}
HostError SimGetUniqueCommand(CommandId* c) {
  return Host().GetUniqueCommand(c);
}
HostError SimInsertMenuCommand(CommandId c, const char* t, int32_t m, int32_t p) {
  return Host().InsertMenuCommand(c, t, m, p);
}
HostError SimEnableCommand(CommandId c) {
  return Host().EnableCommand(c);
}
HostError SimDisableCommand(CommandId c) {
  return Host().DisableCommand(c);
}
HostError SimRegisterCommandHook(PluginId p, int32_t pr, CommandId c, CommandHookFunc h, void* r) {
  return Host().RegisterCommandHook(p, pr, c, h, r);
}
HostError SimRegisterUpdateMenuHook(PluginId p, UpdateMenuHookFunc h, void* r) {
  return Host().RegisterUpdateMenuHook(p, h, r);
}
HostError SimRegisterIdleHook(PluginId p, IdleHookFunc h, void* r) {
  return Host().RegisterIdleHook(p, h, r);
}
HostError SimReportInfo(PluginId p, const char* t) {
  return Host().ReportInfo(p, t);
}
HostError SimStartUndoGroup(const char* n) {
  return Host().StartUndoGroup(n);
}
HostError SimEndUndoGroup(void) {
  return Host().EndUndoGroup();
}
HostError SimGetActiveItem(ItemHandle* i) {
  return Host().GetActiveItem(i);
}
HostError SimGetItemType(ItemHandle i, int16_t* t) {
  return Host().GetItemType(i, t);
}
HostError SimGetItemName(ItemHandle i, char n[kItemNameLength]) {
  return Host().GetItemName(i, n);
}
HostError SimGetItemDimensions(ItemHandle i, int32_t* w, int32_t* h) {
  return Host().GetItemDimensions(i, w, h);
}
HostError SimGetCompFromItem(ItemHandle i, CompHandle* c) {
  return Host().GetCompFromItem(i, c);
}
HostError SimGetItemFromComp(CompHandle c, ItemHandle* i) {
  return Host().GetItemFromComp(c, i);
}
HostError SimGetNewCollectionFromCompSelection(PluginId p, CompHandle c, CollectionHandle* o) {
  return Host().GetNewCollectionFromCompSelection(p, c, o);
}
HostError SimGetCollectionNumItems(CollectionHandle c, uint32_t* n) {
  return Host().GetCollectionNumItems(c, n);
}
HostError SimGetCollectionItemByIndex(CollectionHandle c, uint32_t i, CollectionItem* o) {
  return Host().GetCollectionItemByIndex(c, i, o);
}
HostError SimGetLayerMaskByIndex(LayerHandle l, uint32_t i, MaskHandle* m) {
  return Host().GetLayerMaskByIndex(l, i, m);
}
HostError SimGetNewLayerStream(PluginId p, LayerHandle l, int32_t w, StreamHandle* s) {
  return Host().GetNewLayerStream(p, l, w, s);
}
HostError SimGetNewMaskStream(PluginId p, MaskHandle m, int32_t w, StreamHandle* s) {
  return Host().GetNewMaskStream(p, m, w, s);
}
HostError SimGetNewStreamValue(PluginId p, StreamHandle s, int32_t m, const HostTime* t,
                               HostBoolean e, StreamValue* v) {
  return Host().GetNewStreamValue(p, s, m, t, e, v);
}
HostError SimGetStreamNumKFs(StreamHandle s, int32_t* n) {
  return Host().GetStreamNumKFs(s, n);
}
HostError SimGetKeyframeTime(StreamHandle s, int32_t i, int32_t m, HostTime* t) {
  return Host().GetKeyframeTime(s, i, m, t);
}
HostError SimGetLayerInPoint(LayerHandle l, int32_t m, HostTime* t) {
  return Host().GetLayerInPoint(l, m, t);
}
HostError SimGetLayerToWorldXform(LayerHandle l, const HostTime* t, Matrix4* x) {
  return Host().GetLayerToWorldXform(l, t, x);
}
HostError SimPathNumSegments(EffectRef e, MaskOutlineHandle o, int32_t* n) {
  return Host().PathNumSegments(e, o, n);
}
HostError SimPathVertexInfo(EffectRef e, MaskOutlineHandle o, int32_t i, PathVertex* v) {
  return Host().PathVertexInfo(e, o, i, v);
}
void SimReserved(void) {
  Host().ReservedEntryCalled();
}
}

// Every position starts as a reserved entry that reports its own use.
template <typename Table>
Table Reserved() {
  static_assert(sizeof(Table) % sizeof(ReservedEntry) == 0);
  Table table;
  ReservedEntry entries[sizeof(Table) / sizeof(ReservedEntry)];
  for (ReservedEntry& entry : entries) entry = &SimReserved;
  std::memcpy(&table, entries, sizeof table);
  return table;
}

struct Tables {
  BasicSuite basic{&SimAcquireSuite, &SimReleaseSuite};
  CommandSuite1 command = Reserved<CommandSuite1>();
  RegisterSuite6 registration = Reserved<RegisterSuite6>();
  UtilitySuite7 utility = Reserved<UtilitySuite7>();
  ItemSuite10 item10 = Reserved<ItemSuite10>();
  ItemSuite13 item13 = Reserved<ItemSuite13>();
  CompSuite9 comp9 = Reserved<CompSuite9>();
  CompSuite18 comp18 = Reserved<CompSuite18>();
  CollectionSuite2 collection = Reserved<CollectionSuite2>();
  LayerMaskSuite6 layerMask = Reserved<LayerMaskSuite6>();
  StreamSuite7 stream = Reserved<StreamSuite7>();
  KeyframeSuite4 keyframe = Reserved<KeyframeSuite4>();
  LayerSuite13 layer = Reserved<LayerSuite13>();
  PathDataSuite1 pathData = Reserved<PathDataSuite1>();

  Tables() {
    command.AEGP_GetUniqueCommand = &SimGetUniqueCommand;
    command.AEGP_InsertMenuCommand = &SimInsertMenuCommand;
    command.AEGP_EnableCommand = &SimEnableCommand;
    command.AEGP_DisableCommand = &SimDisableCommand;
    registration.AEGP_RegisterCommandHook = &SimRegisterCommandHook;
    registration.AEGP_RegisterUpdateMenuHook = &SimRegisterUpdateMenuHook;
    registration.AEGP_RegisterIdleHook = &SimRegisterIdleHook;
    utility.AEGP_ReportInfo = &SimReportInfo;
    utility.AEGP_StartUndoGroup = &SimStartUndoGroup;
    utility.AEGP_EndUndoGroup = &SimEndUndoGroup;
    item10.AEGP_GetActiveItem = &SimGetActiveItem;
    item10.AEGP_GetItemType = &SimGetItemType;
    item10.AEGP_GetItemName = &SimGetItemName;
    item13.AEGP_GetItemDimensions = &SimGetItemDimensions;
    comp9.AEGP_GetCompFromItem = &SimGetCompFromItem;
    comp18.AEGP_GetItemFromComp = &SimGetItemFromComp;
    comp18.AEGP_GetNewCollectionFromCompSelection = &SimGetNewCollectionFromCompSelection;
    collection.AEGP_GetCollectionNumItems = &SimGetCollectionNumItems;
    collection.AEGP_GetCollectionItemByIndex = &SimGetCollectionItemByIndex;
    layerMask.AEGP_GetLayerMaskByIndex = &SimGetLayerMaskByIndex;
    stream.AEGP_GetNewLayerStream = &SimGetNewLayerStream;
    stream.AEGP_GetNewMaskStream = &SimGetNewMaskStream;
    stream.AEGP_GetNewStreamValue = &SimGetNewStreamValue;
    keyframe.AEGP_GetStreamNumKFs = &SimGetStreamNumKFs;
    keyframe.AEGP_GetKeyframeTime = &SimGetKeyframeTime;
    layer.AEGP_GetLayerInPoint = &SimGetLayerInPoint;
    layer.AEGP_GetLayerToWorldXform = &SimGetLayerToWorldXform;
    pathData.PF_PathNumSegments = &SimPathNumSegments;
    pathData.PF_PathVertexInfo = &SimPathVertexInfo;
  }

  struct Served {
    const char* name;
    int32_t version;
    const void* table;
  };

  const void* Find(const std::string& name, int32_t version) const {
    for (const Served& suite : List()) {
      if (name == suite.name && version == suite.version) return suite.table;
    }
    return nullptr;
  }

  std::vector<Served> List() const {
    return {
        {"AEGP Command Suite", 1, &command},      {"AEGP Register Suite", 6, &registration},
        {"AEGP Utility Suite", 7, &utility},      {"AEGP Item Suite", 10, &item10},
        {"AEGP Item Suite", 13, &item13},         {"AEGP Comp Suite", 9, &comp9},
        {"AEGP Comp Suite", 18, &comp18},         {"AEGP Collection Suite", 2, &collection},
        {"AEGP Layer Mask Suite", 6, &layerMask}, {"AEGP Stream Suite", 7, &stream},
        {"AEGP Keyframe Suite", 4, &keyframe},    {"AEGP Layer Suite", 13, &layer},
        {"PF Path Data Suite", 1, &pathData},
    };
  }
};

const Tables& TheTables() {
  static const Tables tables;
  return tables;
}

}  // namespace

SimulatedHost*& CurrentHost() {
  static SimulatedHost* host = nullptr;
  return host;
}

const BasicSuite* BasicSuiteTable() {
  return &TheTables().basic;
}

const void* ServedSuiteTable(const std::string& name, int32_t version) {
  return TheTables().Find(name, version);
}

std::string ServedSuiteList() {
  std::string list;
  for (const auto& suite : TheTables().List()) {
    list += std::string(list.empty() ? "" : ", ") + "\"" + suite.name + "\" " +
            std::to_string(suite.version);
  }
  return list;
}

bool OperationInSuite(Operation operation, const char* name, int32_t version) {
  const OperationInfo& info = Info(operation);
  return info.version == version && std::strcmp(info.suite, name) == 0;
}

const char* OperationName(Operation operation) {
  return Info(operation).name;
}

bool OperationByName(const std::string& name, Operation& operation) {
  for (int i = 0; i < static_cast<int>(Operation::kCount); ++i) {
    if (name == kOperations[i].name) {
      operation = static_cast<Operation>(i);
      return true;
    }
  }
  return false;
}

}  // namespace tarnwick::sim
