#include "export/SelectionReader.h"

namespace tarnwick {

namespace {

constexpr HostBoolean kPreExpression = 1;

}  // namespace

HostError SelectionReader::ReadSelection(CompHandle comp, Selection& selection) {
  if (comp == nullptr) {
    return 0;
  }
  const ::CompSuite18* comps = suites_.CompSuite18();
  if (const HostError error =
          comps->AEGP_GetNewCollectionFromCompSelection(plugin_, comp, &selection.collection)) {
    return error;
  }
  if (selection.collection == nullptr) {
    return 0;
  }
  if (const HostError error = suites_.CollectionSuite2()->AEGP_GetCollectionNumItems(
          selection.collection, &selection.itemCount)) {
    return error;
  }
  ItemHandle compItem = nullptr;
  if (const HostError error = comps->AEGP_GetItemFromComp(comp, &compItem)) {
    return error;
  }
  // Without the composition's item the frame has no size to ask for.
  if (compItem == nullptr) {
    return 0;
  }
  return suites_.ItemSuite13()->AEGP_GetItemDimensions(compItem, &selection.width,
                                                       &selection.height);
}

HostError SelectionReader::ReadMask(const Selection& selection, uint32_t index, bool& isMask,
                                    SelectedMask& mask) {
  isMask = false;
  CollectionItem item{};  // its stream handle null, as the host expects
  if (const HostError error = suites_.CollectionSuite2()->AEGP_GetCollectionItemByIndex(
          selection.collection, index, &item)) {
    return error;
  }
  mask = SelectedMask{};
  mask.layer = item.ref.mask.layer;
  if (item.kind != kCollectionItemMask || mask.layer == nullptr) {
    return 0;
  }
  MaskHandle maskHandle = nullptr;
  if (const HostError error = suites_.LayerMaskSuite6()->AEGP_GetLayerMaskByIndex(
          mask.layer, item.ref.mask.maskIndex, &maskHandle)) {
    return error;
  }
  if (maskHandle == nullptr) {
    return 0;
  }
  const ::StreamSuite7* streams = suites_.StreamSuite7();
  if (const HostError error = streams->AEGP_GetNewMaskStream(
          plugin_, maskHandle, kMaskStreamOutline, &mask.outlineStream)) {
    return error;
  }
  // An outline the host did not give has nothing to read, as a mask it did
  // not give.
  if (mask.outlineStream == nullptr) {
    return 0;
  }
  int32_t keyframes = 0;
  if (const HostError error =
          suites_.KeyframeSuite4()->AEGP_GetStreamNumKFs(mask.outlineStream, &keyframes)) {
    return error;
  }
  mask.staticOutline = keyframes == 0;
  mask.entryCount = keyframes == 0 ? 1 : (keyframes < 0 ? 0 : keyframes);
  if (const HostError error =
          suites_.LayerSuite13()->AEGP_GetLayerInPoint(mask.layer, kTimeModeLayer, &mask.inPoint)) {
    return error;
  }
  if (const HostError error = streams->AEGP_GetNewLayerStream(
          plugin_, mask.layer, kLayerStreamPosition, &mask.positionStream)) {
    return error;
  }
  if (const HostError error = streams->AEGP_GetNewLayerStream(
          plugin_, mask.layer, kLayerStreamAnchorPoint, &mask.anchorStream)) {
    return error;
  }
  isMask = true;
  return 0;
}

HostError SelectionReader::ReadPoint(StreamHandle stream, const HostTime& time, Point2& point) {
  point = {0.0, 0.0};
  if (stream == nullptr) {
    return 0;  // a stream the host did not give reads as the origin
  }
  StreamValue value{};
  if (const HostError error = suites_.StreamSuite7()->AEGP_GetNewStreamValue(
          plugin_, stream, kTimeModeLayer, &time, kPreExpression, &value)) {
    return error;
  }
  point = {value.value.point.x, value.value.point.y};
  return 0;
}

HostError SelectionReader::ReadKeyframe(const SelectedMask& mask, int32_t entry,
                                        KeyframeEntry& keyframe) {
  keyframe = KeyframeEntry{};
  // An outline without keyframes has no keyframe time to ask for.
  if (!mask.staticOutline) {
    if (const HostError error = suites_.KeyframeSuite4()->AEGP_GetKeyframeTime(
            mask.outlineStream, entry, kTimeModeLayer, &keyframe.time)) {
      return error;
    }
  }
  StreamValue outline{};
  if (const HostError error = suites_.StreamSuite7()->AEGP_GetNewStreamValue(
          plugin_, mask.outlineStream, kTimeModeLayer, &keyframe.time, kPreExpression, &outline)) {
    return error;
  }
  keyframe.outline = outline.value.maskOutline;
  if (keyframe.outline != nullptr) {
    pathData_ = suites_.PathDataSuite1();
    if (const HostError error =
            pathData_->PF_PathNumSegments(nullptr, keyframe.outline, &keyframe.segmentCount)) {
      return error;
    }
  }
  if (const HostError error = ReadPoint(mask.anchorStream, keyframe.time, keyframe.anchor)) {
    return error;
  }
  if (const HostError error = ReadPoint(mask.positionStream, keyframe.time, keyframe.position)) {
    return error;
  }
  return suites_.LayerSuite13()->AEGP_GetLayerToWorldXform(mask.layer, &keyframe.time,
                                                           &keyframe.toWorld);
}

}  // namespace tarnwick
