#include "plot/range_commands.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <tuple>

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

// d and Q ranges are a few Angstrom (or inverse Angstrom) wide: their
// fields hold decimals.
bool DecimalX(const workspace::Workspace& ws) {
  return ws.xAxis != workspace::XAxis::kTwoTheta;
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
  if (DecimalX(ws)) {
    for (std::size_t i : {0u, 1u, 4u}) {
      const float value = i == 0 ? ws.xMin : i == 1 ? ws.xMax : ws.xTick;
      dialog.fields[i].text = textio::Format("%.4g", value);
      dialog.fields[i].multiplier = 1;
      dialog.fields[i].spinPosition = Trunc(value);
    }
  }
  return dialog;
}

void SetRangeCommand(workspace::Workspace& ws, platform::Platform& platform) {
  platform::SetRangeDialog dialog = MakeSetRangeDialog(ws);
  std::array<float, 6> v{};
  const bool decimal = DecimalX(ws);
  // An empty range cannot be scaled and a zero increment never ends a tick
  // loop: such values are refused and the dialog opens again with what was
  // typed, until the values are usable or the dialog is cancelled. Whole
  // numbers as typed, except the x fields of a d or Q axis.
  for (;;) {
    if (!platform.EditRange(dialog)) return;
    for (std::size_t i = 0; i < v.size(); ++i) {
      const std::string& text = dialog.fields[i].text;
      const bool xField = i == 0 || i == 1 || i == 4;
      v[i] = decimal && xField ? static_cast<float>(textio::ParseFiniteNumber(text).value_or(0.0))
                               : static_cast<float>(textio::ToInt(text));
    }
    if (v[1] > v[0] && v[3] > v[2] && v[4] > 0 && v[5] > 0) break;
    platform.ShowMessage(kBadRangeMessage);
  }
  std::tie(ws.xMin, ws.xMax, ws.yMin, ws.yMax, ws.xTick, ws.yTick) =
      std::tuple{v[0], v[1], v[2], v[3], v[4], v[5]};
  ws.viewRangePending = 0;
  platform.RequestRepaint();
}

void ClearPatternCommand(workspace::Workspace& ws, platform::Platform& platform) {
  workspace::SetClearedTitle(ws);
  workspace::ResetWorkspace(ws);
  platform.RequestRepaint();
}

}  // namespace difscop::plot
