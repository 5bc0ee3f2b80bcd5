// Acquires host suites on first use and gives every one of them back when the
// handler goes out of scope, also while an error unwinds through it.
#ifndef TARNWICK_HOST_SUITE_HANDLER_H
#define TARNWICK_HOST_SUITE_HANDLER_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "host/HostInterface.h"
#include "host/ResultCodes.h"

namespace tarnwick {

struct SuiteName {
  const char* name;
  int32_t version;
};

constexpr std::size_t kSuiteCatalogueSize = 104;

// Every suite the handler can hold, in the order destruction releases them.
// That order is fixed whatever order the getters were first called in, so
// the host sees one sequence of releases for one set of suites.
// The catalogue is the general handler's whole list, 104 suites and
// versions, though the export uses only the 13 of host/HostOperations.table:
// the release order of any set of suites is the catalogue's, so a suite the
// module comes to use is released where it always stood, and the host sees
// the releases it has always seen. A suite never used costs an empty slot
// and is never acquired; the table's suites are found in the catalogue when
// this compiles.
extern const std::array<SuiteName, kSuiteCatalogueSize> kSuiteCatalogue;

class SuiteHandler {
 public:
  // Makes no host call; throws kMissingSuiteError for a null basic suite.
  explicit SuiteHandler(const BasicSuite* basicSuite);
  ~SuiteHandler();

  SuiteHandler(const SuiteHandler&) = delete;
  SuiteHandler& operator=(const SuiteHandler&) = delete;
  SuiteHandler(SuiteHandler&&) = delete;
  SuiteHandler& operator=(SuiteHandler&&) = delete;

  // One getter per suite of host/HostOperations.table (StreamSuite7 and so
  // on): its table, acquired on first use, never null.
#define TARNWICK_SUITE_GETTER_DECLARATION(Table, name, version) const ::Table* Table();
  TARNWICK_HOST_SUITES(TARNWICK_SUITE_GETTER_DECLARATION)
#undef TARNWICK_SUITE_GETTER_DECLARATION

 private:
  const void* Acquire(std::size_t catalogueIndex);

  const BasicSuite* basicSuite_;
  std::array<const void*, kSuiteCatalogueSize> slots_;
};

}  // namespace tarnwick

#endif
