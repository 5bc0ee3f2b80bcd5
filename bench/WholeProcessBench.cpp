// What a person runs: the whole tarnwick-sim process on a one-million-line
// scene, against a C program that snprintf("%f")s the same count of numbers,
// and its peak resident memory against the text it prints.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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

// The same counts as a Lottie file exported from the host: one layer, each
// mask's outline keyed on every frame, three decimals as the exporter writes.
void WriteLottie(const std::string& path) {
  std::ofstream file(path);
  char number[32];
  const auto pair = [&](double x, double y) {
    std::snprintf(number, sizeof number, "[%.3f,%.3f]", x, y);
    return std::string(number);
  };
  file
      << R"({"v":"5.7.4","fr":25,"ip":0,"op":)" << kKeyframes
      << R"(,"w":1920,"h":1080,"nm":"Bench","assets":[],"layers":[{"ddd":0,"ind":1,"ty":1,"nm":"Solid",)"
      << R"("ks":{"a":{"a":0,"k":[960,540,0]},"p":{"a":0,"k":[960,540,0]}},"masksProperties":[)";
  for (int m = 0; m < kMasks; ++m) {
    file << (m ? "," : "") << R"({"inv":false,"mode":"a","pt":{"a":1,"k":[)";
    for (int k = 0; k < kKeyframes; ++k) {
      file << (k ? "," : "") << R"({"i":{"x":0.833,"y":0.833},"o":{"x":0.167,"y":0.167},"t":)" << k
           << R"(,"s":[{"c":true,"i":[)";
      std::string v, in, out;
      for (int n = 0; n < kVertices; ++n) {
        const double angle = 2 * 3.141592653589793 * n / kVertices;
        const double radius = 300 + 40 * std::sin(7 * angle + 0.1 * k + m);
        const double x = 960 + radius * std::cos(angle);
        const double y = 540 + radius * std::sin(angle);
        const double tx = -std::sin(angle) * radius * 0.002;
        const double ty = std::cos(angle) * radius * 0.002;
        const char* comma = n ? "," : "";
        v += comma + pair(x, y);
        in += comma + pair(-tx, -ty);
        out += comma + pair(tx, ty);
      }
      file << in << R"(],"o":[)" << out << R"(],"v":[)" << v << "]}]}";
    }
    file << "]}}";
  }
  file << "]}]}\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string sim = argc > 1 ? argv[1] : TARNWICK_SIM_EXE;
  const std::string floor = argc > 2 ? argv[2] : TARNWICK_FLOOR_EXE;
  const std::string dir = std::filesystem::temp_directory_path() / "tarnwick-process-bench";
  std::filesystem::create_directories(dir);
  const std::string big = dir + "/million-lines.json";
  const std::string tiny = dir + "/empty-selection.json";
  const std::string lottie = dir + "/million-lines.lottie.json";
  WriteScene(big, kMasks);
  WriteScene(tiny, 0);
  WriteLottie(lottie);

  const std::string text = dir + "/text.txt";
  (void)Run({sim, big}, text);
  const double textMegabytes = static_cast<double>(std::filesystem::file_size(text)) / 1e6;
  std::filesystem::remove(text);

  const std::string lottieText = dir + "/lottie-text.txt";
  (void)Run({sim, "lottie", lottie}, lottieText);
  const double lottieTextMegabytes =
      static_cast<double>(std::filesystem::file_size(lottieText)) / 1e6;
  const double lottieFileMegabytes = static_cast<double>(std::filesystem::file_size(lottie)) / 1e6;
  std::filesystem::remove(lottieText);

  const std::vector<Measured> best = BestOfThree(
      {{sim, big}, {sim, tiny}, {floor, std::to_string(kNumbers)}, {sim, "lottie", lottie}});
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

  // The same masks from a Lottie file, against the session on the scene.
  const Measured& fromLottie = best[3];
  const double lottieRatio = fromLottie.seconds / whole.seconds;
  const double lottiePeak = static_cast<double>(fromLottie.peakKilobytes) * 1024 / 1e6;
  const double lottiePeakLimit = 2 * (lottieFileMegabytes + lottieTextMegabytes);
  std::printf("\ntarnwick-sim lottie on the same counts (%.1f MB file, %.1f MB of text)\n",
              lottieFileMegabytes, lottieTextMegabytes);
  std::printf("  %.3f s, %.2f x the session on the scene (at most 3): %s\n", fromLottie.seconds,
              lottieRatio, lottieRatio <= 3 ? "met" : "NOT MET");
  std::printf("  peak resident %.1f MB, at most 2 x (file + text) = %.1f MB: %s\n", lottiePeak,
              lottiePeakLimit, lottiePeak <= lottiePeakLimit ? "met" : "NOT MET");
  return 0;
}
