#include "sim/validate/Validator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "sim/scene/InputFile.h"
#include "sim/scene/Join.h"
#include "sim/session/ExitStatus.h"
#include "sim/session/ModuleLoader.h"
#include "sim/session/OutputFile.h"
#include "sim/validate/CheckResult.h"
#include "sim/validate/ChildProcess.h"
#include "sim/validate/checks/Check.h"

#ifdef _WIN32
#include "platform/Win32.h"
#else
#include <unistd.h>
#endif

namespace tarnwick::sim {

namespace {

EntryPointFuncType LoadEntry(const std::string& module) {
#ifdef _WIN32
  return LoadModule(module);
#else
  throw std::runtime_error("no module to check: " + module);
#endif
}

// The child's side: runs one check and writes its result file, a status
// line, a note line and a line per problem.
int RunInThisProcess(const ValidateOptions& options, EntryPointFuncType linkedEntry) {
#ifdef _WIN32
  // A crash ends this process with its exception code at once: no dialog,
  // no debugger, and the validator reads the code.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter([](EXCEPTION_POINTERS* exception) -> LONG {
    ExitProcess(exception->ExceptionRecord->ExceptionCode);
  });
#endif
  const Check* check = FindCheck(options.runCheck);
  if (check == nullptr) return kExitUnusable;
  CheckContext context{linkedEntry, options.module, options.examples, options.scenes};
  CheckReport report;
  try {
    if (check->needsEntry && context.entry == nullptr) context.entry = LoadEntry(options.module);
    report = check->run(context);
  } catch (const std::exception& error) {
    report.problems.push_back(error.what());
  }
  std::ofstream out(options.resultFile, std::ios::binary);
  out << Serialise(check->name, FromReport(report)) << '\n';
  out.flush();
  return out ? kExitSuccess : kExitUnusable;
}

std::string LastLine(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line, last;
  while (std::getline(in, line)) {
    if (!OneLine(line).empty() && line.find_first_not_of(" \r\t") != std::string::npos) last = line;
  }
  return OneLine(last);
}

// The result a child wrote, or none when it wrote none.
std::optional<CheckResult> ReadResult(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return Deserialise(text);
}

// One check running in its child process.
struct Running {
  std::size_t index;
  std::unique_ptr<ChildProcess> child;
  double limit;
  std::string result;
  std::string output;
};

// A child that crashed, or ended without writing its result, is a crash;
// its last line of output says what it was doing.
CheckResult Finish(Running& running, const ChildEnd& end) {
  if (!end.crashed) {
    if (std::optional<CheckResult> written = ReadResult(running.result)) return *written;
  }
  CheckResult crash = Crashed(end.crashed ? end.cause
                                          : "exited with code " + std::to_string(end.exitCode) +
                                                " without a result");
  const std::string last = LastLine(running.output);
  if (!last.empty()) crash.detail += ": " + last;
  return crash;
}

std::vector<std::string> ChildArguments(const ValidateOptions& options, const std::string& check,
                                        const std::string& result) {
  std::vector<std::string> arguments = {"validate",       "--run-check", check,
                                        "--result",       result,        "--examples",
                                        options.examples, "--scenes",    options.scenes};
  if (!options.module.empty()) {
    arguments.push_back("--module");
    arguments.push_back(options.module);
  }
  return arguments;
}

// The document --json writes: the module, each check's result as the one
// serialisation gives it, and the totals.
void WriteJson(std::ostream& out, const std::string& module,
               const std::vector<const Check*>& checks, const std::vector<CheckResult>& results,
               const StatusTotals& totals) {
  nlohmann::ordered_json document;
  document["module"] =
      module.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(module);
  document["checks"] = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < checks.size(); ++i) {
    document["checks"].push_back(ToJson(checks[i]->name, results[i]));
  }
  // Keyed by name, in the order of the names (as a map gives them).
  std::map<std::string, int> byName;
  for (const CheckStatus status : kEveryStatus) byName[StatusName(status)] = totals[status];
  document["totals"] = byName;
  out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

int DefaultJobs() {
#ifdef _WIN32
  return 1;  // the checks share the system's clipboard
#else
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
#endif
}

std::string ScratchFolder() {
#ifdef _WIN32
  const unsigned long id = GetCurrentProcessId();
#else
  const unsigned long id = static_cast<unsigned long>(getpid());
#endif
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tarnwick-validate-" + std::to_string(id));
  std::filesystem::create_directories(folder);
  return folder.string();
}

void ListCatalogue() {
  for (const Check& check : CheckCatalogue()) {
    char line[64];
    std::snprintf(line, sizeof line, "%-17s ", check.name);
    std::cout << line << check.summary << '\n';
  }
}

// The checks named, or every check when none is; none when a name is not
// a check's, which is said.
std::optional<std::vector<const Check*>> SelectChecks(const std::vector<std::string>& names) {
  const std::vector<Check>& catalogue = CheckCatalogue();
  std::vector<const Check*> checks;
  for (const std::string& name : names) {
    const Check* check = FindCheck(name);
    if (check == nullptr) {
      std::vector<std::string> known;
      for (const Check& c : catalogue) known.emplace_back(c.name);
      std::cerr << "tarnwick-sim: validate: no check named \"" << name << "\"; the checks are "
                << Join(known, ", ") << "\n";
      return std::nullopt;
    }
    checks.push_back(check);
  }
  if (checks.empty()) {
    for (const Check& check : catalogue) checks.push_back(&check);
  }
  return checks;
}

// What the command line names must be usable before any check runs: the
// module file, folders named on the command line (the defaults, in the
// source tree, are the checks' to report), and a --json that is not the
// module. Makes the module's path absolute: every check, in every child,
// loads the one file named here. Says what is wrong.
bool UsableInputs(ValidateOptions& options) {
  if (!options.module.empty()) {
    std::error_code error;
    options.module = AbsoluteModulePath(options.module);
    if (!std::filesystem::is_regular_file(options.module, error)) {
      std::cerr << "tarnwick-sim: validate: " << options.module << ": no such module file\n";
      return false;
    }
  }
  if (options.foldersGiven) {
    for (const std::string* folder : {&options.examples, &options.scenes}) {
      const std::string problem = FolderProblem(*folder);
      if (!problem.empty()) {
        std::cerr << "tarnwick-sim: validate: " << problem << "\n";
        return false;
      }
    }
  }
  if (!options.json.empty() && !options.module.empty()) {
    const std::optional<std::string> clash =
        OutputClash({{"--module", options.module}}, {{"--json", options.json}});
    if (clash) {
      std::cerr << "tarnwick-sim: validate: " << *clash << "\n";
      return false;
    }
  }
  return true;
}

// Runs the checks, at most `jobs` at once, each in a child process of its
// own, printing each result's line as it comes; the results in the checks'
// order.
class Scheduler {
 public:
  Scheduler(const ValidateOptions& options, const std::vector<const Check*>& checks)
      : options_(options),
        checks_(checks),
        outcomes_(checks.size()),
        scratch_(ScratchFolder()),
        self_(ThisProgram()) {}
  ~Scheduler() {
    std::error_code ignored;
    std::filesystem::remove_all(scratch_, ignored);
  }
  Scheduler(const Scheduler&) = delete;
  Scheduler& operator=(const Scheduler&) = delete;

  std::vector<CheckResult> Run(int jobs) {
    while (next_ < checks_.size() || !running_.empty()) {
      while (next_ < checks_.size() && static_cast<int>(running_.size()) < jobs) Start(next_++);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      for (auto it = running_.begin(); it != running_.end();) {
        it = Collect(*it) ? running_.erase(it) : std::next(it);
      }
    }
    return outcomes_;
  }

 private:
  void Start(std::size_t index) {
    const Check& check = *checks_[index];
    const std::string base = scratch_ + "/" + check.name;
    Running started{index, nullptr, options_.timeLimit.value_or(check.timeLimitSeconds),
                    base + ".result", base + ".output"};
    std::remove(started.result.c_str());
    try {
      started.child = std::make_unique<ChildProcess>(
          self_, ChildArguments(options_, check.name, started.result), started.output);
      running_.push_back(std::move(started));
    } catch (const std::exception& error) {
      outcomes_[index] = Crashed(error.what());
      std::cout << Line(check.name, outcomes_[index]) << std::endl;
    }
  }

  // Whether the check has ended (or was stopped at its limit), its result
  // then kept and printed.
  bool Collect(Running& running) {
    ChildEnd end;
    CheckResult outcome;
    if (running.child->Ended(end)) {
      outcome = Finish(running, end);
    } else if (running.child->Seconds() > running.limit) {
      running.child->Kill();
      outcome = TimedOut(running.limit);
    } else {
      return false;
    }
    outcome.elapsedSeconds = running.child->Seconds();
    outcomes_[running.index] = outcome;
    std::cout << Line(checks_[running.index]->name, outcome) << std::endl;
    return true;
  }

  const ValidateOptions& options_;
  const std::vector<const Check*>& checks_;
  std::vector<CheckResult> outcomes_;
  std::vector<Running> running_;
  std::size_t next_ = 0;
  std::string scratch_;
  std::string self_;
};

void PrintTotals(std::size_t checks, const StatusTotals& totals) {
  std::cout << checks << " checks: " << totals[CheckStatus::kPass] << " passed, "
            << totals[CheckStatus::kFail] << " failed, " << totals[CheckStatus::kCrash]
            << " crashed, " << totals[CheckStatus::kTimeout] << " timed out, "
            << totals[CheckStatus::kSkip] << " skipped\n";
}

}  // namespace

int Validate(const ValidateOptions& given, EntryPointFuncType linkedEntry) {
  if (!given.runCheck.empty()) return RunInThisProcess(given, linkedEntry);
  if (given.list) {
    ListCatalogue();
    return kExitSuccess;
  }
  ValidateOptions options = given;
  const std::optional<std::vector<const Check*>> checks = SelectChecks(options.checks);
  if (!checks || !UsableInputs(options)) return kExitUnusable;
  OutputFile json;
  if (!options.json.empty() && !json.Open(options.json)) return kExitUnusable;
  if (!options.module.empty()) std::cout << "module " << options.module << std::endl;
  const std::vector<CheckResult> outcomes =
      Scheduler(options, *checks).Run(options.jobs > 0 ? options.jobs : DefaultJobs());
  StatusTotals totals;
  for (const CheckResult& outcome : outcomes) totals.Count(outcome.status);
  PrintTotals(checks->size(), totals);
  if (json.is_open()) {
    WriteJson(json.stream(), options.module, *checks, outcomes, totals);
    if (!json.Commit()) return kExitFailed;
  }
  return totals.AnyFound() ? kExitFound : kExitSuccess;
}

}  // namespace tarnwick::sim
