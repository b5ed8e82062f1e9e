#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "plot/geometry.h"
#include "plot/plot.h"
#include "plot_fixture.h"
#include "recording_surface.h"

namespace difscop::plot {
namespace {

using testing::DrawnEllipse;
using testing::DrawnLine;
using testing::LoadFitted;
using testing::LoadRaw;
using testing::MakeWorkspace;
using testing::RecordingSurface;

int CentreX(const DrawnEllipse& e) {
  return (e.box.left + e.box.right) / 2;
}
int CentreY(const DrawnEllipse& e) {
  return (e.box.top + e.box.bottom) / 2;
}

// Frame, then the series on a fresh surface, as the paint does.
RecordingSurface Draw(workspace::Workspace& ws) {
  RecordingSurface frame;
  DrawFrame(ws, frame, 700, 480);
  RecordingSurface s;
  DrawSeries(ws, s);
  return s;
}

TEST(DrawSeries, RawDotsForAllButTheFirstAndLastPoint) {
  auto ws = MakeWorkspace();
  LoadRaw(*ws, 50, 20.0f, 0.5f, [](int i) { return 100.0f * i; });
  ws->obsDotRadius = 2;
  ws->calcLineWidth = 3;
  RecordingSurface s = Draw(*ws);

  auto dots = s.EllipsesInColour(testing::kObs);
  ASSERT_EQ(dots.size(), 48u);
  for (std::size_t k = 0; k < dots.size(); ++k) {
    const auto& p = ws->obs[k + 2];
    EXPECT_EQ(CentreX(dots[k]), DeviceX(*ws, p.x));
    EXPECT_EQ(CentreY(dots[k]), DeviceY(*ws, p.y));
    EXPECT_EQ(dots[k].box.right - dots[k].box.left, 4);
    EXPECT_EQ(dots[k].fill, std::optional<workspace::Colour>(testing::kObs));
    EXPECT_EQ(dots[k].pen.width, 3);
  }
  // One pen and one batched call for the whole series.
  EXPECT_EQ(s.penChanges, 1);
  EXPECT_EQ(s.CallCount("ellipses"), 1);
  EXPECT_TRUE(s.lines.empty());
}

TEST(DrawSeries, RawDotsOutsideTheFrameAreLeftOut) {
  auto ws = MakeWorkspace();
  LoadRaw(*ws, 101, 0.0f, 1.0f, [](int i) { return i == 51 ? 9000.0f : 1000.0f; });
  ws->xMin = 10;
  ws->xMax = 90;
  ws->yMax = 5000;
  RecordingSurface s = Draw(*ws);
  auto dots = s.EllipsesInColour(testing::kObs);
  // Points at 10..90 degrees lie in the frame, the peak above yMax does not.
  EXPECT_EQ(dots.size(), 80u);
  for (const auto& d : dots) EXPECT_TRUE(InsideFrame(*ws, CentreX(d), CentreY(d)));
}

TEST(DrawSeries, RawLineLeavesOutSegmentsStraddlingTheEdgesAndFlattensTops) {
  auto ws = MakeWorkspace();
  LoadRaw(*ws, 21, 0.0f, 1.0f, [](int i) { return i == 10 ? 20000.0f : -100.0f * i; });
  ws->obsDotRadius = 0;
  ws->xMin = 4.5f;
  ws->xMax = 15.5f;
  ws->yMin = 0;
  ws->yMax = 1000;
  RecordingSurface s = Draw(*ws);
  auto lines = s.LinesInColour(testing::kObs);
  // Points 6..16 (x 5..15) are inside: segments 6-7 .. 15-16.
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines.front().from.x, DeviceX(*ws, 5.0f));
  EXPECT_EQ(lines.back().to.x, DeviceX(*ws, 15.0f));
  for (const auto& l : lines) {
    EXPECT_GE(l.from.y, ws->plotTop);  // raised to the top ...
    EXPECT_GE(l.to.y, ws->plotTop);
  }
  // ... while negative intensities stay below the frame.
  EXPECT_GT(lines.back().to.y, ws->plotBottom);
  const bool peakFlat = std::any_of(lines.begin(), lines.end(), [&](const DrawnLine& l) {
    return l.to.x == DeviceX(*ws, 9.0f) && l.to.y == ws->plotTop;
  });
  EXPECT_TRUE(peakFlat);
  EXPECT_EQ(s.CallCount("polyline"), 1);
}

TEST(DrawSeries, SimulatedPatternIsALineWithItsReflectionsUpToTheLastAngle) {
  auto ws = MakeWorkspace();
  for (int i = 1; i <= 30; ++i) ws->calc[i] = {10.0f + i, 50.0f * i};
  ws->obsCount = 30;
  ws->segmentCount = 1;
  ws->segmentPointCount[1] = 30;
  ws->simulationMode = 1;
  ws->rawLoaded = 1;
  ws->blankPlot = 0;
  ws->reflectionCount[1] = 3;
  ws->reflectionPos[1][1] = 15.0f;
  ws->reflectionPos[1][2] = 40.0f;
  ws->reflectionPos[1][3] = 40.5f;  // beyond the last angle
  workspace::AutoRange(*ws);
  workspace::ChooseTicks(*ws);
  RecordingSurface s = Draw(*ws);
  EXPECT_EQ(s.LinesInColour(testing::kCalc).size(), 28u);
  EXPECT_TRUE(s.ellipses.empty());
  auto markers = s.LinesInColour(testing::kRef);
  ASSERT_EQ(markers.size(), 2u);
  EXPECT_EQ(markers[0].from.x, DeviceX(*ws, 15.0f));
  EXPECT_EQ(markers[0].from.y, ws->markerRowY[1]);
  EXPECT_EQ(markers[0].to.y, ws->markerRowY[1] + ws->rowStep);
}

TEST(DrawSeries, SmoothedCurveOnlyInsideItsComputedStretch) {
  auto ws = MakeWorkspace();
  LoadRaw(*ws, 40, 10.0f, 1.0f, [](int) { return 500.0f; });
  for (int i = 1; i <= 40; ++i) ws->smoothed[i] = {ws->obs[i].x, 400.0f};
  ws->smoothedValid = 1;
  ws->smoothFirst = 5;
  ws->smoothLast = 20;
  RecordingSurface s = Draw(*ws);
  auto lines = s.LinesInColour(testing::kCalc);
  ASSERT_EQ(lines.size(), 14u);  // i = 6..19
  EXPECT_EQ(lines.front().from.x, DeviceX(*ws, ws->obs[6].x));
  EXPECT_EQ(lines.back().to.x, DeviceX(*ws, ws->obs[20].x));
}

TEST(DrawSeries, FittedModeClampsTheCurveAndDrawsDotsPerSegment) {
  auto ws = MakeWorkspace();
  // Two segments of 10 and 8 points; one calculated value far above the top.
  LoadFitted(
      *ws, {10, 8}, 20.0f, 1.0f, 2, [](int) { return 1000.0f; },
      [](int i) { return i == 5 ? 1.0e6f : 900.0f; });
  ws->obsDotRadius = 0;
  RecordingSurface s = Draw(*ws);
  EXPECT_EQ(ws->obsDotRadius, 1);  // a line is not an option for a fit

  // Dots for points 2..c-1 of each segment: 8 + 6.
  auto obsDots = s.EllipsesInColour(testing::kObs);
  ASSERT_EQ(obsDots.size(), 14u);
  std::set<int> xs;
  for (const auto& d : obsDots) xs.insert(CentreX(d));
  EXPECT_FALSE(xs.count(DeviceX(*ws, ws->obs[1].x)));
  EXPECT_FALSE(xs.count(DeviceX(*ws, ws->obs[10].x)));
  EXPECT_FALSE(xs.count(DeviceX(*ws, ws->obs[11].x)));
  EXPECT_TRUE(xs.count(DeviceX(*ws, ws->obs[12].x)));

  // Calculated segments from point 2 to point c, clamped into the frame.
  auto calc = s.LinesInColour(testing::kCalc);
  ASSERT_EQ(calc.size(), 14u);
  for (const auto& l : calc) {
    EXPECT_TRUE(InsideFrame(*ws, l.from.x, l.from.y));
    EXPECT_TRUE(InsideFrame(*ws, l.to.x, l.to.y));
  }
  EXPECT_EQ(calc[2].to.y, ws->plotTop);  // the segment 4-5 ends on the top edge
  EXPECT_EQ(calc[7].to.x, DeviceX(*ws, ws->obs[10].x));

  // Difference dots around the zero line: obs - calc = 100 counts above it.
  auto diff = s.EllipsesInColour(testing::kDiff);
  ASSERT_FALSE(diff.empty());
  EXPECT_EQ(CentreY(diff[0]), ws->diffZeroY + static_cast<int>(100.0f * ws->yScale));

  // The frame outline goes over the clamped curve, once, after the series.
  ASSERT_GE(s.lines.size(), 4u);
  for (std::size_t k = s.lines.size() - 4; k < s.lines.size(); ++k)
    EXPECT_EQ(s.lines[k].pen.colour, testing::kFrame);
  EXPECT_EQ(s.LinesInColour(testing::kFrame).size(), 4u);
  EXPECT_LE(s.penChanges, 5);

  // A calculated-only file: the curve alone, no observed or difference dots.
  ws->pairedIntLoad = 1;
  s = Draw(*ws);
  EXPECT_EQ(s.LinesInColour(testing::kCalc).size(), 14u);
  EXPECT_TRUE(s.EllipsesInColour(testing::kObs).empty());
  EXPECT_TRUE(s.EllipsesInColour(testing::kDiff).empty());
}

TEST(DrawSeries, FittedReflectionRowsStopAtTheLastObservedAngle) {
  auto ws = MakeWorkspace();
  LoadFitted(
      *ws, {41}, 10.0f, 1.0f, 3, [](int) { return 100.0f; }, [](int) { return 100.0f; });
  for (int k = 1; k <= 3; ++k) {
    ws->reflectionCount[k] = 2;
    ws->reflectionPos[k][1] = 20.0f + k;
    ws->reflectionPos[k][2] = 51.0f;  // past the last observed angle 50
  }
  RecordingSurface s = Draw(*ws);
  auto markers = s.LinesInColour(testing::kRef);
  ASSERT_EQ(markers.size(), 3u);
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(markers[k - 1].from.x, DeviceX(*ws, 20.0f + k));
    EXPECT_EQ(markers[k - 1].from.y, ws->markerRowY[k]);
    EXPECT_EQ(markers[k - 1].to.y, ws->markerRowY[k] - 9);
    EXPECT_EQ(markers[k - 1].pen.width, 1);
  }
}

TEST(DrawSeries, PeakMarkersAndBackgroundPoints) {
  auto ws = MakeWorkspace();
  LoadRaw(*ws, 100, 10.0f, 0.5f, [](int) { return 700.0f; });
  ws->autoPeaksFound = 1;
  ws->peakCount = 3;
  ws->peak2Theta[1] = 25.0f;
  ws->peak2Theta[2] = 35.0f;
  ws->peak2Theta[3] = 45.0f;  // outside the range 10..40 after zooming
  ws->xMax = 40.0f;
  ws->backgroundPickMode = 1;
  ws->backgroundPointCount = 2;
  ws->backgroundX[1] = 30.0f;
  ws->backgroundY[1] = 200.0f;
  ws->backgroundX[2] = 80.0f;  // outside the frame, still drawn
  ws->backgroundY[2] = 200.0f;
  ws->colorDrawing = 0;
  RecordingSurface s = Draw(*ws);

  auto peaks = s.LinesInColour(testing::kInk);
  ASSERT_EQ(peaks.size(), 2u);
  EXPECT_EQ(peaks[0].from.y, ws->baseY);
  EXPECT_EQ(peaks[0].to.y, ws->baseY + 27);

  // Background points keep their colour in black and white, unfilled.
  auto points = s.EllipsesInColour(testing::kDiff);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[1].box.right - points[1].box.left, 4);
  EXPECT_GT(CentreX(points[1]), ws->plotRight);
  EXPECT_FALSE(points[1].fill.has_value());
  EXPECT_EQ(points[1].pen.width, 2);
  // Everything else is ink.
  for (const auto& e : s.ellipses)
    EXPECT_TRUE(e.pen.colour == testing::kInk || e.pen.colour == testing::kDiff);
  EXPECT_EQ(s.EllipsesInColour(testing::kInk).size(), 60u);  // x 10.5..40

  // A computed curve: one pixel boxes, only inside the frame.
  ws->backgroundPickMode = 0;
  ws->backgroundCurveValid = 1;
  for (int i = 1; i <= 100; ++i) ws->background[i].y = 300.0f;
  RecordingSurface curve = Draw(*ws);
  auto curvePoints = curve.EllipsesInColour(testing::kDiff);
  EXPECT_EQ(curvePoints.size(), 61u);  // x 10..40 of 10..59.5
  EXPECT_EQ(curvePoints[0].box.right - curvePoints[0].box.left, 2);
}

TEST(DrawSeries, FittedBlackAndWhiteIsInkThroughout) {
  auto ws = MakeWorkspace();
  LoadFitted(
      *ws, {30}, 10.0f, 1.0f, 1, [](int i) { return 100.0f + i; }, [](int) { return 110.0f; });
  ws->reflectionCount[1] = 1;
  ws->reflectionPos[1][1] = 20.0f;
  ws->colorDrawing = 0;
  RecordingSurface s = Draw(*ws);
  ASSERT_FALSE(s.lines.empty());
  for (const auto& l : s.lines) EXPECT_EQ(l.pen.colour, testing::kInk);
  for (const auto& e : s.ellipses) {
    EXPECT_EQ(e.pen.colour, testing::kInk);
    EXPECT_EQ(e.fill, std::optional<workspace::Colour>(testing::kInk));
  }
}

TEST(DrawSeries, FullTablesAndMismatchedSegmentsStayWithinTheData) {
  auto ws = MakeWorkspace();
  const int n = workspace::kMaxPoints;
  LoadFitted(
      *ws, {n}, 5.0f, 0.005f, workspace::kMaxPhases, [](int i) { return 1000.0f + i % 50; },
      [](int) { return 1000.0f; });
  for (int k = 1; k <= workspace::kMaxPhases; ++k) {
    ws->reflectionCount[k] = workspace::kMaxReflections;
    for (int i = 1; i <= workspace::kMaxReflections; ++i)
      ws->reflectionPos[k][i] = 5.0f + i * 0.03f;
  }
  RecordingSurface s = Draw(*ws);
  EXPECT_EQ(s.EllipsesInColour(testing::kObs).size(), static_cast<std::size_t>(n - 2));
  EXPECT_EQ(s.LinesInColour(testing::kCalc).size(), static_cast<std::size_t>(n - 2));
  EXPECT_EQ(s.LinesInColour(testing::kRef).size(),
            static_cast<std::size_t>(workspace::kMaxPhases * workspace::kMaxReflections));

  // A segment table claiming more points than there are, counts out of
  // range and one-point segments at the end never reach past obsCount.
  ws->segmentCount = 25;
  for (int k = 1; k <= workspace::kMaxSegments; ++k) ws->segmentPointCount[k] = k == 1 ? n : 1;
  ws->phaseCount = 40;
  ws->reflectionCount[2] = 100000;
  RecordingSurface mismatched = Draw(*ws);
  EXPECT_EQ(mismatched.EllipsesInColour(testing::kObs).size(), static_cast<std::size_t>(n - 2));

  ws->segmentCount = 2;
  ws->segmentPointCount[1] = -50;
  ws->segmentPointCount[2] = 10;
  RecordingSurface negative = Draw(*ws);
  for (const auto& d : negative.EllipsesInColour(testing::kObs))
    EXPECT_GE(CentreX(d), DeviceX(*ws, ws->obs[1].x));
}

TEST(DrawSeries, NothingIsDrawnForARangeThatCannotBeScaled) {
  auto ws = MakeWorkspace();
  LoadRaw(*ws, 20, 10.0f, 1.0f, [](int) { return 100.0f; });
  ws->yMax = ws->yMin;
  RecordingSurface s = Draw(*ws);
  EXPECT_TRUE(s.calls.empty());
}

}  // namespace
}  // namespace difscop::plot
