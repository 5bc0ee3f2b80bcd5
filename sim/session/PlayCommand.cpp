#include "sim/session/PlayCommand.h"

#include <iostream>
#include <vector>

#include "sim/host/SimulatedHost.h"
#include "sim/scene/Scene.h"
#include "sim/session/ExitStatus.h"
#include "sim/session/ModuleLoader.h"
#include "sim/session/OutputFile.h"
#include "sim/session/Session.h"
#include "sim/session/SessionReport.h"
#include "sim/settings/Preview.h"
#include "sim/settings/SettingsReader.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace tarnwick::sim {

namespace {

// Opens the output an option names, when it names one.
bool OpenOutput(const std::string& path, OutputFile& out) {
  return path.empty() || out.Open(path);
}

// The hooks that returned non-zero, one line each on standard error.
bool ReportFailedHooks(const SessionResult& result) {
  const struct {
    const char* hook;
    bool ran;
    HostError code;
  } hooks[] = {{"EntryPointFunc", true, result.entryResult},
               {"UpdateMenuHook", result.menuHookRun, result.menuResult},
               {"CommandHook", result.commandRun, result.commandResult},
               {"IdleHook", result.idleRun, result.idleResult}};
  bool failed = false;
  for (const auto& hook : hooks) {
    if (hook.ran && hook.code != 0) {
      std::cerr << "tarnwick-sim: " << hook.hook << " returned " << hook.code << "\n";
      failed = true;
    }
  }
  return failed;
}

void WriteToStandardOutput(const char* bytes, std::size_t size) {
  std::cout.write(bytes, static_cast<std::streamsize>(size));
}

// Plays the session: the preview reads the text as a string; standard
// output (and the report) take it straight from the clipboard's block.
SessionResult PlayToStandardOutput(SimulatedHost& host, EntryPointFuncType entry, bool keepText) {
  const SessionResult result = PlaySession(
      host, entry, &std::cerr, keepText ? ClipboardSink() : ClipboardSink(WriteToStandardOutput));
  if (keepText && result.clipboardChanged && result.clipboard) {
    WriteToStandardOutput(result.clipboard->data(), result.clipboard->size());
  }
  if (!result.clipboardChanged) {
    std::cerr << "tarnwick-sim: the clipboard was left unchanged; nothing on standard output\n";
  } else if (!result.clipboardHeld) {
    std::cerr << "tarnwick-sim: the clipboard was emptied; nothing on standard output\n";
  }
  return result;
}

// Draws what the session put on the clipboard; no picture leaves a file
// already there as it was.
bool WriteSessionPreview(OutputFile& preview, const SessionResult& result) {
  if (result.clipboardChanged && result.clipboard) {
    WritePreview(preview.stream(), ReadSettings(*result.clipboard));
    return preview.Commit();
  }
  preview.Discard();
  std::cerr << "tarnwick-sim: no preview: the clipboard did not change\n";
  return true;
}

int PlaySceneFile(const PlayOptions& options, EntryPointFuncType linkedEntry) {
  std::vector<NamedFile> inputs = {{"the scene", options.scene}};
  if (linkedEntry == nullptr) inputs.push_back({"the module", options.module});
  if (!OutputsOwnFiles(inputs, {{"--report", options.report}, {"--preview", options.preview}})) {
    return kExitUnusable;
  }
  Scene scene = LoadSceneFile(options.scene);
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
  const EntryPointFuncType entry = linkedEntry ? linkedEntry : LoadModule(options.module);
#else
  const EntryPointFuncType entry = linkedEntry;
#endif
  // Opened before the session, so an unwritable output costs no session.
  OutputFile report;
  OutputFile preview;
  if (!OpenOutput(options.report, report) || !OpenOutput(options.preview, preview)) {
    return kExitUnusable;
  }
  SimulatedHost host(std::move(scene));
  // The call log costs memory in proportion to the calls; only the report
  // reads it.
  host.SetRecordCalls(report.is_open());
  if (options.trace) host.SetTrace(&std::cerr);
  const SessionResult result = PlayToStandardOutput(host, entry, preview.is_open());
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "tarnwick-sim: standard output cannot be written\n";
    return kExitFailed;
  }
  if (preview.is_open() && !WriteSessionPreview(preview, result)) return kExitFailed;
  if (report.is_open()) {
    WriteReport(report.stream(), host, result);
    if (!report.Commit()) return kExitFailed;
  }
  return ReportFailedHooks(result) ? kExitFound : kExitSuccess;
}

}  // namespace

int RunPlay(const PlayOptions& options, EntryPointFuncType linkedEntry) {
  try {
    return PlaySceneFile(options, linkedEntry);
  } catch (const SceneError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kExitUnusable;
  } catch (const ModuleError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kExitUnusable;
  } catch (const SettingsError& error) {
    std::cerr << "tarnwick-sim: cannot draw the preview: " << error.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace tarnwick::sim
