// difscop-cli background FORMAT FILE --points "x1,y1 x2,y2 ..." --out-dir DIR:
// background reduction as Back Grd Cal. does it, writing BkG.txt and the
// reduced data file (named after FILE) into DIR.
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/cli_platform.h"
#include "cli/commands.h"
#include "cli/load_pattern.h"
#include "cli/processing_options.h"
#include "cli/subcommands.h"
#include "processing/background.h"
#include "textio/scan.h"

namespace difscop::cli {

int RunBackground(const std::vector<std::string>& args) {
  namespace fs = std::filesystem;
  std::optional<ParsedOptions> parsed =
      ParseOptions(args, {{"--points", 1}, {"--out-dir", 1}, {"--auto", 0}, {"--window", 1}});
  std::vector<std::pair<float, float>> points;
  const bool automatic = parsed && parsed->Has("--auto");
  if (!parsed || parsed->positional.size() != 2 || !parsed->Has("--out-dir") ||
      automatic == parsed->Has("--points") || (!automatic && parsed->Has("--window")) ||
      (!automatic && !ParsePointList(parsed->Value("--points"), points))) {
    return UsageError("background");
  }
  double window = 0.0;
  if (!SnipWindowOption(*parsed, window)) return 2;
  auto ws = std::make_unique<workspace::Workspace>();
  if (!LoadMeasuredForCli(*ws, parsed->positional[0], parsed->positional[1], std::nullopt)) return 1;
  CliPlatform platform;
  const fs::path dir = parsed->Value("--out-dir");
  const fs::path name = fs::path(processing::BackgroundDataPath(ws->dataFilePath)).filename();
  const std::string dataPath = (dir / name).string();
  if (automatic) {
    if (!processing::CalculateSnipBackground(*ws, platform, window, dir, dataPath)) return 1;
  } else {
    processing::BackgroundPointCommand(*ws, platform);
    if (!ws->backgroundPickMode) return 1;
    for (const auto& [x, y] : points) {
      if (!processing::AddBackgroundPoint(*ws, x, y))
        std::fprintf(stderr, "point %g,%g ignored (outside the data or too many)\n", x, y);
    }
    if (!processing::CalculateBackground(*ws, platform, dir, dataPath)) return 1;
  }
  std::printf("%s\n%s\n", (dir / "BkG.txt").string().c_str(), dataPath.c_str());
  return 0;
}

}  // namespace difscop::cli
