// Measured patterns for the benchmarks: n points from 5 to 125 degrees with
// a peak every 0.75 degrees (160 of them) on a sloping background, the way a long scan of a
// well crystallised sample looks.
#pragma once

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "workspace/workspace.h"

namespace difscop::bench {

inline float PatternAngle(int i, int n) {
  return 5.0f + 120.0f * static_cast<float>(i - 1) / static_cast<float>(n > 1 ? n - 1 : 1);
}

inline float PatternCounts(float x) {
  const float centre = 5.375f + 0.75f * std::floor((x - 5.0f) / 0.75f);
  const float d = (x - centre) / 0.02f;
  return 200.0f - x + 3000.0f * std::exp(-d * d);
}

// A measured pattern of n points, ranged and ticked as after loading it.
inline std::unique_ptr<workspace::Workspace> MeasuredPattern(int n) {
  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  for (int i = 1; i <= n; ++i) {
    const float x = PatternAngle(i, n);
    ws->obs[static_cast<std::size_t>(i)] = {x, PatternCounts(x)};
  }
  ws->obsCount = n;
  ws->stepStart = ws->obs[1].x;
  ws->stepWidth = ws->obs[2].x - ws->obs[1].x;
  ws->stepEnd = ws->obs[static_cast<std::size_t>(n)].x;
  ws->segmentCount = 1;
  ws->segmentPointCount[1] = n;
  ws->rawLoaded = 1;
  ws->blankPlot = 0;
  workspace::AutoRange(*ws);
  workspace::ChooseTicks(*ws);
  return ws;
}

// The same pattern as an (x,y) text file, one "angle counts" line a point.
inline bool WriteXyFile(const std::string& path, int n) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  for (int i = 1; i <= n; ++i) {
    const float x = PatternAngle(i, n);
    std::fprintf(f, "%.4f %.0f\n", static_cast<double>(x), static_cast<double>(PatternCounts(x)));
  }
  return std::fclose(f) == 0;
}

}  // namespace difscop::bench
