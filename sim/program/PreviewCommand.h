// tarnwick-sim preview: any settings text drawn as SVG.
#ifndef TARNWICK_SIM_PROGRAM_PREVIEW_COMMAND_H
#define TARNWICK_SIM_PROGRAM_PREVIEW_COMMAND_H

#include <string>

namespace tarnwick::sim {

struct PreviewOptions {
  std::string settings;
  std::string out;
};

// Draws a settings text from a file: an export, or what Fusion saved.
// Returns one of the exit statuses.
int RunPreview(const PreviewOptions& options);

}  // namespace tarnwick::sim

#endif
