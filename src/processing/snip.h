// Automatic background (SNIP: statistics-sensitive non-linear iterative
// peak clipping) and the Ka2 stripping of a profile (Rachinger).
#pragma once

#include <span>
#include <vector>

namespace difscop::processing {

// The SNIP window when none is given (degrees): wider than a doublet of
// sharp lines at high angles, narrower than an amorphous hump.
inline constexpr double kDefaultSnipWindow = 1.5;

// Background under y[0 .. n-1] (halfWindow in points): each value is clipped
// to the mean of its neighbours at distance p, for p from halfWindow down to
// 1, on doubly logarithmic square-root counts, which keeps the clipping fair
// to weak and strong regions alike. The clipping works on bin means,
// smoothed at each pass, so that the background runs through the noise
// rather than along its lower edge; near the ends the widest distance that
// fits is used.
std::vector<double> SnipBackground(std::span<const double> y, int halfWindow);

// The half window in points of a window of the given width in degrees on
// the grid x (its mean step); at least 1.
int SnipHalfWindow(std::span<const double> x, double windowDegrees);

// Removes the Ka2 part of a profile, from low angles up: the Ka1 profile at
// x is y(x) less ratio times the Ka1 profile at the angle whose Ka2 line
// falls on x (interpolated between points). With a background (same length
// as y) only the part above it is stripped and the background kept;
// without, the whole intensity is. x ascending, in degrees 2theta.
std::vector<double> StripKa2(std::span<const double> x, std::span<const double> y,
                             std::span<const double> background, double ka1Wavelength,
                             double ka2Wavelength, double ratio);

// The 2theta (degrees) of the Ka2 line of a Ka1 line at twoTheta, and the
// derivative of that angle by twoTheta; twoTheta itself where Ka2 has no
// line (beyond the back-reflection limit).
double Ka2Angle(double twoTheta, double wavelengthRatio, double* derivative = nullptr);

}  // namespace difscop::processing
