#include "processing/peak_groups.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "processing/snip.h"

namespace difscop::processing {

namespace {

// A line's weight reaches this many FWHM from its centre (a Lorentzian keeps
// 1 % of its height there), and at least this many points, so that a local
// background has points of its own.
constexpr double kReachFwhm = 5.0;
constexpr std::size_t kReachPoints = 8;
// The half-maximum search stops this far from the top (degrees).
constexpr double kWidestHalf = 3.0;

std::size_t NearestPoint(std::span<const double> x, double at) {
  const auto it = std::lower_bound(x.begin(), x.end(), at);
  std::size_t i = static_cast<std::size_t>(it - x.begin());
  if (i == x.size() || (i > 0 && at - x[i - 1] < x[i] - at)) --i;
  return i;
}

// Where the net intensity falls to half of its value at top, walking by
// step (-1 or +1); interpolated between the two points around the crossing.
double HalfCrossing(std::span<const double> x, std::span<const double> y,
                    std::span<const double> under, std::size_t top, int step) {
  const double half = 0.5 * (y[top] - under[top]);
  std::size_t i = top;
  for (;;) {
    const std::size_t next = i + static_cast<std::size_t>(step);  // wraps below 0
    if (next >= x.size() || std::fabs(x[next] - x[top]) > kWidestHalf) return x[i];
    const double a = y[i] - under[i], b = y[next] - under[next];
    if (b <= half) return a > b ? x[i] + (x[next] - x[i]) * (a - half) / (a - b) : x[next];
    i = next;
  }
}

}  // namespace

std::vector<PeakStart> EstimatePeaks(std::span<const double> x, std::span<const double> y,
                                     std::span<const double> under,
                                     std::span<const double> positions, const ProfileOptions& o) {
  std::vector<PeakStart> starts;
  const std::size_t n = x.size();
  if (n < 3) return starts;
  const double from = std::max(o.from, x.front()), to = std::min(o.to, x.back());
  for (double at : positions) {
    if (!(at >= from && at <= to)) continue;
    PeakStart s;
    s.point = NearestPoint(x, at);
    // The top is the highest point within two of the one given.
    const std::size_t lo = s.point >= 2 ? s.point - 2 : 0, hi = std::min(n - 1, s.point + 2);
    std::size_t top = s.point;
    for (std::size_t i = lo; i <= hi; ++i)
      if (y[i] - under[i] > y[top] - under[top]) top = i;
    const bool seen = std::any_of(starts.begin(), starts.end(),
                                  [&](const PeakStart& e) { return e.point == s.point; });
    if (seen) continue;
    const double step = (x[hi] - x[lo]) / static_cast<double>(std::max<std::size_t>(hi - lo, 1));
    s.centre = at;
    s.height = std::max(y[top] - under[top], 1.0);
    s.fwhm = std::max(HalfCrossing(x, y, under, top, +1) - HalfCrossing(x, y, under, top, -1),
                      2.0 * step);
    double eta = 0.0;
    if (o.shape == ProfileShape::kPseudoVoigt) {
      // Gaussian and Lorentzian parts of about 0.83 and 0.31 FWHM: eta 0.38.
      s.side = {0.826 * s.fwhm, 0.310 * s.fwhm};
      eta = ResolveSide(o.shape, s.side).shape;
    } else {
      s.side = {s.fwhm, 2.0};
      eta = 2.0;
    }
    s.area = s.height * s.fwhm * IntegralBreadthRatio(o.shape, eta) /
             (o.ka2 ? 1.0 + 0.5 * o.ka2Ratio : 1.0);
    const double reach = std::max(kReachFwhm * s.fwhm, static_cast<double>(kReachPoints) * step);
    const double right = o.ka2 ? Ka2Angle(at, o.ka2Wavelength / o.ka1Wavelength) : at;
    s.reachFrom = at - reach;
    s.reachTo = right + reach;
    starts.push_back(s);
  }
  if (!o.ka2) return starts;
  // A position on the Ka2 line of a higher peak, and not higher than that
  // line would be, is that peak's doublet.
  std::vector<PeakStart> kept;
  for (const PeakStart& s : starts) {
    const bool companion = std::any_of(starts.begin(), starts.end(), [&](const PeakStart& e) {
      const double ka2 = Ka2Angle(e.centre, o.ka2Wavelength / o.ka1Wavelength);
      return s.height < 1.5 * o.ka2Ratio * e.height && std::fabs(s.centre - ka2) < 0.25 * e.fwhm &&
             std::fabs(s.centre - ka2) < std::fabs(s.centre - e.centre);
    });
    if (!companion) kept.push_back(s);
  }
  return kept;
}

std::vector<PeakGroup> GroupPeaks(std::span<const double> x, std::span<const double> under,
                                  const std::vector<PeakStart>& starts, const ProfileOptions& o) {
  std::vector<PeakGroup> groups;
  std::vector<int> order(starts.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    return starts[static_cast<std::size_t>(a)].centre < starts[static_cast<std::size_t>(b)].centre;
  });
  auto at = [&](std::size_t k) -> const PeakStart& {
    return starts[static_cast<std::size_t>(order[k])];
  };
  const double from = std::max(o.from, x.front()), to = std::min(o.to, x.back());
  const std::size_t maxPeaks = static_cast<std::size_t>(std::max(o.maxGroupPeaks, 1));
  std::size_t begin = 0;
  while (begin < order.size()) {
    // A run of peaks each reaching into the next.
    std::size_t end = begin + 1;
    double runTo = at(begin).reachTo;
    while (end < order.size() && at(end).reachFrom < runTo)
      runTo = std::max(runTo, at(end++).reachTo);
    // Split into chunks of near-equal size. The neighbours whose centres
    // fall among a chunk's points are fitted with it (not reported from it),
    // and the points reach over them too.
    const std::size_t length = end - begin;
    const std::size_t chunks = (length + maxPeaks - 1) / maxPeaks;
    for (std::size_t c = 0; c < chunks; ++c) {
      const std::size_t c0 = begin + length * c / chunks, c1 = begin + length * (c + 1) / chunks;
      double lo = at(c0).reachFrom, hi = at(c0).reachTo;
      for (std::size_t k = c0; k < c1; ++k) {
        lo = std::min(lo, at(k).reachFrom);
        hi = std::max(hi, at(k).reachTo);
      }
      std::size_t first = c0, last = c1 - 1;
      while (first > begin && at(first - 1).centre > lo) --first;
      while (last + 1 < end && at(last + 1).centre < hi) ++last;
      PeakGroup g;
      for (std::size_t k = first; k <= last; ++k) g.peaks.push_back(order[k]);
      g.coreBegin = c0 - first;
      g.coreEnd = c1 - first;
      lo = std::max(std::min(lo, at(first).reachFrom), from);
      hi = std::min(std::max(hi, at(last).reachTo), to);
      g.firstPoint = static_cast<std::size_t>(std::lower_bound(x.begin(), x.end(), lo) - x.begin());
      g.lastPoint = static_cast<std::size_t>(std::upper_bound(x.begin(), x.end(), hi) - x.begin());
      if (g.lastPoint > 0) --g.lastPoint;
      if (g.lastPoint <= g.firstPoint) continue;
      const double span = x[g.lastPoint] - x[g.firstPoint];
      g.background[0] = 0.5 * (under[g.firstPoint] + under[g.lastPoint]);
      g.background[1] = (under[g.lastPoint] - under[g.firstPoint]) / span;
      groups.push_back(std::move(g));
    }
    begin = end;
  }
  return groups;
}

}  // namespace difscop::processing
