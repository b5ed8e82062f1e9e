#include "settings/settings_file.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/ini_text.h"
#include "settings_test_util.h"

namespace difscop::settings {
namespace {

using testing::SettingsTest;

// The display part Save Para writes for the built-in defaults.
const char* const kDefaultDisplayPart =
    "[Difscop Ini File]\r\n\r\n"
    "[Color Setting]\r\nColFrame=65535\r\nColBack =8388608\r\nColFont =65535\r\n"
    "ColBase =0\r\nColCalc =16711680\r\nColObs  =255\r\nColDiff =65280\r\nColRef  =65535\r\n"
    "ColObsF =255\r\nColDiffF=65280\r\n\r\n"
    "[Font Size]\r\nSFont   =18\r\n\r\n"
    "[Dot Radius Setting]\r\nRObsdot =1\r\nRDiffdot=1\r\n\r\n"
    "[Line Width]\r\nLCwidth =1\r\nLFwidth =1\r\n\r\n";

// Sections a hand-edited installation carries after the display part.
const char* const kProgramSections =
    "[X-ray Source]\r\nKa1 =1.78897\r\nKa2=1.79285\r\nWL tol = 0.02\r\nInt tol=0.1\r\n"
    "ratio=0.48\r\n\r\n"
    "[CellRef]\r\nCellRef = \t /opt/cell ref/CellRef  \r\n"
    "[Cell]\r\nCell = /opt/cell/Cell.sh\r\n"
    "[EXPO]\r\nEXPO = /opt/expo/EXPO\r\n"
    "[GenHKL]\r\nGenHKL = GenHKL\r\n"
    "[Editor]\r\nEditor=/usr/bin/kwrite\r\n";

std::array<int, 15> DisplayValues(const workspace::Workspace& ws) {
  return {static_cast<int>(ws.colFrame),
          static_cast<int>(ws.colBack),
          static_cast<int>(ws.colFont),
          static_cast<int>(ws.colBase),
          static_cast<int>(ws.colCalc),
          static_cast<int>(ws.colObs),
          static_cast<int>(ws.colDiff),
          static_cast<int>(ws.colRef),
          static_cast<int>(ws.colObsFill),
          static_cast<int>(ws.colDiffFill),
          ws.fontSize,
          ws.obsDotRadius,
          ws.diffDotRadius,
          ws.calcLineWidth,
          ws.frameLineWidth};
}

TEST_F(SettingsTest, SaveParaThenReadGivesTheSameDisplayValues) {
  WriteIni(std::string(kDefaultDisplayPart) + kProgramSections);
  // Distinct values everywhere, so a swapped pair of lines shows.
  ws->colFrame = 1;
  ws->colBack = 16777215;
  ws->colFont = 3;
  ws->colBase = 4;
  ws->colCalc = 12345678;
  ws->colObs = 6;
  ws->colDiff = 7;
  ws->colRef = 8;
  ws->colObsFill = 9;
  ws->colDiffFill = 10;
  ws->fontSize = 0;
  ws->obsDotRadius = 10;
  ws->diffDotRadius = 3;
  ws->calcLineWidth = 5;
  ws->frameLineWidth = 2;
  platform.yesNoAnswers = {true};
  SaveParaCommand(*ws, platform);
  ASSERT_EQ(platform.questions.size(), 1u);
  EXPECT_EQ(platform.questions[0], "Rewriting Difscop.ini file  ...\nAre you sure ?");
  EXPECT_TRUE(platform.messages.empty());

  auto fresh = std::make_unique<workspace::Workspace>();
  fresh->startDirectory = dir.string();
  ApplyDisplayDefaults(*fresh);
  ReadSettings(*fresh, platform);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(DisplayValues(*fresh), DisplayValues(*ws));
  // The sections after the display part came through too.
  EXPECT_FLOAT_EQ(fresh->ka1Wavelength, 1.78897f);
  EXPECT_EQ(fresh->editorExe, "/usr/bin/kwrite");
}

TEST_F(SettingsTest, ResetDefaultParaThenSaveParaWritesTheDefaults) {
  ws->colObs = 123;
  ws->fontSize = 40;
  ws->colMonoPaper = 5;
  ResetDefaultParaCommand(*ws, platform);
  EXPECT_EQ(platform.repaints, 1);
  EXPECT_EQ(ws->colMonoPaper, 16777215u);
  EXPECT_FALSE(std::filesystem::exists(Ini())) << "reset must not touch the file";

  platform.yesNoAnswers = {true};
  SaveParaCommand(*ws, platform);
  EXPECT_EQ(ReadIni(), kDefaultDisplayPart);
  EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(SettingsTest, ValuesAreTakenByPositionAfterTheFirstEqualsSign) {
  WriteIni(
      "title line\n"
      "[Color Setting]  trailing words\n"
      "Colour=11\nx=12=99\n13\n  =  14abc\n=\nc=-1\nc=17\nc=18\nc=19\nc=20\n"
      "\n\n"
      "[Font Size]\nanything = 21\n"
      "[Dot Radius Setting]\na=22\nb=23\n\n"
      "[Line Width]\nc=24\nd=25\n"
      "[X-ray Source]\nw1=0.70932\nw2 = 0.71361\nnot a number\nt=nan\nr=0.51\n"
      "[CellRef]\nCellRef =  C:\\Prog\\CellRef\\CellRef.exe \t\n"
      "[Cell]\nc = \t/home/me/my cell/Cell.sh  \n"
      "[EXPO]\ne=/EXPO\n"
      "[GenHKL]\ng=GenHKL\n");
  ReadSettings(*ws, platform);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(ws->colFrame, 11u);
  EXPECT_EQ(ws->colBack, 12u);
  EXPECT_EQ(ws->colFont, 13u);
  EXPECT_EQ(ws->colBase, 14u);
  EXPECT_EQ(ws->colCalc, 0u) << "a value without digits is 0";
  EXPECT_EQ(static_cast<int>(ws->colObs), -1);
  EXPECT_EQ(ws->colDiffFill, 20u);
  EXPECT_EQ(ws->fontSize, 21);
  EXPECT_EQ(ws->obsDotRadius, 22);
  EXPECT_EQ(ws->diffDotRadius, 23);
  EXPECT_EQ(ws->calcLineWidth, 24);
  EXPECT_EQ(ws->frameLineWidth, 25);

  EXPECT_FLOAT_EQ(ws->ka1Wavelength, 0.70932f);
  EXPECT_FLOAT_EQ(ws->ka2Wavelength, 0.71361f);
  EXPECT_FLOAT_EQ(ws->ka2WavelengthTolerance, 0.05f) << "unreadable line keeps the value";
  EXPECT_FLOAT_EQ(ws->ka2IntensityTolerance, 0.05f) << "nan is no wavelength tolerance";
  EXPECT_FLOAT_EQ(ws->ka2Ratio, 0.51f);

  // A Windows-style path splits at its backslashes and keeps its style.
  EXPECT_EQ(ws->cellRefExe, "C:\\Prog\\CellRef\\CellRef.exe");
  EXPECT_EQ(ws->cellRefDirectory, "C:\\Prog\\CellRef");
  EXPECT_EQ(ws->cellRefInput, "C:\\Prog\\CellRef\\CellRef.inp");
  EXPECT_EQ(ws->cellRefOutput, "C:\\Prog\\CellRef\\CellRef.out");
  // Blanks inside a path stay, those around it go.
  EXPECT_EQ(ws->cellExe, "/home/me/my cell/Cell.sh");
  EXPECT_EQ(ws->cellDirectory, "/home/me/my cell");
  EXPECT_EQ(ws->cellInput, "/home/me/my cell/Data/Cell.dat");
  EXPECT_EQ(ws->cellOutput, "/home/me/my cell/Output.txt");
  EXPECT_EQ(ws->expoDirectory, "/");
  // A bare name has no directory: its files are in the current directory.
  EXPECT_EQ(ws->genHklExe, "GenHKL");
  EXPECT_EQ(ws->genHklDirectory, "");
  // No "[Editor]" section is no fault: the desktop's editor stays.
  EXPECT_EQ(ws->editorExe, DefaultEditor());
}

TEST_F(SettingsTest, LongLinesAreReadWholeAndDoNotShiftLaterValues) {
  std::string longDir = "/srv/" + std::string(300, 'p');
  WriteIni(std::string(kDefaultDisplayPart)
               .replace(std::string(kDefaultDisplayPart).find("ColFont =65535"), 14,
                        "ColFont" + std::string(280, ' ') + "=42") +
           "[X-ray Source]\n1\n2\n3\n4\n5\n[CellRef]\nCellRef = " + longDir + "/CellRef\n");
  ReadSettings(*ws, platform);
  EXPECT_EQ(ws->colFont, 42u);
  EXPECT_EQ(ws->colBase, 0u);
  EXPECT_EQ(ws->colCalc, 16711680u);
  EXPECT_EQ(ws->cellRefDirectory, longDir);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0],
            "[Cell] not found !!!\n[EXPO] not found !!!\n[GenHKL] not found !!!");
}

TEST_F(SettingsTest, EachSectionIsFoundByItsOwnHeader) {
  // No "[Dot Radius Setting]" and no "[X-ray Source]"; "[Font Size]" last.
  WriteIni(
      "[Color Setting]\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n"
      "[Line Width]\n7\n8\n"
      "[CellRef]\nCellRef = /x/CellRef\n[Cell]\nCell = /x/Cell\n[EXPO]\nEXPO = /x/EXPO\n"
      "[GenHKL]\nGenHKL = /x/GenHKL\n[Editor]\nEditor = /x/edit\n"
      "[Font Size]\n30\n");
  ApplyDisplayDefaults(*ws);
  ReadSettings(*ws, platform);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0],
            "[Dot Radius Setting] not found !!!\n[X-ray Source] not found !!!");
  EXPECT_EQ(ws->colFrame, 1u);
  EXPECT_EQ(ws->fontSize, 30);
  EXPECT_EQ(ws->obsDotRadius, 1);
  EXPECT_EQ(ws->calcLineWidth, 7);
  EXPECT_FLOAT_EQ(ws->ka1Wavelength, 1.540593f);
  EXPECT_EQ(ws->cellRefExe, "/x/CellRef");
  EXPECT_EQ(ws->genHklExe, "/x/GenHKL");
  EXPECT_EQ(ws->editorExe, "/x/edit");
}

TEST_F(SettingsTest, NoFileKeepsBuiltInValuesAndSaysSo) {
  ws->editorExe = "stale";
  ReadSettings(*ws, platform);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0], "Difscop Ini File not found !!!");
  EXPECT_EQ(ws->editorExe, DefaultEditor());
  EXPECT_EQ(ws->cellExe, "Cell");
  EXPECT_EQ(ws->colBack, 8388608u);
}

// Start directory first; else the user's file, made from the installed
// default on the first start; Save Para writes back where it read.
TEST_F(SettingsTest, SettingsComeFromTheStartDirectoryElseTheUsersConfiguration) {
  namespace fs = std::filesystem;
  const fs::path own = dir / "config" / "difscop" / "Difscop.ini";
  const fs::path share = dir / "share";
  fs::create_directories(share);
  std::string installed = std::string(kDefaultDisplayPart) + kProgramSections;
  installed.replace(installed.find("=8388608"), 8, "=77777");
  std::ofstream(share / "Difscop.ini", std::ios::binary) << installed;
  struct Case {
    const char* what;
    bool inStart, inConfig, installed;
    fs::path read;
    const char* message;
  };
  const Case cases[] = {
      {"start directory wins", true, true, true, Ini(), nullptr},
      {"user's file", false, true, true, own, nullptr},
      {"first start copies the default", false, false, true, own, nullptr},
      {"nothing anywhere", false, false, false, own, "Difscop Ini File not found !!!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(Ini());
    fs::remove_all(dir / "config");
    if (c.inStart) WriteIni(std::string(kDefaultDisplayPart) + kProgramSections);
    if (c.inConfig) {
      fs::create_directories(own.parent_path());
      std::ofstream(own, std::ios::binary) << kDefaultDisplayPart << kProgramSections;
    }
    ws->dataDirectory = c.installed ? share.string() : (dir / "none").string();
    platform.messages.clear();
    ApplyDisplayDefaults(*ws);
    ReadSettings(*ws, platform);
    EXPECT_EQ(ws->settingsFilePath, c.read.string());
    EXPECT_EQ(platform.messages, c.message ? std::vector<std::string>{c.message}
                                           : std::vector<std::string>{});
    EXPECT_EQ(ws->colBack, std::string(c.what) == "first start copies the default" ? 77777u
                                                                                    : 8388608u);
    ws->fontSize = 31;
    platform.yesNoAnswers = {true};
    SaveParaCommand(*ws, platform);
    EXPECT_NE(textio::ReadWholeFile(c.read).value_or("").find("SFont   =31"), std::string::npos);
    EXPECT_EQ(platform.messages.size(), c.message ? 1u : 0u);
    EXPECT_EQ(fs::exists(Ini()), c.inStart);
  }
  // A settings file that is a FIFO is refused at once, the built-in values
  // kept, and Save Para leaves it a FIFO.
  fs::remove(Ini());
  ASSERT_EQ(mkfifo(Ini().c_str(), 0644), 0);
  platform.messages.clear();
  ReadSettings(*ws, platform);
  platform.yesNoAnswers = {true};
  SaveParaCommand(*ws, platform);
  EXPECT_EQ(platform.messages,
            std::vector<std::string>(2, "Difscop Ini File not found !!!\n" + Ini().string() +
                                            ": not a regular file (a FIFO)"));
  EXPECT_TRUE(fs::is_fifo(Ini()));
  fs::remove(Ini());
}

TEST_F(SettingsTest, SaveParaKeepsTheProgramSectionsByteForByte) {
  // Hand-edited: LF lines, a long line, comments after the editor and no
  // line break at the very end.
  std::string kept = "[X-ray Source]\nK" + std::string(400, 'a') + "=1.5406\n2\n3\n4\n5\r\n" +
                     "[CellRef]\nCellRef = /a/CellRef\n[Cell]\nCell = /b/Cell\n[EXPO]\n" +
                     "EXPO = /c/EXPO\n[GenHKL]\nGenHKL = /d/GenHKL\n[Editor]\n\n; notes\nend";
  const std::string old = "[Difscop Ini File]\n[Color Setting]\nColFrame=1\n\n" + kept;
  WriteIni(old);

  platform.yesNoAnswers = {false};
  SaveParaCommand(*ws, platform);
  EXPECT_EQ(ReadIni(), old) << "No leaves the file alone";

  platform.yesNoAnswers = {true};
  SaveParaCommand(*ws, platform);
  EXPECT_EQ(ReadIni(), FormatDisplayPart(*ws) + kept);
  EXPECT_TRUE(platform.messages.empty());

  // Saving again changes nothing.
  platform.yesNoAnswers = {true};
  SaveParaCommand(*ws, platform);
  EXPECT_EQ(ReadIni(), FormatDisplayPart(*ws) + kept);
}

TEST_F(SettingsTest, FailedSaveLeavesTheOldFileIntact) {
  const std::string old = std::string(kDefaultDisplayPart) + kProgramSections;
  WriteIni(old);
  ws->colObs = 1;

  // The write runs out of room half way (a file-size limit holds even for
  // root, which directory permissions do not stop).
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &small);
  platform.yesNoAnswers = {true};
  SaveParaCommand(*ws, platform);
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);

  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.Headlines()[0], "Difscop Ini File not found !!!");
  EXPECT_EQ(ReadIni(), old);
  EXPECT_EQ(FilesInDir(), 1u) << "no temporary file left behind";
}

TEST_F(SettingsTest, UnwritableDirectoryLeavesTheOldFileIntact) {
  const std::string old = std::string(kDefaultDisplayPart) + kProgramSections;
  WriteIni(old);
  chmod(dir.c_str(), 0555);
  if (access(dir.c_str(), W_OK) == 0) GTEST_SKIP() << "permissions do not bind this user";
  ws->colObs = 1;
  platform.yesNoAnswers = {true};
  SaveParaCommand(*ws, platform);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0], "Difscop Ini File not found !!!");
  EXPECT_EQ(ReadIni(), old);
}

TEST_F(SettingsTest, UnreadableOldFileIsNotReplaced) {
  // The sections to keep cannot be read, so nothing is written.
  std::filesystem::create_directory(Ini());
  platform.yesNoAnswers = {true};
  SaveParaCommand(*ws, platform);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.Headlines()[0], "Difscop Ini File not found !!!");
  EXPECT_TRUE(std::filesystem::is_directory(Ini()));
}

TEST_F(SettingsTest, SaveParaWritesThroughALink) {
  std::filesystem::create_directory(dir / "real");
  std::ofstream(dir / "real" / "Difscop.ini", std::ios::binary) << kProgramSections;
  std::filesystem::create_symlink(dir / "real" / "Difscop.ini", Ini());
  platform.yesNoAnswers = {true};
  SaveParaCommand(*ws, platform);
  EXPECT_TRUE(std::filesystem::is_symlink(Ini()));
  EXPECT_EQ(ReadIni(), FormatDisplayPart(*ws) + kProgramSections);
}

TEST_F(SettingsTest, EditorSectionOverridesTheDesktopEditorUnlessEmpty) {
  WriteIni(std::string(kDefaultDisplayPart) + kProgramSections);
  ReadSettings(*ws, platform);
  EXPECT_EQ(ws->editorExe, "/usr/bin/kwrite");

  std::string noEditor = std::string(kDefaultDisplayPart) + kProgramSections;
  noEditor.replace(noEditor.find("Editor=/usr/bin/kwrite"), 22, "Editor =  ");
  WriteIni(noEditor);
  ReadSettings(*ws, platform);
  EXPECT_EQ(ws->editorExe, DefaultEditor());
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(SettingsTest, IndexingProgramsComeFromTheirSectionsElseTheBuiltInNames) {
  struct Case {
    std::string before, after;  // around the older file's sections
    std::array<std::string, 3> programs;
  };
  const Case cases[] = {
      {"", "", {"Ito13.exe", "Treor90.exe", "Dicvol91.exe"}},
      {"", "[Ito]\r\nIto = /opt/ito 13/Ito13.exe \r\n[Dicvol]\r\nDicvol =\r\n",
       {"/opt/ito 13/Ito13.exe", "Treor90.exe", "Dicvol91.exe"}},
      // Anywhere in the file, even where the forward reading has passed.
      {"[Treor]\r\nTreor=treor-linux\r\n", "", {"Ito13.exe", "treor-linux", "Dicvol91.exe"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.after + c.before);
    ws->itoExe = ws->treorExe = ws->dicvolExe = "stale";
    platform.messages.clear();
    WriteIni(c.before + kDefaultDisplayPart + kProgramSections + c.after);
    ReadSettings(*ws, platform);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ((std::array<std::string, 3>{ws->itoExe, ws->treorExe, ws->dicvolExe}), c.programs);
    EXPECT_EQ(ws->editorExe, "/usr/bin/kwrite");
  }
}

TEST_F(SettingsTest, EditorIsLookedForOnPathInOrderOfPreference) {
  namespace fs = std::filesystem;
  fs::create_directories(dir / "a");
  fs::create_directories(dir / "b");
  fs::create_directories(dir / "c" / "gedit");  // a directory is no program
  auto program = [](const fs::path& p, bool executable) {
    std::ofstream(p) << "#!/bin/sh\n";
    fs::permissions(p, executable ? fs::perms::owner_all : fs::perms::owner_read);
  };
  program(dir / "a" / "mousepad", true);
  program(dir / "a" / "gedit", false);
  program(dir / "b" / "kate", true);
  const std::string path =
      (dir / "c").string() + "::" + (dir / "a").string() + ":" + (dir / "b").string();
  EXPECT_EQ(FindEditorOnPath(path), (dir / "b" / "kate").string());
  EXPECT_EQ(FindEditorOnPath((dir / "a").string()), (dir / "a" / "mousepad").string());
  EXPECT_EQ(FindEditorOnPath((dir / "c").string()), "xdg-open");
  EXPECT_EQ(FindEditorOnPath(""), "xdg-open");
}

TEST(IniText, ProgramDirectoriesAndJoins) {
  EXPECT_EQ(ProgramDirectory("/opt/cell/Cell.sh"), "/opt/cell");
  EXPECT_EQ(ProgramDirectory("C:\\Prog/x\\CellRef.exe"), "C:\\Prog/x");
  EXPECT_EQ(ProgramDirectory("Cell"), "");
  EXPECT_EQ(JoinPath("/opt/cell", "Data/Cell.dat"), "/opt/cell/Data/Cell.dat");
  EXPECT_EQ(JoinPath("C:\\Prog", "Data/Cell.dat"), "C:\\Prog\\Data\\Cell.dat");
  EXPECT_EQ(JoinPath("\\", "CellRef.inp"), "\\CellRef.inp");
}

}  // namespace
}  // namespace difscop::settings

namespace difscop::settings {
namespace {

// The bundled settings files are what Save Para writes plus the installed
// sections, so reading one and saving it again must give it back unchanged.
TEST_F(SettingsTest, BundledSettingsFilesReadCleanlyAndSaveUnchanged) {
  for (const char* name : {"Difscop.ini", "examples/Difscop.ini"}) {
    SCOPED_TRACE(name);
    std::optional<std::string> bundled =
        textio::ReadWholeFile(std::filesystem::path(DIFSCOP_SOURCE_DIR) / name);
    ASSERT_TRUE(bundled);
    WriteIni(*bundled);
    ReadSettings(*ws, platform);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(ws->cellInput, "/opt/cell/Data/Cell.dat");
    EXPECT_EQ(ws->editorExe, DefaultEditor());
    EXPECT_FLOAT_EQ(ws->ka2Ratio, 0.5f);
    platform.yesNoAnswers = {true};
    SaveParaCommand(*ws, platform);
    EXPECT_EQ(ReadIni(), *bundled);
  }
}

}  // namespace
}  // namespace difscop::settings
