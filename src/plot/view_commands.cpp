#include "plot/view_commands.h"

#include <algorithm>
#include <tuple>

#include "plot/view.h"

namespace difscop::plot {
namespace {

void Refresh(workspace::Workspace& ws, platform::Platform& platform) {
  if (!ws.blankPlot) AutoRangeView(ws);
  platform.RequestRepaint();
}

}  // namespace

void SetLayoutCommand(workspace::Workspace& ws, platform::Platform& platform,
                      workspace::Layout layout) {
  ws.layout = layout;
  Refresh(ws, platform);
}

void SetXAxisCommand(workspace::Workspace& ws, platform::Platform& platform,
                     workspace::XAxis axis) {
  ws.xAxis = axis;
  Refresh(ws, platform);
}

void SetYAxisCommand(workspace::Workspace& ws, platform::Platform& platform,
                     workspace::YAxis axis) {
  ws.yAxis = axis;
  Refresh(ws, platform);
}

void SetNormaliseCommand(workspace::Workspace& ws, platform::Platform& platform,
                         workspace::Normalise normalise) {
  ws.normalise = normalise;
  if (normalise == workspace::Normalise::kArea)
    std::tie(ws.normaliseAxis, ws.normaliseFrom, ws.normaliseTo) =
        std::tuple{ws.xAxis, ws.xMin, ws.xMax};
  Refresh(ws, platform);
}

void ChangeStackOffsetCommand(workspace::Workspace& ws, platform::Platform& platform,
                              float factor) {
  ws.stackOffset = std::clamp(ws.stackOffset * factor, 1.0f, 400.0f);
  Refresh(ws, platform);
}

}  // namespace difscop::plot
