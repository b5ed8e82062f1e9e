#include "export/powder_data.h"
#include "indexing/cell_expo_commands.h"

namespace difscop::indexing {

// EXPO reads the Rietan normal layout of the one-stepped observed pattern.
bool WriteExpoPowderData(Workspace& ws, Platform& platform, const std::string& path) {
  return exporter::WritePowderData(ws, platform, exporter::kRietanNormal,
                                   exporter::kOneSteppedObserved, path);
}

}  // namespace difscop::indexing
