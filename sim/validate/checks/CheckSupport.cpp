#include "sim/validate/checks/CheckSupport.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "sim/scene/Operations.h"

namespace tarnwick::sim::checks {

const char kOneMask[] = R"([ { "masks": [ { "keyframes": [
    { "time": 0, "vertices": [ [960, 540, 940, 560, 980, 520], [1200, 300, 1180, 280, 1220, 320] ] },
    { "time": 1000, "vertices": [ [970, 550, 950, 570, 990, 530], [1210, 310, 1190, 290, 1230, 330] ] }
  ] } ] } ])";
const char kSelectMask[] = R"([ { "layer": 0, "mask": 0 } ])";

// What a fault-free session put on the clipboard, or none when it left it.
std::optional<std::string> ExportOf(const Played& faultFree) {
  if (faultFree.after == faultFree.before) return std::nullopt;
  return faultFree.after;
}

// What every session of every check must show: no host rule broken, every
// suite released, undo groups balanced, and the clipboard all or nothing:
// what it held before or exactly the fault-free export, which a command
// that returned 0 must have handed over.
void CheckSession(const Played& played, const SessionRules& rules, const std::string& what,
                  Problems& problems) {
  for (const std::string& violation : played.violations) problems.Add(what + ": " + violation);
  for (const std::string& suite : played.outstanding) {
    problems.Add(what + ": suite still acquired: " + suite);
  }
  problems.Expect(played.undoEndCalls == played.undoOpened,
                  what + ": " + std::to_string(played.undoEndCalls) + " undo groups closed, " +
                      std::to_string(played.undoOpened) + " opened");
  problems.Expect(played.undoOpen <= (rules.closingRefused ? 1 : 0),
                  what + ": an undo group left open");
  problems.Expect(played.leakedBlocks == 0,
                  what + ": " + std::to_string(played.leakedBlocks) +
                      " memory blocks neither freed nor on the clipboard");
  const bool kept = played.after == played.before;
  const bool arrived = rules.exported && played.after == rules.exported;
  const bool emptied = rules.mayBeEmptied && !played.after;
  problems.Expect(kept || arrived || emptied,
                  what + ": the clipboard holds neither its old text nor the export");
  problems.Expect(!(played.result.commandRun && played.result.commandResult == kNoError &&
                    rules.exported && !arrived),
                  what + ": the command returned 0 but its export did not arrive");
}

Played PlayFaultFree(const Scene& scene, EntryPointFuncType entry, const std::string& what,
                     Problems& problems) {
  Played played = Play(scene, entry);
  CheckSession(played, {ExportOf(played)}, what, problems);
  return played;
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The scene files of a folder, in name order.
std::vector<std::filesystem::path> SceneFiles(const std::string& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".json") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The scenes the fault sweeps play: the examples and the extra sweep scenes.
std::vector<std::pair<std::string, Scene>> SweepScenes(const CheckContext& context,
                                                       Problems& problems) {
  std::vector<std::pair<std::string, Scene>> scenes;
  for (const std::string& folder : {context.examples, context.scenes}) {
    for (const auto& path : SceneFiles(folder)) {
      try {
        Scene scene = LoadSceneFile(path.string());
        if (!scene.clipboardFaults.empty()) continue;
        scenes.emplace_back(path.filename().string(), std::move(scene));
      } catch (const SceneError& error) {
        problems.Add(error.what());
      }
    }
  }
  problems.Expect(!scenes.empty(), "no scenes in " + context.examples + " or " + context.scenes +
                                       " (give their folders with --examples and --scenes)");
  return scenes;
}

std::string Named(const std::vector<CallRecord>& calls, int64_t call) {
  return "call " + std::to_string(call) + " (" +
         OperationName(calls[static_cast<std::size_t>(call - 1)].operation) + ")";
}

bool ClosingAmong(const std::vector<CallRecord>& calls, const std::vector<int64_t>& failed) {
  for (const int64_t call : failed) {
    if (call <= static_cast<int64_t>(calls.size()) &&
        calls[static_cast<std::size_t>(call - 1)].operation == Operation::AEGP_EndUndoGroup) {
      return true;
    }
  }
  return false;
}

// A scene of a composition with the given layers and selection.
Scene CompScene(const std::string& layers, const std::string& selection, const std::string& extra) {
  return LoadScene(CompSceneText(layers, selection, extra), "built-in scene");
}

// The host calls of the session's first command.

int64_t CommandCalls(const Played& played) {
  const auto [from, to] = StepSpan(played, SessionStep::kCommand);
  return to - from;
}

}  // namespace tarnwick::sim::checks
