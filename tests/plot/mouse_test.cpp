#include "plot/mouse.h"

#include <cmath>

#include <gtest/gtest.h>

#include "plot/geometry.h"
#include "plot/plot.h"
#include "plot_fixture.h"
#include "recording_surface.h"

namespace difscop::plot {
namespace {

using testing::LoadRaw;
using testing::MakeWorkspace;
using testing::RecordingSurface;
using workspace::Workspace;

// A raw pattern painted at 700 by 480, so the mouse is live.
std::unique_ptr<Workspace> PaintedRaw(float step = 0.02f) {
  auto ws = MakeWorkspace();
  const int n = static_cast<int>(40.0f / step) + 1;
  LoadRaw(*ws, n, 10.0f, step, [](int i) { return 100.0f + i % 1000; });
  RecordingSurface s;
  DrawFrame(*ws, s, 700, 480);
  DrawSeries(*ws, s);
  ws->plotDrawn = 1;
  return ws;
}

DevicePoint At(const Workspace& ws, float x, float y) {
  // Centre of the pixel column, so the conversion back lands on x.
  const int px = ws.plotLeft + static_cast<int>((x - ws.xMin) * ws.xScale + 0.5f);
  return {px, DeviceY(ws, y)};
}

TEST(Zoom, SnapsToTheMeasuringGrid) {
  EXPECT_FLOAT_EQ(SnapToStep(20.013f, 0.02f), 20.00f);
  EXPECT_FLOAT_EQ(SnapToStep(30.029f, 0.02f), 30.02f);
  EXPECT_FLOAT_EQ(SnapToStep(30.029f, 0.05f), 30.00f);
  EXPECT_FLOAT_EQ(SnapToStep(20.0137f, 0.005f), 20.010f);
  EXPECT_FLOAT_EQ(SnapToStep(20.013f, 0.1f), 20.013f);
  EXPECT_FLOAT_EQ(SnapToStep(20.013f, 0.0f), 20.013f);
}

TEST(Zoom, DragSetsTheSnappedRangeFromZeroIntensity) {
  auto ws = PaintedRaw(0.02f);  // 10..50 degrees on 556 pixels
  const DevicePoint down{ws->plotLeft + 125, 300};
  const DevicePoint up{ws->plotLeft + 181, 100};
  const float rawStart = DataX(*ws, down.x);
  const float rawEnd = DataX(*ws, up.x);
  MouseResponse r = OnLeftButtonDown(*ws, down);
  EXPECT_TRUE(r.captureMouse);
  EXPECT_TRUE(ws->dragActive);
  r = OnMouseMove(*ws, {ws->plotLeft + 150, 200});
  EXPECT_TRUE(r.repaintOverlay);
  EXPECT_EQ(ws->statusPaneText[2], "For default, right button click for exit.");
  const float topY = DataY(*ws, up.y) - ws->yMin;
  r = OnLeftButtonUp(*ws, up);
  EXPECT_TRUE(r.releaseMouse);
  EXPECT_TRUE(r.repaintAll);
  EXPECT_FALSE(ws->dragActive);
  EXPECT_FLOAT_EQ(ws->xMin, static_cast<int>(rawStart * 100) / 2 * 2 / 100.0f);
  EXPECT_FLOAT_EQ(ws->xMax, static_cast<int>(rawEnd * 100) / 2 * 2 / 100.0f);
  EXPECT_EQ(ws->yMin, 0.0f);
  EXPECT_FLOAT_EQ(ws->yMax, topY);
  // Ticks follow the new range of about 4 degrees.
  EXPECT_EQ(ws->xTick, 1.0f);
}

TEST(Zoom, DirectionOfTheDragDoesNotMatter) {
  auto a = PaintedRaw();
  auto b = PaintedRaw();
  OnLeftButtonDown(*a, {200, 300});
  OnLeftButtonUp(*a, {400, 120});
  OnLeftButtonDown(*b, {400, 120});
  OnLeftButtonUp(*b, {200, 300});
  EXPECT_EQ(a->xMin, b->xMin);
  EXPECT_EQ(a->xMax, b->xMax);
  EXPECT_EQ(a->yMax, b->yMax);
  auto c = PaintedRaw();
  OnLeftButtonDown(*c, {400, 300});
  OnLeftButtonUp(*c, {200, 120});
  EXPECT_EQ(a->xMin, c->xMin);
  EXPECT_EQ(a->yMax, c->yMax);
}

TEST(Zoom, RectanglesThatWouldLeaveNothingToDrawKeepTheRange) {
  // A click without movement, a rectangle of no width, and one wholly
  // below the baseline (its top would be under its bottom).
  const DevicePoint ends[][2] = {
      {{300, 200}, {300, 200}}, {{300, 300}, {300, 100}}, {{200, 370}, {400, 385}}};
  for (const auto& e : ends) {
    auto ws = PaintedRaw(0.1f);
    ws->xTick = 7;  // not what ChooseTicks gives
    const float xMin = ws->xMin, xMax = ws->xMax, yMax = ws->yMax;
    OnLeftButtonDown(*ws, e[0]);
    MouseResponse r = OnLeftButtonUp(*ws, e[1]);
    EXPECT_EQ(ws->xMin, xMin);
    EXPECT_EQ(ws->xMax, xMax);
    EXPECT_EQ(ws->yMax, yMax);
    EXPECT_TRUE(RangeDrawable(*ws));
    EXPECT_TRUE(r.repaintAll);  // still repainted with fresh ticks
    EXPECT_EQ(ws->xTick, 10.0f);
  }
}

TEST(Zoom, MouseIsDeadUntilAPatternWasDrawnAndDuringPicking) {
  auto ws = PaintedRaw();
  ws->plotDrawn = 0;
  EXPECT_FALSE(OnLeftButtonDown(*ws, {300, 200}).captureMouse);
  EXPECT_FALSE(ws->dragActive);
  ws->plotDrawn = 1;
  ws->manualPeakMode = 1;
  EXPECT_FALSE(OnLeftButtonDown(*ws, {300, 200}).captureMouse);
  EXPECT_FALSE(OnLeftButtonUp(*ws, {400, 100}).repaintAll);
}

TEST(Readout, ShowsAngleAndMeasuredIntensityInsideTheData) {
  auto ws = PaintedRaw(0.02f);
  const DevicePoint p = At(*ws, 25.0f, 500.0f);
  OnMouseMove(*ws, p);
  const float t = DataX(*ws, p.x);
  char expected[32];
  std::snprintf(expected, sizeof expected, "x=%.3f", t);
  EXPECT_EQ(ws->statusPaneText[0], expected);
  const int k = static_cast<int>(std::lround((t - 10.0f) / 0.02f)) + 1;
  std::snprintf(expected, sizeof expected, "y=%.0f", ws->obs[k].y);
  EXPECT_EQ(ws->statusPaneText[1], expected);
  EXPECT_EQ(ws->statusPaneText[2], "");  // no drag, no picking

  // Outside the frame or the measured angles the panes keep their texts.
  OnMouseMove(*ws, {ws->plotLeft - 5, 200});
  OnMouseMove(*ws, At(*ws, 5.0f, 500.0f));
  OnMouseMove(*ws, At(*ws, 55.0f, 500.0f));
  EXPECT_EQ(ws->statusPaneText[1], expected);

  // Across an excluded region (points from 30 degrees on moved up by 5) the
  // point nearest to the cursor is read, not the one the step would index.
  for (int i = 1001; i <= ws->obsCount; ++i) ws->obs[i].x += 5.0f;
  OnMouseMove(*ws, At(*ws, 31.0f, 500.0f));
  EXPECT_EQ(ws->statusPaneText[1], "y=100");  // point 1000 at 29.98
  OnMouseMove(*ws, At(*ws, 34.5f, 500.0f));
  EXPECT_EQ(ws->statusPaneText[1], "y=101");  // point 1001 at 35.00
}

TEST(Readout, FollowsThePatternShownNotStaleArrays) {
  auto ws = PaintedRaw(0.02f);
  // A simulated pattern loaded over it: calc holds what is drawn.
  for (int i = 1; i <= ws->obsCount; ++i) ws->calc[i] = {ws->obs[i].x, 7.0f};
  ws->simulationMode = 1;
  OnMouseMove(*ws, At(*ws, 25.0f, 5.0f));
  EXPECT_EQ(ws->statusPaneText[1], "y=7");

  // After Clear Pattern the old data are not read out.
  workspace::ResetWorkspace(*ws);
  OnMouseMove(*ws, At(*ws, 30.0f, 5.0f));
  EXPECT_EQ(ws->statusPaneText[0], "");
}

TEST(Picking, BackgroundClicksStoreWhereTheUserClickedUpToTheTableSize) {
  auto ws = PaintedRaw();
  ws->backgroundPickMode = 1;
  const DevicePoint p = At(*ws, 30.0f, 400.0f);
  OnLeftButtonDown(*ws, p);
  EXPECT_TRUE(ws->dragActive);  // the same press starts a zoom
  ASSERT_EQ(ws->backgroundPointCount, 1);
  EXPECT_NEAR(ws->backgroundX[1], 30.0f, 0.1f);
  EXPECT_NEAR(ws->backgroundY[1], 400.0f, 30.0f);
  OnLeftButtonUp(*ws, p);

  // Outside the measured angles or the frame: no point.
  OnLeftButtonDown(*ws, At(*ws, 55.0f, 400.0f));
  OnLeftButtonDown(*ws, {ws->plotLeft, 200});
  EXPECT_EQ(ws->backgroundPointCount, 1);

  ws->backgroundPointCount = workspace::kMaxBackgroundPoints;
  OnLeftButtonDown(*ws, p);
  EXPECT_EQ(ws->backgroundPointCount, workspace::kMaxBackgroundPoints);
}

TEST(RightClick, ReturnsToTheAutomaticViewAndEndsPeakPicking) {
  auto ws = PaintedRaw();
  ws->xMin = 20;
  ws->xMax = 25;
  ws->statusPaneText = {"x=1", "y=2", "hint"};
  ws->autoPeaksFound = 1;
  ws->peakCount = 12;
  ws->manualPeakMode = 1;
  ws->manualPeakCount = 3;
  ws->backgroundPickMode = 1;
  ws->backgroundPointCount = 4;
  MouseResponse r = OnRightButtonUp(*ws, {300, 200});
  EXPECT_TRUE(r.repaintAll);
  for (const auto& text : ws->statusPaneText) EXPECT_EQ(text, "");
  EXPECT_FALSE(ws->plotDrawn);
  EXPECT_FALSE(ws->autoPeaksFound);
  EXPECT_EQ(ws->peakCount, 0);
  EXPECT_FALSE(ws->manualPeakMode);
  EXPECT_EQ(ws->manualPeakCount, 0);
  // Background picking goes on with its points.
  EXPECT_TRUE(ws->backgroundPickMode);
  EXPECT_EQ(ws->backgroundPointCount, 4);
  EXPECT_EQ(ws->xMin, 10.0f);
  EXPECT_EQ(ws->xMax, 50.0f);

  ws->backgroundCurveValid = 1;
  OnRightButtonUp(*ws, {300, 200});
  EXPECT_FALSE(ws->backgroundCurveValid);
  EXPECT_EQ(ws->backgroundPointCount, 0);

  // With nothing loaded nothing is repainted.
  workspace::ResetWorkspace(*ws);
  EXPECT_FALSE(OnRightButtonUp(*ws, {300, 200}).repaintAll);
  EXPECT_EQ(ws->xMax, 100.0f);
}

TEST(Overlay, RubberBandAndPickingCursorAreExclusiveOrFigures) {
  auto ws = PaintedRaw();
  RecordingSurface none;
  DrawOverlay(*ws, none);
  EXPECT_TRUE(none.lines.empty());

  OnLeftButtonDown(*ws, {200, 100});
  OnMouseMove(*ws, {300, 250});
  RecordingSurface band;
  DrawOverlay(*ws, band);
  ASSERT_EQ(band.lines.size(), 4u);
  for (const auto& l : band.lines) {
    EXPECT_TRUE(l.xorMode);
    EXPECT_EQ(l.pen.colour, testing::kObs);
    EXPECT_EQ(l.pen.style, PenStyle::Solid);
  }
  EXPECT_EQ(band.lines[1].to.x, 300);
  EXPECT_EQ(band.lines[1].to.y, 250);
  OnRightButtonUp(*ws, {0, 0});

  ws->plotDrawn = 1;
  ws->manualPeakMode = 1;
  ws->cursorPos = {ws->plotLeft + 1, ws->plotBottom - 1};
  OnMouseMove(*ws, {ws->plotRight + 10, 200});  // outside: the line stays
  EXPECT_EQ(ws->cursorPos.x, ws->plotLeft + 1);
  OnMouseMove(*ws, {333, 200});
  EXPECT_EQ(ws->statusPaneText[2], kRightClickHint);
  RecordingSurface cursor;
  DrawOverlay(*ws, cursor);
  ASSERT_EQ(cursor.lines.size(), 1u);
  EXPECT_EQ(cursor.lines[0].from.x, 333);
  EXPECT_EQ(cursor.lines[0].from.y, ws->plotBottom);
  EXPECT_EQ(cursor.lines[0].to.y, ws->plotTop);
  EXPECT_EQ(cursor.lines[0].pen.style, PenStyle::Dot);
  EXPECT_EQ(cursor.lines[0].pen.colour, testing::kFont);
  EXPECT_TRUE(cursor.lines[0].xorMode);
}

}  // namespace
}  // namespace difscop::plot
