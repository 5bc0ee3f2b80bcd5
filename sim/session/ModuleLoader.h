// Finds a module's entry point the way the host does.
#ifndef TARNWICK_SIM_SESSION_MODULE_LOADER_H
#define TARNWICK_SIM_SESSION_MODULE_LOADER_H

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "host/HostInterface.h"

namespace tarnwick::sim {

struct ModuleError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct PropertyListInfo {
  std::string kind;        // e.g. "AEgx"
  std::string entryPoint;  // the name under the "8664" key
};

// Reads a plug-in property list; throws ModuleError when it is malformed.
PropertyListInfo ParsePropertyList(const unsigned char* bytes, std::size_t size);

// The path as given, taken from the current folder when relative.
std::string AbsoluteModulePath(const std::string& path);

#ifdef _WIN32
// Loads the module file the path names (from the current folder when
// relative, never one Windows would find elsewhere by its name), checks its
// property list and returns its entry point.
EntryPointFuncType LoadModule(const std::string& path);
// The module a user installs beside tarnwick-sim.exe: the one loaded unless
// another is named.
std::string ModuleBesideThisProgram();
#endif

}  // namespace tarnwick::sim

#endif
