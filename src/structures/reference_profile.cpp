#include "structures/reference_profile.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_multifit.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace difscop::structures {
namespace {

constexpr double kCutWidths = 30.0;

struct GslFree {
  void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
  void operator()(gsl_vector* v) const { gsl_vector_free(v); }
  void operator()(gsl_multifit_linear_workspace* w) const { gsl_multifit_linear_free(w); }
};

// Least squares over the columns still in play; false when GSL fails.
bool Solve(std::span<const double> y, const std::vector<const std::vector<double>*>& columns,
           std::vector<double>& coefficients) {
  const std::size_t n = y.size(), m = columns.size() + 1;
  std::unique_ptr<gsl_matrix, GslFree> design(gsl_matrix_alloc(n, m));
  std::unique_ptr<gsl_vector, GslFree> observed(gsl_vector_alloc(n));
  std::unique_ptr<gsl_vector, GslFree> c(gsl_vector_alloc(m));
  std::unique_ptr<gsl_matrix, GslFree> covariance(gsl_matrix_alloc(m, m));
  std::unique_ptr<gsl_multifit_linear_workspace, GslFree> work(gsl_multifit_linear_alloc(n, m));
  for (std::size_t i = 0; i < n; ++i) {
    gsl_vector_set(observed.get(), i, y[i]);
    gsl_matrix_set(design.get(), i, 0, 1.0);
    for (std::size_t j = 1; j < m; ++j) gsl_matrix_set(design.get(), i, j, (*columns[j - 1])[i]);
  }
  double chiSquare = 0.0;
  const int status = gsl_multifit_linear(design.get(), observed.get(), c.get(), covariance.get(),
                                         &chiSquare, work.get());
  if (status != GSL_SUCCESS) return false;
  coefficients.assign(c->data, c->data + m);
  return std::all_of(coefficients.begin(), coefficients.end(),
                     [](double v) { return std::isfinite(v); });
}

}  // namespace

std::vector<double> PhaseProfile(const std::vector<PowderReflection>& reflections,
                                 std::span<const double> x, const ProfileShape& shape) {
  std::vector<double> profile(x.size(), 0.0);
  if (!(shape.fwhm > 0.0) || x.empty()) return profile;
  const double g = shape.fwhm;
  const double eta = std::clamp(shape.eta, 0.0, 1.0);
  const double gaussNorm = 2.0 / g * std::sqrt(std::numbers::ln2 / std::numbers::pi);
  const double gaussExp = 4.0 * std::numbers::ln2 / (g * g);
  const double lorentzNorm = 2.0 / (std::numbers::pi * g);
  const bool ascending = std::is_sorted(x.begin(), x.end());
  for (const PowderReflection& r : reflections) {
    const double centre = r.twoTheta;
    std::size_t first = 0, last = x.size();
    if (ascending) {
      first = static_cast<std::size_t>(
          std::lower_bound(x.begin(), x.end(), centre - kCutWidths * g) - x.begin());
      last = static_cast<std::size_t>(
          std::upper_bound(x.begin(), x.end(), centre + kCutWidths * g) - x.begin());
    }
    for (std::size_t i = first; i < last; ++i) {
      const double dx = x[i] - centre;
      if (std::fabs(dx) > kCutWidths * g) continue;
      const double gauss = gaussNorm * std::exp(-gaussExp * dx * dx);
      const double lorentz = lorentzNorm / (1.0 + 4.0 * dx * dx / (g * g));
      profile[i] += r.intensity * (eta * lorentz + (1.0 - eta) * gauss);
    }
  }
  return profile;
}

PhaseScaleFit FitPhaseScales(std::span<const double> y,
                             const std::vector<std::vector<double>>& profiles) {
  PhaseScaleFit fit;
  for (const std::vector<double>& p : profiles) {
    if (p.size() != y.size()) {
      fit.error = "The calculated profiles do not match the pattern's points";
      return fit;
    }
    if (std::none_of(p.begin(), p.end(), [](double v) { return v > 0.0; })) {
      fit.error = "A reference phase has no reflection within the pattern";
      return fit;
    }
  }
  if (y.size() < profiles.size() + 2) {
    fit.error = "Too few points to scale the reference phases";
    return fit;
  }
  gsl_set_error_handler_off();
  std::vector<bool> active(profiles.size(), true);
  fit.scales.assign(profiles.size(), 0.0);
  for (;;) {
    std::vector<const std::vector<double>*> columns;
    std::vector<std::size_t> which;
    for (std::size_t p = 0; p < profiles.size(); ++p) {
      if (!active[p]) continue;
      columns.push_back(&profiles[p]);
      which.push_back(p);
    }
    std::vector<double> c;
    if (!Solve(y, columns, c)) {
      fit.error = "The reference phases cannot be scaled to this pattern";
      return fit;
    }
    // The most negative scale leaves; the others are fitted again.
    std::size_t worst = which.size();
    for (std::size_t j = 0; j < which.size(); ++j) {
      if (c[j + 1] < 0.0 && (worst == which.size() || c[j + 1] < c[worst + 1])) worst = j;
    }
    if (worst == which.size()) {
      fit.background = c[0];
      std::fill(fit.scales.begin(), fit.scales.end(), 0.0);
      for (std::size_t j = 0; j < which.size(); ++j) fit.scales[which[j]] = c[j + 1];
      break;
    }
    active[which[worst]] = false;
  }
  double residual = 0.0, total = 0.0;
  for (std::size_t i = 0; i < y.size(); ++i) {
    double calc = fit.background;
    for (std::size_t p = 0; p < profiles.size(); ++p) calc += fit.scales[p] * profiles[p][i];
    residual += (y[i] - calc) * (y[i] - calc);
    total += y[i] * y[i];
  }
  fit.rwp = total > 0.0 ? std::sqrt(residual / total) : 0.0;
  fit.ok = true;
  return fit;
}

}  // namespace difscop::structures
