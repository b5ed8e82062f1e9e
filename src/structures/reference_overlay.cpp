#include "structures/reference_overlay.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace difscop::structures {
namespace {

// The 2theta span to compute: the measured points and the drawing range.
std::pair<double, double> Span(const workspace::Workspace& ws) {
  double lo = ws.xMin, hi = ws.xMax;
  if (ws.obsCount >= 2) {
    lo = std::min<double>(lo, ws.obs[1].x);
    hi = std::max<double>(hi, ws.obs[ws.obsCount].x);
  }
  return {std::max(0.0, lo), std::min(180.0, hi)};
}

// Height of a unit-area pseudo-Voigt at its centre.
double PeakHeight(const ProfileShape& shape) {
  const double eta = std::clamp(shape.eta, 0.0, 1.0);
  return eta * 2.0 / (std::numbers::pi * shape.fwhm) +
         (1.0 - eta) * 2.0 / shape.fwhm * std::sqrt(std::numbers::ln2 / std::numbers::pi);
}

// Without a profile: the phase's strongest line within the measured points
// meets the highest point within 0.05 degrees (at least a step) of it. A
// phase in the sample then shows where its other lines fall against the
// peaks; an absent one stays at the background.
double StickScale(const std::vector<PowderReflection>& list, const std::vector<double>& x,
                  const std::vector<double>& y, double fallbackTop) {
  const PowderReflection* strongest = nullptr;
  for (const PowderReflection& r : list) {
    if (x.size() < 2 || r.twoTheta < x.front() || r.twoTheta > x.back()) continue;
    if (!strongest || r.intensity > strongest->intensity) strongest = &r;
  }
  if (!strongest || !(strongest->intensity > 0.0)) return fallbackTop / 100.0;
  const double reach = std::max(0.05, std::fabs(x[1] - x[0]));
  const auto first = std::lower_bound(x.begin(), x.end(), strongest->twoTheta - reach);
  const auto last = std::upper_bound(x.begin(), x.end(), strongest->twoTheta + reach);
  if (first == last) return fallbackTop / 100.0;
  const double local =
      *std::max_element(y.begin() + (first - x.begin()), y.begin() + (last - x.begin()));
  return std::max(0.0, local) / strongest->intensity;
}

}  // namespace

OverlayUpdate UpdateReferenceOverlays(const std::vector<ReferencePhase>& phases,
                                      const ReferenceOptions& options, workspace::Workspace& ws) {
  OverlayUpdate update;
  ws.referencePhases.clear();
  const auto [lo, hi] = Span(ws);
  std::vector<double> x, y;
  for (int i = 1; i <= ws.obsCount; ++i) {
    x.push_back(ws.obs[i].x);
    y.push_back(ws.obs[i].y);
  }
  const double top = y.empty() ? ws.yMax : *std::max_element(y.begin(), y.end());

  std::vector<std::vector<PowderReflection>> lists;
  for (const ReferencePhase& phase : phases) {
    PowderSettings s;
    s.wavelength = ws.StatedWavelength() > 0.0f ? ws.StatedWavelength() : ws.wavelength;
    s.probe = phase.probe;
    s.twoThetaMin = lo;
    s.twoThetaMax = hi;
    s.cellScale = phase.cellScale;
    s.zeroShift = phase.zeroShift;
    s.monochromatorTwoTheta = options.monochromatorTwoTheta;
    PowderReflections r = ComputePowderReflections(phase.structure, s);
    if (!r.ok) {
      if (update.error.empty()) update.error = phase.name + ": " + r.error;
      r.reflections.clear();
    }
    lists.push_back(std::move(r.reflections));
  }

  std::vector<double> scales(phases.size(), 0.0);
  double background = 0.0;
  const bool fit = options.profile && !phases.empty() && x.size() >= 2;
  std::vector<std::vector<double>> profiles;
  if (fit) {
    for (const auto& list : lists) profiles.push_back(PhaseProfile(list, x, options.shape));
    const PhaseScaleFit f = FitPhaseScales(y, profiles);
    if (f.ok) {
      scales = f.scales;
      background = f.background;
      update.scales = f.scales;
      update.rwp = f.rwp;
    } else if (update.error.empty()) {
      update.error = f.error;
    }
  }
  const bool fitted = fit && !update.scales.empty();

  for (std::size_t p = 0; p < phases.size(); ++p) {
    workspace::ReferenceOverlay overlay;
    overlay.name = phases[p].name;
    overlay.colour = phases[p].colour;
    const double peak = PeakHeight(options.shape);
    const double stickScale = fitted ? 0.0 : StickScale(lists[p], x, y, top);
    for (const PowderReflection& r : lists[p]) {
      workspace::ReferenceStick s;
      s.twoTheta = static_cast<float>(r.twoTheta);
      s.h = r.h;
      s.k = r.k;
      s.l = r.l;
      s.d = static_cast<float>(r.d);
      s.intensity = static_cast<float>(r.intensity);
      s.height = static_cast<float>(fitted ? background + scales[p] * r.intensity * peak
                                           : stickScale * r.intensity);
      overlay.sticks.push_back(s);
    }
    if (fitted) {
      for (std::size_t i = 0; i < x.size(); ++i) {
        overlay.profile.push_back({static_cast<float>(x[i]),
                                   static_cast<float>(background + scales[p] * profiles[p][i])});
      }
    }
    ws.referencePhases.push_back(std::move(overlay));
  }
  update.ok = update.error.empty();
  return update;
}

}  // namespace difscop::structures
