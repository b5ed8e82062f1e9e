#include "plot/range_commands.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::plot {
namespace {

using platform::RangeField;

int Trunc(double v) {
  constexpr double kLimit = std::numeric_limits<int>::max();
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

RangeField Field(const char* label, float value, int spinMaximum, int spinPosition,
                 int multiplier) {
  RangeField f;
  f.label = label;
  f.text = textio::Format("%d", Trunc(value));
  f.spinMinimum = 0;
  f.spinMaximum = spinMaximum;
  f.spinPosition = spinPosition;
  f.multiplier = multiplier;
  return f;
}

}  // namespace

platform::SetRangeDialog MakeSetRangeDialog(const workspace::Workspace& ws) {
  // The intensity spins reach one tenth of the top's decade: 100 for 8000.
  int m = 0;
  if (ws.yMax > 0.0f && std::isfinite(ws.yMax)) {
    const int decade = Trunc(std::log10(ws.yMax));
    m = Trunc(std::pow(10.0, decade - 1));
  }
  platform::SetRangeDialog dialog;
  dialog.fields = {
      Field("Start of x :", ws.xMin, 20, Trunc(ws.xMin / 10.0), 10),
      Field("End of x :", ws.xMax, 20, Trunc(ws.xMax / 10.0), 10),
      Field("Start of y :", ws.yMin, m, Trunc(ws.yMin / 100.0), 100),
      Field("End of y :", ws.yMax, m, Trunc(ws.yMax / 100.0), 100),
      Field("Increment of x :", ws.xTick, 50, Trunc(ws.xTick), 1),
      Field("Increment of y :", ws.yTick, m, Trunc(ws.yTick / 100.0), 100),
  };
  return dialog;
}

void SetRangeCommand(workspace::Workspace& ws, platform::Platform& platform) {
  platform::SetRangeDialog dialog = MakeSetRangeDialog(ws);
  std::array<int, 6> v{};
  // An empty range cannot be scaled and a zero increment never ends a tick
  // loop: such values are refused and the dialog opens again with what was
  // typed, until the values are usable or the dialog is cancelled.
  for (;;) {
    if (!platform.EditRange(dialog)) return;
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = textio::ToInt(dialog.fields[i].text);
    if (v[1] > v[0] && v[3] > v[2] && v[4] > 0 && v[5] > 0) break;
    platform.ShowMessage(kBadRangeMessage);
  }
  ws.xMin = static_cast<float>(v[0]);
  ws.xMax = static_cast<float>(v[1]);
  ws.yMin = static_cast<float>(v[2]);
  ws.yMax = static_cast<float>(v[3]);
  ws.xTick = static_cast<float>(v[4]);
  ws.yTick = static_cast<float>(v[5]);
  platform.RequestRepaint();
}

void ClearPatternCommand(workspace::Workspace& ws, platform::Platform& platform) {
  workspace::SetClearedTitle(ws);
  workspace::ResetWorkspace(ws);
  platform.RequestRepaint();
}

}  // namespace difscop::plot
