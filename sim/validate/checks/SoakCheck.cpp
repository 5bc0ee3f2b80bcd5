// A long session: a thousand commands, the same text each time, every suite
// released and the memory flat.
#include "host/ResultCodes.h"
#include "sim/validate/checks/CheckSupport.h"
#include "sim/validate/checks/ProcessMemory.h"

namespace tarnwick::sim::checks {

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
    problems.Expect(command.commandRun, what + ": the command did not run");
    problems.ExpectReturned(what + ": the command", command.commandResult, kNoError);
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

const Check kSoakCheck = {"soak", "1,000 commands in one session", 300, true, &Soak};

}  // namespace tarnwick::sim::checks
