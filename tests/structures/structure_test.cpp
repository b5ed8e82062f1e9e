// Reading structure CIFs and the reflections of small structures whose
// patterns are known by hand: rutile's first lines, rock salt's |F|² from
// its two scattering lengths.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "structures/crystal_structure.h"
#include "structures/powder_reflections.h"

namespace difscop::structures {
namespace {

const std::string kReal = DIFSCOP_SOURCE_DIR "/tests/data/real/";

const std::string kRutileAtoms =
    "_cell_length_a 4.5937\n_cell_length_b 4.5937\n_cell_length_c 2.9587\n"
    "loop_ _atom_site_label _atom_site_type_symbol _atom_site_fract_x _atom_site_fract_y\n"
    "_atom_site_fract_z _atom_site_U_iso_or_equiv\n"
    "Ti1 Ti 0 0 0 0.006\nO1 O 0.30479 0.30479 0 0.007\n";

// Rutile with its symmetry given each way a file may give it.
std::vector<std::pair<std::string, std::string>> RutileSymmetries() {
  std::string all = "loop_ _space_group_symop_operation_xyz\n";
  for (const char* op : {"x,y,z", "-x,-y,z", "-y+1/2,x+1/2,z+1/2", "y+1/2,-x+1/2,z+1/2",
                         "-x+1/2,y+1/2,-z+1/2", "x+1/2,-y+1/2,-z+1/2", "y,x,-z", "-y,-x,-z",
                         "-x,-y,-z", "x,y,-z", "y+1/2,-x+1/2,-z+1/2", "-y+1/2,x+1/2,-z+1/2",
                         "x+1/2,-y+1/2,z+1/2", "-x+1/2,y+1/2,z+1/2", "-y,-x,z", "y,x,z"})
    all += std::string("'") + op + "'\n";
  return {
      {"operations", all},
      {"generators", "loop_ _symmetry_equiv_pos_as_xyz\n-y+1/2,x+1/2,z+1/2\ny,x,-z\n-x,-y,-z\n"},
      {"Hall", "_space_group_name_Hall '-P 4n 2n'\n"},
      {"H-M", "_symmetry_space_group_name_H-M 'P 42/m n m'\n"},
      {"number", "_space_group_IT_number 136\n"},
  };
}

PowderSettings Cu(double twoThetaMax = 180.0) {
  PowderSettings s;
  s.wavelength = 1.540593;
  s.twoThetaMax = twoThetaMax;
  return s;
}

using Row = std::tuple<int, int, int, int, double>;  // h k l multiplicity |F|²

std::vector<Row> Rows(const PowderReflections& r) {
  std::vector<Row> rows;
  for (const PowderReflection& x : r.reflections)
    rows.emplace_back(x.h, x.k, x.l, x.multiplicity, std::round(x.fSquared * 1e6) / 1e6);
  return rows;
}

TEST(StructureCif, EverySourceOfSymmetryGivesTheSameGroup) {
  std::vector<Row> reference;
  for (const auto& [how, symmetry] : RutileSymmetries()) {
    SCOPED_TRACE(how);
    const StructureRead read = ReadStructureCif("data_rutile\n" + symmetry + kRutileAtoms);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.structure.symmetryOperations.size(), 16u);
    EXPECT_EQ(read.structure.spaceGroup, "P 42/m n m");
    const PowderReflections r = ComputePowderReflections(read.structure, Cu());
    ASSERT_TRUE(r.ok) << r.error;
    if (reference.empty()) {
      reference = Rows(r);
      // The first lines of rutile at Cu: 110, 101, 200, 111, 210 (100 and
      // 001 are absent).
      const PowderReflections first = ComputePowderReflections(read.structure, Cu(45.0));
      std::vector<std::tuple<int, int, int, int>> lines;
      for (const PowderReflection& x : first.reflections)
        lines.emplace_back(x.h, x.k, x.l, x.multiplicity);
      const std::vector<std::tuple<int, int, int, int>> expected = {
          {1, 1, 0, 4}, {1, 0, 1, 8}, {2, 0, 0, 4}, {1, 1, 1, 8}, {2, 1, 0, 8}};
      EXPECT_EQ(lines, expected);
      ASSERT_FALSE(first.reflections.empty());
      EXPECT_NEAR(first.reflections[0].twoTheta, 27.43, 0.01);
      EXPECT_NEAR(first.reflections[0].d, 4.5937 / std::sqrt(2.0), 1e-9);
    } else {
      EXPECT_EQ(Rows(r), reference);
    }
  }
  EXPECT_GT(reference.size(), 40u);
}

// A triclinic structure written with its centre of symmetry at the origin
// and again at (1/8, 1/8, 1/8): no tabulated setting has the second, and
// its inversion carries a translation, so the other form choice and the
// full complex sum are used. Intensities do not depend on the origin.
TEST(StructureCif, ShiftedOriginGivesTheSameIntensities) {
  auto cif = [](const std::string& inversion, double shift) {
    std::string text =
        "data_p1\n_cell_length_a 5.1\n_cell_length_b 6.3\n_cell_length_c 7.2\n"
        "_cell_angle_alpha 81\n_cell_angle_beta 97\n_cell_angle_gamma 104\n"
        "loop_ _symmetry_equiv_pos_as_xyz\nx,y,z\n" + inversion + "\n" +
        "loop_ _atom_site_label _atom_site_fract_x _atom_site_fract_y _atom_site_fract_z\n";
    const double xyz[][3] = {{0.11, 0.23, 0.37}, {0.61, 0.05, 0.81}, {0.33, 0.71, 0.52}};
    const char* labels[] = {"Fe1", "O1", "Cl1"};
    for (int i = 0; i < 3; ++i) {
      text += std::string(labels[i]) + " " + std::to_string(xyz[i][0] + shift) + " " +
              std::to_string(xyz[i][1] + shift) + " " + std::to_string(xyz[i][2] + shift) + "\n";
    }
    return text;
  };
  const StructureRead origin = ReadStructureCif(cif("-x,-y,-z", 0.0));
  const StructureRead shifted = ReadStructureCif(cif("-x+1/4,-y+1/4,-z+1/4", 0.125));
  ASSERT_TRUE(origin.ok) << origin.error;
  ASSERT_TRUE(shifted.ok) << shifted.error;
  EXPECT_EQ(origin.structure.spaceGroup, "P -1");
  const PowderReflections a = ComputePowderReflections(origin.structure, Cu(90.0));
  const PowderReflections b = ComputePowderReflections(shifted.structure, Cu(90.0));
  ASSERT_TRUE(a.ok && b.ok);
  ASSERT_EQ(a.reflections.size(), b.reflections.size());
  ASSERT_GT(a.reflections.size(), 100u);
  for (std::size_t i = 0; i < a.reflections.size(); ++i) {
    const PowderReflection& x = a.reflections[i];
    const PowderReflection& y = b.reflections[i];
    EXPECT_NEAR(x.d, y.d, 1e-12);
    EXPECT_EQ(x.multiplicity, 2);
    EXPECT_EQ(y.multiplicity, 2);
    EXPECT_NEAR(x.fSquared, y.fSquared, 1e-6 * (1 + x.fSquared)) << x.h << x.k << x.l;
  }
}

// Rock salt (Fm-3m) for neutrons, Na at the origin and Cl at the cube's
// centre: F = 4 (b_Na - b_Cl) for all-odd hkl and 4 (b_Na + b_Cl) for
// all-even, nothing else. The lengths are Neutron News 1992's, in fm.
TEST(Reflections, RockSaltFromItsScatteringLengths) {
  const double bNa = 3.63, bCl = 9.577;
  const std::string head =
      "data_nacl\n_cell_length_a 5.6402\n_cell_length_b 5.6402\n_cell_length_c 5.6402\n"
      "_symmetry_space_group_name_H-M 'F m -3 m'\n";
  auto rockSalt = [&](const std::string& clSite) {
    return head + "loop_ _atom_site_label _atom_site_type_symbol _atom_site_fract_x _atom_site_fract_y "
           "_atom_site_fract_z\nNa1 Na 0 0 0\nCl1 Cl " +
           clSite + "\n";
  };
  PowderSettings neutron;
  neutron.probe = Probe::kNeutron;
  neutron.wavelength = 1.5;
  neutron.twoThetaMax = 100.0;
  const std::vector<std::string> clSites = {"0.5 0.5 0.5", "0 0 0.5", "0.5 0 1"};
  for (const std::string& cl : clSites) {
    SCOPED_TRACE(cl);
    const StructureRead read = ReadStructureCif(rockSalt(cl));
    ASSERT_TRUE(read.ok) << read.error;
    const PowderReflections r = ComputePowderReflections(read.structure, neutron);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_GE(r.reflections.size(), 5u);
    const std::vector<std::tuple<int, int, int, int>> first = {
        {1, 1, 1, 8}, {2, 0, 0, 6}, {2, 2, 0, 12}, {3, 1, 1, 24}, {2, 2, 2, 8}};
    for (std::size_t i = 0; i < first.size(); ++i) {
      const PowderReflection& x = r.reflections[i];
      EXPECT_EQ(std::make_tuple(x.h, x.k, x.l, x.multiplicity), first[i]);
      const bool odd = x.h % 2 != 0;
      const double f = 4 * (odd ? bNa - bCl : bNa + bCl);
      EXPECT_NEAR(x.fSquared, f * f, 1e-6 * f * f);
    }
  }

  // Displacements in each form the files use: the same Debye-Waller factor,
  // exp(-2 B s²) on |F|², for both atoms alike.
  const double u = 0.012, b = 8 * std::numbers::pi * std::numbers::pi * u;
  auto iso = [&](const std::string& tag, double v) {
    const std::string value = " " + std::to_string(v) + "\n";
    return head + "loop_ _atom_site_label _atom_site_fract_x _atom_site_fract_y " +
           "_atom_site_fract_z " + tag + "\nNa1 0 0 0" + value + "Cl1 0.5 0.5 0.5" + value;
  };
  auto aniso = [&](const std::string& kind, double v) {
    std::string text = head + "loop_ _atom_site_label _atom_site_fract_x _atom_site_fract_y " +
                       "_atom_site_fract_z\nNa1 0 0 0\nCl1 0.5 0.5 0.5\nloop_ _atom_site_aniso_label";
    for (const char* ij : {"11", "22", "33", "12", "13", "23"})
      text += " _atom_site_aniso_" + kind + "_" + ij;
    const std::string d = " " + std::to_string(v);
    const std::string row = d + d + d + " 0 0 0\n";
    return text + "\nNa1" + row + "Cl1" + row;
  };
  const std::vector<std::pair<bool, std::string>> forms = {
      {false, iso("_atom_site_U_iso_or_equiv", u)},
      {false, iso("_atom_site_B_iso_or_equiv", b)},
      {true, aniso("U", u)},
      {true, aniso("B", b)}};
  for (const auto& [aniso, text] : forms) {
    SCOPED_TRACE(text);
    const StructureRead read = ReadStructureCif(text);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.structure.sites[0].anisotropic, aniso);
    const PowderReflections r = ComputePowderReflections(read.structure, neutron);
    ASSERT_TRUE(r.ok) << r.error;
    for (const PowderReflection& x : r.reflections) {
      const bool odd = x.h % 2 != 0;
      const double f = 4 * (odd ? bNa - bCl : bNa + bCl);
      const double s2 = 1 / (4 * x.d * x.d);
      EXPECT_NEAR(x.fSquared, f * f * std::exp(-2 * b * s2), 1e-4 * f * f) << x.h << x.k << x.l;
    }
  }
}

TEST(Reflections, RangeZeroShiftCellScaleAndLorentzPolarisation) {
  const StructureRead read =
      ReadStructureCif("data_rutile\n" + RutileSymmetries()[3].second + kRutileAtoms);
  ASSERT_TRUE(read.ok) << read.error;
  PowderSettings s = Cu(60.0);
  s.twoThetaMin = 30.0;
  const PowderReflections plain = ComputePowderReflections(read.structure, s);
  s.zeroShift = 0.2;
  s.cellScale = 1.01;
  const PowderReflections moved = ComputePowderReflections(read.structure, s);
  ASSERT_TRUE(plain.ok && moved.ok);
  ASSERT_FALSE(plain.reflections.empty());
  for (const PowderReflection& x : plain.reflections) {
    EXPECT_GE(x.twoTheta, 30.0);
    EXPECT_LE(x.twoTheta, 60.0);
  }
  EXPECT_EQ(plain.reflections[0].h, 1);  // 101 at 36.1; 110 at 27.4 is left out
  EXPECT_EQ(plain.reflections[0].k, 0);
  for (const PowderReflection& x : moved.reflections) {
    const double d = 1.01 * 4.5937 * 2.9587 /
                     std::sqrt(2.9587 * 2.9587 * (x.h * x.h + x.k * x.k) + 4.5937 * 4.5937 * x.l * x.l);
    EXPECT_NEAR(x.d, d, 1e-9);
    const double theta = std::asin(1.540593 / (2 * d)) * 180 / std::numbers::pi;
    EXPECT_NEAR(x.twoTheta, 2 * theta + 0.2, 1e-9);
  }
  double strongest = 0;
  for (const PowderReflection& x : moved.reflections) strongest = std::max(strongest, x.intensity);
  EXPECT_DOUBLE_EQ(strongest, 100.0);

  // At 2theta 90 the polarisation term is 1 whatever the monochromator;
  // at 60 it is 1 + cos²(2theta_m) / 4.
  PowderSettings mono;
  mono.monochromatorTwoTheta = 26.6;
  const double lorentz90 = 1 / (0.5 * std::sqrt(0.5));
  EXPECT_NEAR(LorentzPolarisation(90.0, mono), lorentz90, 1e-12);
  const double c = std::cos(26.6 * std::numbers::pi / 180);
  EXPECT_NEAR(LorentzPolarisation(60.0, mono), (1 + c * c / 4) / (0.25 * std::sqrt(0.75)), 1e-12);
  mono.probe = Probe::kNeutron;
  EXPECT_NEAR(LorentzPolarisation(60.0, mono), 1 / (0.25 * std::sqrt(0.75)), 1e-12);
}

TEST(StructureCif, RefusesWhatIsNoStructure) {
  const std::string cell = "_cell_length_a 5\n_cell_length_b 5\n_cell_length_c 5\n";
  const std::string group = "_symmetry_space_group_name_H-M 'P 1'\n";
  const std::string atoms = "loop_ _atom_site_label _atom_site_fract_x _atom_site_fract_y "
                            "_atom_site_fract_z\nC1 0 0 0\n";
  struct Case {
    std::string text, block;
    std::vector<std::string> said, notSaid;
  };
  const std::vector<Case> cases = {
      {"data_empty\n_chemical_name_common salt\n", "",
       {"data block empty", "no unit cell", "no space group or symmetry operations", "no atom sites"},
       {}},
      {"data_x\n" + cell + group, "", {"no atom sites"}, {"no unit cell", "no space group"}},
      {"data_x\n" + group + atoms, "", {"no unit cell"}, {"no atom sites", "no space group"}},
      {"data_x\n" + cell + atoms, "", {"no space group or symmetry operations"}, {"no unit cell"}},
      {"data_a\n" + cell + group + atoms + "data_b\n", "c", {"No data block c", " a b"}, {}},
      {"data_x\n" + cell + group + "loop_ _atom_site_label _atom_site_type_symbol "
       "_atom_site_fract_x _atom_site_fract_y _atom_site_fract_z\nQ1 Qq 0 0 0\n",
       "", {"Q1", "unknown element"}, {}},
      {"data_x\n" + cell + "loop_ _symmetry_equiv_pos_as_xyz\nx,y,z\n'x,y,q'\n" + atoms, "",
       {"x,y,q", "cannot be read"}, {}},
      {"data_x\n" + cell + "_symmetry_space_group_name_H-M 'P 7'\n" + atoms, "", {"P 7", "not known"},
       {}},
      {"data_x\n" + cell + "_cell_angle_alpha 120\n_cell_angle_beta 120\n_cell_angle_gamma 120\n" +
           group + atoms,
       "", {"not a possible cell"}, {}},
      {"data_x\n" + cell + group + "loop_ _atom_site_label _atom_site_fract_x "
       "_atom_site_fract_y _atom_site_fract_z\nC1 0 ? 0\n",
       "", {"C1", "no fractional coordinates"}, {}},
      {"data_x\n" + cell + group + atoms + "loop_ _atom_site_aniso_label _atom_site_aniso_U_11 "
       "_atom_site_aniso_U_22 _atom_site_aniso_U_33 _atom_site_aniso_U_12 _atom_site_aniso_U_13 "
       "_atom_site_aniso_U_23\nC1 1e300 1 1 0 0 0\n",
       "", {"C1", "impossible"}, {}},
      {"data_x\n_a ;\n;unterminated\n", "", {"Not a readable CIF"}, {}},
      {"", "", {"no data block"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const StructureRead read = ReadStructureCif(c.text, c.block);
    EXPECT_FALSE(read.ok);
    for (const std::string& s : c.said) EXPECT_NE(read.error.find(s), std::string::npos) << read.error;
    for (const std::string& s : c.notSaid) EXPECT_EQ(read.error.find(s), std::string::npos) << read.error;
  }
  const StructureRead missing = ReadStructureFile(kReal + "no_such_file.cif");
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.error.find("no_such_file.cif"), std::string::npos) << missing.error;
}

// The five-phase file: without a name the first block with atoms, with one
// the named block in any case; the phase name and the ionic type symbols.
TEST(StructureCif, ChoosesTheBlock) {
  const std::string path = kReal + "gsas2_five_phases.cif";
  const StructureRead first = ReadStructureFile(path);
  ASSERT_TRUE(first.ok) << first.error;
  EXPECT_EQ(first.structure.blockName, "QPABAT1ug3_phase_2");
  EXPECT_EQ(first.structure.phaseName, "Albite NaAlSi3O8");
  EXPECT_EQ(first.structure.spaceGroup, "C -1");
  EXPECT_EQ(first.structure.symmetryOperations.size(), 4u);
  ASSERT_EQ(first.structure.sites.size(), 13u);
  EXPECT_EQ(first.structure.sites[0].element, "Al");
  EXPECT_EQ(first.structure.sites[0].charge, 3);
  EXPECT_TRUE(first.structure.sites[4].anisotropic);
  EXPECT_NEAR(first.structure.sites[4].uAniso[5], -0.0219, 1e-12);  // Na1 U23

  const StructureRead quartz = ReadStructureFile(path, "qpabat1ug3_PHASE_1");
  ASSERT_TRUE(quartz.ok) << quartz.error;
  EXPECT_EQ(quartz.structure.phaseName, "Quartz SiO2");
  EXPECT_EQ(quartz.structure.spaceGroup, "P 32 2 1");
  EXPECT_NEAR(quartz.structure.cell.gamma, 120.0, 1e-12);
  const StructureRead pattern = ReadStructureFile(path, "QPABAT1ug3_pwd_0");
  EXPECT_FALSE(pattern.ok);
  EXPECT_NE(pattern.error.find("no atom sites"), std::string::npos) << pattern.error;

  // The blocks offered to choose from: those with atoms, in file order, each
  // with its phase.
  std::string offered;
  for (const StructureBlock& b : StructureBlocks(path))
    offered += b.name.substr(11) + "=" + b.phaseName + ";";
  EXPECT_EQ(offered,
            "phase_2=Albite NaAlSi3O8;phase_0=Pyrite FeS2;phase_3=Pyrrhotite 4M Fe7S8;"
            "phase_1=Quartz SiO2;phase_4=Rutile TiO2;");
  EXPECT_TRUE(StructureBlocks(kReal + "no_such_file.cif").empty());
}

}  // namespace
}  // namespace difscop::structures
