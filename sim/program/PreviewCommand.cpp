#include "sim/program/PreviewCommand.h"

#include <iostream>

#include "sim/scene/InputFile.h"
#include "sim/session/ExitStatus.h"
#include "sim/session/OutputFile.h"
#include "sim/settings/Preview.h"
#include "sim/settings/SettingsReader.h"

namespace tarnwick::sim {

int RunPreview(const PreviewOptions& options) {
  if (!OutputsOwnFiles({{"the settings text", options.settings}}, {{"--out", options.out}})) {
    return kExitUnusable;
  }
  std::string text;
  try {
    text = ReadInputFile(options.settings);
  } catch (const InputError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kExitUnusable;
  }
  Settings settings;
  try {
    settings = ReadSettings(text);
  } catch (const SettingsError& error) {
    std::cerr << "tarnwick-sim: " << options.settings << ": " << error.what() << "\n";
    return kExitUnusable;
  }
  OutputFile out;
  if (!out.Open(options.out)) return kExitUnusable;
  WritePreview(out.stream(), settings);
  return out.Commit() ? kExitSuccess : kExitFailed;
}

}  // namespace tarnwick::sim
