// Handlers of File > Open Pattern and the Open Raw Data and Open Fitted Data
// commands.
#include "app/handlers.h"
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
  handlers[32901] = [&ctx] { import::OpenPatternCommand(ctx.ws, ctx.platform); };
  for (auto [id, code] : kRaw) {
    handlers[id] = [&ctx, code] { import::OpenRawCommand(ctx.ws, ctx.platform, code); };
  }
  for (auto [id, kind] : kFitted) {
    handlers[id] = [&ctx, kind] { import::OpenFittedCommand(ctx.ws, ctx.platform, kind); };
  }
}

}  // namespace difscop::app
