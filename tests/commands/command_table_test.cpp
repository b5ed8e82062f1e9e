#include "app/commands/command_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>

using namespace difscop::commands;
using difscop::workspace::Workspace;

TEST(CommandTable, EveryCommandSitsOnceInNestedMenusAndToolbarIdsAreCommands) {
  std::map<int, int> inMenu;
  for (const Command& c : AllCommands()) {
    EXPECT_TRUE(inMenu.emplace(c.id, 0).second) << "duplicate id " << c.id;
    EXPECT_FALSE(c.label.empty()) << c.id;
  }
  EXPECT_EQ(inMenu.size(), 94u);
  for (const MenuRow& row : MenuRows()) {
    if (row.kind == MenuRow::Kind::Command) ++inMenu[row.id];
  }
  for (auto [id, rows] : inMenu) EXPECT_EQ(rows, 1) << id;
  EXPECT_EQ(inMenu.size(), 94u) << "a menu row names an unknown command";

  // The buttons, separators as 0: Open Pattern leads, Help stands beside About.
  std::string buttons;
  for (int id : ToolbarIds()) {
    EXPECT_TRUE(id == 0 || FindCommand(id)) << id;
    buttons += std::to_string(id) + " ";
  }
  EXPECT_EQ(buttons,
            "32901 0 32779 32773 32791 32809 32810 0 32775 32803 32805 0 32873 0 32846 57664 0 "
            "57665 ");
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

// The help page names every menu command as the menu shows it (access keys
// and dots aside), in a cell or heading of its menu class.
TEST(CommandTable, TheHelpPageNamesEveryMenuCommand) {
  std::ifstream in(std::string(DIFSCOP_SOURCE_DIR) + "/DifscopHelp.html");
  const std::string page((std::istreambuf_iterator<char>(in)), {});
  ASSERT_FALSE(page.empty()) << "DifscopHelp.html not found";
  std::string named;
  const std::regex menuText(R"(class="menu">([^<]*)<)");
  for (std::sregex_iterator m(page.begin(), page.end(), menuText), end; m != end; ++m)
    named += std::regex_replace((*m)[1].str(), std::regex("&amp;"), "&") + "\n";
  for (const MenuRow& row : MenuRows()) {
    if (row.kind != MenuRow::Kind::Command) continue;
    std::string label(FindCommand(row.id)->label);
    label = std::regex_replace(label, std::regex(R"( ?\(&.\)| ?\.\.\.)"), "");
    label = std::regex_replace(label, std::regex("&(&?)"), "$1");
    EXPECT_NE(named.find(label), std::string::npos) << label << " (" << MenuPath(row.id) << ")";
  }
}

namespace {
using Ids = std::set<int>;
Ids operator+(Ids a, const Ids& b) {
  a.insert(b.begin(), b.end());
  return a;
}
}  // namespace

// What each command needs, and that it is live exactly when that is there.
TEST(Enabling, EachCommandIsLiveWhenWhatItNeedsIsThere) {
  const Ids raw = {32791, 32792, 32793, 32795, 32796, 32797, 32798,
                   32799, 32809, 32810, 32838, 32900, 32960, 32962, 32963};  // and no simulation
  const Ids peaks = {32816, 32820, 32821, 32822, 32847, 32840};
  const Ids anyRaw = {32854};
  const std::pair<std::uint8_t Workspace::*, Ids> results[] = {
      {&Workspace::itoRunDone, {32824, 32844}},   {&Workspace::treorRunDone, {32825, 32843}},
      {&Workspace::dicvolRunDone, {32826}},       {&Workspace::cellRunDone, {32848, 32849}},
      {&Workspace::expoPrepared, {32850, 32852}}, {&Workspace::cellRefPrepared, {32842}},
      {&Workspace::sma4Written, {32855}},         {&Workspace::emfWritten, {32856}},
      {&Workspace::bmpWritten, {32857}},          {&Workspace::backgroundPickMode, {32858}},
  };
  auto live = [](const Workspace& ws) {
    Ids out;
    for (const Command& c : AllCommands()) {
      if (Enabled(ws, c.id)) out.insert(c.id);
    }
    return out;
  };
  auto ws = std::make_unique<Workspace>();
  const Ids always = live(*ws);  // the 38 commands here need something, the rest nothing
  EXPECT_EQ(always.size(), 94u - 38u);
  EXPECT_FALSE(Enabled(*ws, 12345));
  for (const auto& [flag, ids] : results) {
    (*ws).*flag = 1;
    EXPECT_EQ(live(*ws), always + ids);
    (*ws).*flag = 0;
  }
  // Peaks count when found or picked on raw data; a simulated pattern takes
  // peaks and background points but is not processed or exported.
  const struct {
    int raw, found, picked, simulated;
    Ids live;
  } loads[] = {
      {1, 0, 0, 0, always + raw + anyRaw},
      {1, 1, 0, 0, always + raw + anyRaw + peaks},
      {1, 0, 1, 0, always + raw + anyRaw + peaks},
      {1, 0, 1, 1, always + anyRaw + peaks},
      {0, 1, 1, 1, always},
  };
  for (const auto& l : loads) {
    ws->rawLoaded = l.raw;
    ws->autoPeaksFound = l.found;
    ws->manualPeakMode = l.picked;
    ws->simulationMode = l.simulated;
    EXPECT_EQ(live(*ws), l.live) << l.raw << l.found << l.picked << l.simulated;
  }
  // A refinement result drawn offers its observed points as a new pattern.
  ws->blankPlot = 0;
  ws->obsCount = 10;
  EXPECT_EQ(live(*ws), always + Ids{32964});
  ws->obsCount = 0;
  // Use Fitted Positions needs a profile fit of a measured pattern.
  ws->peakFit.lines.resize(1);
  EXPECT_EQ(live(*ws), always);
  ws->rawLoaded = 1;
  ws->simulationMode = 0;
  EXPECT_EQ(live(*ws), always + raw + anyRaw + peaks + Ids{32961});
  ws->simulationMode = 1;
  EXPECT_FALSE(Enabled(*ws, 32961));
}
