#include "sim/program/LottieCommand.h"

#include <iostream>
#include <optional>

#include "lottie/Conversion.h"
#include "lottie/Report.h"
#include "sim/scene/InputFile.h"
#include "sim/session/ExitStatus.h"
#include "sim/session/OutputFile.h"
#include "sim/settings/Preview.h"
#include "sim/settings/SettingsReader.h"

namespace tarnwick::sim {

namespace {

// What the text leaves out, and the masks that move between their keys,
// once each on standard error.
void TellWhatIsNotMatched(const lottie::ConversionReport& report, bool everyFrame) {
  for (const std::string& line : report.notCarried) {
    std::cerr << "tarnwick-sim: not carried: " << line << "\n";
  }
  if (everyFrame) return;
  for (const lottie::ToolReport& tool : report.tools) {
    if (tool.movesBetweenKeys) {
      std::cerr << "tarnwick-sim: " << tool.tool << " (layer " << tool.layer << " \""
                << tool.layerName << "\", mask " << tool.mask
                << "): moves between keys; --every-frame matches every frame\n";
    }
  }
}

bool OpenOutputs(const LottieOptions& options, OutputFile& out, OutputFile& report,
                 OutputFile& preview) {
  return out.Open(options.out.empty() ? "-" : options.out) &&
         (options.report.empty() || report.Open(options.report)) &&
         (options.preview.empty() || preview.Open(options.preview));
}

}  // namespace

int RunLottie(const LottieOptions& options) {
  if (!OutputsOwnFiles(
          {{"the Lottie file", options.file}},
          {{"--out", options.out}, {"--report", options.report}, {"--preview", options.preview}})) {
    return kExitUnusable;
  }
  std::optional<lottie::LottieFile> file;
  std::optional<lottie::Conversion> conversion;
  try {
    {
      // The file's bytes go once it is read.
      const InputText input(options.file);
      file = lottie::ReadLottieText(input.text(), input.readable(), options.file);
    }
    conversion.emplace(*file, lottie::ConversionOptions{options.composition, options.everyFrame},
                       options.file);
  } catch (const InputError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kExitUnusable;
  } catch (const lottie::NoMasksError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kExitFound;
  } catch (const lottie::LottieError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kExitUnusable;
  }
  // Opened once the file is known good, so a bad file costs no output.
  OutputFile out;
  OutputFile reportFile;
  OutputFile preview;
  if (!OpenOutputs(options, out, reportFile, preview)) return kExitUnusable;
  // The text goes out as it leaves the writer; the preview alone keeps it.
  std::string kept;
  conversion->Write([&](const char* bytes, std::size_t size) {
    out.stream().write(bytes, static_cast<std::streamsize>(size));
    if (preview.is_open()) kept.assign(bytes, size);
  });
  if (!out.Commit()) return kExitFailed;
  const lottie::ConversionReport& report = conversion->report();
  std::cerr << "tarnwick-sim: " << lottie::Summary(report) << "\n";
  TellWhatIsNotMatched(report, options.everyFrame);
  if (reportFile.is_open()) {
    reportFile.stream() << lottie::ReportJson(report);
    if (!reportFile.Commit()) return kExitFailed;
  }
  if (preview.is_open()) {
    WritePreview(preview.stream(), ReadSettings(kept));
    if (!preview.Commit()) return kExitFailed;
  }
  return kExitSuccess;
}

}  // namespace tarnwick::sim
