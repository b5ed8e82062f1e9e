// Reads a 19999-point file with each measured-pattern reader, a 49494-point
// synchrotron FXYE file with the GSAS reader, and the same (x,y) file with
// ours and xylib's text reader; prints the ratio of the two.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "import/raw_reader.h"
#include "platform/scripted_platform.h"
#include "workspace/workspace.h"

#ifdef DIFSCOP_HAVE_XYLIB
#include <xylib/xylib.h>
#endif

namespace {

namespace fs = std::filesystem;
using difscop::import::ReadRawPattern;
constexpr int kPoints = 19999;
const std::string kXyFile = std::string(DIFSCOP_SOURCE_DIR) + "/examples/xy_pattern.xy";

// Counts of a smooth pattern with a few peaks, never below 1.
int Count(int i) {
  const double t = 5.0 + i * 0.006;
  double y = 80.0 + 300.0 * std::exp(-t / 15.0);
  for (double centre : {28.44, 47.3, 56.1, 69.1, 76.4, 88.0, 94.9, 106.7, 114.1})
    y += 9000.0 * std::exp(-std::pow((t - centre) / 0.05, 2));
  return static_cast<int>(y);
}

std::string Angle(int i) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", 5.0 + i * 0.006);
  return buffer;
}

// One 19999-point file per measured-pattern format, written once.
const std::map<int, std::string>& Files() {
  static const std::map<int, std::string> files = [] {
    const fs::path dir = fs::temp_directory_path() / ("difscop_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::map<int, std::string> paths;
    auto write = [&](int code, const std::string& name, const std::string& text) {
      std::ofstream(dir / name, std::ios::binary) << text;
      paths[code] = (dir / name).string();
    };
    std::string pairs, counts, values;
    for (int i = 0; i < kPoints; ++i) {
      pairs += Angle(i) + " " + std::to_string(Count(i)) + "\r\n";
      counts += std::to_string(Count(i)) + "\r\n";
      values += std::to_string(Count(i)) + (i % 10 == 9 ? "\r\n" : " ");
    }
    write(0, "rint.dat", "Sample bench\r\nStart 5.000\r\nStep 0.006\r\n" + pairs);
    write(1, "mac.dat", "DTSRT\r\n" + pairs + "DTEND\r\n");
    std::string rad;
    for (int line = 1; line <= 51; ++line)
      rad += line == 2 ? "4.988\r\n" : line == 42 ? "0.006\r\n" : "0\r\n";
    write(2, "rad.dat", rad + counts);
    std::string hermes =
        "Meas-start-time: 0\nMeas-start-angle: 5.0\nMeas-end-angle: 124.994\n"
        "Meas-step-angle: 0.006\nComment\n\n\n";
    for (int i = 0; i < kPoints; ++i)
      hermes += std::to_string(i + 1) + " " + Angle(i) + " " + std::to_string(Count(i)) + " 1 1\n";
    write(3, "hermes.raw", hermes);
    paths[4] = kXyFile;
    write(5, "general.int", "GENERAL\r\n19999\r\n" + pairs);
    write(6, "pattern.sim", "19999 5.0 0.006\n" + values + "\n\n3\n28.44\n47.3\n56.1\n");
    return paths;
  }();
  return files;
}

void BM_ReadRaw(benchmark::State& state) {
  const int code = static_cast<int>(state.range(0));
  const std::string& path = Files().at(code);
  auto ws = std::make_unique<difscop::workspace::Workspace>();
  difscop::platform::ScriptedPlatform platform;
  for (auto _ : state) {
    platform.neutronWavelengthAnswers = {std::string("1.5")};
    if (!ReadRawPattern(*ws, platform, code, path)) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(ws->obs[ws->obsCount]);
  }
  state.counters["points"] = ws->obsCount;
}
BENCHMARK(BM_ReadRaw)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

void BM_ReadGsasFxye49494(benchmark::State& state) {
  const std::string path = std::string(DIFSCOP_SAMPLES_DIR) + "/gsas_fxye_11bm_49494pts.fxye";
  auto ws = std::make_unique<difscop::workspace::Workspace>();
  difscop::platform::ScriptedPlatform platform;
  for (auto _ : state) {
    if (!ReadRawPattern(*ws, platform, difscop::import::kGsasRaw, path))
      state.SkipWithError("read failed");
    benchmark::DoNotOptimize(ws->obs[ws->obsCount]);
  }
  state.counters["points"] = ws->obsCount;
}
BENCHMARK(BM_ReadGsasFxye49494)->Unit(benchmark::kMillisecond);

void BM_OursXy(benchmark::State& state) {
  auto ws = std::make_unique<difscop::workspace::Workspace>();
  difscop::platform::ScriptedPlatform platform;
  for (auto _ : state) {
    if (!ReadRawPattern(*ws, platform, difscop::import::kXyText, kXyFile))
      state.SkipWithError("read failed");
    benchmark::DoNotOptimize(ws->obs[ws->obsCount]);
  }
  state.counters["points"] = ws->obsCount;
}
// The machine may be shared: each side is repeated and its fastest run kept,
// the run least disturbed by other work.
double Fastest(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}
BENCHMARK(BM_OursXy)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ComputeStatistics("min", Fastest);

#ifdef DIFSCOP_HAVE_XYLIB
void BM_XylibXy(benchmark::State& state) {
  int points = 0;
  for (auto _ : state) {
    std::unique_ptr<xylib::DataSet> data(xylib::load_file(kXyFile, "text"));
    const xylib::Column& y = data->get_block(0)->get_column(2);
    points = y.get_point_count();
    benchmark::DoNotOptimize(y.get_value(points - 1));
  }
  state.counters["points"] = points;
}
BENCHMARK(BM_XylibXy)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ComputeStatistics("min", Fastest);
#endif

// Console output plus the ratio of the two (x,y) readings.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // The fastest of the repetitions when there are any, otherwise the single run.
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool fastest = run.run_type == Run::RT_Aggregate && run.aggregate_name == "min";
      if (run.run_type != Run::RT_Iteration && !fastest) continue;
      const std::string name = run.run_name.function_name;
      if (name == "BM_OursXy") ours_ = run.GetAdjustedCPUTime();
      if (name == "BM_XylibXy") xylib_ = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (ours_ > 0 && xylib_ > 0)
      std::printf("(x,y) %d points, CPU time: ours %.3f ms, xylib %.3f ms, xylib/ours = %.2f\n",
                  kPoints, ours_, xylib_, xylib_ / ours_);
  }

 private:
  double ours_ = 0, xylib_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::error_code ec;
  if (!Files().empty()) fs::remove_all(fs::path(Files().at(0)).parent_path(), ec);
  return 0;
}
