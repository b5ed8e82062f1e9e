// The window side of the built-in indexing: the chosen cell's lines over its
// pattern (the centring's absences, the zero and displacement, reaching the
// peaks they explain), fitted positions weighed by their uncertainties in
// the refinement, and the report's line table.
#include "indexing/cell_overlay.h"

#include <array>
#include <cmath>
#include <numbers>

#include "indexing/builtin_indexing.h"
#include "indexing_test_support.h"

using namespace difscop::indexing;

namespace {

constexpr double kLambda = 1.540593;
constexpr double kDegree = std::numbers::pi / 180;

// Bragg's law, and the hexagonal axes' 1/d^2.
double TwoThetaOfD(double d) { return 2 * std::asin(kLambda / (2 * d)) / kDegree; }
double HexagonalTwoTheta(double a, double c, int h, int k, int l) {
  return TwoThetaOfD(1 / std::sqrt(4.0 / 3 * (h * h + h * k + k * k) / (a * a) + l * l / (c * c)));
}

// Points from `from` to `to` in 0.02 degree steps: 100 counts and a narrow
// peak of 1000 at each of peaks.
void FillPattern(difscop::workspace::Pattern& p, double from, double to,
                 const std::vector<double>& peaks) {
  p.obsCount = 0;
  for (double x = from; x <= to + 1e-9; x += 0.02) {
    double y = 100;
    for (double at : peaks) y += 1000 * std::exp(-std::pow((x - at) / 0.03, 2));
    p.obs[static_cast<std::size_t>(++p.obsCount)] = {static_cast<float>(x), static_cast<float>(y)};
  }
}

const difscop::workspace::ReferenceStick* StickNear(const difscop::workspace::ReferenceOverlay& o,
                                                    double twoTheta, double within = 0.01) {
  for (const auto& s : o.sticks)
    if (std::fabs(s.twoTheta - twoTheta) <= within) return &s;
  return nullptr;
}

}  // namespace

TEST(CellOverlay, TheLatticesLinesWhereThePatternShowsThem) {
  auto ws = std::make_unique<difscop::workspace::Workspace>();
  // Corundum on hexagonal axes, R obverse: -h+k+l = 3n.
  const double a = 4.7589, c = 12.991;
  const Cell corundum{a, a, c, 90, 90, 120};
  FillPattern(*ws, 15, 40, {HexagonalTwoTheta(a, c, 0, 1, 2)});
  const auto overlay = CellOverlay(*ws, 15, 45, corundum, CrystalSystem::Rhombohedral, 'R', {}, kLambda);
  EXPECT_EQ(overlay.name, "rhombohedral R 4.759 12.991");
  ASSERT_FALSE(overlay.sticks.empty());
  for (const auto& s : overlay.sticks) {
    EXPECT_EQ(((-s.h + s.k + s.l) % 3 + 3) % 3, 0) << s.h << s.k << s.l;
    EXPECT_GE(s.twoTheta, 15);
    EXPECT_LE(s.twoTheta, 45);
  }
  using Hkls = std::vector<std::array<int, 3>>;
  for (const auto& [h, k, l] : Hkls{{0, 0, 3}, {1, 0, 1}, {0, 1, 2}, {1, 0, 4}, {1, 1, 0}, {0, 0, 6}, {1, 1, 3}})
    EXPECT_NE(StickNear(overlay, HexagonalTwoTheta(a, c, h, k, l)), nullptr) << h << k << l;
  // Every reflection of the 1 0 0 and 1 0 3 lines breaks the rule (0 1 1
  // shares 1 0 1's line and keeps it).
  for (const auto& [h, k, l] : Hkls{{1, 0, 0}, {1, 0, 3}})
    EXPECT_EQ(StickNear(overlay, HexagonalTwoTheta(a, c, h, k, l), 0.02), nullptr) << h << k << l;
  // The line with a peak reaches its top, one without stays at the
  // background, one past the measured points has nothing to reach.
  const float top = StickNear(overlay, HexagonalTwoTheta(a, c, 0, 1, 2))->height;
  EXPECT_TRUE(top > 1080 && top <= 1100) << top;  // the highest of the points, 0.02 apart
  EXPECT_FLOAT_EQ(StickNear(overlay, HexagonalTwoTheta(a, c, 1, 0, 4))->height, 100);
  EXPECT_FLOAT_EQ(StickNear(overlay, HexagonalTwoTheta(a, c, 0, 0, 6))->height, 0);

  // Silicon's F lattice: all indices odd or all even.
  const Cell si{5.4309, 5.4309, 5.4309, 90, 90, 90};
  FillPattern(*ws, 20, 80, {});
  const auto f = CellOverlay(*ws, 20, 80, si, CrystalSystem::Cubic, 'F', {}, kLambda);
  std::vector<double> angles;
  for (const auto& s : f.sticks) angles.push_back(s.twoTheta);
  // 111 200 220 311 222 400 331 420 up to 80 degrees.
  std::vector<double> want;
  for (int n : {3, 4, 8, 11, 12, 16, 19, 20}) want.push_back(TwoThetaOfD(si.a / std::sqrt(n)));
  ASSERT_EQ(angles.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(angles[i], want[i], 1e-3) << i;

  // A zero offset and a displacement put each line where it is observed:
  // 2theta obs = 2theta calc + zero + displacement cos(theta obs).
  const Corrections moved{0.12, -0.08};
  const auto shifted = CellOverlay(*ws, 20, 80, si, CrystalSystem::Cubic, 'F', moved, kLambda);
  ASSERT_EQ(shifted.sticks.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    const double t = shifted.sticks[i].twoTheta;
    EXPECT_NEAR(t - 0.12 + 0.08 * std::cos(t / 2 * kDegree), want[i], 1e-4) << i;
  }
}

TEST(CellOverlay, FittedUncertaintiesWeighTheLinesOfTheRefinement) {
  // Cubic P lines, one of them 0.04 degrees off but said to be about that
  // uncertain; the others good to 0.0005.
  const double a = 4.1569;
  std::vector<double> lines, esds;
  for (int n : {1, 2, 3, 4, 5, 6, 8, 9, 10, 11}) {
    lines.push_back(TwoThetaOfD(a / std::sqrt(n)) + 0.0004 * std::sin(3.1 * n));
    esds.push_back(n == 5 ? 0.04 : 0.0005);
  }
  lines[4] += 0.04;
  RefineOptions options;
  options.tolerance = 0.05;
  const Cell start{4.15, 4.15, 4.15, 90, 90, 90};
  const std::optional<Refinement> plain =
      RefineCell(start, CrystalSystem::Cubic, 'P', lines, kLambda, options);
  const std::optional<Refinement> weighed =
      RefineCell(start, CrystalSystem::Cubic, 'P', lines, kLambda, options, esds);
  ASSERT_TRUE(plain && weighed);
  EXPECT_EQ(weighed->lines.indexed.size(), lines.size());
  EXPECT_GT(std::fabs(plain->cell.a - a), 1.5e-4);
  EXPECT_LT(std::fabs(weighed->cell.a - a), 3e-5);
  EXPECT_LE(std::fabs(weighed->cell.a - a), 3 * weighed->esd.a);

  // The peak list gives its uncertainties in the order of its angles, and
  // none when a line has none.
  auto ws = std::make_unique<difscop::workspace::Workspace>();
  indexing_test::SetPeaks(*ws, 40.0, 20.0, 30.0);
  ws->peak2ThetaEsd[1] = 0.004f;
  ws->peak2ThetaEsd[2] = 0.002f;
  ws->peak2ThetaEsd[3] = 0.003f;
  EXPECT_EQ(PeakListAngles(*ws), (std::vector<double>{20, 30, 40}));
  const std::vector<double> sorted = PeakListEsds(*ws);
  ASSERT_EQ(sorted.size(), 3u);
  EXPECT_NEAR(sorted[0], 0.002, 1e-6);
  EXPECT_NEAR(sorted[2], 0.004, 1e-6);
  ws->peak2ThetaEsd[2] = 0;
  EXPECT_TRUE(PeakListEsds(*ws).empty());

  // The report lists every line in order: the stray one where it falls.
  std::vector<double> withStray(lines.begin(), lines.begin() + 4);
  withStray.insert(withStray.begin() + 2, 35.0);
  const std::optional<Refinement> r =
      RefineCell({a, a, a, 90, 90, 90}, CrystalSystem::Cubic, 'P', withStray, kLambda, options);
  ASSERT_TRUE(r);
  const std::string report = RefinementReport(*r, withStray);
  const std::size_t table = report.find("2theta calc");
  ASSERT_NE(table, std::string::npos) << report;
  std::vector<std::string> rows;
  std::istringstream in(report.substr(report.find('\n', table) + 1));
  for (std::string row; std::getline(in, row) && rows.size() < 5;) rows.push_back(row);
  ASSERT_EQ(rows.size(), 5u) << report;
  EXPECT_NE(rows[2].find("35.0000   unindexed"), std::string::npos) << report;
  EXPECT_EQ(rows[3].substr(0, 12), "   1   1   1") << report;
}
