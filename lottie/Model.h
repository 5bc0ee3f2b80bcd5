// What a Lottie file holds that places masks: compositions (the main one
// and the precompositions among the assets), their layers with transforms,
// parents and masks.
#ifndef TARNWICK_LOTTIE_MODEL_H
#define TARNWICK_LOTTIE_MODEL_H

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lottie/Json.h"
#include "lottie/Property.h"

namespace tarnwick::lottie {

struct Transform {
  Property anchor, position, positionX, positionY, positionZ, scale;
  Property rotation, rotationX, rotationY, rotationZ, orientation, skew, skewAxis;
  bool splitPosition = false;
  // The properties that place the layer.
  std::vector<const Property*> Placing() const;
};

struct Mask {
  std::string name;
  char mode = 'a';  // a add, s subtract, i intersect, l lighten, d darken, f difference, n none
  bool inverted = false;
  ShapeProperty outline;
  Property opacity, expansion;
};

struct Layer {
  std::size_t position = 0;  // in its composition's layer list
  double ind = 0;
  bool hasInd = false;
  std::optional<double> parent;
  std::string name;
  bool threeD = false;
  bool autoOrient = false;
  Transform transform;
  std::vector<Mask> masks;
};

struct Composition {
  std::string id;  // empty for the main composition
  std::string name;
  int32_t width = 0;
  int32_t height = 0;
  double firstFrame = 0;
  std::vector<Layer> layers;
  std::size_t maskCount = 0;
  // Why the composition cannot be converted, when it cannot: kept until it
  // is chosen, so a fault elsewhere in the file costs the others nothing.
  std::string problem;
  std::size_t MaskCount() const { return maskCount; }
};

struct LottieFile {
  // Where the outlines' points are read from: kept as long as the file.
  std::shared_ptr<const JsonDocument> document;
  double frameRate = 0;
  Composition main;
  std::vector<Composition> precompositions;
};

// Reads the document, which the file keeps; throws LottieError naming
// `source` and the place.
LottieFile ReadLottie(std::shared_ptr<const JsonDocument> doc, const std::string& source);
// Parses the text and reads it; `readable` as for JsonDocument::Parse.
LottieFile ReadLottieText(std::string_view text, std::size_t readable, const std::string& source);
inline LottieFile ReadLottieText(const std::string& text, const std::string& source) {
  return ReadLottieText(text, text.capacity(), source);
}

}  // namespace tarnwick::lottie

#endif
