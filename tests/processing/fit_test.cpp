// Least squares, the parabola peak fit and the smoothing filter.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

#include "pattern_fixture.h"
#include "platform/scripted_platform.h"
#include "processing/least_squares.h"
#include "processing/peak_fit.h"
#include "processing/peak_list.h"
#include "processing/smoothing.h"

namespace difscop::processing {
namespace {

using testing::MakePattern;

TEST(LeastSquares, RecoversPolynomialsInvertsWithPivotingAndRefusesBadSystems) {
  // A parabola and a quintic on a 2theta scale.
  const std::vector<double> a = {120.0, -3.0, 0.08, -1e-3, 6e-6, -1.5e-8};
  LeastSquaresFit fit;
  for (std::size_t m : {3u, 6u}) {
    std::vector<double> x, y;
    for (double t = 10.0; t <= 90.0; t += 8.0 / static_cast<double>(m)) {
      double v = 0.0;
      for (std::size_t j = m; j-- > 0;) v = v * t + a[j];
      x.push_back(t), y.push_back(v);
    }
    ASSERT_EQ(FitPolynomial(x, y, static_cast<int>(m), fit), 0) << m;
    for (std::size_t j = 0; j < m; ++j)
      EXPECT_NEAR(fit.coefficients[j], a[j], 1e-6 * std::fabs(a[j])) << m << ": a" << j;
    EXPECT_LT(fit.residualSum, 1e-9) << m;
  }
  // The small first normal column forces row exchanges; the inverse times the
  // normal matrix X^T X is the identity.
  const std::vector<double> X = {1e-3, 1.0, 0.0, 0.0, 2.0, 1.0, 0.0, 0.0, 3.0, 1e-3, 0.0, 1.0};
  const std::vector<double> b = {1.0, 2.0, 3.0, 4.0};
  ASSERT_EQ(SolveLeastSquares(4, 3, X, b, fit), 0);
  for (std::size_t j = 0; j < 9; ++j) {
    double sum = 0.0;
    for (std::size_t l = 0; l < 3; ++l)
      for (std::size_t i = 0; i < 4; ++i)
        sum += fit.inverse[j / 3 * 3 + l] * X[i * 3 + l] * X[i * 3 + j % 3];
    EXPECT_NEAR(sum, j % 4 == 0 ? 1.0 : 0.0, 1e-9) << j;
  }
  // No pivot comes from a larger result left in the fit. Dependent columns, no
  // column, unequal lengths; a column no larger than the limit, a short design.
  const std::vector<double> same(8, 42.0), tiny = {1.0, 1e-20, 1.0, -1e-20, 1.0, 0.0};
  fit.inverse.assign(16, 1.0);
  EXPECT_EQ((std::array{FitPolynomial(same, same, 3, fit), FitPolynomial(same, same, 0, fit),
                        FitPolynomial(same, b, 1, fit), SolveLeastSquares(3, 2, tiny, b, fit),
                        SolveLeastSquares(4, 2, tiny, b, fit)}),
            (std::array{-1, -1, -1, -1, -1}));
}

TEST(ParabolaFit, ElevenPointsAtThePatternEndsAndOnlyAMaximumInsideThemRefines) {
  // Not a parabola, so every window has a vertex of its own; the slots
  // around the pattern would spoil a fit that read them.
  auto ws =
      MakePattern(30, 10.0f, 0.1f, [](float x) { return testing::Gauss(x, 11.0f, 1e3f, 1.5f); });
  ws->obs[0] = ws->obs[31] = {1e6f, 1e6f};
  auto vertex = [&](int centre) {
    float position = 0.0f, height = 0.0f;
    EXPECT_EQ(FitPeakParabola(*ws, centre, position, height), 0) << centre;
    return std::pair{position, height};
  };
  for (int c : {-3, 1, 5}) EXPECT_EQ(vertex(c), vertex(6)) << c;
  for (int c : {26, 30, 40}) EXPECT_EQ(vertex(c), vertex(25)) << c;
  EXPECT_TRUE(vertex(7) != vertex(6) && vertex(24) != vertex(25));

  // The peak list takes only a maximum inside the fitted points: a parabola's
  // vertex between grid points, not a noise bump on a slope, whose parabola
  // has its vertex far away, nor a dip, whose vertex is a minimum.
  ws = MakePattern(90, 20.0f, 0.02f, [](float x) {
    return std::max(0.0f, 900.0f - 2e4f * (x - 20.405f) * (x - 20.405f)) +
           (x > 20.8f ? 5000.0f * (x - 20.8f) : 0.0f);
  });
  ws->obs[61].y += 3.0f;
  for (int i = 75; i <= 85; ++i)
    ws->obs[static_cast<std::size_t>(i)].y += 40.0f * std::fabs(i - 80.0f);
  for (int i : {21, 61, 80}) AddManualPick(*ws, i);
  ws->peakCount = 3;
  RefinePeakList(*ws);
  EXPECT_NEAR(ws->peak2Theta[1], 20.405f, 1e-4f);
  EXPECT_NEAR(ws->peakIntensity[1], 900.0f, 0.05f);
  for (auto [k, i] : {std::pair<std::size_t, std::size_t>{2, 61}, {3, 80}})
    EXPECT_TRUE(ws->peak2Theta[k] == ws->obs[i].x && ws->peakIntensity[k] == ws->obs[i].y) << k;
}

TEST(SmoothPattern, QuadraticFilterOfEveryWindowBitForBitOverTheValidRangeOnly) {
  // Long enough for the work to be split; odd lengths end in a partial piece;
  // a pattern shorter than the window has no valid range.
  for (int n : {1500, 1537, 6}) {
    auto ws =
        MakePattern(n, 5.0f, 0.01f, [](float x) { return 300.0f + 7000.0f * std::sin(x * x); });
    auto y = [&](int k) { return static_cast<double>(ws->obs[static_cast<std::size_t>(k)].y); };
    for (int points = 1; points <= 31; ++points) {
      for (int i = 0; i <= n + 1; ++i) ws->smoothed[static_cast<std::size_t>(i)] = {-7.0f, -7.0f};
      SmoothPattern(*ws, points);
      const SmoothingWeights w = SavitzkyGolayWeights(points | 1);  // an even count is raised
      const int h = (points | 1) / 2;
      ASSERT_EQ(w.weights.size(), static_cast<std::size_t>(h) + 1) << points;
      for (int j = 0; j <= h; ++j)
        EXPECT_NEAR(w.weights[static_cast<std::size_t>(j)] / w.norm,
                    3.0 * (3.0 * h * h + 3.0 * h - 1.0 - 5.0 * j * j) /
                        ((2.0 * h - 1.0) * (2.0 * h + 1.0) * (2.0 * h + 3.0)),
                    1e-12)
            << points << ", " << j;
      ASSERT_EQ((std::pair{ws->smoothFirst, ws->smoothLast}), (std::pair{h + 1, n - h})) << points;
      for (int i = 0; i <= n + 1; ++i) {
        const workspace::Point& s = ws->smoothed[static_cast<std::size_t>(i)];
        float expected = -7.0f;
        if (i > h && i <= n - h) {
          double sum = w.weights[0] * y(i);
          for (int j = 1; j <= h; ++j)
            sum += w.weights[static_cast<std::size_t>(j)] * (y(i - j) + y(i + j));
          expected = static_cast<float>(sum / w.norm + 1.0);
          ASSERT_EQ(s.x, ws->obs[static_cast<std::size_t>(i)].x);
        }
        ASSERT_EQ(s.y, expected) << "n " << n << ", " << points << " points, at " << i;
      }
    }
  }
}

TEST(SmoothingCommand, NeedsAMeasuredPatternAndACountFromOneToTwentyFive) {
  auto ws =
      MakePattern(100, 10.0f, 0.02f, [](float x) { return 100.0f + 50.0f * std::sin(x * 40.0f); });
  platform::ScriptedPlatform ui;
  for (int raw : {0, 1}) {
    std::tie(ws->rawLoaded, ws->simulationMode) = std::pair{raw, 1};
    SmoothingCommand(*ws, ui);
  }
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Only Raw Data Available !!!",
                                                   "Not available in this mode !!!"}));
  // Counts outside 1..25 keep the dialog open; an even count is raised; Cancel
  // keeps the curve and the count is shown the next time.
  ws->simulationMode = 0;
  ui.smoothingAnswers = {platform::SmoothingDialog{26, true}, platform::SmoothingDialog{0, true},
                         platform::SmoothingDialog{24, true}, std::nullopt};
  SmoothingCommand(*ws, ui);
  SmoothingCommand(*ws, ui);
  ASSERT_TRUE(ui.messages.size() == 4 && ui.smoothingShown.size() == 4) << ui.messages.size();
  EXPECT_TRUE(ui.smoothingShown[0].points == 3 && ui.smoothingShown[3].points == 25);
  EXPECT_EQ((std::array<int, 5>{ws->smoothPoints, ws->smoothedValid, ws->smoothFirst,
                                ws->smoothLast, ui.repaints}),
            (std::array{25, 1, 13, 88, 1}));
}

}  // namespace
}  // namespace difscop::processing
