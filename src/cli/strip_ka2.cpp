// difscop-cli strip-ka2 FORMAT FILE --out PATH: the measured profile with
// its Ka2 part removed (Rachinger), written as an (x,y) data file that every
// subcommand reads.
#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/load_pattern.h"
#include "cli/peak_input.h"
#include "cli/processing_options.h"
#include "cli/subcommands.h"
#include "processing/profile_commands.h"
#include "processing/snip.h"
#include "processing/xray_source.h"
#include "textio/text_writer.h"

namespace difscop::cli {

int RunStripKa2(const std::vector<std::string>& args) {
  std::optional<ParsedOptions> parsed = ParseOptions(args, {{"--out", 1},
                                                            {"--window", 1},
                                                            {"--whole", 0},
                                                            {"--ka1", 1},
                                                            {"--ka2-wavelength", 1},
                                                            {"--ratio", 1}});
  if (!parsed || parsed->positional.size() != 2 || !parsed->Has("--out") ||
      (parsed->Has("--window") && parsed->Has("--whole")))
    return UsageError("strip-ka2");
  double window = 0.0;
  if (!SnipWindowOption(*parsed, window)) return 2;
  if (parsed->Has("--whole")) window = 0.0;

  auto ws = std::make_unique<workspace::Workspace>();
  if (!LoadMeasuredForCli(*ws, parsed->positional[0], parsed->positional[1], std::nullopt)) return 1;
  platform::XraySourceDialog source = processing::MakeXraySourceDialog(*ws);
  if (!ApplySourceOptions(*parsed, source)) return 2;
  processing::ApplyXraySourceDialog(*ws, source);
  if (!(ws->ka2Wavelength > ws->ka1Wavelength) || !(ws->ka2Ratio >= 0.0f)) {
    std::fprintf(stderr, "The Ka2 wavelength must be above the Ka1 wavelength.\n");
    return 2;
  }

  const std::vector<double> stripped = processing::StripPatternKa2(*ws, window);
  textio::TextWriter out;
  for (int i = 1; i <= ws->obsCount; ++i) {
    // The (x,y) reader takes positive intensities only.
    const double y = stripped[static_cast<std::size_t>(i - 1)];
    out.Fixed(ws->obs[static_cast<std::size_t>(i)].x, 10, 4);
    out.Raw("   ");
    out.Fixed(y < 1.0 ? 1.0 : y, 11, 1);
    out.Line();
  }
  return WriteOutputFile(parsed->Value("--out"), out.Contents()) ? 0 : 1;
}

}  // namespace difscop::cli
