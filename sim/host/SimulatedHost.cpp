// The simulated host's objects: the scene's items, layers, masks and streams
// behind the handles it hands out, the suites it serves, and the checks that
// a handle is one of its own.
#include "sim/host/SimulatedHost.h"

#include <stdexcept>

#include "sim/host/HostCall.h"
#include "sim/host/SuiteTables.h"

namespace tarnwick::sim {

void SimulatedHost::CountForOperations(const char* name, int32_t version, int64_t change) {
  for (std::size_t i = 0; i < operationSuiteOutstanding_.size(); ++i) {
    if (OperationInSuite(static_cast<Operation>(i), name, version)) {
      operationSuiteOutstanding_[i] += change;
    }
  }
}

SimulatedHost::SimulatedHost(Scene scene)
    : scene_(std::move(scene)),
      callsPerOperation_(static_cast<std::size_t>(Operation::kCount)),
      operationSuiteOutstanding_(static_cast<std::size_t>(Operation::kCount)) {
  if (CurrentHost() != nullptr) throw std::logic_error("one simulated host at a time");
  std::size_t objectCount = 0;
  for (const Item& item : scene_.items) {
    objectCount += 3;
    for (const Layer& layer : item.layers) {
      objectCount += 3;
      for (const Mask& mask : layer.masks) objectCount += 2 + mask.keyframes.size();
    }
  }
  if (objectCount > UINT32_MAX)
    throw SceneError("the scene has more objects than a host can count");
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
    faults_.push_back({any, operation, fault.call, fault.fromCallOn, fault.code, fault.null});
  }
  CurrentHost() = this;
}

SimulatedHost::~SimulatedHost() {
  CurrentHost() = nullptr;
}

const BasicSuite* SimulatedHost::basicSuite() const {
  return BasicSuiteTable();
}

void SimulatedHost::FailCall(int64_t call, HostError code) {
  faults_.push_back({true, Operation::kCount, call, false, code, false});
}

void SimulatedHost::NullCall(int64_t call) {
  faults_.push_back({true, Operation::kCount, call, false, 0, true});
}

SimulatedHost::Object* SimulatedHost::Make(const Object& object) {
  if (objects_.size() == objects_.capacity()) throw std::logic_error("object count miscounted");
  Object& made = objects_.emplace_back(object);
  if (made.kind == Kind::kLayer || made.kind == Kind::kMask || made.kind == Kind::kStream ||
      made.kind == Kind::kOutline) {
    made.layerData = &scene_.items[made.item].layers[made.layer];
  }
  if (made.kind == Kind::kMask || made.kind == Kind::kOutline ||
      (made.kind == Kind::kStream && made.stream == StreamKind::kOutline)) {
    made.maskData = &made.layerData->masks[made.mask];
  }
  return &made;
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
  const void* served = ServedSuiteTable(name, version);
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

__attribute__((cold, noinline)) void SimulatedHost::NullArgument(Operation operation,
                                                                 const char* what) {
  Violation(operation, std::string("null ") + what);
}

__attribute__((cold, noinline)) void SimulatedHost::ForeignPlugin(PluginId plugin,
                                                                  Operation operation) {
  Violation(operation, "plug-in id " + std::to_string(plugin) + " is not the module's");
}

__attribute__((cold, noinline)) void SimulatedHost::BadTime(const HostTime* time,
                                                            Operation operation) {
  Violation(operation, time == nullptr ? "null time" : "time with scale 0");
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

}  // namespace tarnwick::sim
