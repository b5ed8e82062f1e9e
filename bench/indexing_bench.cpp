// The built-in indexing of 20 lines: measured BaSO4 (orthorhombic) with the
// default systems, and a computed monoclinic cell with two spurious lines
// among its first 20 and up to two allowed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "indexing/auto_index.h"

namespace {

using namespace difscop::indexing;

constexpr double kWavelength = 1.540593;

const std::vector<double> kBaSO4 = {19.980, 20.457, 22.798, 23.561, 24.863, 25.857, 26.842,
                                    28.755, 31.536, 32.808, 36.192, 38.733, 39.495, 40.810,
                                    42.597, 42.927, 44.016, 49.018, 54.819, 60.258};

// The first 18 distinct lines of a P2/m cell (a 6.12, b 7.41, c 8.27,
// beta 103.6) with small errors, and two lines that belong to no cell.
std::vector<double> Monoclinic() {
  const double a = 6.12, b = 7.41, c = 8.27, beta = 103.6 * std::numbers::pi / 180;
  std::vector<double> q;
  for (int h = -8; h <= 8; ++h)
    for (int k = 0; k <= 8; ++k)
      for (int l = -8; l <= 8; ++l) {
        const double s = std::sin(beta);
        const double v = (h * h / (a * a) + l * l / (c * c) - 2 * h * l * std::cos(beta) / (a * c)) /
                             (s * s) +
                         k * k / (b * b);
        if (v > 1e-9) q.push_back(v);
      }
  std::sort(q.begin(), q.end());
  std::vector<double> lines;
  for (double v : q) {
    const double t = 2 * std::asin(kWavelength * std::sqrt(v) / 2) * 180 / std::numbers::pi;
    if (lines.empty() || t - lines.back() > 0.03) lines.push_back(t);
    if (lines.size() == 18) break;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) lines[i] += 0.01 * std::sin(7.3 * i + 1.1);
  lines.push_back((lines[4] + lines[5]) / 2);
  lines.push_back((lines[11] + lines[12]) / 2);
  std::sort(lines.begin(), lines.end());
  return lines;
}

void BM_IndexOrthorhombic20(benchmark::State& state) {
  for (auto _ : state) {
    IndexOutcome outcome = IndexPeaks(kBaSO4, kWavelength, {});
    if (outcome.status != IndexOutcome::Status::Solved) state.SkipWithError("not solved");
    benchmark::DoNotOptimize(outcome);
  }
}
BENCHMARK(BM_IndexOrthorhombic20)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_IndexMonoclinic20TwoSpurious(benchmark::State& state) {
  const std::vector<double> lines = Monoclinic();
  IndexOptions options;
  options.maxSpurious = 2;
  for (auto _ : state) {
    IndexOutcome outcome = IndexPeaks(lines, kWavelength, options);
    if (outcome.status != IndexOutcome::Status::Solved) state.SkipWithError("not solved");
    benchmark::DoNotOptimize(outcome);
  }
}
BENCHMARK(BM_IndexMonoclinic20TwoSpurious)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
