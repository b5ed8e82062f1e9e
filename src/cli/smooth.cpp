// difscop-cli smooth FORMAT FILE --points N --out PATH: smooths a measured
// pattern as the Smoothing command does and writes the smoothed points in
// the (x,y) layout.
#include <cstdio>
#include <memory>

#include "cli/cli_platform.h"
#include "cli/commands.h"
#include "cli/load_pattern.h"
#include "cli/processing_options.h"
#include "cli/subcommands.h"
#include "processing/smoothing.h"
#include "textio/text_writer.h"

namespace difscop::cli {

int RunSmooth(const std::vector<std::string>& args) {
  std::optional<ParsedOptions> parsed = ParseOptions(args, {{"--points", 1}, {"--out", 1}});
  if (!parsed || parsed->positional.size() != 2 || !parsed->Has("--points") ||
      !parsed->Has("--out")) {
    return UsageError("smooth");
  }
  double points = 0.0;
  if (!OptionNumber(*parsed, "--points", 0, points)) return 2;
  if (points != static_cast<int>(points) ||
      processing::CheckSmoothingPoints(static_cast<int>(points))) {
    std::fprintf(stderr, "%s\n", processing::CheckSmoothingPoints(0)->c_str());
    return 2;
  }

  auto ws = std::make_unique<workspace::Workspace>();
  if (!LoadMeasuredForCli(*ws, parsed->positional[0], parsed->positional[1], std::nullopt)) return 1;
  CliPlatform platform;
  platform.smoothingAnswers.push_back(platform::SmoothingDialog{static_cast<int>(points), true});
  processing::SmoothingCommand(*ws, platform);
  if (!ws->smoothedValid) return 1;
  if (ws->smoothFirst > ws->smoothLast) {
    std::fprintf(stderr, "The pattern is shorter than the smoothing window.\n");
    return 1;
  }
  textio::TextWriter out;
  for (int i = ws->smoothFirst; i <= ws->smoothLast; ++i) {
    const workspace::Point& p = ws->smoothed[static_cast<std::size_t>(i)];
    out.LineF("%8.4f  %8.0f", static_cast<double>(p.x), static_cast<double>(p.y));
  }
  return WriteOutputFile(parsed->Value("--out"), out.Contents()) ? 0 : 1;
}

}  // namespace difscop::cli
