#include "indexing/run_commands.h"
#include "processing/peak_list.h"

namespace difscop::indexing {

void RefinePeaksForRun(Workspace& ws) {
  processing::RefineManualPeaks(ws);
}

}  // namespace difscop::indexing
