// Smoothing and the automatic peak search over a full-size pattern, each
// against one plain pass summing the same intensities (the memory bound).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "platform/scripted_platform.h"
#include "processing/peak_search.h"
#include "processing/smoothing.h"
#include "workspace/workspace.h"

namespace {

using difscop::workspace::Workspace;

// Answers No to the Ka2 question and cancels its dialog, recording nothing.
class QuietPlatform : public difscop::platform::ScriptedPlatform {
 public:
  void ShowMessage(const std::string&) override {}
  bool AskYesNo(const std::string&) override { return false; }
  bool EditXraySource(difscop::platform::XraySourceDialog&) override { return false; }
};

// 19999 points from 5 degrees in 0.005 steps with 200 peaks half a degree
// apart on a sloping background.
std::unique_ptr<Workspace> FullPattern() {
  auto ws = std::make_unique<Workspace>();
  difscop::workspace::ResetWorkspace(*ws);
  ws->obsCount = difscop::workspace::kMaxPoints;
  for (int i = 1; i <= ws->obsCount; ++i) {
    const float x = 5.0f + 0.005f * static_cast<float>(i - 1);
    const float centre = 5.25f + 0.5f * std::floor((x - 5.0f) / 0.5f);
    const float d = (x - centre) / 0.02f;
    ws->obs[static_cast<std::size_t>(i)] = {x, 200.0f - x + 3000.0f * std::exp(-d * d)};
  }
  ws->stepStart = ws->obs[1].x;
  ws->stepWidth = ws->obs[2].x - ws->obs[1].x;
  ws->stepEnd = ws->obs[static_cast<std::size_t>(ws->obsCount)].x;
  ws->rawLoaded = 1;
  ws->blankPlot = 0;
  difscop::workspace::AutoRange(*ws);
  return ws;
}

void BM_SumIntensities(benchmark::State& state) {
  auto ws = FullPattern();
  for (auto _ : state) {
    double sum = 0.0;
    for (int i = 1; i <= ws->obsCount; ++i) sum += ws->obs[static_cast<std::size_t>(i)].y;
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_SumIntensities);

void BM_Smooth25(benchmark::State& state) {
  auto ws = FullPattern();
  for (auto _ : state) {
    difscop::processing::SmoothPattern(*ws, 25);
    benchmark::DoNotOptimize(ws->smoothed[100].y);
  }
}
BENCHMARK(BM_Smooth25);

void BM_AutoPeakSearch(benchmark::State& state) {
  auto ws = FullPattern();
  QuietPlatform platform;
  for (auto _ : state) {
    difscop::processing::SearchPeaks(*ws, platform, 500);
    benchmark::DoNotOptimize(ws->peak2Theta[1]);
  }
  state.counters["peaks"] = ws->peakCount;
}
BENCHMARK(BM_AutoPeakSearch);

}  // namespace

BENCHMARK_MAIN();
