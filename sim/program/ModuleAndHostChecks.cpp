// The module file, a host that answers what nobody expects, a long session,
// and what one export asks of the host and leaves with it.
#include <cstdio>

#include "sim/program/CheckSupport.h"
#include "sim/program/ModuleLoader.h"
#include "sim/program/PeImage.h"
#include "sim/scene/Operations.h"

#ifdef _WIN32
#include "platform/Win32.h"
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <malloc.h>
#include <sys/resource.h>
#endif

namespace tarnwick::sim::checks {

namespace {

// Peak memory of this process so far, in bytes.
uint64_t PeakMemory() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize;
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;
#endif
}

// Memory the process holds now: private bytes on Windows, the allocator's
// bytes in use elsewhere.
uint64_t MemoryInUse() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS_EX counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  return counters.PrivateUsage;
#else
  return mallinfo2().uordblks;
#endif
}

// An export whose text would pass 1 GiB (12,000,000 point lines) is refused
// as memory running out, with the clipboard as it was.
void ExpectRefusedPastCeiling(const CheckContext& context, Problems& problems) {
  const char what[] = "a text past 1 GiB";
  const Played played =
      Play(CompScene(R"([ { "masks": [ { "generate": { "vertices": 100000, "keyframes": 120,
                     "seed": 9 } } ] } ])",
                     kSelectMask),
           context.entry);
  CheckSession(played, {}, what, problems);
  problems.Expect(played.result.commandResult == 4,
                  std::string(what) + ": the command returned " +
                      std::to_string(played.result.commandResult) + ", not 4");
}

// A mask that reports a million keyframes ends the export at the first call
// that fails, not at the end of its count: a vertex the host does not give,
// or the time of a keyframe it does not have.
void ExpectEndsAtOnce(const CheckContext& context, Problems& problems) {
  const std::string mask = R"([ { "masks": [ { "keyframes": [
      { "time": 0, "vertices": [ [0, 0, 0, 0, 0, 0] ] } ], "keyframe_count": 1000000 } ] } ])";
  const struct {
    const char* what;
    std::string faults;
  } cases[] = {
      {"a million keyframes, the first vertex failing",
       R"("faults": [ { "operation": "PF_PathVertexInfo", "call": 1, "code": 9 } ],)"},
      {"a million keyframes, the second not there", ""},
  };
  for (const auto& c : cases) {
    const Played played = Play(CompScene(mask, kSelectMask, c.faults), context.entry);
    CheckSession(played, {}, c.what, problems);
    problems.Expect(played.result.commandResult != 0, std::string(c.what) + ": returned 0");
    problems.Expect(CommandCalls(played) <= 30, std::string(c.what) + ": " +
                                                    std::to_string(CommandCalls(played)) +
                                                    " host calls, more than 30");
  }
}

// How often a piece occurs in a text.
int64_t Occurrences(const std::string& text, const std::string& piece) {
  int64_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos;
       at = text.find(piece, at + piece.size())) {
    ++count;
  }
  return count;
}

std::string PerLine(int64_t n, int64_t lines) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f",
                lines == 0 ? 0.0 : static_cast<double>(n) / static_cast<double>(lines));
  return text;
}

// What one export asks of the host, against what it wrote: one vertex call
// per point line, and for the rest and for the host objects it obtains and
// cannot hand back, bounds per keyframe entry and per mask.
void CheckExportWeight(const std::string& name, const Played& played, Problems& problems,
                       std::string& note) {
  const std::string text = played.after.value_or("");
  const int64_t masks = Occurrences(text, " = BSplineMask {");
  const int64_t entries = Occurrences(text, ", RH = { ");
  const int64_t lines = Occurrences(text, "\t\t\t\t\t\t\t{ X= ");
  const auto [from, to] = CommandSpan(played);
  int64_t vertexCalls = 0, otherCalls = 0;
  for (int64_t k = from; k < to; ++k) {
    (played.calls[static_cast<std::size_t>(k)].operation == Operation::PF_PathVertexInfo
         ? vertexCalls
         : otherCalls) += 1;
  }
  const int64_t callBound = 8 * entries + 8 * masks + 12;
  const int64_t objectBound = 1 + 3 * masks + 3 * entries;
  problems.Expect(lines > 0, name + ": the export wrote no point lines");
  problems.Expect(vertexCalls == lines, name + ": " + std::to_string(vertexCalls) +
                                            " vertex calls for " + std::to_string(lines) +
                                            " point lines");
  problems.Expect(otherCalls <= callBound,
                  name + ": " + std::to_string(otherCalls) + " host calls besides the vertices, " +
                      "more than " + std::to_string(callBound) + " for " + std::to_string(masks) +
                      " masks and " + std::to_string(entries) + " keyframe entries");
  problems.Expect(played.objects <= objectBound,
                  name + ": " + std::to_string(played.objects) + " host objects, more than " +
                      std::to_string(objectBound) + " for " + std::to_string(masks) +
                      " masks and " + std::to_string(entries) + " keyframe entries");
  note += (note.empty() ? "" : "; ") + name + ": " + std::to_string(played.objects) +
          " objects (at most " + std::to_string(objectBound) + "), " +
          PerLine(vertexCalls + otherCalls, lines) + " calls per point line";
}

}  // namespace

CheckReport ModuleFile(const CheckContext& context) {
  CheckReport report;
  if (context.modulePath.empty()) {
    report.skipped = true;
    report.note = "the module's code is linked into this program; there is no module file";
    return report;
  }
  Problems problems(report);
  try {
    const PeImage pe(context.modulePath);
    problems.Expect(pe.machine() == 0x8664 && pe.magic() == 0x20B, "not a 64-bit x86-64 image");
    problems.Expect(pe.isDll(), "not a DLL");
    const PeExports exports = Exports(pe);
    problems.Expect(exports.functions == 1 && exports.named.size() == 1,
                    "exports " + std::to_string(exports.functions) + " functions, not one");
    problems.Expect(!exports.named.empty() && exports.named[0].name == "EntryPointFunc" &&
                        exports.named[0].ordinal == 1,
                    "does not export EntryPointFunc at ordinal 1");
    const std::optional<Resource> pipl = ResourceOfType(pe, "PIPL");
    if (!pipl) {
      problems.Add("has no property list (PIPL resource)");
    } else {
      problems.Expect(
          pipl->data.size() == 142,
          "its property list is " + std::to_string(pipl->data.size()) + " bytes, not 142");
      const PropertyListInfo info = ParsePropertyList(pipl->data.data(), pipl->data.size());
      problems.Expect(info.kind == "AEgx", "its property list's kind is \"" + info.kind +
                                               "\", not a general plug-in (AEgx)");
      bool named = false;
      for (const PeExport& e : exports.named) named = named || e.name == info.entryPoint;
      problems.Expect(named, "its property list names " + info.entryPoint +
                                 ", which the module does not export");
    }
    const std::optional<Resource> manifest = ResourceOfType(pe, "#24");
    problems.Expect(manifest.has_value(), "has no manifest");
    if (manifest) {
      const std::string xml(manifest->data.begin(), manifest->data.end());
      problems.Expect(xml.find("level=\"asInvoker\"") != std::string::npos,
                      "its manifest does not ask to run as invoker");
    }
  } catch (const std::exception& error) {
    problems.Add(error.what());
  }
  return report;
}

CheckReport HostileHost(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  const std::string nonFinite = R"("inf", "-inf", "nan", "nan", "-inf", "inf")";
  const std::string comp =
      R"({ "active_item": 0, "clipboard": "before", "items": [ { "type": "composition", )";
  const std::string oneVertexMask =
      R"("layers": [ { "masks": [ { "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ],
         "selection": [ { "layer": 0, "mask": 0 } ] } ] })";
  // Each ends with its result and, when it exports, a piece its text must
  // hold; without one the clipboard must keep what it held.
  const struct {
    const char* what;
    std::string scene;
    HostError result;
    const char* piece;
  } cases[] = {
      {"non-finite vertices",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "vertices": [ [)" +
           nonFinite + R"(] ] } ] } ], "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       0, "{ X= 0/0, Y= 0/0"},  // inf x 0 in the transform is NaN
      {"non-finite matrix",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "to_world": ["nan", 0, 0, "inf",
          0, "-inf", 0, 0, 0, 0, 1, 0, 0, 0, 0, 1], "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       0, "{ X= 0/0"},
      {"non-finite anchor point, position, scale and rotation",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "anchor_point": ["nan", "inf"],
          "position": ["-inf", 0], "scale": ["nan", 100], "rotation": "inf",
          "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       0, "{ X= 0/0"},
      {"the lowest keyframe count",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "keyframes": [],
          "keyframe_count": -2147483648 } ] } ], "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       0, "KeyFrames = {\r\n\t\t\t}"},
      {"many vertices",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "generate":
          { "vertices": 500000, "keyframes": 2, "seed": 3 } } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       0, "Points = {"},
      {"zero width", comp + R"("width": 0, "height": 1080, )" + oneVertexMask, 2, nullptr},
      {"zero height", comp + R"("width": 1920, "height": 0, )" + oneVertexMask, 2, nullptr},
      {"negative width", comp + R"("width": -5, "height": 1080, )" + oneVertexMask, 2, nullptr},
      {"negative height", comp + R"("width": 1920, "height": -1, )" + oneVertexMask, 2, nullptr},
      {"the lowest width", comp + R"("width": -2147483648, "height": 1080, )" + oneVertexMask, 2,
       nullptr},
      {"the largest size", comp + R"("width": 2147483647, "height": 2147483647, )" + oneVertexMask,
       0, "MaskWidth = Input { Value = 2147483647, }"},
      {"times at their limits",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "in_point": -2147483648,
          "masks": [ { "keyframes": [
            { "time": -2147483648, "vertices": [ [0, 0, 0, 0, 0, 0] ] },
            { "time": 2147483647, "vertices": [ [0, 0, 0, 0, 0, 0] ] } ] } ] } ],
          "selection": [ { "layer": 0, "mask": 0 } ] } ] })",
       0, "[-4294966] = { 0, RH"},
      {"a selection of a hundred thousand entries",
       comp + R"("width": 1920, "height": 1080, "layers": [ { "masks": [ { "vertices": [] } ] } ],
          "selection": [ )" +
           [] {
             std::string entries;
             for (int i = 0; i < 100000; ++i)
               entries += std::string(i ? ", " : "") + "{ \"layer\": 0 }";
             return entries;
           }() +
           " ] } ] }",
       0, nullptr},
  };
  constexpr uint64_t kMemoryBound = uint64_t{2} << 30;
  for (const auto& c : cases) {
    const std::string what = c.what;
    try {
      const Played played = Play(LoadScene(c.scene, c.what), context.entry);
      CheckSession(played, {ExportOf(played)}, what, problems);
      problems.Expect(played.result.commandResult == c.result,
                      what + ": the command returned " +
                          std::to_string(played.result.commandResult) + ", not " +
                          std::to_string(c.result));
      const std::string text = played.after.value_or("");
      problems.Expect(c.piece != nullptr ? text.find(c.piece) != std::string::npos
                                         : played.after == played.before,
                      what + (c.piece != nullptr ? ": the text lacks " + std::string(c.piece)
                                                 : std::string(": the clipboard changed")));
    } catch (const SceneError& error) {
      problems.Add(what + ": " + error.what());
    }
    problems.Expect(PeakMemory() <= kMemoryBound, what + ": more than 2 GiB of memory");
  }
  ExpectRefusedPastCeiling(context, problems);
  ExpectEndsAtOnce(context, problems);
  report.note = "peak memory " + std::to_string(PeakMemory() >> 20) + " MiB";
  return report;
}

CheckReport Soak(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  constexpr int kCommands = 1000;
  constexpr int kWarmUp = 10;
  // Growth the allocator's own bookkeeping may show; a leak of one stream
  // value's worth per command would pass it within a few hundred commands.
  constexpr uint64_t kFlat = uint64_t{256} << 10;
  Scene scene = CompScene(kOneMask, kSelectMask);
  scene.session = {};
  SimulatedHost host(scene);
  host.SetRecordCalls(false);
  SessionResult result;
  ReplaceClipboardText(scene.clipboard);
  PlayStep(host, context.entry, SessionStep::kEntry, nullptr, result);
  PlayStep(host, context.entry, SessionStep::kMenu, nullptr, result);
  std::optional<std::string> first;
  uint64_t warmedUp = 0;
  for (int i = 1; i <= kCommands; ++i) {
    SessionResult command;
    PlayStep(host, context.entry, SessionStep::kCommand, nullptr, command);
    const std::string what = "command " + std::to_string(i);
    problems.Expect(command.commandRun && command.commandResult == 0,
                    what + ": returned " + std::to_string(command.commandResult));
    problems.Expect(host.OutstandingSuites().empty(), what + ": a suite still acquired");
    problems.Expect(host.undoGroupsOpen() == 0, what + ": an undo group left open");
    const std::optional<std::string> text = ReadClipboardText();
    if (!first) first = text;
    problems.Expect(text == first && text.has_value(), what + ": a different text");
    if (i == kWarmUp) warmedUp = MemoryInUse();
  }
  const uint64_t after = MemoryInUse();
  const uint64_t growth = after > warmedUp ? after - warmedUp : 0;
  problems.Expect(growth <= kFlat, "memory grew by " + std::to_string(growth >> 10) + " KiB over " +
                                       std::to_string(kCommands - kWarmUp) + " commands");
  for (const std::string& violation : host.violations()) problems.Add(violation);
  report.note = std::to_string(kCommands) + " commands, memory grew " +
                std::to_string(growth >> 10) + " KiB after the first " + std::to_string(kWarmUp);
  return report;
}

CheckReport HostObjects(const CheckContext& context) {
  CheckReport report;
  Problems problems(report);
  // A rig of four masks on parented layers, and one detailed mask.
  Scene rig = CompScene(
      R"([ { "parent": 1, "rotation": 15, "masks": [
             { "generate": { "vertices": 40, "keyframes": 10, "seed": 1 } },
             { "generate": { "vertices": 25, "keyframes": 12, "seed": 2 } } ] },
           { "position": [ { "time": 0, "value": [480, 300] }, { "time": 9000, "value": [560, 320] } ],
             "masks": [ { "generate": { "vertices": 60, "keyframes": 13, "seed": 3 } },
                        { "generate": { "vertices": 8, "keyframes": 14, "seed": 4 } } ] } ])",
      R"([ { "layer": 0, "mask": 0 }, { "layer": 0 }, { "layer": 0, "mask": 1 },
           { "layer": 1, "mask": 0 }, { "layer": 1, "mask": 1 } ])");
  Scene detailed = CompScene(
      R"([ { "masks": [ { "generate": { "vertices": 2000, "keyframes": 30, "seed": 5 } } ] } ])",
      kSelectMask);
  std::vector<std::pair<std::string, Scene>> scenes;
  scenes.emplace_back("a rig of 4 masks", std::move(rig));
  scenes.emplace_back("2,000 vertices x 30 keyframes", std::move(detailed));
  for (const auto& path : SceneFiles(context.examples)) {
    scenes.emplace_back(path.filename().string(), LoadSceneFile(path.string()));
  }
  std::string note;
  for (const auto& [name, scene] : scenes) {
    const Played played = Play(scene, context.entry);
    CheckSession(played, {ExportOf(played)}, name, problems);
    CheckExportWeight(name, played, problems, note);
  }
  report.note = note;
  return report;
}

}  // namespace tarnwick::sim::checks
