#include "indexing/run_commands.h"

namespace difscop::indexing {

void RefinePeaksForRun(Workspace& ws) {
  if (!ws.manualPeakMode) return;
  ws.peakCount = ws.manualPeakCount;
}

}  // namespace difscop::indexing
