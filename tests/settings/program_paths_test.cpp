#include "settings/program_paths.h"

#include "settings_test_util.h"

namespace difscop::settings {
namespace {

using testing::SettingsTest;
using testing::V;
using Paths = std::array<std::string, 4>;

// A settings file with the four program lines among others: a long line,
// lines that are no keys, and no line break at the end.
std::string IniWith(const Paths& p, const std::string& eol) {
  return "[Difscop Ini File]" + eol + "Wavelength" + std::string(300, '.') + "=1.540593" + eol +
         "[CellRef]" + eol + "CellRef = " + p[0] + eol + "  Cell = indented is no key" + eol +
         "Cell =no blank" + eol + "[Cell]" + eol + "Cell = " + p[1] + eol + "[EXPO]" + eol +
         "EXPO = " + p[2] + eol + "[GenHKL]" + eol + "GenHKL = " + p[3] + eol + "[Editor]" + eol +
         "Editor = /usr/bin/gedit";
}

// The rewrite ends every line with CR LF; a line break inside a path would
// make a line of its own.
TEST_F(SettingsTest, ExternalProgramsRewriteOnlyTheFourProgramLines) {
  const std::string longPath = "/very/" + std::string(280, 'd') + "/GenHKL";
  const Paths old = {"C:\\old\\CellRef.exe", "/old/Cell.bat", "/old/EXPO", "/old/GenHKL"};
  const Paths chosen = {"/n/cr/CellRef", "/n/c/Cell.sh", "/n/e/EXPO", longPath};
  SetProgramPaths(*ws, old);
  WriteIni(IniWith(old, "\n"));
  platform.externalProgramAnswers = {
      std::nullopt, Paths{chosen[0] + "\n", chosen[1] + "\r", chosen[2] + "\r\n", chosen[3]}};
  EditExternalProgramCommand(*ws, platform);
  EXPECT_EQ(ProgramPaths(*ws), old) << "Cancel changes nothing";
  EditExternalProgramCommand(*ws, platform);
  ASSERT_EQ(platform.externalProgramShown.size(), 2u);
  EXPECT_EQ(platform.externalProgramShown[1].paths, old);
  EXPECT_EQ(ReadIni(), IniWith(chosen, "\r\n") + "\r\n");
  EXPECT_TRUE(WriteProgramPaths(*ws, platform)) << "again: the same text";
  EXPECT_EQ(ReadIni(), IniWith(chosen, "\r\n") + "\r\n");
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
  // Looked for forward only, in key order: without all four, or without the
  // file, nothing is written, though the workspace holds the new paths.
  const std::string swapped = "Cell = a\nCellRef = b\nEXPO = c\nGenHKL = d\n";
  WriteIni(swapped);
  platform.externalProgramAnswers = {Paths{"1", "2", "", ""}};
  EditExternalProgramCommand(*ws, platform);
  EXPECT_EQ(ReadIni(), swapped);
  EXPECT_EQ(ws->cellExe + ws->expoExe, "2");
  EXPECT_FALSE(WriteProgramPaths(*ws, platform));
  std::filesystem::remove(Ini());
  EXPECT_FALSE(WriteProgramPaths(*ws, platform));
  EXPECT_FALSE(std::filesystem::exists(Ini()));
  EXPECT_EQ(platform.messages, (V{"EOF reached !!!", "EOF reached !!!", "Ini file not found !!!"}));
}

}  // namespace
}  // namespace difscop::settings
