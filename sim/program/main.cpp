// tarnwick-sim: plays one host session of the module on a scene and prints
// what the module put on the clipboard; tarnwick-sim preview draws any
// settings text; tarnwick-sim validate checks a build of the module.
//
// Exit status: 0 the session ran and every hook returned 0; 1 it ran and a
// hook returned non-zero; 2 the command line or the scene cannot be used;
// 3 the simulator itself failed (out of memory, an output it could not write).
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "sim/host/SimulatedHost.h"
#include "sim/program/LottieCommand.h"
#include "sim/program/ModuleLoader.h"
#include "sim/program/OutputFile.h"
#include "sim/program/Session.h"
#include "sim/program/SessionReport.h"
#include "sim/program/Validator.h"
#include "sim/scene/InputFile.h"
#include "sim/scene/Scene.h"
#include "sim/settings/Preview.h"
#include "sim/settings/SettingsReader.h"
#include "tarnwick_config.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "platform/Win32.h"
#else
#include <sys/resource.h>

#include <csignal>

#include "plugin/EntryPoint.h"
#endif

namespace {

constexpr int kHookFailed = 1;
constexpr int kUnusable = 2;
constexpr int kSimulatorFailed = 3;

constexpr long long kMostJobs = 256;
constexpr double kMostSeconds = 7 * 24 * 3600;

// A count given on the command line, said plainly when it is out of range.
CLI::Validator WholeNumberFrom1To(long long most) {
  return CLI::Validator(
      [most](std::string& given) {
        const std::string range = "must be a whole number from 1 to " + std::to_string(most);
        std::size_t used = 0;
        long long value = 0;
        try {
          value = std::stoll(given, &used);
        } catch (const std::invalid_argument&) {
          return range + ", not " + given;
        } catch (const std::out_of_range&) {
          return range + "; " + given + " is beyond it";
        }
        if (used != given.size()) return range + ", not " + given;
        if (value < 1) return std::string("must be at least 1");
        if (value > most) return "must be at most " + std::to_string(most);
        return std::string();
      },
      "N");
}

CLI::Validator SecondsAboveZero() {
  return CLI::Validator(
      [](std::string& given) {
        std::size_t used = 0;
        double value = 0;
        try {
          value = std::stod(given, &used);
        } catch (const std::exception&) {
          used = 0;
        }
        if (used != given.size() || used == 0 || !(value > 0) || value > kMostSeconds) {
          return "must be a number of seconds above 0 and at most " +
                 std::to_string(static_cast<long long>(kMostSeconds)) + ", not " + given;
        }
        return std::string();
      },
      "SECONDS");
}

struct Options {
  std::string scene;
  std::string report;
  std::string preview;
  bool trace = false;
  std::string module;
};

#ifdef _WIN32
std::string ModuleBesideExecutable() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  const std::size_t slash = directory.find_last_of("\\/");
  directory = slash == std::string::npos ? "." : directory.substr(0, slash);
  return directory + "\\" TARNWICK_MODULE_FILE;
}
#endif

// No session may take the machine down: past this much address space an
// allocation fails, which the module reports and the simulator survives.
void LimitAddressSpace() {
#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
  constexpr rlim_t kAddressSpaceLimit = rlim_t{8} << 30;
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) == 0 &&
      (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > kAddressSpaceLimit)) {
    limit.rlim_cur = kAddressSpaceLimit;
    setrlimit(RLIMIT_AS, &limit);
  }
#endif
}

// Opens the output an option names, when it names one.
bool OpenOutput(const std::string& path, tarnwick::sim::OutputFile& out) {
  return path.empty() || out.Open(path);
}

// The hooks that returned non-zero, one line each on standard error.
bool ReportFailedHooks(const tarnwick::sim::SessionResult& result) {
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

int Run(const Options& options) {
#ifdef _WIN32
  const std::string module = options.module.empty() ? ModuleBesideExecutable() : options.module;
  const std::vector<tarnwick::sim::NamedFile> inputs = {{"the scene", options.scene},
                                                        {"the module", module}};
#else
  const std::vector<tarnwick::sim::NamedFile> inputs = {{"the scene", options.scene}};
#endif
  if (!tarnwick::sim::OutputsOwnFiles(
          inputs, {{"--report", options.report}, {"--preview", options.preview}})) {
    return kUnusable;
  }
  tarnwick::sim::Scene scene = tarnwick::sim::LoadSceneFile(options.scene);
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
  const EntryPointFuncType entry = tarnwick::sim::LoadModule(module);
#else
  const EntryPointFuncType entry = &EntryPointFunc;
#endif
  // Opened before the session, so an unwritable output costs no session.
  tarnwick::sim::OutputFile report;
  tarnwick::sim::OutputFile preview;
  if (!OpenOutput(options.report, report) || !OpenOutput(options.preview, preview)) {
    return kUnusable;
  }
  tarnwick::sim::SimulatedHost host(std::move(scene));
  // The call log costs memory in proportion to the calls; only the report
  // reads it.
  host.SetRecordCalls(report.is_open());
  if (options.trace) host.SetTrace(&std::cerr);
  // The preview reads the text as a string; standard output and the report
  // take it straight from the clipboard's block.
  const bool keepText = preview.is_open();
  const auto toStandardOutput = [](const char* bytes, std::size_t size) {
    std::cout.write(bytes, static_cast<std::streamsize>(size));
  };
  const tarnwick::sim::SessionResult result = tarnwick::sim::PlaySession(
      host, entry, &std::cerr,
      keepText ? tarnwick::sim::ClipboardSink() : tarnwick::sim::ClipboardSink(toStandardOutput));
  if (keepText && result.clipboardChanged && result.clipboard) {
    toStandardOutput(result.clipboard->data(), result.clipboard->size());
  }
  if (!result.clipboardChanged) {
    std::cerr << "tarnwick-sim: the clipboard was left unchanged; nothing on standard output\n";
  } else if (!result.clipboardHeld) {
    std::cerr << "tarnwick-sim: the clipboard was emptied; nothing on standard output\n";
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "tarnwick-sim: standard output cannot be written\n";
    return kSimulatorFailed;
  }
  if (preview.is_open()) {
    if (result.clipboardChanged && result.clipboard) {
      tarnwick::sim::WritePreview(preview.stream(), tarnwick::sim::ReadSettings(*result.clipboard));
      if (!preview.Commit()) return kSimulatorFailed;
    } else {
      // No picture: a file already there stays as it was.
      preview.Discard();
      std::cerr << "tarnwick-sim: no preview: the clipboard did not change\n";
    }
  }
  if (report.is_open()) {
    tarnwick::sim::WriteReport(report.stream(), host, result);
    if (!report.Commit()) return kSimulatorFailed;
  }
  return ReportFailedHooks(result) ? kHookFailed : 0;
}

struct PreviewOptions {
  std::string settings;
  std::string out;
};

// Draws a settings text from a file: an export, or what Fusion saved.
int RunPreview(const PreviewOptions& options) {
  if (!tarnwick::sim::OutputsOwnFiles({{"the settings text", options.settings}},
                                      {{"--out", options.out}})) {
    return kUnusable;
  }
  std::string text;
  try {
    text = tarnwick::sim::ReadInputFile(options.settings);
  } catch (const tarnwick::sim::InputError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kUnusable;
  }
  tarnwick::sim::Settings settings;
  try {
    settings = tarnwick::sim::ReadSettings(text);
  } catch (const tarnwick::sim::SettingsError& error) {
    std::cerr << "tarnwick-sim: " << options.settings << ": " << error.what() << "\n";
    return kUnusable;
  }
  tarnwick::sim::OutputFile out;
  if (!out.Open(options.out)) return kUnusable;
  tarnwick::sim::WritePreview(out.stream(), settings);
  return out.Commit() ? 0 : kSimulatorFailed;
}

}  // namespace

int Main(int argc, char** argv) {
  Options options;
  CLI::App app{"Plays one host session of the " TARNWICK_MENU_TEXT
               " module on a scene and prints the text the command put on the clipboard.",
               "tarnwick-sim"};
  app.add_option("scene", options.scene, "the scene file (see docs/scene-format.md)");
  app.add_option("--report", options.report, "write a JSON report of the session to FILE")
      ->option_text("FILE");
  app.add_option("--preview", options.preview,
                 "draw the masks the command put on the clipboard, as SVG, to FILE")
      ->option_text("FILE.svg");
  app.add_flag("--trace", options.trace, "print every host call as it returns, on standard error");
#ifdef _WIN32
  app.add_option("--module", options.module,
                 "the module to load (default: " TARNWICK_MODULE_FILE " beside this program)")
      ->option_text("PATH");
#endif
  // A scene given as an absolute Unix path (under Wine) is not a /option.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string("tarnwick-sim ") + TARNWICK_VERSION);
  app.footer(
      "Exit status: 0 every hook returned 0; 1 a hook returned non-zero; 2 the command line or "
      "scene cannot be used; 3 the simulator itself failed.");
  // A subcommand starts with its parent's footer; each states its own.
  const auto ownFooter = [](CLI::App* subcommand, const std::string& statuses) {
    subcommand->footer("Exit status: " + statuses);
  };
  PreviewOptions previewOptions;
  CLI::App* preview = app.add_subcommand(
      "preview",
      "Draws a settings text as SVG: an export, or a tool, .setting or .comp saved by Fusion.");
  preview->add_option("settings", previewOptions.settings, "the settings text")
      ->required()
      ->option_text("SETTINGS.txt");
  preview->add_option("--out", previewOptions.out, "the SVG to write")
      ->required()
      ->option_text("FILE.svg");
  ownFooter(preview,
            "0 the picture was written; 2 the command line or the settings text cannot be used; "
            "3 the picture could not be written.");
  tarnwick::sim::LottieOptions lottieOptions;
  CLI::App* lottie = app.add_subcommand(
      "lottie",
      "Writes the masks of a Lottie file (the host's Lottie export) as the module's settings "
      "text, each keyframe on its own frame.");
  lottie->add_option("file", lottieOptions.file, "the Lottie file")
      ->required()
      ->option_text("FILE.json");
  lottie
      ->add_option("--comp", lottieOptions.composition,
                   "the precomposition to convert, by its asset id or name (default: the main "
                   "composition)")
      ->option_text("ID");
  lottie->add_flag("--every-frame", lottieOptions.everyFrame,
                   "a keyframe on every whole frame over which a mask or its layers move");
  lottie
      ->add_option("--out", lottieOptions.out, "write the text to FILE (default: standard output)")
      ->option_text("FILE.setting");
  lottie->add_option("--report", lottieOptions.report, "write a JSON report to FILE")
      ->option_text("FILE.json");
  lottie->add_option("--preview", lottieOptions.preview, "draw the masks as SVG to FILE")
      ->option_text("FILE.svg");
  ownFooter(lottie,
            "0 converted; 1 the composition has no mask; 2 the command line or the file cannot be "
            "used; 3 an output could not be written, or memory ran out.");
  tarnwick::sim::ValidateOptions validateOptions;
  validateOptions.examples = TARNWICK_SOURCE_DIR "/examples";
  validateOptions.scenes = TARNWICK_SOURCE_DIR "/tests/scenes";
  CLI::App* validate = app.add_subcommand(
      "validate", "Runs the catalogue of checks against the module, each in a process of its own.");
  ownFooter(validate,
            "0 nothing failed, crashed or timed out; 1 something did; 2 a bad command line, or a "
            "module file, examples folder or scenes folder that is not there; 3 the validator "
            "itself failed.");
  validate->add_flag("--list", validateOptions.list, "print the checks, one a line, and stop");
  validate->add_option("--check", validateOptions.checks, "run only this check (repeatable)")
      ->option_text("NAME");
  validate->add_option("--jobs", validateOptions.jobs, "checks run at once (default: the cores)")
      ->check(WholeNumberFrom1To(kMostJobs))
      ->option_text("N");
  validate->add_option("--json", validateOptions.json, "write the results as JSON to FILE")
      ->option_text("FILE");
  validate
      ->add_option("--examples", validateOptions.examples,
                   "the example scenes' folder (default: " + validateOptions.examples + ")")
      ->option_text("DIR");
  validate
      ->add_option("--scenes", validateOptions.scenes,
                   "more scenes for the fault sweeps (default: " + validateOptions.scenes + ")")
      ->option_text("DIR");
  validate
      ->add_option_function<double>(
          "--time-limit", [&](double seconds) { validateOptions.timeLimit = seconds; },
          "seconds each check may take, instead of its own limit")
      ->check(SecondsAboveZero())
      ->option_text("SECONDS");
#ifdef _WIN32
  validate
      ->add_option("--module", validateOptions.module,
                   "the module to check (default: " TARNWICK_MODULE_FILE " beside this program)")
      ->option_text("PATH");
#endif
  // How the validator starts a check in a process of its own.
  validate->add_option("--run-check", validateOptions.runCheck)->group("");
  validate->add_option("--result", validateOptions.resultFile)->group("");
  try {
    app.parse(argc, argv);
    validateOptions.foldersGiven =
        validate->count("--examples") > 0 || validate->count("--scenes") > 0;
    if (!*preview && !*validate && !*lottie && options.scene.empty()) {
      throw CLI::RequiredError("scene");
    }
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? 0 : kUnusable;
  }
  LimitAddressSpace();
  if (*validate) {
#ifdef _WIN32
    if (validateOptions.module.empty()) validateOptions.module = ModuleBesideExecutable();
    const EntryPointFuncType linked = nullptr;
#else
    const EntryPointFuncType linked = &EntryPointFunc;
#endif
    try {
      return tarnwick::sim::Validate(validateOptions, linked);
    } catch (const std::exception& error) {
      std::cerr << "tarnwick-sim: validate: " << error.what() << "\n";
      return kSimulatorFailed;
    }
  }
  if (*preview) return RunPreview(previewOptions);
  if (*lottie) return tarnwick::sim::RunLottie(lottieOptions);
  try {
    return Run(options);
  } catch (const tarnwick::sim::SceneError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kUnusable;
  } catch (const tarnwick::sim::ModuleError& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
    return kUnusable;
  } catch (const tarnwick::sim::SettingsError& error) {
    std::cerr << "tarnwick-sim: cannot draw the preview: " << error.what() << "\n";
    return kSimulatorFailed;
  }
}

int main(int argc, char** argv) {
#ifndef _WIN32
  // A pipe whose reader has gone is a write that fails, told in one line
  // with status 3, not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  // The last line of defence: whatever escapes (out of memory included) is
  // one line and status 3.
  try {
    return Main(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cerr << "tarnwick-sim: out of memory\n";
  } catch (const std::exception& error) {
    std::cerr << "tarnwick-sim: " << error.what() << "\n";
  } catch (...) {
    std::cerr << "tarnwick-sim: an unknown error\n";
  }
  return kSimulatorFailed;
}
