// Opened menus grey what the workspace does not allow (what each command
// needs is the command table's test); a greyed command does not run.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/commands/command_table.h"
#include "app_test_support.h"

namespace difscop::apptest {

TEST(Enabling, MenusFollowTheWorkspaceAsTheyOpenAndGreyedCommandsDoNotRun) {
  ScratchDir dir;
  TestFrame t;
  t.ShowAndPaint();
  // Opens the menus; returns how many entries are live.
  auto live = [&t](const char* state) {
    for (QMenu* menu : t.frame.menuBar()->findChildren<QMenu*>()) emit menu->aboutToShow();
    int count = 0;
    for (const commands::Command& c : commands::AllCommands()) {
      EXPECT_TRUE(t.frame.HasHandler(c.id)) << c.id;
      EXPECT_EQ(t.frame.action(c.id)->isEnabled(), commands::Enabled(t.ws(), c.id))
          << state << c.id;
      count += t.frame.action(c.id)->isEnabled();
    }
    return count;
  };
  const int idle = live("nothing loaded");
  int runs = 0;
  t.frame.handlers()[32809] = [&runs] { ++runs; };  // needs raw data
  t.frame.RunCommand(32809);
  t.frame.action(32809)->trigger();
  EXPECT_EQ(runs, 0);

  t.OpenXy(dir.File("raw.xy"));
  ASSERT_EQ(t.ws().rawLoaded, 1);
  const int raw = live("raw");
  t.ws().autoPeaksFound = 1;  // as a peak search leaves it, no command run since
  EXPECT_GT(live("peaks"), raw);
  EXPECT_GT(raw, idle);
  t.frame.action(32809)->trigger();
  EXPECT_EQ(runs, 1);
}

TEST(Enabling, TheViewMenuChecksTheChoiceInForceAndRangesThePlotForIt) {
  ScratchDir dir;
  TestFrame t;
  t.ShowAndPaint();
  t.OpenXy(dir.File("raw.xy"));
  auto checked = [&t](int id) {
    for (QMenu* menu : t.frame.menuBar()->findChildren<QMenu*>()) emit menu->aboutToShow();
    return t.frame.action(id)->isCheckable() && t.frame.action(id)->isChecked();
  };
  EXPECT_TRUE(checked(commands::kIdAxisTwoTheta) && !checked(commands::kIdAxisD) &&
              checked(commands::kIdViewOverlay) && checked(commands::kIdScaleLinear));
  const float twoThetaEnd = t.ws().xMax;
  t.frame.action(commands::kIdAxisD)->trigger();
  // d runs the other way: its range ends where the smallest angle is.
  EXPECT_TRUE(checked(commands::kIdAxisD) && !checked(commands::kIdAxisTwoTheta) &&
              t.ws().xAxis == workspace::XAxis::kD && t.ws().xMax < twoThetaEnd);
  t.frame.action(commands::kIdScaleLog)->trigger();
  t.frame.action(commands::kIdViewMap)->trigger();
  EXPECT_TRUE(checked(commands::kIdScaleLog) && checked(commands::kIdViewMap) &&
              t.ws().layout == workspace::Layout::kMap);
  t.ShowAndPaint();
  EXPECT_EQ(t.ws().plotDrawn, 1);
}

}  // namespace difscop::apptest
