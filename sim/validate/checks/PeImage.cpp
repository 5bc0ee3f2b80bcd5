#include "sim/validate/checks/PeImage.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

namespace tarnwick::sim {

PeImage::PeImage(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PeError("cannot read " + path);
  bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  const uint32_t pe = U32(0x3C);
  if (U32(pe) != 0x00004550) throw PeError(path + ": no PE signature");
  machine_ = U16(pe + 4);
  const uint16_t sections = U16(pe + 6);
  // Long section names live in the COFF string table after the symbols.
  stringTable_ = U32(pe + 8 + 4) + U32(pe + 8 + 8) * 18;
  const uint16_t optionalSize = U16(pe + 20);
  characteristics_ = U16(pe + 22);
  const uint32_t optional = pe + 24;
  magic_ = U16(optional);
  directories_ = optional + 112;  // PE32+ data directories
  sectionTable_ = optional + optionalSize;
  sectionCount_ = sections;
}

std::vector<std::string> PeImage::SectionNames() const {
  std::vector<std::string> names;
  for (uint32_t i = 0; i < sectionCount_; ++i) {
    const Bytes raw = Slice(sectionTable_ + 40 * i, 8);
    std::string name(raw.begin(), std::find(raw.begin(), raw.end(), 0));
    if (!name.empty() && name[0] == '/') {
      name = CString(stringTable_ + static_cast<uint32_t>(std::stoul(name.substr(1))));
    }
    names.push_back(name);
  }
  return names;
}

uint32_t PeImage::Offset(uint32_t rva) const {
  for (uint32_t i = 0; i < sectionCount_; ++i) {
    const uint32_t s = sectionTable_ + 40 * i;
    const uint32_t virtualSize = U32(s + 8);
    const uint32_t address = U32(s + 12);
    const uint32_t rawSize = U32(s + 16);
    if (rva >= address && rva - address < std::max(virtualSize, rawSize)) {
      return rva - address + U32(s + 20);
    }
  }
  throw PeError("address outside every section");
}

uint16_t PeImage::U16(uint32_t at) const {
  Need(at, 2);
  return static_cast<uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
}

uint32_t PeImage::U32(uint32_t at) const {
  Need(at, 4);
  return static_cast<uint32_t>(bytes_[at]) | static_cast<uint32_t>(bytes_[at + 1]) << 8 |
         static_cast<uint32_t>(bytes_[at + 2]) << 16 | static_cast<uint32_t>(bytes_[at + 3]) << 24;
}

std::string PeImage::CString(uint32_t at) const {
  std::string s;
  while (at < bytes_.size() && bytes_[at] != 0) s += static_cast<char>(bytes_[at++]);
  return s;
}

Bytes PeImage::Slice(uint32_t at, uint32_t size) const {
  Need(at, size);
  return Bytes(bytes_.begin() + at, bytes_.begin() + at + size);
}

void PeImage::Need(uint32_t at, uint32_t size) const {
  if (static_cast<uint64_t>(at) + size > bytes_.size()) throw PeError("truncated");
}

PeExports Exports(const PeImage& pe) {
  PeExports exports;
  if (pe.DirectoryRva(0) == 0) return exports;
  const uint32_t directory = pe.Offset(pe.DirectoryRva(0));
  exports.moduleName = pe.CString(pe.Offset(pe.U32(directory + 12)));
  exports.ordinalBase = pe.U32(directory + 16);
  exports.functions = pe.U32(directory + 20);
  const uint32_t count = pe.U32(directory + 24);
  const uint32_t names = pe.U32(directory + 32);
  const uint32_t ordinals = pe.U32(directory + 36);
  for (uint32_t i = 0; i < count && i < 4096; ++i) {
    exports.named.push_back({pe.CString(pe.Offset(pe.U32(pe.Offset(names) + 4 * i))),
                             exports.ordinalBase + pe.U16(pe.Offset(ordinals) + 2 * i)});
  }
  return exports;
}

std::vector<Resource> Resources(const PeImage& pe) {
  std::vector<Resource> found;
  const uint32_t rootRva = pe.DirectoryRva(2);
  if (rootRva == 0) return found;
  const uint32_t root = pe.Offset(rootRva);
  const auto entries = [&](uint32_t dir) {
    std::vector<std::pair<uint32_t, uint32_t>> list;
    const uint32_t count = pe.U16(dir + 12) + pe.U16(dir + 14);
    for (uint32_t i = 0; i < count && i < 4096; ++i) {
      list.emplace_back(pe.U32(dir + 16 + 8 * i), pe.U32(dir + 20 + 8 * i));
    }
    return list;
  };
  const auto name = [&](uint32_t nameField) {
    if ((nameField & 0x80000000u) == 0) return "#" + std::to_string(nameField);
    const uint32_t at = root + (nameField & 0x7FFFFFFFu);
    std::string text;
    for (uint32_t i = 0; i < pe.U16(at); ++i) text += static_cast<char>(pe.U16(at + 2 + 2 * i));
    return text;
  };
  for (const auto& [typeName, typeDir] : entries(root)) {
    for (const auto& [idName, idDir] : entries(root + (typeDir & 0x7FFFFFFFu))) {
      for (const auto& [language, dataEntry] : entries(root + (idDir & 0x7FFFFFFFu))) {
        const uint32_t entry = root + dataEntry;
        const uint32_t size = pe.U32(entry + 4);
        found.push_back({name(typeName), idName, language, pe.U32(entry + 8),
                         pe.Slice(pe.Offset(pe.U32(entry)), size)});
      }
    }
  }
  return found;
}

std::optional<Resource> ResourceOfType(const PeImage& pe, const std::string& type) {
  for (Resource& resource : Resources(pe)) {
    if (resource.type == type) return std::move(resource);
  }
  return std::nullopt;
}

}  // namespace tarnwick::sim
