// difscop-cli index-input, cellref and cell-solutions: the indexing programs'
// input files, the CellRef input from a listing, and Cell's solution list.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/cli_platform.h"
#include "cli/commands.h"
#include "cli/load_pattern.h"
#include "cli/peak_input.h"
#include "cli/processing_options.h"
#include "cli/subcommands.h"
#include "indexing/cell_expo_commands.h"
#include "indexing/cellref_input.h"
#include "indexing/cellref_commands.h"
#include "indexing/run_commands.h"
#include "platform/indexing_dialogs.h"
#include "processing/peak_list.h"
#include "processing/peak_search.h"
#include "processing/xray_source.h"
#include "textio/line_reader.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::cli {
namespace fs = std::filesystem;

namespace {

// A listing or peak file whole, or "FILE file not found !!!" and the reason.
std::optional<std::string> ReadFileOrSay(const std::string& path) {
  std::string reason;
  std::optional<std::string> text = textio::ReadWholeFile(path, &reason);
  if (!text) std::fprintf(stderr, "%s file not found !!!\n%s: %s\n", path.c_str(), path.c_str(), reason.c_str());
  return text;
}

bool ReadPeakFile(workspace::Workspace& ws, const std::string& path) {
  std::optional<std::string> text = ReadFileOrSay(path);
  if (!text) return false;
  indexing::ReadPeakAngles(ws, *text);
  return true;
}

}  // namespace

// Picks each angle as a double click would: the measured point nearest to it.
// An angle outside the pattern is left out, as a click there is.
bool PickManualPeaks(workspace::Workspace& ws, const std::string& text) {
  std::vector<float> angles;
  if (!ParseNumberList(text, angles)) return false;
  ws.manualPeakCount = 0;
  for (const float angle : angles) {
    if (ws.manualPeakCount == workspace::kMaxPeaks || ws.obsCount < 1) break;
    const float first = ws.obs[1].x, last = ws.obs[ws.obsCount].x;
    if (!(angle > first && angle < last)) {
      std::fprintf(stderr, "--manual: %g lies outside the pattern (%g to %g): left out\n", angle,
                   first, last);
      continue;
    }
    int best = 1;
    for (int i = 2; i <= ws.obsCount; ++i) {
      if (std::fabs(ws.obs[i].x - angle) < std::fabs(ws.obs[best].x - angle)) best = i;
    }
    // The whole pick, as a click in the window stores it: a pick the
    // refinement cannot move keeps the point's own angle.
    processing::AddManualPick(ws, best);
  }
  ws.manualPeakMode = 1;
  ws.autoPeaksFound = 0;
  return true;
}

bool ApplySourceOptions(const ParsedOptions& parsed, platform::XraySourceDialog& source) {
  const std::pair<const char*, std::string*> sourceOptions[] = {
      {"--ka1", &source.ka1Text},
      {"--ka2-wavelength", &source.ka2Text},
      {"--ratio", &source.ratioText},
      {"--wavelength-tolerance", &source.wavelengthToleranceText},
      {"--intensity-tolerance", &source.intensityToleranceText}};
  for (const auto& [name, field] : sourceOptions) {
    if (!parsed.Has(name)) continue;
    double unused = 0.0;
    if (!OptionNumber(parsed, name, 0, unused)) return false;
    *field = parsed.Value(name);
  }
  return true;
}

bool SearchPeaksForCli(workspace::Workspace& ws, const ParsedOptions& parsed,
                       bool automaticThreshold) {
  std::optional<platform::PeakSearchDialog> options =
      PeakSearchOptions(parsed, ws, automaticThreshold);
  if (!options) return false;
  const platform::PeakSearchDialog& search = *options;
  int threshold = 0, diffPoints = 0;
  if (std::optional<std::string> refusal =
          processing::ReadPeakSearchDialog(search, threshold, diffPoints)) {
    std::fprintf(stderr, "%s\n", refusal->c_str());
    return false;
  }
  platform::XraySourceDialog source = processing::MakeXraySourceDialog(ws);
  if (!ApplySourceOptions(parsed, source)) return false;
  CliPlatform platform;
  platform.peakSearchAnswers.push_back(search);
  platform.yesNoAnswers.push_back(parsed.Has("--ka2") && parsed.Value("--ka2") == "yes");
  platform.xraySourceAnswers.push_back(source);
  processing::AutoPeakSearchCommand(ws, platform);
  return ws.autoPeaksFound != 0;
}

int LoadPatternAndPeaks(workspace::Workspace& ws, const ParsedOptions& parsed,
                        const std::string& format, const std::string& file,
                        std::optional<float> wavelength, bool automaticThreshold) {
  double xMin = 0.0, xMax = 0.0;
  if (parsed.Has("--range") &&
      (!OptionNumber(parsed, "--range", 0, xMin) || !OptionNumber(parsed, "--range", 1, xMax)))
    return 2;
  if (!LoadMeasuredForCli(ws, format, file, wavelength)) return 1;
  workspace::SetIndexingProgramNames(ws);
  // The given wavelength is the pattern's own: the search's Ka2 dialog keeps it.
  if (wavelength) {
    ws.wavelength = *wavelength;
    ws.wavelengthFromPattern = 1;
  }
  if (parsed.Has("--range")) {
    ws.xMin = static_cast<float>(xMin);
    ws.xMax = static_cast<float>(xMax);
  }
  if (parsed.Has("--manual")) {
    if (!PickManualPeaks(ws, parsed.Value("--manual"))) {
      std::fprintf(stderr, "--manual: not a list of angles\n");
      return 2;
    }
  } else if (!SearchPeaksForCli(ws, parsed, automaticThreshold)) {
    return 1;
  }
  return 0;
}

int RunIndexInput(const std::vector<std::string>& args) {
  std::optional<ParsedOptions> parsed = ParseOptions(args, {{"--out-dir", 1},
                                                            {"--threshold", 1},
                                                            {"--diff", 1},
                                                            {"--ka2", 1},
                                                            {"--range", 2},
                                                            {"--manual", 1},
                                                            {"--wavelength", 1}});
  if (!parsed || parsed->positional.size() != 3 || !parsed->Has("--out-dir")) {
    return UsageError("index-input");
  }
  const std::string& program = parsed->positional[0];
  if (program != "ito" && program != "treor" && program != "dicvol" && program != "cell") {
    return UsageError("index-input");
  }
  if (parsed->Has("--ka2") && parsed->Value("--ka2") != "yes" && parsed->Value("--ka2") != "no") {
    return UsageError("index-input");
  }
  std::optional<float> wavelength;
  if (!WavelengthOption(*parsed, wavelength)) return 2;
  auto ws = std::make_unique<workspace::Workspace>();
  if (int status = LoadPatternAndPeaks(*ws, *parsed, parsed->positional[1],
                                       parsed->positional[2], wavelength))
    return status;

  indexing::InputFile input;
  if (program == "cell") {
    indexing::RefinePeaksForRun(*ws);
    input = {"Cell.dat", indexing::CellInputText(*ws)};
  } else {
    input =
        indexing::IndexingInputFile(*ws, program == "ito"     ? indexing::IndexingProgram::Ito
                                         : program == "treor" ? indexing::IndexingProgram::Treor
                                                              : indexing::IndexingProgram::Dicvol);
  }
  // The tool's workspace owns no working files: at its end it must not
  // delete the file it has just written into the current directory.
  for (std::string* name : {&ws->itoBaseName, &ws->itoOutput, &ws->treorBaseName, &ws->treorOutput,
                            &ws->dicvolInput, &ws->dicvolOutput}) {
    name->clear();
  }
  const fs::path out = fs::path(parsed->Value("--out-dir")) / input.name;
  std::string error;
  if (!textio::WriteFileAtomically(out, input.contents, &error)) {
    std::fprintf(stderr, "%s  not created !!!\n%s\n", out.string().c_str(), error.c_str());
    return 1;
  }
  std::printf("%s\n", out.string().c_str());
  return 0;
}

int RunCellRef(const std::vector<std::string>& args) {
  std::optional<ParsedOptions> parsed =
      ParseOptions(args, {{"--out", 1}, {"--solution", 1}, {"--peaks", 1}, {"--wavelength", 1}});
  if (!parsed || parsed->positional.size() != 2 || !parsed->Has("--out") ||
      (parsed->positional[0] != "treor" && parsed->positional[0] != "ito")) {
    return UsageError("cellref");
  }
  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  double wavelength = 0.0;
  if (parsed->Has("--wavelength")) {
    if (!OptionNumber(*parsed, "--wavelength", 0, wavelength)) return 2;
    ws->wavelength = static_cast<float>(wavelength);
  }
  if (parsed->Has("--peaks") && !ReadPeakFile(*ws, parsed->Value("--peaks"))) return 1;
  std::optional<std::string> listing = ReadFileOrSay(parsed->positional[1]);
  if (!listing) return 1;
  CliPlatform platform;
  if (parsed->Has("--solution")) {
    platform.yesNoAnswers.push_back(true);  // "Attempt trial solutions ?"
    platform.trialSolutionAnswers.push_back(parsed->Value("--solution"));
  }
  std::optional<std::string> input = parsed->positional[0] == "treor"
                                         ? indexing::CellRefFromTreor(*ws, platform, *listing)
                                         : indexing::CellRefFromIto(*ws, platform, *listing);
  if (!input) {
    if (platform.messages.empty()) {
      std::fprintf(stderr, parsed->Has("--solution")
                               ? "no solution chosen\n"
                               : "a solution must be chosen (--solution N)\n");
    }
    return 1;
  }
  std::string error;
  if (!textio::WriteFileAtomically(parsed->Value("--out"), *input, &error)) {
    std::fprintf(stderr, "%s  not created !!!\n%s\n", parsed->Value("--out").c_str(),
                 error.c_str());
    return 1;
  }
  return 0;
}

int RunCellSolutions(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    return UsageError("cell-solutions");
  }
  std::optional<std::string> text = ReadFileOrSay(args[0]);
  if (!text) return 1;
  CliPlatform platform;
  auto rows = indexing::CellSolutionsFromText(platform, *text);
  if (!rows) return 1;
  platform::CellSolutionsDialog dialog;
  dialog.rows = *rows;
  for (int row = 0; row < static_cast<int>(rows->size()); ++row) {
    auto columns = platform::CellSolutionColumns(dialog, row);
    std::string line;
    for (const std::string& column : columns) line += (line.empty() ? "" : "\t") + column;
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

}  // namespace difscop::cli
