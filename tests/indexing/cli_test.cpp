// difscop-cli index-input, cellref, cell-solutions and index against the
// commands, on the measured PbSO4 pattern among others.
#ifdef DIFSCOP_CLI
#include <algorithm>
#include <nlohmann/json.hpp>

#include "cli/cli_test_support.h"
#include "indexing_test_support.h"

using difscop::cli::testing::Quote;
using difscop::cli::testing::RunCli;
using indexing_test::Slurp;
namespace fs = std::filesystem;

const std::string kPattern = Quote(std::string(DIFSCOP_SOURCE_DIR) + "/examples/xy_pattern.xy");
const std::string kTrials = Quote((indexing_test::kDataDir / "treor_trials.imp").string());

TEST(IndexingCli, IndexInputAndCellRefWriteWhatTheCommandsWrite) {
  indexing_test::StartDirectory dir;
  const std::string in = " xy " + kPattern + " --out-dir " + Quote(dir.path().string());
  // Angles outside the pattern (5 to 124.988 degrees) are left out.
  auto run = RunCli("index-input dicvol" + in + " --manual '2 28.4 28.45 47.3 130 140'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, dir / "Dicvol.dat" + "\n");
  EXPECT_EQ(run.err,
            "--manual: 2 lies outside the pattern (5 to 124.988): left out\n"
            "--manual: 130 lies outside the pattern (5 to 124.988): left out\n"
            "--manual: 140 lies outside the pattern (5 to 124.988): left out\n");
  // The picks refined to the maxima near them (picked 28.448 and 47.300), as
  // the window's run refines them; 28.4 lies off any maximum and stays.
  EXPECT_EQ(Slurp(dir.path() / "Dicvol.dat"),
            "Dicvol data\r\n3  2 1 1 1 1 1 0\r\n0.0 0.0 0.0 0.0 0.0 0.0 0.0\r\n"
            "1.540593 0.0 0.0 0.0\r\n0.0 0.0 0.0\r\n   28.4000\r\n   28.4452\r\n   47.3028\r\n");
  // --wavelength is the pattern's own: the search's Ka2 dialog keeps it.
  ASSERT_EQ(RunCli("index-input ito" + in + " --wavelength 1.2").status, 0);
  EXPECT_NE(Slurp(dir.path() / "Ito.dat").find(" 1.200000 "), std::string::npos);
  indexing_test::WriteFile(dir.path() / "peaks.txt",
                           "No.  2theta     d   Intensity\n  1  36.005  2.4925     1000\n");
  run = RunCli("cellref treor " + kTrials + " --out " + Quote(dir / "CellRef.inp") +
               " --solution 2 --peaks " + Quote(dir / "peaks.txt"));
  ASSERT_EQ(run.status, 0) << run.err;
  // The Treor test's second trial, its line snapped to the peak file.
  EXPECT_EQ(Slurp(dir.path() / "CellRef.inp"),
            "Data from Treor\r\n2\r\n  1.540593   185.000\r\n2\r\n"
            "  4.123400   5.234500   6.432100  90.000000 101.250000  90.000000\r\n  1\r\n"
            "   2     1     0    36.005  1.0\r\n\r\n");
  run = RunCli("cell-solutions " + Quote(indexing_test::kDataDir / "cell_monoclinic.txt"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, " 1\t 66%\tP21/c  \t 4.1234\t 5.2345\t 6.4321\t90.00\t101.250\t90.00\n");
}

// Refusals and failures have their status, say why and write nothing; the
// measured PbSO4 X-ray pattern gives its published cell.
TEST(IndexingCli, IndexRefinesAMeasuredCellOrSaysWhyNot) {
  indexing_test::StartDirectory dir;
  const std::string none = Quote(dir / "none"),
                    pbso4 = Quote(std::string(DIFSCOP_SAMPLES_DIR) + "/fullprof_free_pbso4_xray.dat");
  const std::string index = " --cellref " + none, xy = " xy " + kPattern + " --out-dir ";
  const struct {
    std::string args;
    int status;
    const char* says;  // in the output or the messages
  } cases[] = {
      {"index-input ito" + xy + none + " --manual '28.4 x'", 2, ""},
      {"index-input shelx" + xy + none, 2, ""},
      {"index-input ito" + xy + Quote(dir / "none/dir") + " --manual 28.4", 1, ""},
      // Trial solutions without a choice, or a choice outside the list.
      {"cellref treor " + kTrials + " --out " + none, 1, ""},
      {"cellref treor " + kTrials + " --out " + none + " --solution 9", 1, ""},
      {"cell-solutions " + Quote(dir / "missing.txt"), 1, ""},
      {"index auto " + pbso4 + index, 0, "refined: "},
      {"index auto " + pbso4 + " --systems cubic" + index, 1, "No reliable solution !!!"},
      {"index xy " + kPattern + " --manual '28.4 47.3 56.1'" + index, 2, "At least 6 peaks"},
      {"index auto " + pbso4 + " --systems cubic,hexagonl" + index, 2, "unknown crystal system"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const auto run = RunCli(c.args);
    const std::string said = run.out + run.err;
    EXPECT_EQ(run.status, c.status) << said;
    EXPECT_NE(said.find(c.says), std::string::npos) << said;
    EXPECT_EQ(said.find("unit cells tested"), std::string::npos);  // the library's own words
    if (c.status != 0) {
      EXPECT_TRUE(fs::is_empty(dir.path()));
      continue;
    }
    // PbSO4, Pnma: a 8.480, b 5.399, c 6.960 published, in any order.
    const auto at = run.out.find("refined: ");
    if (at == std::string::npos) {
      ADD_FAILURE() << "no \"refined: \" line in the output:\n" << said;
      continue;
    }
    std::istringstream refined(run.out.substr(at + 9));
    std::vector<double> edges(3);
    refined >> edges[0] >> edges[1] >> edges[2];
    std::sort(edges.begin(), edges.end());
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(edges[i], (std::vector<double>{5.399, 6.960, 8.480})[i], 0.01);
    EXPECT_EQ(
        Slurp(dir / "none").rfind("Data from Difscop\r\n2\r\n  1.540593   185.000\r\n3\r\n", 0),
        0u);
    fs::remove(dir / "none");
  }
}
// Refinement results are indexed from their observed points: corundum
// (R-3c, a 4.7608, c 12.9972 in the file, neutrons at the file's 1.5402 A)
// and Y2O3 (Ia-3, a 10.608 in its header).
TEST(IndexingCli, RefinementResultsAreIndexedFromTheirObservedPoints) {
  const struct {
    const char* file;
    const char* system;
    double a, c, wavelength;
  } cases[] = {{"gsas_alumina_neutron.cif", "rhombohedral", 4.7608, 12.9972, 1.5402},
               {"fullprof_y2o3_columns.prf", "cubic", 10.608, 10.608, 1.54056}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string file = std::string(DIFSCOP_SAMPLES_DIR) + "/" + c.file;
    const auto run = RunCli("index auto " + Quote(file) + " --json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("a refinement result; its observed points are used"), std::string::npos)
        << run.err;
    const auto doc = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << run.out;
    EXPECT_NEAR(doc["wavelength"].get<double>(), c.wavelength, 1e-5);
    const auto& refined = doc["refined"];
    EXPECT_EQ(refined["system"], c.system);
    EXPECT_NEAR(refined["a"].get<double>(), c.a, 0.006);
    EXPECT_NEAR(refined["c"].get<double>(), c.c, 0.006);
  }
}
#endif
