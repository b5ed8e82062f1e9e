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

// The search that needs no threshold: the lines of the drawn range that are
// significant against its noise, each listed at its highest point.
// - The background is SNIP's (window in degrees); the noise is that of
//   counting statistics, scaled up where the pattern scatters more than
//   counts do.
// - The pattern's resolution is the full width at half height of its
//   narrowest strong lines; the points are averaged over about half of it.
// - A line rises sigmas standard deviations above the background, stands
//   out as far over the lowest points between it and any higher data
//   (its prominence), and keeps half of that over at least a third of the
//   resolution (a single wild point is no line).
// - A top within the resolution, or within the half-height width of a
//   higher line, is that line; where the pattern was measured with the
//   source's Ka1 line, a top at the Ka2 angle of a higher one with about
//   the Ka2 share of its height is its companion. Neither is listed.
// - When more than 150 lines remain, the weakest go by steps of height
//   relative to the strongest line (0.2, 0.5, 1, 2, 5 and 10 per cent)
//   until 150 or fewer are left.
// The difference count D of the threshold search plays no part.
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
