// Peak profiles for the fits: the Thompson-Cox-Hastings pseudo-Voigt and the
// Pearson VII, each optionally split (its own width and shape either side of
// the centre), normalised to a given area, with their derivatives.
#pragma once

namespace difscop::processing {

enum class ProfileShape { kPseudoVoigt, kPearsonVII };

// A side's two fitted parameters: for the pseudo-Voigt the Gaussian and the
// Lorentzian FWHM (TCH), for the Pearson VII the FWHM and the exponent m.
// Widths enter by their magnitude, so a sign flip in the fit does no harm.
struct SideParameters {
  double a = 0.0;
  double b = 0.0;
};

// What a side's parameters mean for the line: its FWHM and shape (eta of the
// pseudo-Voigt, m of the Pearson VII), with their derivatives by a and b.
struct SideShape {
  double fwhm = 0.0;
  double shape = 0.0;
  double dFwhm[2] = {0.0, 0.0};
  double dShape[2] = {0.0, 0.0};
};
SideShape ResolveSide(ProfileShape kind, const SideParameters& side);

// The usable range of the Pearson VII exponent: below 0.5 the line has no
// area, and far above 50 it is a Gaussian to the last digit.
inline constexpr double kMinPearsonExponent = 0.55;
inline constexpr double kMaxPearsonExponent = 50.0;

// Value and derivatives of one line at an offset from its centre.
struct LineTerms {
  double value = 0.0;
  double dCentre = 0.0;
  double dArea = 0.0;
  double dSide[2][2] = {{0.0, 0.0}, {0.0, 0.0}};  // [left, right][a, b]
};

// One line of a given area; left and right are equal for a symmetric one.
class Line {
 public:
  Line(ProfileShape kind, double area, const SideParameters& left, const SideParameters& right);

  // offset = x - centre (degrees).
  double Value(double offset) const;
  void Evaluate(double offset, LineTerms& terms) const;

  // The maximum (at the centre), the mean of the sides' FWHM and shapes.
  double Height() const { return height_; }
  double Fwhm() const { return 0.5 * (side_[0].fwhm + side_[1].fwhm); }
  // The derivatives of Fwhm() by each side's a and b ([side][a, b]).
  void FwhmDerivatives(double d[2][2]) const {
    for (int s = 0; s < 2; ++s)
      for (int j = 0; j < 2; ++j) d[s][j] = 0.5 * side_[s].dFwhm[j];
  }
  double Shape() const { return 0.5 * (side_[0].shape + side_[1].shape); }

 private:
  ProfileShape kind_;
  SideShape side_[2];
  double breadth_[2];   // area of a unit-height side, per unit FWHM
  double dBreadth_[2];  // its derivative by the shape
  double norm_;         // area of the unit-height line
  double height_;
};

// Area of a unit-height line of unit FWHM and the given shape (the integral
// breadth over the FWHM), and its derivative by the shape.
double IntegralBreadthRatio(ProfileShape kind, double shape, double* derivative = nullptr);

}  // namespace difscop::processing
