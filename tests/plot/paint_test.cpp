#include <gtest/gtest.h>

#include "platform/scripted_platform.h"
#include "plot/plot.h"
#include "plot_fixture.h"
#include "recording_surface.h"

namespace difscop::plot {
namespace {

using platform::ScriptedPlatform;
using testing::MakeWorkspace;
using testing::RecordingSurface;

TEST(Paint, EmptyPlotIsTheFrameAloneAndLeavesTheMouseDead) {
  auto ws = MakeWorkspace();
  ws->obsCount = 50;  // stale data from an earlier load is never drawn
  ScriptedPlatform p;
  RecordingSurface s;
  PaintPatternWindow(*ws, p, s, 700, 480);
  EXPECT_TRUE(s.ellipses.empty());
  ASSERT_NE(s.FindText("100"), nullptr);
  ASSERT_NE(s.FindText("8000"), nullptr);
  EXPECT_FALSE(ws->plotDrawn);
  EXPECT_EQ(ws->plotLeft, 100);
}

TEST(Paint, TicksSetByHandAreShownOnceThenChosenAgain) {
  auto ws = MakeWorkspace();
  testing::LoadRaw(*ws, 400, 10.0f, 0.1f, [](int i) { return 100.0f + i; });
  ws->xTick = 7;
  ScriptedPlatform p;
  RecordingSurface first;
  PaintPatternWindow(*ws, p, first, 700, 480);
  EXPECT_NE(first.FindText(" 17"), nullptr);
  EXPECT_EQ(first.FindText(" 20"), nullptr);
  EXPECT_TRUE(ws->plotDrawn);
  EXPECT_EQ(ws->xTick, 10.0f);  // 10..50 degrees
  RecordingSurface second;
  PaintPatternWindow(*ws, p, second, 700, 480);
  EXPECT_EQ(second.FindText(" 17"), nullptr);
  EXPECT_NE(second.FindText(" 20"), nullptr);
  EXPECT_EQ(second.EllipsesInColour(testing::kObs).size(), 398u);
}

TEST(Paint, FileNamedOnTheCommandLineIsLoadedByTheFirstPaint) {
  auto ws = MakeWorkspace();
  ws->dataFilePath = DIFSCOP_SOURCE_DIR "/examples/simulated.sim";
  ws->simulationMode = 1;
  ws->commandLineFilePending = 1;
  ws->blankPlot = 0;
  ScriptedPlatform p;
  RecordingSurface s;
  PaintPatternWindow(*ws, p, s, 700, 480);
  EXPECT_TRUE(p.messages.empty());
  EXPECT_FALSE(ws->commandLineFilePending);
  EXPECT_TRUE(ws->plotDrawn);
  // The frame was laid out twice: the reset range, then the pattern's.
  EXPECT_EQ(s.CallCount("fill"), 4);
  EXPECT_GT(s.LinesInColour(testing::kCalc).size(), 1000u);
}

TEST(Paint, FailedCommandLineLoadShowsTheEmptyFrameOnce) {
  auto ws = MakeWorkspace();
  ws->dataFilePath = DIFSCOP_BINARY_DIR "/no_such_pattern.sim";
  ws->simulationMode = 1;
  ws->commandLineFilePending = 1;
  ws->blankPlot = 0;
  ScriptedPlatform p;
  RecordingSurface s;
  PaintPatternWindow(*ws, p, s, 700, 480);
  EXPECT_EQ(p.messages.size(), 1u);
  EXPECT_FALSE(ws->plotDrawn);
  EXPECT_EQ(s.CallCount("fill"), 2);
  RecordingSurface again;
  PaintPatternWindow(*ws, p, again, 700, 480);
  EXPECT_EQ(p.messages.size(), 1u);
  EXPECT_FALSE(ws->plotDrawn);
}

}  // namespace
}  // namespace difscop::plot
