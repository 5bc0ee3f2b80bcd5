// Operations of the layer mask, stream, keyframe, layer and path data
// suites: what the export reads of each mask and its layer.
#include <cstring>

#include "sim/host/HostCall.h"
#include "sim/host/LayerTransform.h"
#include "sim/host/SimulatedHost.h"
#include "sim/scene/Generator.h"

namespace tarnwick::sim {

// A generated outline is made when it is first asked for and kept until
// another is: the export reads one outline's vertices in turn.
const std::vector<PathVertex>& SimulatedHost::OutlineVertices(const Object& outline) {
  const Mask& mask = MaskOf(outline);
  if (!mask.generated) return mask.keyframes[outline.keyframe].vertices;
  if (generatedFor_ != &outline) {
    OutlineGenerator(mask.generated->vertices, mask.generated->seed)
        .Keyframe(static_cast<int32_t>(outline.keyframe), generated_);
    generatedFor_ = &outline;
  }
  return generated_;
}

const Matrix4& SimulatedHost::LayerToWorld(const Object& layer, const HostTime& time) {
  if (toWorldFor_ != &layer || toWorldTime_.value != time.value ||
      toWorldTime_.scale != time.scale) {
    toWorld_ = sim::LayerToWorld(scene_.items[layer.item].layers, layer.layer, time);
    toWorldFor_ = &layer;
    toWorldTime_ = time;
  }
  return toWorld_;
}

HostError SimulatedHost::AEGP_GetLayerMaskByIndex(LayerHandle layer, uint32_t index,
                                                  MaskHandle* mask) {
  const Operation op = Operation::AEGP_GetLayerMaskByIndex;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(layer, Kind::kLayer, op, "layer");
    if (object == nullptr || !CheckOut(mask, op, "mask pointer")) return kViolationError;
    const LayerObjects& objects = items_[object->item].layers[object->layer];
    if (index >= objects.masks.size()) return kHostRefusal;
    *mask = TakeNull() ? nullptr : reinterpret_cast<MaskHandle>(objects.masks[index]);
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetNewLayerStream(PluginId plugin, LayerHandle layer, int32_t which,
                                                StreamHandle* stream) {
  const Operation op = Operation::AEGP_GetNewLayerStream;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(layer, Kind::kLayer, op, "layer");
    if (!CheckPlugin(plugin, op) || object == nullptr || !CheckOut(stream, op, "stream pointer")) {
      return kViolationError;
    }
    const LayerObjects& objects = items_[object->item].layers[object->layer];
    if (which == kLayerStreamAnchorPoint) {
      *stream = Fresh<StreamHandle>(objects.anchorStream);
    } else if (which == kLayerStreamPosition) {
      *stream = Fresh<StreamHandle>(objects.positionStream);
    } else {
      return kHostRefusal;
    }
    if (TakeNull()) *stream = nullptr;
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetNewMaskStream(PluginId plugin, MaskHandle mask, int32_t which,
                                               StreamHandle* stream) {
  const Operation op = Operation::AEGP_GetNewMaskStream;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(mask, Kind::kMask, op, "mask");
    if (!CheckPlugin(plugin, op) || object == nullptr || !CheckOut(stream, op, "stream pointer")) {
      return kViolationError;
    }
    if (which != kMaskStreamOutline) return kHostRefusal;
    *stream = Fresh<StreamHandle>(
        items_[object->item].layers[object->layer].outlineStreams[object->mask]);
    if (TakeNull()) *stream = nullptr;
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetNewStreamValue(PluginId plugin, StreamHandle stream,
                                                int32_t timeMode, const HostTime* time, HostBoolean,
                                                StreamValue* value) {
  const Operation op = Operation::AEGP_GetNewStreamValue;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(stream, Kind::kStream, op, "stream");
    if (!CheckPlugin(plugin, op) || object == nullptr || !CheckTime(time, op) ||
        !CheckOut(value, op, "value pointer")) {
      return kViolationError;
    }
    if (timeMode != kTimeModeLayer) return kHostRefusal;
    const Layer& layer = LayerOf(*object);
    if (object->stream == StreamKind::kOutline) {
      const Mask& mask = MaskOf(*object);
      if (mask.keyframes.empty()) return kHostRefusal;
      const auto& keys = mask.keyframes;
      const std::size_t best = EntryInForce(
          keys.size(), [&](std::size_t k) { return keys[k].time; }, *time);
      *value = StreamValue{};
      value->value.maskOutline = Fresh<MaskOutlineHandle>(
          items_[object->item].layers[object->layer].outlines[object->mask][best]);
      if (TakeNull()) value->value.maskOutline = nullptr;
    } else {
      const Point& point = ValueAt(
          object->stream == StreamKind::kAnchorPoint ? layer.anchorPoint : layer.position, *time);
      *value = StreamValue{};
      value->value.point = HostPoint3{point.x, point.y, 0.0};
      ++objectsObtained_;  // a value of its own, though it holds no handle
    }
    value->stream = stream;
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetStreamNumKFs(StreamHandle stream, int32_t* count) {
  const Operation op = Operation::AEGP_GetStreamNumKFs;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(stream, Kind::kStream, op, "stream");
    if (object == nullptr || !CheckOut(count, op, "count pointer")) return kViolationError;
    if (object->stream != StreamKind::kOutline) {
      *count = 0;
      return 0;
    }
    const Mask& mask = MaskOf(*object);
    *count = mask.reportedKeyframeCount.value_or(
        mask.isStatic ? 0 : static_cast<int32_t>(mask.keyframes.size()));
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetKeyframeTime(StreamHandle stream, int32_t index, int32_t timeMode,
                                              HostTime* time) {
  const Operation op = Operation::AEGP_GetKeyframeTime;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(stream, Kind::kStream, op, "stream");
    if (object == nullptr || !CheckOut(time, op, "time pointer")) return kViolationError;
    if (timeMode != kTimeModeLayer || object->stream != StreamKind::kOutline) return kHostRefusal;
    const Mask& mask = MaskOf(*object);
    if (mask.isStatic || index < 0 || static_cast<std::size_t>(index) >= mask.keyframes.size()) {
      return kHostRefusal;
    }
    *time = mask.keyframes[static_cast<std::size_t>(index)].time;
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetLayerInPoint(LayerHandle layer, int32_t timeMode,
                                              HostTime* inPoint) {
  const Operation op = Operation::AEGP_GetLayerInPoint;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(layer, Kind::kLayer, op, "layer");
    if (object == nullptr || !CheckOut(inPoint, op, "time pointer")) return kViolationError;
    if (timeMode != kTimeModeLayer) return kHostRefusal;
    *inPoint = LayerOf(*object).inPoint;
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetLayerToWorldXform(LayerHandle layer, const HostTime* time,
                                                   Matrix4* transform) {
  const Operation op = Operation::AEGP_GetLayerToWorldXform;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(layer, Kind::kLayer, op, "layer");
    if (object == nullptr || !CheckTime(time, op) || !CheckOut(transform, op, "matrix pointer")) {
      return kViolationError;
    }
    *transform = LayerToWorld(*object, *time);
    return 0;
  });
}

HostError SimulatedHost::PF_PathNumSegments(EffectRef effect, MaskOutlineHandle outline,
                                            int32_t* count) {
  const Operation op = Operation::PF_PathNumSegments;
  return Serve(op, [&]() -> HostError {
    if (effect != nullptr) return Violation(op, "effect reference must be null");
    const Object* object = Check(outline, Kind::kOutline, op, "outline");
    if (object == nullptr || !CheckOut(count, op, "count pointer")) return kViolationError;
    *count = static_cast<int32_t>(MaskOf(*object).VertexCount(object->keyframe));
    return 0;
  });
}

HostError SimulatedHost::PF_PathVertexInfo(EffectRef effect, MaskOutlineHandle outline,
                                           int32_t index, PathVertex* vertex) {
  const Operation op = Operation::PF_PathVertexInfo;
  return Serve(op, [&]() -> HostError {
    if (effect != nullptr) return Violation(op, "effect reference must be null");
    const Object* object = Check(outline, Kind::kOutline, op, "outline");
    if (object == nullptr || !CheckOut(vertex, op, "vertex pointer")) return kViolationError;
    const std::vector<PathVertex>& vertices = OutlineVertices(*object);
    if (index < 0 || static_cast<std::size_t>(index) >= vertices.size()) return kHostRefusal;
    *vertex = vertices[static_cast<std::size_t>(index)];
    return 0;
  });
}

}  // namespace tarnwick::sim
