// The data inside the frame. Each series is collected first and drawn with
// one pen and one batched call. Lines and dots are thinned per pixel column
// as they are collected: of the points that fall into one column in a row a
// line keeps the first, the lowest, the highest and the last, and dots keep
// one per pixel, which draws the same pixels as every point would (the
// line's vertical strokes inside a column cover the span between its lowest
// and highest point, whatever the order). A paint therefore costs about the
// plot's width, not the pattern's length, once the points are mapped.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

#include "plot/axes.h"
#include "plot/geometry.h"
#include "plot/palette.h"
#include "plot/plot.h"
#include "plot/view.h"
#include "plot/reference_phases.h"

namespace difscop::plot {
namespace {

using workspace::DevicePoint;
using workspace::Pattern;
using workspace::Point;
using workspace::PointArray;

// One pattern onto the device: its x on the axis shown with its
// wavelength, its intensity scaled, shifted and on the scale shown. For
// 2theta and linear counts this is DeviceX and DeviceY.
struct Mapper {
  const Workspace& ws;
  float wavelength = 0.0f;
  float scale = 1.0f;
  float offset = 0.0f;
  float low = 0.0f;  // the scale's lower end, on the scale shown
  bool twoTheta = true;
  bool linear = true;
  // The geometry and axes, copied: the mapping of every point reads them,
  // and a copy stays in registers where the workspace would be read again
  // after each point stored.
  workspace::XAxis xAxis;
  workspace::YAxis yAxis;
  float xMin, xScale, yScale;
  int plotLeft, plotRight, plotTop, plotBottom, baseY, diffZeroY;

  Mapper(const Workspace& w, const ShownPattern& s)
      : ws(w),
        wavelength(s.wavelength),
        scale(s.scale),
        offset(s.offset),
        low(ScaleY(w.yAxis, YLow(w))),
        twoTheta(w.xAxis == workspace::XAxis::kTwoTheta),
        linear(w.yAxis == workspace::YAxis::kLinear),
        xAxis(w.xAxis),
        yAxis(w.yAxis),
        xMin(w.xMin),
        xScale(w.xScale),
        yScale(w.yScale),
        plotLeft(w.plotLeft),
        plotRight(w.plotRight),
        plotTop(w.plotTop),
        plotBottom(w.plotBottom),
        baseY(w.baseY),
        diffZeroY(w.diffZeroY) {}

  // kClassic: the caller knows x is 2theta and the counts linear, so the
  // tests of the axis kinds drop out of a loop over every point.
  template <bool kClassic = false>
  float AxisValue(float x) const {
    return kClassic || twoTheta ? x : AxisX(xAxis, x, wavelength);
  }
  template <bool kClassic = false>
  float Scaled(float y) const {
    const float v = y * scale;
    return kClassic || linear ? v : ScaleY(yAxis, v);
  }
  template <bool kClassic = false>
  int X(float x) const {
    return plotLeft + TruncCoordinate((AxisValue<kClassic>(x) - xMin) * xScale);
  }
  template <bool kClassic = false>
  int Y(float y) const {
    return baseY + TruncCoordinate((Scaled<kClassic>(y) + offset - low) * yScale);
  }
  // Log scales leave out what is at or below zero.
  template <bool kClassic = false>
  bool Drawable(float y) const {
    return kClassic || linear || yAxis != workspace::YAxis::kLog || y > 0.0f;
  }
  DevicePoint Map(const Point& p) const { return {X(p.x), Y(p.y)}; }
  // The difference curve about its zero line: counts as the linear plot
  // has always drawn them, else the difference on the scale shown.
  template <bool kClassic = false>
  int DiffY(float obs, float calc) const {
    if (kClassic || linear)
      return diffZeroY + TruncCoordinate(((obs - calc) * scale - low) * yScale);
    return diffZeroY + TruncCoordinate((Scaled(obs) - Scaled(calc)) * yScale);
  }
  // As InsideFrame, and a point pulled onto the frame.
  bool Inside(int px, int py) const {
    return plotLeft <= px && px <= plotRight && plotTop <= py && py <= plotBottom;
  }
  DevicePoint Clamp(DevicePoint p) const {
    return {std::clamp(p.x, plotLeft, plotRight), std::clamp(p.y, plotTop, plotBottom)};
  }
};

// Open polylines, thinned per column: a new run starts wherever a segment
// was left out. The points of all runs share one vector, so the memory is
// reused from paint to paint.
class PolylineRuns {
 public:
  PolylineRuns(std::vector<DevicePoint>& points, std::vector<std::size_t>& starts, bool everyPoint)
      : points_(points), starts_(starts), everyPoint_(everyPoint) {
    points_.clear();
    starts_.clear();
  }
  [[gnu::always_inline]] void Add(DevicePoint from, DevicePoint to, int index) {
    if (index != lastIndex_ + 1 || starts_.empty()) {
      EndRun();
      starts_.push_back(points_.size());
      Put(from);
    }
    Put(to);
    lastIndex_ = index;
  }
  void Draw(Surface& surface) {
    EndRun();
    const std::span<const DevicePoint> all(points_);
    for (std::size_t k = 0; k < starts_.size(); ++k) {
      const std::size_t end = k + 1 < starts_.size() ? starts_[k + 1] : points_.size();
      surface.Polyline(all.subspan(starts_[k], end - starts_[k]));
    }
  }
  bool empty() const { return starts_.empty(); }

 private:
  [[gnu::always_inline]] void Put(DevicePoint p) {
    if (everyPoint_) {
      points_.push_back(p);
      return;
    }
    if (open_ && p.x == first_.x) {
      last_ = p;
      if (p.y < low_.y) low_ = p, lowSeq_ = seq_;
      if (p.y > high_.y) high_ = p, highSeq_ = seq_;
      ++seq_;
      return;
    }
    Flush();
    open_ = true;
    first_ = last_ = low_ = high_ = p;
    lowSeq_ = highSeq_ = 0;
    seq_ = 1;
  }
  void Flush() {
    if (!open_) return;
    open_ = false;
    Emit(first_);
    Emit(lowSeq_ < highSeq_ ? low_ : high_);
    Emit(lowSeq_ < highSeq_ ? high_ : low_);
    Emit(last_);
  }
  void Emit(DevicePoint p) {
    if (points_.size() > starts_.back()) {
      const DevicePoint& q = points_.back();
      if (q.x == p.x && q.y == p.y) return;
    }
    points_.push_back(p);
  }
  // A run whose points all fell on one pixel keeps a segment of zero length.
  void EndRun() {
    Flush();
    if (!starts_.empty() && points_.size() == starts_.back() + 1) points_.push_back(points_.back());
  }

  std::vector<DevicePoint>& points_;
  std::vector<std::size_t>& starts_;
  bool everyPoint_;
  int lastIndex_ = -2;
  bool open_ = false;
  DevicePoint first_, last_, low_, high_;
  long lowSeq_ = 0, highSeq_ = 0, seq_ = 0;
};

// Dots of one size, one per pixel: a dot already drawn at the same place in
// the current column is not drawn again.
class DotList {
 public:
  DotList(std::vector<workspace::Rect>& boxes, std::vector<int>& seen, const Workspace& ws,
          bool everyPoint)
      : boxes_(boxes), top_(ws.plotTop), everyPoint_(everyPoint) {
    boxes_.clear();
    seen.assign(static_cast<std::size_t>(std::max(ws.plotBottom - ws.plotTop + 1, 1)), -1);
    seen_ = seen.data();
  }
  // p must lie inside the frame.
  [[gnu::always_inline]] void Add(DevicePoint p, int r) {
    if (!everyPoint_) {
      if (p.x != column_) {
        column_ = p.x;
        ++generation_;
      }
      int& mark = seen_[static_cast<std::size_t>(p.y - top_)];
      if (mark == generation_) return;
      mark = generation_;
    }
    boxes_.push_back({p.x - r, p.y - r, p.x + r, p.y + r});
  }
  std::vector<workspace::Rect>& boxes() { return boxes_; }

 private:
  std::vector<workspace::Rect>& boxes_;
  int* seen_;  // a row per pixel of the frame's height
  int top_;
  bool everyPoint_;
  int column_ = -1;
  int generation_ = 0;
};

// A table's stored slots read straight: slots past the stored ones read as
// zero, as the table's own do, without going through the table each time.
class Slots {
 public:
  explicit Slots(const PointArray& a) : slots_(a.data()), size_(a.size()) {}
  Point operator[](int i) const {
    const auto k = static_cast<std::size_t>(i);
    return k < size_ ? slots_[k] : Point{};
  }

 private:
  const Point* slots_;
  std::size_t size_;
};

int PointLimit(const Pattern& p) {
  return std::clamp(p.obsCount, 0, workspace::kMaxPoints);
}

// Visits the drawn points segment by segment: inside each segment the
// points after its first up to the one before its last, at least one per
// segment. Only points that have a successor are visited, so a segment
// table that does not match obsCount never reaches past the data.
template <typename Visit>
void ForEachVisitedPoint(const Pattern& p, Visit visit) {
  const int n = PointLimit(p);
  const int segments = std::clamp(p.segmentCount, 0, workspace::kMaxSegments);
  long long start = 1;
  for (int k = 1; k <= segments; ++k) {
    const long long count = p.segmentPointCount[k];
    long long i = start + 1;
    do {
      if (i >= 1 && i < n) visit(static_cast<int>(i));
      ++i;
    } while (i <= start + count - 2 && i < n);
    start += count;
  }
}

Rect DotBox(DevicePoint p, int r) {
  return {p.x - r, p.y - r, p.x + r, p.y + r};
}

// Raw-mode segment: left out when either end is outside the x range of the
// frame (or has no value on a log scale); ends above the frame are pulled
// down to its top.
void AddRawSegment(const Mapper& m, PolylineRuns& runs, const PointArray& a, int i) {
  const Workspace& ws = m.ws;
  if (!m.Drawable(a[i].y) || !m.Drawable(a[i + 1].y)) return;
  DevicePoint from = m.Map(a[i]);
  DevicePoint to = m.Map(a[i + 1]);
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

// Device coordinates of points 1 to n of a fit on 2theta and linear counts:
// x, calculated y, observed y and the difference, each as the mapper gives
// it, four points at a time (the same single-precision steps, so the same
// whole numbers).
struct FittedCoordinates {
  const int* x;
  const int* calcY;
  const int* obsY;
  const int* diffY;
};

FittedCoordinates MapFittedPoints(const Mapper& m, const Point* obs, const Point* calc, int n,
                                  std::vector<int>& store) {
  typedef float Floats __attribute__((vector_size(16)));
  typedef int Ints __attribute__((vector_size(16)));
  const auto stride = static_cast<std::size_t>(n) + 1;
  store.resize(4 * stride);
  int* x = store.data();
  int* calcY = x + stride;
  int* obsY = calcY + stride;
  int* diffY = obsY + stride;
  const auto all = [](float v) { return Floats{v, v, v, v}; };
  const auto allInts = [](int v) { return Ints{v, v, v, v}; };
  // TruncCoordinate lane by lane: NaN far off, the rest clamped and cut.
  const Floats far = all(static_cast<float>(kFarCoordinate));
  const auto trunc = [&](Floats t) {
    Floats c = t < -far ? -far : t;
    c = far < c ? far : c;
    c = t == t ? c : far;
    return __builtin_convertvector(c, Ints);
  };
  const Floats xMin = all(m.xMin), xScale = all(m.xScale), yScale = all(m.yScale);
  const Floats scale = all(m.scale), offset = all(m.offset), low = all(m.low);
  const Ints left = allInts(m.plotLeft), base = allInts(m.baseY), zero = allInts(m.diffZeroY);
  int i = 1;
  for (; i + 3 <= n; i += 4) {
    Floats o0, o1, c0, c1;
    std::memcpy(&o0, obs + i, sizeof o0);
    std::memcpy(&o1, obs + i + 2, sizeof o1);
    std::memcpy(&c0, calc + i, sizeof c0);
    std::memcpy(&c1, calc + i + 2, sizeof c1);
#if defined(__clang__)
    const Floats ox = __builtin_shufflevector(o0, o1, 0, 2, 4, 6);
    const Floats oy = __builtin_shufflevector(o0, o1, 1, 3, 5, 7);
    const Floats cy = __builtin_shufflevector(c0, c1, 1, 3, 5, 7);
#else
    const Floats ox = __builtin_shuffle(o0, o1, Ints{0, 2, 4, 6});
    const Floats oy = __builtin_shuffle(o0, o1, Ints{1, 3, 5, 7});
    const Floats cy = __builtin_shuffle(c0, c1, Ints{1, 3, 5, 7});
#endif
    const Ints vx = left + trunc((ox - xMin) * xScale);
    const Ints vc = base + trunc((cy * scale + offset - low) * yScale);
    const Ints vo = base + trunc((oy * scale + offset - low) * yScale);
    const Ints vd = zero + trunc(((oy - cy) * scale - low) * yScale);
    std::memcpy(x + i, &vx, sizeof vx);
    std::memcpy(calcY + i, &vc, sizeof vc);
    std::memcpy(obsY + i, &vo, sizeof vo);
    std::memcpy(diffY + i, &vd, sizeof vd);
  }
  for (; i <= n; ++i) {
    x[i] = m.X<true>(obs[i].x);
    calcY[i] = m.Y<true>(calc[i].y);
    obsY[i] = m.Y<true>(obs[i].y);
    diffY[i] = m.DiffY<true>(obs[i].y, calc[i].y);
  }
  return {x, calcY, obsY, diffY};
}

void DrawFittedPoints(Workspace& ws, const Mapper& m, Colour obsColour, Surface& surface,
                      SeriesBuffers& b) {
  if (ws.obsDotRadius == 0) ws.obsDotRadius = 1;
  PolylineRuns calcRuns(b.runPoints[0], b.runStarts[0], b.everyPoint);
  DotList obsDots(b.dots[0], b.seen[0], ws, b.everyPoint);
  DotList diffDots(b.dots[1], b.seen[1], ws, b.everyPoint);
  // A file of calculated intensities only has nothing observed to compare:
  // its curve is drawn alone, not as a fit without residuals.
  const bool calculatedOnly = ws.pairedIntLoad != 0;
  const int obsRadius = ws.obsDotRadius, diffRadius = ws.diffDotRadius;
  auto visitAll = [&](const auto& obs, const auto& calc, auto classic) {
    constexpr bool kClassic = decltype(classic)::value;
    // Point i's device x and calculated y (and that point on the frame),
    // kept from the visit before, whose segment ended there.
    int kept = -1;
    int keptX = 0, keptCalcY = 0;
    DevicePoint keptOnFrame{};
    // Inlined: a call per point costs as much as the point's own work.
    ForEachVisitedPoint(ws, [&](int i) __attribute__((always_inline)) {
      const Point o = obs[i];
      const float c = calc[i].y, c1 = calc[i + 1].y;
      const bool follows = i == kept;
      const int x = follows ? keptX : m.X<kClassic>(o.x);
      const int calcY = follows ? keptCalcY : m.Y<kClassic>(c);
      const DevicePoint from = follows ? keptOnFrame : m.Clamp({x, calcY});
      kept = i + 1;
      keptX = m.X<kClassic>(obs[i + 1].x);
      keptCalcY = m.Y<kClassic>(c1);
      keptOnFrame = m.Clamp({keptX, keptCalcY});
      if (m.Drawable<kClassic>(c) && m.Drawable<kClassic>(c1)) calcRuns.Add(from, keptOnFrame, i);
      if (calculatedOnly || !m.Drawable<kClassic>(o.y)) return;
      const int obsY = m.Y<kClassic>(o.y);
      if (m.Inside(x, obsY)) obsDots.Add({x, obsY}, obsRadius);
      if (m.Drawable<kClassic>(c)) {
        const int diffY = m.DiffY<kClassic>(o.y, c);
        if (m.Inside(x, diffY)) diffDots.Add({x, diffY}, diffRadius);
      }
    });
  };
  auto visitWith = [&](const auto& obs, const auto& calc) {
    if (m.twoTheta && m.linear)
      visitAll(obs, calc, std::true_type{});
    else
      visitAll(obs, calc, std::false_type{});
  };
  // Visited points reach slot n: tables that hold it are read straight, on
  // 2theta and linear counts mapped beforehand.
  const int n = PointLimit(ws);
  const bool stored = ws.obs.size() > static_cast<std::size_t>(n) &&
                      ws.calc.size() > static_cast<std::size_t>(n);
  if (stored && m.twoTheta && m.linear) {
    const FittedCoordinates d = MapFittedPoints(m, std::as_const(ws.obs).data(),
                                                std::as_const(ws.calc).data(), n, b.mapped);
    // The end of the segment before is the start of the next, on the frame.
    int kept = -1;
    DevicePoint keptOnFrame{};
    ForEachVisitedPoint(ws, [&](int i) __attribute__((always_inline)) {
      const DevicePoint from = i == kept ? keptOnFrame : m.Clamp({d.x[i], d.calcY[i]});
      kept = i + 1;
      keptOnFrame = m.Clamp({d.x[i + 1], d.calcY[i + 1]});
      calcRuns.Add(from, keptOnFrame, i);
      if (calculatedOnly) return;
      if (m.Inside(d.x[i], d.obsY[i])) obsDots.Add({d.x[i], d.obsY[i]}, obsRadius);
      if (m.Inside(d.x[i], d.diffY[i])) diffDots.Add({d.x[i], d.diffY[i]}, diffRadius);
    });
  } else if (stored) {
    visitWith(std::as_const(ws.obs).data(), std::as_const(ws.calc).data());
  } else {
    visitWith(Slots(ws.obs), Slots(ws.calc));
  }

  const int width = ws.calcLineWidth;
  if (!calcRuns.empty()) {
    surface.SetPen({InkColour(ws, ws.colCalc), width, PenStyle::Solid});
    calcRuns.Draw(surface);
  }
  const Colour obsInk = InkColour(ws, obsColour);
  DrawDots(surface, {obsInk, width, PenStyle::Solid}, obsDots.boxes(), obsInk);
  const Colour diffColour = InkColour(ws, ws.colDiff);
  DrawDots(surface, {diffColour, width, PenStyle::Solid}, diffDots.boxes(), diffColour);
  // Curves clamped to the frame run along its edges; the outline goes on top.
  DrawFrameOutline(ws, surface);
}

// The active measured pattern; asLine draws it as a line whatever the dot
// setting (several patterns side by side).
void DrawRawPoints(const Workspace& ws, const Mapper& m, Colour colour, bool asLine,
                   Surface& surface, SeriesBuffers& b) {
  PolylineRuns patternRuns(b.runPoints[0], b.runStarts[0], b.everyPoint);
  PolylineRuns smoothRuns(b.runPoints[1], b.runStarts[1], b.everyPoint);
  DotList obsDots(b.dots[0], b.seen[0], ws, b.everyPoint);
  asLine = asLine || ws.simulationMode || ws.obsDotRadius == 0;
  const PointArray& pattern = ws.simulationMode ? ws.calc : ws.obs;
  ForEachVisitedPoint(ws, [&](int i) {
    if (asLine) {
      AddRawSegment(m, patternRuns, pattern, i);
    } else if (m.Drawable(ws.obs[i].y)) {
      const DevicePoint p = m.Map(ws.obs[i]);
      if (InsideFrame(ws, p.x, p.y)) obsDots.Add(p, ws.obsDotRadius);
    }
    if (ws.smoothedValid && ws.smoothFirst < i && i < ws.smoothLast)
      AddRawSegment(m, smoothRuns, ws.smoothed, i);
  });

  const int width = ws.calcLineWidth;
  const Colour patternColour = InkColour(ws, colour);
  if (!patternRuns.empty()) {
    surface.SetPen({patternColour, width, PenStyle::Solid});
    patternRuns.Draw(surface);
  }
  DrawDots(surface, {patternColour, width, PenStyle::Solid}, obsDots.boxes(), patternColour);
  if (!smoothRuns.empty()) {
    surface.SetPen({InkColour(ws, ws.colCalc), width, PenStyle::Solid});
    smoothRuns.Draw(surface);
  }
}

// A pattern other than the active one: its main series as a line.
void DrawPatternLine(const Workspace& ws, const ShownPattern& s, Surface& surface,
                     SeriesBuffers& b) {
  const Mapper m(ws, s);
  PolylineRuns runs(b.runPoints[0], b.runStarts[0], b.everyPoint);
  const PointArray& a = MainSeries(*s.pattern);
  ForEachVisitedPoint(*s.pattern, [&](int i) { AddRawSegment(m, runs, a, i); });
  if (runs.empty()) return;
  surface.SetPen({InkColour(ws, s.colour), ws.calcLineWidth, PenStyle::Solid});
  runs.Draw(surface);
}

// Colour of reflection row k: the reflection colour for a single phase,
// the palette for several.
Colour RowColour(const Workspace& ws, int phase) {
  return InkColour(ws, PhaseRows(ws) > 1 ? PhaseColour(phase) : ws.colRef);
}

// One row of upward markers for the reflections of a phase up to lastX.
void AddReflectionMarkers(const Mapper& m, int phase, float lastX,
                          std::vector<DevicePoint>& ends) {
  const Workspace& ws = m.ws;
  const int count = std::clamp(ws.reflectionCount[phase], 0, workspace::kMaxReflections);
  const int rowY = ws.markerRowY[phase];
  for (int i = 1; i <= count; ++i) {
    const float pos = ws.reflectionPos[phase][i];
    if (!(pos <= lastX)) continue;
    const int x = m.X(pos);
    if (x < ws.plotLeft || x > ws.plotRight) continue;
    ends.push_back({x, rowY});
    ends.push_back({x, rowY + ws.rowStep});
  }
}

void DrawMarkerRow(const Workspace& ws, Surface& surface, std::vector<DevicePoint>& ends,
                   Colour colour) {
  if (ends.empty()) return;
  surface.SetPen({colour, 1, PenStyle::Solid});
  surface.Segments(ends);
  ends.clear();
  (void)ws;
}

void DrawMarkers(const Workspace& ws, const Mapper& m, Surface& surface, SeriesBuffers& b) {
  const int n = PointLimit(ws);
  std::vector<DevicePoint>& ends = b.markerEnds;
  ends.clear();
  const Colour ref = InkColour(ws, ws.colRef);
  if (ws.simulationMode && n >= 1) AddReflectionMarkers(m, 1, ws.calc[n].x, ends);
  if (!ws.rawLoaded && n >= 1) {
    if (PhaseRows(ws) > 1) {
      DrawMarkerRow(ws, surface, ends, ref);
      // A row per phase, each in its own colour.
      for (int k = 1; k <= PhaseRows(ws); ++k) {
        AddReflectionMarkers(m, k, ws.obs[n].x, ends);
        DrawMarkerRow(ws, surface, ends, RowColour(ws, k));
      }
    } else {
      for (int k = 1; k <= PhaseRows(ws); ++k) AddReflectionMarkers(m, k, ws.obs[n].x, ends);
    }
  }
  if (ws.autoPeaksFound) {
    const int count = std::clamp(ws.peakCount, 0, workspace::kMaxPeaks);
    for (int i = 1; i <= count; ++i) {
      const float pos = ws.peak2Theta[i];
      const int x = m.X(pos);
      if (!(ws.plotLeft <= x && x <= ws.plotRight)) continue;
      if (m.twoTheta && !(ws.xMin <= pos && pos <= ws.xMax)) continue;
      ends.push_back({x, ws.baseY});
      ends.push_back({x, ws.baseY - 3 * ws.rowStep});
    }
  }
  DrawMarkerRow(ws, surface, ends, ref);
}

// Background points and curve keep their colour in black and white too.
void DrawBackground(const Workspace& ws, const Mapper& m, Surface& surface, SeriesBuffers& b) {
  std::vector<Rect>& boxes = b.dots[0];
  boxes.clear();
  if (ws.backgroundPickMode) {
    const int count = std::clamp(ws.backgroundPointCount, 0, workspace::kMaxBackgroundPoints);
    for (int i = 1; i <= count; ++i)
      boxes.push_back(DotBox(m.Map({ws.backgroundX[i], ws.backgroundY[i]}), 2));
    DrawDots(surface, {ws.colDiff, 2, PenStyle::Solid}, boxes, std::nullopt);
  }
  if (ws.backgroundCurveValid) {
    DotList curve(b.dots[0], b.seen[0], ws, b.everyPoint);
    const int n = PointLimit(ws);
    for (int i = 1; i <= n; ++i) {
      if (!m.Drawable(ws.background[i].y)) continue;
      const DevicePoint p = m.Map({ws.obs[i].x, ws.background[i].y});
      if (InsideFrame(ws, p.x, p.y)) curve.Add(p, 1);
    }
    DrawDots(surface, {ws.colDiff, 1, PenStyle::Solid}, curve.boxes(), std::nullopt);
  }
}

// A polyline through points in ascending x, broken where a point cannot be
// drawn or lies outside the frame's x range, or where more than two steps
// lie between neighbours (the gaps between fitted groups).
template <typename DeviceOf>
void AddCurve(const Mapper& m, PolylineRuns& runs, std::span<const Point> points, float step,
              DeviceOf deviceOf) {
  for (std::size_t i = 0; i + 1 < points.size(); ++i) {
    if (step > 0.0f && points[i + 1].x - points[i].x > 2.0f * step) continue;
    const std::optional<DevicePoint> from = deviceOf(i), to = deviceOf(i + 1);
    if (!from || !to) continue;
    if (from->x < m.plotLeft || from->x > m.plotRight || to->x < m.plotLeft || to->x > m.plotRight)
      continue;
    runs.Add(m.Clamp(*from), m.Clamp(*to), static_cast<int>(i));
  }
}

// A profile fit over the measured points: each line over its background
// (dotted, reference colour), the model (calculated colour) and the
// difference (difference colour) about a zero line an eighth of the plot
// above its foot.
void DrawPeakFit(const Workspace& ws, const Mapper& m, Surface& surface, SeriesBuffers& b) {
  const workspace::PeakFitResult& fit = ws.peakFit;
  if (fit.model.empty()) return;
  const float step = std::fabs(ws.stepWidth);
  const auto onCurve = [&](std::span<const Point> points) {
    return [&m, points](std::size_t i) -> std::optional<DevicePoint> {
      if (!m.Drawable(points[i].y)) return std::nullopt;
      return m.Map(points[i]);
    };
  };
  for (const std::vector<Point>& line : fit.lineCurves) {
    PolylineRuns runs(b.runPoints[1], b.runStarts[1], b.everyPoint);
    AddCurve(m, runs, line, step, onCurve(line));
    if (runs.empty()) continue;
    surface.SetPen({InkColour(ws, ws.colRef), 1, PenStyle::Dot});
    runs.Draw(surface);
  }
  PolylineRuns model(b.runPoints[0], b.runStarts[0], b.everyPoint);
  AddCurve(m, model, fit.model, step, onCurve(fit.model));
  if (!model.empty()) {
    surface.SetPen({InkColour(ws, ws.colCalc), ws.calcLineWidth, PenStyle::Solid});
    model.Draw(surface);
  }
  const int zero = ws.baseY - (ws.baseY - ws.plotTop) / 8;
  PolylineRuns diff(b.runPoints[1], b.runStarts[1], b.everyPoint);
  AddCurve(m, diff, fit.model, step, [&](std::size_t i) -> std::optional<DevicePoint> {
    const float obs = i < fit.observed.size() ? fit.observed[i] : fit.model[i].y;
    if (!m.Drawable(obs) || !m.Drawable(fit.model[i].y)) return std::nullopt;
    return DevicePoint{m.X(fit.model[i].x),
                       zero + TruncCoordinate((m.Scaled(obs) - m.Scaled(fit.model[i].y)) * ws.yScale)};
  });
  if (!diff.empty()) {
    surface.SetPen({InkColour(ws, ws.colDiff), 1, PenStyle::Solid});
    diff.Draw(surface);
  }
}

// The active pattern with everything it holds: points, curves, markers,
// background. Alone it keeps the classic colours; among others its
// measured points are a line in its own colour.
void DrawActive(Workspace& ws, const ShownPattern& s, bool among, Surface& surface,
                SeriesBuffers& b) {
  const Mapper m(ws, s);
  const Colour main = among ? s.colour : (ws.simulationMode ? ws.colCalc : ws.colObs);
  if (ws.rawLoaded) {
    DrawRawPoints(ws, m, main, among, surface, b);
    DrawPeakFit(ws, m, surface, b);
  } else
    DrawFittedPoints(ws, m, among ? s.colour : ws.colObs, surface, b);
  DrawMarkers(ws, m, surface, b);
  DrawBackground(ws, m, surface, b);
}

}  // namespace

void DrawSeries(Workspace& ws, Surface& surface, SeriesBuffers* buffers) {
  // A range that cannot be scaled is never drawn (DrawFrame left the scales 0).
  if (!RangeDrawable(ws) || ws.xScale == 0.0f || ws.yScale == 0.0f) return;
  SeriesBuffers oneOff;
  SeriesBuffers& b = buffers ? *buffers : oneOff;
  std::vector<ShownPattern>& shown = b.shown;
  ShownPatterns(ws, shown);
  if (ws.layout == workspace::Layout::kMap && !shown.empty()) {
    DrawMap(ws, shown, surface, b);
    for (const ShownPattern& s : shown)
      if (s.active) DrawMarkers(ws, Mapper(ws, s), surface, b);
  } else {
    const bool among = shown.size() > 1;
    for (const ShownPattern& s : shown)
      if (!s.active) DrawPatternLine(ws, s, surface, b);
    for (const ShownPattern& s : shown)
      if (s.active) DrawActive(ws, s, among, surface, b);
  }
  // The legend last, over the reference phases' sticks.
  DrawReferencePhases(ws, surface);
  DrawLegend(ws, shown, surface, b.legend);
}

}  // namespace difscop::plot
