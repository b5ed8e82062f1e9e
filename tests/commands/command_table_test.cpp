#include "app/commands/command_table.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

using namespace difscop::commands;
using difscop::workspace::Workspace;

TEST(CommandTable, EveryCommandSitsOnceInNestedMenusAndToolbarIdsAreCommands) {
  std::map<int, int> inMenu;
  for (const Command& c : AllCommands()) {
    EXPECT_TRUE(inMenu.emplace(c.id, 0).second) << "duplicate id " << c.id;
    EXPECT_FALSE(c.label.empty()) << c.id;
  }
  EXPECT_EQ(inMenu.size(), 68u);
  for (const MenuRow& row : MenuRows()) {
    if (row.kind == MenuRow::Kind::Command) ++inMenu[row.id];
  }
  for (auto [id, rows] : inMenu) EXPECT_EQ(rows, 1) << id;
  EXPECT_EQ(inMenu.size(), 68u) << "a menu row names an unknown command";

  int buttons = 0;
  for (int id : ToolbarIds()) {
    if (id == 0) continue;
    ++buttons;
    EXPECT_NE(FindCommand(id), nullptr) << id;
  }
  EXPECT_EQ(buttons, 11);
  EXPECT_EQ(FindCommand(12345), nullptr);
  // A prompt is the status text, then after a line break the tooltip.
  using P = std::pair<std::string_view, std::string_view>;
  const std::string_view prompt = FindCommand(32777)->prompt;
  EXPECT_EQ(P(StatusPrompt(prompt), Tooltip(prompt)), P("Clear graphic pattern ", "Clear Pattern"));
  EXPECT_EQ(P(StatusPrompt("only status"), Tooltip("only status")), P("only status", ""));

  // Depth rises by one only right after a submenu title; the top level holds
  // only submenus.
  int previousDepth = -1;
  bool previousWasSubmenu = true;
  for (const MenuRow& row : MenuRows()) {
    if (row.depth > previousDepth) {
      EXPECT_TRUE(previousWasSubmenu);
      EXPECT_EQ(row.depth, previousDepth + 1);
    }
    EXPECT_TRUE(row.depth > 0 || row.kind == MenuRow::Kind::Submenu);
    previousWasSubmenu = row.kind == MenuRow::Kind::Submenu;
    previousDepth = row.depth;
  }
  EXPECT_EQ(MenuPath(32773), "&File > Open Raw Data (&R) ... > Rigaku RINT File (&R)");
  EXPECT_EQ(MenuPath(32805),
            "&File > Export Graphics Formats (&G) > EMF Format (&E) > Black && White");
  EXPECT_EQ(MenuPath(57664), "&Help > About Difscop (&A) ...");
  EXPECT_EQ(MenuPath(1), "");
}

// The GUI test walks the loads and result flags; here the combinations it
// does not reach.
TEST(Enabling, ManualPeaksAndSimulatedPatterns) {
  auto ws = std::make_unique<Workspace>();
  auto enabled = [&ws] {
    std::string flags;
    for (int id : {32816, 32791, 32854, 12345}) flags += Enabled(*ws, id) ? '1' : '0';
    return flags;
  };
  ws->rawLoaded = ws->manualPeakMode = 1;
  EXPECT_EQ(enabled().substr(0, 2), "11");
  ws->simulationMode = 1;
  // Peaks picked on a simulated pattern, but a simulated pattern is not exported.
  EXPECT_EQ(enabled(), "1010");
  ws->rawLoaded = 0;
  EXPECT_EQ(enabled(), "0000");
}
