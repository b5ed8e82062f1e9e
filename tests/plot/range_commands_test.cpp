#include "plot/range_commands.h"

#include <gtest/gtest.h>

#include "platform/scripted_platform.h"
#include "plot_fixture.h"

namespace difscop::plot {
namespace {

using platform::ScriptedPlatform;
using testing::MakeWorkspace;

TEST(SetRange, DialogShowsTheRangeWithItsSpins) {
  auto ws = MakeWorkspace();
  ws->xMin = 10.7f;
  ws->xMax = 90;
  ws->yTick = 1000;
  platform::SetRangeDialog d = MakeSetRangeDialog(*ws);
  EXPECT_EQ(d.fields[0].label, "Start of x :");
  EXPECT_EQ(d.fields[0].text, "10");
  EXPECT_EQ(d.fields[0].spinPosition, 1);
  EXPECT_EQ(d.fields[1].label, "End of x :");
  EXPECT_EQ(d.fields[1].spinMaximum, 20);
  EXPECT_EQ(d.fields[1].SpinValue(9), 90);
  EXPECT_EQ(d.fields[3].text, "8000");
  EXPECT_EQ(d.fields[3].spinMaximum, 100);  // one tenth of the top's decade
  EXPECT_EQ(d.fields[3].spinPosition, 80);
  EXPECT_EQ(d.fields[4].label, "Increment of x :");
  EXPECT_EQ(d.fields[4].spinMaximum, 50);
  EXPECT_EQ(d.fields[4].SpinValue(7), 7);
  EXPECT_EQ(d.fields[5].label, "Increment of y :");
  EXPECT_EQ(d.fields[5].SpinValue(3), 300);

  ws->yMax = 123456;
  EXPECT_EQ(MakeSetRangeDialog(*ws).fields[2].spinMaximum, 10000);
  ws->yMax = -5;
  EXPECT_EQ(MakeSetRangeDialog(*ws).fields[2].spinMaximum, 0);
}

TEST(SetRange, TakesWholeNumbersAndRepaints) {
  auto ws = MakeWorkspace();
  ScriptedPlatform p;
  p.rangeAnswers.push_back(std::array<std::string, 6>{"12.5", "30", "100", "5000", "2", "500"});
  SetRangeCommand(*ws, p);
  EXPECT_EQ(ws->xMin, 12.0f);
  EXPECT_EQ(ws->xMax, 30.0f);
  EXPECT_EQ(ws->yMin, 100.0f);
  EXPECT_EQ(ws->yMax, 5000.0f);
  EXPECT_EQ(ws->xTick, 2.0f);
  EXPECT_EQ(ws->yTick, 500.0f);
  EXPECT_EQ(p.repaints, 1);
  EXPECT_TRUE(p.messages.empty());
  ASSERT_EQ(p.rangeShown.size(), 1u);
  EXPECT_EQ(p.rangeShown[0].fields[1].text, "100");
}

TEST(SetRange, RefusesValuesThatLeaveNothingToDraw) {
  const std::array<std::string, 6> nonsense[] = {
      {"50", "50", "0", "8000", "10", "1000"},   // empty x range
      {"60", "20", "0", "8000", "10", "1000"},   // reversed
      {"0", "100", "500", "abc", "10", "1000"},  // no digits: 0, below the start
      {"0", "100", "0", "8000", "0", "1000"},    // zero increment
      {"0", "100", "0", "8000", "10", "-100"},   // negative increment
  };
  for (const auto& answer : nonsense) {
    auto ws = MakeWorkspace();
    ws->xMin = 5;
    ScriptedPlatform p;
    p.rangeAnswers.push_back(answer);
    SetRangeCommand(*ws, p);
    ASSERT_EQ(p.messages.size(), 1u) << answer[0];
    EXPECT_EQ(p.messages[0], kBadRangeMessage);
    EXPECT_EQ(ws->xMin, 5.0f);
    EXPECT_EQ(ws->xMax, 100.0f);
    EXPECT_EQ(ws->yMax, 8000.0f);
    EXPECT_EQ(ws->xTick, 10.0f);
    EXPECT_EQ(ws->yTick, 1000.0f);
    EXPECT_EQ(p.repaints, 0);
    // The dialog opens again with what was typed (here then cancelled).
    ASSERT_EQ(p.rangeShown.size(), 2u);
    for (std::size_t i = 0; i < answer.size(); ++i) EXPECT_EQ(p.rangeShown[1].fields[i].text, answer[i]);
  }
}

TEST(SetRange, CancelChangesNothing) {
  auto ws = MakeWorkspace();
  ScriptedPlatform p;
  p.rangeAnswers.push_back(std::nullopt);
  SetRangeCommand(*ws, p);
  EXPECT_EQ(ws->xMax, 100.0f);
  EXPECT_EQ(p.repaints, 0);
  EXPECT_TRUE(p.messages.empty());
}

TEST(ClearPattern, ResetsKeepsThePathAndRepaints) {
  auto ws = MakeWorkspace();
  testing::LoadRaw(*ws, 10, 20.0f, 1.0f, [](int) { return 5.0f; });
  ws->dataFilePath = "/data/quartz.raw";
  ws->plotDrawn = 1;
  ScriptedPlatform p;
  ClearPatternCommand(*ws, p);
  EXPECT_EQ(ws->windowTitle, "Difscop --- [File Name :] ");
  EXPECT_TRUE(ws->blankPlot);
  EXPECT_FALSE(ws->rawLoaded);
  EXPECT_FALSE(ws->plotDrawn);
  EXPECT_EQ(ws->xMax, 100.0f);
  EXPECT_EQ(ws->yMax, 8000.0f);
  EXPECT_EQ(ws->dataFilePath, "/data/quartz.raw");
  EXPECT_EQ(p.repaints, 1);
}

}  // namespace
}  // namespace difscop::plot
