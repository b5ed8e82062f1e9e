// Handlers of Set Range, Clear Pattern and the View menu.
#include "app/commands/command_table.h"
#include "app/handlers.h"
#include "plot/range_commands.h"
#include "plot/view_commands.h"

namespace difscop::app {

void InstallPlotHandlers(CommandContext& ctx, HandlerMap& handlers) {
  handlers[32827] = [&ctx] { plot::SetRangeCommand(ctx.ws, ctx.platform); };
  handlers[32777] = [&ctx] { plot::ClearPatternCommand(ctx.ws, ctx.platform); };

  using namespace commands;
  using workspace::Layout, workspace::XAxis, workspace::YAxis, workspace::Normalise;
  for (auto [id, layout] : {std::pair{kIdViewOverlay, Layout::kOverlay},
                            {kIdViewStack, Layout::kStack}, {kIdViewMap, Layout::kMap}})
    handlers[id] = [&ctx, layout] { plot::SetLayoutCommand(ctx.ws, ctx.platform, layout); };
  for (auto [id, axis] : {std::pair{kIdAxisTwoTheta, XAxis::kTwoTheta}, {kIdAxisD, XAxis::kD},
                          {kIdAxisQ, XAxis::kQ}})
    handlers[id] = [&ctx, axis] { plot::SetXAxisCommand(ctx.ws, ctx.platform, axis); };
  for (auto [id, axis] : {std::pair{kIdScaleLinear, YAxis::kLinear}, {kIdScaleSqrt, YAxis::kSqrt},
                          {kIdScaleLog, YAxis::kLog}})
    handlers[id] = [&ctx, axis] { plot::SetYAxisCommand(ctx.ws, ctx.platform, axis); };
  for (auto [id, n] : {std::pair{kIdNormaliseNone, Normalise::kNone},
                       {kIdNormaliseHighest, Normalise::kHighest},
                       {kIdNormaliseArea, Normalise::kArea}})
    handlers[id] = [&ctx, n] { plot::SetNormaliseCommand(ctx.ws, ctx.platform, n); };
  handlers[kIdMoreStackOffset] = [&ctx] { plot::ChangeStackOffsetCommand(ctx.ws, ctx.platform, 1.5f); };
  handlers[kIdLessStackOffset] = [&ctx] { plot::ChangeStackOffsetCommand(ctx.ws, ctx.platform, 1 / 1.5f); };
}

}  // namespace difscop::app
