// One description per lattice: conventional cells in the standard setting,
// and the test that two cells (of any setting or system) are one lattice.
#pragma once

#include "indexing/lattice.h"

namespace difscop::indexing {

// The conventional cell of a lattice of the system in its standard setting:
// orthorhombic P, I, F with a <= b <= c and C with a <= b; monoclinic with b
// unique and beta >= 90 as near 90 as the centring allows (a <= c when
// primitive); the others as they are (rhombohedral on hexagonal axes).
Cell StandardCell(const Cell& cell, CrystalSystem system, Centring centring);

// Whether the two cells describe one lattice: their Niggli-reduced primitive
// cells agree within a relative tolerance.
bool SameLattice(const Cell& x, Centring cx, const Cell& y, Centring cy, double tolerance = 5e-3);

}  // namespace difscop::indexing
