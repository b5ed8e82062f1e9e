#include "settings/program_paths.h"

#include "settings_test_util.h"

namespace difscop::settings {
namespace {

using testing::SettingsTest;
using testing::V;
using Paths = std::array<std::string, 4>;

// A settings file with the four program lines among the others.
std::string IniWith(const Paths& p) {
  return "[Difscop Ini File]\r\n[X-ray Source]\r\nWavelength" + std::string(300, '.') +
         "=1.540593\r\n1.54441\r\n0.05\r\n0.05\r\n0.5\r\n\r\n[CellRef]\r\nCellRef = " + p[0] +
         "\r\n[Cell]\r\nCell = " + p[1] + "\r\n[EXPO]\r\nEXPO = " + p[2] +
         "\r\n[GenHKL]\r\nGenHKL = " + p[3] + "\r\n[Editor]\r\nEditor = /usr/bin/gedit\r\n";
}

TEST_F(SettingsTest, ExternalProgramsRewriteOnlyTheFourProgramLines) {
  const std::string longPath = "/very/" + std::string(280, 'd') + "/GenHKL";
  const Paths old = {"C:\\old\\CellRef.exe", "/old/Cell.bat", "/old/EXPO", "/old/GenHKL"};
  const Paths chosen = {"/n/cr/CellRef", "/n/c/Cell.sh", "/n/e/EXPO", longPath};
  SetProgramPaths(*ws, old);
  WriteIni(IniWith(old));
  platform.externalProgramAnswers = {std::nullopt, chosen};
  EditExternalProgramCommand(*ws, platform);
  EXPECT_EQ(ProgramPaths(*ws), old) << "Cancel changes nothing";
  EditExternalProgramCommand(*ws, platform);
  ASSERT_EQ(platform.externalProgramShown.size(), 2u);
  EXPECT_EQ(platform.externalProgramShown[1].paths, old);
  EXPECT_EQ(ReadIni(), IniWith(chosen));
  EXPECT_TRUE(WriteProgramPaths(*ws, platform)) << "again: the same text";
  EXPECT_EQ(ReadIni(), IniWith(chosen));
  EXPECT_TRUE(platform.messages.empty());
  // The workspace follows at once, directories and working files included,
  // and the next start reads the same.
  auto next = Fresh();
  ReadSettings(*next, platform);
  for (const Workspace* w : {ws.get(), next.get()})
    EXPECT_EQ(
        (V{w->cellInput, w->cellRefOutput, w->genHklDirectory}),
        (V{"/n/c/Data/Cell.dat", "/n/cr/CellRef.out", longPath.substr(0, longPath.size() - 7)}));
  EXPECT_EQ(next->editorExe, "/usr/bin/gedit");
  platform.messages.clear();  // the display sections it lacks
  // Without the four lines in order, or without the file, nothing is
  // written, though the workspace holds the new paths all the same.
  const std::string swapped = "Cell = a\nCellRef = b\nEXPO = c\nGenHKL = d\n";
  WriteIni(swapped);
  platform.externalProgramAnswers = {Paths{"1", "2", "", ""}};
  EditExternalProgramCommand(*ws, platform);
  EXPECT_EQ(ReadIni(), swapped);
  EXPECT_EQ(ws->cellExe + ws->expoExe, "2");
  std::filesystem::remove(Ini());
  EXPECT_FALSE(WriteProgramPaths(*ws, platform));
  EXPECT_FALSE(std::filesystem::exists(Ini()));
  EXPECT_EQ(platform.messages, (V{"EOF reached !!!", "Ini file not found !!!"}));
}

TEST_F(SettingsTest, RewriteEndsEveryLineWithCrLfAndKeepsOddLines) {
  const std::string text =
      "a\nCellRef = x\n\n  Cell = indented is no key\nCell =no blank\nCell = y\r\n"
      "EXPO = z\nGenHKL = w\ntail without break";
  const std::string rewritten =
      "a\r\nCellRef = 1\r\n\r\n  Cell = indented is no key\r\nCell =no blank\r\nCell = 2\r\n"
      "EXPO = 3\r\nGenHKL = 4\r\ntail without break\r\n";
  EXPECT_EQ(RewriteProgramLines(text, {"1", "2", "3", "4"}), rewritten);
  // A line break inside a path would make a line of its own.
  EXPECT_EQ(RewriteProgramLines(text, {"1\n", "\r2", "3", "4\r\n"}), rewritten);
  // Looked for forward only, in key order: all four or nothing.
  for (const char* partial :
       {"Cell = a\nCellRef = b\nEXPO = c\nGenHKL = d\n", "CellRef = b\nCell = a\nEXPO = c\n", ""})
    EXPECT_FALSE(RewriteProgramLines(partial, {})) << partial;
}

}  // namespace
}  // namespace difscop::settings
