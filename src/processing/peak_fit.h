// Parabola peak fit: the refined position and height of a peak from the 11
// measured points around it.
#pragma once

#include "workspace/workspace.h"

namespace difscop::processing {

// Fits a parabola through obs[centre - 5 .. centre + 5]; a centre closer than
// five points to either end uses the 11 points nearest that end. On success
// (0) position and height get the vertex; on failure (-1, also for a pattern
// of fewer than 11 points) they are left untouched.
int FitPeakParabola(const workspace::Workspace& ws, int centre, float& position, float& height);

// Refines peaks 1 .. peakCount at their point indices: the fitted values go
// to fitted2Theta/fittedIntensity/fittedD and then replace the list's
// values. A peak whose fit fails, or whose vertex is no maximum inside the
// 11 fitted points, keeps its unrefined values.
void RefinePeakList(workspace::Workspace& ws);

}  // namespace difscop::processing
