// Handlers of the settings commands.
#include "app/handlers.h"
#include "settings/program_paths.h"
#include "settings/setting_dialog.h"
#include "settings/settings_file.h"

namespace difscop::app {

void InstallSettingsHandlers(CommandContext& ctx, HandlerMap& handlers) {
  handlers[32817] = [&ctx] { settings::SetParaCommand(ctx.ws, ctx.platform); };
  handlers[32830] = [&ctx] { settings::SaveParaCommand(ctx.ws, ctx.platform); };
  handlers[32829] = [&ctx] { settings::ResetDefaultParaCommand(ctx.ws, ctx.platform); };
  handlers[32853] = [&ctx] { settings::EditExternalProgramCommand(ctx.ws, ctx.platform); };
}

}  // namespace difscop::app
