#include "processing/profile_shapes.h"

#include <gsl/gsl_sf_psi.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace difscop::processing {

namespace {

constexpr double kLn2 = std::numbers::ln2;
constexpr double kPi = std::numbers::pi;
// Below this FWHM (degrees) a line is taken as this narrow: no pattern
// resolves it, and the division stays finite.
constexpr double kNarrowest = 1e-9;

// Thompson, Cox and Hastings (1987): the total FWHM as the fifth root of a
// polynomial in the Gaussian and Lorentzian FWHM, and eta as a cubic in
// their ratio.
constexpr double kTchWidth[4] = {2.69269, 2.42843, 4.47163, 0.07842};
constexpr double kTchEta[3] = {1.36603, -0.47719, 0.11116};

SideShape ResolvePseudoVoigt(const SideParameters& p) {
  const double g = std::fabs(p.a), l = std::fabs(p.b);
  const double sg = p.a < 0.0 ? -1.0 : 1.0, sl = p.b < 0.0 ? -1.0 : 1.0;
  const double g2 = g * g, l2 = l * l;
  const auto& c = kTchWidth;
  const double poly = g2 * g2 * g + c[0] * g2 * g2 * l + c[1] * g2 * g * l2 + c[2] * g2 * l2 * l +
                      c[3] * g * l2 * l2 + l2 * l2 * l;
  SideShape s;
  s.fwhm = std::pow(poly, 0.2);
  if (!(s.fwhm > kNarrowest)) {
    s.fwhm = kNarrowest;
    return s;
  }
  const double dPdg = 5.0 * g2 * g2 + 4.0 * c[0] * g2 * g * l + 3.0 * c[1] * g2 * l2 +
                      2.0 * c[2] * g * l2 * l + c[3] * l2 * l2;
  const double dPdl = c[0] * g2 * g2 + 2.0 * c[1] * g2 * g * l + 3.0 * c[2] * g2 * l2 +
                      4.0 * c[3] * g * l2 * l + 5.0 * l2 * l2;
  const double f4 = 5.0 * std::pow(s.fwhm, 4);
  const double dFdg = dPdg / f4, dFdl = dPdl / f4;
  const double q = l / s.fwhm;
  const auto& e = kTchEta;
  s.shape = q * (e[0] + q * (e[1] + q * e[2]));
  const double dEdq = e[0] + q * (2.0 * e[1] + 3.0 * q * e[2]);
  const double dQdg = -q / s.fwhm * dFdg, dQdl = 1.0 / s.fwhm - q / s.fwhm * dFdl;
  s.dFwhm[0] = sg * dFdg;
  s.dFwhm[1] = sl * dFdl;
  s.dShape[0] = sg * dEdq * dQdg;
  s.dShape[1] = sl * dEdq * dQdl;
  return s;
}

SideShape ResolvePearson(const SideParameters& p) {
  SideShape s;
  s.fwhm = std::fabs(p.a);
  s.dFwhm[0] = p.a < 0.0 ? -1.0 : 1.0;
  if (!(s.fwhm > kNarrowest)) s.fwhm = kNarrowest, s.dFwhm[0] = 0.0;
  s.shape = std::clamp(p.b, kMinPearsonExponent, kMaxPearsonExponent);
  s.dShape[1] = s.shape == p.b ? 1.0 : 0.0;
  return s;
}

// Unit-height line of unit FWHM at u (offset over FWHM): value and its
// derivatives by u and by the shape.
struct UnitTerms {
  double value, dU, dShape;
};

inline UnitTerms PseudoVoigtUnit(double u, double eta) {
  const double u2 = u * u;
  const double lor = 1.0 / (1.0 + 4.0 * u2);
  const double gau = std::exp(-4.0 * kLn2 * u2);
  return {eta * lor + (1.0 - eta) * gau, -8.0 * u * (eta * lor * lor + (1.0 - eta) * kLn2 * gau),
          lor - gau};
}

// (1 + 4 K u^2)^-m with K = 2^(1/m) - 1, so that the FWHM is 1.
inline UnitTerms PearsonUnit(double u, double m) {
  const double p = std::exp2(1.0 / m);
  const double k = p - 1.0, dK = -p * kLn2 / (m * m);
  const double t = 1.0 + 4.0 * k * u * u;
  const double lt = std::log(t);
  const double v = std::exp(-m * lt);
  return {v, -8.0 * m * v * k * u / t, v * (-lt - 4.0 * m * u * u * dK / t)};
}

}  // namespace

SideShape ResolveSide(ProfileShape kind, const SideParameters& side) {
  return kind == ProfileShape::kPseudoVoigt ? ResolvePseudoVoigt(side) : ResolvePearson(side);
}

double IntegralBreadthRatio(ProfileShape kind, double shape, double* derivative) {
  if (kind == ProfileShape::kPseudoVoigt) {
    const double gauss = 0.5 * std::sqrt(kPi / kLn2);
    if (derivative) *derivative = 0.5 * kPi - gauss;
    return shape * 0.5 * kPi + (1.0 - shape) * gauss;
  }
  const double m = shape;
  const double p = std::exp2(1.0 / m);
  const double k = p - 1.0, dK = -p * kLn2 / (m * m);
  const double ratio =
      std::sqrt(kPi) * std::exp(std::lgamma(m - 0.5) - std::lgamma(m)) / (2.0 * std::sqrt(k));
  if (derivative) *derivative = ratio * (gsl_sf_psi(m - 0.5) - gsl_sf_psi(m) - 0.5 * dK / k);
  return ratio;
}

Line::Line(ProfileShape kind, double area, const SideParameters& left, const SideParameters& right)
    : kind_(kind) {
  side_[0] = ResolveSide(kind, left);
  side_[1] = ResolveSide(kind, right);
  norm_ = 0.0;
  for (int s = 0; s < 2; ++s) {
    breadth_[s] = IntegralBreadthRatio(kind, side_[s].shape, &dBreadth_[s]);
    norm_ += 0.5 * side_[s].fwhm * breadth_[s];
  }
  height_ = area / norm_;
}

double Line::Value(double offset) const {
  const SideShape& s = side_[offset < 0.0 ? 0 : 1];
  const double u = offset / s.fwhm;
  if (kind_ == ProfileShape::kPseudoVoigt) {
    const double u2 = u * u;
    return height_ * (s.shape / (1.0 + 4.0 * u2) + (1.0 - s.shape) * std::exp(-4.0 * kLn2 * u2));
  }
  return height_ * std::pow(1.0 + 4.0 * (std::exp2(1.0 / s.shape) - 1.0) * u * u, -s.shape);
}

void Line::Evaluate(double offset, LineTerms& t) const {
  const int here = offset < 0.0 ? 0 : 1;
  const SideShape& s = side_[here];
  const double u = offset / s.fwhm;
  const UnitTerms unit =
      kind_ == ProfileShape::kPseudoVoigt ? PseudoVoigtUnit(u, s.shape) : PearsonUnit(u, s.shape);
  t.value = height_ * unit.value;
  t.dArea = unit.value / norm_;
  t.dCentre = -height_ * unit.dU / s.fwhm;
  // Each side moves the value directly (on its own side) and through the
  // normalisation (on both).
  const double perNorm = t.value / norm_;
  for (int side = 0; side < 2; ++side) {
    const SideShape& o = side_[side];
    double dFwhm = -perNorm * 0.5 * breadth_[side];
    double dShape = -perNorm * 0.5 * o.fwhm * dBreadth_[side];
    if (side == here) {
      dFwhm -= height_ * unit.dU * u / s.fwhm;
      dShape += height_ * unit.dShape;
    }
    for (int j = 0; j < 2; ++j) t.dSide[side][j] = dFwhm * o.dFwhm[j] + dShape * o.dShape[j];
  }
}

}  // namespace difscop::processing
