// difscop-cli phase CIF --wavelength W [--block NAME] [--neutron] [--range A B]
//                       [--monochromator ANGLE] [--json]
// The powder reflections of the crystal structure in a CIF: one reflection
// a row (h k l, multiplicity, d, 2theta, |F|², intensity with the strongest
// 100), or the same as one JSON document.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/processing_options.h"
#include "cli/subcommands.h"
#include "structures/crystal_structure.h"
#include "structures/powder_reflections.h"

namespace difscop::cli {
namespace {

void PrintText(const structures::CrystalStructure& st, const structures::PowderSettings& s,
               const structures::PowderReflections& r) {
  const structures::CellParameters& c = st.cell;
  std::printf("# %s (data block %s), %s\n", st.phaseName.c_str(), st.blockName.c_str(),
              st.spaceGroup.c_str());
  std::printf("# cell %.5f %.5f %.5f %.3f %.3f %.3f\n", c.a, c.b, c.c, c.alpha, c.beta, c.gamma);
  std::printf("# %s, wavelength %.6f A, 2theta %.3f to %.3f\n",
              s.probe == structures::Probe::kNeutron ? "neutrons" : "X-rays", s.wavelength,
              s.twoThetaMin, s.twoThetaMax);
  std::printf("#   h    k    l mult          d     2theta            F2  intensity\n");
  for (const structures::PowderReflection& x : r.reflections) {
    std::printf("%5d %4d %4d %4d %10.5f %10.4f %13.4f %10.3f\n", x.h, x.k, x.l, x.multiplicity,
                x.d, x.twoTheta, x.fSquared, x.intensity);
  }
}

void PrintPhaseJson(const std::string& file, const structures::CrystalStructure& st,
                    const structures::PowderSettings& s, const structures::PowderReflections& r) {
  Json out = FileDocument(file);
  out["phase"] = st.phaseName;
  out["block"] = st.blockName;
  out["spaceGroup"] = st.spaceGroup;
  const structures::CellParameters& c = st.cell;
  out["cell"] = {{"a", c.a}, {"b", c.b}, {"c", c.c},
                 {"alpha", c.alpha}, {"beta", c.beta}, {"gamma", c.gamma}};
  out["probe"] = s.probe == structures::Probe::kNeutron ? "neutron" : "x-ray";
  out["wavelength"] = s.wavelength;
  Json rows = Json::array();
  for (const structures::PowderReflection& x : r.reflections) {
    rows.push_back({{"h", x.h},
                    {"k", x.k},
                    {"l", x.l},
                    {"multiplicity", x.multiplicity},
                    {"d", x.d},
                    {"twoTheta", x.twoTheta},
                    {"fSquared", x.fSquared},
                    {"intensity", x.intensity}});
  }
  out["reflections"] = std::move(rows);
  PrintJson(out);
}

}  // namespace

int RunPhase(const std::vector<std::string>& args) {
  const std::optional<ParsedOptions> parsed =
      ParseOptions(args, {{"--block", 1},
                          {"--wavelength", 1},
                          {"--neutron", 0},
                          {"--range", 2},
                          {"--monochromator", 1},
                          {"--json", 0}});
  if (!parsed || parsed->positional.size() != 1 || !parsed->Has("--wavelength"))
    return UsageError("phase");
  structures::PowderSettings settings;
  if (!OptionNumber(*parsed, "--wavelength", 0, settings.wavelength)) return 2;
  if (!(settings.wavelength > 0.0)) {
    std::fprintf(stderr, "--wavelength must be above 0\n");
    return 2;
  }
  if (parsed->Has("--range")) {
    if (!OptionNumber(*parsed, "--range", 0, settings.twoThetaMin) ||
        !OptionNumber(*parsed, "--range", 1, settings.twoThetaMax))
      return 2;
    if (!(settings.twoThetaMax > settings.twoThetaMin)) {
      std::fprintf(stderr, "--range: B must be above A\n");
      return 2;
    }
  }
  if (parsed->Has("--monochromator") &&
      !OptionNumber(*parsed, "--monochromator", 0, settings.monochromatorTwoTheta))
    return 2;
  if (parsed->Has("--neutron")) settings.probe = structures::Probe::kNeutron;

  const std::string block = parsed->Has("--block") ? parsed->Value("--block") : "";
  const structures::StructureRead read =
      structures::ReadStructureFile(parsed->positional[0], block);
  if (!read.ok) {
    std::fprintf(stderr, "%s: %s\n", parsed->positional[0].c_str(), read.error.c_str());
    return 1;
  }
  const structures::PowderReflections r =
      structures::ComputePowderReflections(read.structure, settings);
  if (!r.ok) {
    std::fprintf(stderr, "%s: %s\n", parsed->positional[0].c_str(), r.error.c_str());
    return 1;
  }
  if (parsed->Has("--json")) {
    PrintPhaseJson(parsed->positional[0], read.structure, settings, r);
  } else {
    PrintText(read.structure, settings, r);
  }
  return 0;
}

}  // namespace difscop::cli
