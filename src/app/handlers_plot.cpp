// Handlers of Set Range and Clear Pattern.
#include "app/handlers.h"
#include "plot/range_commands.h"

namespace difscop::app {

void InstallPlotHandlers(CommandContext& ctx, HandlerMap& handlers) {
  handlers[32827] = [&ctx] { plot::SetRangeCommand(ctx.ws, ctx.platform); };
  handlers[32777] = [&ctx] { plot::ClearPatternCommand(ctx.ws, ctx.platform); };
}

}  // namespace difscop::app
