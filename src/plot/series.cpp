// The data inside the frame. Each series is collected first and drawn with
// one pen and one batched call, so a paint of many thousand points costs
// little more than the points themselves.
#include <algorithm>
#include <span>
#include <vector>

#include "plot/geometry.h"
#include "plot/plot.h"
#include "plot/reference_phases.h"

namespace difscop::plot {
namespace {

using workspace::DevicePoint;
using workspace::Point;
using workspace::PointArray;

// Open polylines: a new run starts wherever a segment was left out. The
// points of all runs share one vector, so the memory is reused from paint
// to paint.
class PolylineRuns {
 public:
  PolylineRuns(std::vector<DevicePoint>& points, std::vector<std::size_t>& starts)
      : points_(points), starts_(starts) {
    points_.clear();
    starts_.clear();
  }
  void Add(DevicePoint from, DevicePoint to, int index) {
    if (index != lastIndex_ + 1 || starts_.empty()) {
      starts_.push_back(points_.size());
      points_.push_back(from);
    }
    points_.push_back(to);
    lastIndex_ = index;
  }
  void Draw(Surface& surface) const {
    const std::span<const DevicePoint> all(points_);
    for (std::size_t k = 0; k < starts_.size(); ++k) {
      const std::size_t end = k + 1 < starts_.size() ? starts_[k + 1] : points_.size();
      surface.Polyline(all.subspan(starts_[k], end - starts_[k]));
    }
  }
  bool empty() const { return starts_.empty(); }

 private:
  std::vector<DevicePoint>& points_;
  std::vector<std::size_t>& starts_;
  int lastIndex_ = -2;
};

int PointLimit(const Workspace& ws) {
  return std::clamp(ws.obsCount, 0, workspace::kMaxPoints);
}

// Visits the drawn points segment by segment: inside each segment the
// points after its first up to the one before its last, at least one per
// segment. Only points that have a successor are visited, so a segment
// table that does not match obsCount never reaches past the data.
template <typename Visit>
void ForEachVisitedPoint(const Workspace& ws, Visit visit) {
  const int n = PointLimit(ws);
  const int segments = std::clamp(ws.segmentCount, 0, workspace::kMaxSegments);
  long long start = 1;
  for (int k = 1; k <= segments; ++k) {
    const long long count = ws.segmentPointCount[k];
    long long i = start + 1;
    do {
      if (i >= 1 && i < n) visit(static_cast<int>(i));
      ++i;
    } while (i <= start + count - 2 && i < n);
    start += count;
  }
}

DevicePoint Map(const Workspace& ws, const Point& p) {
  return {DeviceX(ws, p.x), DeviceY(ws, p.y)};
}

DevicePoint ClampToFrame(const Workspace& ws, DevicePoint p) {
  return {std::clamp(p.x, ws.plotLeft, ws.plotRight), std::clamp(p.y, ws.plotTop, ws.plotBottom)};
}

Rect DotBox(DevicePoint p, int r) {
  return {p.x - r, p.y - r, p.x + r, p.y + r};
}

// Raw-mode segment: left out when either end is outside the x range of the
// frame; ends above the frame are pulled down to its top.
void AddRawSegment(const Workspace& ws, PolylineRuns& runs, const PointArray& a, int i) {
  DevicePoint from = Map(ws, a[i]);
  DevicePoint to = Map(ws, a[i + 1]);
  if (from.x < ws.plotLeft || from.x > ws.plotRight || to.x < ws.plotLeft || to.x > ws.plotRight)
    return;
  from.y = std::max(from.y, ws.plotTop);
  to.y = std::max(to.y, ws.plotTop);
  runs.Add(from, to, i);
}

void DrawDots(Surface& surface, const Pen& pen, std::vector<Rect>& boxes,
              std::optional<Colour> fill) {
  if (boxes.empty()) return;
  surface.SetPen(pen);
  surface.SetBrush(fill);
  surface.Ellipses(boxes);
}

// A dot list emptied for this paint, with room for every point at once.
std::vector<Rect>& DotList(SeriesBuffers& buffers, int k, const Workspace& ws) {
  std::vector<Rect>& dots = buffers.dots[k];
  dots.clear();
  dots.reserve(static_cast<std::size_t>(PointLimit(ws)));
  return dots;
}

void DrawFittedPoints(Workspace& ws, Surface& surface, SeriesBuffers& buffers) {
  if (ws.obsDotRadius == 0) ws.obsDotRadius = 1;
  PolylineRuns calcRuns(buffers.runPoints[0], buffers.runStarts[0]);
  std::vector<Rect>& obsDots = DotList(buffers, 0, ws);
  std::vector<Rect>& diffDots = DotList(buffers, 1, ws);
  // A file of calculated intensities only has nothing observed to compare:
  // its curve is drawn alone, not as a fit without residuals.
  const bool calculatedOnly = ws.pairedIntLoad != 0;
  ForEachVisitedPoint(ws, [&](int i) {
    const DevicePoint from = ClampToFrame(ws, Map(ws, {ws.obs[i].x, ws.calc[i].y}));
    const DevicePoint to = ClampToFrame(ws, Map(ws, {ws.obs[i + 1].x, ws.calc[i + 1].y}));
    calcRuns.Add(from, to, i);
    if (calculatedOnly) return;
    const DevicePoint obs = Map(ws, ws.obs[i]);
    if (InsideFrame(ws, obs.x, obs.y)) obsDots.push_back(DotBox(obs, ws.obsDotRadius));
    const DevicePoint diff{DeviceX(ws, ws.obs[i].x),
                           DeviceYFrom(ws, ws.diffZeroY, ws.obs[i].y - ws.calc[i].y)};
    if (InsideFrame(ws, diff.x, diff.y)) diffDots.push_back(DotBox(diff, ws.diffDotRadius));
  });

  const int width = ws.calcLineWidth;
  if (!calcRuns.empty()) {
    surface.SetPen({InkColour(ws, ws.colCalc), width, PenStyle::Solid});
    calcRuns.Draw(surface);
  }
  const Colour obsColour = InkColour(ws, ws.colObs);
  DrawDots(surface, {obsColour, width, PenStyle::Solid}, obsDots, obsColour);
  const Colour diffColour = InkColour(ws, ws.colDiff);
  DrawDots(surface, {diffColour, width, PenStyle::Solid}, diffDots, diffColour);
  // Curves clamped to the frame run along its edges; the outline goes on top.
  DrawFrameOutline(ws, surface);
}

void DrawRawPoints(const Workspace& ws, Surface& surface, SeriesBuffers& buffers) {
  PolylineRuns patternRuns(buffers.runPoints[0], buffers.runStarts[0]);
  PolylineRuns smoothRuns(buffers.runPoints[1], buffers.runStarts[1]);
  std::vector<Rect>& obsDots = DotList(buffers, 0, ws);
  const bool asLine = ws.simulationMode || ws.obsDotRadius == 0;
  const PointArray& pattern = ws.simulationMode ? ws.calc : ws.obs;
  ForEachVisitedPoint(ws, [&](int i) {
    if (asLine) {
      AddRawSegment(ws, patternRuns, pattern, i);
    } else {
      const DevicePoint p = Map(ws, ws.obs[i]);
      if (InsideFrame(ws, p.x, p.y)) obsDots.push_back(DotBox(p, ws.obsDotRadius));
    }
    if (ws.smoothedValid && ws.smoothFirst < i && i < ws.smoothLast)
      AddRawSegment(ws, smoothRuns, ws.smoothed, i);
  });

  const int width = ws.calcLineWidth;
  const Colour patternColour = InkColour(ws, ws.simulationMode ? ws.colCalc : ws.colObs);
  if (!patternRuns.empty()) {
    surface.SetPen({patternColour, width, PenStyle::Solid});
    patternRuns.Draw(surface);
  }
  DrawDots(surface, {patternColour, width, PenStyle::Solid}, obsDots, patternColour);
  if (!smoothRuns.empty()) {
    surface.SetPen({InkColour(ws, ws.colCalc), width, PenStyle::Solid});
    smoothRuns.Draw(surface);
  }
}

// One row of upward markers for the reflections of a phase up to lastX.
void AddReflectionMarkers(const Workspace& ws, int phase, float lastX,
                          std::vector<DevicePoint>& ends) {
  const int count = std::clamp(ws.reflectionCount[phase], 0, workspace::kMaxReflections);
  const int rowY = ws.markerRowY[phase];
  for (int i = 1; i <= count; ++i) {
    const float pos = ws.reflectionPos[phase][i];
    if (!(pos <= lastX)) continue;
    const int x = DeviceX(ws, pos);
    if (x < ws.plotLeft || x > ws.plotRight) continue;
    ends.push_back({x, rowY});
    ends.push_back({x, rowY + ws.rowStep});
  }
}

void DrawMarkers(const Workspace& ws, Surface& surface, SeriesBuffers& buffers) {
  const int n = PointLimit(ws);
  std::vector<DevicePoint>& ends = buffers.markerEnds;
  ends.clear();
  if (ws.simulationMode && n >= 1) AddReflectionMarkers(ws, 1, ws.calc[n].x, ends);
  if (!ws.rawLoaded && n >= 1) {
    for (int k = 1; k <= PhaseRows(ws); ++k) AddReflectionMarkers(ws, k, ws.obs[n].x, ends);
  }
  if (ws.autoPeaksFound) {
    const int count = std::clamp(ws.peakCount, 0, workspace::kMaxPeaks);
    for (int i = 1; i <= count; ++i) {
      const float pos = ws.peak2Theta[i];
      if (!(ws.xMin <= pos && pos <= ws.xMax)) continue;
      const int x = DeviceX(ws, pos);
      ends.push_back({x, ws.baseY});
      ends.push_back({x, ws.baseY - 3 * ws.rowStep});
    }
  }
  if (ends.empty()) return;
  surface.SetPen({InkColour(ws, ws.colRef), 1, PenStyle::Solid});
  surface.Segments(ends);
}

// Background points and curve keep their colour in black and white too.
void DrawBackground(const Workspace& ws, Surface& surface, SeriesBuffers& buffers) {
  std::vector<Rect>& boxes = buffers.dots[0];
  boxes.clear();
  if (ws.backgroundPickMode) {
    const int count = std::clamp(ws.backgroundPointCount, 0, workspace::kMaxBackgroundPoints);
    for (int i = 1; i <= count; ++i)
      boxes.push_back(DotBox(Map(ws, {ws.backgroundX[i], ws.backgroundY[i]}), 2));
    DrawDots(surface, {ws.colDiff, 2, PenStyle::Solid}, boxes, std::nullopt);
  }
  if (ws.backgroundCurveValid) {
    boxes.clear();
    const int n = PointLimit(ws);
    for (int i = 1; i <= n; ++i) {
      const DevicePoint p = Map(ws, {ws.obs[i].x, ws.background[i].y});
      if (InsideFrame(ws, p.x, p.y)) boxes.push_back(DotBox(p, 1));
    }
    DrawDots(surface, {ws.colDiff, 1, PenStyle::Solid}, boxes, std::nullopt);
  }
}

}  // namespace

void DrawSeries(Workspace& ws, Surface& surface, SeriesBuffers* buffers) {
  // A range that cannot be scaled is never drawn (DrawFrame left the scales 0).
  if (!RangeDrawable(ws) || ws.xScale == 0.0f || ws.yScale == 0.0f) return;
  SeriesBuffers oneOff;
  SeriesBuffers& b = buffers ? *buffers : oneOff;
  if (ws.rawLoaded)
    DrawRawPoints(ws, surface, b);
  else
    DrawFittedPoints(ws, surface, b);
  DrawMarkers(ws, surface, b);
  DrawBackground(ws, surface, b);
  DrawReferencePhases(ws, surface);
}

}  // namespace difscop::plot
