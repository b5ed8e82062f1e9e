// Profile fitting, SNIP background and Ka2 stripping, each against a
// baseline of the same size in the same run (interleaved pairs) and against
// its time limit. Fit/20000: the 50 strongest peaks of a 20,000-point copper
// pattern fitted as doublets, against one evaluation of those 50 profiles
// over every point (a model evaluation of the whole pattern). Snip/99999 and
// Rachinger/99999: against the 25-point smoothing of the same points.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "paired.h"
#include "platform/scripted_platform.h"
#include "processing/peak_search.h"
#include "processing/profile_commands.h"
#include "processing/profile_fit.h"
#include "processing/smoothing.h"
#include "processing/snip.h"
#include "workspace/workspace.h"

namespace {

namespace bench = difscop::bench;
namespace processing = difscop::processing;
using difscop::workspace::Workspace;

// n points from 10 to 130 degrees: a copper doublet every 0.9 degrees with
// heights from 300 to 6000 counts and widths growing with the angle, over a
// falling background, with counting noise.
std::unique_ptr<Workspace> CopperPattern(int n) {
  auto ws = std::make_unique<Workspace>();
  difscop::workspace::ResetWorkspace(*ws);
  std::mt19937 rng(29);
  const double ratio = 1.54441 / 1.540593;
  std::vector<double> mu(static_cast<std::size_t>(n));
  const double step = 120.0 / (n - 1);
  for (int i = 0; i < n; ++i) mu[static_cast<std::size_t>(i)] = 150.0 + 400.0 * std::exp(-i * step / 15.0);
  int line = 0;
  for (double c = 11.0; c < 129.0; c += 0.9, ++line) {
    const double fwhm = 0.06 + 0.0008 * c;
    const double area = fwhm * (300.0 + 5700.0 * std::fabs(std::sin(line * 1.7)));
    const processing::Line ka1(processing::ProfileShape::kPseudoVoigt, area, {0.8 * fwhm, 0.3 * fwhm},
                               {0.8 * fwhm, 0.3 * fwhm});
    const processing::Line ka2(processing::ProfileShape::kPseudoVoigt, 0.5 * area,
                               {0.8 * fwhm, 0.3 * fwhm}, {0.8 * fwhm, 0.3 * fwhm});
    const double c2 = processing::Ka2Angle(c, ratio);
    const int from = std::max(0, static_cast<int>((c - 10.0 - 3.0) / step));
    const int to = std::min(n - 1, static_cast<int>((c - 10.0 + 3.0) / step));
    for (int i = from; i <= to; ++i) {
      const double x = 10.0 + i * step;
      mu[static_cast<std::size_t>(i)] += ka1.Value(x - c) + ka2.Value(x - c2);
    }
  }
  for (int i = 0; i < n; ++i) {
    const auto s = static_cast<std::size_t>(i + 1);
    ws->obs[s] = {static_cast<float>(10.0 + i * step),
                  static_cast<float>(std::poisson_distribution<int>(mu[s - 1])(rng))};
  }
  ws->obsCount = n;
  ws->stepStart = ws->obs[1].x;
  ws->stepWidth = ws->obs[2].x - ws->obs[1].x;
  ws->stepEnd = ws->obs[static_cast<std::size_t>(n)].x;
  ws->rawLoaded = 1;
  ws->blankPlot = 0;
  difscop::workspace::AutoRange(*ws);
  return ws;
}

// Pairs against a baseline, with the limit of our time beside the ratio.
template <typename Ours, typename Base>
void RunWithLimit(benchmark::State& state, double limitMs, const char* target, Ours&& ours,
                  Base&& base) {
  std::vector<double> cpu;
  bench::RunPairs(state, bench::Ratio::kSlower, target,
                  [&] { cpu.push_back(bench::Measure(ours).cpu); }, base);
  if (cpu.empty()) return;
  state.counters["ours_min_ms"] = 1e3 * *std::min_element(cpu.begin(), cpu.end());
  state.counters["ours_max_ms"] = 1e3 * *std::max_element(cpu.begin(), cpu.end());
  state.counters["limit_ms"] = limitMs;
}

void Fit(benchmark::State& state) {
  auto ws = CopperPattern(20000);
  difscop::platform::ScriptedPlatform platform;
  processing::DetectPeaksAutomatic(*ws, platform);
  std::vector<std::pair<float, float>> found;
  for (int i = 1; i <= ws->peakCount; ++i)
    found.emplace_back(ws->peakIntensity[static_cast<std::size_t>(i)],
                       ws->peak2Theta[static_cast<std::size_t>(i)]);
  std::sort(found.rbegin(), found.rend());
  if (found.size() < 50) {
    state.SkipWithError("fewer than 50 peaks found");
    return;
  }
  std::vector<double> positions;
  for (std::size_t k = 0; k < 50; ++k) positions.push_back(found[k].second);
  std::sort(positions.begin(), positions.end());
  const processing::PatternArrays a = processing::ObservedArrays(*ws);
  const processing::ProfileOptions options = processing::SourceProfileOptions(
      *ws, processing::ProfileShape::kPseudoVoigt, false, true);
  processing::ProfileFit fit;
  RunWithLimit(
      state, 200.0, "<= 200 ms",
      [&] { fit = processing::FitProfiles({a.x, a.y, {}, {}}, positions, options); },
      [&] {
        double sum = 0.0;
        for (const processing::FittedPeak& p : fit.peaks)
          for (double x : a.x) sum += processing::PeakValue(fit, p, x);
        benchmark::DoNotOptimize(sum);
      });
  const auto sound = std::count_if(fit.peaks.begin(), fit.peaks.end(),
                                   [](const processing::FittedPeak& p) { return p.ok; });
  if (sound < 45) state.SkipWithError("the fit lost peaks");
  state.counters["fitted"] = static_cast<double>(sound);
}
BENCHMARK(Fit)->Name("Profile/Fit/20000")->Iterations(15)->Unit(benchmark::kMillisecond);

void Snip(benchmark::State& state) {
  auto ws = CopperPattern(99999);
  const processing::PatternArrays a = processing::ObservedArrays(*ws);
  const int half = processing::SnipHalfWindow(a.x, processing::kDefaultSnipWindow);
  RunWithLimit(
      state, 10.0, "<= 10 ms",
      [&] { benchmark::DoNotOptimize(processing::SnipBackground(a.y, half).data()); },
      [&] { processing::SmoothPattern(*ws, 25); });
}
BENCHMARK(Snip)->Name("Profile/Snip/99999")->Iterations(30)->Unit(benchmark::kMillisecond);

void Rachinger(benchmark::State& state) {
  auto ws = CopperPattern(99999);
  const processing::PatternArrays a = processing::ObservedArrays(*ws);
  RunWithLimit(
      state, 5.0, "<= 5 ms",
      [&] {
        benchmark::DoNotOptimize(
            processing::StripKa2(a.x, a.y, {}, 1.540593, 1.54441, 0.5).data());
      },
      [&] { processing::SmoothPattern(*ws, 25); });
}
BENCHMARK(Rachinger)->Name("Profile/Rachinger/99999")->Iterations(30)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
