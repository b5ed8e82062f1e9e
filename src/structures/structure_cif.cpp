// Structure CIFs through gemmi's CIF parser and space-group tables. The
// symmetry comes from the listed operations when there are any (they fix the
// setting and origin), else from the Hall symbol, the Hermann-Mauguin symbol
// or the table number, in that order.
#include <gemmi/cif.hpp>
#include <gemmi/numb.hpp>
#include <gemmi/small.hpp>
#include <gemmi/symmetry.hpp>
#include <gemmi/unitcell.hpp>

#include <algorithm>
#include <cmath>
#include <optional>

#include "structures/crystal_structure.h"
#include "textio/line_reader.h"

namespace difscop::structures {
namespace {

namespace cif = gemmi::cif;

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// The first of the tags that holds a value other than ? or . (unquoted).
std::optional<std::string> FirstValue(cif::Block& block,
                                      std::initializer_list<const char*> tags) {
  for (const char* tag : tags) {
    const std::string* raw = block.find_value(tag);
    if (raw && !cif::is_null(*raw)) return cif::as_string(*raw);
  }
  return std::nullopt;
}

std::optional<double> NumberOf(cif::Block& block, std::initializer_list<const char*> tags) {
  for (const char* tag : tags) {
    const std::string* raw = block.find_value(tag);
    if (!raw || cif::is_null(*raw)) continue;
    const double v = cif::as_number(*raw);
    if (std::isfinite(v)) return v;
  }
  return std::nullopt;
}

bool HasAtomSites(cif::Block& block) {
  return block.find_values("_atom_site_fract_x").length() > 0;
}

// The cell lengths are required; an angle left out is 90 degrees, the
// dictionary's default.
std::optional<CellParameters> ReadCell(cif::Block& block) {
  CellParameters cell;
  auto a = NumberOf(block, {"_cell_length_a", "_cell.length_a"});
  auto b = NumberOf(block, {"_cell_length_b", "_cell.length_b"});
  auto c = NumberOf(block, {"_cell_length_c", "_cell.length_c"});
  if (!a || !b || !c) return std::nullopt;
  cell.a = *a;
  cell.b = *b;
  cell.c = *c;
  cell.alpha = NumberOf(block, {"_cell_angle_alpha", "_cell.angle_alpha"}).value_or(90.0);
  cell.beta = NumberOf(block, {"_cell_angle_beta", "_cell.angle_beta"}).value_or(90.0);
  cell.gamma = NumberOf(block, {"_cell_angle_gamma", "_cell.angle_gamma"}).value_or(90.0);
  return cell;
}

bool ValidCell(const CellParameters& c) {
  for (double v : {c.a, c.b, c.c}) {
    if (!(v > 0.0) || !std::isfinite(v)) return false;
  }
  for (double v : {c.alpha, c.beta, c.gamma}) {
    if (!(v > 0.0 && v < 180.0)) return false;
  }
  // Angles that close the cell flat (or nearly) leave no volume.
  const gemmi::UnitCell cell(c.a, c.b, c.c, c.alpha, c.beta, c.gamma);
  return std::isfinite(cell.volume) && cell.volume > 1e-3 * c.a * c.b * c.c;
}

struct Symmetry {
  gemmi::GroupOps ops;
  std::string written;  // the symbol the file gives, for a group gemmi does not tabulate
};

// The listed operations, completed to a group (some files list only the
// coset representatives of a centred group, or generators).
std::optional<gemmi::GroupOps> OpsFromList(cif::Block& block, std::string& error) {
  for (const char* tag :
       {"_space_group_symop_operation_xyz", "_symmetry_equiv_pos_as_xyz",
        "_space_group_symop.operation_xyz", "_symmetry_equiv.pos_as_xyz"}) {
    cif::Column column = block.find_values(tag);
    if (column.length() == 0) continue;
    // The identity first, each operation once (gemmi takes a repeated
    // identity for a centring).
    std::vector<gemmi::Op> list{gemmi::Op::identity()};
    for (const std::string& raw : column) {
      const std::string triplet = cif::as_string(raw);
      try {
        const gemmi::Op op = gemmi::parse_triplet(triplet).wrap();
        if (std::find(list.begin(), list.end(), op) == list.end()) list.push_back(op);
      } catch (const std::exception&) {
        error = "Symmetry operation \"" + triplet + "\" cannot be read";
        return std::nullopt;
      }
    }
    try {
      gemmi::GroupOps ops = gemmi::split_centering_vectors(list);
      ops.add_missing_elements();
      return ops;
    } catch (const std::exception&) {
      error = "The symmetry operations do not make a space group";
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::optional<Symmetry> ReadSymmetry(cif::Block& block, const CellParameters* cell,
                                     std::string& error) {
  Symmetry sym;
  sym.written = FirstValue(block, {"_space_group_name_H-M_alt", "_symmetry_space_group_name_H-M",
                                   "_space_group.name_H-M_alt"})
                    .value_or("");
  if (auto ops = OpsFromList(block, error)) {
    sym.ops = std::move(*ops);
    return sym;
  }
  if (!error.empty()) return std::nullopt;
  if (auto hall = FirstValue(block, {"_space_group_name_Hall", "_symmetry_space_group_name_Hall",
                                     "_space_group.name_Hall"})) {
    try {
      sym.ops = gemmi::symops_from_hall(hall->c_str());
      if (sym.written.empty()) sym.written = *hall;
      return sym;
    } catch (const std::exception&) {
      error = "Hall symbol \"" + *hall + "\" cannot be read";
      return std::nullopt;
    }
  }
  if (!sym.written.empty()) {
    // The cell's angles tell a rhombohedral setting from a hexagonal one.
    const gemmi::SpaceGroup* sg =
        cell ? gemmi::find_spacegroup_by_name(sym.written, cell->alpha, cell->gamma)
             : gemmi::find_spacegroup_by_name(sym.written);
    if (!sg) {
      error = "Space group \"" + sym.written + "\" is not known";
      return std::nullopt;
    }
    sym.ops = sg->operations();
    return sym;
  }
  if (auto number = NumberOf(block, {"_space_group_IT_number", "_symmetry_Int_Tables_number",
                                     "_space_group.IT_number"})) {
    const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_number(static_cast<int>(*number));
    if (!sg) {
      error = "Space group number " + std::to_string(static_cast<int>(*number)) + " is not known";
      return std::nullopt;
    }
    sym.ops = sg->operations();
    return sym;
  }
  return std::nullopt;
}

std::optional<double> Number(const std::string& raw) {
  if (cif::is_null(raw)) return std::nullopt;
  const double v = cif::as_number(raw);
  return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

constexpr double kEightPiSquared = 78.956835208714864;  // 8 pi²
// Far beyond any real displacement (B of 800 Å²): larger values are damage.
constexpr double kLargestU = 10.0;

// Atom sites with their displacement parameters; false with a message for
// a site that cannot be used.
bool ReadSites(cif::Block& block, std::vector<AtomSite>& sites, std::string& error) {
  cif::Block& b = block;
  enum { kX, kY, kZ, kLabel, kType, kOcc, kU, kB, kAdp, kThermal, kCalc };
  cif::Table table = b.find("_atom_site_", {"fract_x", "fract_y", "fract_z", "?label",
                                            "?type_symbol", "?occupancy", "?U_iso_or_equiv",
                                            "?B_iso_or_equiv", "?adp_type",
                                            "?thermal_displace_type", "?calc_flag"});
  int row_number = 0;
  for (auto row : table) {
    ++row_number;
    AtomSite site;
    site.label = row.has2(kLabel) ? row.str(kLabel) : "site " + std::to_string(row_number);
    if (row.has2(kCalc) && SameName(row.str(kCalc), "dum")) continue;
    site.typeSymbol = row.has2(kType) ? row.str(kType) : site.label;
    auto x = Number(row[kX]), y = Number(row[kY]), z = Number(row[kZ]);
    if (!x || !y || !z) {
      error = "Atom site " + site.label + " has no fractional coordinates";
      return false;
    }
    site.x = *x;
    site.y = *y;
    site.z = *z;
    gemmi::SmallStructure::Site parsed;
    gemmi::split_element_and_charge(site.typeSymbol, &parsed);
    if (parsed.element == gemmi::El::X) {
      error = "Atom site " + site.label + " has an unknown element (\"" + site.typeSymbol + "\")";
      return false;
    }
    site.atomicNumber = parsed.element.atomic_number();
    site.element = parsed.element.name();
    site.charge = parsed.charge;
    if (row.has2(kOcc)) site.occupancy = Number(row[kOcc]).value_or(1.0);
    if (row.has2(kU)) {
      site.uIso = Number(row[kU]).value_or(0.0);
    } else if (row.has2(kB)) {
      site.uIso = Number(row[kB]).value_or(0.0) / kEightPiSquared;
    }
    if (!std::isfinite(site.occupancy) || std::fabs(site.uIso) > kLargestU) {
      error = "Atom site " + site.label + " has an impossible occupancy or displacement";
      return false;
    }
    std::string adp = row.has2(kAdp) ? row.str(kAdp) : row.has2(kThermal) ? row.str(kThermal) : "";
    site.isotropicOnly = SameName(adp, "Uiso") || SameName(adp, "Biso");
    sites.push_back(std::move(site));
  }

  // Anisotropic parameters, as U or as B.
  for (const char* kind : {"U", "B"}) {
    const std::string k = kind;
    cif::Table aniso = b.find("_atom_site_aniso_", {"label", k + "_11", k + "_22", k + "_33",
                                                    k + "_12", k + "_13", k + "_23"});
    const double divisor = k == "B" ? kEightPiSquared : 1.0;
    for (auto row : aniso) {
      const std::string label = row.str(0);
      for (AtomSite& site : sites) {
        if (site.label != label || site.isotropicOnly) continue;
        std::array<double, 6> u{};
        bool all = true;
        for (int i = 0; i < 6; ++i) {
          auto v = Number(row[i + 1]);
          all = all && v.has_value();
          u[i] = v.value_or(0.0) / divisor;
        }
        if (!all) continue;
        if (std::any_of(u.begin(), u.end(), [](double v) { return std::fabs(v) > kLargestU; })) {
          error = "Atom site " + site.label + " has an impossible displacement";
          return false;
        }
        site.anisotropic = true;
        site.uAniso = u;
      }
    }
  }
  return true;
}

// The triplets of every operation, identity first.
std::vector<std::string> Triplets(const gemmi::GroupOps& ops) {
  std::vector<std::string> out;
  for (const gemmi::Op::Tran& cen : ops.cen_ops) {
    for (const gemmi::Op& op : ops.sym_ops) out.push_back(op.add_centering(cen).triplet());
  }
  return out;
}

std::string PhaseName(cif::Block& block) {
  return FirstValue(block, {"_chemical_name_mineral", "_chemical_name_common", "_pd_phase_name",
                            "_chemical_formula_sum"})
      .value_or(block.name);
}

StructureRead ReadBlock(cif::Block& block) {
  StructureRead result;
  CrystalStructure& st = result.structure;
  st.blockName = block.name;
  st.phaseName = PhaseName(block);

  std::vector<std::string> missing;
  const auto cell = ReadCell(block);
  if (!cell) missing.push_back("no unit cell (_cell_length_a, _b, _c)");
  std::string symmetryError;
  const auto symmetry = ReadSymmetry(block, cell ? &*cell : nullptr, symmetryError);
  if (!symmetry && symmetryError.empty())
    missing.push_back("no space group or symmetry operations");
  if (!HasAtomSites(block)) missing.push_back("no atom sites (_atom_site_fract_x, _y, _z)");
  if (!missing.empty()) {
    result.error = "No crystal structure in data block " + block.name + ": ";
    for (std::size_t i = 0; i < missing.size(); ++i) result.error += (i ? ", " : "") + missing[i];
    return result;
  }
  if (!symmetry) {
    result.error = symmetryError + " (data block " + block.name + ")";
    return result;
  }
  if (!ValidCell(*cell)) {
    result.error = "The unit cell of data block " + block.name + " is not a possible cell";
    return result;
  }
  st.cell = *cell;
  st.symmetryOperations = Triplets(symmetry->ops);
  const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_ops(symmetry->ops);
  st.spaceGroup = sg ? sg->xhm() : symmetry->written;
  if (!ReadSites(block, st.sites, result.error)) {
    result.error += " (data block " + block.name + ")";
    return result;
  }
  if (st.sites.empty()) {
    result.error = "No crystal structure in data block " + block.name + ": no atom sites";
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace

StructureRead ReadStructureCif(const std::string& text, const std::string& blockName) {
  StructureRead result;
  cif::Document doc;
  try {
    doc = cif::read_memory(text.data(), text.size(), "CIF");
  } catch (const std::exception& e) {
    result.error = std::string("Not a readable CIF: ") + e.what();
    return result;
  }
  if (doc.blocks.empty()) {
    result.error = "The CIF holds no data block";
    return result;
  }
  if (!blockName.empty()) {
    for (cif::Block& block : doc.blocks) {
      if (SameName(block.name, blockName)) return ReadBlock(block);
    }
    result.error = "No data block " + blockName + " in the CIF; its blocks:";
    for (cif::Block& block : doc.blocks) result.error += " " + block.name;
    return result;
  }
  for (cif::Block& block : doc.blocks) {
    if (HasAtomSites(block)) return ReadBlock(block);
  }
  // Nothing with atoms: the first block with a cell says what else is missing.
  for (cif::Block& block : doc.blocks) {
    if (ReadCell(block)) return ReadBlock(block);
  }
  return ReadBlock(doc.blocks.front());
}

StructureRead ReadStructureFile(const std::filesystem::path& path, const std::string& blockName) {
  std::string reason;
  auto text = textio::ReadWholeFile(path, &reason);
  if (!text) {
    StructureRead result;
    result.error = "Cannot read " + path.string() + ": " + reason;
    return result;
  }
  return ReadStructureCif(*text, blockName);
}

std::vector<StructureBlock> StructureBlocks(const std::filesystem::path& path) {
  std::vector<StructureBlock> names;
  auto text = textio::ReadWholeFile(path);
  if (!text) return names;
  try {
    cif::Document doc = cif::read_memory(text->data(), text->size(), "CIF");
    for (cif::Block& block : doc.blocks) {
      if (HasAtomSites(block)) names.push_back({block.name, PhaseName(block)});
    }
  } catch (const std::exception&) {
    names.clear();
  }
  return names;
}

}  // namespace difscop::structures
