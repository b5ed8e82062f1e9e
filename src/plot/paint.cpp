#include "import/command_line_load.h"
#include "plot/geometry.h"
#include "plot/plot.h"

namespace difscop::plot {

void PaintPatternWindow(Workspace& ws, platform::Platform& platform, Surface& surface,
                        int clientWidth, int clientHeight, SeriesBuffers* buffers) {
  DrawFrame(ws, surface, clientWidth, clientHeight);
  if (ws.blankPlot) return;

  if (ws.commandLineFilePending) {
    // A failed load has shown its message and left the empty frame.
    if (!import::LoadCommandLineFile(ws, platform)) return;
    // The loaded pattern brings its own range: lay the frame out again.
    DrawFrame(ws, surface, clientWidth, clientHeight);
  } else {
    // Shown from the next paint on, so ticks set by hand are seen once.
    workspace::ChooseTicks(ws);
  }

  if (!RangeDrawable(ws)) return;
  DrawSeries(ws, surface, buffers);
  ws.plotDrawn = 1;
}

}  // namespace difscop::plot
