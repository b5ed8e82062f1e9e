// Automatic peak search over the drawn 2theta range.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "processing/snip.h"
#include "workspace/workspace.h"

namespace difscop::processing {

// Finds the peak candidates of the drawn range (at most kMaxPeaks) and fills
// peak2Theta, peakPointIndex, peakIntensity, peakD and peakCount with the
// unrefined values. Shows "Too many peaks picked up !!!" when a 201st peak
// passes the threshold; the 200 kept then go on like any list.
// A top within D points of the last listed one is the same line: the
// higher of the two is listed.
void DetectPeaks(workspace::Workspace& ws, platform::Platform& platform, int threshold);

// How many standard deviations a peak must rise above the background when
// the threshold comes from the noise.
inline constexpr double kAutoThresholdSigmas = 3.0;

// The same candidates, each kept when its top (averaged over three points)
// rises sigmas standard deviations above the SNIP background of the range
// (window in degrees); the deviation is that of counting statistics,
// scaled up where the pattern scatters more than counts do.
void DetectPeaksAutomatic(workspace::Workspace& ws, platform::Platform& platform,
                          double sigmas = kAutoThresholdSigmas,
                          double windowDegrees = kDefaultSnipWindow);

// The whole search: detection, the "Eliminate Ka2 peaks ?" question with the
// Ka2 elimination, then the parabola refinement of every kept peak; peaks
// refined to within a step of each other are listed once.
void SearchPeaks(workspace::Workspace& ws, platform::Platform& platform, int threshold);
void SearchPeaksAutomatic(workspace::Workspace& ws, platform::Platform& platform);

// Reads the dialog's edits as plain whole numbers ("abc" gives 0, "12.5"
// gives 12; a difference count of 0 or less, or above 10, is taken as it
// is). The result is a refusal message for edits that cannot be used; none
// of these values is one, since the search bounds itself.
std::optional<std::string> ReadPeakSearchDialog(const platform::PeakSearchDialog& dialog,
                                                int& threshold, int& diffPoints);

// Edit > Auto Peak Search; "Auto" in its dialog searches with the threshold
// from the noise and leaves peakThreshold as it was.
void AutoPeakSearchCommand(workspace::Workspace& ws, platform::Platform& platform);

}  // namespace difscop::processing
