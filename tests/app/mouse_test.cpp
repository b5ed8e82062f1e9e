// Mouse handling through the real window: zoom drag, plain click, right
// click and the cursor readout.
#include <gtest/gtest.h>

#include <QLabel>

#include "app_test_support.h"

using namespace difscop;
using apptest::DeviceX;
using difscop::apptest::ScratchDir;
using difscop::apptest::TestFrame;

namespace {

double DataX(const workspace::Workspace& ws, int px) {
  return (px - ws.plotLeft) / ws.xScale + ws.xMin;
}

// A raw pattern with step 0.02 in a wide window, shown from 20 to 31 degrees
// so that one pixel is well below a step.
struct ZoomFixture {
  ScratchDir dir;
  TestFrame t;
  ZoomFixture() {
    t.frame.resize(1700, 700);
    t.OpenXy(dir.File("raw.xy"));
    t.ws().xMin = 20;
    t.ws().xMax = 31;
    t.window().RequestRepaint();
    t.Settle();
  }
};

}  // namespace

TEST(Mouse, DragEitherWayZoomsOntoTheMeasuringGrid) {
  for (bool upward : {true, false}) {
    SCOPED_TRACE(upward ? "lower left to upper right" : "upper right to lower left");
    ZoomFixture f;
    workspace::Workspace& ws = f.t.ws();
    ASSERT_EQ(ws.plotDrawn, 1);
    ASSERT_LT(1.0 / ws.xScale, 0.01) << "window too narrow for the test";
    const QPoint low(DeviceX(ws, 20.013), ws.baseY - 5), high(DeviceX(ws, 30.029), ws.plotTop + 20);
    ASSERT_NEAR(DataX(ws, low.x()), 20.013, 0.005);
    ASSERT_NEAR(DataX(ws, high.x()), 30.029, 0.005);
    const double expectedTop = (high.y() - ws.baseY) / ws.yScale;
    const QPoint from = upward ? low : high, to = upward ? high : low;

    const int before = f.t.window().pictureCount();
    QWidget* w = &f.t.window();
    apptest::MousePress(w, from);
    apptest::MouseMove(w, (from + to) / 2, Qt::LeftButton);
    EXPECT_EQ(ws.dragActive, 1);
    f.t.Settle();
    // The rubber band is drawn over the kept picture, which is not redrawn.
    EXPECT_EQ(f.t.window().pictureCount(), before);
    apptest::MouseMove(w, to, Qt::LeftButton);
    EXPECT_EQ(f.t.frame.statusPanes()[2]->text(), "For default, right button click for exit.");
    apptest::MouseRelease(w, to);
    f.t.Settle();

    EXPECT_EQ(ws.dragActive, 0);
    EXPECT_NEAR(ws.xMin, 20.00, 1e-4);
    EXPECT_NEAR(ws.xMax, 30.02, 1e-4);
    EXPECT_EQ(ws.yMin, 0.0f);
    EXPECT_NEAR(ws.yMax, expectedTop, 1e-2 * expectedTop);
    EXPECT_GT(f.t.window().pictureCount(), before) << "the zoom was not painted";
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  }
}

TEST(Mouse, ReadoutClickAndRightClickBackToTheAutomaticRange) {
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
  // A left click without movement is no zoom.
  apptest::MouseClick(w, inside);
  EXPECT_EQ(ws.xMin, 20.0f);
  EXPECT_EQ(ws.xMax, 31.0f);
  EXPECT_EQ(ws.dragActive, 0);

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

TEST(Mouse, NothingHappensBeforeAPatternIsDrawn) {
  ScratchDir dir;
  TestFrame t;
  t.ShowAndPaint();
  EXPECT_EQ(t.ws().plotDrawn, 0);
  apptest::MousePress(&t.window(), QPoint(200, 200));
  apptest::MouseMove(&t.window(), QPoint(300, 100), Qt::LeftButton);
  apptest::MouseRelease(&t.window(), QPoint(300, 100));
  EXPECT_EQ(t.ws().xMax, 100.0f);
  EXPECT_EQ(t.ws().dragActive, 0);
}
