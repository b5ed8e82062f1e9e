#include "processing/peak_search.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "processing/ka2_companions.h"
#include "processing/peak_fit.h"
#include "processing/smoothing.h"
#include "processing/snip.h"
#include "processing/xray_source.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::processing {

using workspace::Workspace;

namespace {

int Truncate(double v) {
  return static_cast<int>(v);
}

// The drawn range on the point grid: obs[first .. first + y.size() - 2] is
// y[1 ..] (slot 0 unused), starting at angle a.
struct SearchRange {
  int first = 0;
  float a = 0.0f;
  std::vector<float> y;
};

std::optional<SearchRange> DrawnRange(const Workspace& ws) {
  // A pattern without a usable step has no grid to search on.
  if (ws.obsCount < 1 || !(ws.stepWidth > 0.0f)) return std::nullopt;
  SearchRange r;
  r.a = ws.xMin < ws.stepStart ? ws.stepStart : ws.xMin;
  const float b = ws.xMax > ws.stepEnd ? ws.stepEnd : ws.xMax;
  int i0 = Truncate((r.a - ws.stepStart) / ws.stepWidth) + 1;
  int i1 = Truncate((b - ws.stepStart) / ws.stepWidth) + 1;
  // The grid computed from the header can reach past the points read.
  if (i0 < 1) i0 = 1;
  if (i1 > ws.obsCount) i1 = ws.obsCount;
  if (i1 < i0) return std::nullopt;
  r.first = i0;
  r.y.assign(static_cast<std::size_t>(i1 - i0 + 2), 0.0f);
  for (int k = 1; k <= i1 - i0 + 1; ++k)
    r.y[static_cast<std::size_t>(k)] = ws.obs[static_cast<std::size_t>(i0 + k - 1)].y;
  return r;
}

// The candidates of the range (indices into r.y, ascending): where the
// D-point difference turns from rising (or flat) to falling, the highest
// point within D of the turn's centre, when passes(top, centre) says so. A top within D
// points of the last one is the same line: the higher of the two stays.
std::vector<int> FindTops(const Workspace& ws, const SearchRange& r,
                          const std::function<bool(int top, int centre)>& passes) {
  std::vector<int> tops;
  const int m = static_cast<int>(r.y.size()) - 1;
  const int d = ws.peakDiffPoints;
  // D below 1 sums nothing; a range of 2D points or fewer has no centre.
  if (d < 1 || m <= 2LL * d) return tops;
  auto Y = [&](int k) { return r.y[static_cast<std::size_t>(k)]; };

  int previous = -1;
  int zeroRun = 0;
  int k = d + 1;
  while (k <= m - d) {
    float g = 0.0f;
    for (int j = 1; j <= d; ++j) g += static_cast<float>(j) * (Y(k + j) - Y(k - j));
    const int sign = g < 0.0f ? -1 : (g > 0.0f ? 1 : 0);
    const int before = previous;
    previous = sign;
    if (sign > 0) {
      zeroRun = 0;
      ++k;
      continue;
    }
    if (sign == 0) {
      ++zeroRun;
      ++k;
      continue;
    }
    int centre = 0;
    if (before > 0) {
      centre = k;
    } else if (before == 0) {
      centre = k - 1 - zeroRun / 2;
    } else {
      zeroRun = 0;
      ++k;
      continue;
    }
    // The comparison window stays inside the working copy.
    int top = centre;
    const int from = centre - d < 1 ? 1 : centre - d;
    const int to = centre + d > m ? m : centre + d;
    for (int t = from; t <= to; ++t) {
      if (Y(t) > Y(top)) top = t;
    }
    if (!tops.empty() && top - tops.back() <= d) {
      if (Y(top) > Y(tops.back()) && passes(top, centre)) tops.back() = top;
    } else if (passes(top, centre)) {
      tops.push_back(top);
    }
    k += d + 1;
  }
  return tops;
}

// Fills the peak list with the tops, unrefined; a 201st top gives "Too many
// peaks picked up !!!" and the first 200 are kept.
void ListTops(Workspace& ws, platform::Platform& platform, const SearchRange& r,
              const std::vector<int>& tops) {
  int found = 0;
  for (int top : tops) {
    if (found == workspace::kMaxPeaks) {
      platform.ShowMessage("Too many peaks picked up !!!");
      break;
    }
    const auto s = static_cast<std::size_t>(++found);
    ws.peak2Theta[s] = r.a + static_cast<float>(top - 1) * ws.stepWidth;
    ws.peakPointIndex[s] = r.first + top - 1;
    ws.peak2ThetaEsd[s] = 0.0f;
    ws.peakD[s] = workspace::DSpacing(ws.wavelength, ws.peak2Theta[s]);
    // The point found is kept as it is: recomputing it from the 2theta with
    // a float step drifts one point low far along a long pattern.
    ws.peakIntensity[s] = ws.obs[static_cast<std::size_t>(ws.peakPointIndex[s])].y;
  }
  ws.peakCount = found;
}

// How far the scatter of the data exceeds counting statistics: neighbouring
// differences over what counts would give, their median size in each block
// of points, and the lower quartile of the blocks. Peak flanks make
// differences large, and a crowded pattern has few blocks free of them, but
// a quarter of its blocks still measure the noise. Counts give about 1;
// scaled or summed data more. Never below 1, so that noise-free data are
// treated as counts.
double NoiseFactor(std::span<const double> y, std::span<const double> background) {
  constexpr std::size_t kBlock = 128;
  std::vector<double> blocks, sizes;
  for (std::size_t from = 1; from + kBlock / 2 <= y.size(); from += kBlock) {
    sizes.clear();
    for (std::size_t k = from; k < std::min(y.size(), from + kBlock); ++k)
      sizes.push_back(std::fabs(y[k] - y[k - 1]) / std::sqrt(2.0 * std::max(background[k], 1.0)));
    auto middle = sizes.begin() + static_cast<std::ptrdiff_t>(sizes.size() / 2);
    std::nth_element(sizes.begin(), middle, sizes.end());
    // The median size of a normal variable is 0.6745 standard deviations.
    blocks.push_back(*middle / 0.6745);
  }
  if (blocks.empty()) return 1.0;
  auto quartile = blocks.begin() + static_cast<std::ptrdiff_t>(blocks.size() / 4);
  std::nth_element(blocks.begin(), quartile, blocks.end());
  // A block's estimate scatters by 1 / (0.857 sqrt(kBlock)) of itself (the
  // median of a half-normal sample over its density there); the lower
  // quartile of the blocks sits 0.6745 of that below the truth.
  const double quartileBias = 1.0 - 0.6745 / (0.857 * std::sqrt(double{kBlock}));
  return std::max(1.0, *quartile / quartileBias);
}

}  // namespace

void DetectPeaks(Workspace& ws, platform::Platform& platform, int threshold) {
  ws.peakCount = 0;
  const std::optional<SearchRange> r = DrawnRange(ws);
  if (!r) return;
  ListTops(ws, platform, *r, FindTops(ws, *r, [&](int top, int) {
             return r->y[static_cast<std::size_t>(top)] > static_cast<float>(threshold);
           }));
}

namespace {

// At most this many lines are listed by the automatic search.
constexpr std::size_t kCrowdedList = workspace::kMaxPeaks * 3 / 4;

// The automatic search on the drawn range: y its points (0-based), bg the
// background under them and noise the factor by which their scatter exceeds
// counting statistics.
class NoiseSearch {
 public:
  NoiseSearch(const std::vector<double>& y, const std::vector<double>& bg, double noise,
              double sigmas)
      : y_(y), bg_(bg), noise_(noise), sigmas_(sigmas) {}

  // The tops (0-based indices, ascending) that are lines: see the header.
  std::vector<int> Tops(double ka2Ratio, double ka2Share, double startAngle, double step);

 private:
  int Size() const { return static_cast<int>(y_.size()); }
  double Y(int i) const { return y_[static_cast<std::size_t>(i)]; }
  double Bg(int i) const { return bg_[static_cast<std::size_t>(i)]; }
  double S(int i) const { return smooth_[static_cast<std::size_t>(i)]; }
  // The standard deviation of a mean over `over` points at a level.
  double Sigma(double level, int over) const {
    return noise_ * std::sqrt(std::max(level, 1.0) / over);
  }
  void Smooth(int half);
  std::vector<int> LocalMaxima() const;
  // The points about top above half its height over base (raw data), at
  // most limit either side.
  struct Span {
    int left, right;
    int Width() const { return right - left + 1; }
  };
  Span HalfHeight(int top, double base, int limit) const;
  int Resolution();

  const std::vector<double>& y_;
  const std::vector<double>& bg_;
  double noise_, sigmas_;
  std::vector<double> smooth_;
  int over_ = 1;  // points in each smoothed value
};

void NoiseSearch::Smooth(int half) {
  const int n = Size();
  smooth_.assign(y_.size(), 0.0);
  std::vector<double> sum(y_.size() + 1, 0.0);
  for (int i = 0; i < n; ++i)
    sum[static_cast<std::size_t>(i) + 1] = sum[static_cast<std::size_t>(i)] + Y(i);
  for (int i = 0; i < n; ++i) {
    // Near the ends the window shrinks symmetrically, so no top moves.
    const int h = std::min({half, i, n - 1 - i});
    smooth_[static_cast<std::size_t>(i)] =
        (sum[static_cast<std::size_t>(i + h + 1)] - sum[static_cast<std::size_t>(i - h)]) /
        (2 * h + 1);
  }
  over_ = 2 * half + 1;
}

std::vector<int> NoiseSearch::LocalMaxima() const {
  std::vector<int> tops;
  const int n = Size();
  for (int i = 1; i + 1 < n; ++i) {
    if (!(S(i) > S(i - 1))) continue;
    // A flat top counts once, at its middle.
    int j = i;
    while (j + 1 < n && S(j + 1) == S(i)) ++j;
    if (j + 1 < n && S(j + 1) < S(i)) tops.push_back((i + j) / 2);
    i = j;
  }
  return tops;
}

NoiseSearch::Span NoiseSearch::HalfHeight(int top, double base, int limit) const {
  const double half = 0.5 * (Y(top) + base);
  Span s{top, top};
  while (s.left > 0 && top - s.left < limit && Y(s.left - 1) > half) --s.left;
  while (s.right + 1 < Size() && s.right - top < limit && Y(s.right + 1) > half) ++s.right;
  return s;
}

// The pattern's own resolution: the median full width at half height (in
// points) of its strongest tops, measured on the raw points.
int NoiseSearch::Resolution() {
  Smooth(1);
  std::vector<int> tops = LocalMaxima();
  std::sort(tops.begin(), tops.end(), [&](int a, int b) { return S(a) - Bg(a) > S(b) - Bg(b); });
  std::vector<int> widths;
  for (int t : tops) {
    if (widths.size() == 15) break;
    if (!(S(t) - Bg(t) > 3.0 * sigmas_ * Sigma(Bg(t), 1))) break;
    widths.push_back(HalfHeight(t, Bg(t), Size() / 20 + 2).Width());
  }
  if (widths.empty()) return 3;
  std::sort(widths.begin(), widths.end());
  return std::max(widths[std::min<std::size_t>(1, widths.size() - 1)], 2);
}

std::vector<int> NoiseSearch::Tops(double ka2Ratio, double ka2Share, double startAngle,
                                   double step) {
  const int n = Size();
  if (n < 3) return {};
  const int fwhm = Resolution();
  // Means over about half the resolution: a line keeps most of its height,
  // the noise drops by the root of the points, and a single wild point no
  // longer looks like a line.
  const int half = std::max(1, fwhm / 4);
  Smooth(half);
  const std::vector<int> maxima = LocalMaxima();

  struct Candidate {
    int top;
    double height;  // above the background, smoothed
    Span span;      // above half the height
  };
  std::vector<Candidate> found;
  double strongest = 0.0;
  const int reach = 20 * fwhm + 10;
  for (std::size_t k = 0; k < maxima.size(); ++k) {
    const int t = maxima[k];
    const double height = S(t) - Bg(t);
    if (!(height > sigmas_ * Sigma(Bg(t), over_))) continue;
    // Prominence: the top over the higher of the lowest points between it
    // and the nearest higher data on either side (or the background, or
    // the end of the range, or the reach of a line).
    double keyCol = Bg(t);
    for (int dir : {-1, 1}) {
      double low = S(t);
      for (int i = t + dir, steps = 1; i >= 0 && i < n && steps <= reach; i += dir, ++steps) {
        if (S(i) > S(t)) break;
        low = std::min(low, S(i));
        if (S(i) <= Bg(i)) break;
      }
      keyCol = std::max(keyCol, low);
    }
    const double prominence = S(t) - keyCol;
    if (!(prominence > sigmas_ * std::hypot(Sigma(S(t), over_), Sigma(keyCol, over_)))) continue;
    // A line spreads over several points: half its prominence is reached by
    // at least a third of the resolution on the raw points.
    int rawTop = t;
    for (int i = std::max(0, t - half); i <= std::min(n - 1, t + half); ++i)
      if (Y(i) > Y(rawTop)) rawTop = i;
    if (HalfHeight(rawTop, keyCol, reach).Width() < std::max(2, (fwhm + 2) / 3)) continue;
    found.push_back({rawTop, height, HalfHeight(rawTop, Bg(rawTop), reach)});
    strongest = std::max(strongest, height);
  }

  // Tops within a resolution width of a higher one are the same line; with
  // a doublet source, a top where the Ka2 line of a higher one falls, at
  // about the Ka2 share of its height, is that line's companion.
  std::vector<bool> drop(found.size(), false);
  auto angleOf = [&](int i) { return startAngle + step * i; };
  for (std::size_t a = 0; a < found.size(); ++a) {
    for (std::size_t b = a + 1; b < found.size() && found[b].top - found[a].top <= reach; ++b) {
      const std::size_t low = found[a].height < found[b].height ? a : b;
      const std::size_t high = low == a ? b : a;
      const int apart = std::abs(found[b].top - found[a].top);
      if (apart < fwhm ||
          (found[low].top >= found[high].span.left && found[low].top <= found[high].span.right))
        drop[low] = true;
      if (ka2Ratio > 0.0 && low == b) {
        const double ka2 = Ka2Angle(angleOf(found[a].top), ka2Ratio);
        const double ratio = found[b].height / found[a].height;
        if (std::fabs(angleOf(found[b].top) - ka2) <= std::max(0.5 * fwhm, 1.5) * step &&
            ratio > 0.5 * ka2Share && ratio < 1.6 * ka2Share)
          drop[b] = true;
      }
    }
  }
  // A crowded pattern can hold more significant lines than a list is for:
  // then the weakest go, by steps of height relative to the strongest line,
  // until a quarter of the list's room is left.
  std::vector<int> tops;
  for (double share : {0.0, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1}) {
    tops.clear();
    for (std::size_t k = 0; k < found.size(); ++k)
      if (!drop[k] && found[k].height >= share * strongest) tops.push_back(found[k].top);
    if (tops.size() <= kCrowdedList) break;
  }
  std::sort(tops.begin(), tops.end());
  tops.erase(std::unique(tops.begin(), tops.end()), tops.end());
  return tops;
}

}  // namespace

void DetectPeaksAutomatic(Workspace& ws, platform::Platform& platform, double sigmas,
                          double windowDegrees) {
  ws.peakCount = 0;
  const std::optional<SearchRange> r = DrawnRange(ws);
  if (!r) return;
  const std::vector<double> y(r->y.begin() + 1, r->y.end());
  const int half = std::max(1, static_cast<int>(0.5 * windowDegrees / ws.stepWidth + 0.5));
  std::vector<double> background = SnipBackground(y, half);
  const double noise = NoiseFactor(y, background);
  // Clipping leaves the background a little below the middle of the noise,
  // more so under a curved hump: in each window's width of points the median
  // deviation of the points that are not clearly in a peak (below 3
  // standard deviations) puts it back there, between block centres linearly.
  {
    const std::size_t block = std::max<std::size_t>(32, 2 * static_cast<std::size_t>(half));
    std::vector<double> shift, z;
    for (std::size_t from = 0; from < y.size(); from += block) {
      z.clear();
      for (std::size_t i = from; i < std::min(y.size(), from + block); ++i) {
        const double d = (y[i] - background[i]) / (noise * std::sqrt(std::max(background[i], 1.0)));
        if (d < 3.0) z.push_back(d);
      }
      auto middle = z.begin() + static_cast<std::ptrdiff_t>(z.size() / 2);
      if (!z.empty()) std::nth_element(z.begin(), middle, z.end());
      shift.push_back(z.empty() ? 0.0 : *middle);
    }
    for (std::size_t i = 0; i < y.size(); ++i) {
      const double at = (static_cast<double>(i) + 0.5) / static_cast<double>(block) - 0.5;
      const std::size_t k =
          static_cast<std::size_t>(std::clamp(at, 0.0, static_cast<double>(shift.size() - 1)));
      const std::size_t next = std::min(k + 1, shift.size() - 1);
      const double t = std::clamp(at - static_cast<double>(k), 0.0, 1.0);
      const double z0 = shift[k] + t * (shift[next] - shift[k]);
      background[i] += z0 * noise * std::sqrt(std::max(background[i], 1.0));
    }
  }
  // Ka2 companions are recognised where the pattern was measured with the
  // source's Ka1 line.
  const bool doublet = ws.ka2Ratio > 0.0f && ws.ka1Wavelength > 0.0f &&
                       std::fabs(ws.wavelength - ws.ka1Wavelength) < 1e-3f * ws.ka1Wavelength &&
                       ws.ka2Wavelength > ws.ka1Wavelength;
  NoiseSearch search(y, background, noise, sigmas);
  const double ratio = static_cast<double>(ws.ka2Wavelength) / ws.ka1Wavelength;
  std::vector<int> tops = search.Tops(doublet ? ratio : 0.0, ws.ka2Ratio, r->a, ws.stepWidth);
  // A file that gives no wavelength may come from neutrons or a synchrotron
  // although the source is a tube: there a top is a companion only when the
  // strongest lines show that they have them.
  if (doublet && !ws.wavelengthFromPattern && !(ws.fileWavelength > 0.0f)) {
    std::vector<double> angles;
    for (int t : tops) angles.push_back(r->a + static_cast<double>(t) * ws.stepWidth);
    if (HasKa2Companions(ws, angles, ws.ka1Wavelength, ws.ka2Wavelength) == false)
      tops = search.Tops(0.0, ws.ka2Ratio, r->a, ws.stepWidth);
  }
  for (int& t : tops) ++t;  // onto the 1-based range
  ListTops(ws, platform, *r, tops);
}

namespace {

// Refinement can bring two neighbouring tops onto one vertex: peaks whose
// refined angles lie within a step of each other are one line, listed once
// (the higher).
void DropRepeatedLines(Workspace& ws) {
  int kept = 0;
  for (int i = 1; i <= ws.peakCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (kept > 0) {
      const auto last = static_cast<std::size_t>(kept);
      if (ws.peak2Theta[k] - ws.peak2Theta[last] < ws.stepWidth) {
        if (ws.peakIntensity[k] > ws.peakIntensity[last]) {
          for (auto* table : {&ws.peak2Theta, &ws.peakIntensity, &ws.peakD, &ws.fitted2Theta,
                              &ws.fittedIntensity, &ws.fittedD})
            (*table)[last] = (*table)[k];
          ws.peakPointIndex[last] = ws.peakPointIndex[k];
        }
        continue;
      }
    }
    const auto to = static_cast<std::size_t>(++kept);
    for (auto* table : {&ws.peak2Theta, &ws.peakIntensity, &ws.peakD, &ws.fitted2Theta,
                        &ws.fittedIntensity, &ws.fittedD})
      (*table)[to] = (*table)[k];
    ws.peakPointIndex[to] = ws.peakPointIndex[k];
  }
  ws.peakCount = kept;
}

void FinishSearch(Workspace& ws, platform::Platform& platform) {
  const bool remove = platform.AskYesNo("Eliminate Ka2 peaks ?");
  Ka2Elimination(ws, platform, remove);
  RefinePeakList(ws);
  DropRepeatedLines(ws);
}

}  // namespace

void SearchPeaks(Workspace& ws, platform::Platform& platform, int threshold) {
  DetectPeaks(ws, platform, threshold);
  FinishSearch(ws, platform);
}

void SearchPeaksAutomatic(Workspace& ws, platform::Platform& platform) {
  DetectPeaksAutomatic(ws, platform);
  FinishSearch(ws, platform);
}

std::optional<std::string> ReadPeakSearchDialog(const platform::PeakSearchDialog& dialog,
                                                int& threshold, int& diffPoints) {
  // Plain whole-number conversions: "abc" reads as 0, "12.5" as 12. No value
  // can take the search outside the pattern (DetectPeaks bounds itself), so
  // none is refused.
  threshold = textio::ToInt(dialog.thresholdText);
  diffPoints = textio::ToInt(dialog.diffPointsText);
  return std::nullopt;
}

void AutoPeakSearchCommand(Workspace& ws, platform::Platform& platform) {
  if (!CheckMeasuredPattern(ws, platform)) return;
  platform::PeakSearchDialog dialog;
  dialog.thresholdText = textio::Format("%d", ws.peakThreshold);
  dialog.diffPointsText = textio::Format("%d", ws.peakDiffPoints);
  int threshold = 0;
  int diffPoints = 0;
  // The dialog stays open while its edits are refused, until it is cancelled.
  for (;;) {
    if (!platform.EditPeakSearch(dialog)) return;
    std::optional<std::string> refusal = ReadPeakSearchDialog(dialog, threshold, diffPoints);
    if (!refusal) break;
    platform.ShowMessage(*refusal);
  }
  ws.peakDiffPoints = diffPoints;
  if (dialog.automatic) {
    SearchPeaksAutomatic(ws, platform);
  } else {
    ws.peakThreshold = threshold;
    SearchPeaks(ws, platform, threshold);
  }
  ws.autoPeaksFound = 1;
  ws.manualPeakMode = 0;
  platform.RequestRepaint();
}

}  // namespace difscop::processing
