#include "plot/geometry.h"

#include <algorithm>
#include <cmath>

#include "plot/axes.h"
#include "plot/view.h"

namespace difscop::plot {
bool RangeDrawable(const Workspace& ws) {
  // Written so that NaN fails every test.
  if (!(ws.xMax > ws.xMin && ws.yMax > ws.yMin && ws.xTick > 0.0f && ws.yTick > 0.0f &&
        std::isfinite(ws.xMax - ws.xMin) && std::isfinite(ws.yMax - ws.yMin)))
    return false;
  // A log scale needs a top above zero and a lower end below it.
  if (ws.yAxis != workspace::YAxis::kLog) return true;
  const float low = YLow(ws);
  return ws.yMax > 0.0f && low > 0.0f && low < ws.yMax;
}

int PhaseRows(const Workspace& ws) {
  return std::clamp(ws.phaseCount, 0, workspace::kMaxPhases);
}

PlotGeometry ComputePlotGeometry(const Workspace& ws, int clientWidth, int clientHeight) {
  PlotGeometry g;
  const int w = std::max(clientWidth, 0);
  const int h = std::max(clientHeight, 0);
  g.plotLeft = w / 7;
  g.plotRight = 15 * w / 16;
  g.plotTop = h / 16;
  g.plotBottom = 13 * h / 16;
  g.yTickLength = static_cast<int>((g.plotRight - g.plotLeft) / 60.0);
  g.rowStep = static_cast<int>((g.plotTop - g.plotBottom) / 40.0);

  const int phases = PhaseRows(ws);
  if (ws.rawLoaded)
    g.baseY = (g.plotBottom - g.plotTop) + g.rowStep / 2;
  else
    g.baseY = (g.plotBottom - g.plotTop) + g.rowStep * (phases + 3);
  for (int k = 1; k <= phases; ++k) g.markerRowY[k] = g.baseY - g.rowStep * (k + 1) - 2 + 2 * k;
  g.diffZeroY = g.baseY - g.rowStep * (phases + 2) + 2 * phases;

  if (RangeDrawable(ws)) {
    g.xScale = static_cast<float>(g.plotRight - g.plotLeft) / (ws.xMax - ws.xMin);
    g.yScale = static_cast<float>(g.plotTop - g.baseY) /
               (ScaleY(ws.yAxis, ws.yMax) - ScaleY(ws.yAxis, YLow(ws)));
  }
  return g;
}

void StoreGeometry(Workspace& ws, const PlotGeometry& g) {
  ws.plotLeft = g.plotLeft;
  ws.plotRight = g.plotRight;
  ws.plotTop = g.plotTop;
  ws.plotBottom = g.plotBottom;
  ws.frameRect = {g.plotLeft, g.plotTop, g.plotRight, g.plotBottom};
  ws.yTickLength = g.yTickLength;
  ws.rowStep = g.rowStep;
  ws.baseY = g.baseY;
  ws.diffZeroY = g.diffZeroY;
  ws.markerRowY = g.markerRowY;
  ws.xScale = g.xScale;
  ws.yScale = g.yScale;
}

int DeviceX(const Workspace& ws, float x) {
  return ws.plotLeft + TruncCoordinate((x - ws.xMin) * ws.xScale);
}

int DeviceY(const Workspace& ws, float y) {
  return DeviceYFrom(ws, ws.baseY, y);
}

int DeviceYFrom(const Workspace& ws, int zeroY, float y) {
  if (ws.yAxis == workspace::YAxis::kLinear) return zeroY + TruncCoordinate((y - ws.yMin) * ws.yScale);
  return zeroY + TruncCoordinate((ScaleY(ws.yAxis, y) - ScaleY(ws.yAxis, YLow(ws))) * ws.yScale);
}

float DataX(const Workspace& ws, int px) {
  return static_cast<float>(px - ws.plotLeft) / ws.xScale + ws.xMin;
}

float DataY(const Workspace& ws, int py) {
  if (ws.yAxis == workspace::YAxis::kLinear)
    return static_cast<float>(py - ws.baseY) / ws.yScale + ws.yMin;
  return UnscaleY(ws.yAxis,
                  static_cast<float>(py - ws.baseY) / ws.yScale + ScaleY(ws.yAxis, YLow(ws)));
}

bool StrictlyInsideFrame(const Workspace& ws, workspace::DevicePoint p) {
  return ws.plotLeft < p.x && p.x < ws.plotRight && ws.plotTop < p.y && p.y < ws.plotBottom;
}

workspace::Colour InkColour(const Workspace& ws, workspace::Colour colour) {
  return ws.colorDrawing ? colour : ws.colMonoInk;
}

workspace::Colour PaperColour(const Workspace& ws, workspace::Colour colour) {
  return ws.colorDrawing ? colour : ws.colMonoPaper;
}

}  // namespace difscop::plot
