// Powder reflections of a structure with 100 atoms in the asymmetric unit
// (P 1 21/c 1, 400 atoms in a cell of 7700 Å³, a fifth of them anisotropic)
// to 150 degrees at Cu Ka1: about 15000 unique reflections.
// Reflections/100atoms: the whole calculation (generation, absences, forms,
// |F|² with f' and f'', Lorentz-polarisation) against gemmi's direct
// structure-factor sum over the same reflections with the same atoms.
// Reflections/limit: the same calculation against its 100 ms limit.
#include <benchmark/benchmark.h>
#include <gemmi/it92.hpp>
#include <gemmi/sfcalc.hpp>

#include <cstdio>
#include <random>
#include <string>

#include "paired.h"
#include "structures/crystal_structure.h"
#include "structures/powder_reflections.h"

namespace {

namespace bench = difscop::bench;
namespace structures = difscop::structures;

// Atoms at random general positions, as a CIF the program reads.
std::string HundredAtomCif() {
  std::mt19937 random(31);
  std::uniform_real_distribution<double> coordinate(0.0, 1.0), u(0.01, 0.03);
  const char* elements[] = {"C", "C", "C", "N", "O", "O", "S", "Cl", "Fe", "Cu"};
  std::string cif =
      "data_bench\n_cell_length_a 15.0\n_cell_length_b 20.0\n_cell_length_c 26.0\n"
      "_cell_angle_beta 100.0\n_symmetry_space_group_name_H-M 'P 1 21/c 1'\n"
      "loop_ _atom_site_label _atom_site_type_symbol _atom_site_fract_x _atom_site_fract_y "
      "_atom_site_fract_z _atom_site_U_iso_or_equiv\n";
  std::string aniso = "loop_ _atom_site_aniso_label _atom_site_aniso_U_11 _atom_site_aniso_U_22 "
                      "_atom_site_aniso_U_33 _atom_site_aniso_U_12 _atom_site_aniso_U_13 "
                      "_atom_site_aniso_U_23\n";
  char line[200];
  for (int i = 0; i < 100; ++i) {
    const double x = coordinate(random), y = coordinate(random), z = coordinate(random);
    const double uIso = u(random);
    std::snprintf(line, sizeof line, "A%d %s %.5f %.5f %.5f %.4f\n", i, elements[i % 10], x, y, z,
                  uIso);
    cif += line;
    if (i % 5 == 0) {
      std::snprintf(line, sizeof line, "A%d %.4f %.4f %.4f 0.002 -0.001 0.001\n", i, uIso,
                    1.2 * uIso, 0.8 * uIso);
      aniso += line;
    }
  }
  return cif + aniso;
}

structures::PowderSettings CuTo150() {
  structures::PowderSettings settings;
  settings.wavelength = 1.540593;
  settings.twoThetaMax = 150.0;
  return settings;
}

// The same atoms for gemmi's calculator, whose sum runs over every
// operation with sin and cos for each.
gemmi::SmallStructure ForGemmi(const structures::CrystalStructure& st) {
  gemmi::SmallStructure small;
  const auto& c = st.cell;
  small.cell.set(c.a, c.b, c.c, c.alpha, c.beta, c.gamma);
  small.spacegroup_hm = "P 1 21/c 1";
  for (const structures::AtomSite& s : st.sites) {
    gemmi::SmallStructure::Site site;
    site.label = s.label;
    site.fract = gemmi::Fractional(s.x, s.y, s.z);
    site.occ = s.occupancy;
    site.u_iso = s.uIso;
    site.element = gemmi::Element(s.element);
    if (s.anisotropic) {
      const auto& u = s.uAniso;
      site.aniso = {u[0], u[1], u[2], u[3], u[4], u[5]};
    }
    small.sites.push_back(site);
  }
  small.setup_cell_images();
  return small;
}

void Reflections100Atoms(benchmark::State& state) {
  const structures::StructureRead read = structures::ReadStructureCif(HundredAtomCif());
  if (!read.ok) return state.SkipWithError(read.error.c_str());
  const structures::PowderSettings settings = CuTo150();
  const structures::PowderReflections first =
      structures::ComputePowderReflections(read.structure, settings);
  if (first.reflections.size() < 10000) return state.SkipWithError("too few reflections");
  const gemmi::SmallStructure small = ForGemmi(read.structure);
  gemmi::StructureFactorCalculator<gemmi::IT92<double>> calculator(small.cell);
  bench::RunPairs(
      state, bench::Ratio::kSlower, "<= 1",
      [&] {
        auto r = structures::ComputePowderReflections(read.structure, settings);
        benchmark::DoNotOptimize(r.reflections.data());
      },
      [&] {
        double sum = 0;
        for (const structures::PowderReflection& r : first.reflections)
          sum += std::norm(calculator.calculate_sf_from_small_structure(small, {r.h, r.k, r.l}));
        benchmark::DoNotOptimize(sum);
      });
  state.counters["reflections"] = static_cast<double>(first.reflections.size());
}
BENCHMARK(Reflections100Atoms)->Name("Reflections/100atoms")->Iterations(7)->Unit(benchmark::kMillisecond);

void ReflectionsLimit(benchmark::State& state) {
  const structures::StructureRead read = structures::ReadStructureCif(HundredAtomCif());
  if (!read.ok) return state.SkipWithError(read.error.c_str());
  const structures::PowderSettings settings = CuTo150();
  bench::RunAgainstLimit(state, 100.0, [&] {
    auto r = structures::ComputePowderReflections(read.structure, settings);
    benchmark::DoNotOptimize(r.reflections.data());
  });
}
BENCHMARK(ReflectionsLimit)->Name("Reflections/limit")->Iterations(7)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
