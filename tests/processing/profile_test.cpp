// Profile fitting, SNIP background, Ka2 stripping, the automatic threshold
// and size and strain, on synthetic profiles of known truth with counting
// noise (fixed seeds) and on real copper patterns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <random>
#include <vector>

#include "pattern_fixture.h"
#include "platform/scripted_platform.h"
#include "processing/peak_search.h"
#include "processing/profile_commands.h"
#include "processing/profile_fit.h"
#include "processing/size_strain.h"
#include "processing/snip.h"

namespace difscop::processing {
namespace {

constexpr double kKa2Of = 1.54441 / 1.540593;

// One line of the truth: Ka1 2theta, area, TCH Gaussian and Lorentzian FWHM.
struct TrueLine {
  double centre, area, g, l;
};

// Counts on a grid: a flat background, each line a Ka1/Ka2 doublet (ratio
// 0.5) unless ka2 is false, drawn with Poisson noise when rng is given.
std::vector<double> Counts(const std::vector<double>& x, const std::vector<TrueLine>& lines,
                           double base, std::mt19937* rng, bool ka2 = true) {
  std::vector<double> y(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    double mu = base;
    for (const TrueLine& t : lines) {
      mu += Line(ProfileShape::kPseudoVoigt, t.area, {t.g, t.l}, {t.g, t.l}).Value(x[i] - t.centre);
      if (ka2)
        mu += Line(ProfileShape::kPseudoVoigt, 0.5 * t.area, {t.g, t.l}, {t.g, t.l})
                  .Value(x[i] - Ka2Angle(t.centre, kKa2Of));
    }
    y[i] = rng ? std::poisson_distribution<int>(mu)(*rng) : mu;
  }
  return y;
}

std::vector<double> Grid(double from, double to, double step) {
  std::vector<double> x;
  for (int i = 0; from + i * step <= to + 1e-9; ++i) x.push_back(from + i * step);
  return x;
}

struct Spread {
  double mean = 0.0, sd = 0.0;
};
Spread SpreadOf(const std::vector<double>& v) {
  Spread s;
  if (v.size() < 2) return s;
  s.mean = std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
  for (double a : v) s.sd += (a - s.mean) * (a - s.mean);
  s.sd = std::sqrt(s.sd / static_cast<double>(v.size() - 1));
  return s;
}

TEST(ProfileFit, StatedUncertaintiesMatchTheScatterOver200NoisyDoublets) {
  const std::vector<double> x = Grid(38.5, 41.8, 0.01);
  const TrueLine truth{40.0, 150.0, 0.06, 0.04};
  const double fwhm = Line(ProfileShape::kPseudoVoigt, 1.0, {0.06, 0.04}, {0.06, 0.04}).Fwhm();
  std::mt19937 rng(2901);
  std::vector<double> pulls[3];
  const double start = 40.02;  // where the blended top lies
  for (int trial = 0; trial < 200; ++trial) {
    const std::vector<double> y = Counts(x, {truth}, 200.0, &rng);
    const ProfileFit fit = FitProfiles({x, y, {}, {}}, {&start, 1}, ProfileOptions{});
    ASSERT_EQ(fit.peaks.size(), 1u);
    const FittedPeak& p = fit.peaks[0];
    ASSERT_TRUE(p.ok) << trial;
    pulls[0].push_back((p.twoTheta.value - truth.centre) / p.twoTheta.esd);
    pulls[1].push_back((p.fwhm.value - fwhm) / p.fwhm.esd);
    pulls[2].push_back((p.area.value - truth.area) / p.area.esd);
  }
  const char* names[3] = {"position", "FWHM", "area"};
  for (int k = 0; k < 3; ++k) {
    const Spread s = SpreadOf(pulls[k]);
    EXPECT_TRUE(s.sd > 0.8 && s.sd < 1.25 && std::fabs(s.mean) < 0.3)
        << names[k] << ": pull mean " << s.mean << ", spread " << s.sd;
  }
}

TEST(ProfileFit, DoubletsSplitLinesPearsonAndOverlappingRunsAreRecovered) {
  std::mt19937 rng(2902);
  // A blended doublet at low angle and a resolved one at high angle: the Ka1
  // position within 0.002 degrees, not the top of the blend.
  for (double centre : {28.44, 88.0}) {
    const std::vector<double> x = Grid(centre - 1.0, centre + 1.5, 0.01);
    const std::vector<double> y = Counts(x, {{centre, 400.0, 0.07, 0.03}}, 300.0, &rng);
    const double start = centre + 0.02;
    const ProfileFit fit = FitProfiles({x, y, {}, {}}, {&start, 1}, ProfileOptions{});
    ASSERT_TRUE(fit.peaks.size() == 1 && fit.peaks[0].ok) << centre;
    EXPECT_NEAR(fit.peaks[0].twoTheta.value, centre, 0.002);
    EXPECT_NEAR(fit.groups[0].reducedChiSquare, 1.0, 0.3) << centre;
  }

  // An asymmetric Pearson VII without Ka2, fitted split: each side's width.
  const std::vector<double> x = Grid(49.0, 51.0, 0.005);
  const Line truth(ProfileShape::kPearsonVII, 300.0, {0.06, 1.8}, {0.10, 3.0});
  std::vector<double> y(x.size());
  for (std::size_t i = 0; i < x.size(); ++i)
    y[i] = std::poisson_distribution<int>(100.0 + truth.Value(x[i] - 50.0))(rng);
  ProfileOptions o;
  o.shape = ProfileShape::kPearsonVII;
  o.split = true;
  o.ka2 = false;
  const double start = 50.0;
  const ProfileFit split = FitProfiles({x, y, {}, {}}, {&start, 1}, o);
  ASSERT_TRUE(split.peaks.size() == 1 && split.peaks[0].ok);
  const FittedPeak& p = split.peaks[0];
  EXPECT_LT(std::fabs(p.twoTheta.value - 50.0), 4.0 * p.twoTheta.esd);
  EXPECT_LT(std::fabs(p.area.value - 300.0), 4.0 * p.area.esd);
  EXPECT_LT(std::fabs(p.fwhm.value - 0.08), 4.0 * p.fwhm.esd);
  EXPECT_NEAR(std::fabs(p.left.a), 0.06, 0.006);
  EXPECT_NEAR(std::fabs(p.right.a), 0.10, 0.01);

  // Nine overlapping doublets fitted three at a time in overlapping groups:
  // each reported once, from one group, where it is.
  const std::vector<double> wide = Grid(39.0, 42.5, 0.01);
  std::vector<TrueLine> run;
  std::vector<double> starts;
  for (int k = 0; k < 9; ++k) {
    run.push_back({40.0 + 0.15 * k, 60.0 + 10.0 * (k % 3), 0.05, 0.03});
    starts.push_back(run.back().centre + 0.01);
  }
  const std::vector<double> counts = Counts(wide, run, 150.0, &rng);
  ProfileOptions grouped;
  grouped.maxGroupPeaks = 3;
  const ProfileFit fit = FitProfiles({wide, counts, {}, {}}, starts, grouped);
  ASSERT_EQ(fit.peaks.size(), 9u);
  EXPECT_EQ(fit.groups.size(), 3u);
  for (int k = 0; k < 9; ++k) {
    const FittedPeak& q = fit.peaks[static_cast<std::size_t>(k)];
    EXPECT_TRUE(q.ok && q.group == k / 3) << k << ": group " << q.group;
    EXPECT_LT(std::fabs(q.twoTheta.value - run[static_cast<std::size_t>(k)].centre),
              4.0 * q.twoTheta.esd)
        << k;
  }
  EXPECT_GT(SummariseFit(fit).rwp, 0.0);
}

TEST(ProfileFit, AxialAsymmetryIsOneForThePatternAndLeavesTheSymmetricCentres) {
  // Doublets with a low-angle tail, each line times
  // 1 + p1 2z exp(-z^2) / tan(theta), z the offset over its FWHM: the fit
  // with the correction finds p1 and the symmetric centres; without it the
  // centre at 20 degrees sits low, by far more than its uncertainty.
  std::mt19937 rng(2905);
  const double p1 = -0.15, g = 0.08, l = 0.04;
  const std::vector<double> x = Grid(18.0, 102.0, 0.01);
  const std::vector<double> centres = {20.0, 31.0, 45.0, 62.0, 80.0, 100.0};
  std::vector<double> y(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    double mu = 200.0;
    for (double c : centres) {
      for (const auto& [at, area] : {std::pair{c, 150.0}, std::pair{Ka2Angle(c, kKa2Of), 75.0}}) {
        const Line line(ProfileShape::kPseudoVoigt, area, {g, l}, {g, l});
        const double z = (x[i] - at) / line.Fwhm();
        mu += line.Value(x[i] - at) *
              (1.0 + p1 * 2.0 * z * std::exp(-z * z) / std::tan(at * std::numbers::pi / 360.0));
      }
    }
    y[i] = std::poisson_distribution<int>(mu)(rng);
  }
  std::vector<double> starts = centres;
  for (double& s : starts) s -= 0.01;
  ProfileOptions o;
  o.asymmetryTerms = kAxialAsymmetry;
  const ProfileFit fit = FitProfiles({x, y, {}, {}}, starts, o);
  ASSERT_EQ(fit.asymmetry.size(), 1u);
  EXPECT_LT(std::fabs(fit.asymmetry[0].value - p1), 4.0 * fit.asymmetry[0].esd)
      << fit.asymmetry[0].value << " +- " << fit.asymmetry[0].esd;
  EXPECT_LT(fit.asymmetry[0].esd, 0.03);
  ASSERT_EQ(fit.peaks.size(), centres.size());
  for (std::size_t k = 0; k < centres.size(); ++k) {
    const FittedPeak& p = fit.peaks[k];
    ASSERT_TRUE(p.ok) << centres[k];
    EXPECT_LT(std::fabs(p.twoTheta.value - centres[k]), std::max(4.0 * p.twoTheta.esd, 0.002))
        << centres[k];
    EXPECT_EQ(p.asymmetry, fit.heldAsymmetry);
    // The drawn line carries the asymmetry: more on the low side (where
    // the Ka2 line lies clear of the other).
    if (Ka2Angle(centres[k], kKa2Of) - centres[k] > 0.3) {
      EXPECT_GT(PeakValue(fit, p, centres[k] - 0.05), PeakValue(fit, p, centres[k] + 0.05));
    }
  }
  o.asymmetryTerms = 0;
  const ProfileFit symmetric = FitProfiles({x, y, {}, {}}, starts, o);
  ASSERT_TRUE(symmetric.peaks[0].ok);
  EXPECT_TRUE(symmetric.asymmetry.empty());
  EXPECT_LT(symmetric.peaks[0].twoTheta.value, 20.0 - 0.005);
  EXPECT_LT(symmetric.peaks[0].twoTheta.value - 20.0, -5.0 * symmetric.peaks[0].twoTheta.esd);
}

TEST(ProfileShapes, AnalyticDerivativesAndAreasOfBothShapesSplit) {
  for (ProfileShape kind : {ProfileShape::kPseudoVoigt, ProfileShape::kPearsonVII}) {
    const bool pv = kind == ProfileShape::kPseudoVoigt;
    const SideParameters left = pv ? SideParameters{0.08, 0.03} : SideParameters{0.1, 1.7};
    const SideParameters right = pv ? SideParameters{0.11, -0.05} : SideParameters{0.14, 3.1};
    auto value = [&](double area, SideParameters l, SideParameters r, double offset) {
      return Line(kind, area, l, r).Value(offset);
    };
    const double h = 1e-6;
    for (double offset = -0.5; offset <= 0.5; offset += 0.037) {
      LineTerms t;
      Line(kind, 50.0, left, right).Evaluate(offset, t);
      double numeric[6] = {
          (value(50, left, right, offset - h) - value(50, left, right, offset + h)),
          (value(50 + h, left, right, offset) - value(50 - h, left, right, offset))};
      for (int j = 0; j < 4; ++j) {
        SideParameters up[2] = {left, right}, down[2] = {left, right};
        double& u = j % 2 ? up[j / 2].b : up[j / 2].a;
        double& d = j % 2 ? down[j / 2].b : down[j / 2].a;
        u += h, d -= h;
        numeric[2 + j] = value(50, up[0], up[1], offset) - value(50, down[0], down[1], offset);
      }
      const double analytic[6] = {t.dCentre,     t.dArea,       t.dSide[0][0],
                                  t.dSide[0][1], t.dSide[1][0], t.dSide[1][1]};
      for (int j = 0; j < 6; ++j)
        EXPECT_NEAR(analytic[j], numeric[j] / (2 * h), 1e-5 * (1 + std::fabs(analytic[j])))
            << pv << " offset " << offset << " parameter " << j;
    }
    // The area is the one asked for (the pseudo-Voigt's Lorentzian tails
    // beyond 200 degrees aside).
    const Line line(kind, 50.0, left, right);
    double area = 0.0;
    for (double o = -200.0; o < 200.0; o += 1e-4) area += line.Value(o) * 1e-4;
    EXPECT_NEAR(area, 50.0, pv ? 0.01 : 1e-3) << pv;
  }
}

TEST(SnipAndKa2, SnipFollowsAHumpAndRachingerRemovesKa2WithinTheNoise) {
  std::mt19937 rng(2903);
  const std::vector<double> x = Grid(5.0, 125.0, 0.01);
  std::vector<double> base(x.size()), y(x.size());
  std::vector<TrueLine> lines;
  // Nearly Gaussian lines: a Lorentzian's tails would add to the level
  // between them, and rightly so.
  for (double c = 10.0; c < 120.0; c += 2.37) lines.push_back({c, 500.0, 0.08, 0.005});
  const std::vector<double> peaks = Counts(x, lines, 0.0, nullptr);
  for (std::size_t i = 0; i < x.size(); ++i) {
    // An amorphous hump over a falling background.
    base[i] = 400.0 - 2.0 * x[i] + 300.0 * std::exp(-0.5 * std::pow((x[i] - 20.0) / 4.0, 2));
    y[i] = std::poisson_distribution<int>(base[i] + peaks[i])(rng);
  }
  const std::vector<double> snip = SnipBackground(y, SnipHalfWindow(x, kDefaultSnipWindow));
  double worst = 0.0, bias = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double d = (snip[i] - base[i]) / std::sqrt(base[i]);
    worst = std::max(worst, std::fabs(d));
    bias += d / static_cast<double>(x.size());
  }
  EXPECT_LT(worst, 1.0) << "the background leaves the noise band";
  EXPECT_LT(std::fabs(bias), 0.3);

  // Stripped over the SNIP background, the profile is the Ka1 lines on it:
  // the residual scatters like the noise, also where the Ka2 lines were.
  const std::vector<double> stripped = StripKa2(x, y, snip, 1.540593, 1.54441, 0.5);
  const std::vector<double> ka1 = Counts(x, lines, 0.0, nullptr, false);
  double chi2 = 0.0, atKa2 = 0.0;
  int ka2Points = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double r = (stripped[i] - base[i] - ka1[i]) / std::sqrt(base[i] + peaks[i]);
    chi2 += r * r / static_cast<double>(x.size());
    if (peaks[i] - ka1[i] > 200.0) atKa2 += r, ++ka2Points;
  }
  ASSERT_GT(ka2Points, 100);
  EXPECT_LT(chi2, 1.5);
  EXPECT_LT(std::fabs(atKa2 / ka2Points), 0.5) << "Ka2 left behind";
  // Without a background the whole intensity is stripped: a flat level b
  // becomes b / (1 + ratio).
  const std::vector<double> flat(2001, 300.0), fx = Grid(60.0, 80.0, 0.01);
  EXPECT_NEAR(StripKa2(fx, flat, {}, 1.540593, 1.54441, 0.5).back(), 200.0, 1e-6);
}

// The automatic search over a pattern given as arrays; fileWavelength is
// the wavelength its file states (0: none).
std::vector<float> AutoPeaks(const std::vector<double>& x, const std::vector<double>& y,
                             float fileWavelength = 0.0f) {
  auto ws = testing::MakePattern(
      static_cast<int>(x.size()), static_cast<float>(x.front()), static_cast<float>(x[1] - x[0]),
      [&](float a) {
        return static_cast<float>(
            y[static_cast<std::size_t>(std::lround((a - x.front()) / (x[1] - x[0])))]);
      });
  ws->fileWavelength = fileWavelength;
  platform::ScriptedPlatform ui;
  DetectPeaksAutomatic(*ws, ui);
  return {&ws->peak2Theta[1], &ws->peak2Theta[1] + ws->peakCount};
}

// A weaker line where a stronger one's Ka2 companion would be is dropped as
// that companion only where the pattern has companions: where the other
// lines show them, or the file says it was measured with the tube's Ka1.
TEST(AutomaticThreshold, ALineAtAKa2PositionIsACompanionOnlyWhereThePatternHasThem) {
  const std::vector<double> x = Grid(20.0, 100.0, 0.01);
  const double strong = 60.0, atKa2 = Ka2Angle(strong, kKa2Of);
  std::vector<TrueLine> lines;
  for (int k = 0; k < 6; ++k)
    lines.push_back({25.0 + 10.0 * k + (k >= 3 ? 10.0 : 0.0), 400.0, 0.08, 0.04});
  lines.push_back({strong, 800.0, 0.08, 0.04});
  auto listed = [&](const std::vector<float>& found, double at) {
    return std::any_of(found.begin(), found.end(),
                       [&](float f) { return std::fabs(f - at) < 0.02; });
  };
  // Single lines (neutrons, a monochromator) with one of half the height at
  // the strong line's Ka2 angle: a line of its own.
  std::vector<TrueLine> single = lines;
  single.push_back({atKa2, 400.0, 0.08, 0.04});
  const std::vector<double> y = Counts(x, single, 200.0, nullptr, false);
  const std::vector<float> found = AutoPeaks(x, y);
  EXPECT_TRUE(listed(found, atKa2));
  EXPECT_EQ(found.size(), single.size());
  // The file says copper: taken as the companion, as before.
  EXPECT_FALSE(listed(AutoPeaks(x, y, 1.540593f), atKa2));
  // Doublets everywhere: every companion dropped, every Ka1 line kept.
  const std::vector<float> doublets = AutoPeaks(x, Counts(x, lines, 200.0, nullptr, true));
  EXPECT_EQ(doublets.size(), lines.size());
  for (const TrueLine& t : lines) EXPECT_TRUE(listed(doublets, t.centre)) << t.centre;
}

TEST(AutomaticThreshold, FindsSignificantLinesOnceAndNoiseRarely) {
  std::mt19937 rng(2904);
  const std::vector<double> x = Grid(10.0, 90.0, 0.01);
  // Lines of about 5 to 40 sigma of a 400-count background, single, a
  // broad hump between 60 and 70 degrees, and pure noise above 75.
  std::vector<TrueLine> lines;
  for (int k = 0; k < 8; ++k)
    lines.push_back({15.0 + 5.0 * k, 0.1 * 20.0 * (6 + 7 * k), 0.08, 0.04});
  std::vector<double> y = Counts(x, lines, 400.0, nullptr, false);
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double mu =
        y[i] + 2.0 * (x[i] - 10.0) + 150.0 * std::exp(-std::pow((x[i] - 65.0) / 3.0, 2));

    y[i] = std::poisson_distribution<int>(mu)(rng);
  }
  const std::vector<float> found = AutoPeaks(x, y);
  for (const TrueLine& t : lines) {
    EXPECT_TRUE(std::any_of(found.begin(), found.end(),
                            [&](float f) { return std::fabs(f - t.centre) < 0.03; }))
        << "missed the line at " << t.centre;
  }
  // At 3 sigma the noise still makes a peak now and then, about one in two
  // thousand points; a threshold of counts taken from the lines would list
  // hundreds.
  EXPECT_LE(found.size(), lines.size() + 5) << "noise or the hump listed as lines";
  for (std::size_t k = 1; k < found.size(); ++k) EXPECT_GT(found[k] - found[k - 1], 0.05f);
  // Ten times the counts, as summed or scaled data: the noise grows with
  // the data, and about the same peaks are found.
  std::vector<double> scaled = y;
  for (double& v : scaled) v *= 10.0;
  const std::vector<float> fromScaled = AutoPeaks(x, scaled);
  EXPECT_LE(fromScaled.size(), found.size() + 2);
  for (float f : found)
    EXPECT_TRUE(std::count(fromScaled.begin(), fromScaled.end(), f)) << f << " lost when scaled";
}

TEST(SizeStrain, InstrumentCurveScherrerAndWilliamsonHallFromKnownBreadths) {
  // Lines broadened by 40 nm crystallites and a strain of 1e-3 on an
  // instrument of U 0.004, V -0.002, W 0.0035: the breadths in quadrature.
  const InstrumentProfile instrument{0.004, -0.002, 0.0035};
  const double lambda = 1.540593, k = 0.9, size = 40.0, strain = 1e-3;
  std::vector<FittedPeak> standard, sample;
  for (double tt = 25.0; tt < 130.0; tt += 12.5) {
    const double theta = tt * std::numbers::pi / 360.0;
    const double beta =
        (k * lambda / (10.0 * size * std::cos(theta)) + 4.0 * strain * std::tan(theta)) * 180.0 /
        std::numbers::pi;
    const double hi = InstrumentFwhm(instrument, tt);
    FittedPeak p;
    p.ok = true;
    p.twoTheta = {tt, 0.001};
    p.fwhm = {hi, 0.0005};
    standard.push_back(p);
    p.fwhm = {std::sqrt(beta * beta + hi * hi), 0.0005};
    sample.push_back(p);
  }
  const CagliotiFit c = FitCaglioti(standard);
  ASSERT_TRUE(c.ok);
  EXPECT_NEAR(c.u.value, 0.004, 1e-9);
  EXPECT_NEAR(c.v.value, -0.002, 1e-9);
  EXPECT_NEAR(c.w.value, 0.0035, 1e-9);
  const WilliamsonHall wh = FitWilliamsonHall(sample, lambda, k, c.profile);
  ASSERT_TRUE(wh.ok);
  EXPECT_NEAR(wh.size.value, size, 1e-6 * size);
  EXPECT_NEAR(wh.strain.value, strain, 1e-9);
  // Without strain the Scherrer size is the crystallite size at every angle;
  // a line no broader than the instrument has none.
  FittedPeak p = sample[3];
  const double theta = p.twoTheta.value * std::numbers::pi / 360.0;
  const double beta = k * lambda / (10.0 * size * std::cos(theta)) * 180.0 / std::numbers::pi;
  const double hi = InstrumentFwhm(instrument, p.twoTheta.value);
  p.fwhm.value = std::sqrt(beta * beta + hi * hi);
  EXPECT_NEAR(ScherrerSize(p, lambda, k, instrument).value, size, 1e-9 * size);
  p.fwhm.value = hi;
  EXPECT_TRUE(std::isnan(ScherrerSize(p, lambda, k, instrument).value));
  EXPECT_FALSE(FitCaglioti({standard.data(), 2}).ok);
}

}  // namespace
}  // namespace difscop::processing
