// The map of many patterns: one row each, intensity as colour. Each column
// takes the highest value of the points that fall into it, so no peak is
// lost however many points share a pixel; columns between two points (a
// zoomed range) take the line between them, as a line plot would.
#include <algorithm>
#include <cmath>
#include <limits>

#include "plot/axes.h"
#include "plot/geometry.h"
#include "plot/palette.h"
#include "plot/plot.h"
#include "plot/view.h"

namespace difscop::plot {
namespace {

// Highest value per column of the map, NaN where the pattern has no point.
// The column the points are falling into is kept in a register and written
// back when they move on (or before a gap is filled in), which gives the
// same slot values as writing each point through.
void ColumnMaxima(const Workspace& ws, const ShownPattern& s, std::vector<float>& values) {
  const int width = static_cast<int>(values.size());
  std::fill(values.begin(), values.end(), std::numeric_limits<float>::quiet_NaN());
  const workspace::PointArray& a = MainSeries(*s.pattern);
  const int n = std::max(std::min(s.pattern->obsCount, static_cast<int>(a.size()) - 1), 0);
  const workspace::Point* points = a.data();  // slots 1 to n are stored
  float* slots = values.data();
  const bool twoTheta = ws.xAxis == workspace::XAxis::kTwoTheta;
  // NaN slots take any value; a NaN value replaces what is there.
  auto take = [](float slot, float v) { return slot >= v ? slot : v; };
  int open = -1;  // the column held in `top`, -1 for none
  float top = 0.0f;
  auto close = [&] {
    if (open >= 0) slots[open] = top;
    open = -1;
  };
  int previous = 0;
  float previousValue = 0.0f;
  bool havePrevious = false;
  for (int i = 1; i <= n; ++i) {
    __builtin_prefetch(points + i + 64);
    const float x = twoTheta ? points[i].x : AxisX(ws.xAxis, points[i].x, s.wavelength);
    if (!std::isfinite(x)) {
      havePrevious = false;
      continue;
    }
    const int c = TruncCoordinate((x - ws.xMin) * ws.xScale);
    const float v = points[i].y;
    if (c >= 0 && c < width) {
      if (c != open) {
        close();
        open = c;
        top = slots[c];
      }
      top = take(top, v);
    }
    if (havePrevious && (c - previous > 1 || previous - c > 1)) {
      close();
      const int from = std::max(std::min(previous, c) + 1, 0);
      const int to = std::min(std::max(previous, c) - 1, width - 1);
      const float slope = (v - previousValue) / static_cast<float>(c - previous);
      for (int k = from; k <= to; ++k)
        slots[k] = take(slots[k], previousValue + slope * static_cast<float>(k - previous));
    }
    previous = c;
    previousValue = v;
    havePrevious = true;
  }
  close();
}

// Black and white: grey from paper (lowest) to ink (highest).
Colour MonoMapColour(const Workspace& ws, float t) {
  const float u = std::isnan(t) ? 0.0f : std::clamp(t, 0.0f, 1.0f);
  auto mix = [u](int paper, int ink) {
    return static_cast<int>(std::lround(paper + (ink - paper) * u));
  };
  const Colour p = ws.colMonoPaper, k = ws.colMonoInk;
  return workspace::RgbColour(mix(workspace::RedOf(p), workspace::RedOf(k)),
                              mix(workspace::GreenOf(p), workspace::GreenOf(k)),
                              mix(workspace::BlueOf(p), workspace::BlueOf(k)));
}

}  // namespace

int MapRowAt(const Workspace& ws, int rows, int py) {
  const int height = ws.baseY - ws.plotTop;
  if (rows <= 0 || height <= 0 || py < ws.plotTop || py >= ws.baseY) return -1;
  // Rows from the bottom, each pixel row going to the pattern at its centre.
  const double fromBottom = (ws.baseY - (py + 0.5)) * rows / height;
  return std::clamp(static_cast<int>(fromBottom), 0, rows - 1);
}

void DrawMap(const Workspace& ws, const std::vector<ShownPattern>& shown, Surface& surface,
             SeriesBuffers& b) {
  const int width = ws.plotRight - ws.plotLeft + 1;
  const int height = ws.baseY - ws.plotTop;
  if (width <= 0 || height <= 0 || shown.empty()) return;
  const std::size_t w = static_cast<std::size_t>(width);
  b.mapPixels.resize(w * static_cast<std::size_t>(height));
  b.mapValues.resize(w);
  b.mapRow.resize(w);
  const float low = ScaleY(ws.yAxis, YLow(ws));
  const float span = ScaleY(ws.yAxis, ws.yMax) - low;
  const Colour empty = PaperColour(ws, ws.colBase);
  const int rows = static_cast<int>(shown.size());
  int computed = -1;
  for (int py = ws.plotTop; py < ws.baseY; ++py) {
    const int r = MapRowAt(ws, rows, py);
    if (r != computed) {
      const ShownPattern& s = shown[static_cast<std::size_t>(r)];
      ColumnMaxima(ws, s, b.mapValues);
      for (std::size_t c = 0; c < w; ++c) {
        const float v = b.mapValues[c];
        if (std::isnan(v)) {
          b.mapRow[c] = empty;
          continue;
        }
        // At or below zero on a log scale: the lowest colour.
        const float t = (ScaleY(ws.yAxis, v * s.scale) - low) / span;
        b.mapRow[c] = ws.colorDrawing ? MapColour(t) : MonoMapColour(ws, t);
      }
      computed = r;
    }
    std::copy(b.mapRow.begin(), b.mapRow.end(),
              b.mapPixels.begin() + static_cast<std::ptrdiff_t>((py - ws.plotTop) * w));
  }
  surface.Image({ws.plotLeft, ws.plotTop, ws.plotRight + 1, ws.baseY}, b.mapPixels, width, height);
  DrawFrameOutline(ws, surface);

  // The active pattern's row: a mark on each side outside the frame.
  for (int r = 0; r < rows; ++r) {
    if (!shown[static_cast<std::size_t>(r)].active) continue;
    const int y = ws.baseY - static_cast<int>((r + 0.5) * height / rows);
    const int len = std::max(ws.yTickLength, 4);
    const DevicePoint ends[] = {{ws.plotRight + 2, y}, {ws.plotRight + 2 + len, y},
                                {ws.plotRight + 2, y - 1}, {ws.plotRight + 2 + len, y - 1}};
    surface.SetPen({InkColour(ws, ws.colRef), 1, PenStyle::Solid});
    surface.Segments(ends);
  }
}

}  // namespace difscop::plot
