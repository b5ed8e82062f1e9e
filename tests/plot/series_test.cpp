// The data inside the frame: dots, lines, markers and background points.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "plot/geometry.h"
#include "plot/plot.h"
#include "plot/zoom_history.h"
#include "plot_fixture.h"

namespace difscop::plot {
namespace {

using testing::DrawnEllipse;
using testing::DrawnLine;
using testing::LoadPoints;
using testing::LoadRaw;
using testing::MakeWorkspace;
using testing::RecordingSurface;

// Frame, then the series on a fresh surface, as the paint does.
RecordingSurface Draw(workspace::Workspace& ws) {
  RecordingSurface frame, s;
  DrawFrame(ws, frame, 700, 480);
  DrawSeries(ws, s);
  return s;
}

TEST(DrawSeries, RawDotsForAllButTheFirstAndLastPointInsideTheFrame) {
  auto ws = MakeWorkspace();
  LoadRaw(*ws, 50, 20.0f, 0.5f, [](int i) { return 100.0f * i; });
  ws->obsDotRadius = 2;
  ws->calcLineWidth = 3;
  RecordingSurface s = Draw(*ws);
  const auto dots = s.EllipsesIn(testing::kObs);
  ASSERT_EQ(dots.size(), 48u);
  const int px = DeviceX(*ws, ws->obs[49].x), py = DeviceY(*ws, ws->obs[49].y);
  EXPECT_EQ(testing::Box(dots[47].box), (std::array{px - 2, py - 2, px + 2, py + 2}));
  EXPECT_TRUE(dots[0].CentreX() == DeviceX(*ws, ws->obs[2].x) && dots[47].fill == testing::kObs && dots[47].pen.width == 3);
  // One pen and one batched call for the whole series.
  EXPECT_TRUE(s.penChanges == 1 && s.Calls("ellipses") == 1 && s.lines.empty());

  // Zoomed: the points at 10..90 degrees, but not the peak above the top.
  LoadRaw(*ws, 101, 0.0f, 1.0f, [](int i) { return i == 51 ? 9000.0f : 1000.0f; });
  std::tie(ws->xMin, ws->xMax, ws->yMax) = std::tuple{10.0f, 90.0f, 5000.0f};
  s = Draw(*ws);
  EXPECT_EQ(s.EllipsesIn(testing::kObs).size(), 80u);
  for (const auto& d : s.ellipses) EXPECT_TRUE(InsideFrame(*ws, d.CentreX(), d.CentreY()));
}

TEST(DrawSeries, RawLineLeavesOutSegmentsStraddlingTheEdgesAndFlattensTops) {
  auto ws = MakeWorkspace();
  LoadRaw(*ws, 21, 0.0f, 1.0f, [](int i) { return i == 10 ? 20000.0f : -100.0f * i; });
  ws->obsDotRadius = 0;
  ViewRange{4.5f, 15.5f, 0, 1000, 1, 100}.ApplyTo(*ws);
  RecordingSurface s = Draw(*ws);
  const auto lines = s.LinesIn(testing::kObs);
  // Points 6..16 (x 5..15) are inside: segments 6-7 .. 15-16, one polyline.
  ASSERT_EQ((std::pair{lines.size(), s.Calls("polyline")}), (std::pair{std::size_t{10}, 1}));
  EXPECT_EQ((std::pair{lines.front().from.x, lines.back().to.x}), (std::pair{DeviceX(*ws, 5.0f), DeviceX(*ws, 15.0f)}));
  for (const auto& l : lines) EXPECT_GE(std::min(l.from.y, l.to.y), ws->plotTop);
  // The peak is raised to the top, negative intensities stay below the frame.
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const DrawnLine& l) {
    return l.to.x == DeviceX(*ws, 9.0f) && l.to.y == ws->plotTop;
  }));
  EXPECT_GT(lines.back().to.y, ws->plotBottom);
}

TEST(DrawSeries, SimulatedPatternIsALineWithItsReflectionsUpToTheLastAngle) {
  auto ws = MakeWorkspace();
  for (int i = 1; i <= 30; ++i) ws->calc[i] = {10.0f + i, 50.0f * i};
  ws->obsCount = ws->segmentPointCount[1] = 30;
  ws->segmentCount = 1;
  ws->simulationMode = ws->rawLoaded = 1;
  ws->blankPlot = 0;
  // The third beyond the last angle.
  std::tie(ws->reflectionCount[1], ws->reflectionPos[1][1], ws->reflectionPos[1][2], ws->reflectionPos[1][3]) =
      std::tuple{3, 15.0f, 40.0f, 40.5f};
  workspace::AutoRange(*ws);
  RecordingSurface s = Draw(*ws);
  EXPECT_TRUE(s.LinesIn(testing::kCalc).size() == 28u && s.ellipses.empty());
  const auto markers = s.LinesIn(testing::kRef);
  ASSERT_EQ(markers.size(), 2u);
  EXPECT_EQ((std::array{markers[1].from.x, markers[0].from.y, markers[0].to.y}),
            (std::array{DeviceX(*ws, 40.0f), ws->markerRowY[1], ws->markerRowY[1] + ws->rowStep}));
}

TEST(DrawSeries, SmoothedCurveOnlyInsideItsComputedStretch) {
  auto ws = MakeWorkspace();
  LoadRaw(*ws, 40, 10.0f, 1.0f, [](int) { return 500.0f; });
  for (int i = 1; i <= 40; ++i) ws->smoothed[i] = {ws->obs[i].x, 400.0f};
  std::tie(ws->smoothFirst, ws->smoothLast) = std::pair{5, 20};
  EXPECT_TRUE(Draw(*ws).LinesIn(testing::kCalc).empty()) << "not switched on";
  ws->smoothedValid = 1;
  const auto lines = Draw(*ws).LinesIn(testing::kCalc);
  ASSERT_EQ(lines.size(), 14u);  // i = 6..19
  EXPECT_EQ((std::pair{lines.front().from.x, lines.back().to.x}),
            (std::pair{DeviceX(*ws, ws->obs[6].x), DeviceX(*ws, ws->obs[20].x)}));
}

TEST(DrawSeries, FittedModeClampsTheCurveAndDrawsDotsPerSegment) {
  auto ws = MakeWorkspace();
  // Two segments of 10 and 8 points; one calculated value far above the top.
  LoadPoints(
      *ws, {10, 8}, 20.0f, 1.0f, [](int) { return 1000.0f; },
      [](int i) { return i == 5 ? 1.0e6f : 900.0f; });
  ws->phaseCount = 2;
  ws->obsDotRadius = 0;
  RecordingSurface s = Draw(*ws);
  EXPECT_EQ(ws->obsDotRadius, 1);  // a line is not an option for a fit

  // Dots for points 2..c-1 of each segment: 8 + 6.
  const auto obsDots = s.EllipsesIn(testing::kObs);
  ASSERT_EQ(obsDots.size(), 14u);
  EXPECT_EQ((std::pair{obsDots[0].CentreX(), obsDots[8].CentreX()}),
            (std::pair{DeviceX(*ws, ws->obs[2].x), DeviceX(*ws, ws->obs[12].x)}));

  // Calculated segments from point 2 to point c, clamped into the frame, a
  // polyline per segment.
  const auto calc = s.LinesIn(testing::kCalc);
  ASSERT_EQ(calc.size(), 14u);
  EXPECT_EQ(s.Calls("polyline"), 2 + 1);  // and the outline
  for (const auto& l : calc) EXPECT_TRUE(InsideFrame(*ws, l.from.x, l.from.y) && InsideFrame(*ws, l.to.x, l.to.y));
  // The segment 4-5 ends on the top edge.
  EXPECT_EQ((std::array{calc[2].to.y, calc[7].to.x, calc[8].from.x}),
            (std::array{ws->plotTop, DeviceX(*ws, ws->obs[10].x), DeviceX(*ws, ws->obs[12].x)}));

  // Difference dots around the zero line: obs - calc = 100 counts above it,
  // the one of the calculated peak falls far below the frame.
  const auto diff = s.EllipsesIn(testing::kDiff);
  ASSERT_EQ(diff.size(), 13u);
  EXPECT_EQ(diff[0].CentreY(), ws->diffZeroY + static_cast<int>(100.0f * ws->yScale));

  // The frame outline goes over the clamped curve, once, after the series.
  EXPECT_TRUE(s.LinesIn(testing::kFrame).size() == 4u && s.lines.back().pen.colour == testing::kFrame);
}

TEST(DrawSeries, FittedReflectionRowsStopAtTheLastObservedAngle) {
  auto ws = MakeWorkspace();
  LoadPoints(
      *ws, {41}, 10.0f, 1.0f, [](int) { return 100.0f; }, [](int) { return 100.0f; });
  ws->phaseCount = 3;
  for (int k = 1; k <= 3; ++k)  // the second past the last observed angle 50
    std::tie(ws->reflectionCount[k], ws->reflectionPos[k][1], ws->reflectionPos[k][2]) = std::tuple{2, 20.0f + k, 51.0f};
  auto markers = Draw(*ws).LinesIn(testing::kRef);
  ASSERT_EQ(markers.size(), 3u);
  for (int k = 1; k <= 3; ++k) {
    const auto& m = markers[static_cast<std::size_t>(k - 1)];
    EXPECT_EQ((std::array{m.from.x, m.from.y, m.to.y, m.pen.width}),
              (std::array{DeviceX(*ws, 20.0f + k), ws->markerRowY[k], ws->markerRowY[k] - 9, 1})) << k;
  }
  // A single observed point still has the markers up to its angle.
  ws->obsCount = 1;
  ws->reflectionPos[2][1] = 10.0f;
  markers = Draw(*ws).LinesIn(testing::kRef);
  ASSERT_EQ(markers.size(), 1u);
  EXPECT_EQ(markers[0].from.y, ws->markerRowY[2]);
}

TEST(DrawSeries, PeakMarkersAndBackgroundPoints) {
  auto ws = MakeWorkspace();
  LoadRaw(*ws, 100, 10.0f, 0.5f, [](int) { return 700.0f; });
  ws->xMax = 40.0f;  // zoomed: 10..40
  const float peaks[] = {10.0f, 45.0f, 25.0f, 40.0f};  // the second outside the range
  for (int i = 1; i <= 4; ++i) ws->peak2Theta[i] = peaks[i - 1];
  // Background points at 30 and 80, outside but still drawn; black and white.
  std::tie(ws->autoPeaksFound, ws->peakCount, ws->backgroundPickMode, ws->backgroundPointCount, ws->colorDrawing) =
      std::tuple{1, 4, 1, 2, 0};
  std::tie(ws->backgroundX[1], ws->backgroundX[2], ws->backgroundY[1], ws->backgroundY[2]) =
      std::tuple{30.0f, 80.0f, 200.0f, 200.0f};
  RecordingSurface s = Draw(*ws);

  const auto marks = s.LinesIn(testing::kInk);
  ASSERT_EQ(marks.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k)
    EXPECT_EQ((std::array{marks[k].from.x, marks[k].from.y, marks[k].to.y}),
              (std::array{DeviceX(*ws, peaks[k == 0 ? 0 : k + 1]), ws->baseY, ws->baseY + 27})) << k;
  // Background points keep their colour in black and white, unfilled.
  const auto points = s.EllipsesIn(testing::kDiff);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_TRUE(points[1].box.right - points[1].box.left == 4 && points[1].CentreX() > ws->plotRight &&
              !points[1].fill.has_value() && points[1].pen.width == 2);
  // Everything else is ink: the dots at 10.5..40.
  EXPECT_EQ((std::pair{s.EllipsesIn(testing::kInk).size(), s.ellipses.size()}), (std::pair{std::size_t{60}, std::size_t{62}}));

  // A computed curve: one pixel boxes, only inside the frame.
  ws->backgroundPickMode = 0;
  ws->backgroundCurveValid = 1;
  for (int i = 1; i <= 100; ++i) ws->background[i].y = 300.0f;
  const auto curve = Draw(*ws).EllipsesIn(testing::kDiff);
  ASSERT_EQ(curve.size(), 61u);  // x 10..40 of 10..59.5
  EXPECT_EQ(curve[0].box.right - curve[0].box.left, 2);
}

TEST(DrawSeries, FullTablesAndMismatchedSegmentsStayWithinTheData) {
  auto ws = MakeWorkspace();
  const int n = workspace::kMaxPoints;
  LoadPoints(
      *ws, {n}, 5.0f, 0.005f, [](int i) { return 1000.0f + i % 50; }, [](int) { return 1000.0f; });
  ws->phaseCount = workspace::kMaxPhases;
  for (int k = 1; k <= workspace::kMaxPhases; ++k) {
    ws->reflectionCount[k] = workspace::kMaxReflections;
    for (int i = 1; i <= workspace::kMaxReflections; ++i) ws->reflectionPos[k][i] = 5.0f + i * 0.03f;
  }
  RecordingSurface s = Draw(*ws);
  EXPECT_EQ((std::array{s.EllipsesIn(testing::kObs).size(), s.LinesIn(testing::kCalc).size(), s.LinesIn(testing::kRef).size()}),
            (std::array<std::size_t, 3>{n - 2, n - 2, workspace::kMaxPhases * workspace::kMaxReflections}));

  // A segment table claiming more points than there are, counts out of
  // range and one-point segments at the end never reach past obsCount.
  ws->segmentCount = 25;
  for (int k = 1; k <= workspace::kMaxSegments; ++k) ws->segmentPointCount[k] = k == 1 ? n : 1;
  ws->phaseCount = 40;
  ws->reflectionCount[2] = 100000;
  EXPECT_EQ(Draw(*ws).EllipsesIn(testing::kObs).size(), static_cast<std::size_t>(n - 2));

  // A negative count moves the next segment back to the first point, no further.
  std::tie(ws->segmentCount, ws->segmentPointCount[1], ws->segmentPointCount[2], ws->obs[1].y) = std::tuple{2, -1, 10, 0.0f};
  const auto dots = Draw(*ws).EllipsesIn(testing::kObs);
  EXPECT_LE(dots.size(), 10u);
  EXPECT_EQ(std::count_if(dots.begin(), dots.end(),
                          [&](const DrawnEllipse& d) { return d.CentreY() == ws->baseY; }),
            1);
}

TEST(DrawSeries, NothingIsDrawnForARangeThatCannotBeScaled) {
  auto ws = MakeWorkspace();
  LoadRaw(*ws, 20, 10.0f, 1.0f, [](int) { return 100.0f; });
  ws->yMax = ws->yMin;
  EXPECT_TRUE(Draw(*ws).calls.empty());
}

TEST(Surface, BatchedFormsDrawOneShapeAtATime) {
  RecordingSurface s;
  const DevicePoint p[] = {{0, 0}, {1, 2}, {3, 4}, {5, 6}};
  s.Segments(std::span(p, 3));  // a lone last end is no segment
  s.Polyline(std::span(p, 0));
  s.Polyline(p);
  const Rect boxes[] = {{0, 0, 2, 2}, {4, 4, 6, 6}};
  s.Ellipses(boxes);
  ASSERT_EQ((std::pair{s.lines.size(), s.ellipses.size()}), (std::pair{std::size_t{4}, std::size_t{2}}));
  EXPECT_EQ((std::array{s.lines[0].to.y, s.lines[1].from.x, s.lines[3].to.x}), (std::array{2, 0, 5}));
}

}  // namespace
}  // namespace difscop::plot
