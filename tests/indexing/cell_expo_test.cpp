#include "indexing/cell_expo_commands.h"
#include "indexing/cell_listing.h"
#include "indexing_test_support.h"
#include "platform/indexing_dialogs.h"
#include "platform/scripted_platform.h"

using namespace difscop::indexing;
using difscop::platform::CellSolutionRow;
using difscop::platform::ExpoInputDialog;
using difscop::platform::ScriptedPlatform;
using indexing_test::Listing;

static std::vector<CellSolutionRow> Solutions(const std::string& text) {
  ScriptedPlatform p;
  auto rows = CellSolutionsFromText(p, text);
  EXPECT_TRUE(rows.has_value()) << text.substr(0, 20);
  EXPECT_TRUE(p.messages.empty());
  return rows.value_or(std::vector<CellSolutionRow>{});
}

TEST(CellListing, SolutionTablesSystemCodesAndNoReliableSolution) {
  // Cubic: the list ends at the first line without "["; tetragonal: empty lines
  // are no solutions; orthorhombic: only lines beginning with "a".
  // clang-format off
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"cell_cubic.txt", {"84.5|Fd-3m|5.4310|5.4310|5.4310|90.00|90.00|90.00",
                          "21.0|Pm-3m|3.8403|3.8403|3.8403|90.00|90.00|90.00"}},
      {"cell_tetragonal.txt", {" 87|P4/mmm | 4.1234| 4.1234| 6.4321|90.00|90.00|90.00",
                               " 45|I4/mcm | 3.9051| 3.9051| 4.1502|90.00|90.00|90.00"}},
      {"cell_hexagonal.txt", {" 92|P63/mmc| 3.2094| 3.2094| 5.2108|90.00|90.00|120.00"}},
      {"cell_orthorhombic.txt", {" 77|Pnma   | 4.1234| 5.2345| 6.4321|90.00|90.00|90.00",
                                 " 12|Pbca   | 5.0000| 6.0000| 7.0000|90.00|90.00|90.00"}},
      {"cell_monoclinic.txt", {" 66|P21/c  | 4.1234| 5.2345| 6.4321|90.00|101.250|90.00"}},
  };
  // clang-format on
  for (const auto& [name, want] : cases) {
    std::vector<std::string> got;
    for (const CellSolutionRow& row : Solutions(Listing(name))) {
      got.push_back(row.merit + "|" + row.spaceGroup);
      for (const std::string& c : row.cell) got.back() += "|" + c;
    }
    EXPECT_EQ(got, want) << name;
  }
  // The system code, and what counts as no reliable solution.
  std::vector<CellSystem> systems;
  for (const char* line : {"    CELLHEX\n", "CELLMA  whatever\n", "CELLOX\n", "CELLTRI\n"})
    systems.push_back(CellSystemOfFirstLine(line));
  EXPECT_EQ(systems, (std::vector<CellSystem>{CellSystem::Hexagonal, CellSystem::Monoclinic,
                                              CellSystem::Unknown, CellSystem::Unknown}));
  for (std::string text : {std::string("CELLTRI\n RESULT\n a 1 2 3\n"),  // unknown system
                           std::string("CELLTET\n no result line\n"),
                           std::string("CELLCUB\n RESULT\n[ 1] 5.0 1 P 1 9 x\n"),  // no "[No]"
                           std::string()}) {
    ScriptedPlatform p;
    EXPECT_FALSE(CellSolutionsFromText(p, text).has_value()) << text;
    EXPECT_EQ(p.messages, std::vector<std::string>{"No reliable solution !!!"});
  }
  // More than 50 solution lines: the first 50.
  std::string many = "CELLTET\nRESULT\n";
  for (int i = 0; i < 60; ++i) many += "   " + std::to_string(i) + "\n";
  auto rows = Solutions(many);
  EXPECT_EQ(rows.size() == 50 ? rows.back().cell[0] : "", "49     ");
}

TEST(Expo, SirWareAndTitleFromTheDataFile) {
  // The file name is cut at its first dot (the whole text: the chain test).
  EXPECT_EQ(SirWareText("/e", "/d/a.b.exp").substr(0, 22), "/e\r\n/d\r\na.b.exp\r\na.out");
  // Browsing names the title after the data file, up to its last dot.
  ExpoInputDialog d;
  difscop::platform::ApplyExpoBrowse(d, "/my data/run.2.int");
  EXPECT_EQ(d.title + "|" + d.powderDataPath, "run.2|/my data/run.2.int");
}
