// Mouse handling of the pattern window: zoom rectangle, cursor readouts,
// background picking and the picking cursor line. The handlers only change
// the workspace and say what the window must do; the window paints the
// overlay with DrawOverlay over the plot in exclusive-or mode.
#pragma once

#include "plot/surface.h"
#include "workspace/workspace.h"

namespace difscop::plot {

using workspace::DevicePoint;

struct MouseResponse {
  bool captureMouse = false;
  bool releaseMouse = false;
  bool repaintOverlay = false;  // rubber band or cursor line moved
  bool repaintAll = false;      // the plot itself changed
};

MouseResponse OnLeftButtonDown(workspace::Workspace& ws, DevicePoint point);
MouseResponse OnMouseMove(workspace::Workspace& ws, DevicePoint point);
MouseResponse OnLeftButtonUp(workspace::Workspace& ws, DevicePoint point);
MouseResponse OnRightButtonUp(workspace::Workspace& ws, DevicePoint point);

// The rubber band of a zoom drag (solid, colObs) or the picking cursor line
// (dotted, colFont), drawn in exclusive-or mode; nothing otherwise.
void DrawOverlay(const workspace::Workspace& ws, Surface& surface);

// Snaps an angle down to the measuring grid of the given step: steps from
// 0.01 to below 0.1 to hundredths, from 0.001 to below 0.01 to thousandths;
// other steps leave the angle alone.
float SnapToStep(float value, float stepWidth);

inline constexpr const char* kRightClickHint = "For default, right button click for exit.";

}  // namespace difscop::plot
