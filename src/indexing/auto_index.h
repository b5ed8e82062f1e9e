// Built-in indexing: from observed 2theta values to ranked candidate cells,
// each in its conventional setting with de Wolff's M20 and Smith-Snyder's
// F(N).
//
// The search is libobjcryst's dichotomy, run in child processes (two at a
// time by default), so that a cancel stops it at once whatever the library is
// doing and what the library prints never reaches this program's output. The
// caller's thread waits for them, reports progress and polls the cancel flag;
// a cancelled search keeps the cells found so far.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "indexing/cell_refinement.h"
#include "indexing/lattice.h"

namespace difscop::indexing {

struct IndexOptions {
  int lines = 20;  // the first lines by angle
  std::vector<CrystalSystem> systems = {CrystalSystem::Cubic,       CrystalSystem::Tetragonal,
                                        CrystalSystem::Hexagonal,   CrystalSystem::Rhombohedral,
                                        CrystalSystem::Orthorhombic, CrystalSystem::Monoclinic};
  int maxSpurious = 1;       // lines that may stay unindexed, tried from 0 up to this
  double tolerance = 0.04;   // degrees 2theta a line may lie off its calculated one
  double zeroRange = 0.3;    // zero offsets searched within +-, degrees 2theta; 0: none
  bool displacement = false; // refine a sample displacement (cos theta term) as well
  double lengthMax = 0;      // longest edge, angstroms; 0: from the lines
  double volumeMin = 0;      // cubic angstroms; 0: from the lines
  double volumeMax = 0;
  int threads = 0;           // searches at once; 0: one per core, at most 4
};

struct IndexProgress {
  CrystalSystem system = CrystalSystem::Cubic;
  Centring centring = 'P';
  long long cellsTested = 0;  // as the library counts them
  double bestM20 = 0;
  int solutions = 0;
};

struct IndexSolution {
  CrystalSystem system = CrystalSystem::Cubic;
  Centring centring = 'P';
  Cell cell;  // conventional, standard setting; rhombohedral on hexagonal axes
  Corrections corrections;
  FiguresOfMerit merit;
  std::vector<int> unindexed;  // indices into the lines used
};

struct IndexOutcome {
  enum class Status { Solved, NoSolution, Cancelled, Refused, Failed };
  Status status = Status::NoSolution;
  std::string message;  // for Refused and Failed
  std::vector<IndexSolution> solutions;  // best first; what was found so far when Cancelled
};

inline constexpr int kMinIndexLines = 6;
inline constexpr int kMaxIndexSolutions = 20;
inline constexpr double kMaxZeroRange = 2.0;

// What is wrong with the input, or nullopt. The angles must be ascending and
// distinct.
std::optional<std::string> CheckIndexInput(std::span<const double> twoTheta, double wavelength,
                                           const IndexOptions& options);

// The longest edge searched when none is given: three times the spacing of
// the first line within 10 to 35 angstroms, four times within 12 to 40 for
// the systems of one or two cell parameters.
double DefaultLengthMax(std::span<const double> twoTheta, double wavelength, CrystalSystem system);

// The 2theta tolerance for a pattern measured in steps of stepWidth degrees:
// two steps, within 0.03 to 0.1 degree.
double DefaultTolerance(double stepWidth);

// twoTheta: the observed lines, ascending. progress is called on the calling
// thread; cancel, when set, ends the search within a tenth of a second, and so
// does cancelFd (when not -1) turning readable or closed.
IndexOutcome IndexPeaks(std::span<const double> twoTheta, double wavelength,
                        const IndexOptions& options,
                        const std::function<void(const IndexProgress&)>& progress = {},
                        const std::atomic<bool>* cancel = nullptr, int cancelFd = -1);

}  // namespace difscop::indexing
