// The pattern window under the mouse and keys: the wheel, the readout, a
// zoom drag, a right click back to the automatic range, Backspace stepping
// back through the zooms; a peak picked by a double click, background clicks.
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QWheelEvent>

#include "app_test_support.h"

namespace difscop::apptest {

TEST(PatternWindow, ZoomsAndStepsBackThenPicksAPeakAndTheBackground) {
  ScratchDir dir;
  TestFrame t;
  t.OpenXy(dir.File("raw.xy"), QSize(1700, 700));  // peaks at 22 and 38
  t.frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&t.frame));
  workspace::Workspace& ws = t.ws();
  QWidget* w = &t.window();
  ASSERT_EQ(ws.plotDrawn, 1);
  const QPoint middle((ws.plotLeft + ws.plotRight) / 2, (ws.plotTop + ws.plotBottom) / 2);
  // One turn of the wheel, three notches, is one zoom to step back from.
  for (int i = 0; i < 3; ++i) {
    QWheelEvent event(QPointF(middle), QPointF(w->mapToGlobal(middle)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
  }
  t.Settle();
  EXPECT_NEAR(ws.xMax - ws.xMin, 40 * 0.512f, 0.01f);
  // Step 0.02 shown from 20 to 31 degrees: one pixel is well below a step.
  ws.xMin = 20;
  ws.xMax = 31;
  t.window().RequestRepaint();
  t.Settle();
  ASSERT_LT(1.0 / ws.xScale, 0.01) << "window too narrow for the test";
  // The readout in the status panes while moving over the pattern.
  SendMouse(w, QEvent::MouseMove, QPoint(DeviceX(ws, 25.0), (ws.plotTop + ws.baseY) / 2));
  const QString x = t.frame.statusPanes()[0]->text();
  EXPECT_TRUE(x.startsWith("x=")) << x.toStdString();
  EXPECT_NEAR(x.mid(2).toDouble(), 25.0, 0.01);
  EXPECT_TRUE(t.frame.statusPanes()[1]->text().startsWith("y="));

  const QPoint low(DeviceX(ws, 20.013), ws.baseY - 5), high(DeviceX(ws, 30.029), ws.plotTop + 20);
  const double expectedTop = (high.y() - ws.baseY) / ws.yScale;
  // Upper right to lower left (the plot tests check the other way round).
  const int before = t.window().pictureCount();
  SendMouse(w, QEvent::MouseButtonPress, high, Qt::LeftButton);
  SendMouse(w, QEvent::MouseMove, (low + high) / 2, Qt::LeftButton);
  EXPECT_EQ(ws.dragActive, 1);
  t.Settle();
  // The rubber band is drawn over the kept picture, which is not redrawn.
  EXPECT_EQ(t.window().pictureCount(), before);
  SendMouse(w, QEvent::MouseMove, low, Qt::LeftButton);
  EXPECT_EQ(t.frame.statusPanes()[2]->text(), "For default, right button click for exit.");
  SendMouse(w, QEvent::MouseButtonRelease, low, Qt::LeftButton);
  t.Settle();
  EXPECT_EQ(ws.dragActive, 0);
  EXPECT_NEAR(ws.xMin, 20.00, 1e-4);
  EXPECT_NEAR(ws.xMax, 30.02, 1e-4);
  EXPECT_EQ(ws.yMin, 0.0f);
  EXPECT_NEAR(ws.yMax, expectedTop, 1e-2 * expectedTop);
  EXPECT_GT(t.window().pictureCount(), before) << "the zoom was not painted";
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  // A right click goes back to the automatic range and drops the peaks found.
  ws.autoPeaksFound = 1;
  ws.peakCount = 3;
  MouseClick(w, middle, Qt::RightButton);
  t.Settle();
  EXPECT_EQ((std::vector<float>{ws.xMin, ws.xMax, float(ws.peakCount), float(ws.autoPeaksFound)}),
            (std::vector<float>{10, 50, 0, 0}));
  EXPECT_EQ(ws.plotDrawn, 1) << "the repaint after the right click draws the pattern again";
  for (QLabel* pane : t.frame.statusPanes()) EXPECT_EQ(pane->text(), "");
  // Back: the drag, the range it started from, the range before the wheel.
  for (float width : {10.02f, 11.0f, 40.0f}) {
    QTest::keyClick(&t.frame, Qt::Key_Backspace);
    t.Settle();
    EXPECT_NEAR(ws.xMax - ws.xMin, width, 0.01f);
  }
  EXPECT_FALSE(t.window().ZoomBack());
  // A double click picks the peak, marked (in the inverse of the difference
  // colour) until the next paint.
  t.frame.RunCommand(32838);
  t.Settle();
  ASSERT_TRUE(ws.manualPeakMode);
  const QPoint at(DeviceX(ws, 22.0), middle.y());
  SendMouse(w, QEvent::MouseMove, at);
  MouseClick(w, at);
  SendMouse(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
  SendMouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton);
  ASSERT_EQ(ws.manualPeakCount, 1);
  EXPECT_NEAR(ws.peak2Theta[1], 22.0f, 2.0f / ws.xScale + 0.02f);
  const workspace::Colour inverse = ~ws.colDiff & 0xFFFFFF;
  const QColor marker(workspace::RedOf(inverse), workspace::GreenOf(inverse),
                      workspace::BlueOf(inverse));
  auto markerShown = [&] {
    return w->grab().toImage().pixelColor(at.x(), ws.plotTop + 5) == marker;
  };
  t.Settle();
  EXPECT_TRUE(markerShown());
  t.window().RequestRepaint();
  t.Settle();
  EXPECT_FALSE(markerShown());

  t.frame.RunCommand(32854);
  ASSERT_TRUE(ws.backgroundPickMode);
  const int level100 = ws.baseY + static_cast<int>(std::lround((100 - ws.yMin) * ws.yScale));
  for (double x : {12.0, 16.0, 27.0, 31.0, 44.0, 48.0}) {
    MouseClick(w, QPoint(DeviceX(ws, x), level100));
    t.Settle();
  }
  ASSERT_EQ(ws.backgroundPointCount, 6);
  t.platform().yesNoAnswers = {false};
  t.frame.RunCommand(32858);
  EXPECT_TRUE(ws.backgroundCurveValid && !ws.backgroundPickMode);
  // The clicked level is the background: a flat stretch reduces to about 0.
  EXPECT_NEAR(ws.background[100].y, 0.0f, 30.0f);
}

}  // namespace difscop::apptest
