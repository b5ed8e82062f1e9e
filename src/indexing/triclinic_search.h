// Triclinic cells through the crystallographic library's dichotomy search,
// run in a child process: a cancel ends it at once whatever the library is
// doing, and what the library prints never reaches this program's output.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include "indexing/lattice.h"

namespace difscop::indexing {

struct TriclinicSearch {
  std::vector<double> twoTheta;  // ascending, degrees
  double wavelength = 1.540593;
  double tolerance = 0.03;       // degrees 2theta
  int spurious = 0;
  double lengthMax = 25, volumeMin = 0, volumeMax = 0;
};

enum class TriclinicStatus { Done, Cancelled, Failed };

// found is called with each cell as the child reports it, tick about every
// 50 ms; cancel ends the child.
TriclinicStatus SearchTriclinic(const TriclinicSearch& search, const std::atomic<bool>* cancel,
                                const std::function<void(const Cell&)>& found,
                                const std::function<void()>& tick);

}  // namespace difscop::indexing
