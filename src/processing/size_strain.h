// Crystallite size and strain from fitted line widths: the instrument's
// width as a Caglioti curve fitted to a standard's peaks, the Scherrer size
// of each line, and the Williamson-Hall size and strain of a pattern.
#pragma once

#include <span>

#include "processing/profile_fit.h"

namespace difscop::processing {

inline constexpr double kDefaultScherrerK = 0.9;

// FWHM^2 = U tan^2(theta) + V tan(theta) + W (degrees squared); all zero
// (no instrument width) until a standard has been fitted.
struct InstrumentProfile {
  double u = 0.0, v = 0.0, w = 0.0;
};

// The instrument's FWHM at 2theta (degrees); 0 where the curve is negative.
double InstrumentFwhm(const InstrumentProfile& profile, double twoTheta);

struct CagliotiFit {
  InstrumentProfile profile;
  Estimate u, v, w;
  int peaks = 0;
  bool ok = false;
};

// Weighted least squares of FWHM^2 over the standard's sound peaks (at least
// three at different angles).
CagliotiFit FitCaglioti(std::span<const FittedPeak> peaks);

// The sample's own breadth (degrees): the instrument width removed in
// quadrature; NaN where the line is no broader than the instrument.
Estimate SampleBreadth(const FittedPeak& peak, const InstrumentProfile& profile);

// Scherrer size (nm) of a line for the Ka1 wavelength (Angstrom) and the
// constant k; NaN where the line is no broader than the instrument.
Estimate ScherrerSize(const FittedPeak& peak, double wavelength, double k,
                      const InstrumentProfile& profile);

// beta cos(theta) = k lambda / D + 4 epsilon sin(theta) over the sound peaks
// broader than the instrument, weighted by their uncertainties: size D (nm;
// NaN when the intercept is not positive) and strain epsilon.
struct WilliamsonHall {
  Estimate size, strain;
  int peaks = 0;
  bool ok = false;
};
WilliamsonHall FitWilliamsonHall(std::span<const FittedPeak> peaks, double wavelength, double k,
                                 const InstrumentProfile& profile);

}  // namespace difscop::processing
