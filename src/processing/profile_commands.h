// The profile tools on a loaded pattern: its points as arrays, the peaks
// of the automatic search as fit positions, the fit with the X-ray source
// of the workspace, and the Ka2-stripped profile.
#pragma once

#include <vector>

#include "platform/platform.h"
#include "processing/profile_fit.h"
#include "workspace/workspace.h"

namespace difscop::processing {

struct PatternArrays {
  std::vector<double> x, y;
};
PatternArrays ObservedArrays(const workspace::Workspace& ws);

// The fit's source from the workspace's X-ray source (ka1Wavelength,
// ka2Wavelength, ka2Ratio); shape, split and Ka2 as given.
ProfileOptions SourceProfileOptions(const workspace::Workspace& ws, ProfileShape shape, bool split,
                                    bool ka2);

// The tops the automatic search finds within [from, to] (unrefined, no Ka2
// question); the drawn range is restored afterwards and the peak list is
// left as the search made it.
std::vector<double> AutomaticPeakPositions(workspace::Workspace& ws, platform::Platform& platform,
                                           double from, double to);

// The measured profile with its Ka2 part removed (Rachinger), above the
// SNIP background of the given window (degrees; 0: the whole intensity).
std::vector<double> StripPatternKa2(const workspace::Workspace& ws, double windowDegrees);

}  // namespace difscop::processing
