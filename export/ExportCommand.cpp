#include "export/ExportCommand.h"

#include <cstdint>

#include "export/ClipboardWriter.h"
#include "export/ExportWriter.h"
#include "export/SelectionReader.h"
#include "platform/Win32.h"

namespace tarnwick {

namespace {

// Closes the undo group this run opened on every way out of the export: on
// the normal way with the host's answer, and while an exception leaves.
class UndoGroupScope {
 public:
  explicit UndoGroupScope(SuiteHandler& suites) : suites_(suites) {}
  UndoGroupScope(const UndoGroupScope&) = delete;
  UndoGroupScope& operator=(const UndoGroupScope&) = delete;

  // Closing is best effort when an exception is already on its way out.
  ~UndoGroupScope() {
    if (open_) {
      try {
        (void)suites_.UtilitySuite7()->AEGP_EndUndoGroup();
      } catch (...) {  // GCOVR_EXCL_LINE: only a host that refuses a suite it gave before
      }
    }
  }

  // The normal way out: closes the group and gives the host's answer.
  HostError Close() {
    open_ = false;
    return suites_.UtilitySuite7()->AEGP_EndUndoGroup();
  }

 private:
  SuiteHandler& suites_;
  bool open_ = true;
};

// One keyframe entry: its head, a point line per vertex, its tail.
HostError ExportKeyframe(SelectionReader& reader, ExportWriter& writer, const SelectedMask& mask,
                         int32_t entry) {
  KeyframeEntry keyframe;
  if (const HostError error = reader.ReadKeyframe(mask, entry, keyframe)) {
    return error;
  }
  writer.BeginKeyframe(entry, keyframe);
  PathVertex vertex{};
  for (int32_t k = 0; k < keyframe.segmentCount; ++k) {
    if (const HostError error = reader.ReadVertex(keyframe, k, vertex)) {
      return error;
    }
    writer.Point(vertex, k == keyframe.segmentCount - 1);
  }
  writer.EndKeyframe(entry);
  return 0;
}

// Every collection item that is a mask, as one tool each.
HostError ExportMasks(SelectionReader& reader, ExportWriter& writer, const Selection& selection) {
  for (uint32_t i = 0; i < selection.itemCount; ++i) {
    bool isMask = false;
    SelectedMask mask;
    if (const HostError error = reader.ReadMask(selection, i, isMask, mask)) {
      return error;
    }
    if (!isMask) {
      continue;  // the index still counts for tool names and separators
    }
    writer.BeginMask(i, mask);
    for (int32_t j = 0; j < mask.entryCount; ++j) {
      if (const HostError error = ExportKeyframe(reader, writer, mask, j)) {
        return error;
      }
    }
    writer.EndMask(i);
  }
  return 0;
}

// An export with no mask in it would only cost the user what the clipboard
// held; they are told instead, and the host's answer is the result.
HostError ReportNothingToExport(SuiteHandler& suites, const ExportContext& context) {
  return suites.UtilitySuite7()->AEGP_ReportInfo(context.pluginId, kNothingToExportMessage);
}

// Everything after the lookup, up to and including the hand-over. The first
// failure ends it with its code; the clipboard is then not touched, since a
// text cut short or built on values the host did not give is worth less than
// what the user had there.
HostError BuildAndHandOver(SuiteHandler& suites, const ExportContext& context, CompHandle comp) {
  SelectionReader reader(suites, context.pluginId);
  Selection selection;
  if (const HostError error = reader.ReadSelection(comp, selection)) {
    return error;
  }
  if (selection.collection == nullptr) {
    return ReportNothingToExport(suites, context);
  }
  // A negative size is as empty a frame as a zero one.
  if (selection.width <= 0 || selection.height <= 0) {
    return kEmptyFrameError;
  }
  const HWND owner = GetDesktopWindow();
  // The text is written straight into the block the clipboard takes; a block
  // the system gives but will not let be written is the clipboard failing.
  try {
    ExportWriter writer(selection);
    if (const HostError error = ExportMasks(reader, writer, selection)) {
      return error;
    }
    if (!writer.WroteMask()) {
      return ReportNothingToExport(suites, context);
    }
    return ClipboardWriter(owner, writer.Finish()) ? kNoError : kClipboardFailedError;
  } catch (const TextBlockUnavailable&) {
    return kClipboardFailedError;
  }
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
  CompHandle comp = nullptr;
  ItemHandle activeItem = nullptr;
  const HostError lookup = LookUpActiveComp(context, comp, activeItem);
  if (lookup != 0) {
    return lookup;  // opening the group is its last step: there is none to close
  }
  UndoGroupScope undoGroup(suites);
  const HostError result = BuildAndHandOver(suites, context, comp);
  const HostError closeError = undoGroup.Close();
  return result != 0 ? result : closeError;
}

}  // namespace tarnwick
