#include "processing/least_squares.h"

#include <gtest/gtest.h>

#include <cmath>

#include "pattern_fixture.h"
#include "processing/peak_fit.h"

namespace difscop::processing {
namespace {

using testing::MakePattern;

TEST(LeastSquares, RecoversQuadraticAndQuintic) {
  // Degree 2 through exact points.
  std::vector<double> x, y;
  for (int i = 0; i < 11; ++i) {
    x.push_back(25.0 + 0.5 * i);
    y.push_back(3.0 - 2.0 * x.back() + 0.25 * x.back() * x.back());
  }
  LeastSquaresFit fit;
  ASSERT_EQ(FitPolynomial(x, y, 3, fit), 0);
  EXPECT_NEAR(fit.coefficients[0], 3.0, 1e-6);
  EXPECT_NEAR(fit.coefficients[1], -2.0, 1e-7);
  EXPECT_NEAR(fit.coefficients[2], 0.25, 1e-9);
  EXPECT_LT(fit.residualSum, 1e-12);

  // Degree 5 through background-like points on a 2theta scale.
  const double a[6] = {120.0, -3.0, 0.08, -1e-3, 6e-6, -1.5e-8};
  auto poly = [&](double t) {
    return a[0] + a[1] * t + a[2] * t * t + a[3] * t * t * t + a[4] * t * t * t * t +
           a[5] * t * t * t * t * t;
  };
  x.clear();
  y.clear();
  for (double t = 10.0; t <= 90.0; t += 8.0) {
    x.push_back(t);
    y.push_back(poly(t));
  }
  ASSERT_EQ(FitPolynomial(x, y, 6, fit), 0);
  for (std::size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(fit.fitted[i], y[i], 1e-5);
  for (double t = 10.0; t <= 90.0; t += 0.5) {
    double v = 0.0;
    for (int j = 5; j >= 0; --j) v = v * t + fit.coefficients[static_cast<std::size_t>(j)];
    EXPECT_NEAR(v, poly(t), 1e-4) << t;
  }
}

TEST(LeastSquares, PivotsOnTheLargestRowAndUnscramblesColumns) {
  // A design whose first normal column is small forces row exchanges.
  const std::vector<double> design = {1e-3, 1.0, 0.0,  //
                                      0.0,  2.0, 1.0,  //
                                      0.0,  0.0, 3.0,  //
                                      1e-3, 0.0, 1.0};
  const std::vector<double> b = {1.0, 2.0, 3.0, 4.0};
  LeastSquaresFit fit;
  ASSERT_EQ(SolveLeastSquares(4, 3, design, b, fit), 0);
  // Check the normal equations hold: X^T (X a - b) = 0.
  for (int j = 0; j < 3; ++j) {
    double g = 0.0;
    for (int i = 0; i < 4; ++i) {
      double r = -b[static_cast<std::size_t>(i)];
      for (int k = 0; k < 3; ++k)
        r += design[static_cast<std::size_t>(i * 3 + k)] *
             fit.coefficients[static_cast<std::size_t>(k)];
      g += design[static_cast<std::size_t>(i * 3 + j)] * r;
    }
    EXPECT_NEAR(g, 0.0, 1e-9) << j;
  }
  // The unscrambled inverse times the normal matrix is the identity.
  for (int j = 0; j < 3; ++j)
    for (int k = 0; k < 3; ++k) {
      double sum = 0.0;
      for (int l = 0; l < 3; ++l) {
        double normal = 0.0;
        for (int i = 0; i < 4; ++i)
          normal += design[static_cast<std::size_t>(i * 3 + l)] *
                    design[static_cast<std::size_t>(i * 3 + k)];
        sum += fit.inverse[static_cast<std::size_t>(j * 3 + l)] * normal;
      }
      EXPECT_NEAR(sum, j == k ? 1.0 : 0.0, 1e-9) << j << "," << k;
    }
}

TEST(LeastSquares, ReportsSingularSystems) {
  LeastSquaresFit fit;
  // All x equal: the columns are dependent.
  const std::vector<double> same(8, 42.0), y = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(FitPolynomial(same, y, 3, fit), -1);
  // No points at all.
  EXPECT_EQ(FitPolynomial({}, {}, 2, fit), -1);
  // A column no larger than the limit.
  const std::vector<double> tiny = {1.0, 1e-20, 1.0, -1e-20, 1.0, 0.0};
  EXPECT_EQ(SolveLeastSquares(3, 2, tiny, std::vector<double>{1, 2, 3}, fit), -1);
}

TEST(ParabolaFit, VertexOfAnExactParabolaAndSymmetricPeak) {
  auto ws =
      MakePattern(61, 27.0f, 0.1f, [](float x) { return 100.0f - (x - 30.0f) * (x - 30.0f); });
  float position = -1.0f, height = -1.0f;
  ASSERT_EQ(FitPeakParabola(*ws, 31, position, height), 0);
  EXPECT_NEAR(position, 30.0f, 1e-4f);
  EXPECT_NEAR(height, 100.0f, 1e-3f);

  // Symmetric about the centre point gives the centre's 2theta.
  auto peak =
      MakePattern(41, 20.0f, 0.02f, [](float x) { return testing::Gauss(x, 20.4f, 900, 0.1f); });
  ASSERT_EQ(FitPeakParabola(*peak, 21, position, height), 0);
  EXPECT_NEAR(position, 20.4f, 1e-4f);
}

TEST(ParabolaFit, CentresNearTheEndsUseTheElevenEndPoints) {
  // The parabola's vertex lies in the first points: every centre near the
  // start must give the same fit over points 1..11 (and never read obs[0]).
  auto ws = MakePattern(30, 10.0f, 0.1f, [](float x) { return 50.0f - (x - 10.2f) * (x - 10.2f); });
  ws->obs[0] = {1e6f, 1e6f};
  ws->obs[31] = {1e6f, 1e6f};
  for (int c : {1, 2, 5, 6}) {
    float position = 0, height = 0;
    ASSERT_EQ(FitPeakParabola(*ws, c, position, height), 0) << c;
    EXPECT_NEAR(position, 10.2f, 1e-3f) << c;
    EXPECT_NEAR(height, 50.0f, 1e-3f) << c;
  }
  auto end =
      MakePattern(30, 10.0f, 0.1f, [](float x) { return 50.0f - (x - 12.8f) * (x - 12.8f); });
  end->obs[31] = {1e6f, 1e6f};
  for (int c : {30, 28, 25}) {
    float position = 0, height = 0;
    ASSERT_EQ(FitPeakParabola(*end, c, position, height), 0) << c;
    EXPECT_NEAR(position, 12.8f, 1e-3f) << c;
  }
}

TEST(ParabolaFit, FailuresLeaveTheOutputsAlone) {
  float position = 7.0f, height = 8.0f;
  auto shortPattern = MakePattern(10, 10.0f, 0.1f, [](float) { return 3.0f; });
  EXPECT_EQ(FitPeakParabola(*shortPattern, 5, position, height), -1);
  // An exactly flat run has no vertex at all.
  auto flat = MakePattern(20, 10.0f, 0.25f, [](float) { return 64.0f; });
  EXPECT_EQ(FitPeakParabola(*flat, 10, position, height), -1);
  EXPECT_EQ(position, 7.0f);
  EXPECT_EQ(height, 8.0f);
  // A rising line: the vertex is far away but the fit succeeds.
  auto line = MakePattern(20, 10.0f, 0.25f, [](float x) { return 10.0f * x + 0.001f * x * x; });
  EXPECT_EQ(FitPeakParabola(*line, 10, position, height), 0);
  EXPECT_GT(std::fabs(position - 12.5f), 100.0f);
}

}  // namespace
}  // namespace difscop::processing
