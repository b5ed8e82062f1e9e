// A crystal structure as a structure CIF gives it: the cell, the whole
// symmetry group, and the atom sites of the asymmetric unit.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace difscop::structures {

struct CellParameters {
  double a = 0.0, b = 0.0, c = 0.0;             // Å
  double alpha = 90.0, beta = 90.0, gamma = 90.0;  // degrees
};

struct AtomSite {
  std::string label;
  std::string typeSymbol;  // as written ("O2-", "Al3+", "AL"), the label when absent
  std::string element;  // the element's symbol ("D" stays deuterium)
  int atomicNumber = 0;
  int charge = 0;
  double x = 0.0, y = 0.0, z = 0.0;  // fractional
  double occupancy = 1.0;
  double uIso = 0.0;  // Å²; a B given in the file is divided by 8 pi²
  bool isotropicOnly = false;  // the file calls it Uiso or Biso: aniso rows are ignored
  bool anisotropic = false;
  std::array<double, 6> uAniso{};  // U11 U22 U33 U12 U13 U23, Å²
};

struct CrystalStructure {
  std::string blockName;
  std::string phaseName;  // the file's phase or mineral name, else the block name
  CellParameters cell;
  // The group's name: the Hermann-Mauguin symbol of the tabulated group the
  // operations make, else the symbol as written.
  std::string spaceGroup;
  // Every operation of the group, lattice centrings included, as x,y,z
  // triplets; the first is the identity.
  std::vector<std::string> symmetryOperations;
  std::vector<AtomSite> sites;
};

struct StructureRead {
  bool ok = false;
  std::string error;  // why the file gives no usable structure
  CrystalStructure structure;
};

// Reads the named data block (the name after "data_", any case), or without
// a name the first block with atom sites. A block without a cell, without a
// space group or symmetry operations, or without atom sites is refused with
// a message that names each thing missing.
StructureRead ReadStructureCif(const std::string& text, const std::string& blockName = {});
StructureRead ReadStructureFile(const std::filesystem::path& path,
                                const std::string& blockName = {});

// A block of a CIF that holds atom sites: its name and the phase's name as
// a reference phase would be called (the block's name when it gives none).
struct StructureBlock {
  std::string name;
  std::string phaseName;
};

// The blocks of a CIF that hold atom sites, in file order; none for a file
// that cannot be read.
std::vector<StructureBlock> StructureBlocks(const std::filesystem::path& path);

}  // namespace difscop::structures
