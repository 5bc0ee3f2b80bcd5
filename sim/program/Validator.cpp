#include "sim/program/Validator.h"

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

#include "sim/program/CheckResult.h"
#include "sim/program/Checks.h"
#include "sim/program/ChildProcess.h"
#include "sim/program/ModuleLoader.h"
#include "sim/program/OutputFile.h"
#include "sim/scene/InputFile.h"

#ifdef _WIN32
#include "platform/Win32.h"
#else
#include <unistd.h>
#endif

namespace tarnwick::sim {

namespace {

constexpr int kAllPassed = 0;
constexpr int kSomethingFailed = 1;
constexpr int kUnusable = 2;
constexpr int kValidatorFailed = 3;

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
  if (check == nullptr) return kUnusable;
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
  return out ? kAllPassed : kUnusable;
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
               const std::map<std::string, int>& totals) {
  nlohmann::ordered_json document;
  document["module"] =
      module.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(module);
  document["checks"] = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < checks.size(); ++i) {
    document["checks"].push_back(ToJson(checks[i]->name, results[i]));
  }
  document["totals"] = totals;
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

}  // namespace

int Validate(const ValidateOptions& given, EntryPointFuncType linkedEntry) {
  if (!given.runCheck.empty()) return RunInThisProcess(given, linkedEntry);
  ValidateOptions options = given;
  const std::vector<Check>& catalogue = CheckCatalogue();
  if (options.list) {
    for (const Check& check : catalogue) {
      char line[64];
      std::snprintf(line, sizeof line, "%-17s ", check.name);
      std::cout << line << check.summary << '\n';
    }
    return kAllPassed;
  }
  std::vector<const Check*> checks;
  for (const std::string& name : options.checks) {
    const Check* check = FindCheck(name);
    if (check == nullptr) {
      std::string known;
      for (const Check& c : catalogue) known += std::string(known.empty() ? "" : ", ") + c.name;
      std::cerr << "tarnwick-sim: validate: no check named \"" << name << "\"; the checks are "
                << known << "\n";
      return kUnusable;
    }
    checks.push_back(check);
  }
  if (checks.empty()) {
    for (const Check& check : catalogue) checks.push_back(&check);
  }
  // Every check, in every child, loads the one file named here.
  if (!options.module.empty()) {
    std::error_code error;
    options.module = AbsoluteModulePath(options.module);
    if (!std::filesystem::is_regular_file(options.module, error)) {
      std::cerr << "tarnwick-sim: validate: " << options.module << ": no such module file\n";
      return kUnusable;
    }
  }
  // A folder named on the command line must be there; the defaults, in the
  // source tree, are the checks' to report.
  if (options.foldersGiven) {
    for (const std::string* folder : {&options.examples, &options.scenes}) {
      const std::string problem = FolderProblem(*folder);
      if (!problem.empty()) {
        std::cerr << "tarnwick-sim: validate: " << problem << "\n";
        return kUnusable;
      }
    }
  }
  if (!options.json.empty() && !options.module.empty()) {
    const std::optional<std::string> clash =
        OutputClash({{"--module", options.module}}, {{"--json", options.json}});
    if (clash) {
      std::cerr << "tarnwick-sim: validate: " << *clash << "\n";
      return kUnusable;
    }
  }
  OutputFile json;
  if (!options.json.empty() && !json.Open(options.json)) return kUnusable;
  if (!options.module.empty()) std::cout << "module " << options.module << std::endl;
  const int jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
  const std::string scratch = ScratchFolder();
  const std::string self = ThisProgram();

  std::vector<CheckResult> outcomes(checks.size());
  std::vector<Running> running;
  std::size_t next = 0;
  while (next < checks.size() || !running.empty()) {
    while (next < checks.size() && static_cast<int>(running.size()) < jobs) {
      const Check& check = *checks[next];
      const std::string base = scratch + "/" + check.name;
      Running started{next, nullptr, options.timeLimit.value_or(check.seconds), base + ".result",
                      base + ".output"};
      std::remove(started.result.c_str());
      try {
        started.child = std::make_unique<ChildProcess>(
            self, ChildArguments(options, check.name, started.result), started.output);
        running.push_back(std::move(started));
      } catch (const std::exception& error) {
        outcomes[next] = Crashed(error.what());
        std::cout << Line(check.name, outcomes[next]) << std::endl;
      }
      ++next;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (auto it = running.begin(); it != running.end();) {
      ChildEnd end;
      CheckResult outcome;
      if (it->child->Ended(end)) {
        outcome = Finish(*it, end);
      } else if (it->child->Seconds() > it->limit) {
        it->child->Kill();
        outcome = TimedOut(it->limit);
      } else {
        ++it;
        continue;
      }
      outcome.seconds = it->child->Seconds();
      outcomes[it->index] = outcome;
      std::cout << Line(checks[it->index]->name, outcome) << std::endl;
      it = running.erase(it);
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(scratch, ignored);

  std::map<std::string, int> totals;
  for (const CheckStatus status : kEveryStatus) totals[StatusName(status)] = 0;
  for (const CheckResult& outcome : outcomes) ++totals[StatusName(outcome.status)];
  std::cout << checks.size() << " checks: " << totals["pass"] << " passed, " << totals["fail"]
            << " failed, " << totals["crash"] << " crashed, " << totals["timeout"] << " timed out, "
            << totals["skip"] << " skipped\n";
  if (json.is_open()) {
    WriteJson(json.stream(), options.module, checks, outcomes, totals);
    if (!json.Commit()) return kValidatorFailed;
  }
  const bool failed = totals["fail"] + totals["crash"] + totals["timeout"] > 0;
  return failed ? kSomethingFailed : kAllPassed;
}

}  // namespace tarnwick::sim
