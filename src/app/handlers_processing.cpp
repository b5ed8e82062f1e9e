// Handlers of the processing commands.
#include "app/handlers.h"

namespace difscop::app {

void InstallProcessingHandlers(CommandContext& /*ctx*/, HandlerMap& /*handlers*/) {}

}  // namespace difscop::app
