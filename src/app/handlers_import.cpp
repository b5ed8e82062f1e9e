// Handlers of File > Open Pattern, the Open Raw Data and Open Fitted Data
// commands, Close All and the session commands.
#include "app/commands/command_table.h"
#include "app/handlers.h"
#include "app/pattern_opening.h"
#include "import/open_commands.h"
#include "import/raw_reader.h"

namespace difscop::app {

void InstallImportHandlers(CommandContext& ctx, HandlerMap& handlers) {
  // Command identifier and the reader's format code.
  static constexpr std::pair<int, int> kRaw[] = {{32773, 0}, {32779, 1}, {32781, 2},
                                                 {32782, 3}, {32783, 4}, {32785, 5},
                                                 {32902, import::kGsasRaw},
                                                 {32903, import::kRigakuAsciiRas},
                                                 {32904, import::kXylib}};
  static constexpr std::pair<int, int> kFitted[] = {{32775, 0}, {32786, 1}, {32788, 2}};
  handlers[commands::kIdOpenPattern] = [&ctx] {
    OpenChosenFiles(ctx, import::PatternOpenDialog(), import::LoadFileByType);
  };
  for (auto [id, code] : kRaw) {
    handlers[id] = [&ctx, code] {
      OpenChosenFiles(ctx, import::RawOpenDialog(code),
                      [code](workspace::Workspace& ws, platform::Platform& p, const std::string& path) {
                        return import::LoadRawFile(ws, p, code, path);
                      });
    };
  }
  for (auto [id, kind] : kFitted) {
    handlers[id] = [&ctx, kind] {
      OpenChosenFiles(ctx, import::FittedOpenDialog(kind),
                      [kind](workspace::Workspace& ws, platform::Platform& p, const std::string& path) {
                        return import::LoadFittedFile(ws, p, kind, path);
                      });
    };
  }
  handlers[commands::kIdCloseAll] = [&ctx] {
    workspace::CloseAllPatterns(ctx.ws);
    ctx.platform.RequestRepaint();
  };
  handlers[commands::kIdSaveSession] = [&ctx] { SaveSessionCommand(ctx); };
  handlers[commands::kIdOpenSession] = [&ctx] { OpenSessionCommand(ctx); };
}

}  // namespace difscop::app
