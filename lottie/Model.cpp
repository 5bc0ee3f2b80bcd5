#include "lottie/Model.h"

#include <cmath>
#include <cstdint>
#include <utility>

namespace tarnwick::lottie {

namespace {

// A size must be a positive whole number the settings text can print.
int32_t ReadSize(JsonValue value, const std::string& where) {
  const double size = value.IsNumber() ? value.Number() : 0.0;
  if (!value.IsNumber() || !(size >= 1.0) || size > INT32_MAX || std::floor(size) != size) {
    throw LottieError(where + ": the size must be a whole number from 1 to 2147483647");
  }
  return static_cast<int32_t>(size);
}

std::string StringOf(JsonValue value) {
  return std::string(value.String());
}

Transform ReadTransform(JsonValue ks, const std::string& where) {
  Transform t;
  if (ks && !ks.IsObject()) throw LottieError(where + ": the transform is not an object");
  const auto read = [&](const char* key, std::vector<double> fallback) {
    return Property::Read(ks.Get(key), where + "." + key, std::move(fallback));
  };
  t.anchor = read("a", {0, 0, 0});
  t.scale = read("s", {100, 100, 100});
  t.rotation = read("r", {0});
  t.rotationX = read("rx", {0});
  t.rotationY = read("ry", {0});
  t.rotationZ = read("rz", {0});
  t.orientation = read("or", {0, 0, 0});
  t.skew = read("sk", {0});
  t.skewAxis = read("sa", {0});
  const JsonValue p = ks.Get("p");
  t.splitPosition = p.IsObject() && p.Get("s").Bool();
  if (t.splitPosition) {
    t.positionX = Property::Read(p.Get("x"), where + ".p.x", {0});
    t.positionY = Property::Read(p.Get("y"), where + ".p.y", {0});
    t.positionZ = Property::Read(p.Get("z"), where + ".p.z", {0});
  } else {
    t.position = read("p", {0, 0, 0});
  }
  return t;
}

Mask ReadMask(JsonValue json, const std::string& where) {
  if (!json.IsObject()) throw LottieError(where + ": a mask that is not an object");
  Mask mask;
  mask.name = StringOf(json.Get("nm"));
  const std::string_view mode = json.Get("mode").String();
  mask.mode = mode.empty() ? 'a' : mode.front();
  mask.inverted = json.Get("inv").Bool();
  mask.outline = ShapeProperty::Read(json.Get("pt"), where + ".pt");
  mask.opacity = Property::Read(json.Get("o"), where + ".o", {100});
  mask.expansion = Property::Read(json.Get("x"), where + ".x", {0});
  return mask;
}

Layer ReadLayer(JsonValue json, std::size_t position, const std::string& where) {
  if (!json.IsObject()) throw LottieError(where + ": a layer that is not an object");
  Layer layer;
  layer.position = position;
  layer.hasInd = json.Get("ind").IsNumber();
  layer.ind = layer.hasInd ? json.Get("ind").Number() : 0.0;
  if (json.Get("parent").IsNumber()) layer.parent = json.Get("parent").Number();
  layer.name = StringOf(json.Get("nm"));
  layer.threeD = json.Get("ddd").Bool();
  layer.autoOrient = json.Get("ao").Bool();
  layer.transform = ReadTransform(json.Get("ks"), where + ".ks");
  const JsonValue masks = json.Get("masksProperties");
  if (masks.IsArray()) {
    const std::vector<JsonValue> list = masks.Elements();
    for (std::size_t m = 0; m < list.size(); ++m) {
      layer.masks.push_back(
          ReadMask(list[m], where + ".masksProperties[" + std::to_string(m) + "]"));
    }
  }
  return layer;
}

// Every layer's parent is a layer of the same composition, and no chain of
// parents comes back to where it started.
void CheckParents(const Composition& comp, const std::string& where) {
  const auto find = [&](double ind) -> const Layer* {
    for (const Layer& layer : comp.layers) {
      if (layer.hasInd && layer.ind == ind) return &layer;
    }
    return nullptr;
  };
  for (const Layer& layer : comp.layers) {
    const Layer* current = &layer;
    std::size_t steps = 0;
    while (current->parent) {
      const Layer* parent = find(*current->parent);
      const std::string place = where + "[" + std::to_string(current->position) + "]";
      if (parent == nullptr) {
        throw LottieError(place + ": its parent " + std::to_string(std::llround(*current->parent)) +
                          " is no layer of the composition");
      }
      if (++steps > comp.layers.size()) {
        throw LottieError(where + "[" + std::to_string(layer.position) +
                          "]: its parents form a loop");
      }
      current = parent;
    }
  }
}

Composition ReadComposition(JsonValue layers, const std::string& where) {
  Composition comp;
  if (!layers.IsArray()) throw LottieError(where + ": missing, or not a list of layers");
  const std::vector<JsonValue> list = layers.Elements();
  for (const JsonValue& layer : list) comp.maskCount += layer.Get("masksProperties").size();
  try {
    for (std::size_t n = 0; n < list.size(); ++n) {
      comp.layers.push_back(ReadLayer(list[n], n, where + "[" + std::to_string(n) + "]"));
    }
    CheckParents(comp, where);
  } catch (const LottieError& error) {
    comp.layers.clear();
    comp.problem = error.what();
  }
  return comp;
}

// A precomposition's size: its asset's own, or that of a layer showing it.
void SizePrecomposition(Composition& comp, JsonValue asset, JsonValue root,
                        const std::string& where) {
  if (asset.Get("w") || asset.Get("h")) {
    comp.width = ReadSize(asset.Get("w"), where + ".w");
    comp.height = ReadSize(asset.Get("h"), where + ".h");
    return;
  }
  std::vector<JsonValue> lists = {root.Get("layers")};
  for (const JsonValue& other : root.Get("assets").Elements()) lists.push_back(other.Get("layers"));
  for (const JsonValue& list : lists) {
    for (const JsonValue& layer : list.Elements()) {
      if (layer.Get("refId").String() == comp.id && layer.Get("w") && layer.Get("h")) {
        comp.width = ReadSize(layer.Get("w"), where + ": a layer showing it: w");
        comp.height = ReadSize(layer.Get("h"), where + ": a layer showing it: h");
        return;
      }
    }
  }
  throw LottieError(where + ": a precomposition without a size (\"w\", \"h\")");
}

}  // namespace

std::vector<const Property*> Transform::Placing() const {
  return {&anchor,    &position,  &positionX, &positionY,   &positionZ, &scale,   &rotation,
          &rotationX, &rotationY, &rotationZ, &orientation, &skew,      &skewAxis};
}

LottieFile ReadLottieText(std::string_view text, std::size_t readable, const std::string& source) {
  return ReadLottie(
      std::make_shared<const JsonDocument>(JsonDocument::Parse(text, readable, source)), source);
}

LottieFile ReadLottie(std::shared_ptr<const JsonDocument> doc, const std::string& source) {
  const JsonValue root = doc->Root();
  try {
    if (!root.IsObject() || !root.Get("layers") || !root.Get("fr")) {
      throw LottieError("not a Lottie file (no \"layers\" and \"fr\" at the top level)");
    }
    LottieFile file;
    file.document = std::move(doc);
    const JsonValue rate = root.Get("fr");
    if (!rate.IsNumber() || !(rate.Number() > 0)) {
      throw LottieError("fr: the frame rate must be a number above 0");
    }
    file.frameRate = rate.Number();
    file.main = ReadComposition(root.Get("layers"), "layers");
    file.main.name = StringOf(root.Get("nm"));
    file.main.width = ReadSize(root.Get("w"), "w");
    file.main.height = ReadSize(root.Get("h"), "h");
    file.main.firstFrame = root.Get("ip").IsNumber() ? root.Get("ip").Number() : 0.0;
    const std::vector<JsonValue> assets = root.Get("assets").Elements();
    for (std::size_t n = 0; n < assets.size(); ++n) {
      if (!assets[n].IsObject() || !assets[n].Get("layers")) continue;  // images, fonts
      const std::string where = "assets[" + std::to_string(n) + "]";
      Composition comp = ReadComposition(assets[n].Get("layers"), where + ".layers");
      comp.id = StringOf(assets[n].Get("id"));
      comp.name = StringOf(assets[n].Get("nm"));
      SizePrecomposition(comp, assets[n], root, where);
      file.precompositions.push_back(std::move(comp));
    }
    return file;
  } catch (const LottieError& error) {
    throw LottieError(source + ": " + error.what());
  }
}

}  // namespace tarnwick::lottie
