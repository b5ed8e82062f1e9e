// The calculated profile of reference phases and their scales fitted to a
// pattern made from them.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "structures/reference_profile.h"

namespace difscop::structures {
namespace {

std::vector<double> Grid(double from, double to, double step) {
  std::vector<double> x;
  for (double v = from; v <= to + 1e-9; v += step) x.push_back(v);
  return x;
}

std::vector<PowderReflection> Sticks(std::initializer_list<std::pair<double, double>> list) {
  std::vector<PowderReflection> r;
  for (auto [at, height] : list) {
    PowderReflection x;
    x.twoTheta = at;
    x.intensity = height;
    r.push_back(x);
  }
  return r;
}

// Each peak holds its stick's intensity as area: all of it for a Gaussian,
// all but the Lorentzian tails past 30 widths (1 %) for a Lorentzian.
TEST(ReferenceProfile, PeaksHoldTheirSticksAsArea) {
  const std::vector<double> x = Grid(0.0, 100.0, 0.005);
  const auto sticks = Sticks({{40.0, 100.0}, {60.0, 30.0}});
  for (double eta : {0.0, 0.5, 1.0}) {
    const std::vector<double> p = PhaseProfile(sticks, x, {0.2, eta});
    const double area = 0.005 * std::accumulate(p.begin(), p.end(), 0.0);
    const double lost = eta * (1 - 2 / std::numbers::pi * std::atan(60.0));
    EXPECT_NEAR(area, 130.0 * (1 - lost), 1e-3) << eta;
    // The maximum sits on the stick and the half maximum one half-width off.
    const std::size_t at40 = 8000, half = 8020;
    EXPECT_GT(p[at40], p[at40 - 1]);
    EXPECT_GT(p[at40], p[at40 + 1]);
    EXPECT_NEAR(p[half] / p[at40], 0.5, 1e-3) << eta;
  }
  EXPECT_EQ(PhaseProfile(sticks, x, {0.0, 0.5}), std::vector<double>(x.size(), 0.0));
}

TEST(ReferenceProfile, ScalesOfAPatternMadeFromThePhases) {
  const std::vector<double> x = Grid(10.0, 80.0, 0.02);
  const std::vector<std::vector<double>> profiles = {
      PhaseProfile(Sticks({{20.0, 100}, {35.0, 40}, {61.0, 70}}), x, {0.15, 0.4}),
      PhaseProfile(Sticks({{25.0, 100}, {44.0, 80}}), x, {0.25, 0.6}),
      PhaseProfile(Sticks({{30.0, 100}, {52.0, 50}}), x, {0.15, 0.4})};
  // Phases 0 and 1 with a background; phase 2 is not in the sample.
  std::vector<double> y(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    y[i] = 50.0 + 3.0 * profiles[0][i] + 0.5 * profiles[1][i];
    y[i] -= 0.2 * profiles[2][i] * (1 + 0.1 * std::sin(7.0 * i));  // a dip, no peak
  }
  const PhaseScaleFit fit = FitPhaseScales(y, profiles);
  ASSERT_TRUE(fit.ok) << fit.error;
  ASSERT_EQ(fit.scales.size(), 3u);
  EXPECT_NEAR(fit.scales[0], 3.0, 0.01);
  EXPECT_NEAR(fit.scales[1], 0.5, 0.01);
  EXPECT_EQ(fit.scales[2], 0.0);
  EXPECT_NEAR(fit.background, 50.0, 0.5);
  EXPECT_GT(fit.rwp, 0.0);  // the dip stays unexplained

  std::vector<double> exact(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) exact[i] = 50.0 + 3.0 * profiles[0][i];
  const PhaseScaleFit one = FitPhaseScales(exact, {profiles[0]});
  ASSERT_TRUE(one.ok) << one.error;
  EXPECT_NEAR(one.scales[0], 3.0, 1e-9);
  EXPECT_NEAR(one.rwp, 0.0, 1e-9);

  EXPECT_FALSE(FitPhaseScales(std::vector<double>(5, 1.0), profiles).ok);
  EXPECT_FALSE(FitPhaseScales(y, {std::vector<double>(x.size(), 0.0)}).ok);
  EXPECT_FALSE(FitPhaseScales(std::vector<double>(3, 1.0), {{1, 2, 3}, {2, 1, 0}}).ok);
}

}  // namespace
}  // namespace difscop::structures
