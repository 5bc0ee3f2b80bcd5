// The simulated host's inline fast paths, shared by the files that serve its
// operations: handle and argument checks, and the counting, faulting and
// recording around each call. Only the host's own sources include this.
#ifndef TARNWICK_SIM_HOST_CALL_H
#define TARNWICK_SIM_HOST_CALL_H

#include "sim/host/SimulatedHost.h"

namespace tarnwick::sim {

// Six of these checks run per exported vertex: they must not cost a call.
// Needed by the in-process export target (tarnwick-bench: export/100 at most
// 0.15 x the snprintf floor); the rest of the simulator is written plainly.
#define TARNWICK_HOT inline __attribute__((always_inline))

TARNWICK_HOT const SimulatedHost::Object* SimulatedHost::ObjectAt(const void* handle) const {
  // A null or foreign handle wraps or lands outside both ranges: the objects
  // themselves, then the fresh handles numbered after them.
  const uintptr_t offset =
      reinterpret_cast<uintptr_t>(handle) - reinterpret_cast<uintptr_t>(objects_.data());
  if (offset % sizeof(Object) != 0) {
    return nullptr;
  }
  const std::size_t index = offset / sizeof(Object);
  if (index < objects_.size()) {
    return &objects_[index];
  }
  const std::size_t fresh = index - objects_.size();
  return fresh < fresh_.size() ? &objects_[fresh_[fresh]] : nullptr;
}

// A handle of its own to an object: what the host hands out each time the
// module asks for a new collection, stream or stream value. It counts as one
// more host object obtained.
template <typename Handle>
TARNWICK_HOT Handle SimulatedHost::Fresh(const Object* object) {
  ++objectsObtained_;
  const uintptr_t at = reinterpret_cast<uintptr_t>(objects_.data()) +
                       (objects_.size() + fresh_.size()) * sizeof(Object);
  fresh_.push_back(static_cast<uint32_t>(object - objects_.data()));
  return reinterpret_cast<Handle>(at);
}

TARNWICK_HOT const Layer& SimulatedHost::LayerOf(const Object& object) {
  return *object.layerData;
}

TARNWICK_HOT const Mask& SimulatedHost::MaskOf(const Object& object) {
  return *object.maskData;
}

// The common case, a handle of the right kind, stays small enough to inline;
// reporting what is wrong with any other is left to CheckFailed.
TARNWICK_HOT const SimulatedHost::Object* SimulatedHost::Check(const void* handle, Kind kind,
                                                               Operation operation,
                                                               const char* what) {
  const Object* object = ObjectAt(handle);
  if (object != nullptr && object->kind == kind) {
    return object;
  }
  CheckFailed(handle, object, operation, what);
  return nullptr;
}

// Each check's failure is reported out of line, so the fast path of every
// operation needs no stack frame of its own.
TARNWICK_HOT bool SimulatedHost::CheckOut(const void* pointer, Operation operation,
                                          const char* what) {
  if (pointer != nullptr) return true;
  NullArgument(operation, what);
  return false;
}

TARNWICK_HOT bool SimulatedHost::CheckPlugin(PluginId plugin, Operation operation) {
  if (plugin == scene_.pluginId) return true;
  ForeignPlugin(plugin, operation);
  return false;
}

TARNWICK_HOT bool SimulatedHost::CheckTime(const HostTime* time, Operation operation) {
  if (time != nullptr && time->scale != 0) return true;
  BadTime(time, operation);
  return false;
}

// Counts the call; only a call through an unacquired suite, or with faults
// armed, takes the longer way.
TARNWICK_HOT HostError SimulatedHost::Begin(Operation operation) {
  ++callCount_;
  const std::size_t index = static_cast<std::size_t>(operation);
  const int64_t ofOperation = ++callsPerOperation_[index];
  if (operationSuiteOutstanding_[index] == 0 || !faults_.empty()) {
    return BeginChecked(operation, ofOperation);
  }
  return 0;
}

TARNWICK_HOT HostError SimulatedHost::Finish(Operation operation, HostError result) {
  if (recordCalls_ || trace_ != nullptr) {
    Record(operation, result);
  }
  return result;
}

template <typename Body>
HostError SimulatedHost::Serve(Operation operation, Body body) {
  const HostError failed = Begin(operation);
  return Finish(operation, failed != 0 ? failed : body());
}

#undef TARNWICK_HOT

}  // namespace tarnwick::sim

#endif
