// Cell refinement against observed 2theta: h k l for each line from the
// nearest calculated line, least squares on the cell (and optionally a zero
// shift) with standard uncertainties, and the figures of merit M20 and F(N).
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "indexing/lattice.h"

namespace difscop::indexing {

struct IndexedLine {
  int observed = 0;  // index into the observed angles
  Hkl hkl;
  double twoThetaObs = 0, twoThetaCalc = 0;
};

struct LineAssignment {
  std::vector<IndexedLine> indexed;
  std::vector<int> unindexed;  // indices into the observed angles
};

// Each observed 2theta (zero shift removed) gets the calculated line nearest
// to it when that is within tolerance degrees.
LineAssignment AssignLines(const ReciprocalMetric& metric, Centring centring,
                           std::span<const double> twoTheta, double wavelength, double zero,
                           double tolerance);

// de Wolff's M(N) over the first min(20, N) lines and Smith-Snyder's F(N)
// over all N, from an assignment.
struct FiguresOfMerit {
  double m20 = 0;
  int mLines = 0;
  double fn = 0;
  int fnLines = 0;
  double meanDelta = 0;   // mean |2theta obs - calc|, degrees
  int possibleLines = 0;  // calculated lines up to the last observed one
};

FiguresOfMerit MeritOf(const ReciprocalMetric& metric, Centring centring,
                       std::span<const double> twoTheta, double wavelength, double zero,
                       const LineAssignment& assignment);

struct RefineOptions {
  double tolerance = 0.05;  // degrees 2theta, for the final assignment
  bool zeroShift = false;
};

struct Refinement {
  CrystalSystem system = CrystalSystem::Triclinic;
  Centring centring = 'P';
  Cell cell, esd;
  double volume = 0, volumeEsd = 0;
  double zero = 0, zeroEsd = 0;
  LineAssignment lines;
  FiguresOfMerit merit;
};

// nullopt when fewer lines index than the refinement has parameters plus one.
std::optional<Refinement> RefineCell(const Cell& start, CrystalSystem system, Centring centring,
                                     std::span<const double> twoTheta, double wavelength,
                                     const RefineOptions& options);

}  // namespace difscop::indexing
