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

// Reads the dialog's edits as plain whole numbers ("abc" gives 0, "12.5"
// gives 12; a difference count of 0 or less, or above 10, is taken as it
// is). The result is a refusal message for edits that cannot be used; none
// of these values is one, since the search bounds itself.
std::optional<std::string> ReadPeakSearchDialog(const platform::PeakSearchDialog& dialog,
                                                int& threshold, int& diffPoints);

// Edit > Auto Peak Search.
void AutoPeakSearchCommand(workspace::Workspace& ws, platform::Platform& platform);

}  // namespace difscop::processing
