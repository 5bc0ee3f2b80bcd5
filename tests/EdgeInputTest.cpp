// Inputs that once broke something, replayed: each must now give a defined
// result. (Host answers nobody expects are the validator's hostile-host check.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>

#include "export/NumberFormat.h"
#include "lottie/Conversion.h"
#include "sim/settings/Preview.h"
#include "sim/settings/SettingsReader.h"
#include "tests/SimSupport.h"
#include "tests/TestSupport.h"

namespace tarnwick {
namespace {

using tests::Play;

// A defined result: no rule of the host broken, nothing kept, a text Fusion
// loads when the clipboard changed.
void ExpectDefined(const tests::Played& played, const std::string& what) {
  EXPECT_TRUE(played.host->violations().empty())
      << what << ": " << (played.host->violations().empty() ? "" : played.host->violations()[0]);
  EXPECT_TRUE(played.host->OutstandingSuites().empty()) << what;
  EXPECT_EQ(played.host->undoGroupsOpen(), 0) << what;
#ifndef _WIN32
  if (played.result.clipboard && played.result.clipboardChanged) {
    const tests::HarnessResult loaded = tests::RunHarness(*played.result.clipboard);
    EXPECT_EQ(loaded.status, 0) << what << ": " << loaded.output;
  }
#endif
}

// Inputs that once made a fuzz target, a sanitizer or a reader fail, replayed
// through what they broke: each must now give a defined result.
TEST(EdgeInput, FuzzRegressions) {
  int scenes = 0, formats = 0, settings = 0, lotties = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(tests::SourcePath("tests/fuzz-regressions"))) {
    const std::string name = entry.path().filename().string();
    const std::string bytes = tests::ReadFile(entry.path().string());
    if (name.rfind("scene-", 0) == 0) {
      ++scenes;
      try {
        const tests::Played played = Play(bytes);
        ExpectDefined(played, name);
      } catch (const sim::SceneError&) {
        // refused with a message: a defined result
      }
    } else if (name.rfind("format-", 0) == 0 && bytes.size() == sizeof(double)) {
      ++formats;
      double x = 0;
      std::memcpy(&x, bytes.data(), sizeof x);
      char ours[kFixed6MaxLength + 1];
      char reference[400];
      const std::size_t length = FormatFixed6(x, ours);
      const int expected = std::snprintf(reference, sizeof reference, "%f", x);
      if (std::isfinite(x)) {
        EXPECT_EQ(std::string(ours, length), std::string(reference, expected)) << name;
      }
    } else if (name.rfind("lottie-", 0) == 0) {
      ++lotties;
      try {
        const lottie::LottieFile file = lottie::ReadLottieText(bytes, name);
        for (const bool everyFrame : {false, true}) {
          const lottie::Conversion conversion(file, {"", everyFrame}, name);
          std::string text;
          conversion.Write([&](const char* chars, std::size_t size) { text.assign(chars, size); });
          EXPECT_NO_THROW(sim::ReadSettings(text)) << name;
        }
      } catch (const lottie::LottieError& error) {
        EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos) << name;
      }
    } else if (name.rfind("settings-", 0) == 0) {
      ++settings;
      try {
        std::ostringstream svg;
        sim::WritePreview(svg, sim::ReadSettings(bytes));
      } catch (const sim::SettingsError& error) {
        EXPECT_NE(std::string(error.what()).find(" line "), std::string::npos) << name;
      }
    }
  }
  // Every branch replays at least one real input.
  EXPECT_GE(scenes, 1);
  EXPECT_GE(formats, 1);
  EXPECT_GE(settings, 1);
  EXPECT_GE(lotties, 1);
}

}  // namespace
}  // namespace tarnwick
