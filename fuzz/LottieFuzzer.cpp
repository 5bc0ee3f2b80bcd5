// Arbitrary bytes as a Lottie file, through what tarnwick-sim lottie does:
// the file is refused with one line, or converted, with and without an
// entry on every frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "lottie/Conversion.h"

namespace {

// Keeps each input quick: a file may ask for millions of frames of a mask.
constexpr std::size_t kMostPointLines = 200000;

void Convert(const tarnwick::lottie::LottieFile& file, bool everyFrame) {
  try {
    const tarnwick::lottie::Conversion conversion(file, {"", everyFrame}, "input");
    if (conversion.report().pointLines > kMostPointLines) return;
    std::size_t size = 0;
    conversion.Write([&](const char*, std::size_t bytes) { size = bytes; });
    if (size == 0) std::abort();  // a text always has its head and tail
  } catch (const tarnwick::lottie::LottieError& error) {
    if (std::string(error.what()).find('\n') != std::string::npos) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const tarnwick::lottie::LottieFile file = tarnwick::lottie::ReadLottieText(text, "input");
    Convert(file, false);
    Convert(file, true);
  } catch (const tarnwick::lottie::LottieError& error) {
    if (std::string(error.what()).find('\n') != std::string::npos) std::abort();
  }
  return 0;
}
