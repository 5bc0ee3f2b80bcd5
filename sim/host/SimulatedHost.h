// A strict stand-in for the compositing host. It serves a scene through the
// basic suite and the module's suites, checks every handle it is handed,
// records every call, and fails calls or suites on request.
#ifndef TARNWICK_SIM_SIMULATED_HOST_H
#define TARNWICK_SIM_SIMULATED_HOST_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "host/HostInterface.h"
#include "sim/scene/Operations.h"
#include "sim/scene/Scene.h"

namespace tarnwick::sim {

// The code a call returns when the module broke the host's rules.
constexpr HostError kViolationError = 0x7A11;
// The code a call returns for a request the scene cannot answer.
constexpr HostError kHostRefusal = 0x7A12;

struct CallRecord {
  Operation operation;
  HostError result;
};

struct MenuItem {
  CommandId command;
  std::string text;
  int32_t menu;
  int32_t position;
};

struct CommandHookRecord {
  int32_t priority;
  CommandId command;
  CommandHookFunc hook;
  void* refcon;
};

class SimulatedHost {
 public:
  // Serves the scene; becomes the host the suite tables talk to. One host at
  // a time may exist.
  explicit SimulatedHost(Scene scene);
  ~SimulatedHost();
  SimulatedHost(const SimulatedHost&) = delete;
  SimulatedHost& operator=(const SimulatedHost&) = delete;

  const BasicSuite* basicSuite() const;
  const Scene& scene() const { return scene_; }

  // Fails the n-th call (from the start of the run) of any operation.
  void FailCall(int64_t call, HostError code);
  // Makes call `call` of the session succeed with a null handle.
  void NullCall(int64_t call);
  void SetRecordCalls(bool record) { recordCalls_ = record; }
  // Prints each call as it returns.
  void SetTrace(std::ostream* trace) { trace_ = trace; }

  // What happened.
  const std::vector<CallRecord>& calls() const { return calls_; }
  int64_t callCount() const { return callCount_; }
  // Collections, streams and stream values handed out; the host gives no
  // way to hand them back.
  int64_t objectsObtained() const { return objectsObtained_; }
  const std::vector<std::string>& violations() const { return violations_; }
  const std::vector<std::string>& reports() const { return reports_; }
  const std::vector<std::string>& undoGroupsStarted() const { return undoStarted_; }
  int undoGroupsEnded() const { return undoEnded_; }
  int undoGroupsOpen() const { return undoDepth_; }
  const std::vector<MenuItem>& menuItems() const { return menuItems_; }
  const std::vector<CommandHookRecord>& commandHooks() const { return commandHooks_; }
  UpdateMenuHookFunc updateMenuHook() const { return updateMenuHook_; }
  IdleHookFunc idleHook() const { return idleHook_; }
  // The command's state in the menu; a new item starts enabled.
  bool CommandEnabled(CommandId command) const;
  // Sets the command's state as the user's last menu update left it.
  void SetCommandEnabled(CommandId command, bool enabled) { commandEnabled_[command] = enabled; }
  // Acquisitions not yet released, as "name version: count".
  std::vector<std::string> OutstandingSuites() const;
  // Suites acquired at least once, by (name, version).
  std::vector<std::pair<std::string, int32_t>> AcquiredSuites() const;

  // Entry points of the suite tables.
  HostError AcquireSuite(const char* name, int32_t version, const void** table);
  HostError ReleaseSuite(const char* name, int32_t version);
  // One member per host operation, named as the host names it; the tables'
  // C entry points forward to them.
#define TARNWICK_DECLARE(table, suite, version, slot, operation, parameters, arguments) \
  HostError operation parameters;
  TARNWICK_HOST_OPERATIONS(TARNWICK_DECLARE)
#undef TARNWICK_DECLARE
  void ReservedEntryCalled();

 private:
  enum class Kind { kItem, kComp, kLayer, kMask, kStream, kCollection, kOutline };
  enum class StreamKind { kAnchorPoint, kPosition, kOutline };

  // Every object a handle can point at. The alignment makes its size a power
  // of two, so checking a handle's address costs a mask and a shift.
  struct alignas(64) Object {
    Kind kind;
    std::size_t item = 0;
    std::size_t layer = 0;
    std::size_t mask = 0;
    std::size_t keyframe = 0;
    StreamKind stream = StreamKind::kOutline;
    // The scene's layer and mask an object of a layer or a mask belongs to,
    // found once, so that serving a call does not walk the scene.
    const Layer* layerData = nullptr;
    const Mask* maskData = nullptr;
  };

  struct LayerObjects {
    Object* layer = nullptr;
    Object* anchorStream = nullptr;
    Object* positionStream = nullptr;
    std::vector<Object*> masks;
    std::vector<Object*> outlineStreams;
    std::vector<std::vector<Object*>> outlines;  // per mask, per keyframe
  };

  struct ItemObjects {
    Object* item = nullptr;
    Object* comp = nullptr;
    Object* collection = nullptr;
    std::vector<LayerObjects> layers;
  };

  Object* Make(const Object& object);
  void CountForOperations(const char* name, int32_t version, int64_t change);
  // The object behind a handle, or null after recording a violation.
  const Object* Check(const void* handle, Kind kind, Operation operation, const char* what);
  // The object a handle points at, whatever its kind, or null.
  const Object* ObjectAt(const void* handle) const;
  template <typename Handle>
  Handle Fresh(const Object* object);
  void CheckFailed(const void* handle, const Object* object, Operation operation, const char* what);
  void NullArgument(Operation operation, const char* what);
  void ForeignPlugin(PluginId plugin, Operation operation);
  void BadTime(const HostTime* time, Operation operation);
  bool CheckOut(const void* pointer, Operation operation, const char* what);
  bool CheckPlugin(PluginId plugin, Operation operation);
  bool CheckTime(const HostTime* time, Operation operation);
  HostError Violation(Operation operation, const std::string& what);
  // Counts the call and decides whether a fault fails it: 0 to go on.
  HostError Begin(Operation operation);
  HostError BeginChecked(Operation operation, int64_t ofOperation);
  HostError Finish(Operation operation, HostError result);
  void Record(Operation operation, HostError result);
  template <typename Body>
  HostError Serve(Operation operation, Body body);

  // The scene's layer or mask of an object that has one.
  static const Layer& LayerOf(const Object& object);
  static const Mask& MaskOf(const Object& object);
  // The vertices of an outline object, stored or made on demand.
  const std::vector<PathVertex>& OutlineVertices(const Object& outline);
  // A layer object's matrix at a time. The export asks for one layer's at one
  // time once per vertex, so the last answer is kept: a long chain of
  // parents is multiplied out once per keyframe.
  const Matrix4& LayerToWorld(const Object& layer, const HostTime& time);

  Scene scene_;
  // Every object, allocated once, so a handle is checked by its address.
  std::vector<Object> objects_;
  // Handles handed out anew for an object, numbered on from the objects'
  // own addresses (never dereferenced): the index of the object each names.
  std::vector<uint32_t> fresh_;
  int64_t objectsObtained_ = 0;
  std::vector<ItemObjects> items_;
  std::vector<CollectionItem> scratchEntries_;
  // The generated outline last served, and the object it belongs to.
  const Object* generatedFor_ = nullptr;
  std::vector<PathVertex> generated_;
  const Object* toWorldFor_ = nullptr;
  HostTime toWorldTime_{0, 1};
  Matrix4 toWorld_{};

  bool recordCalls_ = true;
  std::ostream* trace_ = nullptr;
  std::vector<CallRecord> calls_;
  int64_t callCount_ = 0;
  std::vector<int64_t> callsPerOperation_;
  struct ArmedFault {
    bool anyOperation;
    Operation operation;
    int64_t call;
    bool fromCallOn;
    HostError code;
    bool null;
  };
  std::vector<ArmedFault> faults_;
  // Set when a null fault matched the call being served; its body then
  // hands back null with success.
  bool nullArmed_ = false;
  // Whether the call being served must hand back null; clears it.
  bool TakeNull() {
    const bool armed = nullArmed_;
    nullArmed_ = false;
    return armed;
  }

  std::vector<std::string> violations_;
  std::vector<std::string> reports_;
  std::vector<std::string> undoStarted_;
  int undoEnded_ = 0;
  int undoDepth_ = 0;
  std::vector<MenuItem> menuItems_;
  std::map<CommandId, bool> commandEnabled_;
  std::vector<CommandHookRecord> commandHooks_;
  UpdateMenuHookFunc updateMenuHook_ = nullptr;
  IdleHookFunc idleHook_ = nullptr;
  bool commandHandedOut_ = false;
  std::map<std::pair<std::string, int32_t>, int64_t> acquisitions_;
  std::map<std::pair<std::string, int32_t>, int64_t> outstanding_;
  // Outstanding acquisitions of the suite each operation belongs to.
  std::vector<int64_t> operationSuiteOutstanding_;
};

}  // namespace tarnwick::sim

#endif
