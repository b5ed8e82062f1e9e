#include "processing/peak_fit.h"

#include <array>
#include <cmath>

#include "processing/least_squares.h"

namespace difscop::processing {

using workspace::Workspace;

int FitPeakParabola(const Workspace& ws, int centre, float& position, float& height) {
  constexpr int kPoints = 11;
  if (ws.obsCount < kPoints) return -1;
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
  if (FitPolynomial(x, y, 3, fit) != 0) return -1;
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
  if (!std::isfinite(vertex) || !std::isfinite(top)) return -1;
  position = vertex;
  height = top;
  return 0;
}

void RefinePeakList(Workspace& ws) {
  const int count = ws.peakCount;
  for (int i = 1; i <= count; ++i) {
    const auto k = static_cast<std::size_t>(i);
    float position = ws.peak2Theta[k];
    float height = ws.peakIntensity[k];
    FitPeakParabola(ws, ws.peakPointIndex[k], position, height);
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
