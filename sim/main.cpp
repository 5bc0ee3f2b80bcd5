// tarnwick-sim: plays one host session of the module on a scene and prints
// what the module left on the clipboard.
#include <fstream>
#include <iostream>
#include <string>

#include "sim/ModuleLoader.h"
#include "sim/Scene.h"
#include "sim/Session.h"
#include "sim/SimulatedHost.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "platform/Win32.h"
#else
#include "plugin/EntryPoint.h"
#endif

namespace {

constexpr int kUsageError = 2;

int Usage(const std::string& problem) {
  std::cerr << "tarnwick-sim: " << problem << "\n"
            << "usage: tarnwick-sim SCENE.json [--report FILE] [--trace]"
#ifdef _WIN32
            << " [--module PATH]"
#endif
            << "\n";
  return kUsageError;
}

#ifdef _WIN32
std::string ModuleBesideExecutable() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  const std::size_t slash = directory.find_last_of("\\/");
  directory = slash == std::string::npos ? "." : directory.substr(0, slash);
  return directory + "\\rask9_Tarnwick.aex";
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::string scenePath;
  std::string reportPath;
  bool trace = false;
  std::string modulePath;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--report" || arg == "--module") {
      if (i + 1 == argc) return Usage(arg + " needs a file name");
      (arg == "--report" ? reportPath : modulePath) = argv[++i];
#ifndef _WIN32
      if (arg == "--module") return Usage("--module is for the Windows build");
#endif
    } else if (arg == "--trace") {
      trace = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage("unknown option " + arg);
    } else if (scenePath.empty()) {
      scenePath = arg;
    } else {
      return Usage("more than one scene given");
    }
  }
  if (scenePath.empty()) return Usage("no scene given");
  try {
    tarnwick::sim::Scene scene = tarnwick::sim::LoadSceneFile(scenePath);
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    const EntryPointFuncType entry =
        tarnwick::sim::LoadModule(modulePath.empty() ? ModuleBesideExecutable() : modulePath);
#else
    const EntryPointFuncType entry = &EntryPointFunc;
#endif
    tarnwick::sim::SimulatedHost host(std::move(scene));
    if (trace) host.SetTrace(&std::cerr);
    const tarnwick::sim::SessionResult result = tarnwick::sim::PlaySession(host, entry, &std::cerr);
    if (result.clipboard) std::cout << *result.clipboard << std::flush;
    if (!reportPath.empty()) {
      std::ofstream report(reportPath, std::ios::binary);
      report << tarnwick::sim::ReportJson(host, result);
      if (!report) return Usage("cannot write " + reportPath);
    }
    return 0;
  } catch (const tarnwick::sim::SceneError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kUsageError;
  } catch (const tarnwick::sim::ModuleError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kUsageError;
  }
}
