// The mouse over the pattern window: zoom, wheel, history, readouts,
// background picking and the exclusive-or overlay.
#include "plot/mouse.h"

#include <gtest/gtest.h>

#include "plot/geometry.h"
#include "plot/zoom_history.h"
#include "plot_fixture.h"

namespace difscop::plot {
namespace {

using namespace testing;  // the fixture's workspaces and recording surface
using workspace::Workspace;

// A raw pattern with intensities 100 + i over the given range (else its
// automatic one), framed at 700 by 480 so that the mouse is live: the frame
// runs from (100, 30) to (656, 390).
std::unique_ptr<Workspace> Painted(float step = 0.02f, int n = 2001, float x0 = 10.0f,
                                   std::optional<ViewRange> range = {}) {
  auto ws = MakeWorkspace();
  LoadPoints(*ws, {n}, x0, step, [](int i) { return 100.0f + i % 1000; });
  if (range) range->ApplyTo(*ws);
  Frame(*ws);
  ws->plotDrawn = 1;
  return ws;
}

// One pixel per degree: points at 10, 11, ..., 509 degrees.
std::unique_ptr<Workspace> PaintedPerDegree() {
  return Painted(1, 500, 10, ViewRange{0, 556, 0, 630, 10, 100});
}

DevicePoint At(const Workspace& ws, float x, float y) {
  // Centre of the pixel column, so the conversion back lands on x.
  return {ws.plotLeft + static_cast<int>((x - ws.xMin) * ws.xScale + 0.5f), DeviceY(ws, y)};
}

TEST(Zoom, DragSetsTheRangeSnappedToTheMeasuringGridFromZeroUnlessNothingWouldBeLeft) {
  const float snaps[][3] = {{20.013f, 0.02f, 20.00f},    {30.029f, 0.02f, 30.02f},
                            {30.029f, 0.05f, 30.00f},    {20.0137f, 0.005f, 20.010f},
                            {20.0137f, 0.001f, 20.013f}, {20.013f, 0.1f, 20.013f},
                            {20.013f, 0.0f, 20.013f},    {20.0137f, 0.0009f, 20.0137f}};
  for (const auto& c : snaps) EXPECT_FLOAT_EQ(SnapToStep(c[0], c[1]), c[2]) << c[0] << " " << c[1];
  const int l = 225, r = 281, b = 300, t = 100;
  // From each corner to the opposite one; then a click without movement, a rectangle of no
  // width, and one wholly below the baseline (its top would be under its bottom).
  const struct {
    DevicePoint press, release;
    bool taken;
  } cases[] = {{{l, b}, {r, t}, true},          {{r, t}, {l, b}, true},
               {{r, b}, {l, t}, true},          {{l, t}, {r, b}, true},
               {{300, 200}, {300, 200}, false}, {{300, 300}, {300, 100}, false},
               {{200, 370}, {400, 385}, false}};
  for (const auto& c : cases) {
    auto ws = Painted();  // 10..50 degrees; about 4 degrees get ticks of 1
    ws->xTick = 7;        // not what ChooseTicks gives: fresh ticks either way
    auto snapped = [&](int px) { return static_cast<int>(DataX(*ws, px) * 100) / 2 * 2 / 100.0f; };
    const std::array expected = c.taken
                                    ? std::array{snapped(l), snapped(r), 0.0f, DataY(*ws, t), 1.0f}
                                    : std::array{ws->xMin, ws->xMax, ws->yMin, ws->yMax, 10.0f};
    OnLeftButtonDown(*ws, c.press);
    EXPECT_TRUE(OnLeftButtonUp(*ws, c.release).repaintAll && !ws->dragActive);
    EXPECT_EQ((std::array{ws->xMin, ws->xMax, ws->yMin, ws->yMax, ws->xTick}), expected)
        << c.press.x << "," << c.press.y;
  }
  // 5560 pixels a degree and 1000 a count: one pixel up and six across is the smallest
  // rectangle taken, a thousandth each way; five across snaps to no width.
  for (int across : {5, 6}) {
    auto ws = Painted(0.001f, 101, 0.0f, ViewRange{0.0f, 0.1f, 0.0f, 0.326f, 1.0f, 1.0f});
    OnLeftButtonDown(*ws, {ws->plotLeft, ws->baseY});
    OnLeftButtonUp(*ws, {ws->plotLeft + across, ws->baseY - 1});
    EXPECT_EQ((std::pair{ws->xMax, ws->yMax}),
              (across == 6 ? std::pair{0.001f, 0.001f} : std::pair{0.1f, 0.326f}));
  }
}

TEST(Zoom, WheelZoomsTheAngleAxisAboutTheCursorInsideTheFrame) {
  enum { kIdle, kUnpainted, kDragging };
  const int notch = kWheelNotch;
  // One notch forward at 20 degrees, two back at 40; then no turn, no plot, a drag going on,
  // and the left and bottom edges of the frame: nothing happens.
  const struct {
    int delta;
    DevicePoint point;
    int state;
    float widthFactor;
  } cases[] = {{notch, {239, 200}, kIdle, 0.8f},  {-2 * notch, {517, 200}, kIdle, 1.5625f},
               {0, {517, 200}, kIdle, 1},         {notch, {239, 200}, kUnpainted, 1},
               {notch, {239, 200}, kDragging, 1}, {notch, {100, 200}, kIdle, 1},
               {notch, {300, 390}, kIdle, 1}};
  for (const auto& c : cases) {
    auto ws = Painted();
    std::tie(ws->plotDrawn, ws->dragActive) =
        std::pair{c.state != kUnpainted, c.state == kDragging};
    const ViewRange before = ViewRange::Of(*ws);
    const float under = DataX(*ws, c.point.x);
    EXPECT_EQ(OnWheel(*ws, c.point, c.delta).repaintAll, c.widthFactor != 1.0f) << &c - cases;
    EXPECT_NEAR(ws->xMax - ws->xMin, (before.xMax - before.xMin) * c.widthFactor, 1e-3);
    // The intensities stay; the angle under the cursor stays where it was on the axis.
    EXPECT_NEAR((under - ws->xMin) / (ws->xMax - ws->xMin),
                (under - before.xMin) / (before.xMax - before.xMin), 1e-4);
    EXPECT_EQ(ws->yMax, before.yMax);
  }
  auto ws = Painted();  // zooming in without end stops before the range is too narrow
  for (int i = 0; i < 200; ++i) OnWheel(*ws, {378, 200}, 4 * kWheelNotch);
  EXPECT_TRUE(ws->xMax - ws->xMin >= 0.001f && ws->xMin < ws->xMax);
}

TEST(Zoom, HistoryStepsBackPerPatternAndIsBounded) {
  auto ws = Painted();
  ZoomHistory history;
  EXPECT_FALSE(history.StepBack(*ws));
  const ViewRange start = ViewRange::Of(*ws), zoomed{20, 30, 0, 3000, 2, 500};
  for (const ViewRange& v : {start, zoomed, zoomed})
    history.Record(*ws, v);  // the same twice: one step
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

TEST(Mouse, ReadoutStrictlyInsideTheMeasuredAnglesBackgroundAndPeakPicking) {
  auto ws = PaintedPerDegree();
  // Angle 109 measured twice; from point 201 on 20 degrees up, as across an excluded region.
  ws->obs[101].x = 109.0f;
  for (int i = 201; i <= ws->obsCount; ++i) ws->obs[i].x += 20.0f;
  // Angle and intensity shown (0: none). Nothing on the first and last angle; at 109 the first
  // of the two points; at 215 point 200 (at 209), not the one the step indexes; at 225 point 201.
  const int cases[][2] = {{10, 0},    {529, 0},   {11, 102}, {528, 599},
                          {109, 200}, {215, 300}, {225, 301}};
  for (auto [x, y] : cases) {
    ws->statusPaneText = {"", "", ""};
    OnMouseMove(*ws, At(*ws, x, 500.0f));  // no drag, no picking: no hint
    const std::string xText = "x=" + std::to_string(x) + ".000", yText = "y=" + std::to_string(y);
    EXPECT_EQ(ws->statusPaneText, (std::array<std::string, 3>{y ? xText : "", y ? yText : "", ""}))
        << x;
  }
  // Outside the frame, or with the plot emptied, the panes keep their texts.
  OnMouseMove(*ws, {ws->plotLeft, 200});
  ws->blankPlot = 1;
  OnMouseMove(*ws, At(*ws, 50.0f, 500.0f));
  EXPECT_EQ(ws->statusPaneText[1], "y=301");
  // A simulated pattern loaded over it: calc holds what is drawn.
  for (int i = 1; i <= ws->obsCount; ++i) ws->calc[i] = {ws->obs[i].x, 7.0f};
  std::tie(ws->blankPlot, ws->simulationMode) = std::pair{0, 1};
  OnMouseMove(*ws, At(*ws, 25.0f, 5.0f));
  EXPECT_EQ(ws->statusPaneText[1], "y=7");
  // Background picking: points up to the table size, a peak cursor, and the right click.
  ws = PaintedPerDegree();
  ws->backgroundPickMode = 1;
  const DevicePoint p = At(*ws, 30.0f, 400.0f);
  MouseResponse r = OnLeftButtonDown(*ws, p);  // also starts a zoom, whose button-up repaints
  EXPECT_TRUE(ws->dragActive && !r.repaintAll && ws->backgroundPointCount == 1 &&
              ws->backgroundX[1] == 30.0f);
  EXPECT_NEAR(ws->backgroundY[1], 400.0f, 30.0f);
  OnLeftButtonUp(*ws, p);
  RecordingSurface cursor;
  DrawOverlay(*ws, cursor);  // no drag, no picking: nothing
  // On the first or last measured angle, or on the frame: no point.
  for (const DevicePoint q : {At(*ws, 10.0f, 400.0f), At(*ws, 509.0f, 400.0f),
                              DevicePoint{p.x, ws->plotTop}, DevicePoint{ws->plotRight, p.y}})
    OnLeftButtonDown(*ws, q);
  EXPECT_EQ(ws->backgroundPointCount, 1);
  // While peaks are picked no drag starts: the click itself repaints. A
  // dotted line follows the cursor inside the frame.
  std::tie(ws->dragActive, ws->manualPeakMode) = std::pair{0, 1};
  r = OnLeftButtonDown(*ws, At(*ws, 40.0f, 400.0f));
  EXPECT_TRUE(ws->backgroundPointCount == 2 && !ws->dragActive && r.repaintAll);
  EXPECT_TRUE(OnMouseMove(*ws, {333, 200}).repaintOverlay &&
              ws->statusPaneText[2] == kRightClickHint);
  EXPECT_FALSE(OnMouseMove(*ws, {ws->plotRight, 200}).repaintOverlay);
  DrawOverlay(*ws, cursor);
  ASSERT_EQ(cursor.lines.size(), 1u);
  const DrawnLine& l = cursor.lines[0];
  EXPECT_EQ((std::tuple{l.from.x, l.from.y, l.to.x, l.to.y, l.xorMode, l.pen.colour, l.pen.style}),
            (std::tuple{333, ws->plotBottom, 333, ws->plotTop, true, kFont, PenStyle::Dot}));
  ws->backgroundPointCount = workspace::kMaxBackgroundPoints;
  OnLeftButtonDown(*ws, p);
  EXPECT_EQ(ws->backgroundPointCount, workspace::kMaxBackgroundPoints);
  // A right click ends peak picking; background picking goes on with its points.
  r = OnRightButtonUp(*ws, p);
  EXPECT_TRUE(r.repaintAll && r.repaintOverlay && !r.releaseMouse && !ws->plotDrawn &&
              !ws->manualPeakMode && ws->backgroundPickMode &&
              ws->backgroundPointCount == workspace::kMaxBackgroundPoints);
  workspace::ResetWorkspace(*ws);  // nothing loaded: nothing to repaint
  EXPECT_FALSE(OnRightButtonUp(*ws, p).repaintAll);
}

}  // namespace
}  // namespace difscop::plot
