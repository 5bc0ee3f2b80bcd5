#include "sim/scene/Operations.h"

#include <cstring>
#include <string>
#include <vector>

#include "sim/scene/Join.h"

namespace tarnwick::sim {

namespace {

struct OperationInfo {
  const char* name;
  const char* suite;
  int32_t version;
};

constexpr OperationInfo kOperations[] = {
#define TARNWICK_DESCRIBE(table, suite, version, slot, operation, parameters, arguments) \
  {#operation, suite, version},
    TARNWICK_HOST_OPERATIONS(TARNWICK_DESCRIBE)
#undef TARNWICK_DESCRIBE
};

struct SuiteInfo {
  const char* name;
  int32_t version;
};

constexpr SuiteInfo kSuites[] = {
#define TARNWICK_DESCRIBE(table, suite, version) {suite, version},
    TARNWICK_HOST_SUITES(TARNWICK_DESCRIBE)
#undef TARNWICK_DESCRIBE
};

const OperationInfo& Info(Operation operation) {
  return kOperations[static_cast<std::size_t>(operation)];
}

}  // namespace

const char* OperationName(Operation operation) {
  return Info(operation).name;
}

bool OperationByName(const std::string& name, Operation& operation) {
  for (int i = 0; i < kOperationCount; ++i) {
    if (name == kOperations[i].name) {
      operation = static_cast<Operation>(i);
      return true;
    }
  }
  return false;
}

std::pair<std::string, int32_t> OperationSuite(Operation operation) {
  return {Info(operation).suite, Info(operation).version};
}

bool OperationInSuite(Operation operation, const char* suite, int32_t version) {
  const OperationInfo& info = Info(operation);
  return info.version == version && std::strcmp(info.suite, suite) == 0;
}

bool SuiteServed(const std::string& name, int32_t version) {
  for (const SuiteInfo& suite : kSuites) {
    if (name == suite.name && version == suite.version) return true;
  }
  return false;
}

std::string ServedSuiteList() {
  std::vector<std::string> served;
  for (const SuiteInfo& suite : kSuites) {
    served.push_back("\"" + std::string(suite.name) + "\" " + std::to_string(suite.version));
  }
  return Join(served, ", ");
}

bool HandsBackHandle(Operation operation) {
  switch (operation) {
    case Operation::AEGP_GetActiveItem:
    case Operation::AEGP_GetCompFromItem:
    case Operation::AEGP_GetItemFromComp:
    case Operation::AEGP_GetNewCollectionFromCompSelection:
    case Operation::AEGP_GetCollectionItemByIndex:
    case Operation::AEGP_GetLayerMaskByIndex:
    case Operation::AEGP_GetNewLayerStream:
    case Operation::AEGP_GetNewMaskStream:
    case Operation::AEGP_GetNewStreamValue:
      return true;
    default:
      return false;
  }
}

}  // namespace tarnwick::sim
