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
  // A null or foreign handle wraps or lands outside the objects' range.
  const uintptr_t offset =
      reinterpret_cast<uintptr_t>(handle) - reinterpret_cast<uintptr_t>(objects_.data());
  if (offset >= objects_.size() * sizeof(Object) || offset % sizeof(Object) != 0) {
    return nullptr;
  }
  return &objects_[offset / sizeof(Object)];
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
