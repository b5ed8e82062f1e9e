#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "import/fitted_reader.h"
#include "import/key_scan.h"
#include "import/reciprocal_cell.h"
#include "import_test_support.h"
#include "textio/line_reader.h"

namespace difscop::import {
namespace {

using testing::Headlines;
using testing::ReadFitted;
using Texts = std::vector<std::string>;

const char* kPhases =
    "WAVES/O xphase1\nBEGIN\n 21.5\n 30.25\nEND\n"
    "WAVES/O xphase2\nBEGIN\n 25.0\nEND\n";

TEST(IgorReader, ThreeColumnsFillObsAndCalcWithSegmentsAndPhases) {
  const std::string text = std::string("IGOR\nWAVES/O twoth, yobs, ycalc\nBEGIN\n") +
                           " 10.0 100 90\n 10.1 110 95\nNaN NaN NaN\n 12.0 50 55\n"
                           "NaN NaN NaN\n 14.0 70 60\n 14.1 72 61\n 14.2 74 62\nEND\n" +
                           kPhases;
  auto r = ReadFitted(kIgorPat, text);
  ASSERT_TRUE(r->ok);
  const auto& ws = *r->ws;
  EXPECT_EQ(ws.pairedIntLoad, 0);
  ASSERT_EQ(ws.obsCount, 6);
  ASSERT_EQ(ws.segmentCount, 3);
  EXPECT_EQ(ws.segmentPointCount[0], 0);
  EXPECT_EQ(ws.segmentPointCount[1], 2);
  EXPECT_EQ(ws.segmentPointCount[2], 1);
  EXPECT_EQ(ws.segmentPointCount[3], 3);
  // Points run on across segments; calc shares the angles.
  EXPECT_FLOAT_EQ(ws.obs[3].x, 12.0f);
  EXPECT_FLOAT_EQ(ws.calc[3].x, 12.0f);
  EXPECT_FLOAT_EQ(ws.calc[3].y, 55.0f);
  EXPECT_FLOAT_EQ(ws.obs[6].y, 74.0f);
  EXPECT_NEAR(ws.stepWidth, 0.1f, 1e-5);
  ASSERT_EQ(ws.phaseCount, 2);
  ASSERT_EQ(ws.reflectionCount[1], 2);
  EXPECT_FLOAT_EQ(ws.reflectionPos[1][2], 30.25f);
  ASSERT_EQ(ws.reflectionCount[2], 1);
  EXPECT_FLOAT_EQ(ws.reflectionPos[2][1], 25.0f);
  EXPECT_EQ(ws.windowTitle, "Difscop --- [File Name : fit.dat ]");
}

TEST(IgorReader, TwoColumnFileFillsOnlyCalc) {
  auto r = std::make_unique<testing::ReadOutcome>();
  r->ws = testing::FreshWorkspace();
  r->ws->obs[1] = {1.0f, 2.0f};
  r->ok = ReadFittedPatternText(*r->ws, r->platform, kIgorPat,
                                std::string("IGOR\nX x\nWAVES/O twoth, ycal\nBEGIN\n10 5\n10.5 7\n"
                                            "END\n") +
                                    kPhases);
  ASSERT_TRUE(r->ok);
  EXPECT_EQ(r->ws->pairedIntLoad, 1);
  ASSERT_EQ(r->ws->obsCount, 2);
  EXPECT_FLOAT_EQ(r->ws->calc[2].x, 10.5f);
  EXPECT_FLOAT_EQ(r->ws->calc[2].y, 7.0f);
  EXPECT_FLOAT_EQ(r->ws->obs[1].y, 2.0f);  // untouched: the "-s" start read it from the INT file
  EXPECT_FLOAT_EQ(r->ws->stepWidth, 0.5f);
}

TEST(IgorReader, IncompleteFilesAreRefused) {
  const std::string cases[] = {
      "IGOR\nWAVES/O twoth\n10 1 1\n",    // no BEGIN
      "IGOR\nBEGIN\n10 1 1\n10.1 2 2\n",  // no END
      "IGOR\nBEGIN\n10 1 1\nEND\n",       // no phase
      "IGOR\nBEGIN\nEND\nWAVES/O xphase1\nBEGIN\n20\nEND\n",  // no point
  };
  for (const std::string& text : cases) {
    auto r = ReadFitted(kIgorPat, text);
    EXPECT_FALSE(r->ok) << text;
    EXPECT_EQ(Headlines(r->platform.messages), Texts{"Rietan not complete !!"}) << text;
    EXPECT_EQ(r->ws->obsCount, 0) << text;
  }
  auto notIgor = ReadFitted(kIgorPat, " IGOR\nBEGIN\nEND\nWAVES/O xphase1\n");
  EXPECT_EQ(notIgor->platform.messages,
            Texts{"Cannot Igor File Open !!\nfit.dat: line 1 does not begin with \"IGOR\""});
  EXPECT_FALSE(notIgor->ok);
}

TEST(IgorReader, PhaseBlockRunningIntoTheEndKeepsItsReflections) {
  auto r = ReadFitted(kIgorPat, "IGOR\nBEGIN\n10 1 1\nEND\nWAVES/O xphase1\nBEGIN\n20.5\n21.5\n");
  ASSERT_TRUE(r->ok);
  EXPECT_EQ(r->ws->reflectionCount[1], 2);
}

std::string Cif(const std::string& probe, const std::string& rows, const std::string& refl,
                int points, int reflections) {
  return "data_x\n_cell_length_a 5.4321(3)\n_cell_length_b 5.4321(3)\n_cell_length_c 5.4321\n"
         "_cell_angle_alpha 90\n_cell_angle_beta 90.0(0)\n_cell_angle_gamma 90\n" +
         probe + "_pd_proc_2theta_range_min 10.0\n_pd_proc_2theta_range_max 10.2\n" +
         "_pd_proc_2theta_range_inc 0.1\n_pd_proc_number_of_points " + std::to_string(points) +
         "\n_reflns_number_observed " + std::to_string(reflections) +
         ".0\nloop_\n      _pd_meas_intensity_total\n      _pd_proc_ls_weight\n" +
         "      _pd_proc_intensity_bkg_calc\n      _pd_calc_intensity_total\n" + rows +
         "loop_\n      _refln_index_h\n      _refln_index_k\n      _refln_index_l\n" +
         "      _pd_refln_i100_meas\n" + refl;
}

TEST(GsasCifReader, ReadsProfileAndPlacesReflectionsFromTheCell) {
  const std::string rows = "120(11) 0.1 60.0 118.5\n130 0.1 60.0 128\n140(12) 0.1 60.0 141\n";
  const std::string refl = "1 0 0 1 9\n1 0 0 2 9\n1 1 1 1 9\n";
  auto r = ReadFitted(kGsasCif, Cif("_pd_instr_radiation_probe x-ray\n", rows, refl, 3, 3));
  ASSERT_TRUE(r->ok) << (r->platform.messages.empty() ? "" : r->platform.messages[0]);
  const auto& ws = *r->ws;
  ASSERT_EQ(ws.obsCount, 3);
  EXPECT_FLOAT_EQ(ws.obs[1].y, 120.0f);
  EXPECT_FLOAT_EQ(ws.obs[2].y, 130.0f);  // no uncertainty: read as the number it is
  EXPECT_FLOAT_EQ(ws.calc[1].y, 118.5f);
  EXPECT_FLOAT_EQ(ws.obs[3].x, 10.2f);
  EXPECT_FLOAT_EQ(ws.calc[3].x, ws.obs[3].x);
  EXPECT_FLOAT_EQ(ws.stepEnd, 10.2f);
  EXPECT_EQ(ws.segmentPointCount[1], 3);
  ASSERT_EQ(ws.reflectionCount[1], 3);
  const double a = 5.4321;
  auto twoTheta = [a](double lambda, double hkl2) {
    return 2.0 * std::asin(lambda * std::sqrt(hkl2) / (2.0 * a)) * 180.0 / M_PI;
  };
  EXPECT_NEAR(ws.reflectionPos[1][1], twoTheta(1.5405, 1), 2e-4);
  EXPECT_NEAR(ws.reflectionPos[1][2], twoTheta(1.5443, 1), 2e-4);
  EXPECT_NEAR(ws.reflectionPos[1][3], twoTheta(1.5405, 3), 2e-4);
}

TEST(GsasCifReader, NeutronProbeUsesItsOwnWavelength) {
  const std::string probe =
      "_pd_instr_radiation_probe neutron\n_diffrn_radiation_wavelength 1.9(1)\n";
  auto r = ReadFitted(kGsasCif, Cif(probe, "1 0 0 2\n", "1 0 0 1\n0 0 2 2\n", 1, 2));
  ASSERT_TRUE(r->ok);
  EXPECT_NEAR(r->ws->reflectionPos[1][1], 2.0 * std::asin(1.9 / (2 * 5.4321)) * 180 / M_PI, 2e-4);
  EXPECT_NEAR(r->ws->reflectionPos[1][2], 2.0 * std::asin(1.9 / 5.4321) * 180 / M_PI, 2e-4);

  // "Neutron" is not "neutron": X-ray mode, and the wavelength key is not needed.
  auto xray = ReadFitted(
      kGsasCif, Cif("_pd_instr_radiation_probe Neutron\n", "1 0 0 2\n", "1 0 0 1\n", 1, 1));
  ASSERT_TRUE(xray->ok);
  EXPECT_NEAR(xray->ws->reflectionPos[1][1], 2.0 * std::asin(1.5405 / (2 * 5.4321)) * 180 / M_PI,
              2e-4);
}

// What the fixed layout does not reach: tags by name in any order, per-point
// angles, missing values, several patterns, one block per phase.
TEST(GsasCifReader, OtherLayoutsAreReadByTagName) {
  const std::string text =
      "data_pattern\n  loop_ _diffrn_radiation_wavelength _diffrn_radiation_wavelength_id\n"
      "  1.5406 1  1.5444 2\n"
      "loop_\n   _pd_meas_2theta_scan\n   _pd_calc_intensity_total\n   _pd_meas_counts_total\n"
      " 10.0 95 100(10)\n 10.1 ? 110\n 10.2 118 120\n 10.3 130 .\n 10.4 139 140\n 10.5 151 150\n"
      "data_second_pattern\nloop_ _pd_proc_intensity_total _pd_calc_intensity_total 1 1\n"
      "data_phase_a\n_cell_angle_gamma 90 _cell_length_a 4.0 _cell_length_b 4.0\n"
      "_cell_length_c 4.0 _cell_angle_alpha 90 _cell_angle_beta 90\n"
      "loop_ _refln_index_h _refln_index_k _refln_index_l\n 1 0 0\n 1 1 1\n"
      "data_phase_b\n_cell_length_a 5 _cell_length_b 5 _cell_length_c 5\n"
      "_cell_angle_alpha 90 _cell_angle_beta 90 _cell_angle_gamma 90\n"
      "loop_ _refln_index_h _refln_index_k _refln_index_l _pd_refln_wavelength_id\n"
      " 1 0 0 1\n 1 0 0 2\n";
  auto r = ReadFitted(kGsasCif, text);
  ASSERT_TRUE(r->ok) << (r->platform.messages.empty() ? "" : r->platform.messages[0]);
  const auto& ws = *r->ws;
  EXPECT_EQ(r->platform.messages, Texts{"Only the first of 2 patterns was read !!!"});
  ASSERT_EQ(ws.obsCount, 4);
  EXPECT_FLOAT_EQ(ws.obs[2].x, 10.2f);
  EXPECT_FLOAT_EQ(ws.obs[1].y, 100.0f);
  EXPECT_FLOAT_EQ(ws.calc[4].y, 151.0f);
  ASSERT_EQ(ws.segmentCount, 3);
  EXPECT_EQ(ws.segmentPointCount[1] + ws.segmentPointCount[2], 2);
  EXPECT_EQ(ws.segmentPointCount[3], 2);
  ASSERT_EQ(ws.phaseCount, 2);
  auto twoTheta = [](double lambda, double d) { return 2 * std::asin(lambda / (2 * d)) * 180 / M_PI; };
  ASSERT_EQ(ws.reflectionCount[1], 2);
  EXPECT_NEAR(ws.reflectionPos[1][2], twoTheta(1.5406, 4.0 / std::sqrt(3.0)), 2e-4);
  ASSERT_EQ(ws.reflectionCount[2], 2);
  EXPECT_NEAR(ws.reflectionPos[2][1], twoTheta(1.5406, 5.0), 2e-4);
  EXPECT_NEAR(ws.reflectionPos[2][2], twoTheta(1.5444, 5.0), 2e-4);

  const char* refused[][2] = {
      {"data_t\nloop_ _pd_meas_time_of_flight _pd_meas_intensity_total _pd_calc_intensity_total\n"
       "1000 5 5\n",
       "Not CIF Format File !!!\nfit.dat: a time-of-flight pattern: its x is not 2theta"},
      {"data_n\n_diffrn_radiation_probe neutron\n_pd_proc_2theta_range_min 5 "
       "_pd_proc_2theta_range_inc 1\nloop_ _pd_proc_intensity_total _pd_calc_intensity_total 5 5\n"
       "loop_ _refln_d_spacing 2.0\n",
       "_diffrn_radiation_wavelength not found !!!\nfit.dat"},
      {"data_e\n_cell_length_a 4\n", "Not CIF Format File !!!\nfit.dat: no powder pattern (no "
                                      "observed intensities)"},
  };
  for (const auto& [cif, message] : refused) {
    auto bad = ReadFitted(kGsasCif, cif);
    EXPECT_FALSE(bad->ok) << cif;
    EXPECT_EQ(bad->platform.messages, Texts{message});
  }
}

TEST(GsasCifReader, UnreadableValuesAndImpossibleReflectionsAreNotStored) {
  std::string text = Cif("_pd_instr_radiation_probe x-ray\n", "1 0 0 2\n", "1 0 0 1\n", 1, 1);
  text.replace(text.find("5.4321\n"), 7, "(5)\n");
  auto r = ReadFitted(kGsasCif, text);
  EXPECT_FALSE(r->ok);
  EXPECT_EQ(Headlines(r->platform.messages), Texts{"_cell_length_c not found !!!"});

  // (9 9 9) lies beyond the reach of Cu radiation; stray rows are skipped.
  auto far = ReadFitted(kGsasCif, Cif("_pd_instr_radiation_probe x-ray\n", "1 0 0 2\n",
                                      "9 9 9 1\nh k l w\n1 1 0 1\n", 1, 3));
  ASSERT_TRUE(far->ok);
  ASSERT_EQ(far->ws->reflectionCount[1], 1);
  EXPECT_TRUE(std::isfinite(far->ws->reflectionPos[1][1]));
}

TEST(KeyScan, ValueRulesAndMissingKeys) {
  EXPECT_FLOAT_EQ(ReadKeyValue("_cell_length_a 5.4321(3)\n", "_cell_length_a"), 5.4321f);
  EXPECT_FLOAT_EQ(ReadKeyValue("_cell_length_a\t12.5\n", "_cell_length_a"), 12.5f);
  // The separator is skipped whatever it is, so a glued value loses its first digit.
  EXPECT_FLOAT_EQ(ReadKeyValue("_cell_length_a95.5\n", "_cell_length_a"), 5.5f);
  EXPECT_FALSE(ParseKeyValue("_cell_length_a (3)\n", "_cell_length_a").has_value());
  EXPECT_FALSE(ParseKeyValue("_cell_length_a", "_cell_length_a").has_value());

  textio::LineReader in("a 1\n_key 2\n_key 3\n");
  platform::ScriptedPlatform p;
  EXPECT_EQ(FindKeyLine(in, p, "_key"), "_key 2\n");
  EXPECT_EQ(FindKeyLine(in, p, "_key"), "_key 3\n");
  EXPECT_EQ(FindKeyLine(in, p, "_key"), "-1");
  EXPECT_EQ(p.messages, Texts{"_key not found !!!"});
}

TEST(ReciprocalCell, CubicAndMonoclinicCells) {
  const ReciprocalCell cubic = ComputeReciprocalCell(4.0f, 4.0f, 4.0f, 90.0f, 90.0f, 90.0f);
  EXPECT_NEAR(cubic.aStar, 0.25, 1e-6);
  EXPECT_NEAR(cubic.cStar, 0.25, 1e-6);
  EXPECT_NEAR(cubic.cosAlphaStar, 0.0, 1e-6);
  EXPECT_NEAR(cubic.cosGammaStar, 0.0, 1e-6);
  EXPECT_NEAR(ReflectionTwoTheta(cubic, 1, 0, 0, 1.5405f),
              2.0 * std::asin(1.5405 / 8.0) * 180.0 / M_PI, 1e-4);

  // Monoclinic: b* = 1/b, a* = 1/(a sin beta), cos beta* = -cos beta.
  const ReciprocalCell mono = ComputeReciprocalCell(5.0f, 6.0f, 7.0f, 90.0f, 100.0f, 90.0f);
  const double beta = 100.0 * M_PI / 180.0;
  EXPECT_NEAR(mono.bStar, 1.0 / 6.0, 1e-6);
  EXPECT_NEAR(mono.aStar, 1.0 / (5.0 * std::sin(beta)), 1e-6);
  EXPECT_NEAR(mono.cosBetaStar, -std::cos(beta), 1e-6);
  EXPECT_TRUE(std::isnan(ReflectionTwoTheta(cubic, 9, 9, 9, 1.5405f)));
}

std::string Prf(const std::string& header3, int points, int reflections,
                const std::string& numbers) {
  return "title\n3111 1.0 0.0\n" + header3 + "\n  1   " + std::to_string(points) + "  1.9 0 0\n  " +
         std::to_string(reflections) + "    0\n" + numbers;
}

TEST(FullProfReader, HeaderGivesUpperLimitFirstThenFreeFormatLists) {
  auto r = ReadFitted(kFullProfPrf,
                      Prf(" 80.0 10.0 0.02 8 0", 3, 2, " 5 6\n 7\n1 2 3 9 9\n 20.5 30.5\n"));
  ASSERT_TRUE(r->ok);
  const auto& ws = *r->ws;
  EXPECT_FLOAT_EQ(ws.stepStart, 10.0f);
  EXPECT_FLOAT_EQ(ws.stepWidth, 0.02f);
  EXPECT_FLOAT_EQ(ws.stepEnd, 80.0f);
  ASSERT_EQ(ws.obsCount, 3);
  EXPECT_FLOAT_EQ(ws.obs[3].x, 10.04f);
  EXPECT_FLOAT_EQ(ws.obs[3].y, 7.0f);
  EXPECT_FLOAT_EQ(ws.calc[1].y, 1.0f);
  EXPECT_FLOAT_EQ(ws.calc[3].y, 3.0f);
  ASSERT_EQ(ws.reflectionCount[1], 2);
  EXPECT_FLOAT_EQ(ws.reflectionPos[1][1], 20.5f);
  EXPECT_FLOAT_EQ(ws.reflectionPos[1][2], 30.5f);
}

TEST(FullProfReader, ColumnLayoutTellsPhasesByTheirMarkerRows) {
  const std::string text =
      "two phases  CELL: 4 4 4 90 90 90\n  2   3  1.54 1.54 0 0 0 0\n  1  2  0  1\n  10.0  15.0\n"
      "2Theta\tYobs\tYcal\tYobs-Ycal\tBackg\tPosr\t(hkl)\tK\n"
      "  20.00\t 100.\t 90.\t -500.\t 10.\n  20.02\t 110.\t 95.\t -500.\t 10.\n"
      "  20.04\t 120.\t 99.\t -500.\t 10.\n"
      "  20.01\t\t\t\t\t -40\t(  1  1  0)\t  0  1\n"
      "  20.015\t\t\t\t\t -20\t(  1  0  0)\t  0  1\n"
      "  20.03\t\t\t\t\t -40\t(  1  1  1)\t  0  1\n";
  auto r = ReadFitted(kFullProfPrf, text);
  ASSERT_TRUE(r->ok) << (r->platform.messages.empty() ? "" : r->platform.messages[0]);
  const auto& ws = *r->ws;
  ASSERT_EQ(ws.obsCount, 3);
  EXPECT_FLOAT_EQ(ws.obs[3].x, 20.04f);
  EXPECT_FLOAT_EQ(ws.obs[2].y, 110.0f);
  EXPECT_FLOAT_EQ(ws.calc[3].y, 99.0f);
  EXPECT_NEAR(ws.stepWidth, 0.02f, 1e-5);
  ASSERT_EQ(ws.phaseCount, 2);
  ASSERT_EQ(ws.reflectionCount[1], 1);
  EXPECT_FLOAT_EQ(ws.reflectionPos[1][1], 20.015f);
  ASSERT_EQ(ws.reflectionCount[2], 2);
  EXPECT_FLOAT_EQ(ws.reflectionPos[2][2], 20.03f);
}

TEST(FullProfReader, ShortOrBrokenFilesAreRefused) {
  const std::string cases[] = {
      Prf(" 80.0 10.0 0.02", 3, 2, " 5 6\n 7\n1 2 3 9 9\n 20.5\n"),  // a position missing
      Prf(" 80.0 10.0", 3, 0, " 5 6 7 1 2 3\n"),                     // header line 3 short
      Prf(" 80.0 10.0 0.02", 3, 0, " 5 6 7 1 x 3\n"),                // text among the numbers
      "title\nonly two lines\n",
      Prf(" 20000.0 1000.0 5", 1, 0, " 5 6\n"),  // time of flight, condensed
      "t\n1 1 1 1\n0 0 0\n T.O.F.\tYobs\tYcal\tYobs-Ycal\n 5000.2\t 0.37\t 0.40\t -3.3\n",
      Prf(" 80.0 10.0 0.02", 0, 0, ""),  // no point
  };
  for (const std::string& text : cases) {
    auto r = ReadFitted(kFullProfPrf, text);
    EXPECT_FALSE(r->ok) << text;
    EXPECT_EQ(Headlines(r->platform.messages), Texts{"Not FullProf Format File !!!"}) << text;
  }
}

}  // namespace
}  // namespace difscop::import
