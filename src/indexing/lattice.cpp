#include "indexing/lattice.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace difscop::indexing {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

constexpr const char* kSystemNames[kCrystalSystemCount] = {
    "cubic", "tetragonal", "hexagonal", "rhombohedral", "orthorhombic", "monoclinic", "triclinic"};

struct Symmetric3 {
  double m11, m22, m33, m12, m13, m23;
};

// The inverse by cofactors, so that equal entries stay exactly equal.
std::optional<Symmetric3> Inverse(const Symmetric3& m) {
  const double c11 = m.m22 * m.m33 - m.m23 * m.m23;
  const double c22 = m.m11 * m.m33 - m.m13 * m.m13;
  const double c33 = m.m11 * m.m22 - m.m12 * m.m12;
  const double c12 = m.m13 * m.m23 - m.m12 * m.m33;
  const double c13 = m.m12 * m.m23 - m.m13 * m.m22;
  const double c23 = m.m12 * m.m13 - m.m11 * m.m23;
  const double det = m.m11 * c11 + m.m12 * c12 + m.m13 * c13;
  if (!(det > 0) || !std::isfinite(det)) return std::nullopt;
  return Symmetric3{c11 / det, c22 / det, c33 / det, c12 / det, c13 / det, c23 / det};
}

double AngleOf(double cosine) { return std::acos(std::clamp(cosine, -1.0, 1.0)) / kDegree; }

}  // namespace

const char* CrystalSystemName(CrystalSystem system) {
  return kSystemNames[static_cast<int>(system)];
}

std::optional<CrystalSystem> CrystalSystemFromName(const std::string& name) {
  for (int i = 0; i < kCrystalSystemCount; ++i) {
    if (name == kSystemNames[i]) return static_cast<CrystalSystem>(i);
  }
  return std::nullopt;
}

double Cell::Volume() const {
  const double ca = std::cos(alpha * kDegree), cb = std::cos(beta * kDegree),
               cg = std::cos(gamma * kDegree);
  const double root = 1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg;
  return root > 0 ? a * b * c * std::sqrt(root) : 0.0;
}

double ReciprocalMetric::Q(int h, int k, int l) const {
  return h * h * g11 + k * k * g22 + l * l * g33 + 2.0 * (h * k * g12 + h * l * g13 + k * l * g23);
}

std::optional<ReciprocalMetric> MetricOf(const Cell& cell) {
  if (!(cell.a > 0 && cell.b > 0 && cell.c > 0)) return std::nullopt;
  const Symmetric3 direct{cell.a * cell.a,
                          cell.b * cell.b,
                          cell.c * cell.c,
                          cell.a * cell.b * std::cos(cell.gamma * kDegree),
                          cell.a * cell.c * std::cos(cell.beta * kDegree),
                          cell.b * cell.c * std::cos(cell.alpha * kDegree)};
  std::optional<Symmetric3> r = Inverse(direct);
  if (!r) return std::nullopt;
  return ReciprocalMetric{r->m11, r->m22, r->m33, r->m12, r->m13, r->m23};
}

std::optional<Cell> CellOf(const ReciprocalMetric& g) {
  std::optional<Symmetric3> d = Inverse({g.g11, g.g22, g.g33, g.g12, g.g13, g.g23});
  if (!d || !(d->m11 > 0 && d->m22 > 0 && d->m33 > 0)) return std::nullopt;
  Cell cell;
  cell.a = std::sqrt(d->m11);
  cell.b = std::sqrt(d->m22);
  cell.c = std::sqrt(d->m33);
  cell.alpha = AngleOf(d->m23 / (cell.b * cell.c));
  cell.beta = AngleOf(d->m13 / (cell.a * cell.c));
  cell.gamma = AngleOf(d->m12 / (cell.a * cell.b));
  return cell;
}

Cell Symmetrized(const Cell& cell, CrystalSystem system) {
  Cell s = cell;
  switch (system) {
    case CrystalSystem::Cubic:
      s.b = s.c = s.a;
      s.alpha = s.beta = s.gamma = 90;
      break;
    case CrystalSystem::Tetragonal:
      s.b = s.a;
      s.alpha = s.beta = s.gamma = 90;
      break;
    case CrystalSystem::Hexagonal:
    case CrystalSystem::Rhombohedral:
      s.b = s.a;
      s.alpha = s.beta = 90;
      s.gamma = 120;
      break;
    case CrystalSystem::Orthorhombic:
      s.alpha = s.beta = s.gamma = 90;
      break;
    case CrystalSystem::Monoclinic:
      s.alpha = s.gamma = 90;
      break;
    case CrystalSystem::Triclinic:
      break;
  }
  return s;
}

int LatticePoints(Centring centring) {
  switch (centring) {
    case 'P':
      return 1;
    case 'R':
      return 3;
    case 'F':
      return 4;
    default:
      return 2;
  }
}

Cell RhombohedralOfHexagonal(const Cell& h) {
  const double a = std::sqrt(h.a * h.a / 3 + h.c * h.c / 9);
  // a_r . a_r' = -a^2/6 + c^2/9 between two rhombohedral axes.
  const double alpha = AngleOf((h.c * h.c / 9 - h.a * h.a / 6) / (a * a));
  return {a, a, a, alpha, alpha, alpha};
}

Cell HexagonalOfRhombohedral(const Cell& r) {
  const double cosine = std::cos(r.alpha * kDegree);
  const double a = r.a * std::sqrt(2 - 2 * cosine), c = r.a * std::sqrt(3 + 6 * cosine);
  return {a, a, c, 90, 90, 120};
}

bool AllowedByCentring(Centring centring, const Hkl& r) {
  auto even = [](int v) { return v % 2 == 0; };
  switch (centring) {
    case 'R':
      return (-r.h + r.k + r.l) % 3 == 0;
    case 'I':
      return even(r.h + r.k + r.l);
    case 'A':
      return even(r.k + r.l);
    case 'B':
      return even(r.h + r.l);
    case 'C':
      return even(r.h + r.k);
    case 'F':
      return even(r.h + r.k) && even(r.h + r.l);
    default:
      return true;
  }
}

std::vector<CalculatedLine> CalculatedLines(const ReciprocalMetric& g, Centring centring,
                                            double qMax) {
  std::vector<CalculatedLine> all;
  std::optional<Symmetric3> d = Inverse({g.g11, g.g22, g.g33, g.g12, g.g13, g.g23});
  if (!d || !(qMax > 0)) return all;
  // |h| <= a |d*| and so on.
  const int hMax = static_cast<int>(std::sqrt(d->m11 * qMax)) + 1;
  const int kMax = static_cast<int>(std::sqrt(d->m22 * qMax)) + 1;
  const int lMax = static_cast<int>(std::sqrt(d->m33 * qMax)) + 1;
  if (hMax > 200 || kMax > 200 || lMax > 200) return all;
  // One of each Friedel pair: h > 0, or h = 0 and k > 0, or h = k = 0 and l > 0.
  for (int h = 0; h <= hMax; ++h) {
    for (int k = h == 0 ? 0 : -kMax; k <= kMax; ++k) {
      for (int l = (h == 0 && k == 0) ? 1 : -lMax; l <= lMax; ++l) {
        const Hkl r{h, k, l};
        if (!AllowedByCentring(centring, r)) continue;
        const double q = g.Q(h, k, l);
        if (q > 0 && q <= qMax) all.push_back({r, q});
      }
    }
  }
  std::sort(all.begin(), all.end(),
            [](const CalculatedLine& x, const CalculatedLine& y) { return x.q < y.q; });
  // Within a line the indices with the fewest minus signs, then the largest
  // leading index, name it.
  auto better = [](const Hkl& x, const Hkl& y) {
    const int nx = (x.h < 0) + (x.k < 0) + (x.l < 0), ny = (y.h < 0) + (y.k < 0) + (y.l < 0);
    if (nx != ny) return nx < ny;
    if (x.h != y.h) return x.h > y.h;
    if (x.k != y.k) return x.k > y.k;
    return x.l > y.l;
  };
  std::vector<CalculatedLine> lines;
  for (const CalculatedLine& line : all) {
    if (!lines.empty() && line.q - lines.back().q <= 1e-7 * line.q) {
      if (better(line.hkl, lines.back().hkl)) lines.back().hkl = line.hkl;
      continue;
    }
    lines.push_back(line);
  }
  return lines;
}

std::optional<double> TwoThetaOfQ(double q, double wavelength) {
  const double s = wavelength * std::sqrt(q) / 2.0;
  if (!(s >= 0 && s < 1)) return std::nullopt;
  return 2.0 * std::asin(s) / kDegree;
}

double QOfTwoTheta(double twoTheta, double wavelength) {
  const double s = 2.0 * std::sin(twoTheta * kDegree / 2.0) / wavelength;
  return s * s;
}

}  // namespace difscop::indexing
