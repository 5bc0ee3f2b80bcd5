// Operations of the item, comp and collection suites: the active item, the
// composition and its selection.
#include <cstring>

#include "sim/host/HostCall.h"
#include "sim/host/SimulatedHost.h"

namespace tarnwick::sim {

HostError SimulatedHost::AEGP_GetActiveItem(ItemHandle* item) {
  const Operation op = Operation::AEGP_GetActiveItem;
  return Serve(op, [&]() -> HostError {
    if (!CheckOut(item, op, "item pointer")) return kViolationError;
    *item =
        scene_.activeItem ? reinterpret_cast<ItemHandle>(items_[*scene_.activeItem].item) : nullptr;
    if (TakeNull()) *item = nullptr;
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetItemType(ItemHandle item, int16_t* type) {
  const Operation op = Operation::AEGP_GetItemType;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(item, Kind::kItem, op, "item");
    if (object == nullptr || !CheckOut(type, op, "type pointer")) return kViolationError;
    *type = scene_.items[object->item].type;
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetItemName(ItemHandle item, char* name) {
  const Operation op = Operation::AEGP_GetItemName;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(item, Kind::kItem, op, "item");
    if (object == nullptr || !CheckOut(name, op, "name buffer")) return kViolationError;
    const std::string& full = scene_.items[object->item].name;
    const std::size_t length = std::min<std::size_t>(full.size(), kItemNameLength - 1);
    std::memcpy(name, full.data(), length);
    name[length] = '\0';
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetItemDimensions(ItemHandle item, int32_t* width, int32_t* height) {
  const Operation op = Operation::AEGP_GetItemDimensions;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(item, Kind::kItem, op, "item");
    if (object == nullptr || !CheckOut(width, op, "width pointer") ||
        !CheckOut(height, op, "height pointer")) {
      return kViolationError;
    }
    *width = scene_.items[object->item].width;
    *height = scene_.items[object->item].height;
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetCompFromItem(ItemHandle item, CompHandle* comp) {
  const Operation op = Operation::AEGP_GetCompFromItem;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(item, Kind::kItem, op, "item");
    if (object == nullptr || !CheckOut(comp, op, "comp pointer")) return kViolationError;
    *comp = TakeNull() ? nullptr : reinterpret_cast<CompHandle>(items_[object->item].comp);
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetItemFromComp(CompHandle comp, ItemHandle* item) {
  const Operation op = Operation::AEGP_GetItemFromComp;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(comp, Kind::kComp, op, "comp");
    if (object == nullptr || !CheckOut(item, op, "item pointer")) return kViolationError;
    *item = TakeNull() ? nullptr : reinterpret_cast<ItemHandle>(items_[object->item].item);
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetNewCollectionFromCompSelection(PluginId plugin, CompHandle comp,
                                                                CollectionHandle* collection) {
  const Operation op = Operation::AEGP_GetNewCollectionFromCompSelection;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(comp, Kind::kComp, op, "comp");
    if (!CheckPlugin(plugin, op) || object == nullptr ||
        !CheckOut(collection, op, "collection pointer")) {
      return kViolationError;
    }
    const bool hasSelection = scene_.items[object->item].selection.has_value();
    *collection = hasSelection ? Fresh<CollectionHandle>(items_[object->item].collection) : nullptr;
    if (TakeNull()) *collection = nullptr;
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetCollectionNumItems(CollectionHandle collection, uint32_t* count) {
  const Operation op = Operation::AEGP_GetCollectionNumItems;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(collection, Kind::kCollection, op, "collection");
    if (object == nullptr || !CheckOut(count, op, "count pointer")) return kViolationError;
    *count = static_cast<uint32_t>(scene_.items[object->item].selection->size());
    return 0;
  });
}

HostError SimulatedHost::AEGP_GetCollectionItemByIndex(CollectionHandle collection, uint32_t index,
                                                       CollectionItem* item) {
  const Operation op = Operation::AEGP_GetCollectionItemByIndex;
  return Serve(op, [&]() -> HostError {
    const Object* object = Check(collection, Kind::kCollection, op, "collection");
    if (object == nullptr || !CheckOut(item, op, "item pointer")) return kViolationError;
    const std::vector<SelectionEntry>& selection = *scene_.items[object->item].selection;
    if (index >= selection.size()) return kHostRefusal;
    const SelectionEntry& entry = selection[index];
    const ItemObjects& objects = items_[object->item];
    CollectionItem result{};
    result.kind = entry.kind;
    const LayerHandle layer =
        TakeNull() ? nullptr
                   : reinterpret_cast<LayerHandle>(
                         objects.layers[static_cast<std::size_t>(entry.layer)].layer);
    if (entry.kind == kCollectionItemMask) {
      result.ref.mask.layer = layer;
      result.ref.mask.maskIndex = entry.mask;
    } else {
      result.ref.layer.layer = layer;
    }
    result.stream = nullptr;
    *item = result;
    return 0;
  });
}

}  // namespace tarnwick::sim
