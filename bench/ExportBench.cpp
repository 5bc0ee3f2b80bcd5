// Export speed: the whole command hook through the in-process simulated host,
// against what snprintf alone costs for the same numbers.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "export/NumberFormat.h"
#include "export/VertexConversion.h"
#include "platform/Win32StandIn.h"
#include "plugin/EntryPoint.h"
#include "sim/host/SimulatedHost.h"
#include "sim/scene/Generator.h"

namespace {

// Bytes in use and their peak, for the export's memory.
std::size_t gInUse = 0;
std::size_t gPeak = 0;

}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size + 16);
  if (p == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(p) = size;
  gInUse += size;
  if (gInUse > gPeak) gPeak = gInUse;
  return static_cast<char*>(p) + 16;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  char* base = static_cast<char*>(p) - 16;
  gInUse -= *reinterpret_cast<std::size_t*>(base);
  std::free(base);
}
void operator delete(void* p, std::size_t) noexcept {
  operator delete(p);
}

namespace {

using tarnwick::sim::Scene;

constexpr int kMasks = 10;
constexpr int kVertices = 1000;

Scene BenchScene(int keyframes) {
  Scene scene;
  scene.activeItem = 0;
  tarnwick::sim::Item comp;
  comp.type = kItemTypeComposition;
  comp.width = 1920;
  comp.height = 1080;
  tarnwick::sim::Layer layer;
  Matrix4 identity{};
  for (int i = 0; i < 4; ++i) identity.m[i][i] = 1;
  layer.anchorPoint.entries.push_back({{0, 1}, {960, 540}});
  layer.position.entries.push_back({{0, 1}, {960, 540}});
  layer.toWorld.emplace();
  layer.toWorld->entries.push_back({{0, 1}, identity});
  comp.selection.emplace();
  for (int m = 0; m < kMasks; ++m) {
    tarnwick::sim::Mask mask;
    mask.keyframes = tarnwick::sim::GenerateOutline(kVertices, keyframes, 100 + m, 1000);
    layer.masks.push_back(std::move(mask));
    comp.selection->push_back({kCollectionItemMask, 0, static_cast<uint32_t>(m)});
  }
  comp.layers.push_back(std::move(layer));
  scene.items.push_back(std::move(comp));
  return scene;
}

// The six numbers of every point line of the one-million-line scene.
const std::vector<double>& SixMillionNumbers() {
  static const std::vector<double> numbers = [] {
    std::vector<double> all;
    const Scene scene = BenchScene(100);
    const auto& layer = scene.items[0].layers[0];
    for (const auto& mask : layer.masks) {
      for (const auto& key : mask.keyframes) {
        for (const PathVertex& v : key.vertices) {
          const tarnwick::NormalisedPoint p = tarnwick::ConvertVertex(
              v, {960, 540}, {960, 540}, layer.toWorld->entries[0].value, 1920, 1080);
          all.insert(all.end(), {p.X, p.Y, p.LX, p.LY, p.RX, p.RY});
        }
      }
    }
    return all;
  }();
  return numbers;
}

// Exports the scene again and again; counts its lines, text and peak memory.
void MeasureExport(benchmark::State& state, Scene scene, double lines) {
  tarnwick::standin::Reset();
  tarnwick::sim::SimulatedHost host(std::move(scene));
  host.SetRecordCalls(false);
  if (EntryPointFunc(host.basicSuite(), 23, 0, 1) != 0) state.SkipWithError("registration");
  const CommandHookFunc hook = host.commandHooks().front().hook;
  std::size_t peak = 0;
  const int64_t callsBefore = host.callCount();
  for (auto _ : state) {
    const std::size_t before = gInUse;
    gPeak = gInUse;
    HostBoolean handled = 0;
    if (hook(nullptr, nullptr, 1, 1, 0, &handled) != 0) state.SkipWithError("export failed");
    peak = gPeak - before;
  }
  std::string text;
  tarnwick::standin::ReadClipboardText(text);
  const std::size_t textBytes = text.size();
  state.counters["lines"] = lines;
  state.counters["ns_per_line"] = benchmark::Counter(
      lines, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["text_MB"] = static_cast<double>(textBytes) / 1e6;
  state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
  state.counters["calls_per_line"] =
      static_cast<double>(host.callCount() - callsBefore) /
      (static_cast<double>(state.iterations()) * std::max(lines, 1.0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * textBytes));
  if (!host.violations().empty()) state.SkipWithError("violation");
  tarnwick::standin::Reset();
}
void BM_export(benchmark::State& state) {
  const int keyframes = static_cast<int>(state.range(0));
  MeasureExport(state, BenchScene(keyframes), static_cast<double>(kMasks) * keyframes * kVertices);
}

// The shape the text's growth must not overshoot on: two big masks, then
// many small ones.
void BM_export_uneven(benchmark::State& state) {
  Scene scene = BenchScene(100);
  tarnwick::sim::Item& comp = scene.items[0];
  comp.layers[0].masks.resize(2);
  comp.selection->resize(2);
  constexpr int kSmallMasks = 200;
  constexpr int kSmallVertices = 10;
  for (int m = 0; m < kSmallMasks; ++m) {
    tarnwick::sim::Mask mask;
    mask.keyframes = tarnwick::sim::GenerateOutline(kSmallVertices, 1, 500 + m, 1000);
    comp.layers[0].masks.push_back(std::move(mask));
    comp.selection->push_back({kCollectionItemMask, 0, static_cast<uint32_t>(m + 2)});
  }
  MeasureExport(state, std::move(scene), 2.0 * 100 * kVertices + kSmallMasks * kSmallVertices);
}

// With TARNWICK_BENCH_SMOKE set, each benchmark runs once: the tests'
// proof that every benchmark still builds and runs, not a measurement.
bool Smoke() {
  static const bool smoke = std::getenv("TARNWICK_BENCH_SMOKE") != nullptr;
  return smoke;
}

// Runs of half a second each; the table takes their medians, which a busy
// neighbour on a shared machine moves far less than one long run.
void Repeated(benchmark::internal::Benchmark* benchmark, int runs) {
  if (Smoke()) {
    benchmark->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);
    return;
  }
  benchmark->MinTime(0.5)->Repetitions(runs)->DisplayAggregatesOnly(true)->Unit(
      benchmark::kMillisecond);
}
void Measured(benchmark::internal::Benchmark* benchmark) {
  Repeated(benchmark, 9);
}

BENCHMARK(BM_export)->Name("export")->Arg(1)->Arg(10)->Arg(100)->Apply(Measured);
BENCHMARK(BM_export_uneven)->Name("export_uneven")->Apply(Measured);

// One mask of one vertex keyed at every second, on a layer whose position is
// keyed as often: the host looks up an outline and a position per keyframe.
Scene ManyKeyframesScene(int keyframes) {
  Scene scene = BenchScene(1);
  tarnwick::sim::Layer& layer = scene.items[0].layers[0];
  layer.masks.resize(1);
  layer.masks[0].keyframes = tarnwick::sim::GenerateOutline(1, keyframes, 7, 1000);
  layer.position.entries.clear();
  for (int k = 0; k < keyframes; ++k) {
    layer.position.entries.push_back({{k * 1000, 1000}, {960.0 + k % 7, 540}});
  }
  scene.items[0].selection->resize(1);
  return scene;
}

void BM_keyframes(benchmark::State& state) {
  const int keyframes = static_cast<int>(state.range(0));
  tarnwick::standin::Reset();
  tarnwick::sim::SimulatedHost host(ManyKeyframesScene(keyframes));
  host.SetRecordCalls(false);
  if (EntryPointFunc(host.basicSuite(), 23, 0, 1) != 0) state.SkipWithError("registration");
  const CommandHookFunc hook = host.commandHooks().front().hook;
  for (auto _ : state) {
    HostBoolean handled = 0;
    if (hook(nullptr, nullptr, 1, 1, 0, &handled) != 0) state.SkipWithError("export failed");
  }
  state.counters["ns_per_line"] = benchmark::Counter(
      keyframes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  tarnwick::standin::Reset();
}
void MeasuredThrice(benchmark::internal::Benchmark* benchmark) {
  Repeated(benchmark, 3);
}
BENCHMARK(BM_keyframes)->Name("keyframes")->Arg(1000)->Arg(1 << 20)->Apply(MeasuredThrice);

void BM_floor_snprintf(benchmark::State& state) {
  const std::vector<double>& numbers = SixMillionNumbers();
  char buffer[400];
  for (auto _ : state) {
    std::size_t total = 0;
    for (double x : numbers) total += std::snprintf(buffer, sizeof buffer, "%f", x);
    benchmark::DoNotOptimize(total);
  }
  state.counters["ns_per_line"] = benchmark::Counter(
      static_cast<double>(numbers.size() / 6),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_floor_snprintf)->Name("floor_snprintf")->Apply(Measured);

// The numbers alone, two at a time as the point lines convert them.
void BM_format_fixed6(benchmark::State& state) {
  const std::vector<double>& numbers = SixMillionNumbers();
  char buffer[2 * tarnwick::kFixed6MaxLength + 2];
  for (auto _ : state) {
    std::size_t total = 0;
    for (std::size_t i = 0; i + 1 < numbers.size(); i += 2) {
      total += tarnwick::FormatFixed6Pair(numbers[i], ",", numbers[i + 1], buffer);
    }
    benchmark::DoNotOptimize(total);
  }
  state.counters["ns_per_line"] = benchmark::Counter(
      static_cast<double>(numbers.size() / 6),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_format_fixed6)->Name("format_fixed6")->Apply(Measured);

// Keeps the medians to print the summary table, and the verdict on the
// targets, after the usual output.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      failed_ = failed_ || run.error_occurred;
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
      std::string name = run.run_name.function_name;
      if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
      Row& row = rows_[name];
      row.nsPerLine = Counter(run, "ns_per_line") * 1e9;
      row.megabytesPerSecond = Counter(run, "bytes_per_second") / 1e6;
      row.peakMegabytes = Counter(run, "peak_MB");
      row.textMegabytes = Counter(run, "text_MB");
      row.callsPerLine = Counter(run, "calls_per_line");
    }
  }

  // Prints the table; returns whether every target held.
  bool PrintTable() const {
    const double floor = NsPerLine("floor_snprintf");
    std::printf("\n%-18s %12s %18s %10s %12s %15s\n", "benchmark (median)", "ns per line",
                "x snprintf floor", "MB/s", "peak / text", "calls per line");
    for (const auto& [name, row] : rows_) {
      std::printf("%-18s %12.1f %18.3f", name.c_str(), row.nsPerLine,
                  floor > 0 ? row.nsPerLine / floor : 0.0);
      if (row.textMegabytes > 0) {
        std::printf(" %10.1f %12.3f %15.3f", row.megabytesPerSecond,
                    row.peakMegabytes / row.textMegabytes, row.callsPerLine);
      }
      std::printf("\n");
    }
    const double small = NsPerLine("export/1");
    const double large = NsPerLine("export/100");
    if (floor <= 0 || small <= 0 || large <= 0) return false;
    const Row& largest = rows_.at("export/100");
    const bool fastEnough = large / floor <= 0.15;
    const bool flat = large <= small * 1.2;
    // One text and the growth towards it: the clipboard's block is the text.
    constexpr double kPeakPerText = 1.5;
    const bool lean = largest.peakMegabytes <= kPeakPerText * largest.textMegabytes + 16 * 1.048576;
    std::printf("\ntargets: export/100 at %.3f x the floor (at most 0.15): %s\n", large / floor,
                fastEnough ? "met" : "NOT MET");
    std::printf("         1M lines at %.3f x the cost per line of 10k (at most 1.2): %s\n",
                large / small, flat ? "met" : "NOT MET");
    std::printf("         peak %.1f MB for %.1f MB of text (at most %.1f x text + 16 MiB): %s\n",
                largest.peakMegabytes, largest.textMegabytes, kPeakPerText,
                lean ? "met" : "NOT MET");
    const double fewKeys = NsPerLine("keyframes/1000");
    const double manyKeys = NsPerLine("keyframes/1048576");
    if (fewKeys > 0 && manyKeys > 0) {
      std::printf(
          "\nkeyframe lookup: %.0f ns per keyframe at 1k keyframes, %.0f at 1M (%.2f x; "
          "a lookup that scanned every keyframe would be about 1000 x)\n",
          fewKeys, manyKeys, manyKeys / fewKeys);
    }
    return fastEnough && flat && lean;
  }

 private:
  struct Row {
    double nsPerLine = 0;
    double megabytesPerSecond = 0;
    double peakMegabytes = 0;
    double textMegabytes = 0;
    double callsPerLine = 0;
  };

  static double Counter(const Run& run, const char* name) {
    const auto found = run.counters.find(name);
    return found == run.counters.end() ? 0.0 : static_cast<double>(found->second);
  }

  double NsPerLine(const std::string& name) const {
    const auto found = rows_.find(name);
    return found == rows_.end() ? 0.0 : found->second.nsPerLine;
  }

  std::map<std::string, Row> rows_;
  bool failed_ = false;

 public:
  // Whether a benchmark reported an error: a broken benchmark, not a slow one.
  bool failed() const { return failed_; }
};

}  // namespace

int main(int argc, char** argv) {
  // The clipboard's block counts toward the export's peak like any other.
  tarnwick::standin::SetLargeBlocksFromSystem(false);
  // Keep freed memory in the process, as a long-running host's allocator
  // does, so repeated exports measure the export and not the kernel handing
  // out fresh pages each time.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, -1);
  // Repetitions of the different benchmarks run interleaved in random order,
  // so a slow spell of the machine does not land on one size alone. Flags
  // given on the command line come later and win.
  std::vector<char*> arguments(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  arguments.insert(arguments.begin() + 1, interleave);
  int count = static_cast<int>(arguments.size());
  arguments.push_back(nullptr);
  benchmark::Initialize(&count, arguments.data());
  TableReporter reporter;
  const std::size_t ran = benchmark::RunSpecifiedBenchmarks(&reporter);
  if (!Smoke()) {
    (void)reporter.PrintTable();  // a measurement, not a test: the verdict is printed
  }
  benchmark::Shutdown();
  return reporter.failed() || ran == 0 ? 1 : 0;
}
