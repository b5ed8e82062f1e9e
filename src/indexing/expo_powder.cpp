#include "indexing/cell_expo_commands.h"

namespace difscop::indexing {

bool WriteExpoPowderData(Workspace& ws, Platform& platform, const std::string& path) {
  (void)ws;
  (void)platform;
  (void)path;
  return false;
}

}  // namespace difscop::indexing
