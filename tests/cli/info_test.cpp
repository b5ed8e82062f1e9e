#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

#include "cli_test_support.h"

namespace difscop::cli {
namespace {

using testing::Example;
using testing::InfoFields;
using testing::RunCli;
using testing::Sample;

double Num(const std::string& s) {
  return std::strtod(s.c_str(), nullptr);
}

TEST(CliInfo, PrintsEveryFieldInOrder) {
  std::string order;
  const auto run = RunCli("info rint " + Example("rigaku_rint.dat"));
  ASSERT_EQ(run.status, 0) << run.err;
  InfoFields(run.out, &order);
  EXPECT_EQ(order,
            "obsCount stepStart stepWidth stepEnd segmentCount segmentPointCount phaseCount "
            "reflectionCount reflectionFirst reflectionLast wavelength xMin xMax yMin yMax xTick "
            "yTick first last ");
}

struct Expected {
  const char* format;
  const char* file;
  const char* obsCount;
  const char* first;  // x of point 1
  const char* lastX;  // x of the last point
  const char* extra;  // extra arguments
};

TEST(CliInfo, EveryExampleLoadsWithItsFormat) {
  const Expected cases[] = {
      {"rint", "rigaku_rint.dat", "4501", "10", "100", ""},
      {"mac", "mac_pattern.dat", "5751", "5", "120", ""},
      {"rad", "rigaku_rad.dat", "4000", "10.04", "90.02", ""},
      {"hermes", "hermes_neutron.raw", "1400", "10", "149.9", " --wavelength 1.8265"},
      {"xy", "xy_pattern.xy", "19999", "5", "124.988", ""},
      {"int", "rietan_normal.int", "5001", "10", "110", ""},
      {"int", "rietan_general.int", "5001", "10", "110", ""},
      {"int", "fit_calculated.int", "4501", "10", "100", ""},
      {"sim", "simulated.sim", "5001", "10", "110", ""},
      {"igor", "fit_two_phases.pat", "5301", "10", "120", ""},
      {"igor", "fit_calculated.pat", "4501", "10", "100", ""},
      {"cif", "gsas_fit.cif", "4501", "10", "100", ""},
      {"prf", "fullprof_fit.prf", "5001", "10", "110", ""},
  };
  for (const Expected& c : cases) {
    SCOPED_TRACE(c.file);
    const auto run = RunCli(std::string("info ") + c.format + " " + Example(c.file) + c.extra);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    auto f = InfoFields(run.out, nullptr);
    EXPECT_EQ(f["obsCount"], c.obsCount);
    EXPECT_EQ(f["first"].substr(0, f["first"].find(' ')), c.first);
    EXPECT_EQ(f["last"].substr(0, f["last"].find(' ')), c.lastX);
    // Every pattern is drawn over a range that holds it.
    EXPECT_LE(Num(f["xMin"]), Num(c.first));
    EXPECT_GE(Num(f["xMax"]), Num(c.lastX));
    EXPECT_GT(Num(f["yMax"]), 0.0);
    EXPECT_GT(Num(f["xTick"]), 0.0);
  }
}

TEST(CliInfo, FittedStructureAndWavelengths) {
  auto igor = InfoFields(RunCli("info igor " + Example("fit_two_phases.pat")).out, nullptr);
  EXPECT_EQ(igor["segmentCount"], "3");
  EXPECT_EQ(igor["phaseCount"], "2");
  EXPECT_EQ(igor["segmentPointCount"], "1401 2200 1700");

  // Si (1 1 1) with Cu Ka1 from the cell of the CIF.
  auto cif = InfoFields(RunCli("info cif " + Example("gsas_fit.cif")).out, nullptr);
  const double d111 = 5.43088 / std::sqrt(3.0);
  EXPECT_NEAR(Num(cif["reflectionFirst"]), 2 * std::asin(1.5405 / (2 * d111)) * 180 / M_PI, 1e-3);

  auto hermes = InfoFields(
      RunCli("info hermes " + Example("hermes_neutron.raw") + " --wavelength 1.8265").out, nullptr);
  EXPECT_EQ(hermes["wavelength"], "1.8265");
  // Without the option the dialog's pre-filled value is taken.
  auto prefilled = InfoFields(RunCli("info hermes " + Example("hermes_neutron.raw")).out, nullptr);
  EXPECT_EQ(prefilled["wavelength"], "1.54059");

  // The simulated pattern is shown from calc, in per cent.
  auto sim = InfoFields(RunCli("info sim " + Example("simulated.sim")).out, nullptr);
  EXPECT_EQ(sim["yMax"], "105");
  EXPECT_EQ(sim["phaseCount"], "1");
}

TEST(CliInfo, SampleFilesFromOtherPrograms) {
  auto rietan = InfoFields(RunCli("info int " + Sample("FapatiteE_GENERAL.int")).out, nullptr);
  EXPECT_EQ(rietan["obsCount"], "5751");
  EXPECT_EQ(rietan["last"], "130 84");
  auto prf = InfoFields(RunCli("info prf " + Sample("pbso4_condensed_neutron.prf")).out, nullptr);
  EXPECT_EQ(prf["obsCount"], "2910");
  EXPECT_EQ(prf["reflectionCount"], "207");
  EXPECT_EQ(prf["stepEnd"], "155.45");

  // auto names the reader before the usual fields, and refuses what none reads.
  for (const auto& [file, format, points] :
       {std::tuple{"rigaku_cupc.asc", "rigaku", "7601"}, {"gsas_fxye_11bm_49494pts.fxye", "gsas", "49494"},
        {"panalytical_empyrean.xrdml", "xylib", "196"}}) {
    std::string order;
    auto fields = InfoFields(RunCli(std::string("info auto ") + Sample(file)).out, &order);
    EXPECT_EQ(order.substr(0, 16), "format obsCount ") << file;
    EXPECT_EQ(fields["format"], format);
    EXPECT_EQ(fields["obsCount"], points);
  }
  const auto unknown = RunCli("info auto " + Example("README.md"));
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.err.substr(0, unknown.err.find('\n')), "File type not known !!!");
}

TEST(CliInfo, FailuresPrintTheMessageAndExitWithOne) {
  char path[] = "/tmp/difscop_cli_bad_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const char text[] = "20.0 10\n20.02 0\n";
  ASSERT_EQ(write(fd, text, sizeof text - 1), static_cast<ssize_t>(sizeof text - 1));
  close(fd);
  const auto bad = RunCli(std::string("info xy ") + path);
  std::remove(path);
  EXPECT_EQ(bad.status, 1);
  const std::string name = std::string(path).substr(5);
  EXPECT_EQ(bad.err, "Not xy Format File !!!\n" + name + ", line 2: intensity 0 is not above zero\n");
  EXPECT_TRUE(bad.out.empty());

  const auto wrongFormat = RunCli("info mac " + Example("rigaku_rint.dat"));
  EXPECT_EQ(wrongFormat.status, 1);
  EXPECT_EQ(wrongFormat.err, "Not Mac Format File !!!\nrigaku_rint.dat: no \"DTSRT\" line\n");

  const auto missing = RunCli("info cif /nonexistent/file.cif");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "Cannot Data File Open !!\nfile.cif: No such file or directory\n");

  EXPECT_EQ(RunCli("info nosuch " + Example("rigaku_rint.dat")).status, 1);
  EXPECT_EQ(RunCli("info xy").status, 2);
}

// Reading only what is a regular file, without waiting on what is not, and
// numbers taken whole or refused.
TEST(CliInfo, ReadsRegularTextFilesOnly) {
  const std::string dir = "/tmp/difscop_cli_read_" + std::to_string(getpid());
  ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
  ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0644), 0);
  auto put = [&](const char* name, const std::string& bytes) {
    FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return dir + "/" + name;
  };
  const std::string bom = put("bom.xy", "\xEF\xBB\xBF" "20.0 10\n20.02 12\n");
  const std::string utf16 = put("utf16.xy", std::string("\xFF\xFE" "2\0" "0\0 \0" "1\0\n\0", 12));
  const struct {
    std::string args;
    int status;
    std::string said;  // expected in stderr; for a success, the obsCount
  } cases[] = {
      {"info xy " + dir + "/fifo", 1, "Cannot Data File Open !!\nfifo: not a regular file (a FIFO)\n"},
      {"info xy /dev/zero", 1, "Cannot Data File Open !!\nzero: not a regular file (a character device)\n"},
      {"info xy " + dir, 1, "not a regular file (a directory)\n"},
      {"info xy " + utf16, 1, "Cannot Data File Open !!\nutf16.xy: UTF-16 text; save it as UTF-8 or plain ASCII\n"},
      {"info xy " + bom, 0, "2"},
      {"info hermes " + Example("hermes_neutron.raw") + " --wavelength 1,5", 2, "is not a number"},
      {"info hermes " + Example("hermes_neutron.raw") + " --wavelength nan", 2, "is not a number"},
      {"export xy " + bom + " --to xy --data-type 0 --out " + dir + "/x --wavelength inf", 2,
       "is not a number"},
      {"peaks xy " + Example("xy_pattern.xy") + " --ka1 nan", 2, "is not a number"},
  };
  for (const auto& c : cases) {
    const auto run = RunCli(c.args, 20);
    EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
    if (c.status == 0) {
      EXPECT_EQ(InfoFields(run.out, nullptr)["obsCount"], c.said) << c.args;
    } else {
      EXPECT_NE(run.err.find(c.said), std::string::npos) << c.args << "\n" << run.err;
    }
  }
  std::system(("rm -rf " + dir).c_str());
}

}  // namespace
}  // namespace difscop::cli
