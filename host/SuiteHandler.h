// Acquires host suites on first use and gives every one of them back when the
// handler goes out of scope, also while an error unwinds through it.
#ifndef TARNWICK_HOST_SUITE_HANDLER_H
#define TARNWICK_HOST_SUITE_HANDLER_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "host/HostInterface.h"

namespace tarnwick {

// The one error the module throws: a plain host error code, thrown by value.
constexpr HostError kMissingSuiteError = 516;

struct SuiteName {
  const char* name;
  int32_t version;
};

constexpr std::size_t kSuiteCatalogueSize = 104;

// Every suite the handler can hold, in the order destruction releases them.
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

  const ::StreamSuite7* StreamSuite7();
  const ::KeyframeSuite4* KeyframeSuite4();
  const ::CompSuite9* CompSuite9();
  const ::CompSuite18* CompSuite18();
  const ::RegisterSuite6* RegisterSuite6();
  const ::ItemSuite13* ItemSuite13();
  const ::ItemSuite10* ItemSuite10();
  const ::PathDataSuite1* PathDataSuite1();
  const ::CommandSuite1* CommandSuite1();
  const ::UtilitySuite7* UtilitySuite7();
  const ::CollectionSuite2* CollectionSuite2();
  const ::LayerSuite13* LayerSuite13();
  const ::LayerMaskSuite6* LayerMaskSuite6();

 private:
  const void* Acquire(std::size_t catalogueIndex);

  const BasicSuite* basicSuite_;
  std::array<const void*, kSuiteCatalogueSize> slots_;
};

}  // namespace tarnwick

#endif
