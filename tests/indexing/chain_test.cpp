// The whole chain with stand-in programs: a start directory holding Ito13.exe,
// Treor90.exe and Dicvol91.exe, and Cell, CellRef, EXPO and GenHKL at the
// paths Difscop.ini names (directories with blanks and quotes in their names).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "indexing/cell_expo_commands.h"
#include "indexing/cellref_commands.h"
#include "indexing/run_commands.h"
#include "indexing/tool_commands.h"
#include "indexing_test_support.h"
#include "platform/indexing_dialogs.h"
#include "platform/scripted_platform.h"
#include "settings/settings_file.h"
#include "textio/text_writer.h"

using namespace difscop::indexing;
using difscop::platform::ExpoInputDialog;
using difscop::platform::ScriptedPlatform;
using indexing_test::Slurp;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Programs started without waiting finish in their own time.
bool Eventually(const std::function<bool()>& done) {
  for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(20ms);
  return done();
}

class Chain : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path start = dir_.path();
    const std::pair<std::string, std::string> programs[] = {
        {"Ito13.exe", "."}, {"Treor90.exe", "."},  {"Dicvol91.exe", "."},
        {"editor", "."},    {"Cell", "cell prog"}, {"CellRef", "cell\"ref"},
        {"EXPO", "expo"},   {"GenHKL", "gen hkl"}};
    std::string ini = "[Editor]\nEditor=" + (start / "editor").string() + "\n";
    for (const auto& [name, dir] : programs) {
      fs::create_directories(start / dir);
      fs::copy_file(indexing_test::kStandinDir / name, start / dir / name);
      if (dir != ".") ini += "[" + name + "]\n" + name + "=" + (start / dir / name).string() + "\n";
    }
    fs::create_directory(start / "cell prog" / "Data");
    indexing_test::WriteFile(start / "Difscop.ini", ini);
    log_ = (start / "standins.log").string();
    ::setenv("DIFSCOP_STANDIN_LOG", log_.c_str(), 1);

    difscop::settings::ReadSettings(ws, platform_);
    ASSERT_EQ(platform_.messages.size(), 1u);  // the display sections, not needed here
    platform_.messages.clear();
    // Three peaks on a flat background, 10 to 40 degrees in 0.02 steps.
    ws.obsCount = 1501;
    for (int i = 1; i <= ws.obsCount; ++i) {
      const float x = 10.0f + 0.02f * static_cast<float>(i - 1);
      float y = 100.0f;
      for (float centre : {15.0f, 22.5f, 31.0f})
        y += 5000.0f * std::exp(-(x - centre) * (x - centre) / 0.01f);
      ws.obs[i] = {x, y};
    }
    std::tie(ws.stepStart, ws.stepWidth, ws.stepEnd, ws.rawLoaded) =
        std::tuple(ws.obs[1].x, ws.obs[2].x - ws.obs[1].x, ws.obs[ws.obsCount].x, 1);
  }
  void TearDown() override { ::unsetenv("DIFSCOP_STANDIN_LOG"); }

  std::vector<std::string> Log() {
    std::vector<std::string> lines;
    std::stringstream in(Slurp(log_));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  bool Logged(const std::string& line) {
    return Eventually([&] { return std::ranges::count(Log(), line) > 0; });
  }

  using Workspace_ = difscop::workspace::Workspace;
  indexing_test::StartDirectory dir_;
  std::string log_;
  ScriptedPlatform platform_;
  std::unique_ptr<Workspace_> ws_ = indexing_test::MakeWorkspace(dir_.path().string());
  Workspace_& ws = *ws_;
};

}  // namespace

TEST_F(Chain, TreorRunPrepareAndCellRefThenTheWorkingFilesGoAtExit) {
  indexing_test::SetPeaks(ws, 15.0, 22.5, 31.0);
  platform_.yesNoAnswers = {true};
  const std::string start = dir_.path().string();
  TreorRunCommand(ws, platform_);
  EXPECT_EQ(platform_.questions, std::vector<std::string>{"Do you edit input file ?"});
  // The stand-in editor returns at once, like one that hands the file to a
  // window already open: the run waits for the user's OK.
  EXPECT_EQ(platform_.messages,
            std::vector<std::string>{"The editor has returned at once.\nPress OK when you have "
                                     "finished editing Treor.dat."});
  platform_.messages.clear();
  EXPECT_EQ(platform_.waitedPrograms, (std::vector<std::string>{start + "/editor", "Treor90.exe"}));
  EXPECT_EQ(Slurp(dir_ / "Treor.dat"),
            "Treor data\r\n   15.0000\r\n   22.5000\r\n   31.0000\r\n\r\nMONO=130.0,\r\n"
            "WAVE=1.540593,\r\nCHOICE=3,\r\nEND*\r\n 0.00\r\n");
  EXPECT_EQ((std::pair<int, int>(ws.treorRunDone, ws.itoRunDone)), std::pair(1, 0));
  ASSERT_TRUE(Eventually([&] { return Log().size() >= 3; }));
  // The editor in the unquoted form, waited for; the listing shown after.
  EXPECT_EQ(Log(), (std::vector<std::string>{"editor Treor.dat", "Treor90.exe Treor",
                                             "editor " + start + "/Treor.imp"}));
  PrepareFromTreorCommand(ws, platform_);
  EXPECT_TRUE(platform_.messages.empty());
  const fs::path cellRefDir = dir_.path() / "cell\"ref";
  EXPECT_EQ(Slurp(cellRefDir / "CellRef.inp"),
            "Data from Treor\r\n2\r\n  1.540593   185.000\r\n7\r\n"
            "  5.431000   5.431000   5.431000  90.000000  90.000000  90.000000\r\n  3\r\n"
            "   1     1     0    15.000  1.0\r\n   2     1     0    22.500  1.0\r\n"
            "   3     1     0    31.000  1.0\r\n\r\n");
  EXPECT_TRUE(ws.cellRefPrepared == 1 && Logged("editor " + (cellRefDir / "CellRef.inp").string()));
  CellRefRunCommand(ws, platform_);
  ASSERT_TRUE(Eventually([&] { return fs::exists(cellRefDir / "CellRef.out"); }));
  const int before = ws.cellRefRunDone;  // not waited for: seen by the next refresh
  RefreshResultFlags(ws);
  EXPECT_EQ((std::pair<int, int>(before, ws.cellRefRunDone)), std::pair(0, 1));
  // A later command makes another directory current; the working files still go.
  GenHklRunCommand(ws, platform_);
  ASSERT_TRUE(Eventually([&] { return fs::exists(dir_.path() / "gen hkl" / "GenHKL.ran"); }));
  EXPECT_EQ(fs::current_path(), dir_.path() / "gen hkl");
  ASSERT_TRUE(fs::exists(dir_ / "Treor.con"));
  ws_.reset();
  for (const fs::path& gone :
       {dir_.path() / "Treor.dat", dir_.path() / "Treor.con", dir_.path() / "Treor.imp",
        cellRefDir / "CellRef.inp", cellRefDir / "CellRef.out"})
    EXPECT_FALSE(fs::exists(gone)) << gone;
  EXPECT_TRUE(fs::exists(dir_ / "Difscop.ini"));
}

TEST_F(Chain, ManualPeaksAreRefinedForDicvolAndIto) {
  // Two peaks picked by hand a little off their maxima (15.00 and 31.02).
  ws.manualPeakMode = 1;
  ws.manualPeakCount = 2;
  ws.peakPointIndex[1] = 251;
  ws.peakPointIndex[2] = 1052;
  ws.peakCount = 7;  // a stale automatic list
  DicvolRunCommand(ws, platform_);
  ASSERT_EQ(ws.peakCount, 2);
  const std::string picks =
      difscop::textio::Format("%10.4f\r\n%10.4f\r\n", ws.peak2Theta[1], ws.peak2Theta[2]);
  EXPECT_EQ(Slurp(dir_ / "Dicvol.dat"),
            "Dicvol data\r\n2  2 1 1 1 1 1 0\r\n0.0 0.0 0.0 0.0 0.0 0.0 0.0\r\n"
            "1.540593 0.0 0.0 0.0\r\n0.0 0.0 0.0\r\n" +
                picks);
  EXPECT_TRUE(ws.dicvolRunDone == 1 &&
              Slurp(dir_ / "Dicvol.imp").find(" 2 LINES READ") != std::string::npos);
  EXPECT_EQ(platform_.waitedPrograms, std::vector<std::string>{"Dicvol91.exe"});
  ItoRunCommand(ws, platform_);
  EXPECT_TRUE(ws.itoRunDone == 1 && platform_.messages.empty() && Logged("Ito13.exe Ito"));
  EXPECT_TRUE(Logged("Dicvol91.exe Dicvol.dat Dicvol.imp"));
}

TEST_F(Chain, CellRunPrepareExpoAndRunExpo) {
  indexing_test::SetPeaks(ws, 15.0, 22.5, 31.0);
  const fs::path cellDir = dir_.path() / "cell prog";
  CellRunCommand(ws, platform_);
  EXPECT_TRUE(ws.cellRunDone == 1 && fs::exists(cellDir / "Output.txt"));
  EXPECT_EQ(Slurp(cellDir / "Data" / "Cell.dat"),
            difscop::textio::Format("Data for CELL\r\n%8.5f,\r\n%8.5f,\r\n%8.5f,\r\n0,0\r\n",
                                    ws.peakD[1], ws.peakD[2], ws.peakD[3]));
  const fs::path dataDir = dir_.path() / "my data";
  fs::create_directory(dataDir);
  platform_.cellSolutionAnswers = {std::string("99999999999999999999"), std::string("4"),
                                   std::string(" 2")};
  platform_.expoInputAnswers.push_back([&](ExpoInputDialog& d) {
    difscop::platform::ApplyExpoBrowse(d, (dataDir / "lfp.int").string());
    d.content = "";  // refused: the dialog stays open
    return true;
  });
  platform_.expoInputAnswers.push_back([&](ExpoInputDialog& d) {
    d.content = "Si 8";
    d.spaceGroupName = "P m -3 m";
    return true;
  });
  PrepareExpoFromCellCommand(ws, platform_);
  const std::string out = "Number out of range !!!";
  EXPECT_EQ(platform_.messages, (std::vector<std::string>{out, out, "Not completetly filled !!!"}));
  ASSERT_EQ(platform_.cellSolutionsShown.size(), 1u);
  EXPECT_EQ(platform_.cellSolutionsShown[0].rows.size(), 3u);
  ASSERT_EQ(platform_.expoInputShown.size(), 1u);
  const ExpoInputDialog& shown = platform_.expoInputShown[0];
  EXPECT_EQ(shown.expectedSpaceGroup + " " + ws.solutionMerit[1], "Pm-3m 88.0");
  EXPECT_TRUE(fs::exists(dataDir / "lfp.int"));
  EXPECT_EQ(ws.expoFilePath + std::to_string(ws.expoPrepared),
            (dataDir / "lfp.exp").string() + "1");
  const std::string& a = shown.cell[0];
  EXPECT_EQ(Slurp(dataDir / "lfp.exp"),
            "%struct lfp\r\n%job  lfp\r\n%init\r\n%data\r\nrange 10.000 40.000  0.020\r\n"
            "pattern lfp.int\r\ncont Si 8\r\nwave  1.54059\r\ncell " +
                a + " " + a + " " + a + " 90.00 90.00 90.00\r\nspace P m -3 m\r\nx-ray\r\n" +
                "jump\r\n%extraction\r\n%continue\r\n");
  const fs::path expoDir = dir_.path() / "expo";
  indexing_test::WriteFile(expoDir / "SirWare.cfg", "old configuration\n");
  ExpoRunCommand(ws, platform_);
  EXPECT_EQ(Slurp(expoDir / "SirWare.cfg"),
            expoDir.string() + "\r\n" + dataDir.string() +
                "\r\nlfp.exp\r\nlfp.out\r\n 15  6Arial\r\n 15  6Courier\r\n");
  EXPECT_FALSE(fs::exists(expoDir / "SirWare.$$$"));
  EXPECT_TRUE(Eventually([&] { return fs::exists(dataDir / "lfp.out"); }));
  EXPECT_EQ(platform_.messages.size(), 3u);
  // A powder-data name without a folder: both files go to the start
  // directory, where the flags look, though EXPO's run left its own current.
  platform_.cellSolutionAnswers = {std::string("1")};
  platform_.expoInputAnswers.push_back([](ExpoInputDialog& d) {
    d.powderDataPath = d.title = "Bare";
    d.content = "Si 8";
    d.spaceGroupName = "P 1";
    return true;
  });
  PrepareExpoFromCellCommand(ws, platform_);
  EXPECT_TRUE(fs::exists(dir_.path() / "Bare"));
  EXPECT_EQ(ws.expoFilePath, (dir_.path() / "Bare.exp").string());
}

TEST_F(Chain, MissingProgramsAndPeakListsAreReportedAndTheCommandGoesOn) {
  ItoRunCommand(ws, platform_);
  TreorRunCommand(ws, platform_);
  DicvolRunCommand(ws, platform_);
  CellRunCommand(ws, platform_);
  EXPECT_EQ(platform_.messages,
            (std::vector<std::string>{
                "Ito Input File not Prepared !!!", "Treor Input File not Prepared !!!",
                "Dicvol Input File not Prepared !!!", "Do search, please !!!"}));
  EXPECT_FALSE(fs::exists(dir_ / "Ito.dat") ||
               fs::exists(dir_.path() / "cell prog" / "Data" / "Cell.dat"));
  platform_.messages.clear();
  // An empty automatic list still writes the files and runs the programs.
  indexing_test::SetPeaks(ws);
  fs::remove(dir_ / "Treor90.exe");
  TreorRunCommand(ws, platform_);
  EXPECT_EQ(platform_.Headlines(), std::vector<std::string>{"Cannot execute Treor90.exe !!!"});
  EXPECT_EQ(ws.treorRunDone, 0);
  EXPECT_TRUE(Logged("editor " + dir_ / "Treor.imp"));
  ItoRunCommand(ws, platform_);
  EXPECT_EQ(Slurp(dir_ / "Ito.dat"), "Ito data\r\n 9                    1.540593" +
                                         std::string(41, ' ') +
                                         "4.0       \r\n 0.000\r\n0.0\r\nEND\r\n");
  EXPECT_EQ(ws.itoRunDone, 1);  // the stand-in checked the 81-character line
  // Listings that are not there, and an unwritable EXPO directory.
  platform_.messages.clear();
  fs::remove(dir_ / "Ito.imp");
  PrepareFromItoCommand(ws, platform_);
  PrepareFromTreorCommand(ws, platform_);
  fs::remove(dir_.path() / "cell prog" / "Output.txt");
  PrepareExpoFromCellCommand(ws, platform_);
  ws.expoDirectory = (dir_.path() / "no such dir").string();
  ExpoRunCommand(ws, platform_);
  EXPECT_EQ(platform_.Headlines(),
            (std::vector<std::string>{"Ito.imp file not found !!!", "Treor.imp file not found !!!",
                                      ws.cellOutput + " file not found !!!",
                                      ws.expoDirectory + "/SirWare.cfg file not found !!!"}));
}

TEST_F(Chain, ToolsEditFileEditCellRefAndHelp) {
  const std::string odd = dir_ / "a \"quoted\" name; $(x).out";
  platform_.openAnswers = {odd};
  EditFileCommand(ws, platform_);
  EditCellRefFileCommand(ws, platform_);
  EXPECT_TRUE(Logged("editor " + odd));
  EXPECT_TRUE(Logged("editor " + (dir_.path() / "cell\"ref" / "CellRef.inp").string()));
  EXPECT_EQ(Log().size(), 2u);

  HelpByHtmlCommand(ws, platform_);  // no help document in this start directory
  EXPECT_EQ(platform_.messages,
            std::vector<std::string>{"Cannot execute html file !!!\n" + HelpDocumentPath(ws) +
                                     ": No such file or directory"});
  // The installed copy serves when the start directory has none.
  ws.dataDirectory = "/usr/share/difscop";
  EXPECT_EQ(HelpDocumentPath(ws), "/usr/share/difscop/DifscopHelp.html");
  std::ofstream(dir_ / "DifscopHelp.html") << "<html></html>";
  EXPECT_EQ(HelpDocumentPath(ws), dir_ / "DifscopHelp.html");
}
