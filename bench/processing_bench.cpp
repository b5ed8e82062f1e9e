// Processing of a measured pattern. Processing/19999: smoothing over 25
// points, the automatic peak search with its Ka2 test (answered Yes, the
// X-ray source dialog confirmed as it opens) and the parabola refinement,
// against an 8-lane vectorised sum over the same points. Background/19999:
// the background fit and reduction with both files' text, against its time
// limit. Scaling/<step>/<n>: each step at n points against its cost at the
// reference size.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "paired.h"
#include "patterns.h"
#include "platform/scripted_platform.h"
#include "processing/background.h"
#include "processing/least_squares.h"
#include "processing/peak_search.h"
#include "processing/smoothing.h"
#include "processing/xray_source.h"
#include "workspace/workspace.h"

namespace {

namespace bench = difscop::bench;
namespace processing = difscop::processing;
using difscop::workspace::Workspace;

constexpr int kPoints = 19999;

// Sums the floats of obs[1 .. n] (angles and counts) eight lanes at a time:
// one pass over the memory the processing reads, at the machine's pace.
float VectorSum(const Workspace& ws) {
  typedef float Lanes __attribute__((vector_size(32)));
  const float* p = &ws.obs[1].x;
  const std::size_t count = 2 * static_cast<std::size_t>(ws.obsCount);
  Lanes sum = {};
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    Lanes v;
    std::memcpy(&v, p + i, sizeof v);
    sum += v;
  }
  float total = 0.0f;
  for (int k = 0; k < 8; ++k) total += sum[k];
  for (; i < count; ++i) total += p[i];
  return total;
}

// The search as the user runs it: Yes to "Eliminate Ka2 peaks ?", then OK
// in the X-ray source dialog with its fields as they opened.
void SearchAnsweringKa2(Workspace& ws, difscop::platform::ScriptedPlatform& platform) {
  platform.messages.clear();
  platform.questions.clear();
  platform.xraySourceShown.clear();
  platform.yesNoAnswers = {true};
  platform.xraySourceAnswers = {processing::MakeXraySourceDialog(ws)};
  processing::SearchPeaks(ws, platform, 500);
}

void Process(Workspace& ws, difscop::platform::ScriptedPlatform& platform) {
  processing::SmoothPattern(ws, 25);
  SearchAnsweringKa2(ws, platform);
  benchmark::DoNotOptimize(ws.smoothed[100].y);
  benchmark::DoNotOptimize(ws.peak2Theta[1]);
}

void Processing(benchmark::State& state) {
  auto ws = bench::MeasuredPattern(kPoints);
  difscop::platform::ScriptedPlatform platform;
  bench::RunPairs(
      state, bench::Ratio::kSlower, "<= 12", [&] { Process(*ws, platform); },
      [&] { benchmark::DoNotOptimize(VectorSum(*ws)); });
  // The Ka2 test must have had something to compare and something to remove.
  if (ws->peakCount < 100 || platform.xraySourceShown.size() != 1)
    state.SkipWithError("the peak search did not run as the user runs it");
  state.counters["peaks"] = ws->peakCount;
}
BENCHMARK(Processing)->Name("Processing/19999")->Iterations(60)->Unit(benchmark::kMillisecond);

// Eight background points spread over the pattern.
void PickBackground(Workspace& ws) {
  ws.backgroundPointCount = 0;
  const int n = ws.obsCount;
  for (int k = 1; k <= 8; ++k) {
    const auto i = static_cast<std::size_t>(1 + (n - 1) * k / 9);
    processing::AddBackgroundPoint(ws, ws.obs[i].x, ws.obs[i].y - 20.0f);
  }
}

// Everything Back Grd Cal. does but writing the two files: the fit, the
// reduced curve and both files' text.
void ReduceBackground(Workspace& ws) {
  std::vector<double> x, y;
  for (int i = 1; i <= ws.backgroundPointCount; ++i) {
    x.push_back(ws.backgroundX[static_cast<std::size_t>(i)]);
    y.push_back(ws.backgroundY[static_cast<std::size_t>(i)]);
  }
  processing::LeastSquaresFit fit;
  if (processing::FitPolynomial(x, y, 6, fit) != 0) return;
  double a[6];
  for (std::size_t j = 0; j < 6; ++j) a[j] = fit.coefficients[j];
  const processing::BackgroundFiles files = processing::ReduceBackground(ws, a);
  benchmark::DoNotOptimize(files.report.data());
  benchmark::DoNotOptimize(files.data.data());
}

void Background(benchmark::State& state) {
  auto ws = bench::MeasuredPattern(kPoints);
  PickBackground(*ws);
  bench::RunAgainstLimit(state, 3.0, [&] { ReduceBackground(*ws); });
}
BENCHMARK(Background)->Name("Background/19999")->Iterations(60)->Unit(benchmark::kMillisecond);

// One prepared pattern per size, each step run on its own.
struct Prepared {
  std::unique_ptr<Workspace> ws;
  difscop::platform::ScriptedPlatform platform;
};

Prepared& PatternOf(int n) {
  static std::vector<std::pair<int, std::unique_ptr<Prepared>>> made;
  for (auto& [size, p] : made)
    if (size == n) return *p;
  auto p = std::make_unique<Prepared>();
  p->ws = bench::MeasuredPattern(n);
  PickBackground(*p->ws);
  made.emplace_back(n, std::move(p));
  return *made.back().second;
}

void Scale(benchmark::State& state, void (*step)(Prepared&)) {
  bench::RunScaling(state, static_cast<int>(state.range(0)), [&](int n) { step(PatternOf(n)); });
}

void RegisterScaling() {
  const struct {
    const char* name;
    void (*step)(Prepared&);
  } steps[] = {
      {"smoothing", [](Prepared& p) { processing::SmoothPattern(*p.ws, 25); }},
      {"peaks", [](Prepared& p) { SearchAnsweringKa2(*p.ws, p.platform); }},
      {"background", [](Prepared& p) { ReduceBackground(*p.ws); }},
  };
  for (const auto& s : steps) {
    auto step = s.step;
    bench::RegisterScaling(std::string("Scaling/") + s.name, difscop::workspace::kMaxPoints,
                           [step](benchmark::State& state) { Scale(state, step); });
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterScaling();
  return bench::RunRegistered(argc, argv);
}
