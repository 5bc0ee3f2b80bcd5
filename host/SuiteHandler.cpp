#include "host/SuiteHandler.h"

#include <cstring>

namespace tarnwick {

constexpr std::array<SuiteName, kSuiteCatalogueSize> kSuiteCatalogue = {{
    {"AEGP Marker Suite", 1},
    {"AEGP Marker Suite", 2},
    {"AEGP Layer Suite", 8},
    {"AEGP Layer Suite", 10},
    {"AEGP Stream Suite", 9},
    {"AEGP Stream Suite", 8},
    {"AEGP Stream Suite", 7},
    {"AEGP Stream Suite", 4},
    {"AEGP Dynamic Stream Suite", 2},
    {"AEGP Dynamic Stream Suite", 3},
    {"AEGP Dynamic Stream Suite", 5},
    {"AEGP Keyframe Suite", 4},
    {"AEGP Keyframe Suite", 3},
    {"AEGP Keyframe Suite", 1},
    {"AEGP Comp Suite", 9},
    {"AEGP Comp Suite", 11},
    {"AEGP Comp Suite", 14},
    {"AEGP Comp Suite", 15},
    {"AEGP Comp Suite", 18},
    {"AEGP Canvas Suite", 10},
    {"AEGP Canvas Suite", 11},
    {"AEGP Camera Suite", 2},
    {"AEGP Register Suite", 6},
    {"AEGP Item Suite", 13},
    {"AEGP Item Suite", 11},
    {"AEGP Item Suite", 10},
    {"AEGP Item Suite", 7},
    {"AEGP Item Suite", 3},
    {"AEGP PF Interface Suite", 1},
    {"PF Path Query Suite", 1},
    {"AEGP Memory Suite", 1},
    {"PF Path Data Suite", 1},
    {"PF AE App Suite", 6},
    {"PF AE Adv App Suite", 2},
    {"AEGP Light Suite", 1},
    {"AEGP Light Suite", 2},
    {"AEGP Effect Suite", 1},
    {"AEGP Effect Suite", 2},
    {"AEGP Effect Suite", 3},
    {"AEGP Layer Mask Suite", 5},
    {"AEGP Mask Outline Suite", 3},
    {"AEGP Command Suite", 1},
    {"AEGP Utility Suite", 7},
    {"AEGP Render Suite", 1},
    {"AEGP Render Suite", 2},
    {"PF ANSI Suite", 1},
    {"PF Handle Suite", 2},
    {"PF Fill Matte Suite", 2},
    {"PF World Transform Suite", 1},
    {"AEGP QueryXform Suite", 4},
    {"AEGP Composite Suite", 4},
    {"PF World Suite", 1},
    {"AEGP IO In Suite", 5},
    {"AEGP IO Out Suite", 7},
    {"AEGP Render Queue Suite", 1},
    {"AEGP Render Queue Item Suite", 3},
    {"AEGP Output Module Suite", 4},
    {"AEGP File Import Manager Suite", 3},
    {"PF Sampling8 Suite", 1},
    {"PF Sampling16 Suite", 1},
    {"PF Iterate8 Suite", 1},
    {"PF iterate16 Suite", 1},
    {"PF iterateFloat Suite", 1},
    {"AEGP Collection Suite", 2},
    {"AEGP Text Document Suite", 1},
    {"AEGP Sound Data Suite", 1},
    {"AEGP Text Layer Suite", 1},
    {"AEGP Artisan Util Suite", 1},
    {"AEGP World Suite", 2},
    {"AEGP World Suite", 3},
    {"AEGP Render Options Suite", 1},
    {"AEGP Tracker Suite", 1},
    {"AEGP Tracker Utility Suite", 1},
    {"AE Plugin Helper Suite2", 2},
    {"AEGP Layer Suite", 11},
    {"AEGP Layer Suite", 12},
    {"AEGP Layer Suite", 13},
    {"PF AE Adv Item Suite", 1},
    {"AEGP Layer Suite", 5},
    {"AEGP Layer Mask Suite", 2},
    {"AEGP Comp Suite", 4},
    {"AEGP Collection Suite", 1},
    {"AEGP Mask Outline Suite", 2},
    {"PF AE Adv App Suite", 1},
    {"AEGP Utility Suite", 3},
    {"AEGP Render Options Suite", 2},
    {"AEGP Proj Suite", 8},
    {"AEGP Proj Suite", 9},
    {"AEGP Footage Suite", 11},
    {"AEGP Render Queue Item Suite", 4},
    {"AEGP Utility Suite", 10},
    {"AEGP Persistent Data Suite", 3},
    {"PF Color Settings Suite", 3},
    {"PF Color Settings Suite", 1},
    {"PF ColorParamSuite", 1},
    {"PF SamplingFloat Suite", 1},
    {"AEGP Utility Suite", 11},
    {"PF Effect Custom UI Suite", 1},
    {"PF Effect Custom UI Overlay Theme Suite", 1},
    {"DRAWBOT Draw Suite", 1},
    {"DRAWBOT Supplier Suite", 1},
    {"DRAWBOT Surface Suite", 1},
    {"DRAWBOT Path Suite", 1},
    {"AEGP Layer Mask Suite", 6},
}};

namespace {

constexpr bool SameName(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

// A suite's position in the catalogue, or the catalogue's size when it is
// not there.
constexpr std::size_t CatalogueIndex(const char* name, int32_t version) {
  for (std::size_t i = 0; i < kSuiteCatalogueSize; ++i) {
    if (kSuiteCatalogue[i].version == version && SameName(kSuiteCatalogue[i].name, name)) {
      return i;
    }
  }
  return kSuiteCatalogueSize;
}

}  // namespace

SuiteHandler::SuiteHandler(const BasicSuite* basicSuite) : basicSuite_(basicSuite), slots_{} {
  if (basicSuite_ == nullptr) {
    throw kMissingSuiteError;
  }
}

SuiteHandler::~SuiteHandler() {
  for (std::size_t i = 0; i < kSuiteCatalogueSize; ++i) {
    if (slots_[i] != nullptr) {
      // A failed release cannot be helped and must not stop the others.
      (void)basicSuite_->ReleaseSuite(kSuiteCatalogue[i].name, kSuiteCatalogue[i].version);
    }
  }
}

const void* SuiteHandler::Acquire(std::size_t catalogueIndex) {
  const void*& slot = slots_[catalogueIndex];
  if (slot != nullptr) {
    return slot;
  }
  const void* table = nullptr;
  const SuiteName& suite = kSuiteCatalogue[catalogueIndex];
  const HostError error = basicSuite_->AcquireSuite(suite.name, suite.version, &table);
  if (error != 0 || table == nullptr) {
    throw kMissingSuiteError;
  }
  slot = table;
  return slot;
}

// Each getter's catalogue position is found from its suite's name and
// version when the module is compiled; a suite of the table missing from the
// catalogue stops the build.
#define TARNWICK_SUITE_GETTER(Table, name, version)                  \
  static_assert(CatalogueIndex(name, version) < kSuiteCatalogueSize, \
                name " " #version " is not in the suite catalogue"); \
  const ::Table* SuiteHandler::Table() {                             \
    constexpr std::size_t kIndex = CatalogueIndex(name, version);    \
    return static_cast<const ::Table*>(Acquire(kIndex));             \
  }

TARNWICK_HOST_SUITES(TARNWICK_SUITE_GETTER)

#undef TARNWICK_SUITE_GETTER

}  // namespace tarnwick
