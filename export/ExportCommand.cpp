#include "export/ExportCommand.h"

#include <algorithm>
#include <cstdint>

#include "export/ClipboardWriter.h"
#include "export/SettingsText.h"
#include "export/VertexConversion.h"
#include "platform/Win32.h"

namespace tarnwick {

namespace {

constexpr HostTime kTimeZero{0, 1};

Matrix4 Identity() {
  Matrix4 m{};
  for (int i = 0; i < 4; ++i) {
    m.m[i][i] = 1.0;
  }
  return m;
}

// Frame number of a keyframe: each time value divided by 1000 on its own,
// truncated toward zero. Neither quotient exceeds 2147483 in magnitude, so the
// sum cannot overflow.
int32_t FrameNumber(const HostTime& inPoint, const HostTime& keyframeTime) {
  return inPoint.value / 1000 + keyframeTime.value / 1000;
}

// Fusion keys a polyline's keyframes by frame number, so two keyframes on one
// frame would leave only one after the paste. A keyframe whose frame is not
// after the previous keyframe's takes the frame after it, held at the largest
// number the text can print.
int32_t DistinctFrameNumber(int32_t frame, int32_t previousFrame) {
  if (frame > previousFrame) {
    return frame;
  }
  return previousFrame == INT32_MAX ? INT32_MAX : previousFrame + 1;
}

// a * b, or the largest size_t when that overflows.
std::size_t SaturatingProduct(std::size_t a, std::size_t b) {
  if (a != 0 && b > SIZE_MAX / a) {
    return SIZE_MAX;
  }
  return a * b;
}

std::size_t SaturatingSum(std::size_t a, std::size_t b) {
  return b > SIZE_MAX - a ? SIZE_MAX : a + b;
}

// Later collection items count for at most this many times what is written.
constexpr std::size_t kLaterItemsPerWritten = 8;

// A guess at the whole text's length when a keyframe needs more room: the
// mask's keyframes still to come look like this one, and the collection's
// later items like this whole mask.
//
// Why the later items are capped at eight times what is written: each
// regrowth copies what is written into fresh memory, so the text's memory
// is touched once plus once per copy. Masks alike (the common export) reach
// the whole text at the second mask, after one copy of the first mask alone
// (with ten masks, a tenth of the text; the old cap of once what is written
// regrew at the 2nd, 3rd, 5th and 9th mask and copied about the whole text
// again). A few big masks followed by many small ones would make an
// uncapped guess reserve the big size for every small one; capped, a wrong
// guess reserves at most eight times the text written so far, memory that is
// reserved but never touched.
std::size_t ExpectedTextLength(std::size_t written, std::size_t keyframeText, int32_t keyframesLeft,
                               int32_t keyframeCount, uint32_t laterItems) {
  const std::size_t restOfMask =
      SaturatingProduct(static_cast<std::size_t>(keyframesLeft), keyframeText);
  const std::size_t laterMasks = SaturatingProduct(
      SaturatingProduct(laterItems, static_cast<std::size_t>(keyframeCount)), keyframeText);
  return SaturatingSum(SaturatingSum(written, restOfMask),
                       std::min(laterMasks, SaturatingProduct(written, kLaterItemsPerWritten)));
}

// The state of one export run. Values a skipped or failed host call does not
// fill keep what they held: their start value, or what an earlier vertex,
// keyframe or mask left.
class ExportRun {
 public:
  ExportRun(SuiteHandler& suites, const ExportContext& context)
      : suites_(suites), context_(context) {}

  // The whole export: lookup, text, hand-over, and the undo group closed.
  HostError Run();

 private:
  // Everything after the lookup, up to and including the hand-over, which
  // happens only when nothing failed before it.
  HostError BuildAndHandOver();
  HostError ReadFrameSize();

  // A guarded call runs only while nothing has failed; its code is kept.
  template <typename Call>
  void Guarded(Call call) {
    if (error_ == 0) {
      error_ = call();
    }
  }

  // An unguarded call always runs and steers nothing, but the value it failed
  // to fill is stale in the text, so its first failure becomes the result
  // when nothing else failed.
  void Unguarded(HostError result) {
    if (unguardedError_ == 0) {
      unguardedError_ = result;
    }
  }

  void ExportCollectionItem(uint32_t index);
  void ExportKeyframe(int32_t keyframeIndex, LayerHandle layer);
  void ExportVertex(int32_t vertexIndex, LayerHandle layer);

  SuiteHandler& suites_;
  const ExportContext& context_;
  HostError error_ = 0;
  HostError unguardedError_ = 0;

  CompHandle comp_ = nullptr;
  ItemHandle activeItem_ = nullptr;
  CollectionHandle collection_ = nullptr;
  uint32_t itemCount_ = 0;
  uint32_t laterItems_ = 0;  // collection items after the current one
  ItemHandle compItem_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  HWND owner_ = nullptr;
  TextBuffer text_;
  CollectionItem collectionItem_{};
  MaskHandle mask_ = nullptr;
  StreamHandle outlineStream_ = nullptr;
  int32_t keyframeCount_ = 0;
  bool staticOutline_ = false;  // no keyframes: its one entry is read at time 0
  HostTime keyframeTime_ = kTimeZero;
  int32_t previousFrame_ = 0;
  StreamValue outlineValue_{};
  int32_t segmentCount_ = 0;
  HostTime inPoint_ = kTimeZero;
  PathVertex vertex_{};
  StreamHandle positionStream_ = nullptr;
  StreamHandle anchorStream_ = nullptr;
  StreamValue anchorValue_{};
  StreamValue positionValue_{};
  Matrix4 toWorld_ = Identity();
};

// Closes the undo group exactly when this run opened it, on every way out of
// the export: the group may belong to the host or to another plug-in
// otherwise.
class UndoGroupScope {
 public:
  UndoGroupScope(SuiteHandler& suites, bool opened) : suites_(suites), open_(opened) {}
  UndoGroupScope(const UndoGroupScope&) = delete;
  UndoGroupScope& operator=(const UndoGroupScope&) = delete;

  // Closing is best effort when an exception is already on its way out.
  ~UndoGroupScope() {
    if (open_) {
      try {
        (void)suites_.UtilitySuite7()->AEGP_EndUndoGroup();
      } catch (...) {
      }
    }
  }

  // The normal way out: closes the group and gives the host's answer.
  HostError Close() {
    if (!open_) {
      return 0;
    }
    open_ = false;
    return suites_.UtilitySuite7()->AEGP_EndUndoGroup();
  }

 private:
  SuiteHandler& suites_;
  bool open_;
};

HostError ExportRun::Run() {
  error_ = LookUpActiveComp(context_, comp_, activeItem_);
  // Opening the group is the lookup's last step, so it succeeded exactly when
  // the lookup did.
  UndoGroupScope undoGroup(suites_, error_ == 0);
  HostError result = BuildAndHandOver();
  if (result == 0) {
    result = unguardedError_;
  }
  const HostError closeError = undoGroup.Close();
  return result != 0 ? result : closeError;
}

HostError ExportRun::BuildAndHandOver() {
  // A null comp (no composition active) has no selection to ask for.
  if (comp_ != nullptr) {
    Unguarded(suites_.CompSuite18()->AEGP_GetNewCollectionFromCompSelection(context_.pluginId,
                                                                            comp_, &collection_));
  }
  if (collection_ == nullptr) {
    return error_;
  }
  const ::CollectionSuite2* collections = suites_.CollectionSuite2();
  Unguarded(collections->AEGP_GetCollectionNumItems(collection_, &itemCount_));
  const HostError sizeError = ReadFrameSize();
  if (width_ == 0 || height_ == 0) {
    // A size the host failed to give is the host's failure, not a frame
    // seen to be empty.
    return sizeError != 0 ? sizeError : kEmptyFrameError;
  }
  owner_ = GetDesktopWindow();
  AppendDocumentHead(text_);
  for (uint32_t i = 0; i < itemCount_; ++i) {
    collectionItem_.stream = nullptr;
    Unguarded(collections->AEGP_GetCollectionItemByIndex(collection_, i, &collectionItem_));
    ExportCollectionItem(i);
  }
  AppendDocumentTail(text_);
  // A text built after any failure holds stale or missing geometry under
  // right-looking names: the user's clipboard is worth more than it.
  if (error_ == 0 && unguardedError_ == 0 && !ClipboardWriter(owner_, text_.View())) {
    error_ = kClipboardFailedError;
  }
  text_.Release();
  return error_;
}

// The composition's item and its width and height; the first failure of the
// two calls, or 0.
HostError ExportRun::ReadFrameSize() {
  HostError failure = suites_.CompSuite18()->AEGP_GetItemFromComp(comp_, &compItem_);
  Unguarded(failure);
  if (compItem_ != nullptr) {
    const HostError sizeError =
        suites_.ItemSuite13()->AEGP_GetItemDimensions(compItem_, &width_, &height_);
    Unguarded(sizeError);
    failure = failure != 0 ? failure : sizeError;
  }
  return failure;
}

void ExportRun::ExportCollectionItem(uint32_t index) {
  if (collectionItem_.kind != kCollectionItemMask) {
    return;  // the index still counts for tool names and separators
  }
  const LayerHandle layer = collectionItem_.ref.mask.layer;
  laterItems_ = itemCount_ - index - 1;
  mask_ = nullptr;
  if (layer != nullptr) {
    Guarded([&] {
      return suites_.LayerMaskSuite6()->AEGP_GetLayerMaskByIndex(
          layer, collectionItem_.ref.mask.maskIndex, &mask_);
    });
  }
  if (mask_ == nullptr) {
    return;
  }
  Guarded([&] {
    return suites_.StreamSuite7()->AEGP_GetNewMaskStream(context_.pluginId, mask_,
                                                         kMaskStreamOutline, &outlineStream_);
  });
  EnsureRoom(text_, kToolTextEstimate);
  AppendToolHead(text_, index, width_, height_);
  staticOutline_ = false;
  if (outlineStream_ != nullptr) {
    Unguarded(suites_.KeyframeSuite4()->AEGP_GetStreamNumKFs(outlineStream_, &keyframeCount_));
  }
  if (keyframeCount_ == 0) {
    keyframeCount_ = 1;
    staticOutline_ = true;
  }
  for (int32_t j = 0; j < keyframeCount_; ++j) {
    if (staticOutline_) {
      keyframeTime_ = kTimeZero;  // an outline without keyframes is read at time 0
    }
    ExportKeyframe(j, layer);
  }
  AppendToolTail(text_, static_cast<uint64_t>(index) + 1 >= itemCount_);
}

void ExportRun::ExportKeyframe(int32_t keyframeIndex, LayerHandle layer) {
  if (outlineStream_ != nullptr) {
    const ::KeyframeSuite4* keyframes = suites_.KeyframeSuite4();
    const HostError timeError = keyframes->AEGP_GetKeyframeTime(outlineStream_, keyframeIndex,
                                                                kTimeModeLayer, &keyframeTime_);
    // A host may refuse the time of a keyframe that an outline without
    // keyframes does not have; its entry is read at time 0 all the same.
    if (!staticOutline_) {
      Unguarded(timeError);
    }
    Unguarded(suites_.StreamSuite7()->AEGP_GetNewStreamValue(
        context_.pluginId, outlineStream_, kTimeModeLayer, &keyframeTime_, 1, &outlineValue_));
  }
  const MaskOutlineHandle outline = outlineValue_.value.maskOutline;
  if (outline != nullptr) {
    Guarded([&] {
      return suites_.PathDataSuite1()->PF_PathNumSegments(nullptr, outline, &segmentCount_);
    });
  }
  Unguarded(suites_.LayerSuite13()->AEGP_GetLayerInPoint(layer, kTimeModeLayer, &inPoint_));
  const int32_t frame = FrameNumber(inPoint_, keyframeTime_);
  previousFrame_ = keyframeIndex == 0 ? frame : DistinctFrameNumber(frame, previousFrame_);
  AppendKeyframeHead(text_, previousFrame_, keyframeIndex);
  if (segmentCount_ > 0) {
    const std::size_t keyframeText =
        static_cast<std::size_t>(segmentCount_) * kPointLineEstimate + kKeyframeTextEstimate;
    EnsureRoom(text_, keyframeText,
               ExpectedTextLength(text_.size(), keyframeText, keyframeCount_ - keyframeIndex,
                                  keyframeCount_, laterItems_));
  }
  for (int32_t k = 0; k < segmentCount_; ++k) {
    ExportVertex(k, layer);
    AppendPointLine(
        text_,
        ConvertVertex(vertex_, {anchorValue_.value.point.x, anchorValue_.value.point.y},
                      {positionValue_.value.point.x, positionValue_.value.point.y}, toWorld_,
                      static_cast<double>(width_), static_cast<double>(height_)),
        k == segmentCount_ - 1);
  }
  AppendKeyframeTail(text_, keyframeIndex == keyframeCount_ - 1);
}

// Fetches what one vertex needs: the vertex itself, the layer's position and
// anchor point at the keyframe's time, and its layer-to-world matrix.
void ExportRun::ExportVertex(int32_t vertexIndex, LayerHandle layer) {
  const MaskOutlineHandle outline = outlineValue_.value.maskOutline;
  if (outline != nullptr) {
    Unguarded(suites_.PathDataSuite1()->PF_PathVertexInfo(nullptr, outline, vertexIndex, &vertex_));
  }
  const ::StreamSuite7* streams = suites_.StreamSuite7();
  const PluginId plugin = context_.pluginId;
  Guarded([&] {
    return streams->AEGP_GetNewLayerStream(plugin, layer, kLayerStreamPosition, &positionStream_);
  });
  Guarded([&] {
    return streams->AEGP_GetNewLayerStream(plugin, layer, kLayerStreamAnchorPoint, &anchorStream_);
  });
  Guarded([&] {
    if (anchorStream_ == nullptr) {
      return HostError{0};
    }
    return streams->AEGP_GetNewStreamValue(plugin, anchorStream_, kTimeModeLayer, &keyframeTime_, 1,
                                           &anchorValue_);
  });
  Guarded([&] {
    if (positionStream_ == nullptr) {
      return HostError{0};
    }
    return streams->AEGP_GetNewStreamValue(plugin, positionStream_, kTimeModeLayer, &keyframeTime_,
                                           1, &positionValue_);
  });
  Unguarded(suites_.LayerSuite13()->AEGP_GetLayerToWorldXform(layer, &keyframeTime_, &toWorld_));
}

}  // namespace

HostError LookUpActiveComp(const ExportContext& context, CompHandle& comp, ItemHandle& activeItem) {
  SuiteHandler suites(context.basicSuite);
  const ::ItemSuite10* items = suites.ItemSuite10();
  HostError error = items->AEGP_GetActiveItem(&activeItem);
  // Without an active item there is nothing to ask about it; the undo group
  // is still opened, as for any other item.
  const bool haveItem = activeItem != nullptr;
  int16_t type = 0;
  if (error == 0 && haveItem) {
    error = items->AEGP_GetItemType(activeItem, &type);
  }
  if (error == 0 && haveItem && type == kItemTypeComposition) {
    error = suites.CompSuite9()->AEGP_GetCompFromItem(activeItem, &comp);
  }
  if (error == 0 && haveItem) {
    char name[kItemNameLength] = {};
    error = items->AEGP_GetItemName(activeItem, name);
  }
  if (error == 0) {
    error = suites.UtilitySuite7()->AEGP_StartUndoGroup(kUndoGroupName);
  }
  return error;
}

HostError ExportCommand(SuiteHandler& suites, const ExportContext& context) {
  ExportRun run(suites, context);
  return run.Run();
}

}  // namespace tarnwick
