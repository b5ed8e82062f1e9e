// difscop-cli peaks FORMAT FILE [options]: the automatic peak search of the
// program (dialog defaults after a load, closed with "Auto" unless a
// threshold is given; the drawn range the automatic one), printing the peak
// list file that "Save as" writes, or with --json the same peaks as a JSON
// document.
#include <cstdio>
#include <memory>

#include "cli/cli_platform.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/load_pattern.h"
#include "cli/peak_input.h"
#include "cli/processing_options.h"
#include "cli/subcommands.h"
#include "processing/peak_list.h"
#include "processing/peak_search.h"
#include "processing/xray_source.h"
#include "textio/text_writer.h"

namespace difscop::cli {

namespace {

// {"file", "peaks": [{"twoTheta", "d", "intensity"}, ...]}, the list's order.
void PrintPeaksJson(const workspace::Workspace& ws, const std::string& file) {
  Json peaks = Json::array();
  for (std::size_t i = 1; i <= static_cast<std::size_t>(ws.peakCount); ++i) {
    peaks.push_back({{"twoTheta", JsonFloat(ws.peak2Theta[i])},
                     {"d", JsonFloat(ws.peakD[i])},
                     {"intensity", JsonFloat(ws.peakIntensity[i])}});
  }
  Json doc = FileDocument(file);
  doc["peaks"] = peaks;
  PrintJson(doc);
}

}  // namespace

int RunPeaks(const std::vector<std::string>& args) {
  std::optional<ParsedOptions> parsed = ParseOptions(args, {{"--threshold", 1},
                                                            {"--diff", 1},
                                                            {"--ka2", 1},
                                                            {"--range", 2},
                                                            {"--ka1", 1},
                                                            {"--ka2-wavelength", 1},
                                                            {"--ratio", 1},
                                                            {"--wavelength-tolerance", 1},
                                                            {"--intensity-tolerance", 1},
                                                            {"--wavelength", 1},
                                                            {"--json", 0}});
  if (!parsed || parsed->positional.size() != 2) return UsageError("peaks");
  bool removeKa2 = false;
  if (parsed->Has("--ka2")) {
    const std::string& answer = parsed->Value("--ka2");
    if (answer != "yes" && answer != "no") return UsageError("peaks");
    removeKa2 = answer == "yes";
  }
  double xMin = 0.0, xMax = 0.0;
  if (parsed->Has("--range")) {
    if (!OptionNumber(*parsed, "--range", 0, xMin) || !OptionNumber(*parsed, "--range", 1, xMax))
      return 2;
    if (!(xMax > xMin)) {
      std::fprintf(stderr, "--range: XMAX must be above XMIN\n");
      return 2;
    }
  }

  std::optional<float> wavelength;
  if (!WavelengthOption(*parsed, wavelength)) return 2;

  auto ws = std::make_unique<workspace::Workspace>();
  if (!LoadMeasuredForCli(*ws, parsed->positional[0], parsed->positional[1], wavelength)) return 1;
  if (parsed->Has("--range")) {
    ws->xMin = static_cast<float>(xMin);
    ws->xMax = static_cast<float>(xMax);
  }

  // Without a threshold of the user's, the one from the pattern's noise.
  std::optional<platform::PeakSearchDialog> search = PeakSearchOptions(*parsed, *ws, true);
  if (!search) return 2;

  // The Ka2 dialog opens with the current values; the options replace them.
  platform::XraySourceDialog source = processing::MakeXraySourceDialog(*ws);
  if (!ApplySourceOptions(*parsed, source)) return 2;

  CliPlatform platform;
  platform.peakSearchAnswers.push_back(*search);
  platform.yesNoAnswers.push_back(removeKa2);
  platform.xraySourceAnswers.push_back(source);
  processing::AutoPeakSearchCommand(*ws, platform);
  if (!ws->autoPeaksFound) return 1;
  if (parsed->Has("--json")) {
    PrintPeaksJson(*ws, parsed->positional[1]);
    return 0;
  }
  const std::string list = processing::PeakListFileContents(*ws);
  std::fwrite(list.data(), 1, list.size(), stdout);
  return 0;
}

}  // namespace difscop::cli
