// difscop-cli index FORMAT FILE ...: the built-in indexing of the pattern's
// peak list, its solutions best first and the refinement of one of them, as
// text or (--json) one JSON document.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "cli/cli_platform.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/load_pattern.h"
#include "cli/peak_input.h"
#include "cli/subcommands.h"
#include "indexing/builtin_indexing.h"
#include "indexing/pattern_checks.h"
#include "indexing/run_commands.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::cli {

namespace {

// A whole number option within [low, high]; a message naming it otherwise.
bool WholeOption(const ParsedOptions& parsed, const char* name, int low, int high, int& value) {
  if (!parsed.Has(name)) return true;
  double v = 0;
  if (!OptionNumber(parsed, name, 0, v)) return false;
  if (v != static_cast<int>(v) || v < low || v > high) {
    std::fprintf(stderr, "%s: a whole number from %d to %d\n", name, low, high);
    return false;
  }
  value = static_cast<int>(v);
  return true;
}

// Looser than the Ka2 dialog's defaults: peak heights of a measured doublet
// seldom keep the 2:1 ratio, and the indexing only needs the companion gone.
constexpr const char* kIndexWavelengthTolerance = "0.1";
constexpr const char* kIndexIntensityTolerance = "0.5";

// A number option; value untouched when it is not given.
bool NumberOption(const ParsedOptions& parsed, const char* name, std::size_t i, double& value) {
  return !parsed.Has(name) || OptionNumber(parsed, name, i, value);
}

bool ReadSystems(const std::string& list, std::vector<indexing::CrystalSystem>& systems) {
  systems.clear();
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    std::optional<indexing::CrystalSystem> s =
        indexing::CrystalSystemFromName(list.substr(start, comma - start));
    if (!s) {
      std::fprintf(stderr, "--systems: unknown crystal system: %s\n",
                   list.substr(start, comma - start).c_str());
      return false;
    }
    if (std::find(systems.begin(), systems.end(), *s) == systems.end()) systems.push_back(*s);
    start = comma + 1;
  }
  // Highest symmetry first, whatever order they were named in.
  std::sort(systems.begin(), systems.end());
  return true;
}

Json CellJson(const indexing::Cell& c) {
  return {{"a", c.a}, {"b", c.b}, {"c", c.c}, {"alpha", c.alpha}, {"beta", c.beta}, {"gamma", c.gamma}};
}

Json AnglesJson(const std::vector<int>& indices, const std::vector<double>& angles) {
  Json list = Json::array();
  for (int i : indices) list.push_back(angles[static_cast<std::size_t>(i)]);
  return list;
}

// {"file", "solutions": [...best first], "solution": K, "refined": {...}}.
void PrintIndexJson(const std::string& file, const std::vector<indexing::IndexSolution>& solutions,
                    int chosen, const indexing::Refinement& r, const std::vector<double>& angles,
                    double wavelength, const std::optional<std::string>& warning) {
  Json list = Json::array();
  for (const indexing::IndexSolution& s : solutions) {
    Json one = CellJson(s.cell);
    one["volume"] = s.cell.Volume();
    one["system"] = indexing::CrystalSystemName(s.system);
    one["centring"] = std::string(1, s.centring);
    one["m20"] = s.merit.m20;
    one["mLines"] = s.merit.mLines;
    one["fn"] = s.merit.fn;
    one["fnLines"] = s.merit.fnLines;
    one["zero"] = s.corrections.zero;
    one["unindexed"] = AnglesJson(s.unindexed, angles);
    if (s.centring == 'R') one["rhombohedralAxes"] = CellJson(indexing::RhombohedralOfHexagonal(s.cell));
    list.push_back(one);
  }
  Json lines = Json::array(), unindexed = Json::array();
  for (const indexing::IndexedLine& line : r.lines.indexed) {
    lines.push_back({{"h", line.hkl.h},
                     {"k", line.hkl.k},
                     {"l", line.hkl.l},
                     {"twoThetaObs", line.twoThetaObs},
                     {"twoThetaCalc", line.twoThetaCalc}});
  }
  Json refined = CellJson(r.cell);
  refined["volume"] = r.volume;
  refined["esd"] = CellJson(r.esd);
  refined["esd"]["volume"] = r.volumeEsd;
  refined["system"] = indexing::CrystalSystemName(r.system);
  refined["centring"] = std::string(1, r.centring);
  refined["zero"] = r.corrections.zero;
  refined["zeroEsd"] = r.correctionsEsd.zero;
  refined["displacement"] = r.corrections.displacement;
  refined["displacementEsd"] = r.correctionsEsd.displacement;
  if (r.centring == 'R') refined["rhombohedralAxes"] = CellJson(indexing::RhombohedralOfHexagonal(r.cell));
  refined["m20"] = r.merit.m20;
  refined["mLines"] = r.merit.mLines;
  refined["fn"] = r.merit.fn;
  refined["fnLines"] = r.merit.fnLines;
  refined["lines"] = lines;
  refined["unindexed"] = AnglesJson(r.lines.unindexed, angles);
  Json doc = FileDocument(file);
  doc["wavelength"] = wavelength;
  if (warning) doc["warning"] = *warning;
  doc["solutions"] = list;
  doc["solution"] = chosen;
  doc["refined"] = refined;
  PrintJson(doc);
}

void PrintLf(const std::string& crlf) {
  std::string text;
  for (char c : crlf) {
    if (c != '\r') text += c;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

int RunIndex(const std::vector<std::string>& args) {
  std::optional<ParsedOptions> parsed =
      ParseOptions(args, {{"--threshold", 1},   {"--diff", 1},
                          {"--ka2", 1},         {"--range", 2},
                          {"--ka1", 1},         {"--ka2-wavelength", 1},
                          {"--ratio", 1},       {"--wavelength-tolerance", 1},
                          {"--intensity-tolerance", 1}, {"--manual", 1},
                          {"--lines", 1},       {"--spurious", 1},
                          {"--systems", 1},     {"--zero-shift", 0},
                          {"--solution", 1},    {"--cellref", 1},
                          {"--wavelength", 1},  {"--json", 0},
                          {"--tolerance", 1},   {"--zero-range", 1},
                          {"--displacement", 0}, {"--max-edge", 1},
                          {"--volume", 2},      {"--threads", 1}});
  if (!parsed || parsed->positional.size() != 2 ||
      (parsed->Has("--ka2") && parsed->Value("--ka2") != "yes" &&
       parsed->Value("--ka2") != "no"))
    return UsageError("index");
  indexing::IndexOptions options;
  int solutionNumber = 1;
  double tolerance = 0;
  if (!WholeOption(*parsed, "--lines", indexing::kMinIndexLines, workspace::kMaxPeaks,
                   options.lines) ||
      !WholeOption(*parsed, "--spurious", 0, 5, options.maxSpurious) ||
      !WholeOption(*parsed, "--threads", 0, 64, options.threads) ||
      !WholeOption(*parsed, "--solution", 1, indexing::kMaxIndexSolutions, solutionNumber) ||
      !NumberOption(*parsed, "--tolerance", 0, tolerance) ||
      !NumberOption(*parsed, "--zero-range", 0, options.zeroRange) ||
      !NumberOption(*parsed, "--max-edge", 0, options.lengthMax) ||
      !NumberOption(*parsed, "--volume", 0, options.volumeMin) ||
      !NumberOption(*parsed, "--volume", 1, options.volumeMax))
    return 2;
  if (parsed->Has("--systems") && !ReadSystems(parsed->Value("--systems"), options.systems))
    return 2;
  // A zero offset is searched and refined unless --zero-range 0; --zero-shift
  // is what it always was, the refinement of one.
  options.displacement = parsed->Has("--displacement");
  double wavelength = 0;
  if (parsed->Has("--wavelength")) {
    if (!OptionNumber(*parsed, "--wavelength", 0, wavelength)) return 2;
    if (!(wavelength > 0)) {
      std::fprintf(stderr, "The wavelength must be a positive number !!!\n");
      return 2;
    }
  }
  // Ka2 companions are spurious lines to the indexing.
  if (!parsed->Has("--ka2")) parsed->options["--ka2"] = {"yes"};
  if (!parsed->Has("--wavelength-tolerance"))
    parsed->options["--wavelength-tolerance"] = {kIndexWavelengthTolerance};
  if (!parsed->Has("--intensity-tolerance"))
    parsed->options["--intensity-tolerance"] = {kIndexIntensityTolerance};
  auto ws = std::make_unique<workspace::Workspace>();
  std::optional<float> lambda;
  if (parsed->Has("--wavelength")) lambda = static_cast<float>(wavelength);
  if (int status =
          LoadPatternAndPeaks(*ws, *parsed, parsed->positional[0], parsed->positional[1], lambda,
                              true))
    return status;
  indexing::RefinePeaksForRun(*ws);

  const std::vector<double> angles = indexing::PeakListAngles(*ws);
  const double usedWavelength = static_cast<double>(ws->wavelength);
  options.tolerance = parsed->Has("--tolerance")
                          ? tolerance
                          : indexing::DefaultTolerance(static_cast<double>(ws->stepWidth));
  const std::optional<std::string> warning = indexing::WavelengthWarning(*ws, angles);
  if (warning) std::fprintf(stderr, "warning: %s\n", warning->c_str());
  indexing::IndexOutcome outcome = indexing::IndexPeaks(angles, usedWavelength, options);
  using Status = indexing::IndexOutcome::Status;
  if (outcome.status == Status::Refused || outcome.status == Status::Failed) {
    std::fprintf(stderr, "%s\n", outcome.message.c_str());
    return outcome.status == Status::Refused ? 2 : 1;
  }
  if (outcome.status != Status::Solved) {
    std::fprintf(stderr, "No reliable solution !!!\n");
    return 1;
  }
  const bool json = parsed->Has("--json");
  if (!json) PrintLf(indexing::SolutionTable(outcome.solutions));
  if (solutionNumber > static_cast<int>(outcome.solutions.size())) {
    std::fprintf(stderr, "--solution: only %d solution(s)\n",
                 static_cast<int>(outcome.solutions.size()));
    return 1;
  }
  std::string message;
  std::optional<indexing::Refinement> refined = indexing::RefineSolution(
      outcome.solutions[static_cast<std::size_t>(solutionNumber - 1)], angles, usedWavelength, options,
      message);
  if (!refined) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
  }
  if (json) {
    PrintIndexJson(parsed->positional[1], outcome.solutions, solutionNumber, *refined, angles,
                   JsonFloat(static_cast<float>(usedWavelength)), warning);
  } else {
    std::printf("\n");
    PrintLf(indexing::RefinementReport(*refined, angles));
  }
  if (parsed->Has("--cellref")) {
    const std::string path = parsed->Value("--cellref");
    std::string why;
    if (!textio::WriteFileAtomically(path, indexing::BuiltinCellRefInput(*ws, *refined, angles),
                                     &why)) {
      std::fprintf(stderr, "%s  not created !!!\n%s\n", path.c_str(), why.c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace difscop::cli
