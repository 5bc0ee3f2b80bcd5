#include "sim/session/ModuleLoader.h"

#include <cstring>
#include <filesystem>
#include <string>

#include "sim/session/ClipboardSteps.h"
#include "tarnwick_config.h"

#ifdef _WIN32
#include "platform/Win32.h"
#endif

namespace tarnwick::sim {

namespace {

uint32_t ReadU32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Four-character codes are stored as little-endian integers: reversed bytes.
std::string FourCharCode(const unsigned char* p) {
  return std::string{static_cast<char>(p[3]), static_cast<char>(p[2]), static_cast<char>(p[1]),
                     static_cast<char>(p[0])};
}

}  // namespace

PropertyListInfo ParsePropertyList(const unsigned char* bytes, std::size_t size) {
  constexpr std::size_t kHeader = 10;
  constexpr std::size_t kPropertyHead = 16;
  if (bytes == nullptr || size < kHeader) throw ModuleError("the property list is too short");
  if (bytes[0] != 1 || bytes[1] != 0 || ReadU32(bytes + 2) != 0) {
    throw ModuleError("the property list has an unknown header");
  }
  const uint32_t count = ReadU32(bytes + 6);
  PropertyListInfo info;
  std::size_t at = kHeader;
  for (uint32_t i = 0; i < count; ++i) {
    if (size - at < kPropertyHead) throw ModuleError("the property list ends inside a property");
    const std::string vendor = FourCharCode(bytes + at);
    const std::string key = FourCharCode(bytes + at + 4);
    const uint32_t length = ReadU32(bytes + at + 12);
    const unsigned char* data = bytes + at + kPropertyHead;
    if (size - at - kPropertyHead < length) throw ModuleError("a property runs past the end");
    if (vendor == "8BIM" && key == "kind" && length >= 4) info.kind = FourCharCode(data);
    if (vendor == "8BIM" && key == "8664") {
      info.entryPoint.assign(reinterpret_cast<const char*>(data),
                             strnlen(reinterpret_cast<const char*>(data), length));
    }
    at += kPropertyHead + length;
  }
  return info;
}

std::string AbsoluteModulePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) throw ModuleError(path + ": " + error.message());
  return absolute.lexically_normal().string();
}

#ifdef _WIN32
namespace {

// The system's own words for an error code about a file, without the
// trailing line end. Its inserts are not filled by the system (they would
// read arguments nobody passed); the one a file message has, %1, is the
// file's name, its whole path being named before the message.
std::string SystemMessage(DWORD code, const std::string& file) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message =
      length != 0 && text != nullptr ? std::string(text, length) : "error " + std::to_string(code);
  if (text != nullptr) LocalFree(text);
  const std::string name = std::filesystem::path(file).filename().string();
  for (std::size_t at = message.find("%1"); at != std::string::npos;
       at = message.find("%1", at + name.size())) {
    message.replace(at, 2, name);
  }
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message + " (error " + std::to_string(code) + ")";
}

}  // namespace

EntryPointFuncType LoadModule(const std::string& given) {
  // A bare or relative name would be looked for beside this program first,
  // as Windows searches: the file named here is the one loaded.
  const std::string path = AbsoluteModulePath(given);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    throw ModuleError(path + ": no such module file");
  }
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    throw ModuleError(path +
                      ": cannot be loaded as a module: " + SystemMessage(GetLastError(), path));
  }
  char loadedFile[MAX_PATH];
  const DWORD length = GetModuleFileNameA(module, loadedFile, MAX_PATH);
  const std::string loadedPath(loadedFile, length);
  if (length == 0 || !std::filesystem::equivalent(loadedPath, path, error)) {
    throw ModuleError(path + ": the system loaded " + loadedPath + " instead");
  }
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(16000), "PIPL");
  if (resource == nullptr) {
    throw ModuleError(path +
                      ": has no readable PIPL resource (looked for type \"PIPL\", id 16000): " +
                      SystemMessage(GetLastError(), path));
  }
  HGLOBAL loaded = LoadResource(module, resource);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) {
    throw ModuleError(path +
                      ": has no readable PIPL resource: " + SystemMessage(GetLastError(), path));
  }
  const PropertyListInfo info =
      ParsePropertyList(static_cast<const unsigned char*>(bytes), SizeofResource(module, resource));
  if (info.kind != "AEgx") {
    throw ModuleError(path + ": is of kind \"" + info.kind + "\", not a general plug-in (AEgx)");
  }
  if (info.entryPoint.empty()) throw ModuleError(path + ": names no 64-bit entry point");
  FARPROC function = GetProcAddress(module, info.entryPoint.c_str());
  if (function == nullptr) {
    throw ModuleError(
        path + ": does not export its entry point " + info.entryPoint +
        " (the name its property list gives): " + SystemMessage(GetLastError(), path));
  }
  // Transparent until a check fails a step.
  HookClipboardSteps(module);
  return reinterpret_cast<EntryPointFuncType>(reinterpret_cast<void*>(function));
}

std::string ModuleBesideThisProgram() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  const std::size_t slash = directory.find_last_of("\\/");
  directory = slash == std::string::npos ? "." : directory.substr(0, slash);
  return directory + "\\" TARNWICK_MODULE_FILE;
}
#endif

}  // namespace tarnwick::sim
