// Handlers of the Index, Cell Refine, Edit File and Help by Html commands.
#include "app/builtin_indexing.h"
#include "app/handlers.h"
#include "indexing/cell_expo_commands.h"
#include "indexing/cellref_commands.h"
#include "indexing/run_commands.h"
#include "indexing/tool_commands.h"

namespace difscop::app {

void InstallIndexingHandlers(CommandContext& ctx, HandlerMap& handlers) {
  using Command = void (*)(workspace::Workspace&, platform::Platform&);
  static constexpr std::pair<int, Command> kCommands[] = {
      {32820, indexing::ItoRunCommand},
      {32821, indexing::TreorRunCommand},
      {32822, indexing::DicvolRunCommand},
      {32824, indexing::ItoResultsCommand},
      {32825, indexing::TreorResultsCommand},
      {32826, indexing::DicvolResultsCommand},
      {32847, indexing::CellRunCommand},
      {32848, indexing::CellResultsCommand},
      {32849, indexing::PrepareExpoFromCellCommand},
      {32850, indexing::ExpoRunCommand},
      {32852, indexing::GenHklRunCommand},
      {32843, indexing::PrepareFromTreorCommand},
      {32844, indexing::PrepareFromItoCommand},
      {32842, indexing::CellRefRunCommand},
      {32841, indexing::CellRefResultsCommand},
      {32840, indexing::EditCellRefFileCommand},
      {32845, indexing::EditFileCommand},
      {32846, indexing::HelpByHtmlCommand},
  };
  for (auto [id, command] : kCommands) {
    handlers[id] = [&ctx, command] { command(ctx.ws, ctx.platform); };
  }
  handlers[kIdBuiltinIndexing] = [&ctx] { BuiltinIndexingCommand(ctx); };
}

}  // namespace difscop::app
