// What a conversion says of itself, the same words wherever it runs: the
// one-line summary, the JSON report, and the compositions to choose from.
#ifndef TARNWICK_LOTTIE_REPORT_H
#define TARNWICK_LOTTIE_REPORT_H

#include <string>
#include <vector>

#include "lottie/Conversion.h"

namespace tarnwick::lottie {

// "3 masks from the main composition "Name", 1920 x 1080 at 25 fps".
std::string Summary(const ConversionReport& report);
// The report as JSON: composition, tools, not_carried.
std::string ReportJson(const ConversionReport& report);
// The compositions as JSON: [{"id", "name", "masks"}], the main one first.
std::string ChoicesJson(const std::vector<CompositionChoice>& choices);

}  // namespace tarnwick::lottie

#endif
