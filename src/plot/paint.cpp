#include "import/command_line_load.h"
#include "plot/geometry.h"
#include "plot/plot.h"
#include "plot/view.h"

namespace difscop::plot {

void PaintPatternWindow(Workspace& ws, platform::Platform& platform, Surface& surface,
                        int clientWidth, int clientHeight, SeriesBuffers* buffers) {
  // A load ranged the active pattern alone: range what is shown.
  if (ws.viewRangePending && !ws.blankPlot) AutoRangeView(ws);
  DrawFrame(ws, surface, clientWidth, clientHeight);
  if (ws.blankPlot) return;

  if (ws.commandLineFilePending) {
    // A failed load has shown its message and left the empty frame.
    if (!import::LoadCommandLineFile(ws, platform)) return;
    // The loaded pattern brings its own range: lay the frame out again.
    if (ws.viewRangePending) AutoRangeView(ws);
    DrawFrame(ws, surface, clientWidth, clientHeight);
  } else {
    // Shown from the next paint on, so ticks set by hand are seen once.
    ChooseViewTicks(ws);
  }

  if (!RangeDrawable(ws)) return;
  DrawSeries(ws, surface, buffers);
  ws.plotDrawn = 1;
}

}  // namespace difscop::plot
