#include "settings/settings_file.h"

#include <sys/stat.h>

#include "settings/ini_text.h"
#include "settings/settings_location.h"
#include "settings_test_util.h"

namespace difscop::settings {
namespace {

namespace fs = std::filesystem;
using testing::DisplayValues;
using testing::SettingsTest;
using testing::V;

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
    "[GenHKL]\r\nGenHKL = GenHKL\r\n[Editor]\r\nEditor=/usr/bin/kwrite\r\n";

const std::string kInstalled = kDefaultDisplayPart + kProgramSections;

TEST_F(SettingsTest, ResetAndSaveParaWriteTheDefaultDisplayPartAfterAYes) {
  ws->colObs = 123;
  ws->colMonoPaper = 5;
  ResetDefaultParaCommand(*ws, platform);
  EXPECT_EQ(std::pair(platform.repaints, ws->colMonoPaper), std::pair(1, 16777215u));
  EXPECT_FALSE(fs::exists(Ini())) << "reset must not touch the file";
  platform.yesNoAnswers = {false};
  SaveParaCommand(*ws, platform);
  EXPECT_FALSE(fs::exists(Ini())) << "No leaves the file alone";
  Save();
  EXPECT_EQ(ReadIni(), kDefaultDisplayPart);
  EXPECT_EQ(platform.questions, V(2, "Rewriting Difscop.ini file  ...\nAre you sure ?"));
}

// Each section is found by its own header, and its values are taken by
// position after the first '=': distinct everywhere, so a swapped pair of
// lines shows, and they come back alike from the file Save Para writes. It
// keeps the old file from the first program section on, byte for byte.
TEST_F(SettingsTest, SectionsAreFoundByHeaderAndValuesTakenByPosition) {
  const std::string longDir = "/srv/" + std::string(300, 'p');
  struct Case {
    std::string text, keptFrom;
    std::vector<int> display;
    std::vector<float> xray;
    V programs, messages;
  };
  const Case cases[] = {
      // A value without digits is 0; long lines are read whole; a line that
      // holds no finite number keeps the value. A Windows path keeps its
      // style; blanks inside a path stay, those around it go; a bare name
      // has no directory; no [Editor] section is no fault. The indexing
      // programs' sections are looked for anywhere; an empty value or a
      // header on the last line keeps the built-in name.
      {"title line\n[Color Setting]  trailing words\nColour" + std::string(280, ' ') +
           "=11\nx=12=99\n13\n  =  14abc\n=\nc=-1\nc=12345678\nc=16777215\nc=19\nc=20\n\n\n"
           "[Font Size]\nanything = 21\n[Treor]\nTreor=treor-linux\n[Dot Radius "
           "Setting]\na=22\nb=23\n\n[Line Width]\nc=24\n"
           "d=25\n[X-ray Source]\nw1=0.70932\nw2 = 0.71361\nnot a number\nt=nan\nr=0.51\n"
           "[CellRef]\nCellRef =  C:\\Prog\\CellRef\\CellRef.exe \t\n[Cell]\nc = \t" +
           longDir +
           "/my cell/Cell.sh  \n[EXPO]\ne=/EXPO\n[GenHKL]\ng=GenHKL\n[Dicvol]\nDicvol =\n[Ito]",
       "[Treor]",
       {11, 12, 13, 14, 0, -1, 12345678, 16777215, 19, 20, 21, 22, 23, 24, 25},
       {0.70932f, 0.71361f, 0.05f, 0.05f, 0.51f},
       {"C:\\Prog\\CellRef\\CellRef.exe", "C:\\Prog\\CellRef\\CellRef.inp",
        longDir + "/my cell/Data/Cell.dat", "/", "", DefaultEditor(), "Ito13.exe", "treor-linux",
        "Dicvol91.exe"},
       {}},
      // One message for the sections not there; "[Line Width]" last, cut
      // short by the end of the file.
      {"[Color Setting]\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n[Font Size]\n30\n"
       "[CellRef]\nCellRef = /x/CellRef\n[Cell]\nCell = /x/Cell\n[EXPO]\nEXPO = /x/EXPO\n"
       "[GenHKL]\nGenHKL = /x/GenHKL\n[Editor]\nEditor = /x/edit\n[Ito]\nIto = /opt/ito 13/Ito \n"
       "[Line Width]\n7",
       "[CellRef]",
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 30, 1, 1, 7, 1},
       {1.540593f, 1.54441f, 0.05f, 0.05f, 0.5f},
       {"/x/CellRef", "/x/CellRef.inp", "/x/Data/Cell.dat", "/x", "/x", "/x/edit",
        "/opt/ito 13/Ito", "Treor90.exe", "Dicvol91.exe"},
       {"[Dot Radius Setting] not found !!!\n[X-ray Source] not found !!!"}},
  };
  for (const Case& c : cases) {
    auto fresh = Fresh();
    ws = Fresh();
    ApplyDisplayDefaults(*ws);
    platform.messages.clear();
    Read(c.text);
    EXPECT_EQ(platform.messages, c.messages);
    EXPECT_EQ(DisplayValues(*ws), c.display);
    EXPECT_EQ((std::vector<float>{ws->ka1Wavelength, ws->ka2Wavelength, ws->ka2WavelengthTolerance,
                                  ws->ka2IntensityTolerance, ws->ka2Ratio}),
              c.xray);
    EXPECT_EQ((V{ws->cellRefExe, ws->cellRefInput, ws->cellInput, ws->expoDirectory,
                 ws->genHklDirectory, ws->editorExe, ws->itoExe, ws->treorExe, ws->dicvolExe}),
              c.programs);
    for (int again = 0; again < 2; ++again) {
      Save();
      EXPECT_EQ(ReadIni(), FormatDisplayPart(*ws) + c.text.substr(c.text.find(c.keptFrom)));
    }
    ReadSettings(*fresh, platform);
    EXPECT_EQ(DisplayValues(*fresh), c.display);
  }
}

// Start directory first; else the user's file, made from the installed
// default on the first start; Save Para writes back where it read.
TEST_F(SettingsTest, SettingsComeFromTheStartDirectoryElseTheUsersConfiguration) {
  const fs::path own = dir / "config" / "difscop" / "Difscop.ini";
  std::string installed = kInstalled;
  Put(dir / "share" / "Difscop.ini", installed.replace(installed.find("=8388608"), 8, "=77777"));
  struct Case {
    const char* what;
    bool inStart, inConfig, installed;
    fs::path read;
    unsigned colBack;
  };
  const Case cases[] = {{"start directory wins", true, true, true, Ini(), 8388608},
                        {"user's file", false, true, true, own, 8388608},
                        {"first start copies the default", false, false, true, own, 77777},
                        {"nothing anywhere", false, false, false, own, 8388608}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(Ini());
    fs::remove_all(dir / "config");
    if (c.inStart) WriteIni(kInstalled);
    if (c.inConfig) Put(own, kInstalled);
    ws->dataDirectory = (dir / (c.installed ? "share" : "none")).string();
    platform.messages.clear();
    ApplyDisplayDefaults(*ws);
    ws->editorExe = ws->cellExe = "stale";
    ReadSettings(*ws, platform);
    // Without a file the program defaults stand.
    const bool found = c.inStart || c.inConfig || c.installed;
    EXPECT_EQ(
        (V{ws->settingsFilePath, std::to_string(ws->colBack), ws->editorExe, ws->cellExe}),
        (V{c.read.string(), std::to_string(c.colBack), found ? "/usr/bin/kwrite" : DefaultEditor(),
           found ? "/opt/cell/Cell.sh" : "Cell"}));
    ws->fontSize = 31;
    Save();
    EXPECT_NE(textio::ReadWholeFile(c.read).value_or("").find("SFont   =31"), std::string::npos);
    EXPECT_EQ(platform.messages, V(found ? 0 : 1, "Difscop Ini File not found !!!"));
    EXPECT_EQ(fs::exists(Ini()), c.inStart);
  }
  // A settings file that cannot be read is reported with its reason, the
  // built-in values kept, and Save Para leaves it alone.
  fs::remove(Ini());
  ASSERT_EQ(mkfifo(Ini().c_str(), 0644), 0);
  platform.messages.clear();
  ReadSettings(*ws, platform);
  Save();
  EXPECT_EQ(platform.messages, V(2, "Difscop Ini File not found !!!\n" + Ini().string() +
                                        ": not a regular file (a FIFO)"));
  EXPECT_TRUE(fs::is_fifo(Ini()));
}

TEST_F(SettingsTest, EditorIsLookedForOnPathInOrderOfPreference) {
  for (const char* sub : {"a", "b", "c/gedit"})  // a directory is no program
    fs::create_directories(dir / sub);
  for (const char* program : {"a/mousepad", "a/gedit", "b/kate"}) {
    std::ofstream(dir / program) << "#!/bin/sh\n";
    fs::permissions(dir / program, program == std::string("a/gedit") ? fs::perms::owner_read
                                                                     : fs::perms::owner_all);
  }
  const std::string a = (dir / "a").string(), b = (dir / "b").string(), c = (dir / "c").string();
  EXPECT_EQ((V{FindEditorOnPath(c + "::" + a + ":" + b), FindEditorOnPath(a), FindEditorOnPath(c),
               FindEditorOnPath("")}),
            (V{b + "/kate", a + "/mousepad", "xdg-open", "xdg-open"}));
}

TEST_F(SettingsTest, ProgramDirectoriesJoinsAndTheUsersConfigurationDirectory) {
  EXPECT_EQ((V{ProgramDirectory("C:\\Prog/x\\CellRef.exe"), JoinPath("C:\\Prog", "Data/Cell.dat"),
               JoinPath("\\", "CellRef.inp")}),
            (V{"C:\\Prog/x", "C:\\Prog\\Data\\Cell.dat", "\\CellRef.inp"}));
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"/home/u", "/x/config", "/x/config"},
      {"/home/u", "relative", "/home/u/.config"},
      {"/home/u", "", "/home/u/.config"},
      {"/home/u", nullptr, "/home/u/.config"},
      {"", nullptr, ""},
      {nullptr, nullptr, ""}};
  const char* was = std::getenv("HOME");
  const std::string savedHome = was ? was : "";
  for (const auto& [home, xdg, expected] : cases) {
    home ? setenv("HOME", home, 1) : unsetenv("HOME");
    xdg ? setenv("XDG_CONFIG_HOME", xdg, 1) : unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserConfigDirectory().string(), expected) << (home ? home : "-") << (xdg ? xdg : "-");
  }
  setenv("HOME", savedHome.c_str(), 1);
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
    EXPECT_EQ((V{ws->cellInput, ws->editorExe}), (V{"/opt/cell/Data/Cell.dat", DefaultEditor()}));
    EXPECT_FLOAT_EQ(ws->ka2Ratio, 0.5f);
    Save();
    EXPECT_EQ(ReadIni(), *bundled);
  }
}

}  // namespace
}  // namespace difscop::settings
