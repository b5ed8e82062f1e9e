#include <algorithm>
#include <cmath>
#include <numbers>

#include "indexing/auto_index.h"
#include "indexing_test_support.h"

using namespace difscop::indexing;

namespace {

constexpr double kWavelength = 1.540593;
constexpr double kDeg = std::numbers::pi / 180;

struct KnownCell {
  const char* name;
  CrystalSystem system;
  Centring centring;
  Cell cell;
};

// 1/d^2 from the reciprocal cell, written out on its own so that the tests do
// not lean on the program's metric.
double QOf(const Cell& c, Centring centring, int h, int k, int l) {
  const double ca = std::cos(c.alpha * kDeg), cb = std::cos(c.beta * kDeg),
               cg = std::cos(c.gamma * kDeg);
  const double sa = std::sin(c.alpha * kDeg), sb = std::sin(c.beta * kDeg),
               sg = std::sin(c.gamma * kDeg);
  const double v = c.a * c.b * c.c * std::sqrt(1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg);
  const double as = c.b * c.c * sa / v, bs = c.a * c.c * sb / v, cs = c.a * c.b * sg / v;
  const double cas = (cb * cg - ca) / (sb * sg), cbs = (ca * cg - cb) / (sa * sg),
               cgs = (ca * cb - cg) / (sa * sb);
  bool allowed = true;
  switch (centring) {
    case 'I': allowed = (h + k + l) % 2 == 0; break;
    case 'C': allowed = (h + k) % 2 == 0; break;
    case 'F': allowed = (h + k) % 2 == 0 && (k + l) % 2 == 0; break;
    default: break;
  }
  if (!allowed) return -1;
  return h * h * as * as + k * k * bs * bs + l * l * cs * cs + 2 * h * k * as * bs * cgs +
         2 * h * l * as * cs * cbs + 2 * k * l * bs * cs * cas;
}

// The first n distinct lines of a cell as ascending 2theta.
std::vector<double> LinesOf(const KnownCell& known, int n) {
  std::vector<double> q;
  for (int h = -12; h <= 12; ++h)
    for (int k = -12; k <= 12; ++k)
      for (int l = -12; l <= 12; ++l) {
        const double v = QOf(known.cell, known.centring, h, k, l);
        if (v > 1e-9) q.push_back(v);
      }
  std::sort(q.begin(), q.end());
  std::vector<double> lines;
  for (double v : q) {
    const double t = 2 * std::asin(kWavelength * std::sqrt(v) / 2) / kDeg;
    if (lines.empty() || t - lines.back() > 0.03) lines.push_back(t);
    if (static_cast<int>(lines.size()) == n) break;
  }
  return lines;
}

// Measurement-like errors of up to 0.01 degrees, the same on every run.
std::vector<double> WithErrors(std::vector<double> lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) lines[i] += 0.01 * std::sin(7.3 * i + 1.1);
  return lines;
}

const KnownCell kCells[] = {
    {"cubic F", CrystalSystem::Cubic, 'F', {5.4309, 5.4309, 5.4309, 90, 90, 90}},
    {"tetragonal I", CrystalSystem::Tetragonal, 'I', {3.785, 3.785, 9.514, 90, 90, 90}},
    {"hexagonal", CrystalSystem::Hexagonal, 'P', {3.2498, 3.2498, 5.2066, 90, 90, 120}},
    {"orthorhombic P", CrystalSystem::Orthorhombic, 'P', {5.36, 7.02, 9.43, 90, 90, 90}},
    {"monoclinic P", CrystalSystem::Monoclinic, 'P', {6.12, 7.41, 8.27, 90, 103.6, 90}},
};

// The same cell whatever its setting: the volume and the calculated lines.
void ExpectSameLattice(const IndexSolution& found, const KnownCell& known) {
  EXPECT_NEAR(found.cell.Volume(), known.cell.Volume(), 0.01 * known.cell.Volume());
  const KnownCell asFound{"", found.system, found.centring, found.cell};
  const std::vector<double> want = LinesOf(known, 15), got = LinesOf(asFound, 15);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 0.03) << i;
}

}  // namespace

TEST(BuiltinIndexing, FindsKnownCellsFromTheirLines) {
  for (const KnownCell& known : kCells) {
    SCOPED_TRACE(known.name);
    IndexOptions options;
    const std::vector<double> lines = WithErrors(LinesOf(known, 20));
    IndexOutcome outcome = IndexPeaks(lines, kWavelength, options);
    ASSERT_EQ(outcome.status, IndexOutcome::Status::Solved);
    ExpectSameLattice(outcome.solutions.front(), known);
    EXPECT_GT(outcome.solutions.front().merit.m20, 20);
  }
}
