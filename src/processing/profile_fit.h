// Least-squares fitting of peak profiles (GSL's nonlinear least squares,
// Levenberg-Marquardt with analytic derivatives): the peaks of a range or of
// a whole list, fitted in groups of overlapping peaks, each peak a Ka1/Ka2
// doublet when the source has one, over a local linear background or a
// given one. Standard uncertainties come from the covariance scaled by the
// reduced chi-square.
#pragma once

#include <limits>
#include <span>
#include <vector>

#include "processing/profile_shapes.h"

namespace difscop::processing {

// The terms of the asymmetry correction (p1 .. p4), and the one the
// commands fit for axial divergence: p1, Fa(z) over tan(theta).
inline constexpr int kAsymmetryTerms = 4;
inline constexpr unsigned kAxialAsymmetry = 1u;

struct ProfileOptions {
  ProfileShape shape = ProfileShape::kPseudoVoigt;
  // Its own width and shape either side of the centre.
  bool split = false;
  // Axial-divergence asymmetry (Berar and Baldinozzi): each line times
  // 1 + (p1 Fa(z) + p2 Fb(z)) / tan(theta) + (p3 Fa(z) + p4 Fb(z)) / tan(2 theta),
  // z the offset over the FWHM, Fa(z) = 2 z exp(-z^2), Fb(z) = 2 (2 z^2 - 3)
  // Fa(z). asymmetryTerms says which p are used (bit 0 for p1 .. bit 3 for
  // p4; 0: a symmetric line); they are one set for the whole fit. The
  // line's 2theta stays that of the symmetric line.
  unsigned asymmetryTerms = 0;
  // Each peak a doublet: a Ka2 line of ratio times the Ka1 area.
  bool ka2 = true;
  double ka1Wavelength = 1.540593;
  double ka2Wavelength = 1.54441;
  double ka2Ratio = 0.5;
  // Only points within [from, to] (degrees) take part.
  double from = -std::numeric_limits<double>::infinity();
  double to = std::numeric_limits<double>::infinity();
  // At most this many peaks are fitted together; a longer run of
  // overlapping peaks is fitted in overlapping groups.
  int maxGroupPeaks = 6;
  int maxIterations = 200;
};

// The measured points, ascending in x. esd, where given (same length), are
// the standard uncertainties of y; otherwise counting statistics
// (sqrt(max(y, 1))). background, where given, is fixed and added to the
// model; otherwise each group has a linear background of its own.
struct ProfileData {
  std::span<const double> x;
  std::span<const double> y;
  std::span<const double> esd;
  std::span<const double> background;
};

// A value and its standard uncertainty (0 when it was held, NaN when the
// fit could not give one).
struct Estimate {
  double value = 0.0;
  double esd = 0.0;
};

struct FittedPeak {
  // Ka1 line: 2theta (degrees), d (Angstrom) for the Ka1 wavelength, height,
  // FWHM (degrees), area and shape (eta of the pseudo-Voigt, m of the
  // Pearson VII; for a split line the means of the two sides).
  Estimate twoTheta, d, height, fwhm, area, shape;
  // The fitted parameters: centre, area and the sides (left, right).
  double centre = 0.0;
  double areaValue = 0.0;
  SideParameters left, right;
  std::vector<double> asymmetry;  // the p in use (empty: symmetric)
  int group = -1;  // index into ProfileFit::groups
  // False when the fit failed or left the peak without a sound line (no
  // area, a width beyond its group, a centre outside its points).
  bool ok = false;
};

struct GroupFit {
  double from = 0.0, to = 0.0;  // the points fitted (degrees)
  int points = 0;
  int parameters = 0;
  double rwp = 0.0;                   // weighted profile R factor
  double chiSquare = 0.0;             // sum of weighted squared residuals
  double reducedChiSquare = 0.0;      // over points less parameters
  double background[2] = {0.0, 0.0};  // a + b (x - backgroundOrigin)
  // The group's own p in use (the fit's held ones in the final fit) and
  // their covariance (row by row; zero when held).
  std::vector<double> asymmetry, asymmetryCovariance;
  double backgroundOrigin = 0.0;
  bool localBackground = false;
  int iterations = 0;
  bool converged = false;
};

struct ProfileFit {
  std::vector<FittedPeak> peaks;  // one per requested peak, in its order
  std::vector<GroupFit> groups;
  ProfileOptions options;
  // With asymmetry: the p in use for the whole fit (the groups' own,
  // averaged with their inverse covariances as weights, then held in every
  // group) with their uncertainties.
  std::vector<Estimate> asymmetry;
  std::vector<double> heldAsymmetry;
};

// Fits the peaks near the given 2theta positions (each within the points of
// the range). Positions outside the range or on the same point as an
// earlier one are left out of the result.
ProfileFit FitProfiles(const ProfileData& data, std::span<const double> positions,
                       const ProfileOptions& options);

// A fitted peak's profile at x (both lines of a doublet), without
// background.
double PeakValue(const ProfileFit& fit, const FittedPeak& peak, double x);
// A group's own background at x (0 for a given background).
double GroupBackground(const GroupFit& group, double x);

// Rwp and chi-square of all the fitted groups together.
struct FitSummary {
  double rwp = 0.0;
  double chiSquare = 0.0;
  double reducedChiSquare = 0.0;
  int points = 0;
  int parameters = 0;
};
FitSummary SummariseFit(const ProfileFit& fit);

}  // namespace difscop::processing
