// tarnwick-sim's command line: plays one host session of the module on a
// scene and prints what the module put on the clipboard; preview draws any
// settings text; lottie converts a Lottie file's masks; validate checks a
// build of the module. This file reads the command line and hands it to the
// subcommand; each subcommand's work is in its own library.
#include <CLI/CLI.hpp>
#include <iostream>
#include <new>
#include <string>

#include "sim/program/LottieCommand.h"
#include "sim/program/PreviewCommand.h"
#include "sim/session/ExitStatus.h"
#include "sim/session/ModuleLoader.h"
#include "sim/session/PlayCommand.h"
#include "sim/session/ProcessLimits.h"
#include "sim/validate/Validator.h"
#include "tarnwick_config.h"

#ifndef _WIN32
#include "plugin/EntryPoint.h"
#endif

namespace {

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

// The module's entry point linked into this program, or null where the
// module is a file to load.
EntryPointFuncType LinkedEntry() {
#ifdef _WIN32
  return nullptr;
#else
  return &EntryPointFunc;
#endif
}

// The module file loaded unless another is named: on Windows, the one
// installed beside this program; natively none, the module is linked in.
std::string DefaultModule() {
#ifdef _WIN32
  return tarnwick::sim::ModuleBesideThisProgram();
#else
  return std::string();
#endif
}

// A subcommand starts with its parent's footer; each states its own.
void StatusFooter(CLI::App* command, const std::string& statuses) {
  command->footer("Exit status: " + statuses);
}

void AddPlayOptions(CLI::App& app, tarnwick::sim::PlayOptions& options) {
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
}

CLI::App* AddPreviewCommand(CLI::App& app, tarnwick::sim::PreviewOptions& options) {
  CLI::App* preview = app.add_subcommand(
      "preview",
      "Draws a settings text as SVG: an export, or a tool, .setting or .comp saved by Fusion.");
  preview->add_option("settings", options.settings, "the settings text")
      ->required()
      ->option_text("SETTINGS.txt");
  preview->add_option("--out", options.out, "the SVG to write")
      ->required()
      ->option_text("FILE.svg");
  StatusFooter(preview,
               "0 the picture was written; 2 the command line or the settings text cannot be "
               "used; 3 the picture could not be written.");
  return preview;
}

CLI::App* AddLottieCommand(CLI::App& app, tarnwick::sim::LottieOptions& options) {
  CLI::App* lottie = app.add_subcommand(
      "lottie",
      "Writes the masks of a Lottie file (the host's Lottie export) as the module's settings "
      "text, each keyframe on its own frame.");
  lottie->add_option("file", options.file, "the Lottie file")->required()->option_text("FILE.json");
  lottie
      ->add_option("--comp", options.composition,
                   "the precomposition to convert, by its asset id or name (default: the main "
                   "composition)")
      ->option_text("ID");
  lottie->add_flag("--every-frame", options.everyFrame,
                   "a keyframe on every whole frame over which a mask or its layers move");
  lottie->add_option("--out", options.out, "write the text to FILE (default: standard output)")
      ->option_text("FILE.setting");
  lottie->add_option("--report", options.report, "write a JSON report to FILE")
      ->option_text("FILE.json");
  lottie->add_option("--preview", options.preview, "draw the masks as SVG to FILE")
      ->option_text("FILE.svg");
  StatusFooter(lottie,
               "0 converted; 1 the composition has no mask; 2 the command line or the file cannot "
               "be used; 3 an output could not be written, or memory ran out.");
  return lottie;
}

// Which checks run, and where their inputs and results are.
void AddValidateSelection(CLI::App* validate, tarnwick::sim::ValidateOptions& options) {
  validate->add_flag("--list", options.list, "print the checks, one a line, and stop");
  validate->add_option("--check", options.checks, "run only this check (repeatable)")
      ->option_text("NAME");
  validate->add_option("--jobs", options.jobs, "checks run at once (default: the cores)")
      ->check(WholeNumberFrom1To(kMostJobs))
      ->option_text("N");
  validate->add_option("--json", options.json, "write the results as JSON to FILE")
      ->option_text("FILE");
  validate
      ->add_option("--examples", options.examples,
                   "the example scenes' folder (default: " + options.examples + ")")
      ->option_text("DIR");
  validate
      ->add_option("--scenes", options.scenes,
                   "more scenes for the fault sweeps (default: " + options.scenes + ")")
      ->option_text("DIR");
  validate
      ->add_option_function<double>(
          "--time-limit", [&options](double seconds) { options.timeLimit = seconds; },
          "seconds each check may take, instead of its own limit")
      ->check(SecondsAboveZero())
      ->option_text("SECONDS");
}

CLI::App* AddValidateCommand(CLI::App& app, tarnwick::sim::ValidateOptions& options) {
  options.examples = TARNWICK_SOURCE_DIR "/examples";
  options.scenes = TARNWICK_SOURCE_DIR "/tests/scenes";
  CLI::App* validate = app.add_subcommand(
      "validate", "Runs the catalogue of checks against the module, each in a process of its own.");
  StatusFooter(validate,
               "0 nothing failed, crashed or timed out; 1 something did; 2 a bad command line, or "
               "a module file, examples folder or scenes folder that is not there; 3 the "
               "validator itself failed.");
  AddValidateSelection(validate, options);
#ifdef _WIN32
  validate
      ->add_option("--module", options.module,
                   "the module to check (default: " TARNWICK_MODULE_FILE " beside this program)")
      ->option_text("PATH");
#endif
  // How the validator starts a check in a process of its own.
  validate->add_option("--run-check", options.runCheck)->group("");
  validate->add_option("--result", options.resultFile)->group("");
  return validate;
}

int RunValidate(tarnwick::sim::ValidateOptions& options) {
  if (options.module.empty()) options.module = DefaultModule();
  try {
    return tarnwick::sim::Validate(options, LinkedEntry());
  } catch (const std::exception& error) {
    std::cerr << "tarnwick-sim: validate: " << error.what() << "\n";
    return tarnwick::sim::kExitFailed;
  }
}

}  // namespace

int Main(int argc, char** argv) {
  CLI::App app{"Plays one host session of the " TARNWICK_MENU_TEXT
               " module on a scene and prints the text the command put on the clipboard.",
               "tarnwick-sim"};
  tarnwick::sim::PlayOptions playOptions;
  tarnwick::sim::PreviewOptions previewOptions;
  tarnwick::sim::LottieOptions lottieOptions;
  tarnwick::sim::ValidateOptions validateOptions;
  AddPlayOptions(app, playOptions);
  CLI::App* preview = AddPreviewCommand(app, previewOptions);
  CLI::App* lottie = AddLottieCommand(app, lottieOptions);
  CLI::App* validate = AddValidateCommand(app, validateOptions);
  try {
    app.parse(argc, argv);
    validateOptions.foldersGiven =
        validate->count("--examples") > 0 || validate->count("--scenes") > 0;
    if (!*preview && !*validate && !*lottie && playOptions.scene.empty()) {
      throw CLI::RequiredError("scene");
    }
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? tarnwick::sim::kExitSuccess : tarnwick::sim::kExitUnusable;
  }
  if (*validate) return RunValidate(validateOptions);
  if (*preview) return tarnwick::sim::RunPreview(previewOptions);
  if (*lottie) return tarnwick::sim::RunLottie(lottieOptions);
  if (playOptions.module.empty()) playOptions.module = DefaultModule();
  return tarnwick::sim::RunPlay(playOptions, LinkedEntry());
}

int main(int argc, char** argv) {
  tarnwick::sim::LimitThisProcess();
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
  return tarnwick::sim::kExitFailed;
}
