// The host's suite tables. Each operation's entry is a C function that
// forwards to the simulated host being served; every other position is a
// reserved entry that reports its own use.
#ifndef TARNWICK_SIM_HOST_SUITE_TABLES_H
#define TARNWICK_SIM_HOST_SUITE_TABLES_H

#include <cstdint>
#include <string>

#include "host/HostInterface.h"
#include "sim/host/SimulatedHost.h"

namespace tarnwick::sim {

// The host the tables forward to; null between hosts.
SimulatedHost*& CurrentHost();

const BasicSuite* BasicSuiteTable();
// The table of a suite the host serves, or null.
const void* ServedSuiteTable(const std::string& name, int32_t version);

}  // namespace tarnwick::sim

#endif
