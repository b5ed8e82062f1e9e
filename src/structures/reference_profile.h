// The calculated pattern of reference phases over a measured one: each
// phase's reflections broadened with a pseudo-Voigt of one width, and one
// scale per phase (with a flat background) fitted to the measurement by
// linear least squares.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "structures/powder_reflections.h"

namespace difscop::structures {

struct ProfileShape {
  double fwhm = 0.1;  // degrees 2theta
  double eta = 0.5;   // Lorentzian fraction, 0 (Gaussian) to 1
};

// Sum over the reflections of intensity x the unit-area pseudo-Voigt at
// each x (degrees 2theta); peaks are cut 30 widths from their centre.
std::vector<double> PhaseProfile(const std::vector<PowderReflection>& reflections,
                                 std::span<const double> x, const ProfileShape& shape);

struct PhaseScaleFit {
  bool ok = false;
  std::string error;
  std::vector<double> scales;  // one per phase, never negative
  double background = 0.0;     // the flat level
  double rwp = 0.0;            // sqrt(sum (y - fit)² / sum y²), unweighted
};

// Fits y = background + sum_p scale_p profiles[p] over the points. A phase
// whose scale comes out negative is taken out (scale 0) and the rest fitted
// again. Refused: sizes that differ, fewer points than unknowns, a phase
// without any intensity over the points.
PhaseScaleFit FitPhaseScales(std::span<const double> y,
                             const std::vector<std::vector<double>>& profiles);

}  // namespace difscop::structures
