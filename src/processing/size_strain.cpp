#include "processing/size_strain.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_fit.h>
#include <gsl/gsl_multifit.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace difscop::processing {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kRadian = std::numbers::pi / 180.0;

bool Usable(const FittedPeak& p) {
  return p.ok && p.fwhm.value > 0.0 && p.fwhm.esd > 0.0 && std::isfinite(p.fwhm.esd);
}

}  // namespace

double InstrumentFwhm(const InstrumentProfile& profile, double twoTheta) {
  const double t = std::tan(0.5 * twoTheta * kRadian);
  const double squared = profile.u * t * t + profile.v * t + profile.w;
  return squared > 0.0 ? std::sqrt(squared) : 0.0;
}

CagliotiFit FitCaglioti(std::span<const FittedPeak> peaks) {
  gsl_set_error_handler_off();
  CagliotiFit fit;
  std::vector<const FittedPeak*> used;
  for (const FittedPeak& p : peaks) {
    if (Usable(p)) used.push_back(&p);
  }
  const std::size_t n = used.size();
  if (n < 3) return fit;
  gsl_matrix* x = gsl_matrix_alloc(n, 3);
  gsl_vector* y = gsl_vector_alloc(n);
  gsl_vector* w = gsl_vector_alloc(n);
  gsl_vector* c = gsl_vector_alloc(3);
  gsl_matrix* cov = gsl_matrix_alloc(3, 3);
  gsl_multifit_linear_workspace* work = gsl_multifit_linear_alloc(n, 3);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = std::tan(0.5 * used[i]->twoTheta.value * kRadian);
    const double h = used[i]->fwhm.value, s = 2.0 * h * used[i]->fwhm.esd;
    gsl_matrix_set(x, i, 0, t * t);
    gsl_matrix_set(x, i, 1, t);
    gsl_matrix_set(x, i, 2, 1.0);
    gsl_vector_set(y, i, h * h);
    gsl_vector_set(w, i, 1.0 / (s * s));
  }
  double chi2 = 0.0;
  std::size_t rank = 0;
  // Three angles too close together leave the curve undetermined.
  const int status = gsl_multifit_wlinear_tsvd(x, w, y, 1e-12, c, cov, &chi2, &rank, work);
  if (status == GSL_SUCCESS && rank == 3) {
    if (n > 3) gsl_matrix_scale(cov, chi2 / static_cast<double>(n - 3));
    Estimate* out[3] = {&fit.u, &fit.v, &fit.w};
    for (std::size_t j = 0; j < 3; ++j)
      *out[j] = {gsl_vector_get(c, j), std::sqrt(gsl_matrix_get(cov, j, j))};
    fit.profile = {fit.u.value, fit.v.value, fit.w.value};
    fit.peaks = static_cast<int>(n);
    fit.ok = true;
  }
  gsl_multifit_linear_free(work);
  gsl_matrix_free(cov);
  gsl_vector_free(c);
  gsl_vector_free(w);
  gsl_vector_free(y);
  gsl_matrix_free(x);
  return fit;
}

Estimate SampleBreadth(const FittedPeak& peak, const InstrumentProfile& profile) {
  const double h = peak.fwhm.value;
  const double hi = InstrumentFwhm(profile, peak.twoTheta.value);
  if (!(h > hi)) return {kNaN, kNaN};
  const double beta = std::sqrt(h * h - hi * hi);
  return {beta, h * peak.fwhm.esd / beta};
}

Estimate ScherrerSize(const FittedPeak& peak, double wavelength, double k,
                      const InstrumentProfile& profile) {
  const Estimate beta = SampleBreadth(peak, profile);
  if (!std::isfinite(beta.value)) return beta;
  const double cosTheta = std::cos(0.5 * peak.twoTheta.value * kRadian);
  // Angstrom to nm.
  const double size = 0.1 * k * wavelength / (beta.value * kRadian * cosTheta);
  return {size, size * beta.esd / beta.value};
}

WilliamsonHall FitWilliamsonHall(std::span<const FittedPeak> peaks, double wavelength, double k,
                                 const InstrumentProfile& profile) {
  gsl_set_error_handler_off();
  WilliamsonHall wh;
  std::vector<double> x, y, w;
  for (const FittedPeak& p : peaks) {
    if (!Usable(p)) continue;
    const Estimate beta = SampleBreadth(p, profile);
    if (!std::isfinite(beta.value) || !(beta.esd > 0.0)) continue;
    const double theta = 0.5 * p.twoTheta.value * kRadian;
    const double s = beta.esd * kRadian * std::cos(theta);
    x.push_back(4.0 * std::sin(theta));
    y.push_back(beta.value * kRadian * std::cos(theta));
    w.push_back(1.0 / (s * s));
  }
  const std::size_t n = x.size();
  if (n < 2) return wh;
  double c0 = 0.0, c1 = 0.0, cov00 = 0.0, cov01 = 0.0, cov11 = 0.0, chi2 = 0.0;
  if (gsl_fit_wlinear(x.data(), 1, w.data(), 1, y.data(), 1, n, &c0, &c1, &cov00, &cov01, &cov11,
                      &chi2) != GSL_SUCCESS ||
      !std::isfinite(c0) || !std::isfinite(c1))
    return wh;
  const double scale = n > 2 ? chi2 / static_cast<double>(n - 2) : 1.0;
  wh.strain = {c1, std::sqrt(cov11 * scale)};
  if (c0 > 0.0) {
    const double size = 0.1 * k * wavelength / c0;
    wh.size = {size, size * std::sqrt(cov00 * scale) / c0};
  } else {
    wh.size = {kNaN, kNaN};
  }
  wh.peaks = static_cast<int>(n);
  wh.ok = true;
  return wh;
}

}  // namespace difscop::processing
