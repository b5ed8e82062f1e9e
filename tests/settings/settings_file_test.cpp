#include "settings/settings_file.h"

#include <sys/stat.h>

#include "settings/ini_text.h"
#include "settings/program_paths.h"
#include "settings/setting_dialog.h"
#include "settings/settings_location.h"
#include "settings_test_util.h"

namespace difscop::settings {
namespace {

namespace fs = std::filesystem;
using namespace testing;

std::string Bundled(const char* name) {
  return textio::ReadWholeFile(fs::path(DIFSCOP_SOURCE_DIR) / name).value_or("<missing>");
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
      // A value without digits is 0; long lines are read whole; a line with
      // no finite number keeps the value. Blanks around a path go; a bare
      // name has no directory; [Editor] may be missing. The indexing programs'
      // sections stand anywhere; an empty value or none keeps the built-in name.
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
      // short by the end of the file. Data files below a Windows directory
      // take its separator.
      {"[Color Setting]\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n[Font Size]\n30\n"
       "[CellRef]\nCellRef = /x/CellRef\n[Cell]\nCell = C:\\Prog/x\\y\\Cell.bat\n[EXPO]\nEXPO = "
       "/x/EXPO\n[GenHKL]\nGenHKL = /x/GenHKL\n[Editor]\nEditor = /x/edit\n[Ito]\nIto = /opt/ito "
       "13/Ito \n[Line Width]\n7",
       "[CellRef]",
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 30, 1, 1, 7, 1},
       {1.540593f, 1.54441f, 0.05f, 0.05f, 0.5f},
       {"/x/CellRef", "/x/CellRef.inp", "C:\\Prog/x\\y\\Data\\Cell.dat", "/x", "/x", "/x/edit",
        "/opt/ito 13/Ito", "Treor90.exe", "Dicvol91.exe"},
       {"[Dot Radius Setting] not found !!!\n[X-ray Source] not found !!!"}},
  };
  for (const Case& c : cases) {
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
  }
}

// Start directory first; else the user's file, made from the installed
// default on the first start; Save Para writes back where it read.
TEST_F(SettingsTest, SettingsComeFromTheStartDirectoryElseTheUsersConfiguration) {
  const fs::path own = dir / "config" / "difscop" / "Difscop.ini";
  const std::string bundled = Bundled("Difscop.ini");
  std::string installed = bundled;
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
    if (c.inStart) WriteIni(bundled);
    if (c.inConfig) Put(own, bundled);
    ws->dataDirectory = (dir / (c.installed ? "share" : "none")).string();
    platform.messages.clear();
    ApplyDisplayDefaults(*ws);
    ws->editorExe = ws->cellExe = "stale";
    ReadSettings(*ws, platform);
    // Without a file the program defaults stand.
    const bool found = c.inStart || c.inConfig || c.installed;
    EXPECT_EQ((V{ws->settingsFilePath, std::to_string(ws->colBack), ws->editorExe, ws->cellExe}),
              (V{c.read.string(), std::to_string(c.colBack), DefaultEditor(),
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

// The editor is looked for on PATH in order of preference; the user's
// configuration directory comes from XDG_CONFIG_HOME if absolute, else HOME.
TEST_F(SettingsTest, EditorOnPathAndTheUsersConfigurationDirectory) {
  for (const char* sub : {"a", "b", "c/gedit"}) fs::create_directories(dir / sub);
  for (const char* p : {"a/mousepad", "a/gedit", "b/kate"}) {  // c/gedit is no program
    std::ofstream(dir / p) << "#!/bin/sh\n";
    fs::permissions(dir / p, p[2] == 'g' ? fs::perms::owner_read : fs::perms::owner_all);
  }
  const std::string a = (dir / "a").string(), b = (dir / "b").string(), c = (dir / "c").string();
  EXPECT_EQ((V{FindEditorOnPath(c + "::" + a + ":" + b), FindEditorOnPath(a), FindEditorOnPath(c),
               FindEditorOnPath("")}),
            (V{b + "/kate", a + "/mousepad", "xdg-open", "xdg-open"}));
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"/home/u", "/x/config", "/x/config"},
      {"/home/u", "relative", "/home/u/.config"},
      {"/home/u", nullptr, "/home/u/.config"},
      {"", nullptr, ""},
      {nullptr, nullptr, ""}};
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  for (const auto& [home, xdg, expected] : cases) {
    home ? setenv("HOME", home, 1) : unsetenv("HOME");
    xdg ? setenv("XDG_CONFIG_HOME", xdg, 1) : unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserConfigDirectory().string(), expected) << (home ? home : "-") << (xdg ? xdg : "-");
  }
  setenv("HOME", savedHome.c_str(), 1);
}

// The bundled settings files are what Save Para writes for the built-in
// display values plus the installed sections: read and saved again, they come
// back unchanged. Reset Default Para brings the display values back, and
// only a Yes to the question rewrites the file.
TEST_F(SettingsTest, BundledSettingsFilesSaveUnchangedAndResetRestoresThem) {
  for (const char* name : {"examples/Difscop.ini", "Difscop.ini"}) {
    SCOPED_TRACE(name);
    Read(Bundled(name));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ((V{ws->cellInput, ws->editorExe}), (V{"/opt/cell/Data/Cell.dat", DefaultEditor()}));
    EXPECT_FLOAT_EQ(ws->ka2Ratio, 0.5f);
    Save();
    EXPECT_EQ(ReadIni(), Bundled(name));
  }
  ws->colObs = ws->colMonoPaper = 123;
  ResetDefaultParaCommand(*ws, platform);
  EXPECT_EQ(std::pair(platform.repaints, ws->colMonoPaper), std::pair(1, 16777215u));
  fs::remove(Ini());
  platform.yesNoAnswers = {false};
  SaveParaCommand(*ws, platform);
  EXPECT_FALSE(fs::exists(Ini())) << "No leaves the file alone";
  Save();
  EXPECT_EQ(ReadIni(), Bundled("Difscop.ini").substr(0, Bundled("Difscop.ini").find("[X-ray")));
  EXPECT_EQ(platform.questions, V(4, "Rewriting Difscop.ini file  ...\nAre you sure ?"));
}

// The profile fit's settings: read where the file has them (a value that
// cannot be one keeps the built-in), written by Save Para at the end once
// they are used, replacing the section the file had.
TEST_F(SettingsTest, ProfileSettingsAreReadAndSavedOnceUsed) {
  const std::string bundled = Bundled("Difscop.ini");
  Read(bundled + "[Profile]\r\nScherrerK =1.0\r\nSnipWindow=-2\r\nCagliotiU =0.0041\r\n"
                 "CagliotiV =-0.0025\r\nCagliotiW =0.0037\r\n");
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(std::tuple(ws->scherrerK, ws->snipWindow), std::tuple(1.0f, 1.5f));
  EXPECT_EQ(std::tuple(ws->instrumentU, ws->instrumentV, ws->instrumentW),
            std::tuple(0.0041, -0.0025, 0.0037));
  ws->instrumentW = 0.005;
  Save();
  const std::string saved = ReadIni();
  EXPECT_EQ(saved, bundled + "[Profile]\r\nScherrerK =1\r\nSnipWindow=1.5\r\nCagliotiU =0.0041\r\n"
                             "CagliotiV =-0.0025\r\nCagliotiW =0.005\r\n\r\n");
  auto again = Fresh();
  ReadSettings(*again, platform);
  EXPECT_EQ(std::tuple(again->scherrerK, again->instrumentW), std::tuple(1.0f, 0.005));
  // A file that never had them and a workspace that never changed them: as it was.
  Read(bundled);
  ws = Fresh();
  ReadSettings(*ws, platform);
  Save();
  EXPECT_EQ(ReadIni(), bundled);
}

TEST_F(SettingsTest, SettingDialogReopensOnASizeOutOfRangeAndOkStoresEachRow) {
  ApplyDisplayDefaults(*ws);
  const std::vector<int> defaults = DisplayValues(*ws);
  auto rows = [](const platform::SettingDialog& d) { return std::pair(d.colours, d.sizes); };
  platform::SettingDialog chosen = MakeSettingDialog(*ws);
  chosen.colours = {101, 102, 103, 104, 105, 106, 107, 108};
  chosen.sizes = {11, 10, 10, 10, 50};
  platform::SettingDialog tooBigFont = chosen, negative = chosen, ok = chosen;
  tooBigFont.sizes = {10, 10, 10, 10, 51};
  negative.sizes = {0, 0, 0, -1, 0};
  ok.sizes = {1, 2, 3, 4, 0};  // a typed font size 0 is accepted
  platform.settingAnswers = {chosen, tooBigFont, negative, std::nullopt, ok};
  SetParaCommand(*ws, platform);
  EXPECT_EQ(platform.messages, (V{"Please enter an integer between 0 and 10.",
                                  "Please enter an integer between 0 and 50.",
                                  "Please enter an integer between 0 and 10."}));
  EXPECT_EQ(std::pair(DisplayValues(*ws), platform.repaints), std::pair(defaults, 0))
      << "Cancel drops everything";
  SetParaCommand(*ws, platform);
  // Each reopening shows what was entered; a new dialog the workspace. OK
  // stores each row where the dialog found it (the fills are not edited).
  const std::vector<platform::SettingDialog>& shown = platform.settingShown;
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(
      (std::vector{rows(shown[1]), rows(shown[2]), rows(shown[4]), rows(MakeSettingDialog(*ws))}),
      (std::vector{rows(chosen), rows(tooBigFont), rows(shown[0]), rows(ok)}));
  EXPECT_EQ(
      std::pair(DisplayValues(*ws), platform.repaints),
      std::pair(std::vector{103, 101, 108, 102, 105, 104, 106, 107, 255, 65280, 0, 3, 4, 2, 1}, 1));
}

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
  const std::string longDir = "/very/" + std::string(280, 'd'), longPath = longDir + "/GenHKL";
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
  // The workspace follows at once, directories and working files included.
  EXPECT_EQ((V{ws->cellInput, ws->cellRefOutput, ws->genHklDirectory}),
            (V{"/n/c/Data/Cell.dat", "/n/cr/CellRef.out", longDir}));
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
