// The host's suite tables and its catalogue of operations. Each table entry
// is a C function that forwards to the simulated host being served.
#ifndef TARNWICK_SIM_SUITE_TABLES_H
#define TARNWICK_SIM_SUITE_TABLES_H

#include <cstdint>
#include <string>

#include "host/HostInterface.h"
#include "sim/SimulatedHost.h"

namespace tarnwick::sim {

// The host the tables forward to; null between hosts.
SimulatedHost*& CurrentHost();

const BasicSuite* BasicSuiteTable();
// The table of a suite the host serves, or null.
const void* ServedSuiteTable(const std::string& name, int32_t version);
// "name version" of every suite served, for messages.
std::string ServedSuiteList();
// Whether the operation is reached through that suite.
bool OperationInSuite(Operation operation, const char* name, int32_t version);

}  // namespace tarnwick::sim

#endif
