#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/detect.h"
#include "import/raw_reader.h"
#include "import_test_support.h"

namespace difscop::import {
namespace {

using testing::Headlines;
using testing::ReadRaw;
using Texts = std::vector<std::string>;

std::string Lines(int first, int last, const char* format) {
  std::string text;
  char buffer[64];
  for (int i = first; i <= last; ++i) {
    std::snprintf(buffer, sizeof buffer, format, i);
    text += buffer;
  }
  return text;
}

TEST(RintReader, ReadsHeaderAndPointsWhateverTheBlankLinesAndLineEnds) {
  const std::string plain = "Sample x\nStart 10.0\nStep 0.5\n10.0 100\n10.5 200\n11.0 350";
  const std::string spaced =
      "Sample x\r\nStart 10.0\r\nStep 0.5\r\n\r\n10.0 100\r\n   \r\n10.5 200\r\n\r\n11.0 350\r\n";
  for (const std::string& text : {plain, spaced}) {
    auto r = ReadRaw(kRigakuRint, text);
    ASSERT_TRUE(r->ok) << text;
    EXPECT_TRUE(r->platform.messages.empty());
    ASSERT_EQ(r->ws->obsCount, 3);
    // The last line of `plain` has no line feed: its last digit stays.
    EXPECT_FLOAT_EQ(r->ws->obs[3].y, 350.0f);
    EXPECT_FLOAT_EQ(r->ws->obs[2].x, 10.5f);
    EXPECT_FLOAT_EQ(r->ws->stepStart, 10.0f);
    EXPECT_FLOAT_EQ(r->ws->stepWidth, 0.5f);
    EXPECT_FLOAT_EQ(r->ws->stepEnd, 11.0f);
    EXPECT_EQ(r->ws->segmentCount, 1);
    EXPECT_EQ(r->ws->segmentPointCount[1], 3);
  }
}

TEST(RintReader, RefusesFilesWithoutUsableStartOrStep) {
  for (const char* text : {"10.0 100\n", "Start 10\n10.0 100\n", "Start abc\nStep 0.5\n1 2\n",
                           "Step 0.5\nStart 10\n1 2\n"}) {
    auto r = ReadRaw(kRigakuRint, text);
    EXPECT_FALSE(r->ok) << text;
    EXPECT_EQ(Headlines(r->platform.messages), Texts{"Not RINT Format File !!!"}) << text;
  }
}

TEST(RintReader, SkipsLinesThatHoldNoPointInsteadOfRepeatingTheLastOne) {
  auto r = ReadRaw(kRigakuRint, "Start 10\nStep 1\n10 5\n*COMMENT\n11 7\n12\n");
  ASSERT_TRUE(r->ok);
  ASSERT_EQ(r->ws->obsCount, 2);
  EXPECT_FLOAT_EQ(r->ws->obs[2].x, 11.0f);
  EXPECT_FLOAT_EQ(r->ws->obs[2].y, 7.0f);
}

TEST(MacReader, ReadsBetweenMarkersAndNeedsBoth) {
  auto r = ReadRaw(kMac, "head\nDTSRT\n5.0 10\n\n5.02 12\nDTEND\n9.9 99\n");
  ASSERT_TRUE(r->ok);
  ASSERT_EQ(r->ws->obsCount, 2);
  EXPECT_FLOAT_EQ(r->ws->obs[2].y, 12.0f);

  // Markers without points between them are no pattern either.
  for (const char* text : {"5.0 10\nDTEND\n", "DTSRT\n5.0 10\n5.02 12\n", "DTSRT\nDTEND\n"}) {
    auto bad = ReadRaw(kMac, text);
    EXPECT_FALSE(bad->ok);
    EXPECT_EQ(Headlines(bad->platform.messages), Texts{"Not Mac Format File !!!"});
    EXPECT_EQ(bad->ws->obsCount, 0);
  }
}

std::string RadHeader(const char* start, const char* step, int lines = 51) {
  std::string text;
  for (int i = 1; i <= lines; ++i) {
    if (i == 2)
      text += std::string(start) + "\n";
    else if (i == 42)
      text += std::string(step) + "\n";
    else
      text += "H " + std::to_string(i) + "\n";
  }
  return text;
}

TEST(RadReader, PlacesCountsTwoStepsAboveStartAndTimesFour) {
  auto r = ReadRaw(kRigakuRad, RadHeader("10.0", "0.02") + "25\n30\n\n40\n");
  ASSERT_TRUE(r->ok);
  ASSERT_EQ(r->ws->obsCount, 3);
  EXPECT_FLOAT_EQ(r->ws->obs[1].x, 10.04f);
  EXPECT_FLOAT_EQ(r->ws->obs[1].y, 100.0f);
  EXPECT_FLOAT_EQ(r->ws->obs[3].x, 10.08f);
  EXPECT_FLOAT_EQ(r->ws->obs[3].y, 160.0f);
  EXPECT_FLOAT_EQ(r->ws->stepStart, 10.04f);
}

TEST(RadReader, RefusesAHeaderWithoutStartOrStep) {
  // The header alone holds no point.
  for (const std::string& text : {RadHeader("10.0", "0.02", 30) + "25\n",
                                  RadHeader("start", "0.02") + "25\n",
                                  RadHeader("10", "") + "25\n", RadHeader("10.0", "0.02")}) {
    auto r = ReadRaw(kRigakuRad, text);
    EXPECT_FALSE(r->ok);
    EXPECT_EQ(Headlines(r->platform.messages), Texts{"Not RAD Format File !!!"});
  }
}

std::string Hermes(const std::string& header, const std::string& data) {
  return "Hermes\nMeas-start-time: 10:00\n" + header + "Comment: test\ncolumns\n-----\n" + data;
}

const char* kHeader = "Meas-start-angle: 10.0\nMeas-end-angle: 12.0\nMeas-step-angle: 0.5\n";

TEST(HermesReader, ResamplesMeasuredAnglesOntoTheHeaderGrid) {
  const std::string data =
      "1 9.9 100 0 0\n2 10.3 140 0 0\n3 10.8 240 0 0\n4 11.2 200 0 0\n5 11.7 100 0 0\n";
  auto r = std::make_unique<testing::ReadOutcome>();
  r->ws = testing::FreshWorkspace();
  r->platform.neutronWavelengthAnswers = {std::string("1.8265")};
  ASSERT_TRUE(ReadRawPatternText(*r->ws, r->platform, kHermesNeutron, Hermes(kHeader, data)));
  const auto& ws = *r->ws;
  ASSERT_EQ(ws.obsCount, 4);
  EXPECT_FLOAT_EQ(ws.obs[1].x, 10.0f);
  EXPECT_NEAR(ws.obs[1].y, 100 + 0.1 * 40 / 0.4, 1e-3);
  EXPECT_FLOAT_EQ(ws.obs[2].x, 10.5f);
  EXPECT_NEAR(ws.obs[2].y, 140 + 0.2 * 100 / 0.5, 1e-3);
  EXPECT_FLOAT_EQ(ws.obs[4].x, 11.5f);
  EXPECT_NEAR(ws.obs[4].y, 200 - 0.3 * 100 / 0.5, 1e-3);
  EXPECT_EQ(r->platform.neutronWavelengthShown, Texts{"1.54059"});
  EXPECT_FLOAT_EQ(ws.wavelength, 1.8265f);
}

TEST(HermesReader, LeavesOutGridPointsNoMeasuredIntervalEncloses) {
  // Measured from 10.6 only: 10.0 and 10.5 have no interval.
  auto r = std::make_unique<testing::ReadOutcome>();
  r->ws = testing::FreshWorkspace();
  r->platform.neutronWavelengthAnswers = {std::string("1.54059")};
  ASSERT_TRUE(ReadRawPatternText(*r->ws, r->platform, kHermesNeutron,
                                 Hermes(kHeader, "1 10.6 1 0 0\n2 11.4 9 0 0\n3 11.6 5 0 0\n")));
  ASSERT_EQ(r->ws->obsCount, 2);
  EXPECT_FLOAT_EQ(r->ws->obs[1].x, 11.0f);
  EXPECT_FLOAT_EQ(r->ws->obs[2].x, 11.5f);
  EXPECT_NEAR(r->ws->obs[2].y, 7.0, 1e-4);
}

TEST(HermesReader, CancelledWavelengthOrBrokenHeaderFails) {
  auto cancelled = ReadRaw(kHermesNeutron, Hermes(kHeader, "1 9.9 1 0 0\n2 12 1 0 0\n"));
  EXPECT_FALSE(cancelled->ok);
  EXPECT_EQ(cancelled->platform.messages, Texts{"Only Raw Data Available !!!"});
  EXPECT_FLOAT_EQ(cancelled->ws->wavelength, 1.540593f);

  const std::string broken[] = {
      "Meas-start-angle: 10\nMeas-end-angle: 12\nMeas-step-angle: 0.5\nComment\n",  // no start time
      Hermes("Meas-start-angle 10.0\nMeas-end-angle: 12.0\nMeas-step-angle: 0.5\n", ""),
      Hermes("Meas-start-angle: 10.0\nMeas-end-angle: 12.0\nMeas-step-angle: 0\n", ""),
      Hermes("Meas-start-angle: 10.0\nMeas-end-angle: 2.0\nMeas-step-angle: 0.5\n", ""),
      "Meas-start-time: x\nMeas-start-angle: 10.0\nMeas-end-angle: 12.0\nMeas-step-angle: 0.5\n",
  };
  for (const std::string& text : broken) {
    auto r = ReadRaw(kHermesNeutron, text);
    EXPECT_FALSE(r->ok) << text;
    EXPECT_EQ(Headlines(r->platform.messages), Texts{"Not Hermes Format File !!!"}) << text;
    EXPECT_TRUE(r->platform.neutronWavelengthShown.empty());
  }
}

TEST(XyReader, ReadsPairsAndRefusesValuesOutsideTheCountRange) {
  auto r = ReadRaw(kXyText, "20.0 49\r\n20.02 39\r\n\r\n20.04 31\r\n");
  ASSERT_TRUE(r->ok);
  ASSERT_EQ(r->ws->obsCount, 3);
  EXPECT_FLOAT_EQ(r->ws->obs[3].x, 20.04f);
  EXPECT_FLOAT_EQ(r->ws->stepWidth, 20.02f - 20.0f);

  // The refusal says which line and why, under the fixed text.
  const char* refused[][2] = {
      {"20.0 49\n20.02 0\n", "line 2: intensity 0 is not above zero"},
      {"-1 5\n", "line 1: angle -1 is not above zero"},
      {"20 1\r20 nan\n", "line 2: intensity nan is not a number"},
      {"20 2e7\n", "line 1: intensity 2e+07 is above 1e7"},
      {"20 5e-8\n", "line 1: intensity 5e-08 is below 1e-7"},
      {"a b\n<xml/>\n", "no data point found"},
  };
  for (const auto& [text, why] : refused) {
    auto bad = ReadRaw(kXyText, text);
    EXPECT_FALSE(bad->ok) << text;
    EXPECT_EQ(bad->platform.messages, Texts{std::string("Not xy Format File !!!\n") + why});
    EXPECT_EQ(bad->ws->obsCount, 0) << text;
  }
}

TEST(RietanIntReader, NormalFormIsAGridOfFreeFormatIntensities) {
  auto r = ReadRaw(kRietanInt, "3\n10.0 0.5\n 5 6\n7");
  ASSERT_TRUE(r->ok);
  ASSERT_EQ(r->ws->obsCount, 3);
  EXPECT_FLOAT_EQ(r->ws->obs[1].x, 10.0f);
  EXPECT_FLOAT_EQ(r->ws->obs[2].x, 10.5f);
  EXPECT_FLOAT_EQ(r->ws->obs[3].x, 11.0f);
  EXPECT_FLOAT_EQ(r->ws->obs[3].y, 7.0f);
  EXPECT_FLOAT_EQ(r->ws->stepEnd, 11.0f);

  for (const char* text : {"4 10.0 0.5 5 6 7\n", "4 10.0 0.5 5 6 x 8\n", "x 10 0.5 1\n", "3 10\n",
                           "-2 10 0.5\n", "0 10 0.5\n", "IGOR\nWAVES/D a b\nBEGIN\n10 5\n"}) {
    auto bad = ReadRaw(kRietanInt, text);
    EXPECT_FALSE(bad->ok) << text;
    EXPECT_EQ(Headlines(bad->platform.messages), Texts{"Different Format !"}) << text;
  }
  EXPECT_EQ(ReadRaw(kRietanInt, "4 10.0 0.5\n5 6\n7\n")->platform.messages,
            Texts{"Different Format !\nline 3: the file ends after 3 of 4 intensities"});
}

TEST(RietanIntReader, GeneralFormKeepsEveryDataLineIncludingTheLast) {
  const std::string text = "GENERAL\n1000\n" + Lines(1, 1000, "%d.0 %d\n");
  auto r = ReadRaw(kRietanInt, text);
  ASSERT_TRUE(r->ok);
  EXPECT_EQ(r->ws->obsCount, 1000);
  EXPECT_FLOAT_EQ(r->ws->obs[1000].x, 1000.0f);

  // Without the final line feed, and with a blank line after it.
  for (const char* tail : {"1 5\n2 6", "1 5\n2 6\n\n"}) {
    auto small = ReadRaw(kRietanInt, std::string("GENERAL\n2\n") + tail);
    ASSERT_TRUE(small->ok);
    EXPECT_EQ(small->ws->obsCount, 2) << tail;
    EXPECT_FLOAT_EQ(small->ws->obs[2].y, 6.0f);
  }
}

TEST(SimulatedReader, FillsCalcAndTheReflectionsOfOnePhase) {
  auto r = ReadRaw(kSimulated, "3 10.0 0.5\n1 50 100\n\n  \n2\n10.2\n10.9\n");
  ASSERT_TRUE(r->ok);
  const auto& ws = *r->ws;
  ASSERT_EQ(ws.obsCount, 3);
  EXPECT_FLOAT_EQ(ws.calc[2].x, 10.5f);
  EXPECT_FLOAT_EQ(ws.calc[3].y, 100.0f);
  EXPECT_FLOAT_EQ(ws.obs[3].y, 0.0f);  // obs is not touched
  EXPECT_EQ(ws.phaseCount, 1);
  EXPECT_EQ(ws.segmentCount, 1);
  EXPECT_EQ(ws.segmentPointCount[1], 3);
  ASSERT_EQ(ws.reflectionCount[1], 2);
  EXPECT_FLOAT_EQ(ws.reflectionPos[1][2], 10.9f);

  for (const char* text : {"3 10 0.5\n1 2\n", "2 10 0.5\n1 2\n", "2 10 0.5\n1 2\n\n3\n10.1\n10.2\n",
                           "2 10 0.5\n1 2\nxx\n"}) {
    auto bad = ReadRaw(kSimulated, text);
    EXPECT_FALSE(bad->ok) << text;
    EXPECT_EQ(Headlines(bad->platform.messages), Texts{"Different Format !"}) << text;
  }
}

// Layouts of GSAS raw and Rigaku exports the sample files do not show. A
// refusal is checked by a piece of its reason, a note after a read in full.
TEST(LaboratoryExports, RecordLayoutsCountsAndNotes) {
  const char* kGsas = "Not GSAS Raw Format File !!!";
  const char* kRigaku = "Not Rigaku ASC/RAS Format File !!!";
  struct Case {
    int code;
    const char* text;
    int points;  // 0: refused with `headline` and `message` in its reason
    float firstX, lastX, lastY;
    const char* headline;
    const char* message;  // the reason of a refusal, or the note after a read
  };
  const Case cases[] = {
      // STD counts with their counter numbers, in the fixed columns
      {kGsasRaw, "t\nBANK 1 3 1 CONST 1000 2.5 0 0 STD\n 2   179 1   147 1   165\n", 3, 10, 10.05f,
       165, "", ""},
      // blank-separated counts, no record type (STD)
      {kGsasRaw, "t\nBANK 1 3 1 CONST 400 1\n20 21 26\n", 3, 4, 4.02f, 26, "", ""},
      {kGsasRaw, "t\nBANK 1 2 1 CONST 1000 2.5 0 0 ESD\n     100      10     200      14\n", 2,
       10, 10.025f, 200, "", ""},
      {kGsasRaw, "t\nBANK 1 2 1 CONST 1000 2.5 0 0 ALT\n 1000 5 1 1002.5 6 1\n", 2, 10, 10.025f,
       6, "", ""},
      {kGsasRaw, "t\nBANK 1 2 2 CONS 1000 2.5 0 0 FXYE\n1000 5\n1002.5 6\n", 2, 10, 10.025f, 6, "",
       ""},
      {kGsasRaw, "t\nBANK 1 2 2 CONST 1000 2.5 0 0 FXYE\n1000 5 1\n1002.5 6 1\nBANK 2 1 1 CONST\n",
       2, 10, 10.025f, 6, "", "Only the first of 2 banks was read !!!"},
      {kGsasRaw, "t\nBANK 1 12 2 CONST 1000 2.5 0 0 STD\n1 2 3 4 5 6 7 8 9 10\n", 0, 0, 0, 0, kGsas,
       "the bank holds 10 of its 12 points"},
      {kGsasRaw, "t\nBANK 1 2 1 RALF 48008 64 64331 0.001 ALT\n1 2 3 4 5 6\n", 0, 0, 0, 0, kGsas,
       "time-of-flight"},
      {kGsasRaw, "t\nBANK 1 2 1 CONST 1000 2.5 0 0 STD\n 1 x\n", 0, 0, 0, 0, kGsas, "line 3"},
      {kRigakuAsciiRas,
       "*RAS_DATA_START\n*RAS_HEADER_START\n*MEAS_SCAN_START \"10.00\"\n*RAS_HEADER_END\n"
       "*RAS_INT_START\n10.00 5 1.0\n10.02 6 1.0\n*RAS_INT_END\n*RAS_DATA_END\n",
       2, 10, 10.02f, 6, "", ""},
      {kRigakuAsciiRas, "*RAS_INT_START\n10.00 5 1.0\n10.02 6 1.0\n", 0, 0, 0, 0, kRigaku,
       "ends before"},
      {kRigakuAsciiRas, "*START = 10\n*STOP = 10.03\n*STEP = 0.01\n*COUNT = 4\n1, 2, 3\n*END\n", 0,
       0, 0, 0, kRigaku, "\"*COUNT\" says 4, the scan holds 3"},
      {kRigakuAsciiRas,
       "*GROUP_COUNT = 2\n*START = 10\n*STOP = 10.01\n*STEP = 0.01\n*COUNT = 2\n5, 6\n*END\n"
       "*START = 20\n*STOP = 20.01\n*STEP = 0.01\n*COUNT = 2\n7, 8\n*END\n",
       2, 10, 10.01f, 6, "", "Only the first of 2 scans was read !!!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto r = ReadRaw(c.code, c.text);
    if (c.points == 0) {
      EXPECT_FALSE(r->ok);
      EXPECT_EQ(r->ws->obsCount, 0);
      ASSERT_EQ(Headlines(r->platform.messages), Texts{c.headline});
      EXPECT_NE(r->platform.messages[0].find(c.message), std::string::npos)
          << r->platform.messages[0];
      continue;
    }
    ASSERT_TRUE(r->ok) << (r->platform.messages.empty() ? "" : r->platform.messages[0]);
    EXPECT_EQ(r->platform.messages, *c.message ? Texts{c.message} : Texts{});
    ASSERT_EQ(r->ws->obsCount, c.points);
    EXPECT_NEAR(r->ws->obs[1].x, c.firstX, 1e-4);
    EXPECT_NEAR(r->ws->obs[c.points].x, c.lastX, 1e-4);
    EXPECT_FLOAT_EQ(r->ws->obs[c.points].y, c.lastY);
  }
}

// What the detection makes of files no sample is like; "" for none.
TEST(DetectFormat, WeakOrMissingSignaturesAreNotGuessed) {
  const std::pair<std::string, const char*> cases[] = {
      {"", ""},
      {std::string(300, '\0'), ""},
      {"hello\nworld\n", ""},
      {"1 2 3 4\n5 6 7 8\n9 10 11 12\n", ""},  // four columns are no (x,y) file
      {"10 5\n10.02 6\n10.04 7\n", "xy"},
      {"*RAS_DATA_START\n*RAS_INT_START\n10 5\n*RAS_INT_END\n", "rigaku"},
      {"BANK 1 2 2 CONST 1000 2.5 0 0 FXYE\n1000 5 1\n1002.5 6 1\n", "gsas"},
      {"* title\n3 10.0 0.5\n5 6 7\n", "int"},
  };
  for (const auto& [text, name] : cases) {
    SCOPED_TRACE(text);
    const auto format = DetectFormat(text, "file.dat");
    EXPECT_EQ(format ? std::string(format->name) : std::string(), name);
  }
}

TEST(RawReaderFiles, MissingFileIsReportedOnce) {
  auto ws = testing::FreshWorkspace();
  platform::ScriptedPlatform p;
  for (int code = 0; code < kRawFormatCount; ++code) {
    EXPECT_FALSE(ReadRawPattern(*ws, p, code, "/nonexistent/dir/file.dat"));
  }
  EXPECT_EQ(p.messages.size(), static_cast<std::size_t>(kRawFormatCount));
  // The file and the system's reason stand under the fixed text.
  EXPECT_EQ(Headlines(p.messages).front(), "Cannot Data File Open !!");
  EXPECT_EQ(p.messages.front().rfind("Cannot Data File Open !!\nfile.dat: ", 0), 0u);
}

}  // namespace
}  // namespace difscop::import
