#include "settings/settings_file.h"

#include <sys/stat.h>

#include "settings/ini_text.h"
#include "settings/settings_location.h"
#include "settings_test_util.h"

namespace difscop::settings {
namespace {

namespace fs = std::filesystem;
using testing::SettingsTest;
using workspace::Workspace;
using V = std::vector<std::string>;

// The display part Save Para writes for the built-in defaults.
const std::string kDefaultDisplayPart =
    "[Difscop Ini File]\r\n\r\n"
    "[Color Setting]\r\nColFrame=65535\r\nColBack =8388608\r\nColFont =65535\r\n"
    "ColBase =0\r\nColCalc =16711680\r\nColObs  =255\r\nColDiff =65280\r\nColRef  =65535\r\n"
    "ColObsF =255\r\nColDiffF=65280\r\n\r\n"
    "[Font Size]\r\nSFont   =18\r\n\r\n"
    "[Dot Radius Setting]\r\nRObsdot =1\r\nRDiffdot=1\r\n\r\n"
    "[Line Width]\r\nLCwidth =1\r\nLFwidth =1\r\n\r\n";

// Sections a hand-edited installation carries after the display part.
const std::string kProgramSections =
    "[X-ray Source]\r\nKa1 =1.78897\r\nKa2=1.79285\r\nWL tol = 0.02\r\nInt tol=0.1\r\n"
    "ratio=0.48\r\n\r\n"
    "[CellRef]\r\nCellRef = \t /opt/cell ref/CellRef  \r\n"
    "[Cell]\r\nCell = /opt/cell/Cell.sh\r\n"
    "[EXPO]\r\nEXPO = /opt/expo/EXPO\r\n"
    "[GenHKL]\r\nGenHKL = GenHKL\r\n"
    "[Editor]\r\nEditor=/usr/bin/kwrite\r\n";

const std::string kInstalled = kDefaultDisplayPart + kProgramSections;

// The fifteen display values in the order the file holds them.
constexpr workspace::Colour Workspace::*kColours[] = {
    &Workspace::colFrame,   &Workspace::colBack,    &Workspace::colFont, &Workspace::colBase,
    &Workspace::colCalc,    &Workspace::colObs,     &Workspace::colDiff, &Workspace::colRef,
    &Workspace::colObsFill, &Workspace::colDiffFill};
constexpr std::int32_t Workspace::*kSizes[] = {&Workspace::fontSize, &Workspace::obsDotRadius,
                                               &Workspace::diffDotRadius, &Workspace::calcLineWidth,
                                               &Workspace::frameLineWidth};

std::vector<int> DisplayValues(const Workspace& ws) {
  std::vector<int> values;
  for (auto field : kColours) values.push_back(static_cast<int>(ws.*field));
  for (auto field : kSizes) values.push_back(ws.*field);
  return values;
}

void SetDisplayValues(Workspace& ws, const std::vector<int>& values) {
  std::size_t i = 0;
  for (auto field : kColours) ws.*field = static_cast<workspace::Colour>(values[i++]);
  for (auto field : kSizes) ws.*field = values[i++];
}

TEST_F(SettingsTest, SaveParaWritesTheDisplayPartAndReadingGivesItBack) {
  ws->colObs = 123;
  ws->colMonoPaper = 5;
  ResetDefaultParaCommand(*ws, platform);
  EXPECT_EQ(platform.repaints, 1);
  EXPECT_EQ(ws->colMonoPaper, 16777215u);
  EXPECT_FALSE(fs::exists(Ini())) << "reset must not touch the file";
  Save();
  EXPECT_EQ(ReadIni(), kDefaultDisplayPart);

  // Distinct values everywhere, so a swapped pair of lines shows.
  WriteIni(kInstalled);
  const std::vector<int> values = {1, 16777215, 3, 4, 12345678, 6, 7, 8, 9, 10, 0, 10, 3, 5, 2};
  SetDisplayValues(*ws, values);
  Save();
  EXPECT_EQ(platform.questions, V(2, "Rewriting Difscop.ini file  ...\nAre you sure ?"));
  auto fresh = Fresh();
  ReadSettings(*fresh, platform);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(DisplayValues(*fresh), values);
  EXPECT_FLOAT_EQ(fresh->ka1Wavelength, 1.78897f) << "the sections after it came through";
}

TEST_F(SettingsTest, ValuesAreTakenByPositionAfterTheFirstEqualsSign) {
  const std::string longDir = "/srv/" + std::string(300, 'p');
  Read(
      "title line\n"
      "[Color Setting]  trailing words\n"
      "Colour" +
      std::string(280, ' ') +
      "=11\nx=12=99\n13\n  =  14abc\n=\nc=-1\nc=17\nc=18\n"
      "c=19\nc=20\n\n\n"
      "[Font Size]\nanything = 21\n"
      "[Dot Radius Setting]\na=22\nb=23\n\n"
      "[Line Width]\nc=24\nd=25\n"
      "[X-ray Source]\nw1=0.70932\nw2 = 0.71361\nnot a number\nt=nan\nr=0.51\n"
      "[CellRef]\nCellRef =  C:\\Prog\\CellRef\\CellRef.exe \t\n"
      "[Cell]\nc = \t" +
      longDir +
      "/my cell/Cell.sh  \n"
      "[EXPO]\ne=/EXPO\n"
      "[GenHKL]\ng=GenHKL\n");
  EXPECT_TRUE(platform.messages.empty());
  // A value without digits is 0; long lines are read whole.
  EXPECT_EQ(DisplayValues(*ws),
            (std::vector<int>{11, 12, 13, 14, 0, -1, 17, 18, 19, 20, 21, 22, 23, 24, 25}));
  EXPECT_FLOAT_EQ(ws->ka1Wavelength, 0.70932f);
  EXPECT_FLOAT_EQ(ws->ka2Wavelength, 0.71361f);
  EXPECT_FLOAT_EQ(ws->ka2WavelengthTolerance, 0.05f) << "unreadable line keeps the value";
  EXPECT_FLOAT_EQ(ws->ka2IntensityTolerance, 0.05f) << "nan is no tolerance";
  EXPECT_FLOAT_EQ(ws->ka2Ratio, 0.51f);
  // A Windows path keeps its style; blanks inside a path stay, those around
  // it go; a bare name has no directory; no [Editor] section is no fault.
  EXPECT_EQ((V{ws->cellRefExe, ws->cellRefDirectory, ws->cellRefInput, ws->cellExe, ws->cellInput,
               ws->expoDirectory, ws->genHklDirectory, ws->editorExe}),
            (V{"C:\\Prog\\CellRef\\CellRef.exe", "C:\\Prog\\CellRef",
               "C:\\Prog\\CellRef\\CellRef.inp", longDir + "/my cell/Cell.sh",
               longDir + "/my cell/Data/Cell.dat", "/", "", DefaultEditor()}));
}

TEST_F(SettingsTest, EachSectionIsFoundByItsOwnHeader) {
  // No "[Dot Radius Setting]" and no "[X-ray Source]"; "[Line Width]" last,
  // cut short by the end of the file.
  ApplyDisplayDefaults(*ws);
  Read(
      "[Color Setting]\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n[Font Size]\n30\n"
      "[CellRef]\nCellRef = /x/CellRef\n[Cell]\nCell = /x/Cell\n[EXPO]\nEXPO = /x/EXPO\n"
      "[GenHKL]\nGenHKL = /x/GenHKL\n[Editor]\nEditor = /x/edit\n"
      "[Line Width]\n7");
  EXPECT_EQ(platform.messages,
            V{"[Dot Radius Setting] not found !!!\n[X-ray Source] not found !!!"});
  EXPECT_EQ(DisplayValues(*ws), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 30, 1, 1, 7, 1}));
  EXPECT_FLOAT_EQ(ws->ka1Wavelength, 1.540593f);
  EXPECT_EQ((V{ws->cellRefExe, ws->genHklExe, ws->editorExe}),
            (V{"/x/CellRef", "/x/GenHKL", "/x/edit"}));
}

// Start directory first; else the user's file, made from the installed
// default on the first start; Save Para writes back where it read.
TEST_F(SettingsTest, SettingsComeFromTheStartDirectoryElseTheUsersConfiguration) {
  const fs::path own = dir / "config" / "difscop" / "Difscop.ini";
  const fs::path share = dir / "share";
  fs::create_directories(share);
  std::string installed = kInstalled;
  installed.replace(installed.find("=8388608"), 8, "=77777");
  std::ofstream(share / "Difscop.ini", std::ios::binary) << installed;
  struct Case {
    const char* what;
    bool inStart, inConfig, installed;
    fs::path read;
    unsigned colBack;
  };
  const Case cases[] = {
      {"start directory wins", true, true, true, Ini(), 8388608},
      {"user's file", false, true, true, own, 8388608},
      {"first start copies the default", false, false, true, own, 77777},
      {"nothing anywhere", false, false, false, own, 8388608},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(Ini());
    fs::remove_all(dir / "config");
    if (c.inStart) WriteIni(kInstalled);
    if (c.inConfig) {
      fs::create_directories(own.parent_path());
      std::ofstream(own, std::ios::binary) << kInstalled;
    }
    ws->dataDirectory = (dir / (c.installed ? "share" : "none")).string();
    platform.messages.clear();
    ApplyDisplayDefaults(*ws);
    ws->editorExe = ws->cellExe = "stale";
    ReadSettings(*ws, platform);
    const bool found = c.inStart || c.inConfig || c.installed;
    EXPECT_EQ(ws->settingsFilePath, c.read.string());
    EXPECT_EQ(platform.messages, found ? V{} : V{"Difscop Ini File not found !!!"});
    EXPECT_EQ(ws->colBack, c.colBack);
    // Without a file the program defaults stand.
    EXPECT_EQ(ws->editorExe, found ? "/usr/bin/kwrite" : DefaultEditor());
    EXPECT_EQ(ws->cellExe, found ? "/opt/cell/Cell.sh" : "Cell");
    ws->fontSize = 31;
    Save();
    EXPECT_NE(textio::ReadWholeFile(c.read).value_or("").find("SFont   =31"), std::string::npos);
    EXPECT_EQ(platform.messages.size(), found ? 0u : 1u);
    EXPECT_EQ(fs::exists(Ini()), c.inStart);
  }
  // A settings file that is a FIFO is refused at once, the built-in values
  // kept, and Save Para leaves it a FIFO.
  fs::remove(Ini());
  ASSERT_EQ(mkfifo(Ini().c_str(), 0644), 0);
  platform.messages.clear();
  ReadSettings(*ws, platform);
  Save();
  EXPECT_EQ(platform.messages, V(2, "Difscop Ini File not found !!!\n" + Ini().string() +
                                        ": not a regular file (a FIFO)"));
  EXPECT_TRUE(fs::is_fifo(Ini()));
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
  for (int again = 0; again < 2; ++again) {
    Save();
    EXPECT_EQ(ReadIni(), FormatDisplayPart(*ws) + kept);
  }
  EXPECT_TRUE(platform.messages.empty());
  // Through a link the file it names is rewritten, and the link stays.
  fs::create_directory(dir / "real");
  fs::rename(Ini(), dir / "real" / "Difscop.ini");
  fs::create_symlink(dir / "real" / "Difscop.ini", Ini());
  ws->fontSize = 40;
  Save();
  EXPECT_TRUE(fs::is_symlink(Ini()));
  const std::string saved = FormatDisplayPart(*ws) + kept;
  EXPECT_EQ(ReadIni(), saved);
  // A write-protected directory is left alone, without a temporary file.
  fs::remove(Ini());
  fs::remove_all(dir / "real");
  WriteIni(saved);
  ws->colObs = 1;
  chmod(dir.c_str(), 0555);  // root is held back as well
  Save();
  chmod(dir.c_str(), 0755);
  EXPECT_EQ(platform.Headlines(), V{"Difscop Ini File not found !!!"});
  EXPECT_EQ(ReadIni(), saved);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(SettingsTest, ProgramsComeFromTheirSectionsElseTheBuiltInNames) {
  struct Case {
    std::string before, after;  // around the older file's sections
    std::array<std::string, 3> programs;
  };
  const Case cases[] = {
      {"", "", {"Ito13.exe", "Treor90.exe", "Dicvol91.exe"}},
      {"",
       "[Ito]\r\nIto = /opt/ito 13/Ito13.exe \r\n[Dicvol]\r\nDicvol =\r\n",
       {"/opt/ito 13/Ito13.exe", "Treor90.exe", "Dicvol91.exe"}},
      // Anywhere in the file, even where the forward reading has passed.
      {"[Treor]\r\nTreor=treor-linux\r\n", "", {"Ito13.exe", "treor-linux", "Dicvol91.exe"}},
      // A header on the last line has no value to give.
      {"", "[Ito]", {"Ito13.exe", "Treor90.exe", "Dicvol91.exe"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.after + c.before);
    ws->itoExe = ws->treorExe = ws->dicvolExe = "stale";
    Read(c.before + kInstalled + c.after);
    EXPECT_EQ((std::array<std::string, 3>{ws->itoExe, ws->treorExe, ws->dicvolExe}), c.programs);
    EXPECT_EQ(ws->editorExe, "/usr/bin/kwrite");
  }
  // An empty editor value keeps the desktop's editor.
  std::string noEditor = kInstalled;
  Read(noEditor.replace(noEditor.find("Editor=/usr/bin/kwrite"), 22, "Editor =  "));
  EXPECT_EQ(ws->editorExe, DefaultEditor());
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(SettingsTest, EditorIsLookedForOnPathInOrderOfPreference) {
  for (const char* sub : {"a", "b", "c/gedit"})  // a directory is no program
    fs::create_directories(dir / sub);
  auto program = [](const fs::path& p, bool executable) {
    std::ofstream(p) << "#!/bin/sh\n";
    fs::permissions(p, executable ? fs::perms::owner_all : fs::perms::owner_read);
  };
  program(dir / "a" / "mousepad", true);
  program(dir / "a" / "gedit", false);
  program(dir / "b" / "kate", true);
  const std::string a = (dir / "a").string(), b = (dir / "b").string();
  EXPECT_EQ(FindEditorOnPath((dir / "c").string() + "::" + a + ":" + b), b + "/kate");
  EXPECT_EQ(FindEditorOnPath(a), a + "/mousepad");
  EXPECT_EQ(FindEditorOnPath((dir / "c").string()), "xdg-open");
  EXPECT_EQ(FindEditorOnPath(""), "xdg-open");
}

TEST(IniText, ProgramDirectoriesAndJoins) {
  EXPECT_EQ(ProgramDirectory("C:\\Prog/x\\CellRef.exe"), "C:\\Prog/x");
  EXPECT_EQ(JoinPath("C:\\Prog", "Data/Cell.dat"), "C:\\Prog\\Data\\Cell.dat");
  EXPECT_EQ(JoinPath("\\", "CellRef.inp"), "\\CellRef.inp");
}

TEST_F(SettingsTest, UserConfigurationDirectory) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"/home/u", "/x/config", "/x/config"},
      {"/home/u", "relative", "/home/u/.config"},
      {"/home/u", "", "/home/u/.config"},
      {"/home/u", nullptr, "/home/u/.config"},
      {"", nullptr, ""},
      {nullptr, nullptr, ""}};
  for (const auto& [home, xdg, expected] : cases) {
    SetEnv("HOME", home);
    SetEnv("XDG_CONFIG_HOME", xdg);
    EXPECT_EQ(UserConfigDirectory().string(), expected) << (home ? home : "-") << (xdg ? xdg : "-");
  }
}

// The bundled settings files are what Save Para writes plus the installed
// sections, so reading one and saving it again must give it back unchanged.
TEST_F(SettingsTest, BundledSettingsFilesReadCleanlyAndSaveUnchanged) {
  for (const char* name : {"Difscop.ini", "examples/Difscop.ini"}) {
    SCOPED_TRACE(name);
    std::optional<std::string> bundled = textio::ReadWholeFile(fs::path(DIFSCOP_SOURCE_DIR) / name);
    ASSERT_TRUE(bundled);
    Read(*bundled);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(ws->cellInput, "/opt/cell/Data/Cell.dat");
    EXPECT_EQ(ws->editorExe, DefaultEditor());
    EXPECT_FLOAT_EQ(ws->ka2Ratio, 0.5f);
    Save();
    EXPECT_EQ(ReadIni(), *bundled);
  }
}

}  // namespace
}  // namespace difscop::settings
