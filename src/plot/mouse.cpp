#include "plot/mouse.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "plot/axes.h"
#include "plot/geometry.h"
#include "plot/plot.h"
#include "plot/view.h"
#include "textio/text_writer.h"

namespace difscop::plot {
namespace {

using workspace::Workspace;

std::string WithoutLeadingBlanks(std::string text) {
  text.erase(0, text.find_first_not_of(' '));
  return text;
}

bool InsideMeasuredRange(const Workspace& ws, const workspace::PointArray& data, float t) {
  const int n = std::min(ws.obsCount, workspace::kMaxPoints);
  return n >= 1 && data[1].x < t && t < data[n].x;
}

void ShowReadout(Workspace& ws, DevicePoint point) {
  if (ws.blankPlot || ws.xScale == 0.0f || !StrictlyInsideFrame(ws, point)) return;
  // A simulated pattern lives in calc; obs may still hold an older pattern.
  const workspace::PointArray& data = ws.simulationMode ? ws.calc : ws.obs;
  // The value on the axis shown, the point looked up by its angle.
  const float shown = DataX(ws, point.x);
  const ActiveView active = ActivePatternView(ws);
  const float t = TwoThetaOfAxisX(ws.xAxis, shown, active.wavelength);
  if (!InsideMeasuredRange(ws, data, t)) return;
  ws.statusPaneText[0] = "x=" + WithoutLeadingBlanks(textio::Format("%6.3f", shown));
  // The point nearest to the cursor: an index computed from the step would
  // land degrees away across an excluded region of a fitted pattern.
  const int n = std::min(ws.obsCount, static_cast<int>(data.size()) - 1);
  if (n < 1) return;
  const workspace::Point* first = data.data() + 1;
  const auto above = std::lower_bound(first, first + n, t,
                                      [](const workspace::Point& p, float x) { return p.x < x; });
  auto nearest = above == first + n ? above - 1 : above;
  if (nearest != first && t - (nearest - 1)->x < nearest->x - t) --nearest;
  const float y = nearest->y * active.scale;
  ws.statusPaneText[1] =
      "y=" + WithoutLeadingBlanks(textio::Format(active.scale == 1.0f ? "%7.0f" : "%7.2f", y));
}

}  // namespace

float SnapToStep(float value, float stepWidth) {
  int factor = 0;
  if (stepWidth >= 0.01f && stepWidth < 0.1f)
    factor = 100;
  else if (stepWidth >= 0.001f && stepWidth < 0.01f)
    factor = 1000;
  else
    return value;
  constexpr double kLimit = 2.0e9;
  const double scaled = std::clamp(static_cast<double>(value) * factor, -kLimit, kLimit);
  const long long n = static_cast<long long>(scaled);
  const long long m = static_cast<long long>(static_cast<double>(stepWidth) * factor + 0.5);
  return static_cast<float>((n / m) * m) / static_cast<float>(factor);
}

MouseResponse OnLeftButtonDown(Workspace& ws, DevicePoint point) {
  MouseResponse response;
  if (!ws.plotDrawn) return response;
  if (!ws.manualPeakMode) {
    ws.zoomStart = ws.dragStart = ws.dragCurrent = point;
    ws.dragActive = 1;
    response.captureMouse = true;
    response.repaintOverlay = true;
  }
  // Once the table is full further clicks are ignored.
  if (ws.backgroundPickMode && StrictlyInsideFrame(ws, point) &&
      ws.backgroundPointCount < workspace::kMaxBackgroundPoints && ws.xScale != 0.0f) {
    // Kept in the pattern's own 2theta and counts, whatever the axes show.
    const workspace::Point picked = ActivePointAt(ws, point);
    if (InsideMeasuredRange(ws, ws.obs, picked.x)) {
      const int k = std::max(ws.backgroundPointCount, 0) + 1;
      ws.backgroundPointCount = k;
      ws.backgroundX[k] = picked.x;
      ws.backgroundY[k] = picked.y;
      // Without a drag no button-up repaint would show the point.
      if (!ws.dragActive) response.repaintAll = true;
    }
  }
  return response;
}

MouseResponse OnMouseMove(Workspace& ws, DevicePoint point) {
  MouseResponse response;
  if (ws.obsCount <= 0) return response;
  ShowReadout(ws, point);
  if (ws.dragActive && !ws.manualPeakMode) {
    ws.statusPaneText[2] = kRightClickHint;
    ws.dragCurrent = point;
    response.repaintOverlay = true;
  }
  if (!ws.dragActive && ws.manualPeakMode) {
    if (StrictlyInsideFrame(ws, point)) {
      ws.cursorPos = point;
      response.repaintOverlay = true;
    }
    ws.statusPaneText[2] = kRightClickHint;
  }
  return response;
}

MouseResponse OnLeftButtonUp(Workspace& ws, DevicePoint point) {
  MouseResponse response;
  if (!ws.plotDrawn || !ws.dragActive || ws.manualPeakMode) return response;

  ws.zoomEnd = point;
  if (ws.zoomEnd.x < ws.zoomStart.x) std::swap(ws.zoomEnd.x, ws.zoomStart.x);
  if (ws.zoomStart.y < ws.zoomEnd.y) std::swap(ws.zoomEnd.y, ws.zoomStart.y);
  ws.dragActive = 0;

  const bool map = ws.layout == workspace::Layout::kMap;
  // A click on a map row (a drag of a pixel or two at most) makes its
  // pattern the active one.
  if (map && std::abs(ws.zoomEnd.x - ws.zoomStart.x) <= 2 &&
      std::abs(ws.zoomEnd.y - ws.zoomStart.y) <= 2) {
    const std::vector<ShownPattern> shown = ShownPatterns(ws);
    const int row = MapRowAt(ws, static_cast<int>(shown.size()), point.y);
    if (row >= 0 && StrictlyInsideFrame(ws, point) && !ws.patterns.empty()) {
      workspace::Activate(ws, shown[static_cast<std::size_t>(row)].index);
      workspace::UpdateTitle(ws);
    }
  } else if (ws.xScale != 0.0f && ws.yScale != 0.0f) {
    // The measuring grid is in 2theta: other axes are not snapped.
    const bool twoTheta = ws.xAxis == workspace::XAxis::kTwoTheta;
    const float x1 = twoTheta ? SnapToStep(DataX(ws, ws.zoomStart.x), ws.stepWidth)
                              : DataX(ws, ws.zoomStart.x);
    const float x2 = twoTheta ? SnapToStep(DataX(ws, ws.zoomEnd.x), ws.stepWidth)
                              : DataX(ws, ws.zoomEnd.x);
    // Linear counts: measured from the old yMin, which is not added, so a
    // zoom starts at 0; a square root scale starts at 0 too; a log scale
    // takes the rectangle as it is. A map keeps its colour scale.
    float y1 = 0.0f;
    float y2 = static_cast<float>(ws.zoomEnd.y - ws.baseY) / ws.yScale;
    if (ws.yAxis == workspace::YAxis::kSqrt) y2 = DataY(ws, ws.zoomEnd.y);
    if (ws.yAxis == workspace::YAxis::kLog) {
      y1 = DataY(ws, ws.zoomStart.y);
      y2 = DataY(ws, ws.zoomEnd.y);
    }
    if (map) std::tie(y1, y2) = std::pair{ws.yMin, ws.yMax};
    const float dx = std::fabs(x2 - x1);
    const float dy = std::fabs(y2 - y1);
    // A top at or below 0 (a drag ending under the baseline) would turn the
    // plot upside down; such a rectangle is refused like a too small one.
    const float least = ws.yAxis == workspace::YAxis::kLog ? 0.0f : 0.001f;
    if (dx <= 1e7f && dy <= 1e7f && dx >= 0.001f && dy >= least && y2 > y1 && x2 > x1) {
      ws.xMin = x1;
      ws.xMax = x2;
      ws.yMin = y1;
      ws.yMax = y2;
    }
  }
  ChooseViewTicks(ws);
  response.releaseMouse = true;
  response.repaintOverlay = true;
  response.repaintAll = true;
  return response;
}

MouseResponse OnRightButtonUp(Workspace& ws, DevicePoint /*point*/) {
  MouseResponse response;
  for (auto& text : ws.statusPaneText) text.clear();
  response.releaseMouse = ws.dragActive != 0;
  response.repaintOverlay = ws.dragActive || ws.manualPeakMode;
  ws.plotDrawn = 0;
  ws.dragActive = 0;
  if (ws.autoPeaksFound) {
    ws.autoPeaksFound = 0;
    ws.peakCount = 0;
  }
  if (ws.manualPeakMode) {
    ws.manualPeakMode = 0;
    ws.manualPeakCount = 0;
  }
  if (ws.backgroundCurveValid) {
    ws.backgroundCurveValid = 0;
    ws.backgroundPointCount = 0;
  }
  if (!ws.blankPlot) {
    AutoRangeView(ws);
    response.repaintAll = true;
  }
  return response;
}

void DrawOverlay(const Workspace& ws, Surface& surface) {
  if (ws.dragActive && !ws.manualPeakMode) {
    surface.SetXorMode(true);
    surface.SetPen({ws.colObs, 1, PenStyle::Solid});
    surface.SetBrush(std::nullopt);
    const DevicePoint band[] = {ws.dragStart,
                                {ws.dragStart.x, ws.dragCurrent.y},
                                ws.dragCurrent,
                                {ws.dragCurrent.x, ws.dragStart.y},
                                ws.dragStart};
    surface.Polyline(band);
    surface.SetXorMode(false);
  } else if (!ws.dragActive && ws.manualPeakMode) {
    surface.SetXorMode(true);
    surface.SetPen({ws.colFont, 1, PenStyle::Dot});
    const DevicePoint line[] = {{ws.cursorPos.x, ws.plotBottom}, {ws.cursorPos.x, ws.plotTop}};
    surface.Polyline(line);
    surface.SetXorMode(false);
  }
}

}  // namespace difscop::plot
