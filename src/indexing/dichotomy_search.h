// One small piece of the dichotomy search: one crystal system, one centring,
// one count of spurious lines and one slice of cell volumes. The only door to
// the crystallographic library; what it prints goes to standard output.
#pragma once

#include <vector>

#include "indexing/lattice.h"

namespace difscop::indexing {

struct SliceRequest {
  CrystalSystem system = CrystalSystem::Cubic;
  Centring centring = 'P';
  int spurious = 0;
  double volumeMin = 0, volumeMax = 0;  // cubic angstroms
  double lengthMin = 2, lengthMax = 25;  // angstroms
  double angleMax = 130;                 // degrees, monoclinic and triclinic
  std::vector<double> dSpacings;         // angstroms, descending
  std::vector<double> dStarError;        // full width of each line's 1/d window
};

struct SliceSolution {
  Cell cell;
  double score = 0;
};

// The solutions found, best first.
std::vector<SliceSolution> SearchSlice(const SliceRequest& request);

// The expected volume of a cell giving lineCount lines between 1/d values
// dStarLow and dStarHigh when a fraction observed of its lines is seen.
double EstimatedVolume(double dStarLow, double dStarHigh, int lineCount, CrystalSystem system,
                       Centring centring, double observed);

}  // namespace difscop::indexing
