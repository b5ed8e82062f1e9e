// Painting the pattern window: frame, ticks and labels, then the series of
// the current mode, over any Surface (window, bitmap or picture).
#pragma once

#include "platform/platform.h"
#include "plot/surface.h"
#include "workspace/workspace.h"

namespace difscop::plot {

// Lays out the plot for the client size, stores the geometry in the
// workspace, fills the backgrounds and draws frame, ticks, labels and titles.
// A range that cannot be drawn gets the empty frame without ticks.
void DrawFrame(workspace::Workspace& ws, Surface& surface, int clientWidth, int clientHeight);

// Draws the data of the current mode inside the frame DrawFrame laid out.
// Ending a picture recording is left to the caller that set it up.
void DrawSeries(workspace::Workspace& ws, Surface& surface);

// Whole paint in the program's order (frame, command-line load, ticks,
// series, plotDrawn). The caller chooses the surface (window or picture).
void PaintPatternWindow(workspace::Workspace& ws, platform::Platform& platform, Surface& surface,
                        int clientWidth, int clientHeight);

// Frame outline as one closed path with the frame pen (also redrawn over
// clamped curves in fitted mode).
void DrawFrameOutline(const workspace::Workspace& ws, Surface& surface);

// printf width of the intensity labels: the digits of yMax, at least one.
int YLabelDigits(float yMax);

}  // namespace difscop::plot
