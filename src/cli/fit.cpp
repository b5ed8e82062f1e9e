// difscop-cli fit FORMAT FILE: profile fitting of the peaks the automatic
// search finds, one row per peak with the standard uncertainties, then the
// fit's Rwp and chi-square and the Williamson-Hall size and strain; with
// --json the same as one JSON document.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "cli/cli_platform.h"
#include "cli/json_output.h"
#include "cli/commands.h"
#include "cli/load_pattern.h"
#include "cli/peak_input.h"
#include "cli/processing_options.h"
#include "cli/subcommands.h"
#include "processing/profile_commands.h"
#include "processing/size_strain.h"
#include "processing/xray_source.h"

namespace difscop::cli {

namespace {

// A value and its uncertainty in fixed columns; "-" for what has none.
void PrintEstimate(const processing::Estimate& e, int width, int decimals) {
  if (!std::isfinite(e.value)) {
    std::printf(" %*s %*s", width, "-", width, "-");
    return;
  }
  std::printf(" %*.*f", width, decimals, e.value);
  if (std::isfinite(e.esd))
    std::printf(" %*.*f", width, decimals, e.esd);
  else
    std::printf(" %*s", width, "-");
}

void AddEstimate(Json& object, const std::string& name, const processing::Estimate& e) {
  object[name] = e.value;
  object[name + "Esd"] = e.esd;
}

// {"file", "peaks": [...], "groups": [...], "rwp", "chiSquare",
// "reducedChiSquare", "williamsonHall", "asymmetry": {"p1", "p1Esd"} or
// null}; values without an uncertainty are null.
void PrintFitJson(const std::string& file, const processing::ProfileFit& fit,
                  const processing::FitSummary& summary, const processing::WilliamsonHall& wh,
                  double lambda, double k, const processing::InstrumentProfile& instrument) {
  Json peaks = Json::array();
  for (const processing::FittedPeak& p : fit.peaks) {
    if (!p.ok) continue;
    Json row = Json::object();
    AddEstimate(row, "twoTheta", p.twoTheta);
    AddEstimate(row, "d", p.d);
    AddEstimate(row, "height", p.height);
    AddEstimate(row, "fwhm", p.fwhm);
    AddEstimate(row, "area", p.area);
    AddEstimate(row, "shape", p.shape);
    AddEstimate(row, "size", processing::ScherrerSize(p, lambda, k, instrument));
    row["group"] = p.group;
    peaks.push_back(row);
  }
  Json groups = Json::array();
  for (const processing::GroupFit& g : fit.groups) {
    groups.push_back({{"from", g.from},
                      {"to", g.to},
                      {"points", g.points},
                      {"parameters", g.parameters},
                      {"rwp", g.rwp},
                      {"chiSquare", g.chiSquare},
                      {"reducedChiSquare", g.reducedChiSquare},
                      {"converged", g.converged}});
  }
  Json doc = FileDocument(file);
  doc["shape"] = fit.options.shape == processing::ProfileShape::kPseudoVoigt ? "pv" : "pvii";
  doc["split"] = fit.options.split;
  if (fit.asymmetry.empty()) {
    doc["asymmetry"] = nullptr;
  } else {
    doc["asymmetry"] = Json::object();
    AddEstimate(doc["asymmetry"], "p1", fit.asymmetry[0]);
  }
  doc["ka2"] = fit.options.ka2;
  doc["peaks"] = peaks;
  doc["groups"] = groups;
  doc["rwp"] = summary.rwp;
  doc["chiSquare"] = summary.chiSquare;
  doc["reducedChiSquare"] = summary.reducedChiSquare;
  if (wh.ok) {
    Json w = {{"peaks", wh.peaks}};
    AddEstimate(w, "size", wh.size);
    AddEstimate(w, "strain", wh.strain);
    doc["williamsonHall"] = w;
  } else {
    doc["williamsonHall"] = nullptr;
  }
  PrintJson(doc);
}

}  // namespace

int RunFit(const std::vector<std::string>& args) {
  std::optional<ParsedOptions> parsed = ParseOptions(args, {{"--range", 2},
                                                            {"--shape", 1},
                                                            {"--split", 0},
                                                            {"--asym", 0},
                                                            {"--no-ka2", 0},
                                                            {"--k", 1},
                                                            {"--instrument", 3},
                                                            {"--standard", 0},
                                                            {"--ka1", 1},
                                                            {"--ka2-wavelength", 1},
                                                            {"--ratio", 1}, {"--json", 0}});
  if (!parsed || parsed->positional.size() != 2) return UsageError("fit");
  processing::ProfileShape shape = processing::ProfileShape::kPseudoVoigt;
  if (parsed->Has("--shape")) {
    const std::string& s = parsed->Value("--shape");
    if (s != "pv" && s != "pvii") return UsageError("fit");
    if (s == "pvii") shape = processing::ProfileShape::kPearsonVII;
  }
  double from = -HUGE_VAL, to = HUGE_VAL;
  if (parsed->Has("--range")) {
    if (!OptionNumber(*parsed, "--range", 0, from) || !OptionNumber(*parsed, "--range", 1, to))
      return 2;
    if (!(to > from)) {
      std::fprintf(stderr, "--range: B must be above A\n");
      return 2;
    }
  }
  double k = processing::kDefaultScherrerK;
  if (parsed->Has("--k") && !OptionNumber(*parsed, "--k", 0, k)) return 2;
  if (!(k > 0.0)) {
    std::fprintf(stderr, "--k: the Scherrer constant must be above 0\n");
    return 2;
  }
  processing::InstrumentProfile instrument;
  if (parsed->Has("--instrument") && (!OptionNumber(*parsed, "--instrument", 0, instrument.u) ||
                                      !OptionNumber(*parsed, "--instrument", 1, instrument.v) ||
                                      !OptionNumber(*parsed, "--instrument", 2, instrument.w)))
    return 2;

  auto ws = std::make_unique<workspace::Workspace>();
  if (!LoadMeasuredForCli(*ws, parsed->positional[0], parsed->positional[1], std::nullopt)) return 1;
  platform::XraySourceDialog source = processing::MakeXraySourceDialog(*ws);
  if (!ApplySourceOptions(*parsed, source)) return 2;
  processing::ApplyXraySourceDialog(*ws, source);
  if (ws->obsCount < 3) {
    std::fprintf(stderr, "The pattern has too few points to fit.\n");
    return 1;
  }

  const processing::PatternArrays points = processing::ObservedArrays(*ws);
  processing::ProfileOptions options = processing::SourceProfileOptions(
      *ws, shape, parsed->Has("--split"), !parsed->Has("--no-ka2"));
  if (parsed->Has("--asym")) options.asymmetryTerms = processing::kAxialAsymmetry;
  options.from = std::max(from, points.x.front());
  options.to = std::min(to, points.x.back());
  CliPlatform platform;
  const std::vector<double> positions =
      processing::AutomaticPeakPositions(*ws, platform, options.from, options.to);
  if (positions.empty()) {
    std::fprintf(stderr, "No peak found to fit.\n");
    return 1;
  }
  const processing::ProfileFit fit =
      processing::FitProfiles({points.x, points.y, {}, {}}, positions, options);

  const bool json = parsed->Has("--json");
  if (parsed->Has("--standard")) {
    const processing::CagliotiFit c = processing::FitCaglioti(fit.peaks);
    if (!c.ok) {
      std::fprintf(stderr, "Too few fitted peaks for the instrument curve (3 are needed).\n");
      return 1;
    }
    if (json) {
      Json doc = FileDocument(parsed->positional[1]);
      doc["caglioti"] = {{"peaks", c.peaks}};
      AddEstimate(doc["caglioti"], "u", c.u);
      AddEstimate(doc["caglioti"], "v", c.v);
      AddEstimate(doc["caglioti"], "w", c.w);
      PrintJson(doc);
      return 0;
    }
    std::printf(
        "# U esd V esd W esd (FWHM^2 = U tan^2 theta + V tan theta + W, degrees^2), %d peaks\n",
        c.peaks);
    std::printf("%.6g %.2g %.6g %.2g %.6g %.2g\n", c.u.value, c.u.esd, c.v.value, c.v.esd,
                c.w.value, c.w.esd);
    return 0;
  }

  const double lambda = options.ka1Wavelength;
  const processing::FitSummary summary = processing::SummariseFit(fit);
  const processing::WilliamsonHall wh =
      processing::FitWilliamsonHall(fit.peaks, lambda, k, instrument);
  const auto failed = std::count_if(fit.peaks.begin(), fit.peaks.end(),
                                    [](const processing::FittedPeak& p) { return !p.ok; });
  if (failed > 0)
    std::fprintf(stderr, "%d peak(s) could not be fitted and are not listed.\n",
                 static_cast<int>(failed));
  if (json) {
    PrintFitJson(parsed->positional[1], fit, summary, wh, lambda, k, instrument);
    return 0;
  }
  std::printf("# twoTheta esd d esd height esd fwhm esd area esd size(nm) esd\n");
  for (const processing::FittedPeak& p : fit.peaks) {
    if (!p.ok) continue;
    PrintEstimate(p.twoTheta, 8, 4);
    PrintEstimate(p.d, 8, 5);
    PrintEstimate(p.height, 9, 1);
    PrintEstimate(p.fwhm, 7, 4);
    PrintEstimate(p.area, 9, 2);
    PrintEstimate(processing::ScherrerSize(p, lambda, k, instrument), 7, 1);
    std::printf("\n");
  }
  std::printf("# Rwp %.4f  chi2 %.4g (reduced), %zu groups, %d points, %d parameters\n",
              summary.rwp, summary.reducedChiSquare, fit.groups.size(), summary.points,
              summary.parameters);
  if (!fit.asymmetry.empty())
    std::printf("# axial asymmetry p1 %.4f (esd %.4f), held in every group\n",
                fit.asymmetry[0].value, fit.asymmetry[0].esd);
  if (wh.ok)
    std::printf(
        "# Williamson-Hall over %d peaks: size %.1f nm (esd %.1f), strain %.3e (esd %.1e)\n",
        wh.peaks, wh.size.value, wh.size.esd, wh.strain.value, wh.strain.esd);
  return 0;
}

}  // namespace difscop::cli
