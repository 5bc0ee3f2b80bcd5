// Arbitrary bytes as a settings text: the reader must refuse them with its
// SettingsError or read them, and whatever it reads must draw.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "sim/settings/Preview.h"
#include "sim/settings/SettingsReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  tarnwick::sim::Settings settings;
  try {
    settings = tarnwick::sim::ReadSettings(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const tarnwick::sim::SettingsError&) {
    return 0;
  }
  std::ostringstream svg;
  tarnwick::sim::WritePreview(svg, settings);
  return 0;
}
