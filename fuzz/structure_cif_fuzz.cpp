// The structure CIF reader over arbitrary bytes; a structure it accepts goes
// on to its reflections over a short range, so that odd cells, symmetry and
// displacements reach the calculation too.
#include <cstddef>
#include <cstdint>
#include <string>

#include "structures/crystal_structure.h"
#include "structures/powder_reflections.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const difscop::structures::StructureRead read = difscop::structures::ReadStructureCif(text);
  if (read.ok) {
    difscop::structures::PowderSettings settings;
    settings.twoThetaMax = 40.0;
    difscop::structures::ComputePowderReflections(read.structure, settings);
  }
  return 0;
}
