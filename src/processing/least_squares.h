// Linear least squares through the normal equations, solved by Gauss-Jordan
// elimination with row pivoting; the polynomial fit used for peak refinement
// and for the background.
#pragma once

#include <span>
#include <vector>

namespace difscop::processing {

// Pivots must exceed this in magnitude.
inline constexpr double kSingularityLimit = 1e-18;
// Text of a singular system; no caller shows it.
inline constexpr const char* kLostOfRank = "Lost of rank !";

struct LeastSquaresFit {
  std::vector<double> coefficients;  // a_1 .. a_m (index 0 .. m-1)
  std::vector<double> inverse;       // inverse of the normal matrix, m x m, row-major
  std::vector<double> fitted;        // fitted values, one per point
  double residualSum = 0.0;          // sum of squared residuals
};

// design is n x m row-major, observed has n values. Returns 0 on success and
// -1 when a pivot is not above kSingularityLimit (fit is then incomplete).
int SolveLeastSquares(int n, int m, std::span<const double> design,
                      std::span<const double> observed, LeastSquaresFit& fit);

// Fits y = a_1 + a_2 x + ... + a_m x^(m-1) to the points, x used as given.
int FitPolynomial(std::span<const double> x, std::span<const double> y, int m,
                  LeastSquaresFit& fit);

}  // namespace difscop::processing
