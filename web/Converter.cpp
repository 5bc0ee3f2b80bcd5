// The page's converter: what tarnwick-sim lottie does, for the page's worker.
// The Lottie library, the module's writer and the preview, compiled to
// WebAssembly; the worker hands a file's bytes in and reads the results out.
#include <emscripten/emscripten.h>

#include <array>
#include <new>
#include <sstream>
#include <string>

#include "lottie/Conversion.h"
#include "lottie/Report.h"
#include "sim/settings/Preview.h"
#include "sim/settings/SettingsReader.h"

namespace {

// What the last conversion left, by the index the worker asks for.
enum Part { kText, kMessage, kReport, kPreview, kChoices, kParts };
std::array<std::string, kParts> gParts;

enum Status { kConverted = 0, kNoMasks = 1, kUnusable = 2, kFailed = 3 };

int Convert(const char* bytes, std::size_t size, const std::string& source,
            const std::string& composition, bool everyFrame) {
  const tarnwick::lottie::LottieFile file =
      tarnwick::lottie::ReadLottieText(std::string_view(bytes, size), size, source);
  gParts[kChoices] = tarnwick::lottie::ChoicesJson(tarnwick::lottie::CompositionChoices(file));
  const tarnwick::lottie::Conversion conversion(file, {composition, everyFrame}, source);
  conversion.Write(
      [](const char* text, std::size_t length) { gParts[kText].assign(text, length); });
  gParts[kMessage] = tarnwick::lottie::Summary(conversion.report());
  gParts[kReport] = tarnwick::lottie::ReportJson(conversion.report());
  std::ostringstream svg;
  tarnwick::sim::WritePreview(svg, tarnwick::sim::ReadSettings(gParts[kText]));
  gParts[kPreview] = svg.str();
  return kConverted;
}

}  // namespace

extern "C" {

// Converts the file; the status as tarnwick-sim lottie's exit status, the
// message the line it prints (without the program's name).
EMSCRIPTEN_KEEPALIVE int tarnwick_convert(const char* bytes, std::size_t size, const char* source,
                                          const char* composition, int everyFrame) {
  for (std::string& part : gParts) std::string().swap(part);
  try {
    return Convert(bytes, size, source, composition, everyFrame != 0);
  } catch (const tarnwick::lottie::NoMasksError& error) {
    gParts[kMessage] = error.what();
    return kNoMasks;
  } catch (const tarnwick::lottie::LottieError& error) {
    gParts[kMessage] = error.what();
    return kUnusable;
  } catch (const std::bad_alloc&) {
    gParts[kMessage] = std::string(source) + ": out of memory";
  } catch (const std::exception& error) {
    gParts[kMessage] = std::string(source) + ": " + error.what();
  }
  gParts[kText].clear();
  return kFailed;
}

EMSCRIPTEN_KEEPALIVE const char* tarnwick_part(int part) {
  return gParts[static_cast<std::size_t>(part)].data();
}

EMSCRIPTEN_KEEPALIVE std::size_t tarnwick_part_size(int part) {
  return gParts[static_cast<std::size_t>(part)].size();
}

}  // extern "C"
