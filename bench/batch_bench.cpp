// Several files in one difscop-cli run: `peaks xy FILE... --json` over 1,000
// (x,y) files of 5,000 points with -j 2 against -j 1 (how much faster two
// processes at a time are: a wall-time ratio, the CPU ratio beside it is what
// the parallel run costs more), and the CPU time per file of that run against
// one `info` process on one of the files. Runs alternate, one pair per
// iteration; CPU times are the children's own (with the processes they wait for).
#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "paired.h"

namespace {

namespace bench = difscop::bench;
constexpr int kFiles = 1000;
constexpr int kPoints = 5000;

// The files, made once: a few peaks on a background, each file a little
// different.
const std::vector<std::string>& Files() {
  static bench::ScratchDir dir("batch");
  static std::vector<std::string> files;
  if (!files.empty()) return files;
  for (int f = 0; f < kFiles; ++f) {
    files.push_back(dir.File("p" + std::to_string(f) + ".xy"));
    std::ofstream out(files.back());
    for (int i = 0; i < kPoints; ++i) {
      const double x = 10 + 0.02 * i;
      double y = 200 + 20 * std::sin(i * 0.37 + f);
      for (double centre : {25.0, 33.5, 47.0 + 0.01 * (f % 10), 56.2, 69.0, 88.4})
        y += 3000 / (1 + std::pow((x - centre) / 0.08, 2));
      out << x << ' ' << std::lround(y) << '\n';
    }
  }
  return files;
}

std::vector<std::string> PeaksRun(const char* jobs) {
  std::vector<std::string> args = {DIFSCOP_CLI, "peaks", "xy"};
  for (const std::string& f : Files()) args.push_back(f);
  args.insert(args.end(), {"--json", "-j", jobs});
  return args;
}

bool AllFiles(const bench::ChildRun& run) {
  std::size_t lines = 0;
  for (char c : run.output) lines += c == '\n';
  return run.ok && lines == kFiles && run.output.find("\"peaks\":[{") != std::string::npos;
}

void TwoJobs(benchmark::State& state) {
  const auto two = PeaksRun("2"), one = PeaksRun("1");
  bench::Pairs pairs(bench::Ratio::kFaster, ">= 1.8 (wall_ratio, 2 cores)");
  for (auto _ : state) {
    const bench::ChildRun ours = bench::RunChild(two);
    const bench::ChildRun base = bench::RunChild(one);
    if (!AllFiles(ours) || !AllFiles(base)) {
      state.SkipWithError("a run failed or left out files");
      return;
    }
    pairs.Add(ours.times, base.times);
  }
  pairs.Report(state);
}
BENCHMARK(TwoJobs)->Name("Batch/peaks-1000-files/j2-vs-j1")->Iterations(4)->Unit(benchmark::kMillisecond);

void PerFile(benchmark::State& state) {
  const auto batch = PeaksRun("2");
  const std::vector<std::string> info = {DIFSCOP_CLI, "info", "xy", Files().front()};
  bench::Pairs pairs(bench::Ratio::kSlower, "<= 1.5");
  for (auto _ : state) {
    const bench::ChildRun ours = bench::RunChild(batch);
    if (!AllFiles(ours)) {
      state.SkipWithError("the batch run failed");
      return;
    }
    // Each batch run against the median of single info runs made between.
    std::vector<double> cpu, wall;
    for (int k = 0; k < 9; ++k) {
      const bench::ChildRun base = bench::RunChild(info);
      if (!base.ok) {
        state.SkipWithError("info failed");
        return;
      }
      cpu.push_back(base.times.cpu);
      wall.push_back(base.times.wall);
    }
    pairs.Add({ours.times.cpu / kFiles, ours.times.wall / kFiles},
              {bench::Median(cpu), bench::Median(wall)});
  }
  pairs.Report(state);
}
BENCHMARK(PerFile)->Name("Batch/peaks-per-file-vs-one-info")->Iterations(4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
