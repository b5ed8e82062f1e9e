// Frame, ticks, labels and axis titles.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "plot/axes.h"
#include "plot/geometry.h"
#include "plot/plot.h"
#include "plot/view.h"
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

// d and Q: ticks at whole multiples of the increment, labelled with as
// many decimals as it needs, centred under their tick.
void DrawDecimalXTicks(const Workspace& ws, Surface& surface, int h) {
  std::vector<DevicePoint> ticks;
  const double step = ws.xTick;
  const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-6)), 0, 6);
  const double first = std::ceil(ws.xMin / step - 1e-6) * step;
  for (int k = 0; k < kMaxTicks; ++k) {
    const double t = first + k * step;
    if (t > ws.xMax + step * 1e-6) break;
    const int px = DeviceX(ws, static_cast<float>(t));
    if (px < ws.plotRight) {
      ticks.push_back({px, ws.plotBottom});
      ticks.push_back({px, ws.plotBottom + ws.rowStep});
    }
    const std::string label = textio::Format("%.*f", decimals, t);
    surface.TextOut(px - surface.TextExtent(label).width / 2, ws.plotBottom + h / 2, label);
  }
  surface.Segments(ticks);
}

struct YTick {
  int py;
  std::string label;
};

// The ticks of the scales other than linear counts: square root (at k*k
// times the increment), log (each decade) and the map's pattern numbers.
std::vector<YTick> OtherYTicks(const Workspace& ws, int rows) {
  std::vector<YTick> ticks;
  if (ws.layout == workspace::Layout::kMap) {
    const int step = std::max(1, static_cast<int>(NiceStep(rows / 8.0f)));
    const int height = ws.baseY - ws.plotTop;
    for (int r = step; r <= rows && r / step < kMaxTicks; r += step)
      ticks.push_back({ws.baseY - static_cast<int>((r - 0.5) * height / rows), std::to_string(r)});
    if (rows > 1 && step > 1) ticks.insert(ticks.begin(), {ws.baseY - height / (2 * rows), "1"});
    return ticks;
  }
  const int digits = YLabelDigits(ws.yMax);
  auto label = [digits](double v) {
    return v >= 1.0 || v <= -1.0 || v == 0.0 ? textio::Format("%*.0f", digits, v)
                                             : textio::Format("%g", v);
  };
  if (ws.yAxis == workspace::YAxis::kSqrt) {
    for (int k = 0; k < kMaxTicks; ++k) {
      const double v = static_cast<double>(k) * k * ws.yTick;
      if (v > ws.yMax) break;
      if (v >= ws.yMin) ticks.push_back({DeviceY(ws, static_cast<float>(v)), label(v)});
    }
  } else {
    const double low = YLow(ws);
    for (int e = static_cast<int>(std::ceil(std::log10(low) - 1e-6));
         e <= std::floor(std::log10(ws.yMax) + 1e-6) && ticks.size() < kMaxTicks; ++e) {
      const double v = std::pow(10.0, e);
      ticks.push_back({DeviceY(ws, static_cast<float>(v)), label(v)});
    }
  }
  return ticks;
}

// Returns the left x of the last label drawn.
int DrawOtherYTicks(const Workspace& ws, Surface& surface, int w, int h, int rows) {
  int lastLabelX = ws.plotLeft - w;
  std::vector<DevicePoint> ends;
  for (const YTick& t : OtherYTicks(ws, rows)) {
    ends.push_back({ws.plotLeft, t.py});
    ends.push_back({ws.plotLeft + ws.yTickLength, t.py});
    lastLabelX = ws.plotLeft - w - surface.TextExtent(t.label).width;
    surface.TextOut(lastLabelX, t.py - h / 2, t.label);
  }
  surface.Segments(ends);
  return lastLabelX;
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

  const bool map = ws.layout == workspace::Layout::kMap;
  int lastYLabelX = ws.plotLeft - w;
  if (RangeDrawable(ws)) {
    if (ws.xAxis == workspace::XAxis::kTwoTheta)
      DrawXTicks(ws, surface, w, h);
    else
      DrawDecimalXTicks(ws, surface, h);
    if (ws.yAxis == workspace::YAxis::kLinear && !map)
      lastYLabelX = DrawYTicks(ws, surface, w, h);
    else
      lastYLabelX = DrawOtherYTicks(ws, surface, w, h, map ? ShownCount(ws) : 0);
  }

  // The titles of the classic plot sit where they always did; the others
  // are centred on their axes by their width.
  const std::string xTitle = XAxisTitle(ws.xAxis);
  const std::string yTitle =
      map ? "Pattern" : YAxisTitle(ws.yAxis, ws.normalise != workspace::Normalise::kNone);
  const bool classic = ws.xAxis == workspace::XAxis::kTwoTheta && yTitle == "Intensity / cps";
  const int xMiddle = ws.plotLeft + (ws.plotRight - ws.plotLeft) / 2;
  surface.TextOut(classic ? xMiddle - 8 * w : xMiddle - surface.TextExtent(xTitle).width / 2,
                  ws.plotBottom + 2 * h, xTitle);
  const int yMiddle = ws.plotTop + (ws.baseY - ws.plotTop) / 2;
  const int yTitleHalf = classic ? 8 * w : surface.TextExtent(yTitle).width / 2;
  font.escapement = 900;
  surface.SetFont(font);
  surface.TextOut(lastYLabelX - 3 * w, yMiddle + yTitleHalf, yTitle);
}

}  // namespace difscop::plot
