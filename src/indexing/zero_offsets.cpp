#include "indexing/zero_offsets.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace difscop::indexing {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// The relations that hold with the lines corrected by zero: Q of a line
// within half the tolerance of four or nine times another's (counted
// twice: chance meets them less often) or of the sum of two lower ones.
int Relations(std::span<const double> twoTheta, double wavelength, double tolerance,
              double zero) {
  const std::size_t n = twoTheta.size();
  std::vector<double> q(n), e(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double theta = (twoTheta[i] - zero) * kDegree / 2;
    const double s = 2 * std::sin(theta) / wavelength;
    q[i] = s * s;
    // dQ/d(2theta) for half the tolerance.
    e[i] = 4 / (wavelength * wavelength) * std::sin(theta) * std::cos(theta) *
           (tolerance / 2 * kDegree);
  }
  const double eMax = n > 0 ? *std::max_element(e.begin(), e.end()) : 0;
  int count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    for (double m : {4.0, 9.0}) {
      for (std::size_t k = i + 1; k < n; ++k)
        if (std::fabs(q[k] - m * q[i]) <= e[k] + m * e[i] / 2) count += 2;
    }
    for (std::size_t j = i; j < n; ++j) {
      const double sum = q[i] + q[j];
      // The lines ascend: the sum's neighbours are found by bisection.
      auto it = std::lower_bound(q.begin() + static_cast<std::ptrdiff_t>(j + 1), q.end(),
                                 sum - eMax);
      for (; it != q.end() && *it <= sum + eMax; ++it) {
        const std::size_t k = static_cast<std::size_t>(it - q.begin());
        if (std::fabs(q[k] - sum) <= e[k]) ++count;
      }
    }
  }
  return count;
}

}  // namespace

std::vector<ZeroScore> RankZeroOffsets(std::span<const double> twoTheta, double wavelength,
                                       double tolerance, std::span<const double> zeros,
                                       double spread) {
  std::vector<ZeroScore> ranked;
  const int steps = static_cast<int>(std::floor(spread / (tolerance / 4) + 1e-9));
  for (double zero : zeros) {
    ZeroScore z{zero, -1, zero};
    for (int i = -steps; i <= steps; ++i) {
      const double at = zero + i * tolerance / 4;
      const int count = Relations(twoTheta, wavelength, tolerance, at);
      if (count > z.score) z = {zero, static_cast<double>(count), at};
    }
    ranked.push_back(z);
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const ZeroScore& a, const ZeroScore& b) { return a.score > b.score; });
  return ranked;
}

}  // namespace difscop::indexing
