// Mouse handling through the real window: zoom drag, plain click, right
// click, cursor readout and the double-click hook.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <cmath>

#include "app_test_support.h"

using namespace difscop;
using difscop::apptest::ScratchDir;
using difscop::apptest::TestFrame;

namespace {

// Device x of a 2theta, from the geometry of the last paint.
int DeviceX(const workspace::Workspace& ws, double x) {
  return ws.plotLeft + static_cast<int>(std::lround((x - ws.xMin) * ws.xScale));
}
double DataX(const workspace::Workspace& ws, int px) {
  return (px - ws.plotLeft) / ws.xScale + ws.xMin;
}

// A raw pattern with step 0.02 in a wide window, shown from 20 to 31 degrees
// so that one pixel is well below a step.
struct ZoomFixture {
  ScratchDir dir;
  TestFrame t;
  ZoomFixture() {
    apptest::WriteXyFile(dir.File("raw.xy"), 10, 50, 0.02);
    t.frame.resize(1700, 700);
    t.ShowAndPaint();
    t.platform().openAnswers.push_back(dir.File("raw.xy"));
    t.frame.RunCommand(32783);
    t.ws().xMin = 20;
    t.ws().xMax = 31;
    t.window().RequestRepaint();
    t.Settle();
  }
};

}  // namespace

TEST(Mouse, DragZoomsOntoTheMeasuringGrid) {
  ZoomFixture f;
  workspace::Workspace& ws = f.t.ws();
  ASSERT_EQ(ws.plotDrawn, 1);
  ASSERT_NEAR(ws.stepWidth, 0.02, 1e-5);
  ASSERT_LT(1.0 / ws.xScale, 0.01) << "window too narrow for the test";

  const int x1 = DeviceX(ws, 20.013);
  const int x2 = DeviceX(ws, 30.029);
  ASSERT_NEAR(DataX(ws, x1), 20.013, 0.005);
  ASSERT_NEAR(DataX(ws, x2), 30.029, 0.005);
  const int yLow = ws.baseY - 5;
  const int yHigh = ws.plotTop + 20;
  const double expectedTop = (yHigh - ws.baseY) / ws.yScale;

  const int before = f.t.window().pictureCount();
  QWidget* w = &f.t.window();
  apptest::MousePress(w, QPoint(x1, yLow));
  apptest::MouseMove(w, QPoint((x1 + x2) / 2, (yLow + yHigh) / 2), Qt::LeftButton);
  EXPECT_EQ(ws.dragActive, 1);
  f.t.Settle();
  // The rubber band is drawn over the kept picture, which is not redrawn.
  EXPECT_EQ(f.t.window().pictureCount(), before);
  apptest::MouseMove(w, QPoint(x2, yHigh), Qt::LeftButton);
  EXPECT_EQ(f.t.frame.statusPanes()[2]->text(), "For default, right button click for exit.");
  apptest::MouseRelease(w, QPoint(x2, yHigh));
  f.t.Settle();

  EXPECT_EQ(ws.dragActive, 0);
  EXPECT_NEAR(ws.xMin, 20.00, 1e-4);
  EXPECT_NEAR(ws.xMax, 30.02, 1e-4);
  EXPECT_EQ(ws.yMin, 0.0f);
  EXPECT_NEAR(ws.yMax, expectedTop, 1e-2 * expectedTop);
  EXPECT_GT(f.t.window().pictureCount(), before) << "the zoom was not painted";
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST(Mouse, DragFromUpperRightToLowerLeftGivesTheSameRange) {
  ZoomFixture f;
  workspace::Workspace& ws = f.t.ws();
  const int x1 = DeviceX(ws, 20.013);
  const int x2 = DeviceX(ws, 30.029);
  QWidget* w = &f.t.window();
  apptest::MousePress(w, QPoint(x2, ws.plotTop + 20));
  apptest::MouseMove(w, QPoint(x1, ws.baseY - 5), Qt::LeftButton);
  apptest::MouseRelease(w, QPoint(x1, ws.baseY - 5));
  EXPECT_NEAR(ws.xMin, 20.00, 1e-4);
  EXPECT_NEAR(ws.xMax, 30.02, 1e-4);
}

TEST(Mouse, ClickWithoutMovementKeepsTheRangeAndRepaints) {
  ZoomFixture f;
  workspace::Workspace& ws = f.t.ws();
  const float xMin = ws.xMin, xMax = ws.xMax, yMin = ws.yMin, yMax = ws.yMax;
  const int before = f.t.window().pictureCount();
  const QPoint at((ws.plotLeft + ws.plotRight) / 2, (ws.plotTop + ws.baseY) / 2);
  apptest::MouseClick(&f.t.window(), at);
  f.t.Settle();
  EXPECT_EQ(ws.xMin, xMin);
  EXPECT_EQ(ws.xMax, xMax);
  EXPECT_EQ(ws.yMin, yMin);
  EXPECT_EQ(ws.yMax, yMax);
  EXPECT_EQ(ws.dragActive, 0);
  EXPECT_GT(f.t.window().pictureCount(), before);
}

TEST(Mouse, RightClickReturnsToTheAutomaticRangeAndEmptiesThePanes) {
  ZoomFixture f;
  workspace::Workspace& ws = f.t.ws();
  QWidget* w = &f.t.window();
  // The readout while moving over the pattern.
  const QPoint inside(DeviceX(ws, 25.0), (ws.plotTop + ws.baseY) / 2);
  apptest::MouseMove(w, inside);
  const QString x = f.t.frame.statusPanes()[0]->text();
  EXPECT_TRUE(x.startsWith("x=2")) << x.toStdString();
  EXPECT_NEAR(x.mid(2).toDouble(), DataX(ws, inside.x()), 0.002);
  EXPECT_TRUE(f.t.frame.statusPanes()[1]->text().startsWith("y="));

  ws.autoPeaksFound = 1;
  ws.peakCount = 3;
  apptest::MouseClick(w, inside, Qt::RightButton);
  f.t.Settle();
  EXPECT_EQ(ws.xMin, 10.0f);
  EXPECT_EQ(ws.xMax, 50.0f);
  EXPECT_EQ(ws.peakCount, 0);
  EXPECT_EQ(ws.autoPeaksFound, 0);
  EXPECT_EQ(ws.plotDrawn, 1) << "the repaint after the right click draws the pattern again";
  for (QLabel* pane : f.t.frame.statusPanes()) EXPECT_EQ(pane->text(), "");
}

TEST(Mouse, DoubleClickGoesToTheHookNotToAnotherDrag) {
  ZoomFixture f;
  workspace::Workspace& ws = f.t.ws();
  std::vector<workspace::DevicePoint> clicks;
  f.t.window().hooks().leftDoubleClick = [&](workspace::DevicePoint p) { clicks.push_back(p); };
  const float xMin = ws.xMin;
  const QPoint at((ws.plotLeft + ws.plotRight) / 2, (ws.plotTop + ws.baseY) / 2);
  apptest::MouseDoubleClick(&f.t.window(), at);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].x, at.x());
  EXPECT_EQ(clicks[0].y, at.y());
  EXPECT_EQ(ws.dragActive, 0);
  EXPECT_EQ(ws.xMin, xMin);
}

TEST(Mouse, NothingHappensBeforeAPatternIsDrawn) {
  ScratchDir dir;
  TestFrame t;
  t.ShowAndPaint();
  workspace::Workspace& ws = t.ws();
  EXPECT_EQ(ws.plotDrawn, 0);
  apptest::MousePress(&t.window(), QPoint(200, 200));
  apptest::MouseMove(&t.window(), QPoint(300, 100), Qt::LeftButton);
  apptest::MouseRelease(&t.window(), QPoint(300, 100));
  EXPECT_EQ(ws.xMax, 100.0f);
  EXPECT_EQ(ws.dragActive, 0);
}
