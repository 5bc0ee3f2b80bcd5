#include "sim/host/SuiteTables.h"

#include <cstring>

namespace tarnwick::sim {

namespace {

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
#define TARNWICK_FORWARD(table, suite, version, slot, operation, parameters, arguments) \
  HostError Sim_##operation parameters {                                                \
    return Host().operation arguments;                                                  \
  }
TARNWICK_HOST_OPERATIONS(TARNWICK_FORWARD)
#undef TARNWICK_FORWARD
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
#define TARNWICK_TABLE(table, suite, version) ::table table##_ = Reserved<::table>();
  TARNWICK_HOST_SUITES(TARNWICK_TABLE)
#undef TARNWICK_TABLE

  Tables() {
#define TARNWICK_FILL(table, suite, version, slot, operation, parameters, arguments) \
  table##_.operation = &Sim_##operation;
    TARNWICK_HOST_OPERATIONS(TARNWICK_FILL)
#undef TARNWICK_FILL
  }

  const void* Find(const std::string& name, int32_t version) const {
#define TARNWICK_FIND(table, suite, version_) \
  if (name == (suite) && version == (version_)) return &table##_;
    TARNWICK_HOST_SUITES(TARNWICK_FIND)
#undef TARNWICK_FIND
    return nullptr;
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

}  // namespace tarnwick::sim
