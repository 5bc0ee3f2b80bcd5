// One host session played against the module, as a host would: the entry
// point, then only the hooks the module registered.
#ifndef TARNWICK_SIM_SESSION_SESSION_H
#define TARNWICK_SIM_SESSION_SESSION_H

#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/HostInterface.h"
#include "sim/host/SimulatedHost.h"
#include "sim/session/ClipboardText.h"

namespace tarnwick::sim {

// One step of the session as it was played: the hook it calls, whether the
// host could call it (a hook the module registered, a command it enabled),
// what it returned, and the host calls it made, as indices into the host's
// call log from firstCall to one before endCall.
struct PlayedStep {
  SessionStep step = SessionStep::kEntry;
  const char* hook = "";
  bool ran = false;
  HostError result = 0;
  int64_t firstCall = 0;
  int64_t endCall = 0;
};

// What the session's hooks returned; a hook called more than once keeps its
// first non-zero result. `steps` has each step on its own.
struct SessionResult {
  HostError entryResult = 0;
  bool menuHookRun = false;
  HostError menuResult = 0;
  bool menuEnabled = false;
  bool commandRun = false;
  HostError commandResult = 0;
  bool handled = false;
  bool idleRun = false;
  HostError idleResult = 0;
  std::optional<std::string> clipboardBefore;
  std::optional<std::string> clipboard;  // when no sink took it
  bool clipboardHeld = false;            // the clipboard holds text at the end
  bool clipboardChanged = false;
  std::vector<PlayedStep> steps;
};

// Where a changed clipboard's text goes, read where it lies.
using ClipboardSink = std::function<void(const char* bytes, std::size_t size)>;

// Puts the scene's clipboard text in place (or empties the clipboard), runs
// the session and reads the clipboard back: into `clipboard`, or, given a
// sink, straight from the clipboard's block to the sink when it changed (a
// long text is not copied). One line per hook result goes to the log when
// one is given.
SessionResult PlaySession(SimulatedHost& host, EntryPointFuncType entry, std::ostream* log,
                          const ClipboardSink& sink = nullptr);

// One step of a session, as PlaySession plays it: kept in the result's
// totals, and returned on its own.
PlayedStep PlayStep(SimulatedHost& host, EntryPointFuncType entry, SessionStep step,
                    std::ostream* log, SessionResult& result);

}  // namespace tarnwick::sim

#endif
