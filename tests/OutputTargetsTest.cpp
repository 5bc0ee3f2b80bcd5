// Every output of every subcommand, aimed at something that is not a regular
// file: devices and pipes are written where they are, never replaced; a full
// device is status 3; "-" is standard output; regular files keep the rule of
// whole or not at all. The devices are the test's own (mknod in a scratch
// folder), never the machine's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tarnwick_config.h"
#include "tests/TestSupport.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

const char kScene[] = R"({ "active_item": 0, "items": [ { "type": "composition",
  "width": 1920, "height": 1080, "layers": [ { "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ],
  "selection": [ { "layer": 0, "mask": 0 } ] } ] })";

struct Option {
  const char* what;
  std::string before;  // the arguments before the output's path
  std::string after;   // and after it
  bool repeatable;     // the same arguments give the same bytes
};

// The kinds of target, each made afresh in the scratch folder.
enum class Target { kNullDevice, kFullDevice, kFifo, kDash, kDescriptorLink, kRegular, kNew };

struct TargetCase {
  const char* what;
  Target target;
  int status;
  bool needsRoot;
};

struct Ran {
  int status;
  std::string out, err, read;  // `read`: what the pipe's reader got
};

std::string Scratch() {
  return ::testing::TempDir() + "/output-targets";
}

// Runs the simulator in the scratch folder with `path` as the output; a
// reader drains `fifo` when one is given, as the program that reads a pipe.
Ran RunWithOutput(const Option& option, const std::string& path, const std::string& fifo) {
  const std::string dir = Scratch();
  std::string command = "cd " + dir + " && ";
  if (!fifo.empty()) command += "{ timeout 60 cat " + fifo + " >fifo.read & } && ";
  command += TARNWICK_SIM_EXE " " + option.before + " " + path + " " + option.after +
             " >sim.out 2>sim.err; status=$?; wait; exit $status";
  const int raw = std::system(command.c_str());
  Ran ran{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, tests::ReadFile(dir + "/sim.out"),
          tests::ReadFile(dir + "/sim.err"), ""};
  if (!fifo.empty()) ran.read = tests::ReadFile(dir + "/fifo.read");
  return ran;
}

bool IsCharacterDevice(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode);
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(OutputTargets, DevicesAndPipesAreWrittenInPlace) {
  const bool root = ::geteuid() == 0;
  if (!root) std::cout << "not root: the device cases (mknod) are skipped\n";
  const Option options[] = {
      {"--report", "scene.json --report", "", true},
      {"--preview", "scene.json --preview", "", true},
      {"preview --out", "preview settings.txt --out", "", true},
      {"validate --json", "validate --check menu-update --json", "", false},
      {"lottie --out", "lottie moving-window.json --out", "", true},
      {"lottie --report", "lottie moving-window.json --out text.setting --report", "", true},
      {"lottie --preview", "lottie moving-window.json --out text.setting --preview", "", true},
  };
  const TargetCase targets[] = {
      // First, so the others have its bytes to compare with.
      {"a regular file", Target::kRegular, 0, false},
      {"a new file", Target::kNew, 0, false},
      {"a device that takes everything", Target::kNullDevice, 0, true},
      {"a full device", Target::kFullDevice, 3, true},
      {"a pipe with a reader", Target::kFifo, 0, false},
      {"-, standard output", Target::kDash, 0, false},
      {"a link to standard output's descriptor", Target::kDescriptorLink, 0, false},
  };
  for (const Option& option : options) {
    // What the option writes, to a regular file: the bytes every other
    // target must receive.
    std::string reference;
    for (const TargetCase& target : targets) {
      SCOPED_TRACE(std::string(option.what) + " to " + target.what);
      if (target.needsRoot && !root) continue;
      const std::string dir = Scratch();
      fs::remove_all(dir);
      fs::create_directories(dir);
      tests::WriteFile(dir + "/scene.json", kScene);
      tests::WriteFile(dir + "/moving-window.json",
                       tests::ReadFile(tests::SourcePath("examples/lottie/moving-window.json")));
      tests::WriteFile(dir + "/settings.txt",
                       tests::ReadFile(tests::SourcePath("examples/worked-example.expected.txt")));
      std::string path, fifo;
      switch (target.target) {
        case Target::kNullDevice:
          path = "null";
          ASSERT_EQ(::mknod((dir + "/null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
          break;
        case Target::kFullDevice:
          path = "full";
          ASSERT_EQ(::mknod((dir + "/full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
          break;
        case Target::kFifo:
          path = fifo = "pipe";
          ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0600), 0);
          break;
        case Target::kDash:
          path = "-";
          break;
        case Target::kDescriptorLink:
          path = "stdout-link";
          fs::create_symlink("/proc/self/fd/1", dir + "/stdout-link");
          break;
        case Target::kRegular:
          path = "out.file";
          tests::WriteFile(dir + "/out.file", "the user's own bytes\n");
          break;
        case Target::kNew:
          path = "out.file";
          break;
      }
      const Ran ran = RunWithOutput(option, path, fifo);
      EXPECT_EQ(ran.status, target.status) << ran.err;
      switch (target.target) {
        case Target::kNullDevice:
          EXPECT_TRUE(IsCharacterDevice(dir + "/null"));
          break;
        case Target::kFullDevice:
          EXPECT_TRUE(IsCharacterDevice(dir + "/full"));
          EXPECT_NE(ran.err.find("tarnwick-sim: full: cannot be written: No space left on device"),
                    std::string::npos)
              << ran.err;
          break;
        case Target::kFifo:
          EXPECT_TRUE(fs::is_fifo(dir + "/pipe"));
          if (option.repeatable) {
            EXPECT_EQ(ran.read, reference);
          }
          EXPECT_FALSE(ran.read.empty());
          break;
        case Target::kDash:
        case Target::kDescriptorLink:
          // After whatever the program printed itself, never in its place.
          if (option.repeatable) {
            EXPECT_TRUE(EndsWith(ran.out, reference)) << ran.out;
          }
          EXPECT_FALSE(ran.out.empty());
          break;
        case Target::kRegular:
        case Target::kNew:
          reference = tests::ReadFile(dir + "/out.file");
          EXPECT_FALSE(reference.empty());
          break;
      }
      for (const auto& entry : fs::directory_iterator(dir)) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos)
            << "left behind: " << entry.path();
      }
    }
  }
}

}  // namespace
}  // namespace tarnwick
