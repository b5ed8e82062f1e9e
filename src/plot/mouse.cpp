#include "plot/mouse.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "plot/geometry.h"
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
  const float t = DataX(ws, point.x);
  if (!InsideMeasuredRange(ws, data, t)) return;
  ws.statusPaneText[0] = "x=" + WithoutLeadingBlanks(textio::Format("%6.3f", t));
  // The point nearest to the cursor: an index computed from the step would
  // land degrees away across an excluded region of a fitted pattern.
  const int n = std::min(ws.obsCount, static_cast<int>(data.size()) - 1);
  if (n < 1) return;
  const workspace::Point* first = data.data() + 1;
  const auto above = std::lower_bound(first, first + n, t,
                                      [](const workspace::Point& p, float x) { return p.x < x; });
  auto nearest = above == first + n ? above - 1 : above;
  if (nearest != first && t - (nearest - 1)->x < nearest->x - t) --nearest;
  ws.statusPaneText[1] = "y=" + WithoutLeadingBlanks(textio::Format("%7.0f", nearest->y));
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
    const float x = DataX(ws, point.x);
    if (InsideMeasuredRange(ws, ws.obs, x)) {
      const int k = std::max(ws.backgroundPointCount, 0) + 1;
      ws.backgroundPointCount = k;
      ws.backgroundX[k] = x;
      ws.backgroundY[k] = DataY(ws, point.y);
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

  if (ws.xScale != 0.0f && ws.yScale != 0.0f) {
    const float x1 = SnapToStep(DataX(ws, ws.zoomStart.x), ws.stepWidth);
    const float x2 = SnapToStep(DataX(ws, ws.zoomEnd.x), ws.stepWidth);
    const float y1 = 0.0f;
    // Measured from the old yMin, which is not added: a zoom starts at 0.
    const float y2 = static_cast<float>(ws.zoomEnd.y - ws.baseY) / ws.yScale;
    const float dx = std::fabs(x2 - x1);
    const float dy = std::fabs(y2 - y1);
    // A top at or below 0 (a drag ending under the baseline) would turn the
    // plot upside down; such a rectangle is refused like a too small one.
    if (dx <= 1e7f && dy <= 1e7f && dx >= 0.001f && dy >= 0.001f && y2 > y1) {
      ws.xMin = x1;
      ws.xMax = x2;
      ws.yMin = 0.0f;
      ws.yMax = y2;
    }
  }
  workspace::ChooseTicks(ws);
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
    workspace::AutoRange(ws);
    workspace::ChooseTicks(ws);
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
