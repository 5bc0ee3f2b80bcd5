#include "lottie/Report.h"

#include <nlohmann/json.hpp>
#include <sstream>

namespace tarnwick::lottie {

namespace {

std::string Number(double value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

// A layer's "ind" as the file wrote it: whole numbers without a point.
nlohmann::json WholeOrNot(double value) {
  if (value == static_cast<double>(static_cast<long long>(value))) {
    return static_cast<long long>(value);
  }
  return value;
}

}  // namespace

std::string Summary(const ConversionReport& report) {
  const CompositionReport& comp = report.composition;
  const std::size_t masks = report.tools.size();
  return std::to_string(masks) + (masks == 1 ? " mask" : " masks") + " from " +
         (comp.id.empty() ? std::string("the main composition") : "precomposition " + comp.id) +
         (comp.name.empty() ? "" : " \"" + comp.name + "\"") + ", " + std::to_string(comp.width) +
         " x " + std::to_string(comp.height) + " at " + Number(comp.frameRate) + " fps";
}

std::string ReportJson(const ConversionReport& report) {
  const CompositionReport& comp = report.composition;
  nlohmann::json json;
  json["composition"] = {{"id", comp.id},
                         {"name", comp.name},
                         {"width", comp.width},
                         {"height", comp.height},
                         {"frame_rate", comp.frameRate},
                         {"first_frame", comp.firstFrame}};
  json["tools"] = nlohmann::json::array();
  for (const ToolReport& tool : report.tools) {
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
  return json.dump(2) + "\n";
}

std::string ChoicesJson(const std::vector<CompositionChoice>& choices) {
  nlohmann::json json = nlohmann::json::array();
  for (const CompositionChoice& choice : choices) {
    json.push_back({{"id", choice.id}, {"name", choice.name}, {"masks", choice.masks}});
  }
  return json.dump();
}

}  // namespace tarnwick::lottie
