#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "cli_test_support.h"

namespace difscop::cli {
namespace {

using namespace testing;

double Num(const std::string& s) {
  return std::strtod(s.c_str(), nullptr);
}

// Every format name over an example, and samples other programs wrote, with its reader (or the
// one "auto" picks, named first): the fields given, and a range that holds it.
TEST(CliInfo, EveryExampleAndSampleLoadsWithItsFormat) {
  const struct {
    std::string format, file;
    const char* fields;  // "name: value" lines, "|" apart; the x alone of first and last
    std::string options = "";
  } cases[] = {
      // clang-format off
      {"rint", Example("rigaku_rint.dat"), "obsCount: 4501\n|first: 10 |last: 100 "},
      {"mac", Example("mac_pattern.dat"), "obsCount: 5751\n|first: 5 |last: 120 "},
      {"rad", Example("rigaku_rad.dat"), "obsCount: 4000\n|first: 10.04 |last: 90.02 "},
      {"hermes", Example("hermes_neutron.raw"),
       "obsCount: 1400\n|first: 10 |last: 149.9 |wavelength: 1.8265\n", " --wavelength 1.8265"},
      // Without the option the dialog's pre-filled value is taken.
      {"hermes", Example("hermes_neutron.raw"), "wavelength: 1.54059\n"},
      {"xy", Example("xy_pattern.xy"), "obsCount: 19999\n|first: 5 |last: 124.988 "},
      {"int", Example("rietan_normal.int"), "obsCount: 5001\n|first: 10 |last: 110 "},
      // The simulated pattern is shown from calc, in per cent.
      {"sim", Example("simulated.sim"), "obsCount: 5001\n|yMax: 105\n|phaseCount: 1\n"},
      {"igor", Example("fit_two_phases.pat"), "obsCount: 5301\n|first: 10 |last: 120 |"
       "segmentCount: 3\n|phaseCount: 2\n|segmentPointCount: 1401 2200 1700\n"},
      {"cif", Example("gsas_fit.cif"), "obsCount: 4501\n|first: 10 |last: 100 "},
      {"prf", Example("fullprof_fit.prf"),
       "obsCount: 5001\n|first: 10 |last: 110 |fileWavelength: 1.5406\n"},
      // The wavelength a file states is kept beside the one d-spacings use.
      {"prf", Sample("pbso4_condensed_neutron.prf"),
       "obsCount: 2910\n|reflectionCount: 207\n|stepEnd: 155.45\n|wavelength: 1.54059\n"
       "|fileWavelength: 1.912\n"},
      {"prf", Sample("fullprof_y2o3_columns.prf"), "obsCount: 7345\n|fileWavelength: 1.54056\n"},
      {"auto", Sample("fullprof_pbso4_profile.cif"), "format: cif\n|fileWavelength: 1.912\n"},
      {"auto", Sample("gsas_std_pbso4_xray.gsa"), "format: gsas\n|obsCount: 6001\n|last: 160 368\n"},
      {"auto", Sample("panalytical_empyrean.xrdml"), "format: xylib\n|obsCount: 196\n"},
      // A negative intensity: opened by content and drawn over a range that reaches below zero.
      {"auto", Sample("xy_negative_value.tsv"), "format: columns\n|obsCount: 5\n|yMin: -100\n"},
      {"auto", Sample("fullprof_free_pbso4_xray.dat"), "format: free\n|obsCount: 6001\n"},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const auto run = RunCli("info " + c.format + " " + Quote(c.file) + c.options);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    std::string order;
    auto f = InfoFields(run.out, &order);
    EXPECT_EQ(order,
              std::string(c.format == "auto" ? "format " : "") +
                  "obsCount stepStart stepWidth stepEnd segmentCount segmentPointCount "
                  "phaseCount reflectionCount reflectionFirst reflectionLast wavelength " +
                  (std::string(c.fields).find("fileWavelength") != std::string::npos
                       ? "fileWavelength "
                       : "") +
                  "xMin xMax yMin yMax xTick yTick first last ");
    std::istringstream fields(c.fields);
    for (std::string field; std::getline(fields, field, '|');)
      EXPECT_NE(("\n" + run.out).find("\n" + field), std::string::npos) << field;
    // Every pattern is drawn over a range that holds it.
    EXPECT_LE(Num(f["xMin"]), Num(f["first"]));
    EXPECT_GE(Num(f["xMax"]), Num(f["last"]));
    EXPECT_GT(Num(f["yMax"]), 0.0);
    EXPECT_GT(Num(f["xTick"]), 0.0);
  }
  // Si (1 1 1) with Cu Ka1 from the cell of the CIF.
  auto cif = InfoFields(RunCli("info cif " + Quote(Example("gsas_fit.cif"))).out);
  EXPECT_NEAR(Num(cif["reflectionFirst"]),
              2 * std::asin(1.5405 * std::sqrt(3.0) / (2 * 5.43088)) * 180 / M_PI, 1e-3);
}

// Failures print the message and exit with 1, bad arguments with 2. Only what
// is a regular file is read, without waiting on what is not, and numbers are
// taken whole or refused.
TEST(CliInfo, FailuresAndRegularTextFilesOnly) {
  const Scratch scratch;
  const std::string dir = scratch.dir.string(), bom = dir + "/bom.xy", utf16 = dir + "/utf16.xy",
                    zero = dir + "/zero.xy";
  ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0644), 0);
  std::string utf16Text = "\xFF\xFE";
  for (char c : std::string("20 1\n")) utf16Text += {c, '\0'};
  WriteFile(utf16, utf16Text);
  WriteFile(bom, std::string("\xEF\xBB\xBF") + "20.0 10\n20.02 12\n");
  WriteFile(zero, "20.0 10\n20.02 0\n");
  // Above the read cap: refused as such, not cut to a front that reads as a shorter pattern.
  const std::string big = dir + "/big.xy";
  WriteFile(big, "20 5\n");
  std::filesystem::resize_file(big, std::size_t{40} << 20);
  const std::string hermes = Quote(Example("hermes_neutron.raw"));
  const struct {
    std::string args;
    int status;
    std::string said;  // expected in stderr; for a success, the obsCount
  } cases[] = {
      {"info xy " + zero, 1,
       "Not xy Format File !!!\nzero.xy, line 2: intensity 0 is not above zero\n"},
      {"info mac " + Quote(Example("rigaku_rint.dat")), 1,
       "Not Mac Format File !!!\nrigaku_rint.dat: no \"DTSRT\" line\n"},
      {"info cif /nonexistent/file.cif", 1,
       "Cannot Data File Open !!\nfile.cif: No such file or directory\n"},
      {"info auto " + Quote(Example("README.md")), 1, "File type not known !!!\n"},
      {"info nosuch " + Quote(Example("rigaku_rint.dat")), 1, ""},
      {"info xy", 2, ""},
      {"info xy " + dir + "/fifo", 1,
       "Cannot Data File Open !!\nfifo: not a regular file (a FIFO)\n"},
      {"info xy /dev/zero", 1,
       "Cannot Data File Open !!\nzero: not a regular file (a character device)\n"},
      {"info xy " + dir, 1, "not a regular file (a directory)\n"},
      {"info xy " + utf16, 1,
       "Cannot Data File Open !!\nutf16.xy: UTF-16 text; save it as UTF-8 or plain ASCII\n"},
      {"info xy " + bom, 0, "2"},
      {"info xylib " + big, 1, "Cannot Data File Open !!\nbig.xy: larger than 32 MB\n"},
      // xylib crashes on it (a double free): in its helper, not in this program.
      {"info auto " + Quote(std::string(DIFSCOP_SOURCE_DIR) + "/tests/data/xylib/uxd_counts_twice.uxd"),
       1, "Not Readable Format File !!!\nuxd_counts_twice.uxd: the reader stopped (signal "},
      // A file of another format whose numbers make no 2theta scan.
      {"info prf " + Quote(Sample("gsas_std_pbso4_xray.gsa")), 1,
       "Not FullProf Format File !!!\ngsas_std_pbso4_xray.gsa: point 2: 2theta 312 is not within "
       "0 to 180 degrees\n"},
      {"info hermes " + hermes + " --wavelength 1,5", 2, "is not a number"},
      {"export xy " + bom + " --to xy --data-type 0 --out " + dir + "/x --wavelength inf", 2,
       "is not a number"},
      {"peaks xy " + Quote(Example("xy_pattern.xy")) + " --ka1 nan", 2, "is not a number"},
  };
  for (const auto& c : cases) {
    const auto run = RunCli(c.args, 20);
    EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
    if (c.status == 0) {
      EXPECT_EQ(InfoFields(run.out)["obsCount"], c.said) << c.args;
    } else {
      EXPECT_TRUE(run.out.empty()) << c.args;
      EXPECT_NE(run.err.find(c.said), std::string::npos) << c.args << "\n" << run.err;
    }
  }
}

}  // namespace
}  // namespace difscop::cli
