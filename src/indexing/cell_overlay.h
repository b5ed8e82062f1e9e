// The reflections of an indexed cell over its pattern: one stick per
// distinct line the lattice allows, where the pattern would show it (the
// zero offset and displacement applied), drawn as a reference phase is.
#pragma once

#include <string>

#include "indexing/cell_refinement.h"
#include "workspace/workspace.h"

namespace difscop::indexing {

// The cell as the plot's legend names it: "orthorhombic P 8.480 5.398 6.958"
// (the angles the system leaves free follow).
std::string CellLegendName(const Cell& cell, CrystalSystem system, Centring centring);

// The lines of cell within the pattern's measured points and drawing range,
// at wavelength, each reaching the highest measured point within 0.05
// degrees (at least a step) of it (0 where there is none): a line the
// pattern shows meets its peak, one it lacks stays at the background.
workspace::ReferenceOverlay CellOverlay(const workspace::Pattern& pattern, float xMin, float xMax,
                                        const Cell& cell, CrystalSystem system, Centring centring,
                                        const Corrections& corrections, double wavelength);

}  // namespace difscop::indexing
