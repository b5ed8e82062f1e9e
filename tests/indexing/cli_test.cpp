// difscop-cli index-input, cellref, cell-solutions and index against the
// commands, on the measured BaSO4 pattern among others.
#ifdef DIFSCOP_CLI
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "import/open_commands.h"
#include "indexing/cellref_commands.h"
#include "indexing/run_commands.h"
#include "indexing_test_support.h"
#include "platform/scripted_platform.h"

using namespace difscop::indexing;
using difscop::platform::ScriptedPlatform;
using indexing_test::Slurp;
namespace fs = std::filesystem;

namespace {

struct CliRun {
  int status = -1;
  std::string out;  // standard output, and the messages too with withErrors
};

// Arguments are fixed texts of the test, quoted for the shell popen uses.
CliRun RunCli(const std::vector<std::string>& args, bool withErrors = false) {
  std::string command = DIFSCOP_CLI;
  for (const std::string& arg : args) command += " '" + arg + "'";
  CliRun run;
  FILE* pipe = ::popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

const std::string kPattern = std::string(DIFSCOP_SOURCE_DIR) + "/examples/xy_pattern.xy";

}  // namespace

TEST(IndexingCli, IndexInputAndCellRefWriteWhatTheCommandsWrite) {
  indexing_test::StartDirectory dir;
  const std::string out = dir.path().string();
  CliRun run = RunCli({"index-input", "dicvol", "xy", kPattern, "--out-dir", out, "--manual", "28.4 47.3"});
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.out, dir / "Dicvol.dat" + "\n");
  // The same picks in the program: the nearest points, refined by the run.
  auto ws = indexing_test::MakeWorkspace(out);
  ScriptedPlatform p;
  p.openAnswers = {kPattern};
  difscop::import::OpenRawCommand(*ws, p, 4);
  ASSERT_EQ(ws->rawLoaded, 1);
  ws->manualPeakMode = 1;
  ws->manualPeakCount = 0;
  for (float angle : {28.4f, 47.3f}) {
    int best = 1;
    for (int i = 2; i <= ws->obsCount; ++i)
      if (std::fabs(ws->obs[i].x - angle) < std::fabs(ws->obs[best].x - angle)) best = i;
    ws->peakPointIndex[++ws->manualPeakCount] = best;
  }
  EXPECT_EQ(Slurp(dir.path() / "Dicvol.dat"), IndexingInputFile(*ws, IndexingProgram::Dicvol).contents);
  // --wavelength is the pattern's own: the search's Ka2 dialog keeps it.
  ASSERT_EQ(RunCli({"index-input", "ito", "xy", kPattern, "--out-dir", out, "--wavelength", "1.2"}).status, 0);
  EXPECT_NE(Slurp(dir.path() / "Ito.dat").find(" 1.200000 "), std::string::npos);

  const std::string listing = (indexing_test::DataDir() / "treor_trials.imp").string();
  indexing_test::WriteFile(dir.path() / "peaks.txt", "No.  2theta     d   Intensity\n  1  36.005  2.4925     1000\n");
  ASSERT_EQ(RunCli({"cellref", "treor", listing, "--out", dir / "CellRef.inp", "--solution", "2",
                    "--peaks", dir / "peaks.txt"}).status, 0);
  auto peaks = indexing_test::MakeWorkspace("");
  indexing_test::SetPeaks(*peaks, 36.005);
  p.yesNoAnswers = {true};
  p.trialSolutionAnswers = {std::string("2")};
  std::optional<std::string> expected = CellRefFromTreor(*peaks, p, indexing_test::Listing("treor_trials.imp"));
  ASSERT_TRUE(expected.has_value());
  EXPECT_EQ(Slurp(dir.path() / "CellRef.inp"), *expected);
  EXPECT_NE(expected->find("  36.005"), std::string::npos);  // snapped to the peak file

  CliRun cell = RunCli({"cell-solutions", (indexing_test::DataDir() / "cell_monoclinic.txt").string()});
  EXPECT_EQ(cell.status, 0);
  EXPECT_EQ(cell.out, " 1\t 66%\tP21/c  \t 4.1234\t 5.2345\t 6.4321\t90.00\t101.250\t90.00\n");
}

TEST(IndexingCli, RefusalsAndFailuresHaveTheirStatusAndWriteNothing) {
  indexing_test::StartDirectory dir;
  const std::string listing = (indexing_test::DataDir() / "treor_trials.imp").string();
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {{"index-input", "ito", "xy", kPattern, "--out-dir", dir / "none", "--manual", "28.4 x"}, 2},
      {{"index-input", "shelx", "xy", kPattern, "--out-dir", dir / "none"}, 2},
      {{"index-input", "ito", "xy", kPattern, "--out-dir", dir / "none/dir", "--manual", "28.4"}, 1},
      // Trial solutions without a choice, or a choice outside the list.
      {{"cellref", "treor", listing, "--out", dir / "none"}, 1},
      {{"cellref", "treor", listing, "--out", dir / "none", "--solution", "9"}, 1},
      {{"cell-solutions", dir / "missing.txt"}, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunCli(c.args).status, c.status) << c.args[0] << " " << c.args[1];
    EXPECT_TRUE(fs::is_empty(dir.path())) << c.args[0] << " " << c.args[1];
  }
}

TEST(IndexingCli, IndexRefinesAMeasuredCellOrSaysWhyNot) {
  indexing_test::StartDirectory dir;
  const std::string baso4 = std::string(DIFSCOP_SAMPLES_DIR) + "/rietan_igor_text.int";
  const std::string cellref = dir / "out.inp";
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;  // in the output, messages included
  };
  const Case cases[] = {
      {{"int", baso4}, 0, "refined: "},
      {{"int", baso4, "--systems", "cubic"}, 1, "No reliable solution !!!"},
      {{"xy", kPattern, "--manual", "28.4 47.3 56.1"}, 2, "At least 6 peaks"},
      {{"int", baso4, "--wavelength", "0"}, 2, "The wavelength must be a positive number"},
      {{"int", baso4, "--systems", "cubic,hexagonl"}, 2, "unknown crystal system"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    std::vector<std::string> args = {"index"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"--cellref", cellref});
    const CliRun run = RunCli(args, true);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("unit cells tested"), std::string::npos);  // the library's own words
    EXPECT_EQ(fs::exists(cellref), c.status == 0);
    if (c.status != 0) continue;
    // BaSO4, Pnma: a 8.878, b 5.454, c 7.157 published, in any order.
    std::istringstream refined(run.out.substr(run.out.find("refined: ") + 9));
    std::vector<double> edges(3);
    refined >> edges[0] >> edges[1] >> edges[2];
    std::sort(edges.begin(), edges.end());
    EXPECT_NEAR(edges[0], 5.454, 0.01);
    EXPECT_NEAR(edges[1], 7.157, 0.01);
    EXPECT_NEAR(edges[2], 8.878, 0.01);
    EXPECT_EQ(Slurp(cellref).rfind("Data from Difscop\r\n2\r\n  1.540593   185.000\r\n3\r\n", 0), 0u);
    fs::remove(cellref);
  }
}
#endif
