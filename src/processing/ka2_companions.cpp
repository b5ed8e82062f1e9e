#include "processing/ka2_companions.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace difscop::processing {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
// The peaks looked at, strongest first.
constexpr int kPeaksLooked = 10;

}  // namespace

std::optional<bool> HasKa2Companions(const workspace::Pattern& p, std::span<const double> peaks,
                                     double ka1, double ka2) {
  if (p.obsCount < 10 || !(ka1 > 0) || !(ka2 > ka1)) return std::nullopt;
  const double step = std::fabs(p.obs[2].x - p.obs[1].x);
  struct Seen {
    double height, excess;
  };
  std::vector<Seen> seen;
  for (double t : peaks) {
    const double s = std::sin(t * kDegree / 2) * ka2 / ka1;
    if (!(s < 1)) continue;
    const double separation = 2 * std::asin(s) / kDegree - t;
    // Resolved: a few steps apart, and the peak well inside the pattern.
    if (separation < 3 * step || t - 3 * separation < p.obs[1].x ||
        t + 3 * separation > p.obs[static_cast<std::size_t>(p.obsCount)].x)
      continue;
    const double top = workspace::ObservedAt(p, t);
    double base = top;
    for (double x = t - 3 * separation; x <= t + 3 * separation; x += step)
      base = std::min(base, workspace::ObservedAt(p, x));
    const double height = top - base;
    if (!(height > 0)) continue;
    // A Ka2 companion stands at half the height on its side; a single line
    // is as high on both sides.
    const double excess =
        (workspace::ObservedAt(p, t + separation) - workspace::ObservedAt(p, t - separation)) /
        height;
    seen.push_back({height, excess});
  }
  if (seen.empty()) return std::nullopt;
  std::sort(seen.begin(), seen.end(),
            [](const Seen& x, const Seen& y) { return x.height > y.height; });
  if (seen.size() > static_cast<std::size_t>(kPeaksLooked)) seen.resize(kPeaksLooked);
  std::vector<double> excess;
  for (const Seen& s : seen) excess.push_back(s.excess);
  std::nth_element(excess.begin(), excess.begin() + static_cast<std::ptrdiff_t>(excess.size() / 2),
                   excess.end());
  return excess[excess.size() / 2] > 0.15;
}

}  // namespace difscop::processing
