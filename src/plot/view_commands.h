// The View menu: how the open patterns share the plot, the axes, and the
// normalisation. Each choice ranges the plot afresh for what it shows.
#pragma once

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::plot {

void SetLayoutCommand(workspace::Workspace& ws, platform::Platform& platform,
                      workspace::Layout layout);
void SetXAxisCommand(workspace::Workspace& ws, platform::Platform& platform,
                     workspace::XAxis axis);
void SetYAxisCommand(workspace::Workspace& ws, platform::Platform& platform,
                     workspace::YAxis axis);
// kArea averages over the x range shown when it is chosen.
void SetNormaliseCommand(workspace::Workspace& ws, platform::Platform& platform,
                         workspace::Normalise normalise);
// Multiplies the step between stacked patterns (kept within 1 to 400 per
// cent of the highest pattern).
void ChangeStackOffsetCommand(workspace::Workspace& ws, platform::Platform& platform,
                              float factor);

}  // namespace difscop::plot
