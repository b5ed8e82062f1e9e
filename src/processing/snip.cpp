#include "processing/snip.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace difscop::processing {

namespace {

constexpr double kRadian = std::numbers::pi / 180.0;

// The clipping runs on means of bins of points, about this many bins to the
// half window: the background is smooth on that scale, the bin means scatter
// less than single points (so the clipping finds the middle of the noise,
// not its lower edge), and the work falls with the bin size.
constexpr int kBinsPerHalfWindow = 10;

inline double Compress(double y) {
  return std::log(std::log(std::sqrt(std::max(y, 0.0) + 1.0) + 1.0) + 1.0);
}

inline double Expand(double t) {
  const double s = std::exp(std::exp(t) - 1.0) - 1.0;
  return s * s - 1.0;
}

}  // namespace

std::vector<double> SnipBackground(std::span<const double> y, int halfWindow) {
  const std::size_t n = y.size();
  if (n == 0) return {};
  const std::size_t m = static_cast<std::size_t>(std::max(halfWindow, 1));
  const std::size_t bin =
      std::max<std::size_t>(1, (m + kBinsPerHalfWindow / 2) / kBinsPerHalfWindow);
  const std::size_t bins = (n + bin - 1) / bin;
  std::vector<double> v(bins), smooth(bins), w(bins);
  for (std::size_t k = 0; k < bins; ++k) {
    const std::size_t from = k * bin, to = std::min(n, from + bin);
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i) sum += y[i];
    v[k] = Compress(sum / static_cast<double>(to - from));
  }
  // Each pass averages over three bins, then clips each bin to the mean of
  // its neighbours at distance p (the widest that fits near the ends), from
  // the widest distance down.
  const std::size_t half = std::max<std::size_t>(1, (m + bin / 2) / bin);
  for (std::size_t p = half; p >= 1; --p) {
    if (bins < 2) break;
    smooth[0] = 0.5 * (v[0] + v[1]);
    smooth[bins - 1] = 0.5 * (v[bins - 2] + v[bins - 1]);
    for (std::size_t k = 1; k + 1 < bins; ++k) smooth[k] = (v[k - 1] + v[k] + v[k + 1]) / 3.0;
    const double* in = smooth.data();
    double* out = w.data();
    // Inside, the full distance: a plain loop the compiler vectorises.
    const std::size_t inner0 = std::min(p, bins), inner1 = bins > p ? bins - p : 0;
    for (std::size_t k = inner0; k < inner1; ++k)
      out[k] = std::min(in[k], 0.5 * (in[k - p] + in[k + p]));
    auto edge = [&](std::size_t k) {
      const std::size_t q = std::min({p, k, bins - 1 - k});
      out[k] = q == 0 ? in[k] : std::min(in[k], 0.5 * (in[k - q] + in[k + q]));
    };
    for (std::size_t k = 0; k < inner0; ++k) edge(k);
    for (std::size_t k = std::max(inner0, inner1); k < bins; ++k) edge(k);
    std::swap(v, w);
  }
  for (double& t : v) t = Expand(t);
  // Back onto the points, linear between bin centres.
  std::vector<double> out(n);
  auto centre = [&](std::size_t k) {
    const std::size_t from = k * bin, to = std::min(n, from + bin);
    return 0.5 * static_cast<double>(from + to - 1);
  };
  std::size_t k = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double at = static_cast<double>(i);
    while (k + 2 < bins && centre(k + 1) <= at) ++k;
    if (bins == 1) {
      out[i] = v[0];
      continue;
    }
    const double c0 = centre(k), c1 = centre(k + 1);
    const double t = std::clamp((at - c0) / (c1 - c0), 0.0, 1.0);
    out[i] = v[k] + t * (v[k + 1] - v[k]);
  }
  return out;
}

int SnipHalfWindow(std::span<const double> x, double windowDegrees) {
  if (x.size() < 2 || !(windowDegrees > 0.0)) return 1;
  const double step = (x.back() - x.front()) / static_cast<double>(x.size() - 1);
  if (!(step > 0.0)) return 1;
  const double half = 0.5 * windowDegrees / step;
  return half >= 1.0 ? static_cast<int>(std::min(half + 0.5, 1e6)) : 1;
}

double Ka2Angle(double twoTheta, double wavelengthRatio, double* derivative) {
  const double half = 0.5 * twoTheta * kRadian;
  const double s = wavelengthRatio * std::sin(half);
  if (!(s < 1.0)) {
    if (derivative) *derivative = 1.0;
    return twoTheta;
  }
  const double half2 = std::asin(s);
  if (derivative) *derivative = wavelengthRatio * std::cos(half) / std::cos(half2);
  return 2.0 * half2 / kRadian;
}

std::vector<double> StripKa2(std::span<const double> x, std::span<const double> y,
                             std::span<const double> background, double ka1Wavelength,
                             double ka2Wavelength, double ratio) {
  const std::size_t n = std::min(x.size(), y.size());
  const bool withBackground = background.size() == y.size();
  std::vector<double> out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = y[i] - (withBackground ? background[i] : 0.0);
  if (!(ka1Wavelength > 0.0) || !(ka2Wavelength > 0.0)) return out;
  const double r = ka1Wavelength / ka2Wavelength;

  // The Ka1 angle whose Ka2 line falls on x moves smoothly with x: it is
  // computed exactly every kNode points and interpolated in between.
  constexpr std::size_t kNode = 32;
  auto ka1Of = [&](double a) {
    return 2.0 / kRadian * std::asin(std::clamp(r * std::sin(0.5 * a * kRadian), -1.0, 1.0));
  };
  std::size_t j = 0;  // x[j] <= source < x[j + 1]
  double nodeX0 = 0.0, nodeX1 = 0.0, shift0 = 0.0, shift1 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i % kNode == 0) {
      const std::size_t next = std::min(i + kNode, n - 1);
      nodeX0 = x[i], nodeX1 = x[next];
      shift0 = x[i] - ka1Of(x[i]);
      shift1 = x[next] - ka1Of(x[next]);
    }
    const double t = nodeX1 > nodeX0 ? (x[i] - nodeX0) / (nodeX1 - nodeX0) : 0.0;
    const double source = x[i] - (shift0 + t * (shift1 - shift0));
    if (source < x[0]) continue;
    while (j + 1 < i && x[j + 1] <= source) ++j;
    // The source between x[j] and x[j + 1]; when x[j + 1] is this point
    // itself (a shift below one step), the equation is solved for it.
    const double f = x[j + 1] > x[j] ? (source - x[j]) / (x[j + 1] - x[j]) : 0.0;
    if (j + 1 == i)
      out[i] = (out[i] - ratio * (1.0 - f) * out[j]) / (1.0 + ratio * f);
    else
      out[i] -= ratio * ((1.0 - f) * out[j] + f * out[j + 1]);
  }
  if (withBackground) {
    for (std::size_t i = 0; i < n; ++i) out[i] += background[i];
  }
  return out;
}

}  // namespace difscop::processing
