// Frame, ticks, labels and axis titles.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "plot/geometry.h"
#include "plot/plot.h"
#include "textio/text_writer.h"

namespace difscop::plot {
namespace {

using workspace::DevicePoint;

// More ticks than this could never be told apart on any screen; the cap
// keeps one paint bounded whatever range was set.
constexpr int kMaxTicks = 10000;

int TruncLabel(float t) {
  constexpr double kLimit = std::numeric_limits<int>::max();
  return static_cast<int>(std::clamp(static_cast<double>(t), -kLimit, kLimit));
}

void DrawXTicks(const Workspace& ws, Surface& surface, int w, int h) {
  std::vector<DevicePoint> ticks;
  float t = ws.xMin;
  for (int count = 0; t <= ws.xMax && count < kMaxTicks; ++count) {
    // Tick values are whole degrees; the first may round below the range.
    t = std::trunc(t + 0.5f);
    if (t < ws.xMin) {
      t += ws.xTick;
      continue;
    }
    // Rounding up can also pass the end of a narrow range: no label there.
    if (t > ws.xMax) break;
    const int px = DeviceX(ws, t);
    // The tick at the range end would sit on the frame edge.
    if (t != ws.xMax) {
      ticks.push_back({px, ws.plotBottom});
      ticks.push_back({px, ws.plotBottom + ws.rowStep});
    }
    surface.TextOut(px - 2 * w, ws.plotBottom + h / 2, textio::Format("%3.0f", t));
    const float next = t + ws.xTick;
    if (!(next > t)) break;  // increment lost in the float's precision
    t = next;
  }
  surface.Segments(ticks);
}

// Returns the left x of the last label drawn.
int DrawYTicks(const Workspace& ws, Surface& surface, int w, int h) {
  const int digits = YLabelDigits(ws.yMax);
  int lastLabelX = ws.plotLeft - w;
  std::vector<DevicePoint> ticks;
  float t = ws.yMin;
  for (int count = 0; t <= ws.yMax && count < kMaxTicks; ++count) {
    const int py = DeviceY(ws, t);
    ticks.push_back({ws.plotLeft, py});
    ticks.push_back({ws.plotLeft + ws.yTickLength, py});
    const std::string label = textio::Format("%*d", digits, TruncLabel(t));
    const TextSize extent = surface.TextExtent(label);
    lastLabelX = ws.plotLeft - w - extent.width;
    surface.TextOut(lastLabelX, py - h / 2, label);
    const float next = t + ws.yTick;
    if (!(next > t)) break;
    t = next;
  }
  surface.Segments(ticks);
  return lastLabelX;
}

}  // namespace

int YLabelDigits(float yMax) {
  if (!(yMax > 0.0f) || !std::isfinite(yMax)) return 1;
  const int digits = static_cast<int>(std::log10(yMax)) + 1;
  return digits < 1 ? 1 : digits;
}

void DrawFrameOutline(const Workspace& ws, Surface& surface) {
  surface.SetPen({InkColour(ws, ws.colFrame), ws.frameLineWidth, PenStyle::Solid});
  const DevicePoint path[] = {{ws.plotLeft, ws.plotBottom},
                              {ws.plotRight, ws.plotBottom},
                              {ws.plotRight, ws.plotTop},
                              {ws.plotLeft, ws.plotTop},
                              {ws.plotLeft, ws.plotBottom}};
  surface.Polyline(path);
}

void DrawFrame(Workspace& ws, Surface& surface, int clientWidth, int clientHeight) {
  surface.SetTransparentText(true);
  StoreGeometry(ws, ComputePlotGeometry(ws, clientWidth, clientHeight));

  surface.FillRect({0, 0, clientWidth, clientHeight}, PaperColour(ws, ws.colBack));
  surface.FillRect(ws.frameRect, PaperColour(ws, ws.colBase));
  DrawFrameOutline(ws, surface);

  const int h = ws.fontSize;
  const int w = ws.fontSize / 2;
  FontSpec font{ws.fontName, h, w, 0};
  surface.SetFont(font);
  surface.SetTextColour(InkColour(ws, ws.colFont));

  int lastYLabelX = ws.plotLeft - w;
  if (RangeDrawable(ws)) {
    DrawXTicks(ws, surface, w, h);
    lastYLabelX = DrawYTicks(ws, surface, w, h);
  }

  surface.TextOut(ws.plotLeft + (ws.plotRight - ws.plotLeft) / 2 - 8 * w, ws.plotBottom + 2 * h,
                  "Two theta / deg");
  font.escapement = 900;
  surface.SetFont(font);
  surface.TextOut(lastYLabelX - 3 * w, ws.plotTop + (ws.baseY - ws.plotTop) / 2 + 8 * w,
                  "Intensity / cps");
}

}  // namespace difscop::plot
