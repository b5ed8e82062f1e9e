#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "plot/geometry.h"
#include "plot/plot.h"
#include "plot_fixture.h"
#include "recording_surface.h"

namespace difscop::plot {
namespace {

using testing::MakeWorkspace;
using testing::RecordingSurface;

std::string XLabel(int t) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%3d", t);
  return buffer;
}

std::vector<std::string> TextsAt(const RecordingSurface& s, int y) {
  std::vector<std::string> out;
  for (const auto& t : s.texts)
    if (t.y == y) out.push_back(t.text);
  return out;
}

TEST(PlotGeometry, LayoutOf700By480ClientInRawAndFittedMode) {
  auto ws = MakeWorkspace();
  ws->rawLoaded = 1;
  PlotGeometry g = ComputePlotGeometry(*ws, 700, 480);
  EXPECT_EQ(g.plotLeft, 100);
  EXPECT_EQ(g.plotRight, 656);
  EXPECT_EQ(g.plotTop, 30);
  EXPECT_EQ(g.plotBottom, 390);
  EXPECT_EQ(g.yTickLength, 9);
  EXPECT_EQ(g.rowStep, -9);
  EXPECT_EQ(g.baseY, 356);
  EXPECT_FLOAT_EQ(g.xScale, 5.56f);
  EXPECT_FLOAT_EQ(g.yScale, -326.0f / 8000.0f);

  ws->rawLoaded = 0;
  ws->phaseCount = 3;
  g = ComputePlotGeometry(*ws, 700, 480);
  EXPECT_EQ(g.baseY, 306);
  // Three marker rows and the difference zero line below the baseline.
  EXPECT_EQ(g.markerRowY[1], 324);
  EXPECT_EQ(g.markerRowY[2], 335);
  EXPECT_EQ(g.markerRowY[3], 346);
  EXPECT_EQ(g.diffZeroY, 357);
  EXPECT_LT(g.diffZeroY, g.plotBottom);

  // Stored for the mouse handlers.
  StoreGeometry(*ws, g);
  EXPECT_EQ(ws->frameRect.left, 100);
  EXPECT_EQ(ws->frameRect.bottom, 390);
  EXPECT_EQ(ws->markerRowY[3], 346);
}

TEST(PlotGeometry, RangesThatCannotBeScaledAreNotDrawable) {
  auto ws = MakeWorkspace();
  EXPECT_TRUE(RangeDrawable(*ws));
  ws->xMax = ws->xMin;
  EXPECT_FALSE(RangeDrawable(*ws));
  ws->xMax = 100;
  ws->yMax = -5;
  EXPECT_FALSE(RangeDrawable(*ws));
  ws->yMax = 8000;
  ws->xTick = 0;
  EXPECT_FALSE(RangeDrawable(*ws));
  ws->xTick = 10;
  ws->yTick = -1000;
  EXPECT_FALSE(RangeDrawable(*ws));
  PlotGeometry g = ComputePlotGeometry(*ws, 700, 480);
  EXPECT_EQ(g.xScale, 0.0f);
  EXPECT_EQ(g.yScale, 0.0f);
  // A phase count beyond the tables cannot push marker rows out of them.
  ws->yTick = 1000;
  ws->phaseCount = 50;
  g = ComputePlotGeometry(*ws, 700, 480);
  EXPECT_EQ(g.baseY, 360 - 9 * 12);
}

TEST(DrawFrame, ResetRangeLabelsAndTicks) {
  auto ws = MakeWorkspace();
  ws->rawLoaded = 1;
  RecordingSurface s;
  DrawFrame(*ws, s, 700, 480);

  // Backgrounds first: the client area, then the inside of the frame.
  ASSERT_EQ(s.fills.size(), 2u);
  EXPECT_EQ(s.fills[0].colour, testing::kBack);
  EXPECT_EQ(s.fills[0].rect.right, 700);
  EXPECT_EQ(s.fills[1].colour, testing::kBase);
  EXPECT_EQ(s.fills[1].rect.left, 100);
  EXPECT_EQ(s.fills[1].rect.top, 30);

  // x labels 0..100 every 10, top left at (px - 2w, plotBottom + h/2).
  for (int t = 0; t <= 100; t += 10) {
    const std::string label = XLabel(t);
    const auto* text = s.FindText(label);
    ASSERT_NE(text, nullptr) << label;
    EXPECT_EQ(text->x, 100 + static_cast<int>(t * 5.56f) - 18) << label;
    EXPECT_EQ(text->y, 399);
    EXPECT_EQ(text->colour, testing::kFont);
    EXPECT_TRUE(text->transparent);
    EXPECT_EQ(text->font.height, 18);
    EXPECT_EQ(text->font.width, 9);
  }
  // x ticks point up one row from the bottom edge; none at the range end.
  int xTicks = 0;
  for (const auto& l : s.LinesInColour(testing::kFrame)) {
    if (l.from.y == 390 && l.to.y == 381 && l.from.x == l.to.x) {
      ++xTicks;
      EXPECT_NE(l.from.x, 656);
    }
  }
  EXPECT_EQ(xTicks, 10);

  // y labels "   0".."8000", ending one character width left of the axis.
  const auto* zero = s.FindText("   0");
  ASSERT_NE(zero, nullptr);
  EXPECT_EQ(zero->x, 100 - 9 - 36);
  EXPECT_EQ(zero->y, 356 - 9);
  const auto* thousand = s.FindText("1000");
  ASSERT_NE(thousand, nullptr);
  EXPECT_EQ(thousand->y, 316 - 9);
  ASSERT_NE(s.FindText("8000"), nullptr);
  int yTicks = 0;
  for (const auto& l : s.LinesInColour(testing::kFrame))
    if (l.from.x == 100 && l.to.x == 109 && l.from.y == l.to.y) ++yTicks;
  EXPECT_EQ(yTicks, 9);

  const auto* xTitle = s.FindText("Two theta / deg");
  ASSERT_NE(xTitle, nullptr);
  EXPECT_EQ(xTitle->x, 100 + 278 - 72);
  EXPECT_EQ(xTitle->y, 390 + 36);
  EXPECT_EQ(xTitle->font.escapement, 0);
  const auto* yTitle = s.FindText("Intensity / cps");
  ASSERT_NE(yTitle, nullptr);
  EXPECT_EQ(yTitle->font.escapement, 900);
  EXPECT_EQ(yTitle->x, 55 - 27);
  EXPECT_EQ(yTitle->y, 30 + 163 + 72);
}

TEST(DrawFrame, FirstXTickIsRoundedToAWholeDegreeInsideTheRange) {
  auto ws = MakeWorkspace();
  ws->xMin = 10.4f;
  ws->xMax = 15.0f;
  ws->xTick = 1.0f;
  RecordingSurface s;
  DrawFrame(*ws, s, 700, 480);
  // 10.4 rounds to 10, below the range: the first label is 11.
  EXPECT_EQ(TextsAt(s, 399), (std::vector<std::string>{" 11", " 12", " 13", " 14", " 15"}));
  const auto* first = s.FindText(" 11");
  EXPECT_EQ(first->x, 100 + static_cast<int>((11.0f - 10.4f) * ws->xScale) - 18);

  // A narrow range whose start rounds up past its end gets no x label at all.
  ws->xMin = 10.6f;
  ws->xMax = 10.9f;
  RecordingSurface narrow;
  DrawFrame(*ws, narrow, 700, 480);
  EXPECT_TRUE(TextsAt(narrow, 399).empty());
}

TEST(DrawFrame, YLabelWidthFollowsTheDigitsOfTheTop) {
  auto ws = MakeWorkspace();
  ws->yMax = 12345;
  ws->yTick = 5000;
  RecordingSurface s;
  DrawFrame(*ws, s, 700, 480);
  ASSERT_NE(s.FindText("    0"), nullptr);
  ASSERT_NE(s.FindText("10000"), nullptr);
  EXPECT_EQ(s.FindText("10000")->x, 100 - 9 - 45);

  EXPECT_EQ(YLabelDigits(8000), 4);
  EXPECT_EQ(YLabelDigits(9999.9f), 4);
  EXPECT_EQ(YLabelDigits(10000), 5);
  EXPECT_EQ(YLabelDigits(0), 1);
  EXPECT_EQ(YLabelDigits(-300), 1);
  EXPECT_EQ(YLabelDigits(0.01f), 1);
}

TEST(DrawFrame, UndrawableRangesGetTheEmptyFrameAndNoTicks) {
  auto ws = MakeWorkspace();
  for (int variant = 0; variant < 3; ++variant) {
    workspace::ResetWorkspace(*ws);
    if (variant == 0) ws->xMax = ws->xMin;
    if (variant == 1) ws->xTick = 0;
    if (variant == 2) ws->yTick = -50;
    RecordingSurface s;
    DrawFrame(*ws, s, 700, 480);
    EXPECT_EQ(s.texts.size(), 2u) << variant;  // the two axis titles only
    EXPECT_EQ(s.lines.size(), 4u) << variant;  // the outline
    EXPECT_EQ(ws->xScale, 0.0f);
  }
}

TEST(DrawFrame, TickLoopsEndWhereFloatsStopGrowing) {
  // At 3e7 a float cannot hold 3e7 + 1: the loop must still end.
  auto ws = MakeWorkspace();
  ws->xMin = 3.0e7f;
  ws->xMax = 3.0e7f + 64.0f;
  ws->xTick = 1.0f;
  ws->yMin = 3.0e7f;
  ws->yMax = 3.0e7f + 64.0f;
  ws->yTick = 1.0f;
  RecordingSurface s;
  DrawFrame(*ws, s, 700, 480);
  EXPECT_LT(s.texts.size(), 200u);
  EXPECT_GE(s.texts.size(), 4u);
}

TEST(DrawFrame, BlackAndWhiteUsesInkAndPaper) {
  auto ws = MakeWorkspace();
  ws->colorDrawing = 0;
  RecordingSurface s;
  DrawFrame(*ws, s, 700, 480);
  for (const auto& f : s.fills) EXPECT_EQ(f.colour, testing::kPaper);
  for (const auto& l : s.lines) EXPECT_EQ(l.pen.colour, testing::kInk);
  for (const auto& t : s.texts) EXPECT_EQ(t.colour, testing::kInk);
  EXPECT_FALSE(s.lines.empty());
}

}  // namespace
}  // namespace difscop::plot
