// Built-in indexing: from observed 2theta values to ranked candidate cells,
// each with de Wolff's M20 and Smith-Snyder's F(N).
//
// The search runs in a child process, so that a cancel stops it at once
// whatever the search is doing, and so that what the library prints never
// reaches this program's output. The caller's thread waits for it, reports
// progress and polls the cancel flag.
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
  int maxSpurious = 0;      // tried from 0 up to this
  bool zeroShift = false;   // refine a zero shift with the cell
  double volumeMin = 0;     // cubic angstroms; 0: estimated from the lines
  double volumeMax = 0;
  double tolerance = 0.05;  // degrees 2theta a line may lie off its calculated one
};

struct IndexProgress {
  CrystalSystem system = CrystalSystem::Cubic;
  long long cellsTested = 0;
  double bestScore = 0;
};

struct IndexSolution {
  CrystalSystem system = CrystalSystem::Cubic;
  Centring centring = 'P';
  Cell cell;
  double score = 0;
  FiguresOfMerit merit;
};

struct IndexOutcome {
  enum class Status { Solved, NoSolution, Cancelled, Refused, Failed };
  Status status = Status::NoSolution;
  std::string message;  // for Refused and Failed
  std::vector<IndexSolution> solutions;  // best first
};

inline constexpr int kMinIndexLines = 6;
inline constexpr int kMaxIndexSolutions = 20;

// What is wrong with the input, or nullopt. The angles must be ascending and
// distinct.
std::optional<std::string> CheckIndexInput(std::span<const double> twoTheta, double wavelength,
                                           const IndexOptions& options);

// twoTheta: the observed lines, ascending. progress is called on the calling
// thread; cancel, when set, ends the search within a tenth of a second.
IndexOutcome IndexPeaks(std::span<const double> twoTheta, double wavelength,
                        const IndexOptions& options,
                        const std::function<void(const IndexProgress&)>& progress = {},
                        const std::atomic<bool>* cancel = nullptr);

}  // namespace difscop::indexing
