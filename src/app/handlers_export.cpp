// Handlers of the export commands.
#include "app/handlers.h"

namespace difscop::app {

void InstallExportHandlers(CommandContext& /*ctx*/, HandlerMap& /*handlers*/) {}

}  // namespace difscop::app
