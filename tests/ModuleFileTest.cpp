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

#include "sim/session/ModuleLoader.h"
#include "sim/validate/checks/PeImage.h"

namespace {

using tarnwick::sim::Bytes;
using tarnwick::sim::PeImage;
using tarnwick::sim::Resource;

std::string gModuleDir;

// The module's resource of a type, or none.
std::optional<Resource> ResourceOfType(const std::string& path, const std::string& type) {
  return tarnwick::sim::ResourceOfType(PeImage(path), type);
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
      {"/tests/modules/absent.aex", "absent.aex: no such module file"},
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
