#include "processing/peak_fit.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "processing/least_squares.h"

namespace difscop::processing {

using workspace::Workspace;

namespace {

// The parabola fit, also telling the window's 2theta span and whether the
// vertex is a maximum.
struct ParabolaFit {
  float position = 0.0f;
  float height = 0.0f;
  double low = 0.0, high = 0.0;  // 2theta of the window's first and last point
  bool maximum = false;
};

bool FitParabola(const Workspace& ws, int centre, ParabolaFit& out) {
  constexpr int kPoints = 11;
  if (ws.obsCount < kPoints) return false;
  int first = centre - kPoints / 2;
  if (first < 1) first = 1;
  if (first + kPoints - 1 > ws.obsCount) first = ws.obsCount - kPoints + 1;

  std::array<double, kPoints> x{};
  std::array<double, kPoints> y{};
  for (int k = 0; k < kPoints; ++k) {
    const workspace::Point& p = ws.obs[static_cast<std::size_t>(first + k)];
    x[static_cast<std::size_t>(k)] = p.x;
    y[static_cast<std::size_t>(k)] = p.y;
  }
  LeastSquaresFit fit;
  if (FitPolynomial(x, y, 3, fit) != 0) return false;
  const double a1 = fit.coefficients[0];
  const double a2 = fit.coefficients[1];
  const double a3 = fit.coefficients[2];
  // The vertex is taken wherever it falls, far outside the window for a
  // nearly straight line. Only a vertex that is no number at all (an exactly
  // straight or flat line) counts as a failed fit, so that no infinity or NaN
  // reaches the peak list and the files written from it.
  const float vertex = static_cast<float>(-a2 / (2.0 * a3));
  const double v = vertex;
  const float top = static_cast<float>(a1 + a2 * v + a3 * v * v);
  if (!std::isfinite(vertex) || !std::isfinite(top)) return false;
  out.position = vertex;
  out.height = top;
  out.low = std::min(x.front(), x.back());
  out.high = std::max(x.front(), x.back());
  out.maximum = a3 < 0.0;
  return true;
}

}  // namespace

int FitPeakParabola(const Workspace& ws, int centre, float& position, float& height) {
  ParabolaFit fit;
  if (!FitParabola(ws, centre, fit)) return -1;
  position = fit.position;
  height = fit.height;
  return 0;
}

void RefinePeakList(Workspace& ws) {
  const int count = ws.peakCount;
  for (int i = 1; i <= count; ++i) {
    const auto k = static_cast<std::size_t>(i);
    float position = ws.peak2Theta[k];
    float height = ws.peakIntensity[k];
    // Only a maximum inside the fitted points refines the peak: a noise
    // bump on a slope fits a parabola whose vertex lies degrees away, often
    // below zero, and such a "peak" would mislead the indexing.
    ParabolaFit fit;
    if (FitParabola(ws, ws.peakPointIndex[k], fit) && fit.maximum && fit.position >= fit.low &&
        fit.position <= fit.high) {
      position = fit.position;
      height = fit.height;
    }
    ws.fitted2Theta[k] = position;
    ws.fittedIntensity[k] = height;
    ws.fittedD[k] = workspace::DSpacing(ws.wavelength, position);
  }
  for (int i = 1; i <= count; ++i) {
    const auto k = static_cast<std::size_t>(i);
    ws.peak2Theta[k] = ws.fitted2Theta[k];
    ws.peakIntensity[k] = ws.fittedIntensity[k];
    ws.peakD[k] = ws.fittedD[k];
  }
}

}  // namespace difscop::processing
