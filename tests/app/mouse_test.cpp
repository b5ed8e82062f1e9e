// Mouse handling through the real window: the cursor readout, a plain click
// and a zoom drag either way onto the measuring grid.
#include <gtest/gtest.h>

#include <QLabel>

#include "app_test_support.h"

namespace difscop::apptest {

TEST(Mouse, ReadoutPlainClickAndDragEitherWayOntoTheMeasuringGrid) {
  for (bool upward : {true, false}) {
    SCOPED_TRACE(upward ? "lower left to upper right" : "upper right to lower left");
    ScratchDir dir;
    TestFrame t;
    // Step 0.02 in a wide window shown from 20 to 31 degrees: one pixel is
    // well below a step.
    t.OpenXy(dir.File("raw.xy"), QSize(1700, 700));
    workspace::Workspace& ws = t.ws();
    ws.xMin = 20;
    ws.xMax = 31;
    t.window().RequestRepaint();
    t.Settle();
    ASSERT_EQ(ws.plotDrawn, 1);
    ASSERT_LT(1.0 / ws.xScale, 0.01) << "window too narrow for the test";
    auto dataX = [&ws](int px) { return (px - ws.plotLeft) / ws.xScale + ws.xMin; };
    QWidget* w = &t.window();

    // The readout while moving over the pattern; a click without movement is
    // no zoom.
    const QPoint inside(DeviceX(ws, 25.0), (ws.plotTop + ws.baseY) / 2);
    MouseMove(w, inside);
    const QString x = t.frame.statusPanes()[0]->text();
    EXPECT_TRUE(x.startsWith("x=2")) << x.toStdString();
    EXPECT_NEAR(x.mid(2).toDouble(), dataX(inside.x()), 0.002);
    EXPECT_TRUE(t.frame.statusPanes()[1]->text().startsWith("y="));
    MouseClick(w, inside);
    EXPECT_EQ((std::vector<float>{ws.xMin, ws.xMax, float(ws.dragActive)}),
              (std::vector<float>{20, 31, 0}));
    t.Settle();

    const QPoint low(DeviceX(ws, 20.013), ws.baseY - 5), high(DeviceX(ws, 30.029), ws.plotTop + 20);
    ASSERT_NEAR(dataX(low.x()), 20.013, 0.005);
    ASSERT_NEAR(dataX(high.x()), 30.029, 0.005);
    const double expectedTop = (high.y() - ws.baseY) / ws.yScale;
    const QPoint from = upward ? low : high, to = upward ? high : low;
    const int before = t.window().pictureCount();
    MousePress(w, from);
    MouseMove(w, (from + to) / 2, Qt::LeftButton);
    EXPECT_EQ(ws.dragActive, 1);
    t.Settle();
    // The rubber band is drawn over the kept picture, which is not redrawn.
    EXPECT_EQ(t.window().pictureCount(), before);
    MouseMove(w, to, Qt::LeftButton);
    EXPECT_EQ(t.frame.statusPanes()[2]->text(), "For default, right button click for exit.");
    MouseRelease(w, to);
    t.Settle();

    EXPECT_EQ(ws.dragActive, 0);
    EXPECT_NEAR(ws.xMin, 20.00, 1e-4);
    EXPECT_NEAR(ws.xMax, 30.02, 1e-4);
    EXPECT_EQ(ws.yMin, 0.0f);
    EXPECT_NEAR(ws.yMax, expectedTop, 1e-2 * expectedTop);
    EXPECT_GT(t.window().pictureCount(), before) << "the zoom was not painted";
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  }
}

}  // namespace difscop::apptest
