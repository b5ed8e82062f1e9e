// Every reader over small texts: what a read stores, and what a refusal says.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "import_test_support.h"

namespace difscop::import {
namespace {

using namespace testing;
using namespace std::string_literals;

double TwoTheta(double lambda, double d) {
  return 2 * std::asin(lambda / (2 * d)) * 180 / M_PI;
}

std::string RadHeader(const char* start, const char* step, int lines = 51) {
  std::string text;
  for (int i = 1; i <= lines; ++i)
    text += (i == 2 ? start : i == 42 ? step : "H") + std::string("\n");
  return text;
}

std::string Hermes(const std::string& data, const std::string& step = "0.5") {
  return "Hermes\nMeas-start-time: 10:00\nMeas-start-angle: 10.0\nMeas-end-angle: 12.0\n"
         "Meas-step-angle: " +
         step + "\nComment: test\ncolumns\n-----\n" + data;
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
const char* kXray = "_pd_instr_radiation_probe x-ray\n";

std::string Prf(const std::string& header3, int points, int reflections,
                const std::string& numbers) {
  return "title\n3111 1.0 0.0\n" + header3 + "\n  1   " + std::to_string(points) + "  1.9 0 0\n  " +
         std::to_string(reflections) + "    0\n" + numbers;
}

const char* kIgorPhases =
    "WAVES/O xphase1\nBEGIN\n 21.5\n 30.25\nEND\nWAVES/O xphase2\nBEGIN\n 25.0\nEND\n";

// The FullProf column layout under a second line of phase and point counts.
std::string Columns(const std::string& line2) {
  return "two phases  CELL: 4 4 4 90 90 90\n" + line2 + "\n  1  2  0  1\n  10.0  15.0\n" +
         "2Theta\tYobs\tYcal\tYobs-Ycal\tBackg\tPosr\t(hkl)\tK\n"
         "  20.00\t 100.\t 90.\t -500.\t 10.\n  20.02\t 110.\t 95.\t -500.\t 10.\n"
         "  20.04\t 120.\t 99.\t -500.\t 10.\n  20.01\t\t\t\t\t -40\t(  1  1  0)\t  0  1\n"
         "  20.015\t\t\t\t\t -20\t(  1  0  0)\t  0  1\n  20.03\t\t\t\t\t -40\t(  1  1  1)\t  0  "
         "1\n";
}

struct Good {
  FileType type;
  std::string text;
  int points;
  std::vector<Pt> obs = {};
  std::vector<Pt> calc = {};
  std::vector<int> segments = {};     // points per segment; unset: one of all points
  std::vector<int> reflections = {};  // per phase, when checked
  std::vector<std::tuple<int, int, double>> positions = {};  // phase, j, position
  Texts messages = {};
  const char* detected = nullptr;  // what detection makes of "file.dat"; unset: the reader's name
};

std::string Detected(const std::string& text) {
  const auto format = DetectFormat(text, "file.dat");
  return format ? std::string(format->name) : "";
}
std::string NameOf(FileType type) {
  for (const NamedFormat& f : NamedFormats())
    if (f.type == type) return std::string(f.name);
  return "?";
}

// Points from 5 degrees in steps of 0.001, built from integers: the test
// process runs under a locale with a decimal comma.
std::string XyLines(int n) {
  std::string text;
  for (int i = 1; i <= n; ++i)
    text += std::to_string(5 + i / 1000) + "." + std::to_string(1000 + i % 1000).substr(1) + " " +
            std::to_string(i) + "\n";
  return text;
}

TEST(Readers, StoreWhatTheTextHolds) {
  const double a = 5.4321, beta = 100 * M_PI / 180;
  // Monoclinic (1 0 1): 1/d^2 = (1/a^2 + 1/c^2 - 2 cos(beta) / (a c)) / sin^2(beta).
  const double d101 = std::sin(beta) / std::sqrt(1 / 25.0 + 1 / 49.0 - 2 * std::cos(beta) / 35);
  // Oversized input: readers stop at the capacities and say so once (random
  // bytes are left to the fuzz harnesses).
  const int n = workspace::kMaxPoints;
  const std::string xy = XyLines(n + 6), announced = std::to_string(n + 4),
                    cut = "Only the first 99999 points were read !!!";
  std::string values, hermes =
                          "Meas-start-time: x\nMeas-start-angle: 0\nMeas-end-angle: 1e6\n"
                          "Meas-step-angle: 1e-3\nComment\n\n\n";
  for (int i = 0; i < n + 5; ++i) hermes += "1 " + std::to_string(i) + ".5 5 0 0\n";
  for (int i = 0; i < n + 4; ++i) values += "7 ";
  std::string igor = "IGOR\nBEGIN\n", prf = "t\nt\n 150 10 0.001\n 1 " + announced + "\n 1 0\n";
  for (int s = 0; s < 25; ++s) igor += std::to_string(10 + s) + " 1 2\nNaN\n";
  igor += "END\n";
  for (int p = 1; p <= 11; ++p) {
    igor += "WAVES/O xphase" + std::to_string(p) + "\nBEGIN\n";
    for (int i = 0; i < (p == 1 ? 3005 : 2); ++i) igor += std::to_string(p * 10 + i) + "\n";
    igor += "END\n";
  }
  for (int i = 0; i < 2 * (n + 4); ++i) prf += "3 ";
  // clang-format off
  const Good cases[] = {
      {.type = Raw(kXyText), .text = xy, .points = n, .obs = {{n, 104.999f, n}}, .messages = {cut}},
      {.type = Raw(kRigakuRint), .text = "Start 5\nStep 0.001\n" + xy, .points = n,
       .messages = {cut}},
      {.type = Raw(kMac), .text = "DTSRT\n" + xy + "DTEND\n", .points = n, .messages = {cut}},
      {.type = Raw(kRietanInt), .text = "GENERAL\n100005\n" + xy, .points = n, .messages = {cut}},
      {.type = Raw(kRietanInt), .text = announced + " 10 0.001\n" + values, .points = n,
       .messages = {cut}, .detected = "xy"},
      // The simulated file's reflections still follow its oversized profile.
      {.type = Raw(kSimulated), .text = announced + " 10 0.001\n" + values + "\n1\n20.5\n",
       .points = n, .reflections = {1}, .positions = {{1, 1, 20.5}}, .messages = {cut},
       .detected = "xy"},
      {.type = Raw(kHermesNeutron), .text = hermes, .points = n, .messages = {cut}},  // a huge grid
      {.type = Fitted(kIgorPat), .text = igor, .points = 19, .segments = std::vector(19, 1),
       .reflections = {2999, 2, 2, 2, 2, 2, 2, 2, 2},
       .messages = {"Only the first 19 segments were read !!!",
                    "Only the first 9 phases were read !!!",
                    "Only the first 2999 reflections were read !!!"}, .detected = "int"},
      // FullProf lists past the capacity are read through, so the positions are right.
      {.type = Fitted(kFullProfPrf), .text = prf + "\n7\n42.5\n", .points = n,
       .positions = {{1, 1, 42.5}}, .messages = {cut}, .detected = "columns"},
      // Blank lines, lines without a point or with one that is not finite are
      // skipped; the last line without its line feed keeps its last digit.
      {Raw(kRigakuRint), "Sample\r\nStart 10\r\nStep 1\r\n\r\n10 5\r\n*COMMENT\r\n  \r\n11 7\r\n"
       "12\r\nnan 6\r\n11 inf\r\n13 350", 3, {{1, 10, 5}, {2, 11, 7}, {3, 13, 350}}},
      {Raw(kMac), "head\nDTSRT\n5.0 10\n\n5.02 12\nDTEND\n9.9 99\n", 2,
       {{1, 5, 10}, {2, 5.02f, 12}}},
      // RAD: two steps above the start, counts times four.
      {Raw(kRigakuRad), RadHeader("10.0", "0.02") + "25\n30\n\n40\n", 3,
       {{1, 10.04f, 100}, {3, 10.08f, 160}}},
      // Hermes: measured angles resampled linearly onto the header's grid.
      {Raw(kHermesNeutron),
       Hermes("1 9.9 100 0 0\n2 10.3 140 0 0\n3 10.8 240 0 0\n4 11.2 200 0 0\n5 11.7 100 0 0\n"),
       4, {{1, 10, 110}, {2, 10.5f, 180}, {3, 11, 220}, {4, 11.5f, 140}}},
      // Grid points outside the measured range have no interval; a repeated
      // angle is an empty one, not the end of the search.
      {Raw(kHermesNeutron),
       Hermes("1 10.6 1 0 0\n2 11.0 5 0 0\n3 11.0 5 0 0\n4 11.4 9 0 0\n5 11.6 5 0 0\n"), 2,
       {{1, 11, 5}, {2, 11.5f, 7}}},
      {Raw(kXyText), "20.0 49\r\n20.02 39\r\n\r\n20.04 31\r\n", 3, {{1, 20, 49}, {3, 20.04f, 31}}},
      // A 600-character line arrives in pieces; none is a point.
      {Raw(kXyText), std::string(600, '7') + "\n20 5\n", 1, {{1, 20, 5}}},
      {.type = Raw(kRietanInt), .text = "3\n10.0 0.5\n 5 6\n7", .points = 3,
       .obs = {{1, 10, 5}, {2, 10.5f, 6}, {3, 11, 7}}, .detected = ""},
      {Raw(kRietanInt), "* title\n3 10 0.5\n5\nnan 7", 2, {{1, 10, 5}, {2, 11, 7}}},
      // Four columns are no (x,y) file to detection.
      {.type = Raw(kXyText), .text = "1 2 3 4\n5 6 7 8\n9 10 11 12\n", .points = 3,
       .obs = {{3, 9, 10}}, .detected = ""},
      {Raw(kRietanInt), "GENERAL\n3\n1 5\n\n2 6\n3 7", 3, {{2, 2, 6}, {3, 3, 7}}},
      // The simulated pattern fills calc and one phase's reflections.
      {.type = Raw(kSimulated), .text = "3 10.0 0.5\n1 50 100\n\n  \n2\n10.2\n10.9\n", .points = 3,
       .obs = {{3, 0, 0}}, .calc = {{2, 10.5f, 50}, {3, 11, 100}}, .reflections = {2},
       .positions = {{1, 1, 10.2}, {1, 2, 10.9}}, .detected = "int"},
      // GSAS raw (STD and FXYE are the samples'): blank-separated counts, ESD pairs, ALT triples.
      {Raw(kGsasRaw), "t\nBANK 1 3 1 CONST 400 1\n20 21 26\n", 3, {{1, 4, 20}, {3, 4.02f, 26}}},
      {Raw(kGsasRaw), "t\nBANK 1 2 1 CONST 1000 2.5 0 0 ESD\n     100      10     200      14\n",
       2, {{1, 10, 100}, {2, 10.025f, 200}}},
      // ALT: the angle in 1/32 centidegree, the count times 1000 (32000 is 10 degrees).
      {Raw(kGsasRaw), "t\nBANK 1 2 1 CONST 1000 0 0 0 ALT\n   32000   5000  100   32080   6500  100\n",
       2, {{1, 10, 5}, {2, 10.025f, 6.5f}}},
      // STD in its (I2,F6) columns: counter 1 and a six-digit count run together.
      {Raw(kGsasRaw),
       "t\nBANK 1 12 2 CONST 1000.0 2.0 0 0 STD\n 1123456 1123457 1123458 1123459 1123460 1123461"
       " 1123462 1123463 1123464 1123465\n 2000001     500\n",
       12, {{1, 10, 123456}, {10, 10.18f, 123465}, {11, 10.2f, 1}, {12, 10.22f, 500}}},
      {.type = Raw(kGsasRaw),
       .text = "t\nBANK 1 2 2 CONST 1000 2.5 0 0 FXYE\n1000 5 1\n1002.5 6 1\nBANK 2 1 1 CONST\n",
       .points = 2, .obs = {{2, 10.025f, 6}},
       .messages = {"Only the first of 2 banks was read !!!"}},
      {Raw(kRigakuAsciiRas),
       "*RAS_DATA_START\n*RAS_HEADER_START\n*MEAS_SCAN_START \"10.00\"\n*RAS_HEADER_END\n"
       "*RAS_INT_START\n10.00 5 1.0\n10.02 6 1.0\n*RAS_INT_END\n*RAS_DATA_END\n", 2,
       {{1, 10, 5}, {2, 10.02f, 6}}},
      {.type = Raw(kRigakuAsciiRas),
       .text = "*GROUP_COUNT = 2\n*START = 10\n*STOP = 10.01\n*STEP = 0.01\n*COUNT = 2\n5, 6\n"
               "*END\n*START = 20\n*STOP = 20.01\n*STEP = 0.01\n*COUNT = 2\n7, 8\n*END\n",
       .points = 2, .obs = {{1, 10, 5}, {2, 10.01f, 6}},
       .messages = {"Only the first of 2 scans was read !!!"}},
      // Igor: NaN lines end segments, points run on across them.
      {.type = Fitted(kIgorPat),
       .text = std::string("IGOR\nWAVES/O twoth, yobs, ycalc\nBEGIN\n 10.0 100 90\n 10.1 110 95\n"
                           "NaN NaN NaN\n 12.0 50 55\nNaN NaN NaN\n 14.0 70 60\n 14.1 72 61\n"
                           " 14.2 74 62\nEND\n") + kIgorPhases,
       .points = 6, .obs = {{3, 12, 50}, {6, 14.2f, 74}}, .calc = {{3, 12, 55}},
       .segments = {2, 1, 3}, .reflections = {2, 1}, .positions = {{1, 2, 30.25}, {2, 1, 25}}},
      // A phase block running into the end keeps its reflections; values not finite are skipped.
      {.type = Fitted(kIgorPat),
       .text = "IGOR\nBEGIN\n10 1 1\n11 2 nan\nEND\nWAVES/O xphase1\nBEGIN\ninf\n20.5\n21.5\n",
       .points = 1, .reflections = {2}, .detected = "int"},
      // The fixed GSAS layout: rows by number, reflections from the cell, the Cu pair by
      // wavelength number.
      {.type = Fitted(kGsasCif),
       .text = Cif(kXray, "120(11) 0.1 60.0 118.5\n130 0.1 60.0 128\n140(12) 0.1 60.0 141\n",
                   "1 0 0 1 9\n1 0 0 2 9\n1 1 1 1 9\n", 3, 3),
       .points = 3, .obs = {{1, 10, 120}, {2, 10.1f, 130}, {3, 10.2f, 140}},
       .calc = {{1, 10, 118.5f}, {3, 10.2f, 141}}, .reflections = {3},
       .positions = {{1, 1, TwoTheta(1.5405, a)}, {1, 2, TwoTheta(1.5443, a)},
                     {1, 3, TwoTheta(1.5405, a / std::sqrt(3.0))}}},
      {.type = Fitted(kGsasCif),
       .text = Cif("_pd_instr_radiation_probe neutron\n_diffrn_radiation_wavelength 1.9(1)\n",
                   "1 0 0 2\n", "1 0 0 1\n0 0 2 2\n", 1, 2), .points = 1, .reflections = {2},
       .positions = {{1, 1, TwoTheta(1.9, a)}, {1, 2, TwoTheta(1.9, a / 2)}}},
      // (9 9 9) lies beyond the reach of Cu radiation; stray rows are skipped.
      {.type = Fitted(kGsasCif),
       .text = Cif(kXray, "1 0 0 2\n", "9 9 9 1\nh k l w\n1 1 0 1\n", 1, 3),
       .points = 1, .reflections = {1},
       .positions = {{1, 1, TwoTheta(1.5405, a / std::sqrt(2.0))}}},
      // Other CIF layouts by tag name: per-point angles, missing values,
      // several patterns, one block per phase (the second monoclinic), wavelengths by id.
      {.type = Fitted(kGsasCif),
       .text = "data_pattern\n"
               "  loop_ _diffrn_radiation_wavelength _diffrn_radiation_wavelength_id\n"
               "  1.5406 1  1.5444 2\n"
               "loop_\n   _pd_meas_2theta_scan\n   _pd_calc_intensity_total\n"
               "   _pd_meas_counts_total\n"
               " 10.0 95 100(10)\n 10.1 ? 110\n 10.2 118 120\n 10.3 130 .\n 10.4 139 140\n"
               " 10.5 151 150\n"
               "data_second_pattern\nloop_ _pd_proc_intensity_total _pd_calc_intensity_total 1 1\n"
               "data_phase_a\n_cell_angle_gamma 90 _cell_length_a 4.0 _cell_length_b 4.0\n"
               "_cell_length_c 4.0 _cell_angle_alpha 90 _cell_angle_beta 90\n"
               "loop_ _refln_index_h _refln_index_k _refln_index_l\n 1 0 0\n 1 1 1\n"
               "data_phase_b\n_cell_length_a 5 _cell_length_b 6 _cell_length_c 7\n"
               "_cell_angle_alpha 90 _cell_angle_beta 100 _cell_angle_gamma 90\n"
               "loop_ _refln_index_h _refln_index_k _refln_index_l _pd_refln_wavelength_id\n"
               " 1 0 1 1\n 0 1 0 2\n",
       .points = 4, .obs = {{1, 10, 100}, {2, 10.2f, 120}, {4, 10.5f, 150}},
       .calc = {{4, 10.5f, 151}}, .segments = {1, 1, 2}, .reflections = {2, 2},
       .positions = {{1, 2, TwoTheta(1.5406, 4 / std::sqrt(3.0))}, {2, 1, TwoTheta(1.5406, d101)},
                     {2, 2, TwoTheta(1.5444, 6)}},
       .messages = {"Only the first of 2 patterns was read !!!"}},
      // The wavelength from another block, where a row without its id is no
      // wavelength; quoted values with blanks, the last closed by the end of the text.
      {.type = Fitted(kGsasCif),
       .text = "data_inst\n_diffrn_radiation_probe neutron\n"
               "loop_ _diffrn_radiation_wavelength _diffrn_radiation_wavelength_id 1.3 ? 1.2 2\n"
               "data_p\n_pd_proc_2theta_range_min 5 _pd_proc_2theta_range_inc 1\n"
               "loop_ _pd_proc_intensity_total _pd_calc_intensity_total 5 5 6 6\n"
               "loop_ _refln_d_spacing _refln_note _pd_refln_phase_id\n"
               " 2.0 'a b' 1 1.5 \"c d\" '1'", .points = 2, .obs = {{2, 6, 6}}, .reflections = {2},
       .positions = {{1, 1, TwoTheta(1.2, 2.0)}, {1, 2, TwoTheta(1.2, 1.5)}}},
      // Without the index l (or a d-spacing) a row marks nothing, and no cell is sought.
      {.type = Fitted(kGsasCif),
       .text = "data_p\n_pd_proc_2theta_range_min 5 _pd_proc_2theta_range_inc 1\n"
               "loop_ _pd_proc_intensity_total _pd_calc_intensity_total 5 5 6 6\n"
               "loop_ _refln_index_h _refln_index_k 1 0\n", .points = 2, .reflections = {0}},
      // FullProf condensed: upper limit, start, step; then the lists.
      {.type = Fitted(kFullProfPrf),
       .text = Prf(" 80.0 10.0 0.02 8 0", 3, 2, " 5 6\n 7\n1 2 3 9 9\n 20.5 30.5\n"), .points = 3,
       .obs = {{1, 10, 5}, {3, 10.04f, 7}}, .calc = {{1, 10, 1}, {3, 10.04f, 3}},
       .reflections = {2}, .positions = {{1, 1, 20.5}, {1, 2, 30.5}}, .detected = ""},
      // FullProf columns: phases told by their marker rows, the highest first.
      {.type = Fitted(kFullProfPrf), .text = Columns("  2   3  1.54 1.54 0 0 0 0"), .points = 3,
       .obs = {{2, 20.02f, 110}, {3, 20.04f, 120}}, .calc = {{3, 20.04f, 99}},
       .reflections = {1, 2}, .positions = {{1, 1, 20.015}, {2, 1, 20.01}, {2, 2, 20.03}}},
  };
  // clang-format on
  for (const Good& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 200));
    auto r = Read(c.type, c.text);
    ASSERT_TRUE(r->ok) << ::testing::PrintToString(r->platform.messages);
    const auto& ws = *r->ws;
    EXPECT_EQ(r->platform.messages, c.messages);
    EXPECT_EQ(Detected(c.text), c.detected ? c.detected : NameOf(c.type));
    ASSERT_EQ(ws.obsCount, c.points);
    ExpectPoints(ws.obs, c.obs);
    ExpectPoints(ws.calc, c.calc);
    EXPECT_EQ(OneBased(ws.segmentPointCount, ws.segmentCount),
              c.segments.empty() ? std::vector<int>{c.points} : c.segments);
    if (!c.reflections.empty()) {
      EXPECT_EQ(OneBased(ws.reflectionCount, ws.phaseCount), c.reflections);
    }
    for (const auto& [phase, j, position] : c.positions)
      EXPECT_NEAR(ws.reflectionPos[phase][j], position, 2e-4) << phase << " " << j;
  }
}

struct Bad {
  FileType type;
  std::string text;
  std::string message;             // the only message begins with it
  const char* detected = nullptr;  // what detection makes of "file.dat", when checked
};

TEST(Readers, RefuseWithTheFormatsMessageAndKeepNothing) {
  // clang-format off
  const std::string rint = "Not RINT Format File !!!", mac = "Not Mac Format File !!!",
      rad = "Not RAD Format File !!!", hermes = "Not Hermes Format File !!!",
      xy = "Not xy Format File !!!\n", rietan = "Different Format !",
      gsas = "Not GSAS Raw Format File !!!\n", rigaku = "Not Rigaku ASC/RAS Format File !!!\n",
      igor = "Rietan not complete !!", cif = "Not CIF Format File !!!\nfit.dat: ",
      prf = "Not FullProf Format File !!!",
      counts = prf + "\nfit.dat, line 2: no phase and point counts";
  std::string cellless = Cif(kXray, "1 1 0 2\n", "1 0 0 1\n", 1, 1);
  cellless.replace(cellless.find("5.4321\n"), 7, "(5)\n");
  const Bad cases[] = {
      {Raw(kRigakuRint), "Start 10\n10.0 100\n", rint},
      {Raw(kRigakuRint), "Start abc\nStep 0.5\n1 2\n", rint},
      {Raw(kRigakuRint), "Step 0.5\nStart 10\n1 2\n", rint},
      {Raw(kRigakuRint), "Start inf\nStep 1\n10 5\n", rint + "\nline 1: no number after \"Start\""},
      {Raw(kMac), "5.0 10\nDTEND\n", mac}, {Raw(kMac), "DTSRT\n5.0 10\n5.02 12\n", mac},
      {Raw(kRigakuRad), RadHeader("10.0", "0.02", 30) + "25\n", rad},
      {Raw(kRigakuRad), RadHeader("start", "0.02") + "25\n", rad},
      {Raw(kRigakuRad), RadHeader("10", "") + "25\n", rad},
      {Raw(kHermesNeutron),
       "Meas-start-angle: 10\nMeas-end-angle: 12\nMeas-step-angle: 0.5\nComment\n", hermes},
      {Raw(kHermesNeutron), "Meas-start-time: x\nMeas-start-angle: 10.0\nMeas-end-angle: 12.0\n",
       hermes},
      {Raw(kHermesNeutron), Hermes("", "0"), hermes},
      {Raw(kHermesNeutron), Hermes("1 9.9 1 0 0\n", "x"), hermes},
      {Raw(kXyText), "-1 5\n", xy + "line 1: angle -1 is not above zero"},
      {Raw(kXyText), "20 1\r20 nan\n", xy + "line 2: intensity nan is not a number"},
      {Raw(kXyText), "20 2e7\n", xy + "line 1: intensity 2e+07 is above 1e7"},
      {Raw(kXyText), "20 5e-8\n", xy + "line 1: intensity 5e-08 is below 1e-7"},
      {Raw(kXyText), "a b\n<xml/>\n", xy + "no data point found", ""},
      {Raw(kXyText), "", xy + "no data point found", ""},
      // A NUL ends a line for the number scanning: what stands behind it would go unseen.
      {Raw(kXyText), std::string(300, '\0'), xy + "line 1: the line holds a NUL byte", ""},
      {Raw(kXyText), "20 5\r\n21 6\r22 7\n23 \0-1\n"s, xy + "line 4: the line holds a NUL byte"},
      {Fitted(kIgorPat), "IGOR\nBEGIN\n10 1 1\0\nEND\n"s,
       "Cannot Igor File Open !!\nfit.dat, line 3: the line holds a NUL byte"},
      // No pattern holds a 2theta outside 0 to 180 degrees or a step beyond that range.
      {Raw(kRigakuRint), "Start 0\nStep 1\n0 5\n1 6\n",
       rint + "\npoint 1: 2theta 0 is not within 0 to 180 degrees"},
      {Raw(kRietanInt), "3 170 5\n1 2 3\n", rietan + "\npoint 3: 2theta 180 is not within 0 to 180"},
      {Raw(kGsasRaw), "t\nBANK 1 2 1 CONST 17000 20000 0 0 STD\n 1 2\n",
       gsas + "point 2: 2theta 370 is not within"},
      {Fitted(kGsasCif), "data_p\n_pd_proc_2theta_range_min 5 _pd_proc_2theta_range_inc 1e308\n"
                         "loop_ _pd_proc_intensity_total _pd_calc_intensity_total 5 5\n",
       cif + "the step inf does not fit within 0 to 180 degrees"},
      // Files that end before what they declare.
      {Raw(kRietanInt), "GENERAL\n4\n10 5\n10.5 6\n11 7\n",
       rietan + "\nthe file ends after 3 of its 4 points"},
      {Raw(kSimulated), "2 10 0.5\n1 2\n3\n10.1\n", rietan + "\nline 4: the file ends after 1 of its 3 reflections"},
      {Raw(kRigakuAsciiRas), "*START = 10\n*STOP = 10.03\n*STEP = 0.01\n*COUNT = 4\n1, 2, 3\n",
       rigaku + "the file ends after 3 of its 4 points"},
      {Fitted(kGsasCif), Cif(kXray, "1 1 0 2\n", "1 0 0 1\n", 1, 3).substr(0, 999),
       "Not CIF Format File !!!\nfit.dat: the file ends after 1 of its 3 reflections"},
      {Fitted(kGsasCif), "data_p\n_pd_proc_number_of_points 3\n_pd_proc_2theta_range_min 5\n"
                         "_pd_proc_2theta_range_inc 1\n"
                         "loop_ _pd_proc_intensity_total _pd_calc_intensity_total 5 5 6 6\n",
       cif + "the file ends after 2 of its 3 points"},
      // Cut after a whole row: the range and step say how many there were.
      {Fitted(kGsasCif), "data_p\n_pd_proc_2theta_range_min 5\n_pd_proc_2theta_range_inc 0.5\n"
                         "_pd_proc_2theta_range_max 7\n"
                         "loop_ _pd_proc_intensity_total _pd_calc_intensity_total 5 5 6 6\n",
       cif + "the file ends after 2 of its 5 points"},
      {Fitted(kGsasCif), "data_p\n_pd_proc_2theta_range_min 5 _pd_proc_2theta_range_inc 1\n"
                         "loop_ _pd_proc_intensity_total _pd_calc_intensity_total 5 5 6",
       cif + "the loop of _pd_proc_intensity_total ends within row 2"},
      // A loop_ whose values come without a tag (the fuzzer's find) is refused, not read past its end.
      {Fitted(kGsasCif), "data_p\n_pd_proc_2theta_range_min 5 _pd_proc_2theta_range_inc 1\n"
                         "loop_ _pd_proc_intensity_total _pd_calc_intensity_total 5 5 6 6\nloop_ 7",
       cif + "the loop of loop_ ends within row 1"},
      {Fitted(kGsasCif), "data_p\n_pd_proc_2theta_range_min 5 _pd_proc_2theta_range_inc 1\n"
                         "_reflns_number_total 3\n"
                         "loop_ _pd_proc_intensity_total _pd_calc_intensity_total 5 5 6 6\n"
                         "loop_ _refln_d_spacing _pd_refln_phase_id 2.0 1 1.5 1",
       cif + "the file ends after 2 of its 3 reflections"},
      {Fitted(kFullProfPrf), Prf(" 80.0 10.0 0.02", 3, 2, " 5 6"),
       prf + "\nfit.dat, line 6: the file ends after 2 of its 3 points"},
      {Fitted(kFullProfPrf), Columns("  2   5"), prf + "\nfit.dat: the file ends after 3 of its 5 points"},
      {Raw(kRietanInt), "4 10.0 0.5\n5 6\n7\n",
       rietan + "\nline 3: the file ends after 3 of its 4 points"},
      {Raw(kRietanInt), "x 10 0.5 1\n", rietan}, {Raw(kRietanInt), "3 10\n", rietan},
      {Raw(kRietanInt), "0 10 0.5\n", rietan},
      {Raw(kRietanInt), "IGOR\nWAVES/D a b\nBEGIN\n10 5\n", rietan},
      {Raw(kRietanInt), "GENERAL\nabc\n1 5\n",
       rietan + "\nline 2: no point count after \"GENERAL\""},
      // Counts far beyond what the text holds end at the text's end.
      {Raw(kRietanInt), "2147483647 10 0.01 1 2 3", rietan}, {Raw(kRietanInt), "50996 x", rietan},
      {Raw(kSimulated), "3 10 0.5\n1 2\n", rietan}, {Raw(kSimulated), "50996 0.5 x", rietan},
      {Raw(kSimulated), "2 10 0.5\n1 2\n\n3\n10.1\n10.2\n", rietan},
      {Raw(kSimulated), "1 10 0.01 5\n99999999\n1 2\n", rietan},
      {Raw(kGsasRaw), "t\nBANK 1 12 2 CONST 1000 2.5 0 0 STD\n1 2 3 4 5 6 7 8 9 10\n",
       gsas + "the file ends after 10 of its 12 points"},
      {Raw(kGsasRaw), "t\nBANK 1 12 2 CONST 1000 2.5 0 0 STD\n1 2 3 4 5 6 7 8 9 10\nBANK 2\n",
       gsas + "the bank holds 10 of its 12 points"},
      {Raw(kGsasRaw), "t\nBANK 1 2 1 RALF 48008 64 64331 0.001 ALT\n1 2 3 4 5 6\n",
       gsas + "line 2: a time-of-flight bank (RALF): its x is not 2theta"},
      {Raw(kGsasRaw), "t\nBANK 1 2 1 CONST 1000 2.5 0 0 STD\n 1 x\n",
       gsas + "line 3: a record that does not hold its points"},
      {Raw(kGsasRaw), "t\nBANK 1 2 1 CONST 1000 0 0 0 STD\n1 2\n",
       gsas + "line 2: a step that is not above zero"},
      // A Bruker RAW header announcing no range loads as no data block.
      {Raw(kXylib), "RAW1.01" + std::string(1000, '\0'),
       "Not Readable Format File !!!\nbruker_raw: no data block"},
      {Raw(kRigakuAsciiRas), "*RAS_INT_START\n10.00 5 1.0\n10.02 6 1.0\n",
       rigaku + "the file ends before \"*RAS_INT_END\""},
      {Raw(kRigakuAsciiRas), "*START = 10\n*STOP = 10.03\n*STEP = 0.01\n*COUNT = 4\n1, 2, 3\n*END",
       rigaku + "\"*COUNT\" says 4, the scan holds 3"},
      {Raw(kRigakuAsciiRas), "*START = 10\n*COUNT = 2\n5, 6\n", rigaku, ""},  // no "*STEP"
      {Raw(kRigakuAsciiRas), "*START = 10\n*STEP = 0.01\n*COUNT = 2.5\n1, 2\n",
       rigaku + "\"*COUNT\" 2.5 is not a point count"},
      {Fitted(kIgorPat), "IGOR\nWAVES/O twoth\n10 1 1\n", igor},                        // no BEGIN
      {Fitted(kIgorPat), "IGOR\nBEGIN\n10 1 1\nEND\n", igor},                           // no phase
      {Fitted(kIgorPat), "IGOR\nBEGIN\nEND\nWAVES/O xphase1\nBEGIN\n20\nEND\n", igor},  // no point
      {Fitted(kIgorPat), " IGOR\nBEGIN\nEND\nWAVES/O xphase1\n",
       "Cannot Igor File Open !!\nfit.dat: line 1 does not begin with \"IGOR\""},
      {Fitted(kGsasCif), cellless, "_cell_length_c not found !!!"},
      {Fitted(kGsasCif), "data_t\nloop_ _pd_meas_time_of_flight _pd_meas_intensity_total "
                         "_pd_calc_intensity_total\n1000 5 5\n",
       cif + "a time-of-flight pattern: its x is not 2theta"},
      {Fitted(kGsasCif), "data_n\n_diffrn_radiation_probe neutron\n_pd_proc_2theta_range_min 5 "
                         "_pd_proc_2theta_range_inc 1\nloop_ _pd_proc_intensity_total "
                         "_pd_calc_intensity_total 5 5\nloop_ _refln_d_spacing 2.0\n",
       "_diffrn_radiation_wavelength not found !!!\nfit.dat"},
      {Fitted(kGsasCif), "data_e\n_cell_length_a 4\n",
       cif + "no powder pattern (no observed intensities)"},
      // "data_" without a name opens no block.
      {Fitted(kGsasCif), "data_\n_pd_meas_counts_total 5\n", cif + "no powder pattern", ""},
      {Fitted(kFullProfPrf), Prf(" 80.0 10.0 0.02", 3, 2, " 5 6\n 7\n1 2 3 9 9\n 20.5\n"), prf},
      {Fitted(kFullProfPrf), Prf(" 80.0 10.0", 3, 0, " 5 6 7 1 2 3\n"), prf},
      {Fitted(kFullProfPrf), "title\nonly two lines\n", prf},
      {Fitted(kFullProfPrf), Prf(" 20000.0 1000.0 5", 1, 0, " 5 6\n"), prf},  // time of flight
      {Fitted(kFullProfPrf),
       "t\n1 1 1 1\n0 0 0\n T.O.F.\tYobs\tYcal\tYobs-Ycal\n 5000.2\t 0.37\t 0.40\t -3.3\n", prf},
      {Fitted(kFullProfPrf), Prf(" 80.0 10.0 0.02", 0, 0, ""), prf},
      {Fitted(kFullProfPrf), "t\nt\n 80 10 0.5\n 1 2\n 0\n 5 nan 1 2\n", prf},
      {Fitted(kFullProfPrf), "t\nt\n1 2 3\n1 2147483647\n5\n1 2 3\n", prf},
      {Fitted(kFullProfPrf), "t\nt\n1 2 3\n1 50996\nx\n", prf},
      {Fitted(kFullProfPrf), Columns("  1"), counts},
      {Fitted(kFullProfPrf), Columns("  0   3"), counts},
      {Fitted(kFullProfPrf), Columns("  100   3"), counts},
  };
  // clang-format on
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 200));
    auto r = Read(c.type, c.text);
    EXPECT_FALSE(r->ok);
    ASSERT_EQ(r->platform.messages.size(), 1u);
    EXPECT_EQ(r->platform.messages[0].substr(0, c.message.size()), c.message)
        << r->platform.messages[0];
    // What the reader stored before it gave up is not counted.
    EXPECT_EQ((std::vector<int>{r->ws->obsCount, r->ws->segmentCount, r->ws->reflectionCount[1]}),
              std::vector(3, 0));
    EXPECT_TRUE(r->platform.neutronWavelengthShown.empty());
    if (c.detected) {
      EXPECT_EQ(Detected(c.text), c.detected);
    }
  }
}

TEST(Readers, NeutronWavelengthIsAskedAfterTheRead) {
  const std::string text = Hermes("1 9.9 1 0 0\n2 12 1 0 0\n");
  auto r = Read(Raw(kHermesNeutron), text);
  ASSERT_TRUE(r->ok);
  EXPECT_EQ(r->platform.neutronWavelengthShown, Texts{"1.54059"});
  EXPECT_FLOAT_EQ(r->ws->wavelength, 1.8265f);
  // A field without a positive number keeps the wavelength shown; Cancel refuses.
  EXPECT_FLOAT_EQ(Read(Raw(kHermesNeutron), text, "-1")->ws->wavelength, 1.540593f);
  auto cancelled = Read(Raw(kHermesNeutron), text, std::nullopt);
  EXPECT_FALSE(cancelled->ok);
  EXPECT_EQ(cancelled->platform.messages, Texts{"Only Raw Data Available !!!"});
  EXPECT_FLOAT_EQ(cancelled->ws->wavelength, 1.540593f);
}

TEST(Readers, MissingFileIsReportedOnceWithTheSystemsReason) {
  auto ws = FreshWorkspace();
  ScriptedPlatform p;
  for (int code = 0; code < kRawFormatCount; ++code)
    EXPECT_FALSE(ReadRawPattern(*ws, p, code, "/nonexistent/dir/file.dat"));
  EXPECT_FALSE(ReadFittedPattern(*ws, p, kGsasCif, "/nonexistent/dir/file.dat"));
  for (std::string& m : p.messages)
    m = m.substr(0, m.find(": ") + 2);  // the reason is in the locale's words
  EXPECT_EQ(p.messages, Texts(kRawFormatCount + 1, "Cannot Data File Open !!\nfile.dat: "));
}

}  // namespace
}  // namespace difscop::import
