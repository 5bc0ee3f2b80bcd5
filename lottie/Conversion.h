// A Lottie file's masks as the module's settings text: every mask of every
// layer of one composition, in layer order and mask order, as if all were
// selected in the host, written by the module's own writer on frames of the
// composition's own.
#ifndef TARNWICK_LOTTIE_CONVERSION_H
#define TARNWICK_LOTTIE_CONVERSION_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "lottie/Json.h"
#include "lottie/Model.h"

namespace tarnwick::lottie {

struct ConversionOptions {
  std::string composition;  // an asset id, or a name; empty for the main composition
  bool everyFrame = false;  // an entry on every whole frame the mask moves on
};

struct ToolReport {
  std::string tool;  // BSpline3
  std::size_t layer = 0;
  double layerInd = 0;
  std::string layerName;
  std::size_t mask = 0;
  std::string maskName;
  std::vector<int32_t> frames;
  bool movesBetweenKeys = false;
};

struct CompositionReport {
  std::string id;  // empty for the main composition
  std::string name;
  int32_t width = 0;
  int32_t height = 0;
  double frameRate = 0;
  double firstFrame = 0;
};

struct ConversionReport {
  CompositionReport composition;
  std::vector<ToolReport> tools;
  std::vector<std::string> notCarried;  // one line each
  std::size_t pointLines = 0;
};

// The chosen composition has no mask; the message names those that do.
struct NoMasksError : LottieError {
  using LottieError::LottieError;
};

struct CompositionChoice {
  std::string id;  // empty for the main composition
  std::string name;
  std::size_t masks = 0;
};

// The main composition, then every precomposition that holds masks.
std::vector<CompositionChoice> CompositionChoices(const LottieFile& file);

// Takes each piece of the text as it is written.
using TextSink = std::function<void(const char* bytes, std::size_t size)>;

// One composition's masks planned (which tools, on which frames, what is not
// carried), then written. Planning refuses what cannot be converted;
// writing refuses nothing but memory.
class Conversion {
 public:
  // Throws LottieError for a composition that cannot be converted (naming
  // `source`), NoMasksError when it has no mask.
  Conversion(const LottieFile& file, const ConversionOptions& options, const std::string& source);
  ~Conversion();
  Conversion(const Conversion&) = delete;
  Conversion& operator=(const Conversion&) = delete;

  const ConversionReport& report() const { return report_; }
  // Writes the whole settings text to `sink`; throws std::bad_alloc when
  // memory runs out. The file must outlive the conversion.
  void Write(const TextSink& sink) const;

  struct Tool;

 private:
  const Composition* comp_;
  std::vector<Tool> tools_;
  ConversionReport report_;
};

// A frame of the file as the text keys it: the nearest whole frame, halves
// up; throws LottieError beyond 32-bit frames.
int32_t RoundFrame(double frame);

}  // namespace tarnwick::lottie

#endif
