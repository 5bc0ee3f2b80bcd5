// Operations of the layer mask, stream, keyframe, layer and path data
// suites: what the export reads of each mask and its layer.
#include <cstring>

#include "sim/Generator.h"
#include "sim/HostCall.h"
#include "sim/LayerTransform.h"
#include "sim/SimulatedHost.h"

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

HostError SimulatedHost::GetLayerMaskByIndex(LayerHandle layer, uint32_t index, MaskHandle* mask) {
  const Operation op = Operation::kGetLayerMaskByIndex;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(layer, Kind::kLayer, op, "layer");
    if (object == nullptr || !CheckOut(mask, op, "mask pointer")) return kViolationError;
    const LayerObjects& objects = items_[object->item].layers[object->layer];
    if (index >= objects.masks.size()) return kHostRefusal;
    *mask = reinterpret_cast<MaskHandle>(objects.masks[index]);
    return 0;
  });
}

HostError SimulatedHost::GetNewLayerStream(PluginId plugin, LayerHandle layer, int32_t which,
                                           StreamHandle* stream) {
  const Operation op = Operation::kGetNewLayerStream;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(layer, Kind::kLayer, op, "layer");
    if (!CheckPlugin(plugin, op) || object == nullptr || !CheckOut(stream, op, "stream pointer")) {
      return kViolationError;
    }
    const LayerObjects& objects = items_[object->item].layers[object->layer];
    if (which == kLayerStreamAnchorPoint) {
      *stream = reinterpret_cast<StreamHandle>(objects.anchorStream);
    } else if (which == kLayerStreamPosition) {
      *stream = reinterpret_cast<StreamHandle>(objects.positionStream);
    } else {
      return kHostRefusal;
    }
    return 0;
  });
}

HostError SimulatedHost::GetNewMaskStream(PluginId plugin, MaskHandle mask, int32_t which,
                                          StreamHandle* stream) {
  const Operation op = Operation::kGetNewMaskStream;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(mask, Kind::kMask, op, "mask");
    if (!CheckPlugin(plugin, op) || object == nullptr || !CheckOut(stream, op, "stream pointer")) {
      return kViolationError;
    }
    if (which != kMaskStreamOutline) return kHostRefusal;
    *stream = reinterpret_cast<StreamHandle>(
        items_[object->item].layers[object->layer].outlineStreams[object->mask]);
    return 0;
  });
}

HostError SimulatedHost::GetNewStreamValue(PluginId plugin, StreamHandle stream, int32_t timeMode,
                                           const HostTime* time, HostBoolean, StreamValue* value) {
  const Operation op = Operation::kGetNewStreamValue;
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
      value->value.maskOutline = reinterpret_cast<MaskOutlineHandle>(
          items_[object->item].layers[object->layer].outlines[object->mask][best]);
    } else {
      const Point& point = ValueAt(
          object->stream == StreamKind::kAnchorPoint ? layer.anchorPoint : layer.position, *time);
      *value = StreamValue{};
      value->value.point = HostPoint3{point.x, point.y, 0.0};
    }
    value->stream = stream;
    return 0;
  });
}

HostError SimulatedHost::GetStreamNumKFs(StreamHandle stream, int32_t* count) {
  const Operation op = Operation::kGetStreamNumKFs;
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

HostError SimulatedHost::GetKeyframeTime(StreamHandle stream, int32_t index, int32_t timeMode,
                                         HostTime* time) {
  const Operation op = Operation::kGetKeyframeTime;
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

HostError SimulatedHost::GetLayerInPoint(LayerHandle layer, int32_t timeMode, HostTime* inPoint) {
  const Operation op = Operation::kGetLayerInPoint;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(layer, Kind::kLayer, op, "layer");
    if (object == nullptr || !CheckOut(inPoint, op, "time pointer")) return kViolationError;
    if (timeMode != kTimeModeLayer) return kHostRefusal;
    *inPoint = LayerOf(*object).inPoint;
    return 0;
  });
}

HostError SimulatedHost::GetLayerToWorldXform(LayerHandle layer, const HostTime* time,
                                              Matrix4* transform) {
  const Operation op = Operation::kGetLayerToWorldXform;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(layer, Kind::kLayer, op, "layer");
    if (object == nullptr || !CheckTime(time, op) || !CheckOut(transform, op, "matrix pointer")) {
      return kViolationError;
    }
    *transform = LayerToWorld(*object, *time);
    return 0;
  });
}

HostError SimulatedHost::PathNumSegments(EffectRef effect, MaskOutlineHandle outline,
                                         int32_t* count) {
  const Operation op = Operation::kPathNumSegments;
  return Serve(op, [&]() -> HostError {
    if (effect != nullptr) return Violation(op, "effect reference must be null");
    const Object* object = Check(outline, Kind::kOutline, op, "outline");
    if (object == nullptr || !CheckOut(count, op, "count pointer")) return kViolationError;
    *count = static_cast<int32_t>(MaskOf(*object).VertexCount(object->keyframe));
    return 0;
  });
}

HostError SimulatedHost::PathVertexInfo(EffectRef effect, MaskOutlineHandle outline, int32_t index,
                                        PathVertex* vertex) {
  const Operation op = Operation::kPathVertexInfo;
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
