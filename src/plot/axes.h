// The axes a plot can show: x as 2theta (degrees), d-spacing (Angstrom) or
// Q (1/Angstrom) from a pattern's wavelength; intensity on a linear,
// square-root or logarithmic scale. Patterns keep their 2theta and counts;
// these map them onto the axis shown and back.
#pragma once

#include <string>

#include "workspace/workspace.h"

namespace difscop::plot {

using workspace::XAxis;
using workspace::YAxis;

// d = lambda / (2 sin theta) and Q = 4 pi sin theta / lambda, theta being
// half the angle. d is NaN at 2theta <= 0 and beyond 180 degrees; Q is NaN
// beyond 180 degrees (and for a wavelength <= 0, as d).
double DFromTwoTheta(double twoTheta, double wavelength);
double QFromTwoTheta(double twoTheta, double wavelength);
// The inverses; NaN where no angle gives the value (d < lambda / 2,
// Q > 4 pi / lambda, or a value <= 0 for d, < 0 for Q).
double TwoThetaFromD(double d, double wavelength);
double TwoThetaFromQ(double q, double wavelength);

// x on the axis shown for a 2theta angle, and back.
float AxisX(XAxis axis, float twoTheta, float wavelength);
float TwoThetaOfAxisX(XAxis axis, float x, float wavelength);

// The intensity scale: linear keeps the value; square root keeps the sign
// (a difference curve goes below zero); the logarithm (base 10) has no
// value at or below zero (NaN: such points are left out).
float ScaleY(YAxis axis, float y);
float UnscaleY(YAxis axis, float t);

// Wavelength of a pattern on the x axis: its own when the file gave one,
// else the X-ray source setting.
float PatternWavelength(const workspace::Pattern& pattern, const workspace::Session& session);

// Axis titles (UTF-8).
std::string XAxisTitle(XAxis axis);
std::string YAxisTitle(YAxis axis, bool normalised);

}  // namespace difscop::plot
