#include "plot/view.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include "plot/axes.h"
#include "plot/geometry.h"
#include "plot/palette.h"

namespace difscop::plot {
namespace {

using workspace::Layout;
using workspace::Normalise;
using workspace::Pattern;

int MainCount(const Pattern& p) {
  const int stored = static_cast<int>(MainSeries(p).size()) - 1;
  return std::max(std::min(p.obsCount, stored), 0);
}

// Mean of the points whose x lies in the range on the axis it was chosen in.
float RangeMean(const Pattern& p, float wavelength, const Workspace& ws) {
  const workspace::PointArray& a = MainSeries(p);
  const float lo = std::min(ws.normaliseFrom, ws.normaliseTo);
  const float hi = std::max(ws.normaliseFrom, ws.normaliseTo);
  double sum = 0.0;
  int count = 0;
  for (int i = 1, n = MainCount(p); i <= n; ++i) {
    const float x = AxisX(ws.normaliseAxis, a[i].x, wavelength);
    if (x >= lo && x <= hi) {
      sum += a[i].y;
      ++count;
    }
  }
  return count > 0 ? static_cast<float>(sum / count) : 0.0f;
}

float Highest(const Pattern& p) {
  const workspace::PointArray& a = MainSeries(p);
  float top = -std::numeric_limits<float>::infinity();
  for (int i = 1, n = MainCount(p); i <= n; ++i) top = std::max(top, a[i].y);
  return top;
}

float Scale(const Workspace& ws, const Pattern& p, float wavelength) {
  float reference = 0.0f;
  if (ws.normalise == Normalise::kHighest) reference = Highest(p);
  if (ws.normalise == Normalise::kArea) reference = RangeMean(p, wavelength, ws);
  // A pattern with nothing positive to scale by is drawn as it is.
  return reference > 0.0f && std::isfinite(reference) ? 100.0f / reference : 1.0f;
}

// Highest and lowest positive value of a pattern on the intensity scale
// shown, scaled; NaN when it has none.
struct Extent {
  float top = std::numeric_limits<float>::quiet_NaN();
  float lowestPositive = std::numeric_limits<float>::quiet_NaN();
};

Extent ExtentOf(const Workspace& ws, const ShownPattern& s) {
  const workspace::PointArray& a = MainSeries(*s.pattern);
  float top = -std::numeric_limits<float>::infinity();
  float low = std::numeric_limits<float>::infinity();
  for (int i = 1, n = MainCount(*s.pattern); i <= n; ++i) {
    const float y = a[i].y * s.scale;
    top = std::max(top, y);
    if (y > 0.0f) low = std::min(low, y);
  }
  Extent e;
  if (std::isfinite(top)) e.top = ScaleY(ws.yAxis, top);
  if (std::isfinite(low)) e.lowestPositive = low;
  return e;
}

void AddStackOffsets(const Workspace& ws, std::vector<ShownPattern>& shown) {
  float height = 0.0f;
  float lowest = std::numeric_limits<float>::infinity();
  std::vector<Extent> extents;
  for (const ShownPattern& s : shown) extents.push_back(ExtentOf(ws, s));
  for (const Extent& e : extents)
    if (e.lowestPositive > 0.0f) lowest = std::min(lowest, e.lowestPositive);
  // Heights above zero, or above the lowest count on the log scale.
  const float base =
      ws.yAxis == workspace::YAxis::kLog ? (std::isfinite(lowest) ? std::log10(lowest) : 0.0f) : 0.0f;
  for (const Extent& e : extents)
    if (std::isfinite(e.top)) height = std::max(height, e.top - base);
  const float step = height * ws.stackOffset / 100.0f;
  for (std::size_t k = 0; k < shown.size(); ++k) shown[k].offset = static_cast<float>(k) * step;
}

int VisibleWithPoints(const Workspace& ws, bool* activeAmongThem) {
  int count = 0;
  *activeAmongThem = false;
  if (ws.patterns.empty()) {
    *activeAmongThem = ws.obsCount > 0;
    return ws.obsCount > 0 ? 1 : 0;
  }
  for (int i = 0; i < static_cast<int>(ws.patterns.size()); ++i) {
    if (!ws.patterns[i].visible || workspace::PatternAt(ws, i).obsCount < 1) continue;
    ++count;
    if (i == ws.activePattern) *activeAmongThem = true;
  }
  return count;
}

}  // namespace

const workspace::PointArray& MainSeries(const Pattern& p) {
  return p.simulationMode ? p.calc : p.obs;
}

std::vector<ShownPattern> ShownPatterns(const Workspace& ws) {
  std::vector<ShownPattern> shown;
  ShownPatterns(ws, shown);
  return shown;
}

void ShownPatterns(const Workspace& ws, std::vector<ShownPattern>& shown) {
  std::size_t used = 0;
  // Entries are written over in place, so their names keep their memory.
  auto add = [&](const Pattern& p, int index, const std::string& name, workspace::Colour colour,
                 bool active) {
    if (used == shown.size()) shown.emplace_back();
    ShownPattern& s = shown[used++];
    s.pattern = &p;
    s.index = index;
    s.name.assign(name);
    s.colour = colour;
    s.active = active;
    s.wavelength = PatternWavelength(p, ws);
    s.scale = 1.0f;
    s.offset = 0.0f;
  };
  if (ws.patterns.empty()) {
    // The lone pattern is always drawn, as it always was (picked points
    // show before anything is loaded).
    add(ws, 0, ws.dataFilePath, PatternColour(0), true);
  } else {
    for (int i = 0; i < static_cast<int>(ws.patterns.size()); ++i) {
      const workspace::OpenPattern& entry = ws.patterns[i];
      const Pattern& p = workspace::PatternAt(ws, i);
      if (!entry.visible || p.obsCount < 1) continue;
      add(p, i, entry.name, entry.colour, i == ws.activePattern);
    }
  }
  shown.resize(used);
  if (ws.normalise != Normalise::kNone)
    for (ShownPattern& s : shown) s.scale = Scale(ws, *s.pattern, s.wavelength);
  if (ws.layout == Layout::kStack && shown.size() > 1) AddStackOffsets(ws, shown);
}

int ShownCount(const Workspace& ws) {
  if (ws.patterns.empty()) return 1;
  bool active = false;
  return VisibleWithPoints(ws, &active);
}

bool ClassicView(const Workspace& ws) {
  if (ws.xAxis != workspace::XAxis::kTwoTheta || ws.yAxis != workspace::YAxis::kLinear ||
      ws.normalise != Normalise::kNone || ws.layout == Layout::kMap)
    return false;
  bool active = false;
  const int count = VisibleWithPoints(ws, &active);
  return count == 0 || (count == 1 && active);
}

float YLow(const Workspace& ws) {
  if (ws.yAxis != workspace::YAxis::kLog || ws.yMin > 0.0f) return ws.yMin;
  return ws.yMax * 1e-4f;
}

float NiceStep(float v) {
  if (!(v > 0.0f) || !std::isfinite(v)) return 1.0f;
  const double e = std::pow(10.0, std::floor(std::log10(static_cast<double>(v))));
  const double f = v / e;
  const double m = f <= 1.0 ? 1.0 : f <= 2.0 ? 2.0 : f <= 5.0 ? 5.0 : 10.0;
  return static_cast<float>(m * e);
}

void ChooseViewTicks(Workspace& ws) {
  workspace::ChooseTicks(ws);
  if (ws.xAxis != workspace::XAxis::kTwoTheta) ws.xTick = NiceStep((ws.xMax - ws.xMin) / 8.0f);
  if (ws.yAxis == workspace::YAxis::kSqrt) ws.yTick = NiceStep(ws.yMax / 64.0f);
  if (ws.yAxis == workspace::YAxis::kLog) ws.yTick = 1.0f;
}

void AutoRangeView(Workspace& ws) {
  const bool pending = ws.viewRangePending != 0;
  ws.viewRangePending = 0;
  // The classic view's range is the active pattern's: a load has set it
  // already (and ticks set by hand since then stay).
  if (ClassicView(ws)) {
    if (pending) return;
    workspace::AutoRange(ws);
    workspace::ChooseTicks(ws);
    ws.viewRangePending = 0;
    return;
  }
  const std::vector<ShownPattern> shown = ShownPatterns(ws);
  float xLow = std::numeric_limits<float>::infinity(), xHigh = -xLow;
  float top = -std::numeric_limits<float>::infinity();
  float lowest = std::numeric_limits<float>::infinity();
  for (const ShownPattern& s : shown) {
    const workspace::PointArray& a = MainSeries(*s.pattern);
    for (int i = 1, n = MainCount(*s.pattern); i <= n; ++i) {
      const float x = AxisX(ws.xAxis, a[i].x, s.wavelength);
      if (std::isfinite(x)) {
        xLow = std::min(xLow, x);
        xHigh = std::max(xHigh, x);
      }
    }
    const Extent e = ExtentOf(ws, s);
    if (std::isfinite(e.top)) top = std::max(top, e.top + s.offset);
    if (e.lowestPositive > 0.0f) lowest = std::min(lowest, e.lowestPositive);
  }
  if (!(xHigh > xLow) || !std::isfinite(top)) return;

  if (ws.xAxis == workspace::XAxis::kTwoTheta) {
    xLow = std::floor(xLow / 10.0f) * 10.0f;
    xHigh = std::ceil(xHigh / 10.0f) * 10.0f;
  } else {
    const float step = NiceStep((xHigh - xLow) / 10.0f);
    xLow = std::floor(xLow / step) * step;
    xHigh = std::ceil(xHigh / step) * step;
  }
  ws.xMin = xLow;
  ws.xMax = xHigh;

  const bool map = ws.layout == Layout::kMap;
  if (ws.yAxis == workspace::YAxis::kLog) {
    const float decades = std::ceil(top + (map ? 0.0f : 0.01f));
    ws.yMax = std::pow(10.0f, decades);
    const float floorDecade = std::isfinite(lowest) ? std::floor(std::log10(lowest)) : decades - 4;
    ws.yMin = std::pow(10.0f, std::clamp(floorDecade, decades - 8.0f, decades - 1.0f));
  } else {
    const float highest = UnscaleY(ws.yAxis, top);
    ws.yMin = 0.0f;
    if (map)
      ws.yMax = highest > 0.0f ? std::ceil(highest) : 1.0f;
    else
      ws.yMax = highest > 0.0f ? std::ceil(highest / 100.0f) * 105.0f : 105.0f;
  }
  ChooseViewTicks(ws);
}

ActiveView ActivePatternView(const Workspace& ws) {
  ActiveView view{PatternWavelength(ws, ws), 1.0f, 0.0f};
  if (ws.normalise == Normalise::kNone && ws.layout != Layout::kStack) return view;
  for (const ShownPattern& s : ShownPatterns(ws))
    if (s.active) view = {s.wavelength, s.scale, s.offset};
  return view;
}

workspace::Point ActivePointAt(const Workspace& ws, workspace::DevicePoint p) {
  const ActiveView view = ActivePatternView(ws);
  const float x = TwoThetaOfAxisX(ws.xAxis, DataX(ws, p.x), view.wavelength);
  if (view.scale == 1.0f && view.offset == 0.0f) return {x, DataY(ws, p.y)};
  const float t = static_cast<float>(p.y - ws.baseY) / ws.yScale + ScaleY(ws.yAxis, YLow(ws));
  return {x, UnscaleY(ws.yAxis, t - view.offset) / view.scale};
}

std::string PatternLabel(const std::string& name) {
  if (name.find('/') == std::string::npos) return name;
  return std::filesystem::path(name).filename().string();
}

}  // namespace difscop::plot
