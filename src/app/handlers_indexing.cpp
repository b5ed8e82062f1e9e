// Handlers of the indexing commands.
#include "app/handlers.h"

namespace difscop::app {

void InstallIndexingHandlers(CommandContext& /*ctx*/, HandlerMap& /*handlers*/) {}

}  // namespace difscop::app
