#include "app/commands/command_table.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>

using namespace difscop::commands;
using difscop::workspace::Workspace;

TEST(CommandTable, EveryCommandSitsOnceInTheMenusAndToolbarIdsAreCommands) {
  std::set<int> ids;
  for (const Command& c : AllCommands()) {
    EXPECT_TRUE(ids.insert(c.id).second) << "duplicate id " << c.id;
    EXPECT_FALSE(c.label.empty()) << c.id;
  }
  EXPECT_EQ(ids.size(), 65u);

  std::map<int, int> inMenu;
  for (const MenuRow& row : MenuRows()) {
    if (row.kind == MenuRow::Kind::Command) ++inMenu[row.id];
  }
  for (int id : ids) EXPECT_EQ(inMenu[id], 1) << id;
  EXPECT_EQ(inMenu.size(), ids.size());

  int buttons = 0;
  for (int id : ToolbarIds()) {
    if (id == 0) continue;
    ++buttons;
    EXPECT_NE(FindCommand(id), nullptr) << id;
  }
  EXPECT_EQ(buttons, 10);
  EXPECT_EQ(FindCommand(12345), nullptr);
}

TEST(CommandTable, MenuRowsNestProperly) {
  // Depth rises by one only right after a submenu title, and separators
  // never open or close a menu.
  int previousDepth = -1;
  bool previousWasSubmenu = true;
  for (const MenuRow& row : MenuRows()) {
    if (row.depth > previousDepth) {
      EXPECT_TRUE(previousWasSubmenu);
      EXPECT_EQ(row.depth, previousDepth + 1);
    }
    if (row.depth == 0) {
      EXPECT_EQ(row.kind, MenuRow::Kind::Submenu);
    }
    previousWasSubmenu = row.kind == MenuRow::Kind::Submenu;
    previousDepth = row.depth;
  }
  EXPECT_EQ(MenuPath(32773), "&File > Open Raw Data (&R) ... > Rigaku RINT File (&R)");
  EXPECT_EQ(MenuPath(32805),
            "&File > Export Graphics Formats (&G) > EMF Format (&E) > Black && White");
  EXPECT_EQ(MenuPath(57664), "&Help > About Difscop (&A) ...");
  EXPECT_EQ(MenuPath(1), "");
}

TEST(CommandTable, PromptSplitsIntoStatusTextAndTooltip) {
  const Command* clear = FindCommand(32777);
  ASSERT_NE(clear, nullptr);
  EXPECT_EQ(StatusPrompt(clear->prompt), "Clear graphic pattern ");
  EXPECT_EQ(Tooltip(clear->prompt), "Clear Pattern");
  // Set Para has no prompt at all.
  const Command* setPara = FindCommand(32817);
  ASSERT_NE(setPara, nullptr);
  EXPECT_EQ(StatusPrompt(setPara->prompt), "");
  EXPECT_EQ(Tooltip(setPara->prompt), "");
  EXPECT_EQ(StatusPrompt("only status"), "only status");
  EXPECT_EQ(Tooltip("only status"), "");
}

namespace {

// The commands enabled under the given flags, for the ids named.
std::set<int> EnabledOf(const Workspace& ws, std::initializer_list<int> ids) {
  std::set<int> out;
  for (int id : ids) {
    if (Enabled(ws, id)) out.insert(id);
  }
  return out;
}

}  // namespace

TEST(Enabling, RawSimulatedAndFittedModes) {
  auto ws = std::make_unique<Workspace>();
  const std::initializer_list<int> e1 = {32791, 32792, 32793, 32795, 32796, 32797,
                                         32798, 32799, 32809, 32810, 32838};
  const std::initializer_list<int> e2 = {32816, 32820, 32821, 32822, 32847, 32840, 32900};
  // Nothing loaded: E1, E2, E3 all grey, "always" commands live.
  EXPECT_TRUE(EnabledOf(*ws, e1).empty());
  EXPECT_TRUE(EnabledOf(*ws, e2).empty());
  EXPECT_FALSE(Enabled(*ws, 32854));
  for (int id : {32779, 32773, 32775, 32777, 32827, kIdExit, kIdAbout, 32803, 32837}) {
    EXPECT_TRUE(Enabled(*ws, id)) << id;
  }

  ws->rawLoaded = 1;  // a measured pattern
  EXPECT_EQ(EnabledOf(*ws, e1).size(), e1.size());
  EXPECT_TRUE(EnabledOf(*ws, e2).empty()) << "no peaks yet";
  EXPECT_TRUE(Enabled(*ws, 32854));

  ws->autoPeaksFound = 1;
  EXPECT_EQ(EnabledOf(*ws, e2).size(), e2.size());
  ws->autoPeaksFound = 0;
  ws->manualPeakMode = 1;
  EXPECT_EQ(EnabledOf(*ws, e2).size(), e2.size());

  ws->simulationMode = 1;  // "-x": shown as raw data but not processed
  EXPECT_TRUE(EnabledOf(*ws, e1).empty());
  EXPECT_EQ(EnabledOf(*ws, e2).size(), e2.size());
  EXPECT_TRUE(Enabled(*ws, 32854));

  ws->rawLoaded = 0;  // fitted mode: peaks flags alone enable nothing
  EXPECT_TRUE(EnabledOf(*ws, e2).empty());
  EXPECT_FALSE(Enabled(*ws, 32854));
}

TEST(Enabling, SingleFlagConditions) {
  struct Case {
    std::uint8_t Workspace::*flag;
    std::set<int> ids;
  };
  const Case cases[] = {
      {&Workspace::itoRunDone, {32824, 32844}},   {&Workspace::treorRunDone, {32825, 32843}},
      {&Workspace::dicvolRunDone, {32826}},       {&Workspace::cellRunDone, {32848, 32849}},
      {&Workspace::expoPrepared, {32850, 32852}}, {&Workspace::cellRefPrepared, {32842}},
      {&Workspace::sma4Written, {32855}},         {&Workspace::emfWritten, {32856}},
      {&Workspace::bmpWritten, {32857}},          {&Workspace::backgroundPickMode, {32858}},
  };
  const std::initializer_list<int> flagged = {32824, 32844, 32825, 32843, 32826, 32848, 32849,
                                              32850, 32852, 32842, 32855, 32856, 32857, 32858};
  for (const Case& c : cases) {
    auto ws = std::make_unique<Workspace>();
    EXPECT_TRUE(EnabledOf(*ws, flagged).empty());
    (*ws).*c.flag = 1;
    EXPECT_EQ(EnabledOf(*ws, flagged), c.ids);
    // None of them needs a loaded pattern.
    EXPECT_FALSE(ws->rawLoaded);
  }
}
