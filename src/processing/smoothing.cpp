#include "processing/smoothing.h"

#include <algorithm>
#include <numeric>

namespace difscop::processing {
namespace {

using workspace::Workspace;

// Published smoothing integers for 5 .. 25 points: the normalising factor,
// then c_0 (centre) .. c_h.
struct TableRow {
  int norm;
  std::vector<int> weights;
};

const TableRow& Row(int h) {
  static const TableRow kRows[] = {
      {35, {17, 12, -3}},
      {21, {7, 6, 3, -2}},
      {231, {59, 54, 39, 14, -21}},
      {429, {89, 84, 69, 44, 9, -36}},
      {143, {25, 24, 21, 16, 9, 0, -11}},
      {1105, {167, 162, 147, 122, 87, 42, -13, -78}},
      {323, {43, 42, 39, 34, 27, 18, 7, -6, -21}},
      {2261, {269, 264, 249, 224, 189, 144, 89, 24, -51, -136}},
      {3059, {329, 324, 309, 284, 249, 204, 149, 84, 9, -76, -171}},
      {805, {79, 78, 75, 70, 63, 54, 43, 30, 15, -2, -21, -42}},
      {5175, {467, 462, 447, 422, 387, 342, 287, 222, 147, 62, -33, -138, -253}},
  };
  return kRows[h - 2];
}

constexpr int kBlockMaxHalfWidth = 12;  // the dialog's 25 points
constexpr int kBlock = 512;

// The same sums as the point-by-point loop, each value's terms added in the
// same order (so the results are bit for bit the same), but one weight at a
// time across a block of points from a contiguous copy: the additions of
// neighbouring points no longer wait for each other. Every block is summed
// over its full length (a short last block over zeros past its end, which
// are never stored), so the compiler can vectorise the fixed-length loops.
void SmoothInBlocks(Workspace& ws, const SmoothingWeights& w, int h) {
  if (ws.smoothFirst > ws.smoothLast) return;
  // The points read and written, grown as reading and writing slot by slot
  // would grow them.
  const workspace::Point* obs = ws.obs.data(static_cast<std::size_t>(ws.smoothLast + h));
  workspace::Point* smoothed = ws.smoothed.data(static_cast<std::size_t>(ws.smoothLast));
  double y[kBlock + 2 * kBlockMaxHalfWidth];
  double sum[kBlock];
  for (int base = ws.smoothFirst; base <= ws.smoothLast; base += kBlock) {
    const int count = std::min(kBlock, ws.smoothLast - base + 1);
    const workspace::Point* from = obs + (base - h);
    for (int k = 0; k < count + 2 * h; ++k) y[k] = from[k].y;
    std::fill(y + count + 2 * h, y + kBlock + 2 * h, 0.0);
    const double centre = w.weights[0];
    for (int k = 0; k < kBlock; ++k) sum[k] = centre * y[k + h];
    for (int j = 1; j <= h; ++j) {
      const double c = w.weights[static_cast<std::size_t>(j)];
      const double* below = y + h - j;
      const double* above = y + h + j;
      for (int k = 0; k < kBlock; ++k) sum[k] += c * (below[k] + above[k]);
    }
    for (int k = 0; k < count; ++k) {
      const auto i = static_cast<std::size_t>(base + k);
      smoothed[i].x = obs[i].x;
      smoothed[i].y = static_cast<float>(sum[k] / w.norm + 1.0);
    }
  }
}

}  // namespace

SmoothingWeights SavitzkyGolayWeights(int points) {
  const int h = points < 1 ? 0 : points / 2;
  SmoothingWeights result;
  if (h >= 2 && h <= 12) {
    const TableRow& row = Row(h);
    result.norm = row.norm;
    result.weights.assign(row.weights.begin(), row.weights.end());
    return result;
  }
  // c_j / D = 3 (3h^2 + 3h - 1 - 5j^2) / ((2h - 1)(2h + 1)(2h + 3)), in lowest
  // terms so that the integers match the table's style.
  const long long hh = h;
  long long norm = (2 * hh - 1) * (2 * hh + 1) * (2 * hh + 3);
  std::vector<long long> c(static_cast<std::size_t>(h) + 1);
  long long divisor = norm;
  for (int j = 0; j <= h; ++j) {
    c[static_cast<std::size_t>(j)] =
        3 * (3 * hh * hh + 3 * hh - 1 - 5 * static_cast<long long>(j) * j);
    divisor = std::gcd(divisor, c[static_cast<std::size_t>(j)]);
  }
  if (norm < 0) divisor = -divisor;  // h = 0: keep the factor positive
  if (divisor == 0) divisor = 1;
  result.norm = static_cast<double>(norm / divisor);
  for (long long v : c) result.weights.push_back(static_cast<double>(v / divisor));
  return result;
}

void SmoothPattern(Workspace& ws, int points) {
  if (points < 1) points = 1;
  if (points % 2 == 0) ++points;
  const int h = points / 2;
  const int n = ws.obsCount;
  ws.smoothFirst = h + 1;
  ws.smoothLast = n - h;
  const SmoothingWeights w = SavitzkyGolayWeights(points);
  if (h <= kBlockMaxHalfWidth) {
    SmoothInBlocks(ws, w, h);
    return;
  }
  for (int i = ws.smoothFirst; i <= ws.smoothLast; ++i) {
    double sum = w.weights[0] * ws.obs[static_cast<std::size_t>(i)].y;
    for (int j = 1; j <= h; ++j) {
      sum += w.weights[static_cast<std::size_t>(j)] *
             (static_cast<double>(ws.obs[static_cast<std::size_t>(i - j)].y) +
              ws.obs[static_cast<std::size_t>(i + j)].y);
    }
    ws.smoothed[static_cast<std::size_t>(i)].x = ws.obs[static_cast<std::size_t>(i)].x;
    ws.smoothed[static_cast<std::size_t>(i)].y = static_cast<float>(sum / w.norm + 1.0);
  }
}

std::optional<std::string> CheckSmoothingPoints(int points) {
  if (points < 1 || points > 25) return std::string("Please enter an integer between 1 and 25.");
  return std::nullopt;
}

bool CheckMeasuredPattern(const Workspace& ws, platform::Platform& platform) {
  if (!ws.rawLoaded) {
    platform.ShowMessage("Only Raw Data Available !!!");
    return false;
  }
  if (ws.simulationMode) {
    platform.ShowMessage("Not available in this mode !!!");
    return false;
  }
  return true;
}

void SmoothingCommand(Workspace& ws, platform::Platform& platform) {
  if (!CheckMeasuredPattern(ws, platform)) return;
  platform::SmoothingDialog dialog;
  dialog.points = ws.smoothPoints;
  dialog.smoothingOn = true;
  // The dialog stays open until its count is acceptable or it is cancelled.
  for (;;) {
    if (!platform.EditSmoothing(dialog)) return;
    std::optional<std::string> refusal = CheckSmoothingPoints(dialog.points);
    if (!refusal) break;
    platform.ShowMessage(*refusal);
  }
  if (dialog.smoothingOn) {
    int points = dialog.points;
    if (points % 2 == 0) ++points;
    ws.smoothPoints = points;
    SmoothPattern(ws, points);
    ws.smoothedValid = 1;
  } else {
    ws.smoothedValid = 0;
  }
  platform.RequestRepaint();
}

}  // namespace difscop::processing
