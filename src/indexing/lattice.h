// Unit cells, their reciprocal metric and the powder lines they give: the
// arithmetic under the built-in indexing and the cell refinement.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace difscop::indexing {

// Highest symmetry first: the order in which the search tries them.
// Rhombohedral lattices are described on hexagonal axes (centring R, obverse).
enum class CrystalSystem { Cubic, Tetragonal, Hexagonal, Rhombohedral, Orthorhombic, Monoclinic, Triclinic };
inline constexpr int kCrystalSystemCount = 7;

// "cubic", "tetragonal", ... as the command line spells them.
const char* CrystalSystemName(CrystalSystem system);
std::optional<CrystalSystem> CrystalSystemFromName(const std::string& name);

// Lattice centring: P, I, A, B, C, F, or R (hexagonal axes, -h+k+l = 3n).
using Centring = char;

// Lattice points per cell: 1, 2, 3 (R) or 4 (F).
int LatticePoints(Centring centring);

struct Cell {
  double a = 0, b = 0, c = 0;
  double alpha = 90, beta = 90, gamma = 90;  // degrees
  double Volume() const;
};

// Q = 1/d^2 = h^2 g11 + k^2 g22 + l^2 g33 + 2hk g12 + 2hl g13 + 2kl g23.
struct ReciprocalMetric {
  double g11 = 0, g22 = 0, g33 = 0, g12 = 0, g13 = 0, g23 = 0;
  double Q(int h, int k, int l) const;
};

// nullopt for a cell that is not a cell (non-positive edges, impossible angles).
std::optional<ReciprocalMetric> MetricOf(const Cell& cell);
std::optional<Cell> CellOf(const ReciprocalMetric& metric);

// Makes the edges and angles the system ties together exactly equal, and its
// right and 120-degree angles exact.
Cell Symmetrized(const Cell& cell, CrystalSystem system);

// The primitive rhombohedral cell (a = b = c, alpha = beta = gamma) of an R
// lattice on hexagonal axes, and back.
Cell RhombohedralOfHexagonal(const Cell& hexagonal);
Cell HexagonalOfRhombohedral(const Cell& rhombohedral);

struct Hkl {
  int h = 0, k = 0, l = 0;
};

bool AllowedByCentring(Centring centring, const Hkl& hkl);

// One calculated powder line: the Miller indices of one reflection of the
// line, and its Q.
struct CalculatedLine {
  Hkl hkl;
  double q = 0;
};

// The distinct lines of the metric up to qMax, ascending; reflections with the
// same Q (to a part in 1e7) make one line.
std::vector<CalculatedLine> CalculatedLines(const ReciprocalMetric& metric, Centring centring,
                                            double qMax);

// 2theta (degrees) of a line of the given Q; nullopt past 180 degrees.
std::optional<double> TwoThetaOfQ(double q, double wavelength);
double QOfTwoTheta(double twoTheta, double wavelength);

}  // namespace difscop::indexing
