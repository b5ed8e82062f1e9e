#include "processing/peak_search.h"

#include <cmath>
#include <string_view>
#include <vector>

#include "processing/peak_fit.h"
#include "processing/smoothing.h"
#include "processing/xray_source.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::processing {

using workspace::Workspace;

namespace {

int Truncate(double v) {
  return static_cast<int>(v);
}

}  // namespace

void DetectPeaks(Workspace& ws, platform::Platform& platform, int threshold) {
  ws.peakCount = 0;
  // A pattern without a usable step has no grid to search on.
  if (ws.obsCount < 1 || !(ws.stepWidth > 0.0f)) return;

  float a = ws.xMin < ws.stepStart ? ws.stepStart : ws.xMin;
  float b = ws.xMax > ws.stepEnd ? ws.stepEnd : ws.xMax;
  int i0 = Truncate((a - ws.stepStart) / ws.stepWidth) + 1;
  int i1 = Truncate((b - ws.stepStart) / ws.stepWidth) + 1;
  // The grid computed from the header can reach past the points read.
  if (i0 < 1) i0 = 1;
  if (i1 > ws.obsCount) i1 = ws.obsCount;
  const int m = i1 - i0 + 1;
  const int d = ws.peakDiffPoints;
  // D below 1 sums nothing; a range of 2D points or fewer has no centre.
  if (d < 1 || m <= 2LL * d) return;

  std::vector<float> y(static_cast<std::size_t>(m) + 1);
  for (int k = 1; k <= m; ++k)
    y[static_cast<std::size_t>(k)] = ws.obs[static_cast<std::size_t>(i0 + k - 1)].y;
  auto Y = [&](int k) { return y[static_cast<std::size_t>(k)]; };

  int previous = -1;
  int zeroRun = 0;
  int found = 0;
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
    if (Y(top) > static_cast<float>(threshold)) {
      if (found == workspace::kMaxPeaks) {
        platform.ShowMessage("Too many peaks picked up !!!");
        break;
      }
      ++found;
      ws.peak2Theta[static_cast<std::size_t>(found)] =
          a + static_cast<float>(top - 1) * ws.stepWidth;
      ws.peakPointIndex[static_cast<std::size_t>(found)] = i0 + top - 1;
    }
    k += d + 1;
  }
  ws.peakCount = found;

  for (int i = 1; i <= found; ++i) {
    const auto s = static_cast<std::size_t>(i);
    ws.peakD[s] = workspace::DSpacing(ws.wavelength, ws.peak2Theta[s]);
    // The point found is kept as it is: recomputing it from the 2theta with
    // a float step drifts one point low far along a long pattern.
    ws.peakIntensity[s] = ws.obs[static_cast<std::size_t>(ws.peakPointIndex[s])].y;
  }
}

void SearchPeaks(Workspace& ws, platform::Platform& platform, int threshold) {
  DetectPeaks(ws, platform, threshold);
  const bool remove = platform.AskYesNo("Eliminate Ka2 peaks ?");
  Ka2Elimination(ws, platform, remove);
  RefinePeakList(ws);
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
  ws.peakThreshold = threshold;
  ws.peakDiffPoints = diffPoints;
  SearchPeaks(ws, platform, threshold);
  ws.autoPeaksFound = 1;
  ws.manualPeakMode = 0;
  platform.RequestRepaint();
}

}  // namespace difscop::processing
