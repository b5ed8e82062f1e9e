// Synthetic measured patterns for the processing tests.
#pragma once

#include <cmath>
#include <functional>
#include <memory>

#include "workspace/workspace.h"

namespace difscop::processing::testing {

// A raw pattern of n points from start in steps of step, intensities from f,
// drawn over its automatic range as after a load.
inline std::unique_ptr<workspace::Workspace> MakePattern(int n, float start, float step,
                                                         const std::function<float(float)>& f) {
  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  ws->obsCount = n;
  for (int i = 1; i <= n; ++i) {
    const float x = start + static_cast<float>(i - 1) * step;
    ws->obs[static_cast<std::size_t>(i)] = {x, f(x)};
  }
  ws->stepStart = ws->obs[1].x;
  ws->stepWidth = n >= 2 ? ws->obs[2].x - ws->obs[1].x : step;
  ws->stepEnd = ws->obs[static_cast<std::size_t>(n)].x;
  ws->rawLoaded = 1;
  ws->blankPlot = 0;
  workspace::AutoRange(*ws);
  workspace::ChooseTicks(*ws);
  return ws;
}

// A Gaussian of the given height and full width at half maximum.
inline float Gauss(float x, float centre, float height, float fwhm) {
  const float s = fwhm / 2.35482f;
  return height * std::exp(-(x - centre) * (x - centre) / (2.0f * s * s));
}

}  // namespace difscop::processing::testing
