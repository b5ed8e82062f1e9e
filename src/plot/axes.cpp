#include "plot/axes.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace difscop::plot {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDegree = std::numbers::pi / 180.0;

// sin theta of a 2theta angle inside (0, 180] degrees, else NaN.
double SinTheta(double twoTheta) {
  if (!(twoTheta >= 0.0 && twoTheta <= 180.0)) return kNaN;
  return std::sin(twoTheta * kDegree / 2.0);
}

}  // namespace

double DFromTwoTheta(double twoTheta, double wavelength) {
  const double s = SinTheta(twoTheta);
  if (!(s > 0.0) || !(wavelength > 0.0)) return kNaN;
  return wavelength / (2.0 * s);
}

double QFromTwoTheta(double twoTheta, double wavelength) {
  if (!(wavelength > 0.0)) return kNaN;
  return 4.0 * std::numbers::pi * SinTheta(twoTheta) / wavelength;
}

double TwoThetaFromD(double d, double wavelength) {
  if (!(d > 0.0) || !(wavelength > 0.0)) return kNaN;
  const double s = wavelength / (2.0 * d);
  return s <= 1.0 ? 2.0 * std::asin(s) / kDegree : kNaN;
}

double TwoThetaFromQ(double q, double wavelength) {
  if (!(q >= 0.0) || !(wavelength > 0.0)) return kNaN;
  const double s = q * wavelength / (4.0 * std::numbers::pi);
  return s <= 1.0 ? 2.0 * std::asin(s) / kDegree : kNaN;
}

float AxisX(XAxis axis, float twoTheta, float wavelength) {
  switch (axis) {
    case XAxis::kTwoTheta:
      return twoTheta;
    case XAxis::kD:
      return static_cast<float>(DFromTwoTheta(twoTheta, wavelength));
    case XAxis::kQ:
      return static_cast<float>(QFromTwoTheta(twoTheta, wavelength));
  }
  return twoTheta;
}

float TwoThetaOfAxisX(XAxis axis, float x, float wavelength) {
  switch (axis) {
    case XAxis::kTwoTheta:
      return x;
    case XAxis::kD:
      return static_cast<float>(TwoThetaFromD(x, wavelength));
    case XAxis::kQ:
      return static_cast<float>(TwoThetaFromQ(x, wavelength));
  }
  return x;
}

float ScaleY(YAxis axis, float y) {
  switch (axis) {
    case YAxis::kLinear:
      return y;
    case YAxis::kSqrt:
      return std::copysign(std::sqrt(std::fabs(y)), y);
    case YAxis::kLog:
      return y > 0.0f ? std::log10(y) : std::numeric_limits<float>::quiet_NaN();
  }
  return y;
}

float UnscaleY(YAxis axis, float t) {
  switch (axis) {
    case YAxis::kLinear:
      return t;
    case YAxis::kSqrt:
      return std::copysign(t * t, t);
    case YAxis::kLog:
      return std::pow(10.0f, t);
  }
  return t;
}

float PatternWavelength(const workspace::Pattern& pattern, const workspace::Session& session) {
  const float stated = pattern.StatedWavelength();
  return stated > 0.0f ? stated : session.ka1Wavelength;
}

std::string XAxisTitle(XAxis axis) {
  switch (axis) {
    case XAxis::kTwoTheta:
      return "Two theta / deg";
    case XAxis::kD:
      return "d / \xC3\x85";
    case XAxis::kQ:
      return "Q / \xC3\x85\xE2\x81\xBB\xC2\xB9";
  }
  return {};
}

std::string YAxisTitle(YAxis axis, bool normalised) {
  std::string title = normalised ? "Normalised intensity" : "Intensity / cps";
  if (axis == YAxis::kSqrt) title += " (square root)";
  if (axis == YAxis::kLog) title += " (log)";
  return title;
}

}  // namespace difscop::plot
