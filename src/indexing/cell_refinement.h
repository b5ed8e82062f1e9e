// Cell refinement against observed 2theta: h k l for each line from the
// nearest calculated line, least squares on the cell (and optionally a zero
// shift and a sample displacement) with standard uncertainties, and the
// figures of merit M20 and F(N).
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "indexing/lattice.h"

namespace difscop::indexing {

// What moves the observed lines off the cell's: 2theta obs = 2theta calc +
// zero + displacement cos(theta), in degrees.
struct Corrections {
  double zero = 0, displacement = 0;
  // The 2theta the cell would give for a line observed at twoTheta.
  double Corrected(double twoTheta) const;
  // Where a line of the cell at twoTheta is observed.
  double Observed(double twoTheta) const;
};

struct IndexedLine {
  int observed = 0;  // index into the observed angles
  Hkl hkl;
  double twoThetaObs = 0, twoThetaCalc = 0;  // calc with the corrections applied
};

struct LineAssignment {
  std::vector<IndexedLine> indexed;
  std::vector<int> unindexed;  // indices into the observed angles
};

// Each observed 2theta gets the calculated line nearest to it when that is
// within tolerance degrees.
LineAssignment AssignLines(const ReciprocalMetric& metric, Centring centring,
                           std::span<const double> twoTheta, double wavelength,
                           const Corrections& corrections, double tolerance);

// de Wolff's M20 over the first 20 observed lines and Smith and Snyder's F(N)
// over all N, each line's discrepancy taken from the calculated line nearest
// to it, indexed or not: a cell that leaves lines unexplained pays for them.
struct FiguresOfMerit {
  double m20 = 0;
  int mLines = 0;          // min(20, N)
  double fn = 0;
  int fnLines = 0;         // N
  double meanDelta = 0;    // mean |2theta obs - calc| over the N lines, degrees
  int possibleLines = 0;   // calculated lines up to the last observed one
  int unindexed20 = 0;     // of the first 20, those beyond the tolerance
  double m20Indexed = 0;   // M20 with the discrepancies of the indexed lines only
};

FiguresOfMerit MeritOf(const ReciprocalMetric& metric, Centring centring,
                       std::span<const double> twoTheta, double wavelength,
                       const Corrections& corrections, double tolerance);

struct RefineOptions {
  double tolerance = 0.05;  // degrees 2theta, for the final assignment
  bool zeroShift = false;
  bool displacement = false;
  Corrections start;        // where the corrections start from
};

struct Refinement {
  CrystalSystem system = CrystalSystem::Triclinic;
  Centring centring = 'P';
  Cell cell, esd;
  double volume = 0, volumeEsd = 0;
  Corrections corrections, correctionsEsd;
  LineAssignment lines;
  FiguresOfMerit merit;
};

// nullopt when fewer lines index than the refinement has parameters plus one.
// twoThetaEsd, the standard uncertainty of each observed 2theta (fitted
// positions), weighs each line by 1/esd^2; empty, or any not above 0: every
// line weighs the same.
std::optional<Refinement> RefineCell(const Cell& start, CrystalSystem system, Centring centring,
                                     std::span<const double> twoTheta, double wavelength,
                                     const RefineOptions& options,
                                     std::span<const double> twoThetaEsd = {});

}  // namespace difscop::indexing
