// The fault plan and the call log: which calls fail, and what was called.
#include "sim/host/HostCall.h"
#include "sim/host/SimulatedHost.h"
#include "sim/host/SuiteTables.h"
#include "sim/scene/Operations.h"

namespace tarnwick::sim {

HostError SimulatedHost::Violation(Operation operation, const std::string& what) {
  violations_.push_back(std::string(OperationName(operation)) + ": " + what);
  return kViolationError;
}

HostError SimulatedHost::BeginChecked(Operation operation, int64_t ofOperation) {
  nullArmed_ = false;
  if (operationSuiteOutstanding_[static_cast<std::size_t>(operation)] == 0) {
    return Violation(operation, "called through a suite that is not acquired");
  }
  for (const ArmedFault& fault : faults_) {
    const int64_t count = fault.anyOperation ? callCount_ : ofOperation;
    if ((fault.anyOperation || fault.operation == operation) &&
        (fault.fromCallOn ? count >= fault.call : count == fault.call)) {
      // A null fault on an operation without a handle to null changes nothing.
      if (fault.null) {
        nullArmed_ = HandsBackHandle(operation);
        continue;
      }
      return fault.code;
    }
  }
  return 0;
}

void SimulatedHost::Record(Operation operation, HostError result) {
  if (recordCalls_) calls_.push_back({operation, result});
  if (trace_ != nullptr) *trace_ << OperationName(operation) << " -> " << result << '\n';
}

}  // namespace tarnwick::sim
