// The plot on a printer (or a printer's PDF file).
#pragma once

#include <QPrinter>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::app {

// One page: the plot laid out at width x height, scaled evenly to the
// printable area and centred. False when the printer could not be started.
bool PrintPlot(workspace::Workspace& ws, platform::Platform& platform, QPrinter& printer,
               int width, int height);

}  // namespace difscop::app
