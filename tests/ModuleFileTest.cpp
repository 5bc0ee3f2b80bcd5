// The built rask9_Tarnwick.aex read as a file: its export directory, imports,
// property list and manifest; then loaded the way the host loads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "sim/program/ModuleLoader.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string gModuleDir;

// A small reader of 64-bit PE images, enough for the checks below.
class PeImage {
 public:
  explicit PeImage(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const uint32_t pe = U32(0x3C);
    if (U32(pe) != 0x00004550) throw std::runtime_error("no PE signature");
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

  uint16_t machine() const { return machine_; }
  uint16_t magic() const { return magic_; }
  bool isDll() const { return (characteristics_ & 0x2000) != 0; }

  uint32_t DirectoryRva(int index) const { return U32(directories_ + 8u * index); }

  std::vector<std::string> SectionNames() const {
    std::vector<std::string> names;
    for (uint32_t i = 0; i < sectionCount_; ++i) {
      const Bytes raw = Slice(sectionTable_ + 40 * i, 8);
      std::string name(raw.begin(), std::find(raw.begin(), raw.end(), 0));
      if (!name.empty() && name[0] == '/')
        name = CString(stringTable_ + std::stoul(name.substr(1)));
      names.push_back(name);
    }
    return names;
  }

  uint32_t Offset(uint32_t rva) const {
    for (uint32_t i = 0; i < sectionCount_; ++i) {
      const uint32_t s = sectionTable_ + 40 * i;
      const uint32_t virtualSize = U32(s + 8);
      const uint32_t address = U32(s + 12);
      const uint32_t rawSize = U32(s + 16);
      if (rva >= address && rva < address + std::max(virtualSize, rawSize)) {
        return rva - address + U32(s + 20);
      }
    }
    throw std::runtime_error("address outside every section");
  }

  uint16_t U16(uint32_t at) const {
    Need(at, 2);
    return static_cast<uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
  }
  uint32_t U32(uint32_t at) const {
    Need(at, 4);
    return static_cast<uint32_t>(bytes_[at]) | static_cast<uint32_t>(bytes_[at + 1]) << 8 |
           static_cast<uint32_t>(bytes_[at + 2]) << 16 |
           static_cast<uint32_t>(bytes_[at + 3]) << 24;
  }
  std::string CString(uint32_t at) const {
    std::string s;
    while (at < bytes_.size() && bytes_[at] != 0) s += static_cast<char>(bytes_[at++]);
    return s;
  }
  Bytes Slice(uint32_t at, uint32_t size) const {
    Need(at, size);
    return Bytes(bytes_.begin() + at, bytes_.begin() + at + size);
  }

 private:
  void Need(uint32_t at, uint32_t size) const {
    if (static_cast<uint64_t>(at) + size > bytes_.size()) throw std::runtime_error("truncated");
  }
  Bytes bytes_;
  uint16_t machine_ = 0;
  uint16_t magic_ = 0;
  uint16_t characteristics_ = 0;
  uint32_t directories_ = 0;
  uint32_t sectionTable_ = 0;
  uint32_t sectionCount_ = 0;
  uint32_t stringTable_ = 0;
};

struct Resource {
  std::string type;  // a name, or "#" and the number
  uint32_t id;
  uint32_t language;
  uint32_t codePage;
  Bytes data;
};

// Walks the three levels of the resource tree: type, id, language.
std::vector<Resource> Resources(const PeImage& pe) {
  std::vector<Resource> found;
  const uint32_t rootRva = pe.DirectoryRva(2);
  if (rootRva == 0) return found;
  const uint32_t root = pe.Offset(rootRva);
  const auto entries = [&](uint32_t dir) {
    std::vector<std::pair<uint32_t, uint32_t>> list;
    const uint32_t count = pe.U16(dir + 12) + pe.U16(dir + 14);
    for (uint32_t i = 0; i < count; ++i) {
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

// The module's resource of a type, or none.
std::optional<Resource> ResourceOfType(const std::string& path, const std::string& type) {
  for (Resource& resource : Resources(PeImage(path))) {
    if (resource.type == type) return std::move(resource);
  }
  return std::nullopt;
}

std::string ModulePath() {
  return gModuleDir + "/plugin/rask9_Tarnwick.aex";
}

// The module as linked, and as `cmake --install` puts it where a user gets it.
std::string InstalledModulePath() {
  return gModuleDir + "/installed/Plug-ins/rask9_Tarnwick.aex";
}

std::vector<std::string> ModulePaths() {
  return {ModulePath(), InstalledModulePath()};
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

TEST(ModuleFile, ExportsOnlyItsEntryPointUnderItsOwnName) {
  for (const std::string& path : ModulePaths()) {
    SCOPED_TRACE(path);
    const PeImage pe(path);
    EXPECT_EQ(pe.machine(), 0x8664);
    EXPECT_EQ(pe.magic(), 0x20B);
    EXPECT_TRUE(pe.isDll());
    const uint32_t exports = pe.Offset(pe.DirectoryRva(0));
    EXPECT_EQ(pe.CString(pe.Offset(pe.U32(exports + 12))), "rask9_Tarnwick.aex");
    EXPECT_EQ(pe.U32(exports + 16), 1u);  // ordinal base
    EXPECT_EQ(pe.U32(exports + 20), 1u);  // functions
    EXPECT_EQ(pe.U32(exports + 24), 1u);  // names
    const uint32_t names = pe.Offset(pe.U32(exports + 32));
    EXPECT_EQ(pe.CString(pe.Offset(pe.U32(names))), "EntryPointFunc");
    EXPECT_EQ(pe.U16(pe.Offset(pe.U32(exports + 36))), 0);  // ordinal 1 - base
  }
}

TEST(ModuleFile, ImportsOnlySystemLibraries) {
  for (const std::string& path : ModulePaths()) {
    SCOPED_TRACE(path);
    const PeImage pe(path);
    const std::set<std::string> system = {"kernel32.dll", "user32.dll", "msvcrt.dll",
                                          "advapi32.dll"};
    uint32_t descriptor = pe.Offset(pe.DirectoryRva(1));
    int count = 0;
    for (; pe.U32(descriptor + 12) != 0; descriptor += 20, ++count) {
      const std::string dll = Lower(pe.CString(pe.Offset(pe.U32(descriptor + 12))));
      EXPECT_TRUE(system.count(dll) == 1 || dll.rfind("api-ms-win-", 0) == 0) << dll;
    }
    EXPECT_GT(count, 0);
  }
}

TEST(ModuleFile, PropertyListByteForByte) {
  for (const std::string& path : ModulePaths()) {
    SCOPED_TRACE(path);
    const std::optional<Resource> pipl = ResourceOfType(path, "PIPL");
    ASSERT_TRUE(pipl.has_value());
    EXPECT_EQ(pipl->id, 16000u);
    EXPECT_EQ(pipl->language, 1033u);
    EXPECT_EQ(pipl->codePage, 0u);
    ASSERT_EQ(pipl->data.size(), 142u);
    const Bytes& b = pipl->data;
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 10), (Bytes{1, 0, 0, 0, 0, 0, 5, 0, 0, 0}));
    const std::string text(b.begin(), b.end());
    const struct {
      std::size_t offset;
      const char* key;
      uint32_t length;
    } properties[] = {
        {10, "dnik", 4}, {30, "eman", 12}, {58, "gtac", 16}, {90, "srev", 4}, {110, "4668", 16}};
    for (const auto& p : properties) {
      EXPECT_EQ(text.substr(p.offset, 4), "MIB8") << p.key;
      EXPECT_EQ(text.substr(p.offset + 4, 4), p.key);
      EXPECT_EQ(text.substr(p.offset + 8, 4), std::string(4, '\0')) << p.key;
      EXPECT_EQ(b[p.offset + 12], p.length) << p.key;
    }
    EXPECT_EQ(text.substr(26, 4), "xgEA");
    EXPECT_EQ(text.substr(46, 12), "\x0bTame_Badger");
    EXPECT_EQ(text.substr(74, 16), std::string("\x0eGeneral Plugin\0", 16));
    EXPECT_EQ(Bytes(b.begin() + 106, b.begin() + 110), (Bytes{0, 0, 3, 0}));
    EXPECT_EQ(text.substr(126, 16), std::string("EntryPointFunc\0\0", 16));
  }
}

TEST(ModuleFile, ManifestAsksToRunAsInvoker) {
  for (const std::string& path : ModulePaths()) {
    SCOPED_TRACE(path);
    const std::optional<Resource> manifest = ResourceOfType(path, "#24");
    ASSERT_TRUE(manifest.has_value());
    EXPECT_EQ(manifest->id, 2u);
    EXPECT_EQ(manifest->language, 1033u);
    const std::string xml(manifest->data.begin(), manifest->data.end());
    EXPECT_NE(xml.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(xml.find("uiAccess=\"false\""), std::string::npos);
  }
}

TEST(ModuleFile, InstalledModuleCarriesNoDebugInformation) {
  const PeImage linked(ModulePath());
  const PeImage installed(InstalledModulePath());
  const auto debug = [](const std::string& name) { return name.rfind(".debug", 0) == 0; };
  const std::vector<std::string> linkedSections = linked.SectionNames();
  EXPECT_TRUE(std::any_of(linkedSections.begin(), linkedSections.end(), debug));
  for (const std::string& name : installed.SectionNames()) EXPECT_FALSE(debug(name)) << name;
  EXPECT_TRUE(std::filesystem::exists(ModulePath() + ".debug"));
}

TEST(ModuleLoader, LoadsTheModuleAndRefusesOthersClearly) {
  for (const std::string& path : ModulePaths()) {
    EXPECT_NE(tarnwick::sim::LoadModule(path), nullptr) << path;
  }
  const struct {
    const char* file;
    const char* message;
  } refused[] = {
      {"/tests/modules/fake_without_pipl.aex", "has no readable PIPL resource"},
      {"/tests/modules/fake_effect_kind.aex", "is of kind \"eFKT\", not a general plug-in"},
      {"/tests/modules/fake_without_export.aex", "does not export its entry point EntryPointFunc"},
      {"/tests/modules/absent.aex", "cannot be loaded as a module"},
  };
  for (const auto& r : refused) {
    std::string message;
    try {
      tarnwick::sim::LoadModule(gModuleDir + r.file);
    } catch (const tarnwick::sim::ModuleError& error) {
      message = error.what();
    }
    EXPECT_NE(message.find(r.message), std::string::npos) << r.file << ": " << message;
  }
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: module_file_test BUILD_DIR\n");
    return 2;
  }
  gModuleDir = argv[1];
  return RUN_ALL_TESTS();
}
