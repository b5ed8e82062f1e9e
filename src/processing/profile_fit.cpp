#include "processing/profile_fit.h"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_linalg.h>
#include <gsl/gsl_matrix.h>
#include <gsl/gsl_multifit_nlinear.h>
#include <gsl/gsl_vector.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <numbers>

#include "processing/peak_groups.h"
#include "processing/snip.h"

namespace difscop::processing {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kRadian = std::numbers::pi / 180.0;

// The parameters of one peak in the fit's vector: centre, area, then a and b
// of each side (one side for a symmetric line).
int PeakParameterCount(const ProfileOptions& o) {
  return o.split ? 6 : 4;
}

struct PeakView {
  double centre, area;
  SideParameters left, right;
};

PeakView ReadPeak(const ProfileOptions& o, const double* p) {
  PeakView v{p[0], p[1], {p[2], p[3]}, {p[2], p[3]}};
  if (o.split) v.right = {p[4], p[5]};
  return v;
}

// The asymmetry factor 1 + (p1 Fa(z) + p2 Fb(z)) / tan(theta) + (p3 Fa(z) +
// p4 Fb(z)) / tan(2 theta) of a line at offset from its centre, with its
// derivatives by z, by each term's p and by the centre (through theta).
// Only the terms in use count: p holds their values in order.
struct Asymmetry {
  double factor = 1.0, dZ = 0.0, dP[kAsymmetryTerms] = {}, dCentre = 0.0;
};

Asymmetry AsymmetryAt(unsigned terms, const double* p, double offset, double fwhm, double centre) {
  Asymmetry a;
  const double z = offset / fwhm, z2 = z * z;
  const double e = std::exp(-z2);
  const double fa = 2.0 * z * e, fb = 2.0 * (2.0 * z2 - 3.0) * fa;
  const double dFa = 2.0 * e * (1.0 - 2.0 * z2);
  const double dFb = e * (-16.0 * z2 * z2 + 48.0 * z2 - 12.0);
  int used = 0;
  for (int t = 0; t < kAsymmetryTerms; ++t) {
    if (!(terms & (1u << t))) continue;
    // cot(k theta) and its derivative by 2theta (degrees).
    const double k = t < 2 ? 1.0 : 2.0;
    const double angle = 0.5 * k * centre * kRadian;
    const double sine = std::sin(angle);
    const double cot = std::cos(angle) / sine, dCot = -0.5 * k * kRadian / (sine * sine);
    const double f = t % 2 ? fb : fa, dF = t % 2 ? dFb : dFa;
    a.factor += p[used] * f * cot;
    a.dZ += p[used] * dF * cot;
    a.dP[used] = f * cot;
    a.dCentre += p[used] * f * dCot;
    ++used;
  }
  return a;
}

int TermCount(unsigned terms) {
  return std::popcount(terms);
}

// The points and peaks of one group as the fit's callbacks see them.
struct GroupProblem {
  const ProfileOptions* options;
  const double* x;
  const double* y;
  const double* fixedBackground;  // null: a local linear one
  std::size_t points;
  std::size_t peaks;
  double origin;    // of the local background
  double ka2Ratio;  // wavelength ratio Ka2 / Ka1 (0: no doublet)
  std::size_t asymmetryAt;      // index of the first p when fitted
  const double* heldAsymmetry;  // the p held (null: fitted, or none)
  // The p of the terms in use: held, from the parameters, or null without
  // asymmetry.
  const double* Asymmetry(const gsl_vector* params) const {
    if (heldAsymmetry) return heldAsymmetry;
    return options->asymmetryTerms ? gsl_vector_const_ptr(params, asymmetryAt) : nullptr;
  }
};

int CallModel(const gsl_vector* params, void* data, gsl_vector* f) {
  const auto& g = *static_cast<const GroupProblem*>(data);
  const ProfileOptions& o = *g.options;
  const int per = PeakParameterCount(o);
  for (std::size_t i = 0; i < g.points; ++i)
    gsl_vector_set(f, i, (g.fixedBackground ? g.fixedBackground[i] : 0.0) - g.y[i]);
  for (std::size_t k = 0; k < g.peaks; ++k) {
    const PeakView v = ReadPeak(o, gsl_vector_const_ptr(params, k * static_cast<std::size_t>(per)));
    const Line ka1(o.shape, v.area, v.left, v.right);
    const Line ka2(o.shape, v.area * o.ka2Ratio, v.left, v.right);
    const double centre2 = g.ka2Ratio > 0.0 ? Ka2Angle(v.centre, g.ka2Ratio) : 0.0;
    const double* asym = g.Asymmetry(params);
    const double h = ka1.Fwhm();
    for (std::size_t i = 0; i < g.points; ++i) {
      const double u1 = g.x[i] - v.centre, u2 = g.x[i] - centre2;
      double value = ka1.Value(u1) *
                     (asym ? AsymmetryAt(o.asymmetryTerms, asym, u1, h, v.centre).factor : 1.0);
      if (g.ka2Ratio > 0.0)
        value += ka2.Value(u2) *
                 (asym ? AsymmetryAt(o.asymmetryTerms, asym, u2, h, centre2).factor : 1.0);
      *gsl_vector_ptr(f, i) += value;
    }
  }
  if (!g.fixedBackground) {
    const std::size_t b = g.peaks * static_cast<std::size_t>(per);
    const double a0 = gsl_vector_get(params, b), a1 = gsl_vector_get(params, b + 1);
    for (std::size_t i = 0; i < g.points; ++i)
      *gsl_vector_ptr(f, i) += a0 + a1 * (g.x[i] - g.origin);
  }
  return GSL_SUCCESS;
}

int CallJacobian(const gsl_vector* params, void* data, gsl_matrix* jac) {
  const auto& g = *static_cast<const GroupProblem*>(data);
  const ProfileOptions& o = *g.options;
  const std::size_t per = static_cast<std::size_t>(PeakParameterCount(o));
  gsl_matrix_set_zero(jac);
  LineTerms t1, t2;
  for (std::size_t k = 0; k < g.peaks; ++k) {
    const PeakView v = ReadPeak(o, gsl_vector_const_ptr(params, k * per));
    const Line ka1(o.shape, v.area, v.left, v.right);
    const Line ka2(o.shape, v.area * o.ka2Ratio, v.left, v.right);
    double dCentre2 = 0.0;
    const double centre2 = g.ka2Ratio > 0.0 ? Ka2Angle(v.centre, g.ka2Ratio, &dCentre2) : 0.0;
    const double* asym = g.Asymmetry(params);
    const double h = ka1.Fwhm();
    double dH[2][2];
    ka1.FwhmDerivatives(dH);
    for (std::size_t i = 0; i < g.points; ++i) {
      const double u1 = g.x[i] - v.centre;
      ka1.Evaluate(u1, t1);
      double* row = gsl_matrix_ptr(jac, i, k * per);
      double side[2][2];
      // Each line times its asymmetry factor A: A dL, and L dA through z
      // (centre and width), tan(theta) and p1, p2.
      auto add = [&](const LineTerms& t, double offset, double centre, double dCentre,
                     double areaShare, bool first) {
        Asymmetry a;
        if (asym) a = AsymmetryAt(o.asymmetryTerms, asym, offset, h, centre);
        const double perZ = t.value * a.dZ;
        const double dC = (a.factor * t.dCentre - perZ / h + t.value * a.dCentre) * dCentre;
        const double dA = a.factor * areaShare * t.dArea;
        row[0] = first ? dC : row[0] + dC;
        row[1] = first ? dA : row[1] + dA;
        for (int s = 0; s < 2; ++s)
          for (int j = 0; j < 2; ++j) {
            const double d = a.factor * t.dSide[s][j] - perZ * offset / (h * h) * dH[s][j];
            side[s][j] = first ? d : side[s][j] + d;
          }
        if (asym && !g.heldAsymmetry) {
          double* pa = gsl_matrix_ptr(jac, i, g.asymmetryAt);
          for (int j = 0; j < TermCount(o.asymmetryTerms); ++j) pa[j] += t.value * a.dP[j];
        }
      };
      add(t1, u1, v.centre, 1.0, 1.0, true);
      if (g.ka2Ratio > 0.0) {
        const double u2 = g.x[i] - centre2;
        ka2.Evaluate(u2, t2);
        add(t2, u2, centre2, dCentre2, o.ka2Ratio, false);
      }
      if (o.split) {
        row[2] = side[0][0], row[3] = side[0][1], row[4] = side[1][0], row[5] = side[1][1];
      } else {
        row[2] = side[0][0] + side[1][0], row[3] = side[0][1] + side[1][1];
      }
    }
  }
  if (!g.fixedBackground) {
    const std::size_t b = g.peaks * per;
    for (std::size_t i = 0; i < g.points; ++i) {
      gsl_matrix_set(jac, i, b, 1.0);
      gsl_matrix_set(jac, i, b + 1, g.x[i] - g.origin);
    }
  }
  return GSL_SUCCESS;
}

struct GslVector {
  gsl_vector* v;
  explicit GslVector(std::size_t n) : v(gsl_vector_alloc(n)) {}
  ~GslVector() { gsl_vector_free(v); }
  GslVector(const GslVector&) = delete;
  GslVector& operator=(const GslVector&) = delete;
};

struct GslMatrix {
  gsl_matrix* m;
  GslMatrix(std::size_t r, std::size_t c) : m(gsl_matrix_alloc(r, c)) {}
  ~GslMatrix() { gsl_matrix_free(m); }
  GslMatrix(const GslMatrix&) = delete;
  GslMatrix& operator=(const GslMatrix&) = delete;
};

// Inverts a symmetric positive definite matrix in place (Cholesky); false
// when it is not.
bool Invert(gsl_matrix* m) {
  if (gsl_linalg_cholesky_decomp1(m) != GSL_SUCCESS) return false;
  return gsl_linalg_cholesky_invert(m) == GSL_SUCCESS;
}

struct FitWorkspace {
  gsl_multifit_nlinear_workspace* w;
  FitWorkspace(std::size_t n, std::size_t p, gsl_multifit_nlinear_parameters* params)
      : w(gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, params, n, p)) {}
  ~FitWorkspace() { gsl_multifit_nlinear_free(w); }
  FitWorkspace(const FitWorkspace&) = delete;
  FitWorkspace& operator=(const FitWorkspace&) = delete;
};

// The derived values of a peak (height, FWHM, shape) from its parameters.
struct Derived {
  double height, fwhm, shape;
};
Derived DeriveOf(const ProfileOptions& o, const double* p) {
  const PeakView v = ReadPeak(o, p);
  const Line line(o.shape, v.area, v.left, v.right);
  return {line.Height(), line.Fwhm(), line.Shape()};
}

// Standard uncertainties of the derived values through their gradient
// (central differences of the closed forms) and the peak's covariance.
Derived DerivedEsd(const ProfileOptions& o, std::vector<double> p, const gsl_matrix* cov,
                   std::size_t first) {
  const std::size_t n = p.size();
  std::vector<Derived> grad(n);
  for (std::size_t j = 0; j < n; ++j) {
    const double h = 1e-6 * std::max(std::fabs(p[j]), 1e-4);
    const double keep = p[j];
    p[j] = keep + h;
    const Derived up = DeriveOf(o, p.data());
    p[j] = keep - h;
    const Derived down = DeriveOf(o, p.data());
    p[j] = keep;
    grad[j] = {(up.height - down.height) / (2 * h), (up.fwhm - down.fwhm) / (2 * h),
               (up.shape - down.shape) / (2 * h)};
  }
  Derived var{0.0, 0.0, 0.0};
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      const double c = gsl_matrix_get(cov, first + i, first + j);
      var.height += grad[i].height * c * grad[j].height;
      var.fwhm += grad[i].fwhm * c * grad[j].fwhm;
      var.shape += grad[i].shape * c * grad[j].shape;
    }
  }
  return {std::sqrt(var.height), std::sqrt(var.fwhm), std::sqrt(var.shape)};
}

double Sigma(const ProfileData& data, std::size_t i) {
  if (data.esd.size() == data.y.size() && data.esd[i] > 0.0) return data.esd[i];
  return std::sqrt(std::max(data.y[i], 1.0));
}

// Fits one group; fills its peaks (the core ones) and its GroupFit.
void FitGroup(const ProfileData& data, const PeakGroup& group, const std::vector<PeakStart>& starts,
              const ProfileOptions& o, GroupFit& fit, std::vector<FittedPeak>& out,
              const std::vector<int>& slotOf, const double* heldAsymmetry) {
  const std::size_t first = group.firstPoint, n = group.lastPoint - group.firstPoint + 1;
  const bool local = data.background.size() != data.y.size();
  const std::size_t per = static_cast<std::size_t>(PeakParameterCount(o));
  const std::size_t peaks = group.peaks.size();
  const std::size_t terms = static_cast<std::size_t>(TermCount(o.asymmetryTerms));
  const bool fitAsymmetry = terms > 0 && !heldAsymmetry;
  const std::size_t p = peaks * per + (local ? 2 : 0) + (fitAsymmetry ? terms : 0);
  fit.from = data.x[first];
  fit.to = data.x[first + n - 1];
  fit.points = static_cast<int>(n);
  fit.parameters = static_cast<int>(p);
  fit.localBackground = local;
  fit.backgroundOrigin = 0.5 * (fit.from + fit.to);
  if (n <= p) return;

  GroupProblem problem{&o,
                       data.x.data() + first,
                       data.y.data() + first,
                       local ? nullptr : data.background.data() + first,
                       n,
                       peaks,
                       fit.backgroundOrigin,
                       o.ka2 ? o.ka2Wavelength / o.ka1Wavelength : 0.0,
                       peaks * per + (local ? 2 : 0),
                       heldAsymmetry};
  GslVector start(p), weights(n);
  for (std::size_t k = 0; k < peaks; ++k) {
    const PeakStart& s = starts[static_cast<std::size_t>(group.peaks[k])];
    double* q = gsl_vector_ptr(start.v, k * per);
    q[0] = s.centre, q[1] = s.area, q[2] = s.side.a, q[3] = s.side.b;
    if (o.split) q[4] = s.side.a, q[5] = s.side.b;
  }
  if (local) {
    gsl_vector_set(start.v, peaks * per, group.background[0]);
    gsl_vector_set(start.v, peaks * per + 1, group.background[1]);
  }
  for (std::size_t j = 0; fitAsymmetry && j < terms; ++j)
    gsl_vector_set(start.v, problem.asymmetryAt + j, 0.0);
  double sumWeightedY2 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double s = Sigma(data, first + i);
    gsl_vector_set(weights.v, i, 1.0 / (s * s));
    sumWeightedY2 += data.y[first + i] * data.y[first + i] / (s * s);
  }

  gsl_multifit_nlinear_fdf fdf{};
  fdf.f = CallModel;
  fdf.df = CallJacobian;
  fdf.n = n;
  fdf.p = p;
  fdf.params = &problem;
  gsl_multifit_nlinear_parameters params = gsl_multifit_nlinear_default_parameters();
  FitWorkspace work(n, p, &params);
  if (!work.w) return;
  gsl_multifit_nlinear_winit(start.v, weights.v, &fdf, work.w);
  int info = 0;
  const int status = gsl_multifit_nlinear_driver(static_cast<std::size_t>(o.maxIterations), 1e-10,
                                                 1e-10, 0.0, nullptr, nullptr, &info, work.w);
  fit.iterations = static_cast<int>(gsl_multifit_nlinear_niter(work.w));
  // No progress at all means the start was already the least-squares point
  // to the precision of the arithmetic.
  fit.converged = status == GSL_SUCCESS || status == GSL_ENOPROG;

  const gsl_vector* solution = gsl_multifit_nlinear_position(work.w);
  GslVector residual(n);
  CallModel(solution, &problem, residual.v);
  double chi2 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double r = gsl_vector_get(residual.v, i);
    chi2 += r * r * gsl_vector_get(weights.v, i);
  }
  fit.chiSquare = chi2;
  fit.reducedChiSquare = chi2 / static_cast<double>(n - p);
  fit.rwp = sumWeightedY2 > 0.0 ? std::sqrt(chi2 / sumWeightedY2) : kNaN;
  if (local) {
    fit.background[0] = gsl_vector_get(solution, peaks * per);
    fit.background[1] = gsl_vector_get(solution, peaks * per + 1);
  }

  GslMatrix cov(p, p);
  gsl_multifit_nlinear_covar(gsl_multifit_nlinear_jac(work.w), 1e-12, cov.m);
  gsl_matrix_scale(cov.m, fit.reducedChiSquare);
  auto esdOf = [&](std::size_t j) {
    const double v = gsl_matrix_get(cov.m, j, j);
    return v > 0.0 && std::isfinite(v) ? std::sqrt(v) : kNaN;
  };

  // The group's own p and their covariance, for the fit's common ones.
  fit.asymmetry.assign(terms, 0.0);
  fit.asymmetryCovariance.assign(terms * terms, 0.0);
  for (std::size_t j = 0; j < terms; ++j) {
    fit.asymmetry[j] =
        fitAsymmetry ? gsl_vector_get(solution, problem.asymmetryAt + j) : heldAsymmetry[j];
    for (std::size_t i = 0; fitAsymmetry && i < terms; ++i)
      fit.asymmetryCovariance[j * terms + i] =
          gsl_matrix_get(cov.m, problem.asymmetryAt + j, problem.asymmetryAt + i);
  }

  for (std::size_t k = 0; k < peaks; ++k) {
    if (k < group.coreBegin || k >= group.coreEnd) continue;
    const int slot = slotOf[static_cast<std::size_t>(group.peaks[k])];
    if (slot < 0) continue;
    FittedPeak& r = out[static_cast<std::size_t>(slot)];
    const std::size_t b = k * per;
    std::vector<double> q(per);
    for (std::size_t j = 0; j < per; ++j) q[j] = gsl_vector_get(solution, b + j);
    const PeakView v = ReadPeak(o, q.data());
    const Derived d = DeriveOf(o, q.data());
    const Derived e = DerivedEsd(o, q, cov.m, b);
    r.centre = v.centre;
    r.areaValue = v.area;
    if (const double* asym = problem.Asymmetry(solution)) r.asymmetry.assign(asym, asym + terms);
    r.left = v.left;
    r.right = v.right;
    r.twoTheta = {v.centre, esdOf(b)};
    r.area = {v.area, esdOf(b + 1)};
    r.height = {d.height, e.height};
    r.fwhm = {d.fwhm, e.fwhm};
    r.shape = {d.shape, e.shape};
    const double half = 0.5 * v.centre * kRadian;
    const double dValue = o.ka1Wavelength / (2.0 * std::sin(half));
    r.d = {dValue, std::fabs(dValue / std::tan(half) * 0.5 * kRadian) * r.twoTheta.esd};
    const PeakStart& s = starts[static_cast<std::size_t>(group.peaks[k])];
    // A line narrower than the point spacing, or one that left its start
    // by more than its width, fits noise or a neighbour, not a peak.
    const double step = (fit.to - fit.from) / static_cast<double>(n - 1);
    r.ok = fit.converged && v.area > 0.0 && std::isfinite(r.twoTheta.esd) && v.centre > fit.from &&
           v.centre < fit.to && d.fwhm > step && d.fwhm < fit.to - fit.from &&
           std::fabs(v.centre - s.centre) < std::max(d.fwhm, s.fwhm);
  }
}

}  // namespace

ProfileFit FitProfiles(const ProfileData& data, std::span<const double> positions,
                       const ProfileOptions& options) {
  gsl_set_error_handler_off();
  ProfileFit result;
  result.options = options;
  const std::size_t n = std::min(data.x.size(), data.y.size());
  if (n < 3) return result;
  ProfileData d = data;
  d.x = data.x.first(n);
  d.y = data.y.first(n);

  std::vector<double> estimateBackground;
  if (d.background.size() != n) {
    estimateBackground = SnipBackground(d.y, SnipHalfWindow(d.x, kDefaultSnipWindow));
  }
  const std::span<const double> under =
      d.background.size() == n ? d.background : std::span<const double>(estimateBackground);
  std::vector<PeakStart> starts = EstimatePeaks(d.x, d.y, under, positions, options);
  // One result per start, in the order asked for.
  std::vector<int> slotOf(starts.size(), -1);
  for (std::size_t k = 0; k < starts.size(); ++k) {
    slotOf[k] = static_cast<int>(result.peaks.size());
    result.peaks.emplace_back();
  }
  const std::vector<PeakGroup> groups = GroupPeaks(d.x, under, starts, options);
  result.groups.resize(groups.size());
  const double* held = nullptr;
  if (const int terms = TermCount(options.asymmetryTerms)) {
    // The asymmetry is the instrument's: each group gives its own p, too
    // loosely alone (they trade off against the centres); their mean over
    // all groups, weighted by the inverse covariances, is then held in the
    // fit of every group.
    const auto m = static_cast<std::size_t>(terms);
    std::vector<FittedPeak> scratch(result.peaks.size());
    GslMatrix information(m, m), groupInverse(m, m);
    GslVector weighted(m);
    gsl_matrix_set_zero(information.m);
    gsl_vector_set_zero(weighted.v);
    for (std::size_t g = 0; g < groups.size(); ++g) {
      GroupFit trial;
      FitGroup(d, groups[g], starts, options, trial, scratch, slotOf, nullptr);
      if (!trial.converged || trial.asymmetry.size() != m) continue;
      for (std::size_t i = 0; i < m * m; ++i)
        gsl_matrix_set(groupInverse.m, i / m, i % m, trial.asymmetryCovariance[i]);
      if (!Invert(groupInverse.m)) continue;
      gsl_matrix_add(information.m, groupInverse.m);
      for (std::size_t i = 0; i < m; ++i)
        for (std::size_t j = 0; j < m; ++j)
          *gsl_vector_ptr(weighted.v, i) +=
              gsl_matrix_get(groupInverse.m, i, j) * trial.asymmetry[j];
    }
    result.asymmetry.assign(m, Estimate{0.0, kNaN});
    result.heldAsymmetry.assign(m, 0.0);
    if (Invert(information.m)) {
      for (std::size_t i = 0; i < m; ++i) {
        double value = 0.0;
        for (std::size_t j = 0; j < m; ++j)
          value += gsl_matrix_get(information.m, i, j) * gsl_vector_get(weighted.v, j);
        result.asymmetry[i] = {value, std::sqrt(gsl_matrix_get(information.m, i, i))};
        result.heldAsymmetry[i] = value;
      }
    }
    held = result.heldAsymmetry.data();
  }
  for (std::size_t g = 0; g < groups.size(); ++g) {
    FitGroup(d, groups[g], starts, options, result.groups[g], result.peaks, slotOf, held);
    for (std::size_t k = groups[g].coreBegin; k < groups[g].coreEnd; ++k)
      result.peaks[static_cast<std::size_t>(slotOf[static_cast<std::size_t>(groups[g].peaks[k])])]
          .group = static_cast<int>(g);
  }
  return result;
}

double PeakValue(const ProfileFit& fit, const FittedPeak& peak, double x) {
  const ProfileOptions& o = fit.options;
  const Line ka1(o.shape, peak.areaValue, peak.left, peak.right);
  const double h = ka1.Fwhm();
  auto factor = [&](double offset, double centre) {
    return peak.asymmetry.empty()
               ? 1.0
               : AsymmetryAt(o.asymmetryTerms, peak.asymmetry.data(), offset, h, centre).factor;
  };
  double value = ka1.Value(x - peak.centre) * factor(x - peak.centre, peak.centre);
  if (o.ka2) {
    const Line ka2(o.shape, peak.areaValue * o.ka2Ratio, peak.left, peak.right);
    const double centre2 = Ka2Angle(peak.centre, o.ka2Wavelength / o.ka1Wavelength);
    value += ka2.Value(x - centre2) * factor(x - centre2, centre2);
  }
  return value;
}

double GroupBackground(const GroupFit& group, double x) {
  if (!group.localBackground) return 0.0;
  return group.background[0] + group.background[1] * (x - group.backgroundOrigin);
}

FitSummary SummariseFit(const ProfileFit& fit) {
  FitSummary s;
  double weightedY2 = 0.0;
  for (const GroupFit& g : fit.groups) {
    if (!(g.rwp > 0.0)) continue;
    s.chiSquare += g.chiSquare;
    weightedY2 += g.chiSquare / (g.rwp * g.rwp);
    s.points += g.points;
    s.parameters += g.parameters;
  }
  if (weightedY2 > 0.0) s.rwp = std::sqrt(s.chiSquare / weightedY2);
  if (s.points > s.parameters) s.reducedChiSquare = s.chiSquare / (s.points - s.parameters);
  return s;
}

}  // namespace difscop::processing
