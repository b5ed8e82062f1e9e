#include "settings/program_paths.h"

#include "settings/settings_file.h"
#include "settings_test_util.h"

namespace difscop::settings {
namespace {

using testing::SettingsTest;

const std::string kDisplay =
    "[Difscop Ini File]\r\n\r\n[Color Setting]\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n"
    "10\r\n\r\n[Font Size]\r\nSFont   =18\r\n\r\n[Dot Radius Setting]\r\n1\r\n1\r\n\r\n"
    "[Line Width]\r\nLCwidth =1\r\nLFwidth =1\r\n\r\n";

std::string Installed(const std::string& longKey) {
  return kDisplay + "[X-ray Source]\r\n" + longKey +
         "=1.540593\r\n1.54441\r\n0.05\r\n0.05\r\n0.5\r\n" +
         "\r\n[CellRef]\r\nCellRef = C:\\old\\CellRef.exe\r\n[Cell]\r\nCell = /old/Cell.bat\r\n" +
         "[EXPO]\r\nEXPO = /old/EXPO\r\n[GenHKL]\r\nGenHKL = /old/GenHKL\r\n" +
         "[Editor]\r\nEditor = /usr/bin/gedit\r\n";
}

TEST_F(SettingsTest, ExternalProgramsRewriteOnlyTheFourProgramLines) {
  const std::string longKey = "Wavelength" + std::string(300, '.');
  const std::string longPath = "/very/" + std::string(280, 'd') + "/GenHKL";
  WriteIni(Installed(longKey));
  platform.externalProgramAnswers = {
      std::array<std::string, 4>{"/n/cr/CellRef", "/n/c/Cell.sh", "/n/e/EXPO", longPath}};
  EditExternalProgramCommand(*ws, platform);
  EXPECT_TRUE(platform.messages.empty());

  std::string expected = Installed(longKey);
  auto replaceLine = [&](const std::string& from, const std::string& to) {
    expected.replace(expected.find(from), from.size(), to);
  };
  replaceLine("CellRef = C:\\old\\CellRef.exe", "CellRef = /n/cr/CellRef");
  replaceLine("Cell = /old/Cell.bat", "Cell = /n/c/Cell.sh");
  replaceLine("EXPO = /old/EXPO", "EXPO = /n/e/EXPO");
  replaceLine("GenHKL = /old/GenHKL", "GenHKL = " + longPath);
  EXPECT_EQ(ReadIni(), expected);

  // The workspace follows at once, directories and working files included.
  EXPECT_EQ(ws->cellExe, "/n/c/Cell.sh");
  EXPECT_EQ(ws->cellInput, "/n/c/Data/Cell.dat");
  EXPECT_EQ(ws->cellRefInput, "/n/cr/CellRef.inp");
  EXPECT_EQ(ws->genHklDirectory, longPath.substr(0, longPath.size() - 7));

  // And the next start reads the same.
  auto next = std::make_unique<workspace::Workspace>();
  next->startDirectory = dir.string();
  ReadSettings(*next, platform);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(next->genHklExe, longPath);
  EXPECT_EQ(next->cellRefOutput, "/n/cr/CellRef.out");
  EXPECT_EQ(next->editorExe, "/usr/bin/gedit");
}

TEST_F(SettingsTest, RewriteEndsEveryLineWithCrLfAndKeepsOddLines) {
  const std::string text =
      "a\nCellRef = x\n\n  Cell = indented is no key\nCell =no blank\nCell = y\r\n"
      "EXPO = z\nGenHKL = w\ntail without break";
  std::optional<std::string> out = RewriteProgramLines(text, {"1", "2", "3", "4"});
  ASSERT_TRUE(out);
  EXPECT_EQ(*out,
            "a\r\nCellRef = 1\r\n\r\n  Cell = indented is no key\r\nCell =no blank\r\nCell = 2\r\n"
            "EXPO = 3\r\nGenHKL = 4\r\ntail without break\r\n");
  // A line break inside a path would make a line of its own.
  out = RewriteProgramLines(text, {"1\n[Cell]", "2", "3", "4\r"});
  ASSERT_TRUE(out);
  EXPECT_NE(out->find("CellRef = 1[Cell]\r\n"), std::string::npos);
  EXPECT_NE(out->find("GenHKL = 4\r\n"), std::string::npos);
}

TEST_F(SettingsTest, MissingOrMisorderedProgramLinesLeaveTheFileUnchanged) {
  // A file first made by Save Para has no program lines at all.
  platform.yesNoAnswers = {true};
  SaveParaCommand(*ws, platform);
  const std::string saved = ReadIni();
  platform.externalProgramAnswers = {std::array<std::string, 4>{"/a/CellRef", "/b/Cell", "", ""}};
  EditExternalProgramCommand(*ws, platform);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0], "EOF reached !!!");
  EXPECT_EQ(ReadIni(), saved);
  // The workspace already holds the new paths.
  EXPECT_EQ(ws->cellExe, "/b/Cell");
  EXPECT_EQ(ws->expoExe, "");

  const std::string swapped = "Cell = a\nCellRef = b\nEXPO = c\nGenHKL = d\n";
  WriteIni(swapped);
  platform.messages.clear();
  platform.externalProgramAnswers = {std::array<std::string, 4>{"1", "2", "3", "4"}};
  EditExternalProgramCommand(*ws, platform);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0], "EOF reached !!!");
  EXPECT_EQ(ReadIni(), swapped);
}

TEST_F(SettingsTest, ExternalProgramsWithoutFileOrCancelled) {
  SetProgramPaths(*ws, {"/a/CellRef", "/b/Cell", "/c/EXPO", "/d/GenHKL"});
  platform.externalProgramAnswers = {std::nullopt, std::array<std::string, 4>{"1", "2", "3", "4"}};
  EditExternalProgramCommand(*ws, platform);
  ASSERT_EQ(platform.externalProgramShown.size(), 1u);
  EXPECT_EQ(platform.externalProgramShown[0].paths[1], "/b/Cell");
  EXPECT_EQ(ws->cellExe, "/b/Cell");
  EXPECT_TRUE(platform.messages.empty());

  EditExternalProgramCommand(*ws, platform);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0], "Ini file not found !!!");
  EXPECT_FALSE(std::filesystem::exists(Ini()));
  EXPECT_EQ(ws->cellExe, "2");
}

}  // namespace
}  // namespace difscop::settings
