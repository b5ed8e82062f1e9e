#include "settings/program_paths.h"

#include "settings_test_util.h"

namespace difscop::settings {
namespace {

using testing::SettingsTest;
using V = std::vector<std::string>;
using Paths = std::array<std::string, 4>;

TEST_F(SettingsTest, ExternalProgramsRewriteOnlyTheFourProgramLines) {
  const std::string longPath = "/very/" + std::string(280, 'd') + "/GenHKL";
  const std::string before =
      "[Difscop Ini File]\r\n[X-ray Source]\r\nWavelength" + std::string(300, '.') +
      "=1.540593\r\n1.54441\r\n0.05\r\n0.05\r\n0.5\r\n\r\n"
      "[CellRef]\r\nCellRef = C:\\old\\CellRef.exe\r\n[Cell]\r\nCell = /old/Cell.bat\r\n"
      "[EXPO]\r\nEXPO = /old/EXPO\r\n[GenHKL]\r\nGenHKL = /old/GenHKL\r\n"
      "[Editor]\r\nEditor = /usr/bin/gedit\r\n";
  WriteIni(before);
  platform.externalProgramAnswers = {Paths{"/n/cr/CellRef", "/n/c/Cell.sh", "/n/e/EXPO", longPath}};
  EditExternalProgramCommand(*ws, platform);
  EXPECT_TRUE(platform.messages.empty());
  std::string expected = before;
  for (auto [from, to] :
       {std::pair<std::string, std::string>{"C:\\old\\CellRef.exe", "/n/cr/CellRef"},
        {"/old/Cell.bat", "/n/c/Cell.sh"},
        {"/old/EXPO", "/n/e/EXPO"},
        {"/old/GenHKL", longPath}})
    expected.replace(expected.find(from), from.size(), to);
  EXPECT_EQ(ReadIni(), expected);
  EXPECT_TRUE(WriteProgramPaths(*ws, platform)) << "again: the same text";
  EXPECT_EQ(ReadIni(), expected);

  // The workspace follows at once, directories and working files included,
  // and the next start reads the same.
  auto next = Fresh();
  ReadSettings(*next, platform);
  for (const workspace::Workspace* w : {ws.get(), next.get()})
    EXPECT_EQ(
        (V{w->cellInput, w->cellRefOutput, w->genHklDirectory}),
        (V{"/n/c/Data/Cell.dat", "/n/cr/CellRef.out", longPath.substr(0, longPath.size() - 7)}));
  EXPECT_EQ(next->editorExe, "/usr/bin/gedit");
}

TEST_F(SettingsTest, RewriteEndsEveryLineWithCrLfAndKeepsOddLines) {
  const std::string text =
      "a\nCellRef = x\n\n  Cell = indented is no key\nCell =no blank\nCell = y\r\n"
      "EXPO = z\nGenHKL = w\ntail without break";
  EXPECT_EQ(RewriteProgramLines(text, {"1", "2", "3", "4"}),
            "a\r\nCellRef = 1\r\n\r\n  Cell = indented is no key\r\nCell =no blank\r\nCell = 2\r\n"
            "EXPO = 3\r\nGenHKL = 4\r\ntail without break\r\n");
  // A line break inside a path would make a line of its own.
  std::optional<std::string> out = RewriteProgramLines(text, {"1\n[Cell]", "2", "3", "4\r"});
  ASSERT_TRUE(out);
  EXPECT_NE(out->find("CellRef = 1[Cell]\r\n"), std::string::npos);
  EXPECT_NE(out->find("GenHKL = 4\r\n"), std::string::npos);
  // Looked for forward only, in key order: all four or nothing.
  EXPECT_FALSE(RewriteProgramLines("Cell = a\nCellRef = b\nEXPO = c\nGenHKL = d\n", {}));
  EXPECT_FALSE(RewriteProgramLines("CellRef = b\nCell = a\nEXPO = c\n", {}));
  EXPECT_FALSE(RewriteProgramLines("", {}));
}

TEST_F(SettingsTest, ExternalProgramsWithoutProgramLinesOrFileOrCancelled) {
  SetProgramPaths(*ws, {"/a/CellRef", "/b/Cell", "/c/EXPO", "/d/GenHKL"});
  platform.externalProgramAnswers = {std::nullopt};
  EditExternalProgramCommand(*ws, platform);
  ASSERT_EQ(platform.externalProgramShown.size(), 1u);
  EXPECT_EQ(platform.externalProgramShown[0].paths[1], "/b/Cell");
  EXPECT_EQ(ws->cellExe, "/b/Cell") << "Cancel changes nothing";
  EXPECT_TRUE(platform.messages.empty());

  const std::string swapped = "Cell = a\nCellRef = b\nEXPO = c\nGenHKL = d\n";
  WriteIni(swapped);
  platform.externalProgramAnswers = {Paths{"1", "2", "", ""}};
  EditExternalProgramCommand(*ws, platform);
  EXPECT_EQ(ReadIni(), swapped);
  EXPECT_EQ(ws->cellExe + ws->expoExe, "2") << "the workspace holds the new paths all the same";
  EXPECT_FALSE(WriteProgramPaths(*ws, platform));
  std::filesystem::remove(Ini());
  EXPECT_FALSE(WriteProgramPaths(*ws, platform));
  EXPECT_FALSE(std::filesystem::exists(Ini()));
  EXPECT_EQ(platform.messages, (V{"EOF reached !!!", "EOF reached !!!", "Ini file not found !!!"}));
}

}  // namespace
}  // namespace difscop::settings
