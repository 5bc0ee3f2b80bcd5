#include "sim/program/LottieCommand.h"

#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "lottie/Conversion.h"
#include "sim/program/OutputFile.h"
#include "sim/scene/InputFile.h"
#include "sim/settings/Preview.h"
#include "sim/settings/SettingsReader.h"

namespace tarnwick::sim {

namespace {

constexpr int kNoMasks = 1;
constexpr int kUnusable = 2;
constexpr int kFailed = 3;

std::string Number(double value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

// The one line that says what was converted.
std::string Summary(const lottie::ConversionReport& report) {
  const lottie::CompositionReport& comp = report.composition;
  const std::size_t masks = report.tools.size();
  return std::to_string(masks) + (masks == 1 ? " mask" : " masks") + " from " +
         (comp.id.empty() ? std::string("the main composition") : "precomposition " + comp.id) +
         (comp.name.empty() ? "" : " \"" + comp.name + "\"") + ", " + std::to_string(comp.width) +
         " x " + std::to_string(comp.height) + " at " + Number(comp.frameRate) + " fps";
}

// A layer's "ind" as the file wrote it: whole numbers without a point.
nlohmann::json WholeOrNot(double value) {
  if (value == static_cast<double>(static_cast<long long>(value))) {
    return static_cast<long long>(value);
  }
  return value;
}

nlohmann::json ReportJson(const lottie::ConversionReport& report) {
  const lottie::CompositionReport& comp = report.composition;
  nlohmann::json json;
  json["composition"] = {{"id", comp.id},
                         {"name", comp.name},
                         {"width", comp.width},
                         {"height", comp.height},
                         {"frame_rate", comp.frameRate},
                         {"first_frame", comp.firstFrame}};
  json["tools"] = nlohmann::json::array();
  for (const lottie::ToolReport& tool : report.tools) {
    json["tools"].push_back({{"tool", tool.tool},
                             {"layer", tool.layer},
                             {"layer_ind", WholeOrNot(tool.layerInd)},
                             {"layer_name", tool.layerName},
                             {"mask", tool.mask},
                             {"mask_name", tool.maskName},
                             {"frames", tool.frames},
                             {"moves_between_keys", tool.movesBetweenKeys}});
  }
  json["not_carried"] = report.notCarried;
  return json;
}

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
  const std::optional<std::string> clash = OutputClash({{"the Lottie file", options.file}}, [&] {
    std::vector<NamedFile> outputs;
    for (const NamedFile& named :
         {NamedFile{"--out", options.out}, NamedFile{"--report", options.report},
          NamedFile{"--preview", options.preview}}) {
      if (!named.path.empty()) outputs.push_back(named);
    }
    return outputs;
  }());
  if (clash) {
    std::cerr << "tarnwick-sim: " << *clash << "\n";
    return kUnusable;
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
    return kUnusable;
  } catch (const lottie::NoMasksError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kNoMasks;
  } catch (const lottie::LottieError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kUnusable;
  }
  // Opened once the file is known good, so a bad file costs no output.
  OutputFile out;
  OutputFile reportFile;
  OutputFile preview;
  if (!OpenOutputs(options, out, reportFile, preview)) return kUnusable;
  // The text goes out as it leaves the writer; the preview alone keeps it.
  std::string kept;
  conversion->Write([&](const char* bytes, std::size_t size) {
    out.stream().write(bytes, static_cast<std::streamsize>(size));
    if (preview.is_open()) kept.assign(bytes, size);
  });
  if (!out.Commit()) return kFailed;
  const lottie::ConversionReport& report = conversion->report();
  std::cerr << "tarnwick-sim: " << Summary(report) << "\n";
  TellWhatIsNotMatched(report, options.everyFrame);
  if (reportFile.is_open()) {
    reportFile.stream() << ReportJson(report).dump(2) << "\n";
    if (!reportFile.Commit()) return kFailed;
  }
  if (preview.is_open()) {
    WritePreview(preview.stream(), ReadSettings(kept));
    if (!preview.Commit()) return kFailed;
  }
  return 0;
}

}  // namespace tarnwick::sim
