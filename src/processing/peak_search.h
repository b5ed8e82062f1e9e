// Automatic peak search over the drawn 2theta range.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::processing {

// Finds the peak candidates of the drawn range (at most kMaxPeaks) and fills
// peak2Theta, peakPointIndex, peakIntensity, peakD and peakCount with the
// unrefined values. Shows "Too many peaks picked up !!!" when a 201st peak
// passes the threshold; the 200 kept then go on like any list.
void DetectPeaks(workspace::Workspace& ws, platform::Platform& platform, int threshold);

// The whole search: detection, the "Eliminate Ka2 peaks ?" question with the
// Ka2 elimination, then the parabola refinement of every kept peak.
void SearchPeaks(workspace::Workspace& ws, platform::Platform& platform, int threshold);

// Reads the dialog's edits: the threshold must be a whole number, the
// difference points a whole number from 1 to 10. A message when refused.
std::optional<std::string> ReadPeakSearchDialog(const platform::PeakSearchDialog& dialog,
                                                int& threshold, int& diffPoints);

// Edit > Auto Peak Search.
void AutoPeakSearchCommand(workspace::Workspace& ws, platform::Platform& platform);

}  // namespace difscop::processing
