#include "indexing/cell_overlay.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "textio/text_writer.h"

namespace difscop::indexing {

std::string CellLegendName(const Cell& cell, CrystalSystem system, Centring centring) {
  std::string name = textio::Format("%s %c %.3f", CrystalSystemName(system), centring, cell.a);
  switch (system) {
    case CrystalSystem::Cubic:
      break;
    case CrystalSystem::Tetragonal:
    case CrystalSystem::Hexagonal:
    case CrystalSystem::Rhombohedral:
      name += textio::Format(" %.3f", cell.c);
      break;
    case CrystalSystem::Orthorhombic:
      name += textio::Format(" %.3f %.3f", cell.b, cell.c);
      break;
    case CrystalSystem::Monoclinic:
      name += textio::Format(" %.3f %.3f %.2f", cell.b, cell.c, cell.beta);
      break;
    case CrystalSystem::Triclinic:
      name += textio::Format(" %.3f %.3f %.2f %.2f %.2f", cell.b, cell.c, cell.alpha, cell.beta,
                             cell.gamma);
      break;
  }
  return name;
}

workspace::ReferenceOverlay CellOverlay(const workspace::Pattern& p, float xMin, float xMax,
                                        const Cell& cell, CrystalSystem system, Centring centring,
                                        const Corrections& corrections, double wavelength) {
  workspace::ReferenceOverlay overlay;
  overlay.name = CellLegendName(cell, system, centring);
  const std::optional<ReciprocalMetric> metric = MetricOf(cell);
  if (!metric || !(wavelength > 0)) return overlay;

  // The points in ascending angle (patterns measured downwards exist).
  std::vector<std::pair<double, double>> pts;
  for (int i = 1; i <= p.obsCount; ++i)
    pts.emplace_back(p.obs[static_cast<std::size_t>(i)].x, p.obs[static_cast<std::size_t>(i)].y);
  std::sort(pts.begin(), pts.end());
  std::vector<double> xs, ys;
  for (const auto& [px, py] : pts) {
    xs.push_back(px);
    ys.push_back(py);
  }
  double lo = xMin, hi = xMax;
  if (xs.size() >= 2) {
    lo = std::min(lo, xs.front());
    hi = std::max(hi, xs.back());
  }
  lo = std::max(lo, 0.0);
  hi = std::min(hi, 180.0);
  const double reach = std::max(0.05, xs.size() >= 2 ? std::fabs(xs[1] - xs[0]) : 0.0);

  // The line observed at hi comes from a cell angle the corrections move.
  const double highest = std::min(179.9, corrections.Corrected(hi) + 0.5);
  for (const CalculatedLine& line : CalculatedLines(*metric, centring, QOfTwoTheta(highest, wavelength))) {
    const std::optional<double> calc = TwoThetaOfQ(line.q, wavelength);
    if (!calc) continue;
    const double at = corrections.Observed(*calc);
    if (at < lo || at > hi) continue;
    workspace::ReferenceStick s;
    s.twoTheta = static_cast<float>(at);
    s.h = line.hkl.h;
    s.k = line.hkl.k;
    s.l = line.hkl.l;
    s.d = static_cast<float>(1.0 / std::sqrt(line.q));
    double top = 0;
    const auto first = std::lower_bound(xs.begin(), xs.end(), at - reach);
    const auto last = std::upper_bound(xs.begin(), xs.end(), at + reach);
    if (first != last) {
      top = *std::max_element(ys.begin() + (first - xs.begin()), ys.begin() + (last - xs.begin()));
    }
    s.height = static_cast<float>(std::max(0.0, top));
    overlay.sticks.push_back(s);
  }
  return overlay;
}

}  // namespace difscop::indexing
