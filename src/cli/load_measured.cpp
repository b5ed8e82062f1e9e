// Loading for the subcommands that work on measured points; kept apart from
// load_pattern.cpp because it needs the processing layer, which difscop-render
// does not load.
#include <cstdio>

#include "cli/cli_platform.h"
#include "cli/load_pattern.h"
#include "processing/fit_commands.h"

namespace difscop::cli {

bool LoadMeasuredForCli(workspace::Workspace& ws, const std::string& format,
                        const std::string& file, std::optional<float> neutronWavelength) {
  if (!LoadPatternForCli(ws, format, file, neutronWavelength)) return false;
  if (ws.rawLoaded) return true;
  CliPlatform platform;
  if (!processing::ObservedAsPatternCommand(ws, platform)) return false;
  std::fprintf(stderr, "%s: a refinement result; its observed points are used\n", file.c_str());
  return true;
}

}  // namespace difscop::cli
