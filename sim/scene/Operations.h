// The catalogue of the host operations a scene can name (in faults) and of
// the suites it can take away: made from the one table of host operations.
#ifndef TARNWICK_SIM_SCENE_OPERATIONS_H
#define TARNWICK_SIM_SCENE_OPERATIONS_H

#include <cstdint>
#include <string>
#include <utility>

#include "host/HostInterface.h"

namespace tarnwick::sim {

enum class Operation : int {
#define TARNWICK_ENUMERATE(table, suite, version, slot, operation, parameters, arguments) operation,
  TARNWICK_HOST_OPERATIONS(TARNWICK_ENUMERATE)
#undef TARNWICK_ENUMERATE
      kCount
};

constexpr int kOperationCount = static_cast<int>(Operation::kCount);

// The host's name of the operation, e.g. "AEGP_GetNewLayerStream".
const char* OperationName(Operation operation);
// The operation of that host name; false when there is none.
bool OperationByName(const std::string& name, Operation& operation);
// The suite the operation is reached through: its name and version.
std::pair<std::string, int32_t> OperationSuite(Operation operation);
// Whether the operation is reached through that suite.
bool OperationInSuite(Operation operation, const char* suite, int32_t version);

// Whether the operation hands back a handle (or, for a stream value, a mask
// outline) that a host may give as null with success.
bool HandsBackHandle(Operation operation);

// Whether the host serves a suite of that name and version.
bool SuiteServed(const std::string& name, int32_t version);
// "name" version of every suite served, for messages.
std::string ServedSuiteList();

}  // namespace tarnwick::sim

#endif
