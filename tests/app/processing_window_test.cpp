// Picking in the real window: a peak by a double click, then background
// points by clicks and the background overlay.
#include <gtest/gtest.h>

#include <QImage>

#include "app_test_support.h"

namespace difscop::apptest {

TEST(ProcessingWindow, PeakByDoubleClickMarkedUntilTheNextPaintThenBackgroundByClicks) {
  ScratchDir dir;
  TestFrame t;
  t.OpenXy(dir.File("raw.xy"), QSize(1200, 700));  // peaks at 22 and 38
  workspace::Workspace& ws = t.ws();
  ASSERT_TRUE(ws.plotDrawn);

  t.frame.RunCommand(32838);
  t.Settle();
  ASSERT_TRUE(ws.manualPeakMode);
  const QPoint at(DeviceX(ws, 22.0), (ws.plotTop + ws.plotBottom) / 2);
  MouseMove(&t.window(), at);
  MouseDoubleClick(&t.window(), at);
  ASSERT_EQ(ws.manualPeakCount, 1);
  EXPECT_NEAR(ws.peak2Theta[1], 22.0f, 2.0f / ws.xScale + 0.02f);
  // The marker is the inverse of the difference colour.
  const workspace::Colour inverse = ~ws.colDiff & 0xFFFFFF;
  const QColor marker(workspace::RedOf(inverse), workspace::GreenOf(inverse),
                      workspace::BlueOf(inverse));
  auto markerShown = [&] {
    return t.window().grab().toImage().pixelColor(at.x(), ws.plotTop + 5) == marker;
  };
  t.Settle();
  EXPECT_TRUE(markerShown());
  t.window().RequestRepaint();
  t.Settle();
  EXPECT_FALSE(markerShown());
  // The list shows the refined peak.
  t.frame.RunCommand(32816);
  ASSERT_EQ(t.platform().peakListShown.size(), 1u);
  EXPECT_EQ(t.platform().peakListShown[0].lines.size(), 1u);
  EXPECT_NEAR(ws.peak2Theta[1], 22.0f, 0.01f);

  t.frame.RunCommand(32854);
  ASSERT_TRUE(ws.backgroundPickMode);
  for (double x : {12.0, 16.0, 27.0, 31.0, 44.0, 48.0}) {
    MouseClick(&t.window(), QPoint(DeviceX(ws, x), DeviceY(ws, 100.0)));
    t.Settle();
  }
  ASSERT_EQ(ws.backgroundPointCount, 6);
  t.platform().yesNoAnswers = {false};
  t.frame.RunCommand(32858);
  EXPECT_EQ(t.platform().questions,
            std::vector<std::string>{"Saved as " + dir.File("rawBkG.dat") +
                                     " (report: " + dir.File("BkG.txt") + ").  Reload Bk file ?"});
  EXPECT_TRUE(ws.backgroundCurveValid);
  EXPECT_FALSE(ws.backgroundPickMode);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "BkG.txt"));
  // The clicked level is the background: a flat stretch reduces to about 0.
  EXPECT_NEAR(ws.background[100].y, 0.0f, 30.0f);
}

}  // namespace difscop::apptest
