#include "sim/SimulatedHost.h"

#include <cstring>

namespace tarnwick::sim {

namespace {

SimulatedHost* gHost = nullptr;

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
  return *gHost;
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

  const void* Find(const std::string& name, int32_t version) const {
    const struct {
      const char* name;
      int32_t version;
      const void* table;
    } served[] = {
        {"AEGP Command Suite", 1, &command},      {"AEGP Register Suite", 6, &registration},
        {"AEGP Utility Suite", 7, &utility},      {"AEGP Item Suite", 10, &item10},
        {"AEGP Item Suite", 13, &item13},         {"AEGP Comp Suite", 9, &comp9},
        {"AEGP Comp Suite", 18, &comp18},         {"AEGP Collection Suite", 2, &collection},
        {"AEGP Layer Mask Suite", 6, &layerMask}, {"AEGP Stream Suite", 7, &stream},
        {"AEGP Keyframe Suite", 4, &keyframe},    {"AEGP Layer Suite", 13, &layer},
        {"PF Path Data Suite", 1, &pathData},
    };
    for (const auto& suite : served) {
      if (name == suite.name && version == suite.version) return suite.table;
    }
    return nullptr;
  }
};

const Tables& TheTables() {
  static const Tables tables;
  return tables;
}

__extension__ typedef __int128 Int128;

// a <= b for times of any scale.
bool NotAfter(const HostTime& a, const HostTime& b) {
  return static_cast<Int128>(a.value) * b.scale <= static_cast<Int128>(b.value) * a.scale;
}

template <typename T>
const T& ValueAt(const Timed<T>& timed, const HostTime& time) {
  const typename Timed<T>::Entry* best = &timed.entries.front();
  if (timed.entries.size() == 1) return best->value;
  for (const auto& entry : timed.entries) {
    if (NotAfter(entry.time, time) && NotAfter(best->time, entry.time)) best = &entry;
  }
  return best->value;
}

}  // namespace

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

void SimulatedHost::CountForOperations(const char* name, int32_t version, int64_t change) {
  for (std::size_t i = 0; i < operationSuiteOutstanding_.size(); ++i) {
    if (kOperations[i].version == version && std::strcmp(kOperations[i].suite, name) == 0) {
      operationSuiteOutstanding_[i] += change;
    }
  }
}

SimulatedHost::SimulatedHost(Scene scene)
    : scene_(std::move(scene)),
      callsPerOperation_(static_cast<std::size_t>(Operation::kCount)),
      operationSuiteOutstanding_(static_cast<std::size_t>(Operation::kCount)) {
  if (gHost != nullptr) throw std::logic_error("one simulated host at a time");
  std::size_t objectCount = 0;
  for (const Item& item : scene_.items) {
    objectCount += 3;
    for (const Layer& layer : item.layers) {
      objectCount += 3;
      for (const Mask& mask : layer.masks) objectCount += 2 + mask.keyframes.size();
    }
  }
  objects_.reserve(objectCount);
  for (std::size_t i = 0; i < scene_.items.size(); ++i) {
    const Item& item = scene_.items[i];
    ItemObjects objects;
    objects.item = Make({Kind::kItem, i});
    if (item.type == kItemTypeComposition) {
      objects.comp = Make({Kind::kComp, i});
      objects.collection = Make({Kind::kCollection, i});
    }
    for (std::size_t l = 0; l < item.layers.size(); ++l) {
      LayerObjects layer;
      layer.layer = Make({Kind::kLayer, i, l});
      layer.anchorStream = Make({Kind::kStream, i, l, 0, 0, StreamKind::kAnchorPoint});
      layer.positionStream = Make({Kind::kStream, i, l, 0, 0, StreamKind::kPosition});
      for (std::size_t m = 0; m < item.layers[l].masks.size(); ++m) {
        layer.masks.push_back(Make({Kind::kMask, i, l, m}));
        layer.outlineStreams.push_back(Make({Kind::kStream, i, l, m, 0, StreamKind::kOutline}));
        layer.outlines.emplace_back();
        for (std::size_t k = 0; k < item.layers[l].masks[m].keyframes.size(); ++k) {
          layer.outlines.back().push_back(Make({Kind::kOutline, i, l, m, k}));
        }
      }
      objects.layers.push_back(std::move(layer));
    }
    items_.push_back(std::move(objects));
  }
  for (const Fault& fault : scene_.faults) {
    Operation operation = Operation::kCount;
    const bool any = fault.operation == "*";
    if (!any && !OperationByName(fault.operation, operation)) {
      throw SceneError("faults: unknown operation \"" + fault.operation + "\"");
    }
    faults_.push_back({any, operation, fault.call, fault.fromCallOn, fault.code});
  }
  gHost = this;
}

SimulatedHost::~SimulatedHost() {
  gHost = nullptr;
}

const BasicSuite* SimulatedHost::basicSuite() const {
  return &TheTables().basic;
}

void SimulatedHost::FailCall(int64_t call, HostError code) {
  faults_.push_back({true, Operation::kCount, call, false, code});
}

SimulatedHost::Object* SimulatedHost::Make(const Object& object) {
  if (objects_.size() == objects_.capacity()) throw std::logic_error("object count miscounted");
  objects_.push_back(object);
  return &objects_.back();
}

bool SimulatedHost::CommandEnabled(CommandId command) const {
  const auto found = commandEnabled_.find(command);
  return found == commandEnabled_.end() || found->second;
}

std::vector<std::string> SimulatedHost::OutstandingSuites() const {
  std::vector<std::string> outstanding;
  for (const auto& [suite, count] : outstanding_) {
    if (count != 0) {
      outstanding.push_back(suite.first + " " + std::to_string(suite.second) + ": " +
                            std::to_string(count));
    }
  }
  return outstanding;
}

std::vector<std::pair<std::string, int32_t>> SimulatedHost::AcquiredSuites() const {
  std::vector<std::pair<std::string, int32_t>> acquired;
  for (const auto& entry : acquisitions_) acquired.push_back(entry.first);
  return acquired;
}

HostError SimulatedHost::AcquireSuite(const char* name, int32_t version, const void** table) {
  if (name == nullptr || table == nullptr) {
    violations_.push_back("AcquireSuite: null name or table pointer");
    return kViolationError;
  }
  for (const MissingSuite& missing : scene_.missingSuites) {
    if (missing.name == name && missing.version == version) {
      if (missing.nullTable) {
        *table = nullptr;
        return 0;
      }
      return kHostRefusal;
    }
  }
  const void* served = TheTables().Find(name, version);
  if (served == nullptr) return kHostRefusal;
  ++acquisitions_[{name, version}];
  ++outstanding_[{name, version}];
  CountForOperations(name, version, +1);
  *table = served;
  return 0;
}

HostError SimulatedHost::ReleaseSuite(const char* name, int32_t version) {
  if (name == nullptr) {
    violations_.push_back("ReleaseSuite: null name");
    return kViolationError;
  }
  const auto found = outstanding_.find({name, version});
  if (found == outstanding_.end() || found->second == 0) {
    violations_.push_back(std::string("ReleaseSuite: ") + name + " " + std::to_string(version) +
                          " released without being acquired");
    return kViolationError;
  }
  --found->second;
  CountForOperations(name, version, -1);
  return 0;
}

void SimulatedHost::ReservedEntryCalled() {
  violations_.push_back("a reserved table entry was called");
}

HostError SimulatedHost::Violation(Operation operation, const std::string& what) {
  violations_.push_back(std::string(OperationName(operation)) + ": " + what);
  return kViolationError;
}

inline const SimulatedHost::Object* SimulatedHost::ObjectAt(const void* handle) const {
  // A null or foreign handle wraps or lands outside the objects' range.
  const uintptr_t offset =
      reinterpret_cast<uintptr_t>(handle) - reinterpret_cast<uintptr_t>(objects_.data());
  if (offset >= objects_.size() * sizeof(Object) || offset % sizeof(Object) != 0) {
    return nullptr;
  }
  return &objects_[offset / sizeof(Object)];
}

// The common case, a handle of the right kind, stays small enough to inline;
// reporting what is wrong with any other is left to CheckFailed.
inline const SimulatedHost::Object* SimulatedHost::Check(const void* handle, Kind kind,
                                                         Operation operation, const char* what) {
  const Object* object = ObjectAt(handle);
  if (object != nullptr && object->kind == kind) {
    return object;
  }
  CheckFailed(handle, object, operation, what);
  return nullptr;
}

__attribute__((cold, noinline)) void SimulatedHost::CheckFailed(const void* handle,
                                                                const Object* object,
                                                                Operation operation,
                                                                const char* what) {
  if (handle == nullptr) {
    Violation(operation, std::string("null ") + what);
  } else if (object == nullptr) {
    Violation(operation, std::string(what) + " is not a handle this host handed out");
  } else {
    Violation(operation, std::string(what) + " is a handle of another kind");
  }
}

inline bool SimulatedHost::CheckOut(const void* pointer, Operation operation, const char* what) {
  if (pointer == nullptr) {
    Violation(operation, std::string("null ") + what);
    return false;
  }
  return true;
}

inline bool SimulatedHost::CheckPlugin(PluginId plugin, Operation operation) {
  if (plugin != scene_.pluginId) {
    Violation(operation, "plug-in id " + std::to_string(plugin) + " is not the module's");
    return false;
  }
  return true;
}

inline bool SimulatedHost::CheckTime(const HostTime* time, Operation operation) {
  if (time == nullptr) {
    Violation(operation, "null time");
    return false;
  }
  if (time->scale == 0) {
    Violation(operation, "time with scale 0");
    return false;
  }
  return true;
}

// Counts the call; only a call through an unacquired suite, or with faults
// armed, takes the longer way.
inline HostError SimulatedHost::Begin(Operation operation) {
  ++callCount_;
  const std::size_t index = static_cast<std::size_t>(operation);
  const int64_t ofOperation = ++callsPerOperation_[index];
  if (operationSuiteOutstanding_[index] == 0 || !faults_.empty()) {
    return BeginChecked(operation, ofOperation);
  }
  return 0;
}

HostError SimulatedHost::BeginChecked(Operation operation, int64_t ofOperation) {
  if (operationSuiteOutstanding_[static_cast<std::size_t>(operation)] == 0) {
    return Violation(operation, "called through a suite that is not acquired");
  }
  for (const ArmedFault& fault : faults_) {
    const int64_t count = fault.anyOperation ? callCount_ : ofOperation;
    if ((fault.anyOperation || fault.operation == operation) &&
        (fault.fromCallOn ? count >= fault.call : count == fault.call)) {
      return fault.code;
    }
  }
  return 0;
}

inline HostError SimulatedHost::Finish(Operation operation, HostError result) {
  if (recordCalls_ || trace_ != nullptr) {
    Record(operation, result);
  }
  return result;
}

void SimulatedHost::Record(Operation operation, HostError result) {
  if (recordCalls_) calls_.push_back({operation, result});
  if (trace_ != nullptr) *trace_ << OperationName(operation) << " -> " << result << '\n';
}

template <typename Body>
HostError SimulatedHost::Serve(Operation operation, Body body) {
  const HostError failed = Begin(operation);
  return Finish(operation, failed != 0 ? failed : body());
}

const Layer& SimulatedHost::LayerOf(const Object& object) const {
  return scene_.items[object.item].layers[object.layer];
}

const Mask& SimulatedHost::MaskOf(const Object& object) const {
  return LayerOf(object).masks[object.mask];
}

HostError SimulatedHost::GetUniqueCommand(CommandId* command) {
  const Operation op = Operation::kGetUniqueCommand;
  return Serve(op, [&]() -> HostError {
    if (!CheckOut(command, op, "command pointer")) return kViolationError;
    *command = scene_.commandId;
    commandHandedOut_ = true;
    return 0;
  });
}

HostError SimulatedHost::InsertMenuCommand(CommandId command, const char* text, int32_t menu,
                                           int32_t position) {
  const Operation op = Operation::kInsertMenuCommand;
  return Serve(op, [&]() -> HostError {
    if (!CheckOut(text, op, "menu text")) return kViolationError;
    if (!commandHandedOut_ || command != scene_.commandId) {
      return Violation(op, "command " + std::to_string(command) + " was not handed out");
    }
    menuItems_.push_back({command, text, menu, position});
    return 0;
  });
}

HostError SimulatedHost::EnableCommand(CommandId command) {
  return Serve(Operation::kEnableCommand, [&]() -> HostError {
    commandEnabled_[command] = true;
    return 0;
  });
}

HostError SimulatedHost::DisableCommand(CommandId command) {
  return Serve(Operation::kDisableCommand, [&]() -> HostError {
    commandEnabled_[command] = false;
    return 0;
  });
}

HostError SimulatedHost::RegisterCommandHook(PluginId plugin, int32_t priority, CommandId command,
                                             CommandHookFunc hook, void* refcon) {
  const Operation op = Operation::kRegisterCommandHook;
  return Serve(op, [&]() -> HostError {
    if (!CheckPlugin(plugin, op) || !CheckOut(reinterpret_cast<void*>(hook), op, "hook")) {
      return kViolationError;
    }
    commandHooks_.push_back({priority, command, hook, refcon});
    return 0;
  });
}

HostError SimulatedHost::RegisterUpdateMenuHook(PluginId plugin, UpdateMenuHookFunc hook, void*) {
  const Operation op = Operation::kRegisterUpdateMenuHook;
  return Serve(op, [&]() -> HostError {
    if (!CheckPlugin(plugin, op) || !CheckOut(reinterpret_cast<void*>(hook), op, "hook")) {
      return kViolationError;
    }
    updateMenuHook_ = hook;
    return 0;
  });
}

HostError SimulatedHost::RegisterIdleHook(PluginId plugin, IdleHookFunc hook, void*) {
  const Operation op = Operation::kRegisterIdleHook;
  return Serve(op, [&]() -> HostError {
    if (!CheckPlugin(plugin, op) || !CheckOut(reinterpret_cast<void*>(hook), op, "hook")) {
      return kViolationError;
    }
    idleHook_ = hook;
    return 0;
  });
}

HostError SimulatedHost::ReportInfo(PluginId plugin, const char* text) {
  const Operation op = Operation::kReportInfo;
  return Serve(op, [&]() -> HostError {
    if (!CheckPlugin(plugin, op) || !CheckOut(text, op, "text")) return kViolationError;
    reports_.push_back(text);
    return 0;
  });
}

HostError SimulatedHost::StartUndoGroup(const char* name) {
  const Operation op = Operation::kStartUndoGroup;
  return Serve(op, [&]() -> HostError {
    if (!CheckOut(name, op, "name")) return kViolationError;
    undoStarted_.push_back(name);
    ++undoDepth_;
    return 0;
  });
}

HostError SimulatedHost::EndUndoGroup() {
  return Serve(Operation::kEndUndoGroup, [&]() -> HostError {
    ++undoEnded_;
    if (undoDepth_ > 0) --undoDepth_;  // an end without a group closes nothing
    return 0;
  });
}

HostError SimulatedHost::GetActiveItem(ItemHandle* item) {
  const Operation op = Operation::kGetActiveItem;
  return Serve(op, [&]() -> HostError {
    if (!CheckOut(item, op, "item pointer")) return kViolationError;
    *item =
        scene_.activeItem ? reinterpret_cast<ItemHandle>(items_[*scene_.activeItem].item) : nullptr;
    return 0;
  });
}

HostError SimulatedHost::GetItemType(ItemHandle item, int16_t* type) {
  const Operation op = Operation::kGetItemType;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(item, Kind::kItem, op, "item");
    if (object == nullptr || !CheckOut(type, op, "type pointer")) return kViolationError;
    *type = scene_.items[object->item].type;
    return 0;
  });
}

HostError SimulatedHost::GetItemName(ItemHandle item, char* name) {
  const Operation op = Operation::kGetItemName;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(item, Kind::kItem, op, "item");
    if (object == nullptr || !CheckOut(name, op, "name buffer")) return kViolationError;
    const std::string& full = scene_.items[object->item].name;
    const std::size_t length = std::min<std::size_t>(full.size(), kItemNameLength - 1);
    std::memcpy(name, full.data(), length);
    name[length] = '\0';
    return 0;
  });
}

HostError SimulatedHost::GetItemDimensions(ItemHandle item, int32_t* width, int32_t* height) {
  const Operation op = Operation::kGetItemDimensions;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(item, Kind::kItem, op, "item");
    if (object == nullptr || !CheckOut(width, op, "width pointer") ||
        !CheckOut(height, op, "height pointer")) {
      return kViolationError;
    }
    *width = scene_.items[object->item].width;
    *height = scene_.items[object->item].height;
    return 0;
  });
}

HostError SimulatedHost::GetCompFromItem(ItemHandle item, CompHandle* comp) {
  const Operation op = Operation::kGetCompFromItem;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(item, Kind::kItem, op, "item");
    if (object == nullptr || !CheckOut(comp, op, "comp pointer")) return kViolationError;
    *comp = reinterpret_cast<CompHandle>(items_[object->item].comp);
    return 0;
  });
}

HostError SimulatedHost::GetItemFromComp(CompHandle comp, ItemHandle* item) {
  const Operation op = Operation::kGetItemFromComp;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(comp, Kind::kComp, op, "comp");
    if (object == nullptr || !CheckOut(item, op, "item pointer")) return kViolationError;
    *item = reinterpret_cast<ItemHandle>(items_[object->item].item);
    return 0;
  });
}

HostError SimulatedHost::GetNewCollectionFromCompSelection(PluginId plugin, CompHandle comp,
                                                           CollectionHandle* collection) {
  const Operation op = Operation::kGetNewCollectionFromCompSelection;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(comp, Kind::kComp, op, "comp");
    if (!CheckPlugin(plugin, op) || object == nullptr ||
        !CheckOut(collection, op, "collection pointer")) {
      return kViolationError;
    }
    const bool hasSelection = scene_.items[object->item].selection.has_value();
    *collection = hasSelection ? reinterpret_cast<CollectionHandle>(items_[object->item].collection)
                               : nullptr;
    return 0;
  });
}

HostError SimulatedHost::GetCollectionNumItems(CollectionHandle collection, uint32_t* count) {
  const Operation op = Operation::kGetCollectionNumItems;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(collection, Kind::kCollection, op, "collection");
    if (object == nullptr || !CheckOut(count, op, "count pointer")) return kViolationError;
    *count = static_cast<uint32_t>(scene_.items[object->item].selection->size());
    return 0;
  });
}

HostError SimulatedHost::GetCollectionItemByIndex(CollectionHandle collection, uint32_t index,
                                                  CollectionItem* item) {
  const Operation op = Operation::kGetCollectionItemByIndex;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(collection, Kind::kCollection, op, "collection");
    if (object == nullptr || !CheckOut(item, op, "item pointer")) return kViolationError;
    const std::vector<SelectionEntry>& selection = *scene_.items[object->item].selection;
    if (index >= selection.size()) return kHostRefusal;
    const SelectionEntry& entry = selection[index];
    const ItemObjects& objects = items_[object->item];
    CollectionItem result{};
    result.kind = entry.kind;
    const LayerHandle layer =
        reinterpret_cast<LayerHandle>(objects.layers[static_cast<std::size_t>(entry.layer)].layer);
    if (entry.kind == kCollectionItemMask) {
      result.ref.mask.layer = layer;
      result.ref.mask.maskIndex = entry.mask;
    } else {
      result.ref.layer.layer = layer;
    }
    result.stream = nullptr;
    *item = result;
    return 0;
  });
}

HostError SimulatedHost::GetLayerMaskByIndex(LayerHandle layer, uint32_t index, MaskHandle* mask) {
  const Operation op = Operation::kGetLayerMaskByIndex;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(layer, Kind::kLayer, op, "layer");
    if (object == nullptr || !CheckOut(mask, op, "mask pointer")) return kViolationError;
    const LayerObjects& objects = items_[object->item].layers[object->layer];
    if (index >= objects.masks.size()) return kHostRefusal;
    *mask = reinterpret_cast<MaskHandle>(objects.masks[index]);
    return 0;
  });
}

HostError SimulatedHost::GetNewLayerStream(PluginId plugin, LayerHandle layer, int32_t which,
                                           StreamHandle* stream) {
  const Operation op = Operation::kGetNewLayerStream;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(layer, Kind::kLayer, op, "layer");
    if (!CheckPlugin(plugin, op) || object == nullptr || !CheckOut(stream, op, "stream pointer")) {
      return kViolationError;
    }
    const LayerObjects& objects = items_[object->item].layers[object->layer];
    if (which == kLayerStreamAnchorPoint) {
      *stream = reinterpret_cast<StreamHandle>(objects.anchorStream);
    } else if (which == kLayerStreamPosition) {
      *stream = reinterpret_cast<StreamHandle>(objects.positionStream);
    } else {
      return kHostRefusal;
    }
    return 0;
  });
}

HostError SimulatedHost::GetNewMaskStream(PluginId plugin, MaskHandle mask, int32_t which,
                                          StreamHandle* stream) {
  const Operation op = Operation::kGetNewMaskStream;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(mask, Kind::kMask, op, "mask");
    if (!CheckPlugin(plugin, op) || object == nullptr || !CheckOut(stream, op, "stream pointer")) {
      return kViolationError;
    }
    if (which != kMaskStreamOutline) return kHostRefusal;
    *stream = reinterpret_cast<StreamHandle>(
        items_[object->item].layers[object->layer].outlineStreams[object->mask]);
    return 0;
  });
}

HostError SimulatedHost::GetNewStreamValue(PluginId plugin, StreamHandle stream, int32_t timeMode,
                                           const HostTime* time, HostBoolean, StreamValue* value) {
  const Operation op = Operation::kGetNewStreamValue;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(stream, Kind::kStream, op, "stream");
    if (!CheckPlugin(plugin, op) || object == nullptr || !CheckTime(time, op) ||
        !CheckOut(value, op, "value pointer")) {
      return kViolationError;
    }
    if (timeMode != kTimeModeLayer) return kHostRefusal;
    const Layer& layer = LayerOf(*object);
    if (object->stream == StreamKind::kOutline) {
      const Mask& mask = MaskOf(*object);
      if (mask.keyframes.empty()) return kHostRefusal;
      std::size_t best = 0;
      for (std::size_t k = 0; k < mask.keyframes.size(); ++k) {
        if (NotAfter(mask.keyframes[k].time, *time) &&
            NotAfter(mask.keyframes[best].time, mask.keyframes[k].time)) {
          best = k;
        }
      }
      *value = StreamValue{};
      value->value.maskOutline = reinterpret_cast<MaskOutlineHandle>(
          items_[object->item].layers[object->layer].outlines[object->mask][best]);
    } else {
      const Point& point = ValueAt(
          object->stream == StreamKind::kAnchorPoint ? layer.anchorPoint : layer.position, *time);
      *value = StreamValue{};
      value->value.point = HostPoint3{point.x, point.y, 0.0};
    }
    value->stream = stream;
    return 0;
  });
}

HostError SimulatedHost::GetStreamNumKFs(StreamHandle stream, int32_t* count) {
  const Operation op = Operation::kGetStreamNumKFs;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(stream, Kind::kStream, op, "stream");
    if (object == nullptr || !CheckOut(count, op, "count pointer")) return kViolationError;
    if (object->stream != StreamKind::kOutline) {
      *count = 0;
      return 0;
    }
    const Mask& mask = MaskOf(*object);
    *count = mask.reportedKeyframeCount.value_or(
        mask.isStatic ? 0 : static_cast<int32_t>(mask.keyframes.size()));
    return 0;
  });
}

HostError SimulatedHost::GetKeyframeTime(StreamHandle stream, int32_t index, int32_t timeMode,
                                         HostTime* time) {
  const Operation op = Operation::kGetKeyframeTime;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(stream, Kind::kStream, op, "stream");
    if (object == nullptr || !CheckOut(time, op, "time pointer")) return kViolationError;
    if (timeMode != kTimeModeLayer || object->stream != StreamKind::kOutline) return kHostRefusal;
    const Mask& mask = MaskOf(*object);
    if (mask.isStatic || index < 0 || static_cast<std::size_t>(index) >= mask.keyframes.size()) {
      return kHostRefusal;
    }
    *time = mask.keyframes[static_cast<std::size_t>(index)].time;
    return 0;
  });
}

HostError SimulatedHost::GetLayerInPoint(LayerHandle layer, int32_t timeMode, HostTime* inPoint) {
  const Operation op = Operation::kGetLayerInPoint;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(layer, Kind::kLayer, op, "layer");
    if (object == nullptr || !CheckOut(inPoint, op, "time pointer")) return kViolationError;
    if (timeMode != kTimeModeLayer) return kHostRefusal;
    *inPoint = LayerOf(*object).inPoint;
    return 0;
  });
}

HostError SimulatedHost::GetLayerToWorldXform(LayerHandle layer, const HostTime* time,
                                              Matrix4* transform) {
  const Operation op = Operation::kGetLayerToWorldXform;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(layer, Kind::kLayer, op, "layer");
    if (object == nullptr || !CheckTime(time, op) || !CheckOut(transform, op, "matrix pointer")) {
      return kViolationError;
    }
    *transform = ValueAt(LayerOf(*object).toWorld, *time);
    return 0;
  });
}

HostError SimulatedHost::PathNumSegments(EffectRef effect, MaskOutlineHandle outline,
                                         int32_t* count) {
  const Operation op = Operation::kPathNumSegments;
  return Serve(op, [&]() -> HostError {
    if (effect != nullptr) return Violation(op, "effect reference must be null");
    const Object* object = Check(outline, Kind::kOutline, op, "outline");
    if (object == nullptr || !CheckOut(count, op, "count pointer")) return kViolationError;
    *count = static_cast<int32_t>(MaskOf(*object).keyframes[object->keyframe].vertices.size());
    return 0;
  });
}

HostError SimulatedHost::PathVertexInfo(EffectRef effect, MaskOutlineHandle outline, int32_t index,
                                        PathVertex* vertex) {
  const Operation op = Operation::kPathVertexInfo;
  return Serve(op, [&]() -> HostError {
    if (effect != nullptr) return Violation(op, "effect reference must be null");
    const Object* object = Check(outline, Kind::kOutline, op, "outline");
    if (object == nullptr || !CheckOut(vertex, op, "vertex pointer")) return kViolationError;
    const std::vector<PathVertex>& vertices = MaskOf(*object).keyframes[object->keyframe].vertices;
    if (index < 0 || static_cast<std::size_t>(index) >= vertices.size()) return kHostRefusal;
    *vertex = vertices[static_cast<std::size_t>(index)];
    return 0;
  });
}

}  // namespace tarnwick::sim
