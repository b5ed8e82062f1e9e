// The data inside the frame: dots, lines, markers and background points.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "plot/geometry.h"
#include "plot/palette.h"
#include "plot/zoom_history.h"
#include "plot_fixture.h"

namespace difscop::plot {
namespace {

using namespace testing;  // the fixture's colours and recording surface

// Frame, then the series on a fresh surface, as the paint does (or with
// every point, not thinned per pixel column).
RecordingSurface Draw(workspace::Workspace& ws, bool everyPoint = false) {
  Frame(ws);
  RecordingSurface s;
  SeriesBuffers buffers;
  buffers.everyPoint = everyPoint;
  DrawSeries(ws, s, &buffers);
  return s;
}

TEST(DrawSeries, RawPatternsAsDotsOrLinesInsideTheFrameSimulatedOnesWithReflections) {
  auto ws = MakeWorkspace();
  LoadPoints(*ws, {50}, 20.0f, 0.5f, [](int i) { return 100.0f * i; });
  std::tie(ws->obsDotRadius, ws->calcLineWidth) = std::pair{2, 3};
  RecordingSurface s = Draw(*ws);
  const auto dots = s.EllipsesIn(kObs);
  ASSERT_EQ(dots.size(), 48u);
  const int px = DeviceX(*ws, ws->obs[49].x), py = DeviceY(*ws, ws->obs[49].y);
  const Rect& box = dots[47].box;
  EXPECT_EQ((std::array{box.left, box.top, box.right, box.bottom}),
            (std::array{px - 2, py - 2, px + 2, py + 2}));
  // One pen and one batched call for the whole series.
  EXPECT_TRUE(dots[0].CentreX() == DeviceX(*ws, ws->obs[2].x) && dots[47].fill == kObs &&
              dots[47].pen.width == 3 && s.Calls("pen") == 1 && s.Calls("ellipses") == 1 &&
              s.lines.empty());
  // A smoothed curve, once switched on, only inside its computed stretch.
  for (int i = 1; i <= 50; ++i) ws->smoothed[i] = {ws->obs[i].x, 400.0f};
  std::tie(ws->smoothFirst, ws->smoothLast, ws->smoothedValid) = std::tuple{5, 20, 1};
  const auto smooth = Draw(*ws).LinesIn(kCalc);
  ASSERT_EQ(smooth.size(), 14u);  // i = 6..19
  EXPECT_EQ((std::pair{smooth.front().from.x, smooth.back().to.x}),
            (std::pair{DeviceX(*ws, ws->obs[6].x), DeviceX(*ws, ws->obs[20].x)}));
  // Zoomed: the points at 10..90 degrees, but not the peak above the top.
  LoadPoints(*ws, {101}, 0.0f, 1.0f, [](int i) { return i == 51 ? 9000.0f : 1000.0f; });
  std::tie(ws->xMin, ws->xMax, ws->yMax) = std::tuple{10.0f, 90.0f, 5000.0f};
  EXPECT_EQ(Draw(*ws).EllipsesIn(kObs).size(), 80u);
  // As a line: segments straddling the edges are left out, tops flattened.
  LoadPoints(*ws, {21}, 0.0f, 1.0f, [](int i) { return i == 10 ? 20000.0f : -100.0f * i; });
  ws->obsDotRadius = 0;
  ViewRange{4.5f, 15.5f, 0, 1000, 1, 100}.ApplyTo(*ws);
  s = Draw(*ws);
  const auto lines = s.LinesIn(kObs);
  // Points 6..16 (x 5..15) are inside: segments 6-7 .. 15-16, one polyline.
  ASSERT_EQ((std::pair{lines.size(), s.Calls("polyline")}), (std::pair{std::size_t{10}, 1}));
  EXPECT_EQ((std::pair{lines.front().from.x, lines.back().to.x}),
            (std::pair{DeviceX(*ws, 5.0f), DeviceX(*ws, 15.0f)}));
  // The peak at 9 degrees is pulled down to the top, negative intensities stay below the frame.
  EXPECT_TRUE(lines[3].to.y == ws->plotTop && lines[4].from.y == ws->plotTop &&
              lines.back().to.y > ws->plotBottom);
  // A range that cannot be scaled draws nothing at all.
  ws->yMax = ws->yMin;
  EXPECT_TRUE(Draw(*ws).calls.empty());
  // A simulated pattern is drawn from calc as a line, with its reflections up to its last angle
  // (the third beyond it).
  ws = MakeWorkspace();
  for (int i = 1; i <= 30; ++i) ws->calc[i] = {10.0f + i, 50.0f * i};
  std::tie(ws->obsCount, ws->segmentPointCount[1], ws->segmentCount, ws->simulationMode,
           ws->rawLoaded, ws->blankPlot) = std::tuple{30, 30, 1, 1, 1, 0};
  std::tie(ws->reflectionCount[1], ws->reflectionPos[1][1], ws->reflectionPos[1][2],
           ws->reflectionPos[1][3]) = std::tuple{3, 15.0f, 40.0f, 40.5f};
  workspace::AutoRange(*ws);
  s = Draw(*ws);
  EXPECT_TRUE(s.LinesIn(kCalc).size() == 28u && s.ellipses.empty());
  const auto markers = s.LinesIn(kRef);
  ASSERT_EQ(markers.size(), 2u);
  EXPECT_EQ((std::array{markers[1].from.x, markers[0].from.y, markers[0].to.y}),
            (std::array{DeviceX(*ws, 40.0f), ws->markerRowY[1], ws->markerRowY[1] + ws->rowStep}));
}

TEST(DrawSeries, FittedModeClampsTheCurveDrawsDotsPerSegmentAndAMarkerRowPerPhase) {
  auto ws = MakeWorkspace();
  // Two segments of 10 and 8 points; one calculated value far above the top.
  LoadPoints(
      *ws, {10, 8}, 20.0f, 1.0f, [](int) { return 1000.0f; },
      [](int i) { return i == 5 ? 1.0e6f : 900.0f; });
  std::tie(ws->phaseCount, ws->obsDotRadius) = std::pair{3, 0};
  for (int k = 1; k <= 3; ++k)  // the first past the last observed angle 37
    std::tie(ws->reflectionCount[k], ws->reflectionPos[k][1], ws->reflectionPos[k][2]) =
        std::tuple{2, 38.0f, 20.0f + k};
  RecordingSurface s = Draw(*ws);
  // Dots (a line is not an option for a fit) for points 2..c-1 of each segment (8 + 6); the curve
  // from point 2 to c, a polyline per segment and the outline, clamped into the frame: the segment
  // 4-5 ends on the top edge.
  const auto dots = s.EllipsesIn(kObs), diff = s.EllipsesIn(kDiff);
  const auto calc = s.LinesIn(kCalc);
  ASSERT_EQ((std::array{dots.size(), calc.size(), diff.size(), std::size_t(ws->obsDotRadius)}),
            (std::array<std::size_t, 4>{14, 14, 13, 1}));
  auto x = [&](int i) { return DeviceX(*ws, ws->obs[i].x); };
  EXPECT_EQ((std::array{dots[0].CentreX(), dots[8].CentreX(), calc[2].to.y, calc[7].to.x,
                        calc[8].from.x, s.Calls("polyline")}),
            (std::array{x(2), x(12), ws->plotTop, x(10), x(12), 2 + 1}));
  // Difference dots 100 counts above the zero line; the outline goes over the curve.
  EXPECT_EQ(diff[0].CentreY(), ws->diffZeroY + static_cast<int>(100.0f * ws->yScale));
  EXPECT_TRUE(s.LinesIn(kFrame).size() == 4u && s.lines[calc.size() + 3].pen.colour == kFrame);
  // A marker row per phase in its own colour, up to the last observed angle, and a legend
  // naming each phase (by the file's name where it has one).
  ws->phaseName[2] = "Anatase";
  s = Draw(*ws);
  for (int k = 1; k <= 3; ++k) {
    const auto markers = s.LinesIn(PhaseColour(k));
    ASSERT_EQ(markers.size(), 2u) << k;  // the marker and the legend's line
    EXPECT_EQ((std::array{markers[0].from.x, markers[0].from.y, markers[0].to.y}),
              (std::array{DeviceX(*ws, 20.0f + k), ws->markerRowY[k], ws->markerRowY[k] - 9}));
    EXPECT_EQ(markers[1].pen.width, 2);
  }
  const DrawnText *first = s.Text("Phase 1"), *second = s.Text("Anatase"), *third = s.Text("Phase 3");
  ASSERT_TRUE(first && second && third && !s.Text("Phase 2"));
  EXPECT_TRUE(first->y < second->y && second->y < third->y && third->x == first->x &&
              first->x > ws->plotLeft && first->y > ws->plotTop);
  // One phase: the reflection colour, and no legend unless the phase has a name.
  ws->phaseCount = 1;
  EXPECT_TRUE(Draw(*ws).LinesIn(kRef).size() == 1u && Draw(*ws).texts.empty());
  ws->phaseName[1] = "Rutile";
  EXPECT_TRUE(Draw(*ws).Text("Rutile"));
  // A single observed point still has the markers up to its angle.
  std::tie(ws->obsCount, ws->reflectionPos[1][2], ws->phaseName[1]) = std::tuple{1, 20.0f, ""};
  EXPECT_EQ(Draw(*ws).LinesIn(kRef).size(), 1u);
}

// A long fit is mapped several points at a time: every dot and every end of
// the curve must lie where DeviceX and DeviceY put its point, clamped ones
// and those far outside the frame too.
TEST(DrawSeries, FittedPointsLieWhereTheAxesPutThemPointByPoint) {
  auto ws = MakeWorkspace();
  LoadPoints(
      *ws, {1203}, 5.0f, 0.0173f, [](int i) { return 300.0f + (i * 7919 % 1013) * 3.7f; },
      [](int i) { return i % 97 == 0 ? 4.0e7f : i % 89 == 0 ? -3.0e9f : 280.0f + (i % 211) * 4.1f; });
  ws->yMin = 200.0f;  // differences and a few calculated values below the frame
  RecordingSurface s = Draw(*ws, true);
  const auto dots = s.EllipsesIn(kObs), diff = s.EllipsesIn(kDiff);
  const auto calc = s.LinesIn(kCalc);
  ASSERT_EQ(calc.size(), 1201u);
  std::size_t dot = 0, below = 0;
  for (int i = 2; i <= 1202; ++i) {
    const auto& o = ws->obs[i];
    const int x = DeviceX(*ws, o.x), y = DeviceY(*ws, o.y);
    const int dy = DeviceYFrom(*ws, ws->diffZeroY, o.y - ws->calc[i].y);
    const int cy = std::clamp(DeviceY(*ws, ws->calc[i].y), ws->plotTop, ws->plotBottom);
    ASSERT_EQ((std::array{calc[i - 2].from.x, calc[i - 2].from.y}),
              (std::array{std::clamp(x, ws->plotLeft, ws->plotRight), cy})) << i;
    if (InsideFrame(*ws, x, y)) {
      ASSERT_LT(dot, dots.size());
      ASSERT_EQ((std::array{dots[dot].CentreX(), dots[dot].CentreY()}), (std::array{x, y})) << i;
      ++dot;
    }
    below += InsideFrame(*ws, x, dy);
  }
  EXPECT_EQ(dot, dots.size());
  EXPECT_EQ(below, diff.size());
}

TEST(DrawSeries, PeakMarkersAndBackgroundPoints) {
  auto ws = MakeWorkspace();
  LoadPoints(*ws, {100}, 10.0f, 0.5f, [](int) { return 700.0f; });
  ws->xMax = 40.0f;                                    // zoomed: 10..40
  const float peaks[] = {10.0f, 45.0f, 25.0f, 40.0f};  // the second outside the range
  std::copy(peaks, peaks + 4, &ws->peak2Theta[1]);
  // Background points at 30 and 80, outside but still drawn; black and white.
  std::tie(ws->autoPeaksFound, ws->peakCount, ws->backgroundPickMode, ws->backgroundPointCount,
           ws->colorDrawing, ws->backgroundX[1], ws->backgroundX[2], ws->backgroundY[1],
           ws->backgroundY[2]) = std::tuple{1, 4, 1, 2, 0, 30.0f, 80.0f, 200.0f, 200.0f};
  RecordingSurface s = Draw(*ws);
  const auto marks = s.LinesIn(kInk);
  ASSERT_EQ(marks.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k)
    EXPECT_EQ((std::array{marks[k].from.x, marks[k].from.y, marks[k].to.y}),
              (std::array{DeviceX(*ws, peaks[k == 0 ? 0 : k + 1]), ws->baseY, ws->baseY + 27}));
  // Background points keep their colour in black and white, unfilled; the dots are ink.
  const auto points = s.EllipsesIn(kDiff);
  ASSERT_EQ((std::array{points.size(), s.EllipsesIn(kInk).size(), s.ellipses.size()}),
            (std::array<std::size_t, 3>{2, 60, 62}));
  EXPECT_TRUE(points[1].box.right - points[1].box.left == 4 &&
              points[1].CentreX() > ws->plotRight && !points[1].fill.has_value() &&
              points[1].pen.width == 2);
  // A computed curve: one pixel boxes, only inside the frame.
  std::tie(ws->backgroundPickMode, ws->backgroundCurveValid) = std::pair{0, 1};
  for (int i = 1; i <= 100; ++i) ws->background[i].y = 300.0f;
  const auto curve = Draw(*ws).EllipsesIn(kDiff);
  ASSERT_EQ(curve.size(), 61u);  // x 10..40 of 10..59.5
  EXPECT_EQ(curve[0].box.right - curve[0].box.left, 2);
}

TEST(DrawSeries, MismatchedTablesStayWithinTheDataALoneEndIsNoSegment) {
  auto ws = MakeWorkspace();
  const int n = workspace::kMaxPoints;
  LoadPoints(
      *ws, {n}, 5.0f, 0.005f, [](int i) { return 1000.0f + i % 50; }, [](int) { return 1000.0f; });
  // Segment tables claiming more points, counts out of range, one-point segments at the end.
  ws->segmentCount = 25;
  for (int k = 1; k <= workspace::kMaxSegments; ++k) ws->segmentPointCount[k] = k == 1 ? n : 1;
  std::tie(ws->phaseCount, ws->reflectionCount[2]) = std::pair{40, 100000};
  EXPECT_EQ(Draw(*ws, true).EllipsesIn(kObs).size(), static_cast<std::size_t>(n - 2));
  // A negative count moves the next segment back to the first point, no further.
  std::tie(ws->segmentCount, ws->segmentPointCount[1], ws->segmentPointCount[2], ws->obs[1].y) =
      std::tuple{2, -1, 10, 0.0f};
  const auto dots = Draw(*ws, true).EllipsesIn(kObs);
  EXPECT_TRUE(dots.size() <= 10u && std::ranges::count_if(dots, [&](const DrawnEllipse& d) {
                                      return d.CentreY() == ws->baseY;
                                    }) == 1);
  // The surface's own segments take the ends in pairs: a lone last end is no segment.
  RecordingSurface s;
  const DevicePoint p[] = {{0, 0}, {1, 2}, {3, 4}};
  s.Segments(p);
  s.Polyline(std::span(p, 0));
  EXPECT_EQ((std::pair{s.lines.size(), s.lines.at(0).to.y}), (std::pair{std::size_t{1}, 2}));
}

}  // namespace
}  // namespace difscop::plot
