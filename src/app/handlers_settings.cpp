// Handlers of the settings commands.
#include "app/handlers.h"

namespace difscop::app {

void InstallSettingsHandlers(CommandContext& /*ctx*/, HandlerMap& /*handlers*/) {}

}  // namespace difscop::app
