// Which commands are live after each kind of load and each result flag.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <fstream>
#include <set>

#include "app/commands/command_table.h"
#include "app_test_support.h"

namespace difscop::apptest {
namespace {

using Ids = std::set<int>;
Ids operator+(Ids a, const Ids& b) {
  a.insert(b.begin(), b.end());
  return a;
}

// Commands by what they need.
const Ids kNeedRaw = {32791, 32792, 32793, 32795, 32796, 32797,
                      32798, 32799, 32809, 32810, 32838};  // and no simulation
const Ids kNeedPeaks = {32816, 32820, 32821, 32822, 32847, 32840, 32900};
const Ids kNeedAnyRaw = {32854};
const std::vector<std::pair<std::uint8_t workspace::Workspace::*, Ids>> kNeedFlag = {
    {&workspace::Workspace::itoRunDone, {32824, 32844}},
    {&workspace::Workspace::treorRunDone, {32825, 32843}},
    {&workspace::Workspace::dicvolRunDone, {32826}},
    {&workspace::Workspace::cellRunDone, {32848, 32849}},
    {&workspace::Workspace::expoPrepared, {32850, 32852}},
    {&workspace::Workspace::cellRefPrepared, {32842}},
    {&workspace::Workspace::sma4Written, {32855}},
    {&workspace::Workspace::emfWritten, {32856}},
    {&workspace::Workspace::bmpWritten, {32857}},
    {&workspace::Workspace::backgroundPickMode, {32858}},
};

// The commands that need nothing.
Ids Always() {
  Ids out;
  for (const commands::Command& c : commands::AllCommands()) out.insert(c.id);
  for (const Ids* needing : {&kNeedRaw, &kNeedPeaks, &kNeedAnyRaw}) {
    for (int id : *needing) out.erase(id);
  }
  for (const auto& [flag, ids] : kNeedFlag) {
    for (int id : ids) out.erase(id);
  }
  return out;
}

// The enabled commands as the menus show them once opened. Every command
// has a handler first, so that only the conditions decide, whatever the
// domains have installed so far.
Ids EnabledActions(TestFrame& t) {
  for (const commands::Command& c : commands::AllCommands()) {
    if (!t.frame.HasHandler(c.id)) t.frame.handlers()[c.id] = [] {};
  }
  for (QMenu* menu : t.frame.menuBar()->findChildren<QMenu*>()) emit menu->aboutToShow();
  Ids out;
  for (const commands::Command& c : commands::AllCommands()) {
    if (t.frame.action(c.id)->isEnabled()) out.insert(c.id);
  }
  return out;
}

}  // namespace

TEST(Enabling, ResultFlagsThenEachKindOfLoadAndASimulatedPattern) {
  ScratchDir dir;
  WriteXyFile(dir.File("raw.xy"), 10, 50, 0.02);
  WriteIgorFile(dir.File("fit.pat"), 500, 2);
  TestFrame t;
  t.ShowAndPaint();
  const Ids always = Always();
  EXPECT_EQ(EnabledActions(t), always) << "nothing loaded";
  // A greyed command is not run, whatever its handler.
  int runs = 0;
  t.frame.handlers()[32809] = [&runs] { ++runs; };
  t.frame.RunCommand(32809);
  t.frame.action(32809)->trigger();
  EXPECT_EQ(runs, 0);
  for (const auto& [flag, ids] : kNeedFlag) {
    t.ws().*flag = 1;
    EXPECT_EQ(EnabledActions(t), always + ids);
    t.ws().*flag = 0;
  }

  // An Ito run's results are live until the next file is opened.
  t.ws().itoRunDone = 1;
  t.platform().openAnswers.push_back(dir.File("raw.xy"));
  t.frame.RunCommand(32783);
  ASSERT_EQ(t.ws().rawLoaded, 1);
  EXPECT_EQ(EnabledActions(t), always + kNeedRaw + kNeedAnyRaw) << "raw";
  t.frame.RunCommand(32809);
  EXPECT_EQ(runs, 1);
  t.ws().autoPeaksFound = 1;  // as a peak search leaves it
  EXPECT_EQ(EnabledActions(t), always + kNeedRaw + kNeedAnyRaw + kNeedPeaks) << "peaks";

  t.platform().openAnswers.push_back(dir.File("fit.pat"));
  t.frame.RunCommand(32775);
  ASSERT_EQ(t.ws().blankPlot, 0);
  EXPECT_EQ(t.ws().rawLoaded, 0);
  EXPECT_EQ(EnabledActions(t), always) << "fitted";

  // A simulated pattern from the command line greys processing and exports.
  std::ofstream sim(dir.File("sim.dat"), std::ios::binary);
  sim << "400 10.0 0.05\r\n";
  for (int i = 0; i < 400; ++i) sim << 10 + (i % 50) * 3 << "\r\n";
  sim << "\r\n3\r\n12.5 20.25 28.0\r\n";
  sim.close();
  TestFrame simulated({"-x", dir.File("sim.dat")});
  simulated.ShowAndPaint();
  ASSERT_TRUE(simulated.platform().messages.empty()) << simulated.platform().messages.front();
  EXPECT_EQ((std::vector<int>{simulated.ws().commandLineFilePending, simulated.ws().rawLoaded,
                              simulated.ws().simulationMode}),
            (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(EnabledActions(simulated), always + kNeedAnyRaw);
}

}  // namespace difscop::apptest
