// Savitzky-Golay smoothing of the observed intensities (quadratic/cubic
// polynomial) and the Smoothing command.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::processing {

// Convolution integers of one window: weights[j] is c_j for j = 0 (centre)
// .. h, applied symmetrically; the filter value is the sum over norm.
struct SmoothingWeights {
  std::vector<double> weights;
  double norm = 1.0;
};

// Weights of an N-point window, N = 2h + 1. Windows of 5 to 25 points use the
// published table; any other window the closed formula (reduced to lowest
// terms), which leaves the data unchanged for 1 and 3 points.
SmoothingWeights SavitzkyGolayWeights(int points);

// Writes smoothed[h + 1 .. obsCount - h] from obs with an N-point window (an
// even N is used as N + 1) and sets smoothFirst and smoothLast. Each value is
// the filter value plus one count. Nothing else is touched.
void SmoothPattern(workspace::Workspace& ws, int points);

// The dialog's range rule: a message when the count is refused.
std::optional<std::string> CheckSmoothingPoints(int points);

// Needs a measured pattern; shows "Only Raw Data Available !!!" or
// "Not available in this mode !!!" and returns false otherwise.
bool CheckMeasuredPattern(const workspace::Workspace& ws, platform::Platform& platform);

// Edit > Smoothing.
void SmoothingCommand(workspace::Workspace& ws, platform::Platform& platform);

}  // namespace difscop::processing
