// The dichotomy search for the cells of one crystal system and centring that
// index a list of lines: boxes of reciprocal-metric parameters (and of the
// zero offset) are halved until each line's window is hit by some reflection
// of every cell in the box, or too many lines miss. Runs on several threads.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include "indexing/lattice.h"

namespace difscop::indexing {

struct LatticeSearch {
  CrystalSystem system = CrystalSystem::Cubic;  // cubic to monoclinic
  Centring centring = 'P';
  std::vector<double> twoTheta;  // ascending, degrees
  double wavelength = 1.540593;
  double tolerance = 0.03;       // degrees 2theta a line may lie off its reflection
  double zeroMin = 0, zeroMax = 0;  // the zero offsets tried (observed = true + zero)
  int spurious = 0;                 // lines that may be left unindexed
  double lengthMin = 2.5, lengthMax = 25;  // edges of the conventional cell, angstroms
  double volumeMin = 0, volumeMax = 0;     // conventional cell, cubic angstroms
  double betaMax = 125;                    // monoclinic, degrees
};

struct FoundLattice {
  ReciprocalMetric metric;  // conventional axes
  double zero = 0;
  int unindexed = 0;
};

struct SearchControl {
  const std::atomic<bool>* cancel = nullptr;  // ends the search within a few milliseconds
  int threads = 2;
  // Called on the calling thread about every 50 ms while the search runs.
  std::function<void()> tick;
  std::atomic<long long> boxesTested{0};
};

// Calls found, one call at a time, for each lattice as it is found; returns
// them all. A cancelled search returns what it found until then.
std::vector<FoundLattice> SearchLattices(const LatticeSearch& search, SearchControl& control,
                                         const std::function<void(const FoundLattice&)>& found = {});

}  // namespace difscop::indexing
