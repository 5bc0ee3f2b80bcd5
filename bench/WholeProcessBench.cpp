// What a person runs: the whole tarnwick-sim process on a one-million-line
// scene, against a C program that snprintf("%f")s the same count of numbers,
// and its peak resident memory against the text it prints.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kMasks = 10;
constexpr int kVertices = 1000;
constexpr int kKeyframes = 100;
constexpr long kNumbers = 6L * kMasks * kVertices * kKeyframes;

struct Measured {
  double seconds;
  long peakKilobytes;
};

// Runs the program with standard output to the file; its wall time and peak
// resident memory.
Measured Run(const std::vector<std::string>& arguments, const std::string& output) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int null = open("/dev/null", O_WRONLY);
    dup2(out, 1);
    dup2(null, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed (status %d)\n", argv[0], status);
    std::exit(1);
  }
  return {seconds, usage.ru_maxrss};
}

// Best time of three runs of each program, and the highest peak of them.
// The programs take turns, so a slow spell of a shared machine does not land
// on one of them alone.
std::vector<Measured> BestOfThree(const std::vector<std::vector<std::string>>& programs) {
  std::vector<Measured> best(programs.size(), Measured{1e300, 0});
  for (int round = 0; round < 3; ++round) {
    for (std::size_t p = 0; p < programs.size(); ++p) {
      const Measured run = Run(programs[p], "/dev/null");
      best[p].seconds = std::min(best[p].seconds, run.seconds);
      best[p].peakKilobytes = std::max(best[p].peakKilobytes, run.peakKilobytes);
    }
  }
  return best;
}

void WriteScene(const std::string& path, int masks) {
  std::ofstream scene(path);
  scene << R"({ "active_item": 0, "items": [ { "type": "composition", "width": 1920, "height": 1080,
    "layers": [ { "anchor_point": [960, 540], "position": [960, 540], "masks": [)";
  for (int m = 0; m < masks; ++m) {
    scene << (m ? ", " : "") << R"({ "generate": { "vertices": )" << kVertices
          << R"(, "keyframes": )" << kKeyframes << R"(, "seed": )" << 100 + m << " } }";
  }
  scene << R"( ] } ], "selection": [)";
  for (int m = 0; m < masks; ++m)
    scene << (m ? ", " : "") << R"({ "layer": 0, "mask": )" << m << " }";
  scene << "] } ] }\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string sim = argc > 1 ? argv[1] : TARNWICK_SIM_EXE;
  const std::string floor = argc > 2 ? argv[2] : TARNWICK_FLOOR_EXE;
  const std::string dir = std::filesystem::temp_directory_path() / "tarnwick-process-bench";
  std::filesystem::create_directories(dir);
  const std::string big = dir + "/million-lines.json";
  const std::string tiny = dir + "/empty-selection.json";
  WriteScene(big, kMasks);
  WriteScene(tiny, 0);

  const std::string text = dir + "/text.txt";
  (void)Run({sim, big}, text);
  const double textMegabytes = static_cast<double>(std::filesystem::file_size(text)) / 1e6;
  std::filesystem::remove(text);

  const std::vector<Measured> best =
      BestOfThree({{sim, big}, {sim, tiny}, {floor, std::to_string(kNumbers)}});
  const Measured& whole = best[0];
  const Measured& start = best[1];
  const Measured& printf = best[2];
  const double export_ = whole.seconds - start.seconds;
  const double ratio = export_ / printf.seconds;
  const double peakMegabytes = static_cast<double>(whole.peakKilobytes) * 1024 / 1e6;
  // The text is written once, into the clipboard's block, and printed from
  // there: the process holds little beyond it.
  const double peakLimit = 1.25 * textMegabytes + 16 * 1.048576;

  std::printf(
      "\nwhole process, %d masks x %d vertices x %d keyframes (1M lines, %.1f MB of text)\n",
      kMasks, kVertices, kKeyframes, textMegabytes);
  std::printf("  tarnwick-sim %.3f s, minus %.3f s for an empty selection: %.3f s\n", whole.seconds,
              start.seconds, export_);
  std::printf("  printf floor (%ld numbers): %.3f s\n", kNumbers, printf.seconds);
  std::printf("targets: whole process at %.3f x the floor (at most 0.25): %s\n", ratio,
              ratio <= 0.25 ? "met" : "NOT MET");
  std::printf(
      "         peak resident %.1f MB for %.1f MB of text, %.2f x (at most 1.25 x text + "
      "16 MiB = %.1f MB): %s\n",
      peakMegabytes, textMegabytes, peakMegabytes / textMegabytes, peakLimit,
      peakMegabytes <= peakLimit ? "met" : "NOT MET");
  return 0;
}
