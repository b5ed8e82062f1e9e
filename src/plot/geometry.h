// Plot geometry: where the frame, the baseline, the marker rows and the
// difference zero line lie for a client area, and how data map to pixels.
// Pure functions of the client size and the workspace, so tests need no
// window.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "workspace/workspace.h"

namespace difscop::plot {

using workspace::Workspace;

struct PlotGeometry {
  int plotLeft = 0;
  int plotRight = 0;
  int plotTop = 0;
  int plotBottom = 0;
  int yTickLength = 0;
  int rowStep = 0;  // negative: one row upwards
  int baseY = 0;
  int diffZeroY = 0;
  std::array<int, workspace::kMaxPhases + 1> markerRowY{};
  float xScale = 0.0f;  // 0 when the range cannot be drawn
  float yScale = 0.0f;
};

// True when the drawing range and ticks can be drawn: a range that ends after
// it starts and increments above zero. Anything else is never drawn.
bool RangeDrawable(const Workspace& ws);

// Phase count as the tables allow it (0..kMaxPhases).
int PhaseRows(const Workspace& ws);

PlotGeometry ComputePlotGeometry(const Workspace& ws, int clientWidth, int clientHeight);

// Stores the geometry in the workspace fields the mouse handlers read.
void StoreGeometry(Workspace& ws, const PlotGeometry& g);

// Truncation toward zero of a computed coordinate, kept within a range that
// later integer arithmetic cannot overflow (a zoomed scale can send distant
// data millions of pixels away). NaN goes far off to the right/bottom.
// Inline: the series drawing maps every point through it. kFarCoordinate
// lies far beyond any client area, small enough that sums of two stay in range.
inline constexpr double kFarCoordinate = 1.0e8;
inline int TruncCoordinate(double v) {
  if (std::isnan(v)) return static_cast<int>(kFarCoordinate);
  return static_cast<int>(std::clamp(v, -kFarCoordinate, kFarCoordinate));
}

// Device x and y of a value on the axes shown (x in the unit shown, y in
// counts on the intensity scale shown) with the stored geometry.
int DeviceX(const Workspace& ws, float x);
int DeviceY(const Workspace& ws, float y);
// y relative to another zero line (the difference curve).
int DeviceYFrom(const Workspace& ws, int zeroY, float y);

// Data value under a device point; the inverse of the above.
float DataX(const Workspace& ws, int px);
float DataY(const Workspace& ws, int py);

// Strictly inside the frame, as the mouse tests it.
bool StrictlyInsideFrame(const Workspace& ws, workspace::DevicePoint p);
// Inside the frame edges included, as the series drawing tests it.
inline bool InsideFrame(const Workspace& ws, int px, int py) {
  return ws.plotLeft <= px && px <= ws.plotRight && ws.plotTop <= py && py <= ws.plotBottom;
}

// Colour roles: in black-and-white drawing every line and text is the ink
// colour and every background the paper colour.
workspace::Colour InkColour(const Workspace& ws, workspace::Colour colour);
workspace::Colour PaperColour(const Workspace& ws, workspace::Colour colour);

}  // namespace difscop::plot
