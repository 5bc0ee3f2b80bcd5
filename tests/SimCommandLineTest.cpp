// tarnwick-sim as a user runs it: refusals that name the file, the place and
// what is wrong, and exit statuses that tell the truth.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tarnwick_config.h"
#include "tests/TestSupport.h"

namespace tarnwick {
namespace {

struct Ran {
  int status;
  std::string out, err;
};

// Runs tarnwick-sim with the arguments (shell words) in a scratch folder, or
// in a folder below it.
Ran RunSim(const std::string& arguments, const std::string& stdoutTo = "",
           const std::string& below = "") {
  const std::string dir = ::testing::TempDir();
  const std::string out = stdoutTo.empty() ? dir + "/sim.out" : stdoutTo;
  const std::string command = "cd " + dir + "/" + below + " && " TARNWICK_SIM_EXE " " + arguments +
                              " >" + out + " 2>" + dir + "/sim.err";
  const int raw = std::system(command.c_str());
  Ran ran{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, "", tests::ReadFile(dir + "/sim.err")};
  if (stdoutTo.empty()) ran.out = tests::ReadFile(out);
  return ran;
}

std::string SceneFile(const std::string& name, const std::string& json) {
  tests::WriteFile(::testing::TempDir() + "/" + name, json);
  return name;
}

const char kComp[] = R"({ "active_item": 0, "items": [ { "type": "composition",
  "width": 1920, "height": 1080, "layers": [ { "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ],
  "selection": [ { "layer": 0, "mask": 0 } ] } ] })";

std::string Comp(const std::string& top, const std::string& layers = "",
                 const std::string& selection = R"([ { "layer": 0, "mask": 0 } ])") {
  return "{ " + top + R"( "active_item": 0, "items": [ { "type": "composition", "width": 1920,
    "height": 1080, "layers": )" +
         (layers.empty() ? R"([ { "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ])"
                         : layers) +
         R"(, "selection": )" + selection + " } ] }";
}

TEST(SimCommandLine, BadScenesAreRefusedWithTheirPlace) {
  const std::string generated =
      R"({ "generate": { "vertices": 4000, "keyframes": 2000, "seed": 1 } })";
  const std::string manyLines =
      R"([ { "masks": [ { "vertices": [ [0, 0, 0, 0, 0, 0] ], "keyframe_count": 1048576 } ] } ])";
  std::string twentySelections = "[";
  for (int i = 0; i < 20; ++i)
    twentySelections += (i ? ", " : "") + std::string(R"({ "layer": 0, "mask": 0 })");
  twentySelections += "]";
  const struct {
    const char* name;
    std::string json;  // empty: the file is not written
    const char* fragment;
  } cases[] = {
      {"missing.json", "", "missing.json: does not exist"},
      {".", "", ".: is a folder, not a file"},
      {"digits.json",
       R"({ "active_item": 0, "items": [ { "type": "composition", "width": 12345678901234567890 } ] })",
       "items[0].width: is beyond the range of integers allowed here (from -2147483648 to "
       "2147483647)"},
      {"syntax.json", "{ \"items\": [ }", "syntax.json: items[0]: not JSON"},
      {"huge.json", R"({ "items": [ { "type": "footage", "width": 1e400 } ] })",
       "huge.json: items[0].width: the number 1e400 is beyond what a double holds"},
      {"duplicate.json", R"({ "items": [ { "type": "footage", "layers": [], "layers": [] } ] })",
       "duplicate.json: items[0]: duplicate key \"layers\""},
      {"operation.json",
       Comp(R"("faults": [ { "operation": "AEGP_GetNewLayerStrem", "call": 1, "code": 7 } ],)"),
       "operation.json: faults[0].operation: unknown operation \"AEGP_GetNewLayerStrem\"; the "
       "operations are \"*\", AEGP_GetUniqueCommand"},
      {"suite.json", Comp(R"("missing_suites": [ { "name": "AEGP Stream Suit", "version": 7 } ],)"),
       "suite.json: missing_suites[0]: the host serves no suite \"AEGP Stream Suit\" version 7; it "
       "serves \"AEGP Command Suite\" 1"},
      {"version.json",
       Comp(R"("missing_suites": [ { "name": "AEGP Stream Suite", "version": 6 } ],)"),
       "missing_suites[0]: the host serves no suite \"AEGP Stream Suite\" version 6"},
      {"step.json", Comp(R"("clipboard_faults": ["EmptyClipboard"],)"),
       "clipboard_faults[0]: unknown clipboard step \"EmptyClipboard\""},
      {"order.json", Comp("", R"([ { "masks": [ { "keyframes": [ { "time": 1000, "vertices": [] },
                                                    { "time": 1000, "vertices": [] } ] } ] } ])"),
       "order.json: items[0].layers[0].masks[0].keyframes[1].time: must come after the time "
       "before it"},
      {"keyed.json",
       Comp("",
            R"([ { "position": [ { "time": 5, "value": [0, 0] }, { "time": 2, "value": [0, 0] } ],
                       "masks": [ { "vertices": [] } ] } ])"),
       "items[0].layers[0].position[1].time: must come after"},
      {"times.json",
       Comp(R"("time_scale": 1073741824,)",
            R"([ { "masks": [ { "generate": { "vertices": 1, "keyframes": 3, "seed": 1 } } ] } ])"),
       "items[0].layers[0].masks[0].generate.keyframes: one a second at time scale 1073741824"},
      {"vertices.json",
       Comp("", "[ { \"masks\": [ " + generated + ", " + generated + ", " + generated + " ] } ]"),
       "items[0].layers[0].masks[2].generate: the scene's vertices pass its limit of 20,000,000"},
      {"mixed.json", Comp("", R"([ { "to_world": [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1],
                                       "rotation": 10 } ])"),
       "items[0].layers[0]: \"to_world\" is the whole matrix and cannot go with \"rotation\""},
      {"range.json", Comp("", R"([ { "parent": 1 } ])"),
       "items[0].layers[0].parent: names layer 1; the composition's layers are 0 to 0"},
      {"self.json", Comp("", R"([ { "parent": 1 }, { "parent": 1 } ])"),
       "items[0].layers[1].parent: a layer cannot be its own parent"},
      {"cycle.json", Comp("", R"([ { "parent": 1 }, { "parent": 2 }, { "parent": 1 } ])"),
       "items[0].layers[1].parent: the chain of parents comes back to this layer"},
      {"session.json", Comp(R"("session": ["entry", "menu", "export"],)"),
       "session.json: session[2]: unknown step \"export\"; the steps are entry, menu, command, "
       "idle"},
      {"lines.json", Comp("", manyLines, twentySelections),
       "items[0].selection[4]: the scene's point lines pass its limit of 20,000,000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.json.empty()) SceneFile(c.name, c.json);
    const Ran ran = RunSim(c.name);
    EXPECT_EQ(ran.status, 2);
    EXPECT_NE(ran.err.find(c.fragment), std::string::npos) << ran.err;
    EXPECT_EQ(ran.out, "");
  }
}

TEST(SimCommandLine, ExitStatusesTellTheTruth) {
  SceneFile("good.json", kComp);
  SceneFile(
      "failing.json",
      Comp(R"("faults": [ { "operation": "AEGP_GetNewLayerStream", "call": 1, "code": 7 } ],)"));
  SceneFile("unchanged.json", Comp(R"("clipboard": "kept",)", "", "null"));
  const struct {
    const char* name;
    std::string arguments;
    int status;
    const char* err;      // a fragment of standard error
    bool printsSettings;  // standard output holds the settings text
  } cases[] = {
      {"help", "--help", 0, "", false},
      {"version", "--version", 0, "", false},
      {"no scene", "", 2, "scene is required", false},
      {"unknown option", "good.json --frobnicate", 2, "--frobnicate", false},
      {"two scenes", "good.json good.json", 2, "not expected", false},
      {"unwritable report", "good.json --report no/such/dir/r.json", 2,
       "no/such/dir/r.json: cannot be written: No such file or directory", false},
      {"a good session", "good.json --report r.json", 0, "CommandHook -> 0", true},
      {"a hook that failed", "failing.json", 1, "tarnwick-sim: CommandHook returned 7", false},
      {"clipboard left as it was", "unchanged.json --preview none.svg", 0,
       "no preview: the clipboard did not change", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Ran ran = RunSim(c.arguments);
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_NE(ran.err.find(c.err), std::string::npos) << ran.err;
    EXPECT_EQ(ran.out.rfind("{\r\n\tTools = ordered() {", 0) == 0, c.printsSettings) << ran.out;
  }
  EXPECT_FALSE(std::ifstream(::testing::TempDir() + "/none.svg").good());
  EXPECT_NE(RunSim("--help").out.find("Exit status"), std::string::npos);
  EXPECT_EQ(RunSim("--version").out, "tarnwick-sim " TARNWICK_VERSION "\n");
  EXPECT_NE(tests::ReadFile(::testing::TempDir() + "/r.json").find("\"calls\": ["),
            std::string::npos);
  // Standard output that cannot be written is the simulator's own failure.
  EXPECT_EQ(RunSim("good.json", "/dev/full").status, 3);
}

TEST(SimCommandLine, PreviewDrawsAnySettingsTextAndRefusesWhatItCannotHold) {
  tests::WriteFile(::testing::TempDir() + "/huge-key.txt",
                   "{\n\tTools = ordered() {\n\t\tA = BezierSpline {\n\t\t\tKeyFrames = {\n"
                   "\t\t\t\t[1e999] = { 0, Value = Polyline { Points = { { X = 0, Y = 0 } } } }\n"
                   "\t\t\t}\n\t\t}\n\t}\n}\n");
  const std::string example = tests::SourcePath("examples/worked-example.expected.txt");
  const std::string comp = tests::SourcePath("tests/settings/saved.comp");
  const struct {
    std::string arguments;
    int status;
    const char* err;
    bool drawn;
  } cases[] = {
      {"preview " + example + " --out drawn.svg", 0, "", true},
      {"preview " + comp + " --out drawn.svg", 0, "", true},
      {"preview huge-key.txt --out drawn.svg", 2,
       "huge-key.txt: settings text, line 5 column 5: a keyframe key beyond 32-bit integers",
       false},
      {"preview no-such.txt --out drawn.svg", 2, "no-such.txt: does not exist", false},
      {"preview . --out drawn.svg", 2, ".: is a folder, not a file", false},
      {"preview " + example, 2, "--out is required", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    std::remove((::testing::TempDir() + "/drawn.svg").c_str());
    const Ran ran = RunSim(c.arguments);
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_NE(ran.err.find(c.err), std::string::npos) << ran.err;
    EXPECT_EQ(std::ifstream(::testing::TempDir() + "/drawn.svg").good(), c.drawn);
  }
}

// No file the user had is lost: an output that is an input or another
// output is refused before anything runs, and an output not produced leaves
// the file there as it was.
TEST(SimCommandLine, NeverDestroysAFileTheUserHad) {
  const std::string dir = ::testing::TempDir() + "/files";
  const std::string kept = "the user's own bytes\n";
  const struct {
    const char* what;
    std::string arguments;
    int status;
    const char* err;
    std::vector<std::string> keptFiles;  // each holds `kept` before and after
  } cases[] = {
      {"a preview not drawn", "unchanged.json --preview keep.svg", 0, "no preview", {"keep.svg"}},
      {"the report over the scene",
       "scene.json --report scene.json",
       2,
       "--report scene.json is the same file as the scene scene.json",
       {"scene.json"}},
      {"the report over a link to the scene",
       "scene.json --report link.json",
       2,
       "--report link.json is the same file as the scene scene.json",
       {"scene.json"}},
      {"the report over the scene, spelled otherwise",
       "scene.json --report ./sub/../scene.json",
       2,
       "is the same file as the scene",
       {"scene.json"}},
      {"a preview over its settings text",
       "preview scene.json --out scene.json",
       2,
       "--out scene.json is the same file as the settings text scene.json",
       {"scene.json"}},
      {"two outputs in one file",
       "good.json --report keep.svg --preview ./keep.svg",
       2,
       "are the same file; give each output a file of its own",
       {"keep.svg"}},
      {"two new outputs in one file",
       "good.json --report new.json --preview ./new.json",
       2,
       "are the same file",
       {}},
      {"a scene that cannot be used",
       "scene.json --report keep.svg",
       2,
       "scene.json: ",
       {"keep.svg"}},
      {"a second output that cannot be written",
       "good.json --report keep.svg --preview no/such/folder.svg",
       2,
       "cannot be written",
       {"keep.svg"}},
      {"a settings text that cannot be drawn",
       "preview scene.json --out keep.svg",
       2,
       "scene.json: settings text",
       {"keep.svg"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "/sub");
    tests::WriteFile(dir + "/good.json", kComp);
    tests::WriteFile(dir + "/unchanged.json", Comp(R"("clipboard": "kept",)", "", "null"));
    for (const char* name : {"scene.json", "keep.svg"}) tests::WriteFile(dir + "/" + name, kept);
    std::filesystem::create_symlink("scene.json", dir + "/link.json");
    const Ran ran = RunSim(c.arguments, "", "files");
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_NE(ran.err.find(c.err), std::string::npos) << ran.err;
    for (const std::string& name : c.keptFiles) EXPECT_EQ(tests::ReadFile(dir + "/" + name), kept);
    EXPECT_FALSE(std::filesystem::exists(dir + "/new.json"));
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos)
          << "left behind: " << entry.path();
    }
  }
}

// What a person mistyped gets one plain line, and each subcommand's help its
// own exit statuses.
TEST(SimCommandLine, MistakesGetOnePlainLine) {
  const struct {
    std::string arguments;
    int status;
    const char* said;  // on standard error, or standard output for help
    const char* notSaid;
  } cases[] = {
      {"validate --jobs 0", 2, "--jobs: must be at least 1", "e+"},
      {"validate --jobs 99999999999999999999", 2,
       "--jobs: must be a whole number from 1 to 256; 99999999999999999999 is beyond it", "e+"},
      {"validate --time-limit -1", 2, "--time-limit: must be a number of seconds above 0", "e+"},
      {"validate --time-limit nan", 2, "--time-limit: must be a number of seconds above 0", "e+"},
      {"validate --examples MISSING", 2, "MISSING: does not exist", "give --examples"},
      {"validate --scenes MISSING", 2, "MISSING: does not exist", "give --scenes"},
      {"validate --help", 0,
       "Exit status: 0 nothing failed, crashed or timed out; 1 something did; 2 a bad command line",
       "a hook returned non-zero"},
      {"validate --help", 0, "(default: " TARNWICK_TEST_SOURCE_DIR "/examples)", "\x1b"},
      {"validate --help", 0, "(default: " TARNWICK_TEST_SOURCE_DIR "/tests/scenes)", "\x1b"},
      {"preview --help", 0, "Exit status: 0 the picture was written", "a hook returned non-zero"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const Ran ran = RunSim(c.arguments);
    EXPECT_EQ(ran.status, c.status) << ran.err;
    const std::string said = ran.out + ran.err;
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    EXPECT_EQ(said.find(c.notSaid), std::string::npos) << said;
    std::istringstream lines(ran.err);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 160u) << line;
  }
}

TEST(SimCommandLine, ValidateListsRunsAndReportsItsChecks) {
  const Ran list = RunSim("validate --list");
  EXPECT_EQ(list.status, 0);
  for (const char* name :
       {"module-file", "registration", "menu-update", "other-command", "nothing-to-export",
        "examples", "single-faults", "pair-faults", "missing-suites", "clipboard-steps",
        "hostile-host", "soak", "host-objects"}) {
    EXPECT_NE(("\n" + list.out).find(std::string("\n") + name + " "), std::string::npos) << name;
  }
  EXPECT_EQ(list.out.rfind("module-file ", 0), 0u);

  const Ran unknown = RunSim("validate --check no-such-check");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("no check named \"no-such-check\"; the checks are module-file"),
            std::string::npos)
      << unknown.err;

  const Ran two = RunSim("validate --check registration --check module-file --json checks.json");
  EXPECT_EQ(two.status, 0) << two.out;
  EXPECT_NE(two.out.find("2 checks: 1 passed, 0 failed, 0 crashed, 0 timed out, 1 skipped"),
            std::string::npos)
      << two.out;
  const std::string json = tests::ReadFile(::testing::TempDir() + "/checks.json");
  EXPECT_NE(json.find(R"("name": "registration",)"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("status": "skip")"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("totals": {)"), std::string::npos) << json;
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// tarnwick-sim lottie as a person runs it: real exports, the report, the
// statuses, and no output made or changed for a file that cannot be used.
TEST(SimCommandLine, LottieFilesBecomeSettingsText) {
  const std::string dir = ::testing::TempDir() + "/lottie";
  const std::string source = TARNWICK_TEST_SOURCE_DIR "/";
  const std::string kept = "the user's own bytes\n";
  const struct {
    const char* what;
    std::string arguments;
    int status;
    const char* err;  // on standard error
  } cases[] = {
      {"a real export", source + "tests/lottie/lottie-web/dalek.json --out out.setting", 0,
       "11 masks from the main composition, 1920 x 1080 at 30 fps"},
      {"a precomposition by id",
       source + "tests/lottie/lottie-web/starfish.json --comp comp_1 --out out.setting", 0,
       "1 mask from precomposition comp_1, 94 x 71 at 60 fps"},
      {"a main composition without masks",
       source + "tests/lottie/lottie-web/starfish.json --out keep.setting", 1,
       "the main composition \"starfish\" has no mask; the compositions with masks: comp_1 (1 "
       "mask)"},
      {"--comp naming nothing",
       source + "tests/lottie/lottie-web/starfish.json --comp comp_9 --out keep.setting", 2,
       "--comp comp_9 names no precomposition; it has comp_1"},
      {"a moving mask is named", source + "examples/lottie/moving-window.json --out out.setting", 0,
       "BSpline0 (layer 1 \"Plate\", mask 0): moves between keys; --every-frame matches every "
       "frame"},
      {"broken JSON", "broken.json --out keep.setting", 2,
       "broken.json: line 2, column 1: not JSON"},
      {"a scene, not a Lottie file", "scene.json --out keep.setting", 2,
       "scene.json: not a Lottie file"},
      {"a missing file", "missing.json --out keep.setting", 2, "missing.json: does not exist"},
      {"a folder", ". --out keep.setting", 2, "is a folder, not a file"},
      {"the text over the file", "broken.json --out broken.json", 2,
       "--out broken.json is the same file as the Lottie file broken.json"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    tests::WriteFile(dir + "/broken.json", "{ \"fr\": 25,\n");
    tests::WriteFile(dir + "/scene.json", kComp);
    tests::WriteFile(dir + "/keep.setting", kept);
    const Ran ran = RunSim("lottie " + c.arguments + " --report report.json", "", "lottie");
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_NE(ran.err.find(c.err), std::string::npos) << ran.err;
    EXPECT_EQ(tests::ReadFile(dir + "/keep.setting"), kept);
    EXPECT_EQ(std::filesystem::exists(dir + "/report.json"), c.status == 0);
    if (c.status != 0) continue;
    const std::string text = tests::ReadFile(dir + "/out.setting");
    EXPECT_EQ(text.rfind("{\r\n\tTools = ordered() {\r\n", 0), 0u);
    EXPECT_EQ(tests::RunHarness(text).status, 0) << "Lua does not read it as settings";
    const std::string report = tests::ReadFile(dir + "/report.json");
    for (const char* key : {"\"composition\"", "\"frame_rate\"", "\"tools\"", "\"layer_ind\"",
                            "\"moves_between_keys\"", "\"not_carried\"", "\"frames\""}) {
      EXPECT_NE(report.find(key), std::string::npos) << key;
    }
  }
}

}  // namespace
}  // namespace tarnwick
