// The plot on a printer (or a printer's PDF file).
#pragma once

#include <QPainter>
#include <QPrinter>
#include <QSizeF>

#include "platform/platform.h"
#include "plot/colour_scheme.h"
#include "workspace/workspace.h"

namespace difscop::app {

// The plot filling a page of size (device units at dpi dots an inch): laid
// out at that size in window pixels (96 an inch), so the lettering keeps the
// size it has on screen, in the scheme's colours.
void PaintPage(workspace::Workspace& ws, platform::Platform& platform, QPainter& painter,
               const QSizeF& size, int dpi, plot::ColourScheme scheme);

// One page: the plot over the printable area. False when the printer could
// not be started.
bool PrintPlot(workspace::Workspace& ws, platform::Platform& platform, QPrinter& printer,
               plot::ColourScheme scheme = plot::ColourScheme::kPaper);

}  // namespace difscop::app
