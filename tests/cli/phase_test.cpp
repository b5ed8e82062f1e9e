// difscop-cli phase on the GSAS-II five-phase CIF and the GSAS alumina CIF:
// text and JSON list the same reflections; refusals name what is missing.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli_test_support.h"

namespace difscop::cli {
namespace {

using namespace testing;

const std::string kFivePhases =
    Quote(std::string(DIFSCOP_SOURCE_DIR) + "/tests/data/real/gsas2_five_phases.cif");
const std::string kAlumina =
    Quote(std::string(DIFSCOP_SOURCE_DIR) + "/tests/data/real/gsas_alumina_neutron.cif");

struct Row {
  int h, k, l, multiplicity;
  double d, twoTheta, fSquared, intensity;
};

std::vector<Row> TextRows(const std::string& out) {
  std::vector<Row> rows;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    Row r{};
    std::istringstream fields(line);
    fields >> r.h >> r.k >> r.l >> r.multiplicity >> r.d >> r.twoTheta >> r.fSquared >> r.intensity;
    if (fields) rows.push_back(r);
  }
  return rows;
}

TEST(CliPhase, TextAndJsonListTheSameReflections) {
  const std::string args = "phase " + kFivePhases +
                           " --block QPABAT1ug3_phase_1 --wavelength 1.540593 --range 20 70";
  const CliRun text = RunCli(args);
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("Quartz SiO2"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("P 32 2 1"), std::string::npos) << text.out;
  const std::vector<Row> rows = TextRows(text.out);
  const CliRun json = RunCli(args + " --json");
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json parsed = nlohmann::json::parse(json.out, nullptr, false);
  ASSERT_FALSE(parsed.is_discarded()) << json.out;
  const nlohmann::json& list = parsed["reflections"];
  ASSERT_TRUE(list.is_array());
  ASSERT_EQ(list.size(), rows.size());
  ASSERT_GT(rows.size(), 10u);
  double strongest = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    const nlohmann::json& j = list[i];
    EXPECT_EQ(j["h"].get<int>(), r.h);
    EXPECT_EQ(j["k"].get<int>(), r.k);
    EXPECT_EQ(j["l"].get<int>(), r.l);
    EXPECT_EQ(j["multiplicity"].get<int>(), r.multiplicity);
    EXPECT_NEAR(j["d"].get<double>(), r.d, 1e-5);
    EXPECT_NEAR(j["twoTheta"].get<double>(), r.twoTheta, 1e-4);
    EXPECT_NEAR(j["fSquared"].get<double>(), r.fSquared, 1e-4);
    EXPECT_NEAR(j["intensity"].get<double>(), r.intensity, 1e-3);
    EXPECT_GE(r.twoTheta, 20.0);
    EXPECT_LE(r.twoTheta, 70.0);
    strongest = std::max(strongest, r.intensity);
  }
  EXPECT_DOUBLE_EQ(strongest, 100.0);
  // Quartz's strongest line at Cu, near 26.6 degrees: 101 and 011, two
  // forms in its Laue class -3m1 at one d, listed apart as the peers do.
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(std::make_tuple(rows[1].h, rows[1].k, rows[1].l), std::make_tuple(1, 0, 1));
  EXPECT_EQ(std::make_tuple(rows[2].h, rows[2].k, rows[2].l), std::make_tuple(0, 1, 1));
  EXPECT_NEAR(rows[2].twoTheta, 26.63, 0.01);
  EXPECT_DOUBLE_EQ(rows[2].intensity, 100.0);
}

// Neutron lengths in fm: GSAS writes |F|² in units of 10^-24 cm², a
// hundredth of ours (1.0 -2 at 3.481 A: 4.969 there).
TEST(CliPhase, NeutronsOnAlumina) {
  const CliRun run = RunCli("phase " + kAlumina + " --wavelength 1.5402 --neutron --range 20 30");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<Row> rows = TextRows(run.out);
  ASSERT_EQ(rows.size(), 1u) << run.out;
  EXPECT_NEAR(rows[0].d, 3.48141, 1e-4);
  EXPECT_NEAR(rows[0].fSquared / 100, 4.969, 0.01);
  EXPECT_EQ(rows[0].multiplicity, 6);
  EXPECT_NE(run.out.find("neutrons"), std::string::npos);
}

TEST(CliPhase, RefusalsAndUsage) {
  struct Case {
    std::string args;
    int status;
    std::string said;
  } cases[] = {
      {"phase " + kAlumina, 2, "usage: difscop-cli phase"},
      {"phase --wavelength 1.54", 2, "usage: difscop-cli phase"},
      {"phase " + kAlumina + " --wavelength 1,54", 2, "not a number"},
      {"phase " + kAlumina + " --wavelength 0", 2, "--wavelength"},
      {"phase " + kAlumina + " --wavelength 1.54 --range 50 40", 2, "--range"},
      {"phase " + kFivePhases + " --block QPABAT1ug3_pwd_0 --wavelength 1.54", 1,
       "no atom sites"},
      {"phase " + kFivePhases + " --block nothing --wavelength 1.54", 1,
       "No data block nothing"},
      {"phase /nonexistent/x.cif --wavelength 1.54", 1, "/nonexistent/x.cif"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun run = RunCli(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
}

}  // namespace
}  // namespace difscop::cli

namespace difscop::cli {
namespace {

using namespace testing;

// Pixels of one colour in a 24-bit BMP (rows of blue, green, red).
int BmpPixelsOf(const std::string& bmp, int r, int g, int b) {
  if (bmp.size() < 54) return -1;
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bmp[i]); };
  const std::size_t offset = at(10) | at(11) << 8 | at(12) << 16;
  int n = 0;
  for (std::size_t i = offset; i + 2 < bmp.size(); i += 3)
    n += at(i) == b && at(i + 1) == g && at(i + 2) == r;
  return n;
}

TEST(CliPhase, RenderDrawsThePhaseOverThePattern) {
  Scratch scratch;
  const std::string start = "render cif " + kFivePhases + " --size 400x300 --wavelength 1.78892";
  CliRun run = RunCli(start + " --out " + Quote(scratch / "plain.bmp"));
  if (run.status == 2 && run.err.find("usage") != std::string::npos)
    GTEST_SKIP() << "difscop-cli built without Qt: no render subcommand";
  ASSERT_EQ(run.status, 0) << run.err;
  // Pyrite's colour, the first a phase gets: its sticks and legend line.
  EXPECT_EQ(BmpPixelsOf(Slurp(scratch / "plain.bmp"), 255, 160, 0), 0);
  run = RunCli(start + " --phase " + kFivePhases + " --block QPABAT1ug3_phase_0 --out " +
               Quote(scratch / "pyrite.bmp"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_GT(BmpPixelsOf(Slurp(scratch / "pyrite.bmp"), 255, 160, 0), 40);

  run = RunCli(start + " --phase " + kFivePhases + " --block QPABAT1ug3_pwd_0 --out " +
               Quote(scratch / "none.bmp"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("no atom sites"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(scratch / "none.bmp"));
}

}  // namespace
}  // namespace difscop::cli
