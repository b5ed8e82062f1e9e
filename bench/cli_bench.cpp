// Info/19999: the whole process of `difscop-cli info xy FILE` on a
// 19999-point (x,y) file, from its start to its end, against a minimal C
// program that reads the same file and prints the same kind of summary.
// Both are started alternately; each side's time is the child's own CPU time.
#include <benchmark/benchmark.h>

#include <string>

#include "paired.h"

namespace {

namespace bench = difscop::bench;
const std::string kXyFile = std::string(DIFSCOP_SOURCE_DIR) + "/examples/xy_pattern.xy";

void Info(benchmark::State& state) {
  bench::Pairs pairs(bench::Ratio::kSlower, "<= 2");
  for (auto _ : state) {
    const bench::ChildRun ours = bench::RunChild({DIFSCOP_CLI, "info", "xy", kXyFile});
    const bench::ChildRun base = bench::RunChild({DIFSCOP_MIN_READER, kXyFile});
    if (!ours.ok || !base.ok || ours.output.find("obsCount: 19999\n") != 0 ||
        base.output.find("obsCount: 19999\n") != 0) {
      state.SkipWithError("a run failed or read a different count");
      return;
    }
    pairs.Add(ours.times, base.times);
  }
  pairs.Report(state);
}
BENCHMARK(Info)->Name("Info/19999")->Iterations(60)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
