// The mouse over the pattern window: zoom, wheel, history, readouts,
// background picking and the exclusive-or overlay.
#include "plot/mouse.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "plot/geometry.h"
#include "plot/zoom_history.h"
#include "plot_fixture.h"

namespace difscop::plot {
namespace {

using namespace testing;  // the fixture's workspaces and recording surface
using workspace::Workspace;

// Framed at 700 by 480, so that the mouse is live.
void Live(Workspace& ws) {
  Frame(ws);
  ws.plotDrawn = 1;
}

// A raw pattern with intensities 100 + i over its automatic range; the
// frame runs from (100, 30) to (656, 390).
std::unique_ptr<Workspace> Painted(float step = 0.02f, int n = 2001, float x0 = 10.0f) {
  auto ws = MakeWorkspace();
  LoadPoints(*ws, {n}, x0, step, [](int i) { return 100.0f + i % 1000; });
  Live(*ws);
  return ws;
}

// One pixel per degree: points at 10, 11, ..., 509 degrees.
std::unique_ptr<Workspace> PaintedPerDegree() {
  auto ws = Painted(1.0f, 500);
  std::tie(ws->xMin, ws->xMax) = std::pair{0.0f, 556.0f};
  Live(*ws);
  return ws;
}

DevicePoint At(const Workspace& ws, float x, float y) {
  // Centre of the pixel column, so the conversion back lands on x.
  return {ws.plotLeft + static_cast<int>((x - ws.xMin) * ws.xScale + 0.5f), DeviceY(ws, y)};
}

TEST(Zoom, SnapsToTheMeasuringGrid) {
  const float cases[][3] = {{20.013f, 0.02f, 20.00f},   {30.029f, 0.02f, 30.02f},
                            {30.029f, 0.05f, 30.00f},   {20.0137f, 0.005f, 20.010f},
                            {20.0137f, 0.001f, 20.013f}, {20.013f, 0.1f, 20.013f},
                            {20.013f, 0.0f, 20.013f},   {20.0137f, 0.0009f, 20.0137f}};
  for (const auto& c : cases) EXPECT_FLOAT_EQ(SnapToStep(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

TEST(Zoom, DragSetsTheSnappedRangeFromZeroIntensityWhicheverWayItGoes) {
  const int left = 225, right = 281, bottom = 300, top = 100;
  const DevicePoint corners[][2] = {{{left, bottom}, {right, top}}, {{right, top}, {left, bottom}},
                                    {{right, bottom}, {left, top}}, {{left, top}, {right, bottom}}};
  for (const auto& c : corners) {
    auto ws = Painted();  // 10..50 degrees: ticks follow the new range of about 4 degrees
    auto snapped = [&](int px) { return static_cast<int>(DataX(*ws, px) * 100) / 2 * 2 / 100.0f; };
    const std::array expected{snapped(left), snapped(right), 0.0f, 1.0f, DataY(*ws, top) - ws->yMin};
    EXPECT_TRUE(OnLeftButtonDown(*ws, c[0]).captureMouse && ws->dragActive);
    EXPECT_TRUE(OnMouseMove(*ws, {ws->plotLeft + 150, 200}).repaintOverlay);
    EXPECT_EQ(ws->statusPaneText[2], kRightClickHint);
    const MouseResponse r = OnLeftButtonUp(*ws, c[1]);
    EXPECT_TRUE(r.releaseMouse && r.repaintAll && r.repaintOverlay && !ws->dragActive);
    EXPECT_EQ((std::array{ws->xMin, ws->xMax, ws->yMin, ws->xTick, ws->yMax}), expected);
  }
}

TEST(Zoom, RectanglesThatWouldLeaveNothingToDrawKeepTheRange) {
  // A click without movement, a rectangle of no width, and one wholly below
  // the baseline (its top would be under its bottom).
  const DevicePoint refused[][2] = {
      {{300, 200}, {300, 200}}, {{300, 300}, {300, 100}}, {{200, 370}, {400, 385}}};
  for (const auto& c : refused) {
    auto ws = Painted(0.1f, 401);
    ws->xTick = 7;  // not what ChooseTicks gives
    ViewRange expected = ViewRange::Of(*ws);
    expected.xTick = 10.0f;
    OnLeftButtonDown(*ws, c[0]);
    EXPECT_TRUE(OnLeftButtonUp(*ws, c[1]).repaintAll);  // with fresh ticks all the same
    EXPECT_EQ(ViewRange::Of(*ws), expected);
  }
  // 0..0.1 degree in steps of 0.001 and 0..0.326 counts: 5560 pixels a degree
  // and 1000 a count. One pixel up and six across is the smallest rectangle
  // taken, a thousandth each way; five across snaps to no width.
  for (int across : {5, 6}) {
    auto ws = Painted(0.001f, 101, 0.0f);
    ViewRange{0.0f, 0.1f, 0.0f, 0.326f, 1.0f, 1.0f}.ApplyTo(*ws);
    Live(*ws);
    OnLeftButtonDown(*ws, {ws->plotLeft, ws->baseY});
    OnLeftButtonUp(*ws, {ws->plotLeft + across, ws->baseY - 1});
    EXPECT_EQ((std::pair{ws->xMax, ws->yMax}),
              (across == 6 ? std::pair{0.001f, 0.001f} : std::pair{0.1f, 0.326f}));
  }
}

TEST(Zoom, WheelZoomsTheAngleAxisAboutTheCursorInsideTheFrame) {
  const struct {
    int delta;
    DevicePoint point;
    bool drawn;
    float widthFactor;  // 1: nothing happens
  } cases[] = {
      {kWheelNotch, {239, 200}, true, 0.8f},          // one notch forward at 20 degrees
      {-2 * kWheelNotch, {517, 200}, true, 1.5625f},  // two back at 40
      {0, {517, 200}, true, 1.0f},                    // no turn
      {kWheelNotch, {239, 200}, false, 1.0f},         // before the first paint
      {kWheelNotch, {100, 200}, true, 1.0f},  {kWheelNotch, {656, 200}, true, 1.0f},  // edges
      {kWheelNotch, {300, 30}, true, 1.0f},   {kWheelNotch, {300, 390}, true, 1.0f},
      {kWheelNotch, {95, 200}, true, 1.0f},  // left of the frame
  };
  for (const auto& c : cases) {
    auto ws = Painted();
    ws->plotDrawn = c.drawn;
    const ViewRange before = ViewRange::Of(*ws);
    const float under = DataX(*ws, c.point.x);
    EXPECT_EQ(OnWheel(*ws, c.point, c.delta).repaintAll, c.widthFactor != 1.0f) << c.point.x;
    EXPECT_NEAR(ws->xMax - ws->xMin, (before.xMax - before.xMin) * c.widthFactor, 1e-3) << c.point.x;
    EXPECT_EQ(ws->yMax, before.yMax);
    // The angle under the cursor stays where it was on the axis.
    EXPECT_NEAR((under - ws->xMin) / (ws->xMax - ws->xMin),
                (under - before.xMin) / (before.xMax - before.xMin), 1e-4);
  }
  // Zooming in without end stops before the range becomes too narrow.
  auto ws = Painted();
  for (int i = 0; i < 200; ++i) OnWheel(*ws, {378, 200}, 4 * kWheelNotch);
  EXPECT_TRUE(ws->xMax - ws->xMin >= 0.001f && ws->xMin < ws->xMax);
  // Nor does it turn during a drag.
  const ViewRange held = ViewRange::Of(*ws);
  ws->dragActive = 1;
  EXPECT_FALSE(OnWheel(*ws, {378, 200}, -kWheelNotch).repaintAll);
  EXPECT_EQ(ViewRange::Of(*ws), held);
}

TEST(Zoom, HistoryStepsBackPerPatternAndIsBounded) {
  auto ws = Painted();
  ZoomHistory history;
  EXPECT_FALSE(history.StepBack(*ws));
  const ViewRange start = ViewRange::Of(*ws), zoomed{20, 30, 0, 3000, 2, 500};
  history.Record(*ws, start);
  history.Record(*ws, zoomed);
  history.Record(*ws, zoomed);  // the same range twice is one step
  ws->xMin = 22.0f;
  EXPECT_EQ(history.size(), 2u);
  for (const ViewRange& back : {zoomed, start}) {
    ASSERT_TRUE(history.StepBack(*ws));
    EXPECT_EQ(ViewRange::Of(*ws), back);
  }
  EXPECT_FALSE(history.StepBack(*ws));
  for (int i = 0; i < 80; ++i) history.Record(*ws, {float(i), 100.0f, 0.0f, 10.0f, 10.0f, 1.0f});
  EXPECT_EQ(history.size(), ZoomHistory::kCapacity);
  // Another pattern's steps are no way back for this one, nor is an empty plot.
  ws->dataFilePath = "other.xy";
  EXPECT_FALSE(history.StepBack(*ws));
  history.Record(*ws, start);
  ws->blankPlot = 1;
  EXPECT_FALSE(history.StepBack(*ws));
}

TEST(Readout, AngleAndNearestIntensityStrictlyInsideTheMeasuredAngles) {
  auto ws = PaintedPerDegree();
  // Angle 109 measured twice; from point 201 on the angles move up by 20,
  // as across an excluded region.
  ws->obs[101].x = 109.0f;
  for (int i = 201; i <= ws->obsCount; ++i) ws->obs[i].x += 20.0f;
  const struct {
    float x;
    const char *xText, *yText;
  } cases[] = {
      {10, "", ""},  {529, "", ""}, {5, "", ""}, {540, "", ""},  // at or beyond the ends
      {11, "x=11.000", "y=102"},    {528, "x=528.000", "y=599"},
      {109, "x=109.000", "y=200"},  // the first of the two points
      {215, "x=215.000", "y=300"},  // point 200 at 209, not the one the step indexes
      {225, "x=225.000", "y=301"},  // point 201 at 230
  };
  for (const auto& c : cases) {
    ws->statusPaneText = {"", "", ""};
    OnMouseMove(*ws, At(*ws, c.x, 500.0f));
    // No drag, no picking: no hint.
    EXPECT_EQ(ws->statusPaneText, (std::array<std::string, 3>{c.xText, c.yText, ""})) << c.x;
  }
  // Outside the frame, or with the plot emptied, the panes keep their texts.
  OnMouseMove(*ws, {ws->plotLeft, 200});
  ws->blankPlot = 1;
  OnMouseMove(*ws, At(*ws, 50.0f, 500.0f));
  EXPECT_EQ(ws->statusPaneText[1], "y=301");
  // A simulated pattern loaded over it: calc holds what is drawn.
  ws->blankPlot = 0;
  for (int i = 1; i <= ws->obsCount; ++i) ws->calc[i] = {ws->obs[i].x, 7.0f};
  ws->simulationMode = 1;
  OnMouseMove(*ws, At(*ws, 25.0f, 5.0f));
  EXPECT_EQ(ws->statusPaneText[1], "y=7");
  // After Clear Pattern the old data are not read out.
  workspace::ResetWorkspace(*ws);
  ws->statusPaneText = {"", "", ""};
  OnMouseMove(*ws, At(*ws, 30.0f, 5.0f));
  EXPECT_EQ(ws->statusPaneText[0], "");
}

TEST(Picking, BackgroundClicksStoreWhereTheUserClickedUpToTheTableSize) {
  auto ws = PaintedPerDegree();
  ws->backgroundPickMode = 1;
  const DevicePoint p = At(*ws, 30.0f, 400.0f);
  MouseResponse r = OnLeftButtonDown(*ws, p);
  // The same press starts a zoom, whose button-up repaints.
  EXPECT_TRUE(ws->dragActive && !r.repaintAll && ws->backgroundPointCount == 1 &&
              ws->backgroundX[1] == 30.0f);
  EXPECT_NEAR(ws->backgroundY[1], 400.0f, 30.0f);
  OnLeftButtonUp(*ws, p);
  // On the first or last measured angle, or on the frame: no point.
  for (const DevicePoint q : {At(*ws, 10.0f, 400.0f), At(*ws, 509.0f, 400.0f),
                              DevicePoint{p.x, ws->plotTop}, DevicePoint{ws->plotRight, p.y}})
    OnLeftButtonDown(*ws, q);
  EXPECT_EQ(ws->backgroundPointCount, 1);
  // While peaks are picked no drag starts: the click itself repaints.
  std::tie(ws->dragActive, ws->manualPeakMode) = std::pair{0, 1};
  r = OnLeftButtonDown(*ws, At(*ws, 40.0f, 400.0f));
  EXPECT_TRUE(ws->backgroundPointCount == 2 && !ws->dragActive && r.repaintAll);
  ws->backgroundPointCount = workspace::kMaxBackgroundPoints;
  OnLeftButtonDown(*ws, p);
  EXPECT_EQ(ws->backgroundPointCount, workspace::kMaxBackgroundPoints);
}

TEST(RightClick, ReturnsToTheAutomaticViewAndEndsPeakPicking) {
  auto ws = Painted();
  ws->statusPaneText = {"x=1", "y=2", "hint"};
  std::tie(ws->xMin, ws->xMax, ws->autoPeaksFound, ws->peakCount, ws->manualPeakMode,
           ws->manualPeakCount, ws->backgroundPickMode, ws->backgroundPointCount) =
      std::tuple{20.0f, 25.0f, 1, 12, 1, 3, 1, 4};
  MouseResponse r = OnRightButtonUp(*ws, {300, 200});
  EXPECT_TRUE(r.repaintAll && r.repaintOverlay && !r.releaseMouse &&
              ws->statusPaneText == (std::array<std::string, 3>{}));
  // Background picking goes on with its points; the automatic range is back.
  EXPECT_EQ((std::array<int, 7>{ws->plotDrawn, ws->autoPeaksFound, ws->manualPeakMode,
                                ws->peakCount, ws->manualPeakCount, ws->backgroundPickMode,
                                ws->backgroundPointCount}),
            (std::array{0, 0, 0, 0, 0, 1, 4}));
  EXPECT_EQ((std::array{ws->xMin, ws->xMax}), (std::array{10.0f, 50.0f}));
  // With nothing loaded nothing is repainted.
  workspace::ResetWorkspace(*ws);
  r = OnRightButtonUp(*ws, {300, 200});
  EXPECT_FALSE(r.repaintAll || r.repaintOverlay);
}

TEST(Overlay, RubberBandAndPickingCursorAreExclusiveOrFigures) {
  auto ws = Painted();
  RecordingSurface none, band, cursor;
  DrawOverlay(*ws, none);
  OnLeftButtonDown(*ws, {200, 100});
  OnMouseMove(*ws, {300, 250});
  DrawOverlay(*ws, band);
  ASSERT_TRUE(none.lines.empty() && band.lines.size() == 4u);
  const DrawnLine& side = band.lines[1];
  EXPECT_TRUE(side.xorMode && side.pen.colour == kObs && side.to.x == 300 && side.to.y == 250);
  OnRightButtonUp(*ws, {0, 0});
  // While peaks are picked a line follows the cursor, inside the frame only.
  std::tie(ws->plotDrawn, ws->manualPeakMode, ws->cursorPos) =
      std::tuple{1, 1, DevicePoint{ws->plotLeft + 1, ws->plotBottom - 1}};
  EXPECT_FALSE(OnMouseMove(*ws, {ws->plotRight, 200}).repaintOverlay ||
               ws->cursorPos.x != ws->plotLeft + 1);
  EXPECT_TRUE(OnMouseMove(*ws, {333, 200}).repaintOverlay &&
              ws->statusPaneText[2] == kRightClickHint);
  DrawOverlay(*ws, cursor);
  ASSERT_EQ(cursor.lines.size(), 1u);
  const DrawnLine& l = cursor.lines[0];
  EXPECT_EQ((std::array{l.from.x, l.from.y, l.to.x, l.to.y}),
            (std::array{333, ws->plotBottom, 333, ws->plotTop}));
  EXPECT_TRUE(l.xorMode && l.pen.colour == kFont && l.pen.style == PenStyle::Dot);
}

}  // namespace
}  // namespace difscop::plot
