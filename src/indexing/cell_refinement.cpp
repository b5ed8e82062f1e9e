#include "indexing/cell_refinement.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "processing/least_squares.h"

namespace difscop::indexing {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// A refined parameter's share of (g11, g22, g33, g12, g13, g23).
using Basis = std::array<double, 6>;

std::vector<Basis> BasisOf(CrystalSystem system) {
  switch (system) {
    case CrystalSystem::Cubic:
      return {{1, 1, 1, 0, 0, 0}};
    case CrystalSystem::Tetragonal:
      return {{1, 1, 0, 0, 0, 0}, {0, 0, 1, 0, 0, 0}};
    case CrystalSystem::Hexagonal:
    case CrystalSystem::Rhombohedral:  // on hexagonal axes
      return {{1, 1, 0, 0.5, 0, 0}, {0, 0, 1, 0, 0, 0}};
    case CrystalSystem::Orthorhombic:
      return {{1, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}, {0, 0, 1, 0, 0, 0}};
    case CrystalSystem::Monoclinic:
      return {{1, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}, {0, 0, 1, 0, 0, 0}, {0, 0, 0, 0, 1, 0}};
    case CrystalSystem::Triclinic:
      break;
  }
  return {{1, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}, {0, 0, 1, 0, 0, 0},
          {0, 0, 0, 1, 0, 0}, {0, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 0, 1}};
}

std::array<double, 6> Components(const ReciprocalMetric& g) {
  return {g.g11, g.g22, g.g33, g.g12, g.g13, g.g23};
}

ReciprocalMetric MetricFrom(const std::vector<Basis>& basis, std::span<const double> p) {
  std::array<double, 6> c{};
  for (std::size_t j = 0; j < basis.size(); ++j) {
    for (int i = 0; i < 6; ++i) c[i] += p[j] * basis[j][i];
  }
  return {c[0], c[1], c[2], c[3], c[4], c[5]};
}

// The bases touch disjoint components: each parameter reads off its first one.
std::vector<double> ParametersOf(const std::vector<Basis>& basis, const ReciprocalMetric& g) {
  const std::array<double, 6> c = Components(g);
  std::vector<double> p;
  for (const Basis& b : basis) {
    int i = 0;
    while (b[i] == 0) ++i;
    p.push_back(c[i] / b[i]);
  }
  return p;
}

double BasisQ(const Basis& b, const Hkl& r) {
  return b[0] * r.h * r.h + b[1] * r.k * r.k + b[2] * r.l * r.l +
         2.0 * (b[3] * r.h * r.k + b[4] * r.h * r.l + b[5] * r.k * r.l);
}

std::array<double, 7> CellValues(const Cell& c) {
  return {c.a, c.b, c.c, c.alpha, c.beta, c.gamma, c.Volume()};
}

}  // namespace

double Corrections::Corrected(double twoTheta) const {
  return twoTheta - zero - displacement * std::cos(twoTheta * kDegree / 2);
}

double Corrections::Observed(double twoTheta) const {
  // The inverse of Corrected: the displacement term is read at the observed angle.
  double observed = twoTheta + zero + displacement * std::cos(twoTheta * kDegree / 2);
  for (int i = 0; i < 3; ++i)
    observed = twoTheta + zero + displacement * std::cos(observed * kDegree / 2);
  return observed;
}

namespace {

// The calculated lines as 2theta, ascending, to a little past the last line.
std::vector<std::pair<double, Hkl>> CalculatedAngles(const ReciprocalMetric& metric,
                                                     Centring centring, double highest,
                                                     double wavelength) {
  std::vector<std::pair<double, Hkl>> calc;
  const double qMax = QOfTwoTheta(std::min(highest + 2.0, 179.0), wavelength);
  for (const CalculatedLine& line : CalculatedLines(metric, centring, qMax)) {
    if (std::optional<double> t = TwoThetaOfQ(line.q, wavelength)) calc.push_back({*t, line.hkl});
  }
  return calc;
}

// The calculated line nearest to t, or nullptr.
const std::pair<double, Hkl>* Nearest(const std::vector<std::pair<double, Hkl>>& calc, double t) {
  auto it = std::lower_bound(calc.begin(), calc.end(), t,
                             [](const auto& line, double v) { return line.first < v; });
  const std::pair<double, Hkl>* best = it != calc.end() ? &*it : nullptr;
  if (it != calc.begin() && (!best || t - std::prev(it)->first < best->first - t))
    best = &*std::prev(it);
  return best;
}

}  // namespace

LineAssignment AssignLines(const ReciprocalMetric& metric, Centring centring,
                           std::span<const double> twoTheta, double wavelength,
                           const Corrections& corrections, double tolerance) {
  LineAssignment result;
  double highest = 0;
  for (double t : twoTheta) highest = std::max(highest, corrections.Corrected(t));
  const auto calc = CalculatedAngles(metric, centring, highest + tolerance, wavelength);
  for (std::size_t i = 0; i < twoTheta.size(); ++i) {
    const double corrected = corrections.Corrected(twoTheta[i]);
    const std::pair<double, Hkl>* best = Nearest(calc, corrected);
    if (best && std::fabs(best->first - corrected) <= tolerance) {
      result.indexed.push_back(
          {static_cast<int>(i), best->second, twoTheta[i], corrections.Observed(best->first)});
    } else {
      result.unindexed.push_back(static_cast<int>(i));
    }
  }
  return result;
}

FiguresOfMerit MeritOf(const ReciprocalMetric& metric, Centring centring,
                       std::span<const double> twoTheta, double wavelength,
                       const Corrections& corrections, double tolerance) {
  FiguresOfMerit m;
  if (twoTheta.empty()) return m;
  std::vector<double> corrected;
  for (double t : twoTheta) corrected.push_back(corrections.Corrected(t));
  std::sort(corrected.begin(), corrected.end());
  m.mLines = static_cast<int>(std::min<std::size_t>(20, corrected.size()));
  m.fnLines = static_cast<int>(corrected.size());
  const auto calc = CalculatedAngles(metric, centring, corrected.back(), wavelength);
  if (calc.empty()) return m;
  const double limit20 = corrected[static_cast<std::size_t>(m.mLines - 1)];
  int n20 = 0;
  for (const auto& line : calc) {
    if (line.first <= limit20 + 1e-9) ++n20;
    if (line.first <= corrected.back() + 1e-9) ++m.possibleLines;
  }
  double sumQ = 0, sumIndexed = 0, sumT = 0;
  for (int i = 0; i < m.fnLines; ++i) {
    const double t = corrected[static_cast<std::size_t>(i)];
    const std::pair<double, Hkl>* best = Nearest(calc, t);
    const double dT = std::fabs(best->first - t);
    sumT += dT;
    if (i < m.mLines) {
      const double dQ = std::fabs(QOfTwoTheta(t, wavelength) - QOfTwoTheta(best->first, wavelength));
      sumQ += dQ;
      if (dT > tolerance) {
        ++m.unindexed20;
      } else {
        sumIndexed += dQ;
      }
    }
  }
  // A perfect fit is not infinitely good: the discrepancies are floored.
  const double q20 = QOfTwoTheta(limit20, wavelength);
  auto m20 = [&](double meanQ) { return q20 / (2.0 * std::max(meanQ, 1e-7 * q20) * n20); };
  if (n20 > 0) {
    m.m20 = m20(sumQ / m.mLines);
    if (m.unindexed20 < m.mLines) m.m20Indexed = m20(sumIndexed / (m.mLines - m.unindexed20));
  }
  m.meanDelta = sumT / m.fnLines;
  if (m.possibleLines > 0) m.fn = m.fnLines / (std::max(m.meanDelta, 1e-5) * m.possibleLines);
  return m;
}

std::optional<Refinement> RefineCell(const Cell& start, CrystalSystem system, Centring centring,
                                     std::span<const double> twoTheta, double wavelength,
                                     const RefineOptions& options,
                                     std::span<const double> twoThetaEsd) {
  std::optional<ReciprocalMetric> metric = MetricOf(Symmetrized(start, system));
  if (!metric || !(wavelength > 0)) return std::nullopt;
  const std::vector<Basis> basis = BasisOf(system);
  const int cellParams = static_cast<int>(basis.size());
  const int zeroColumn = options.zeroShift ? cellParams : -1;
  const int displacementColumn =
      options.displacement ? cellParams + (options.zeroShift ? 1 : 0) : -1;
  const int m = cellParams + (options.zeroShift ? 1 : 0) + (options.displacement ? 1 : 0);
  std::vector<double> p = ParametersOf(basis, *metric);
  Corrections corrections = options.start;
  if (!options.zeroShift) corrections.zero = 0;
  if (!options.displacement) corrections.displacement = 0;

  const bool weighted =
      twoThetaEsd.size() == twoTheta.size() &&
      std::all_of(twoThetaEsd.begin(), twoThetaEsd.end(), [](double e) { return e > 0; });

  processing::LeastSquaresFit fit;
  LineAssignment lines;
  double sigma2 = 0;
  // Wide first, so that a rough cell still finds its lines; then the
  // tolerance asked for, until the assignment settles.
  const double tolerances[] = {3 * options.tolerance, options.tolerance, options.tolerance,
                               options.tolerance};
  for (double tolerance : tolerances) {
    lines = AssignLines(MetricFrom(basis, p), centring, twoTheta, wavelength, corrections, tolerance);
    const int n = static_cast<int>(lines.indexed.size());
    if (n < m + 1) return std::nullopt;
    for (int iteration = 0; iteration < 30; ++iteration) {
      const ReciprocalMetric g = MetricFrom(basis, p);
      std::vector<double> design, residual;
      for (const IndexedLine& line : lines.indexed) {
        const double q = g.Q(line.hkl.h, line.hkl.k, line.hkl.l);
        std::optional<double> calc = TwoThetaOfQ(q, wavelength);
        if (!calc) return std::nullopt;
        const double theta = *calc * kDegree / 2.0;
        // d(2theta)/dQ in degrees per inverse square angstrom.
        const double slope = wavelength / (2.0 * std::sqrt(q) * std::cos(theta)) / kDegree;
        const double w =
            weighted ? 1.0 / twoThetaEsd[static_cast<std::size_t>(line.observed)] : 1.0;
        for (const Basis& b : basis) design.push_back(w * slope * BasisQ(b, line.hkl));
        if (options.zeroShift) design.push_back(w);
        if (options.displacement) design.push_back(w * std::cos(theta));
        residual.push_back(w * (line.twoThetaObs - corrections.Observed(*calc)));
      }
      if (processing::SolveLeastSquares(n, m, design, residual, fit) != 0) return std::nullopt;
      double change = 0;
      for (int j = 0; j < cellParams; ++j) {
        p[j] += fit.coefficients[j];
        change = std::max(change, std::fabs(fit.coefficients[j]) / std::max(std::fabs(p[j]), 1e-12));
      }
      if (zeroColumn >= 0) corrections.zero += fit.coefficients[zeroColumn];
      if (displacementColumn >= 0) corrections.displacement += fit.coefficients[displacementColumn];
      sigma2 = n > m ? fit.residualSum / (n - m) : 0.0;
      if (change < 1e-12) break;
    }
  }
  // The residuals of the last step are those of the converged parameters.
  lines = AssignLines(MetricFrom(basis, p), centring, twoTheta, wavelength, corrections,
                      options.tolerance);

  Refinement r;
  r.system = system;
  r.centring = centring;
  std::optional<Cell> cell = CellOf(MetricFrom(basis, p));
  if (!cell) return std::nullopt;
  r.cell = Symmetrized(*cell, system);
  r.volume = r.cell.Volume();
  r.corrections = corrections;
  r.lines = lines;
  r.merit = MeritOf(MetricFrom(basis, p), centring, twoTheta, wavelength, corrections,
                    options.tolerance);

  // Uncertainties: the parameters' covariance carried to the cell by
  // numerical derivatives.
  std::vector<std::array<double, 7>> jacobian(cellParams);
  for (int j = 0; j < cellParams; ++j) {
    const double step = 1e-6 * std::max(std::fabs(p[j]), 1e-6);
    std::vector<double> up = p, down = p;
    up[j] += step;
    down[j] -= step;
    std::optional<Cell> cu = CellOf(MetricFrom(basis, up)), cd = CellOf(MetricFrom(basis, down));
    if (!cu || !cd) return std::nullopt;
    const std::array<double, 7> vu = CellValues(*cu), vd = CellValues(*cd);
    for (int i = 0; i < 7; ++i) jacobian[j][i] = (vu[i] - vd[i]) / (2 * step);
  }
  std::array<double, 7> variance{};
  for (int i = 0; i < 7; ++i) {
    for (int j = 0; j < cellParams; ++j) {
      for (int k = 0; k < cellParams; ++k) {
        variance[i] += jacobian[j][i] * fit.inverse[j * m + k] * jacobian[k][i];
      }
    }
  }
  auto esd = [&](int i) { return std::sqrt(std::max(variance[i] * sigma2, 0.0)); };
  r.esd = {esd(0), esd(1), esd(2), esd(3), esd(4), esd(5)};
  r.esd = Symmetrized(r.esd, system);
  // Angles the system fixes have no uncertainty.
  auto fixed = [](double angle) { return angle == 90.0 || angle == 120.0; };
  const Cell fixedAngles = Symmetrized(Cell{1, 1, 1, 0, 0, 0}, system);
  if (fixed(fixedAngles.alpha)) r.esd.alpha = 0;
  if (fixed(fixedAngles.beta)) r.esd.beta = 0;
  if (fixed(fixedAngles.gamma)) r.esd.gamma = 0;
  r.volumeEsd = esd(6);
  auto parameterEsd = [&](int column) {
    return std::sqrt(std::max(fit.inverse[column * m + column] * sigma2, 0.0));
  };
  if (zeroColumn >= 0) r.correctionsEsd.zero = parameterEsd(zeroColumn);
  if (displacementColumn >= 0) r.correctionsEsd.displacement = parameterEsd(displacementColumn);
  return r;
}

}  // namespace difscop::indexing
