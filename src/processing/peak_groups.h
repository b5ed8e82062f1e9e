// Starting values of the profile fit, read off the pattern, and the groups
// of overlapping peaks fitted together.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "processing/profile_fit.h"

namespace difscop::processing {

struct PeakStart {
  double centre = 0.0;  // Ka1 2theta
  double height = 0.0;  // above the background
  double fwhm = 0.0;
  double area = 0.0;    // of the Ka1 line
  SideParameters side;  // both sides alike
  std::size_t point = 0;
  double reachFrom = 0.0, reachTo = 0.0;  // where the peak (doublet) has weight
};

// The starting values of the peaks at positions, in their order; a
// position outside the range or the data, on the point of an earlier one,
// or (with Ka2) on the Ka2 line of a higher peak is left out. under is the
// background the heights are measured from.
std::vector<PeakStart> EstimatePeaks(std::span<const double> x, std::span<const double> y,
                                     std::span<const double> under,
                                     std::span<const double> positions,
                                     const ProfileOptions& options);

// One fit: peaks (indices into the starts, ascending in 2theta), of which
// [coreBegin, coreEnd) are reported from it; the others are neighbours that
// reach into its points. Points firstPoint .. lastPoint; background the
// starting a + b (x - centre of the points).
struct PeakGroup {
  std::vector<int> peaks;
  std::size_t coreBegin = 0, coreEnd = 0;
  std::size_t firstPoint = 0, lastPoint = 0;
  double background[2] = {0.0, 0.0};
};

std::vector<PeakGroup> GroupPeaks(std::span<const double> x, std::span<const double> under,
                                  const std::vector<PeakStart>& starts,
                                  const ProfileOptions& options);

}  // namespace difscop::processing
