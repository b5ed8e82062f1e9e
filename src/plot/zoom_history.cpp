#include "plot/zoom_history.h"

#include <cmath>

#include "plot/geometry.h"
#include "plot/view.h"

namespace difscop::plot {

ViewRange ViewRange::Of(const workspace::Workspace& ws) {
  return {ws.xMin, ws.xMax, ws.yMin, ws.yMax, ws.xTick, ws.yTick};
}

void ViewRange::ApplyTo(workspace::Workspace& ws) const {
  ws.xMin = xMin;
  ws.xMax = xMax;
  ws.yMin = yMin;
  ws.yMax = yMax;
  ws.xTick = xTick;
  ws.yTick = yTick;
}

namespace {

std::array<int, 3> AxesOf(const workspace::Workspace& ws) {
  return {static_cast<int>(ws.xAxis), static_cast<int>(ws.yAxis), static_cast<int>(ws.layout)};
}

}  // namespace

bool ZoomHistory::SamePattern(const workspace::Workspace& ws) const {
  return pattern_ == ws.dataFilePath && axes_ == AxesOf(ws);
}

void ZoomHistory::Record(const workspace::Workspace& ws, const ViewRange& before) {
  if (!SamePattern(ws)) {
    steps_.clear();
    pattern_ = ws.dataFilePath;
    axes_ = AxesOf(ws);
  }
  if (!steps_.empty() && steps_.back() == before) return;
  steps_.push_back(before);
  while (steps_.size() > kCapacity) steps_.pop_front();
}

bool ZoomHistory::StepBack(workspace::Workspace& ws) {
  if (!SamePattern(ws)) steps_.clear();
  if (steps_.empty() || ws.blankPlot) return false;
  steps_.back().ApplyTo(ws);
  steps_.pop_back();
  return true;
}

MouseResponse OnWheel(workspace::Workspace& ws, DevicePoint point, int angleDelta) {
  MouseResponse response;
  if (!ws.plotDrawn || ws.blankPlot || ws.dragActive || angleDelta == 0 || ws.xScale == 0.0f ||
      !StrictlyInsideFrame(ws, point)) {
    return response;
  }
  const double notches = static_cast<double>(angleDelta) / kWheelNotch;
  const double factor = std::pow(0.8, notches);
  const double at = DataX(ws, point.x);
  const double xMin = at - (at - ws.xMin) * factor;
  const double xMax = at + (ws.xMax - at) * factor;
  const double width = xMax - xMin;
  const float low = static_cast<float>(xMin);
  const float high = static_cast<float>(xMax);
  if (!(width >= 0.001 && width <= 1e7) || !(low < high)) return response;
  ws.xMin = low;
  ws.xMax = high;
  ChooseViewTicks(ws);
  response.repaintAll = true;
  return response;
}

}  // namespace difscop::plot
