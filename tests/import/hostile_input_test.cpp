// Oversized, truncated and malformed input: readers stop at the capacities,
// say so once, and never write past a table.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "import/key_scan.h"
#include "import_test_support.h"

namespace difscop::import {
namespace {

using testing::Headlines;
using testing::ReadFitted;
using testing::ReadRaw;
using Texts = std::vector<std::string>;
namespace wsp = difscop::workspace;

const std::string kPointsCut = "Only the first 99999 points were read !!!";

std::string XyLines(int n) {
  std::string text;
  // Built from integers: the test process runs under a locale with a decimal comma.
  for (int i = 1; i <= n; ++i)
    text += std::to_string(5 + i / 1000) + "." + std::to_string(1000 + i % 1000).substr(1) + " " +
            std::to_string(i) + "\n";
  return text;
}

TEST(Capacities, RawReadersStopAtTheLastPointSlot) {
  const std::string xy = XyLines(wsp::kMaxPoints + 6);
  std::string values;
  for (int i = 0; i < wsp::kMaxPoints + 4; ++i) values += "7 ";
  const std::string announced = std::to_string(wsp::kMaxPoints + 4);
  const std::string cases[][2] = {
      {"4", xy},
      {"0", "Start 5\nStep 0.001\n" + xy},
      {"1", "DTSRT\n" + xy + "DTEND\n"},
      {"5", "GENERAL\n100005\n" + xy},
      {"5", announced + " 10 0.001\n" + values},
      {"6", announced + " 10 0.001\n" + values + "\n1\n20.5\n"},
  };
  for (const auto& c : cases) {
    auto r = ReadRaw(std::stoi(c[0]), c[1]);
    ASSERT_TRUE(r->ok) << "code " << c[0];
    EXPECT_EQ(r->ws->obsCount, wsp::kMaxPoints) << "code " << c[0];
    EXPECT_EQ(r->platform.messages, Texts{kPointsCut}) << "code " << c[0];
  }
  // The simulated file's reflections still follow its oversized profile.
  auto sim = ReadRaw(kSimulated, cases[5][1]);
  EXPECT_EQ(sim->ws->reflectionCount[1], 1);
  EXPECT_FLOAT_EQ(sim->ws->reflectionPos[1][1], 20.5f);
}

TEST(Capacities, HermesHeaderAskingForAHugeGridStaysBounded) {
  std::string text =
      "Meas-start-time: x\nMeas-start-angle: 0\nMeas-end-angle: 1e6\nMeas-step-angle: 1e-3\n"
      "Comment\n\n\n";
  for (int i = 0; i < wsp::kMaxPoints + 5; ++i) text += "1 " + std::to_string(i) + ".5 5 0 0\n";
  auto r = std::make_unique<testing::ReadOutcome>();
  r->ws = testing::FreshWorkspace();
  r->platform.neutronWavelengthAnswers = {std::string("1.5")};
  ASSERT_TRUE(ReadRawPatternText(*r->ws, r->platform, kHermesNeutron, text));
  EXPECT_LE(r->ws->obsCount, wsp::kMaxPoints);
  EXPECT_EQ(r->platform.messages, Texts{kPointsCut});
}

TEST(Capacities, FittedReadersStopAtSegmentsPhasesAndReflections) {
  std::string igor = "IGOR\nBEGIN\n";
  for (int s = 0; s < 25; ++s) igor += std::to_string(10 + s) + " 1 2\nNaN\n";
  igor += "END\n";
  for (int p = 1; p <= 11; ++p) {
    igor += "WAVES/O xphase" + std::to_string(p) + "\nBEGIN\n";
    const int n = p == 1 ? 3005 : 2;
    for (int i = 0; i < n; ++i) igor += std::to_string(p * 10 + i) + "\n";
    igor += "END\n";
  }
  auto r = ReadFitted(kIgorPat, igor);
  ASSERT_TRUE(r->ok);
  const auto& ws = *r->ws;
  EXPECT_EQ(ws.segmentCount, wsp::kMaxSegments);
  int sum = 0;
  for (int k = 1; k <= ws.segmentCount; ++k) sum += ws.segmentPointCount[k];
  EXPECT_EQ(sum, ws.obsCount);
  EXPECT_EQ(ws.phaseCount, wsp::kMaxPhases);
  EXPECT_EQ(ws.reflectionCount[1], wsp::kMaxReflections);
  EXPECT_EQ(ws.reflectionCount[9], 2);
  EXPECT_EQ(r->platform.messages, (Texts{"Only the first 19 segments were read !!!",
                                         "Only the first 9 phases were read !!!",
                                         "Only the first 2999 reflections were read !!!"}));

  // FullProf lists past the capacity are read through, so the positions are right.
  std::string prf = "t\nt\n 150 10 0.001\n 1 " + std::to_string(wsp::kMaxPoints + 4) + "\n 1 0\n";
  for (int i = 0; i < 2 * (wsp::kMaxPoints + 4); ++i) prf += "3 ";
  prf += "\n7\n42.5\n";
  auto f = ReadFitted(kFullProfPrf, prf);
  ASSERT_TRUE(f->ok);
  EXPECT_EQ(f->ws->obsCount, wsp::kMaxPoints);
  EXPECT_FLOAT_EQ(f->ws->reflectionPos[1][1], 42.5f);
}

TEST(HostileInput, LongLinesHugeCountsAndTinyPatterns) {
  // A 600-character line arrives as three pieces; none is a point.
  auto longLine = ReadRaw(kXyText, std::string(600, '7') + "\n20 5\n");
  ASSERT_TRUE(longLine->ok);
  EXPECT_EQ(longLine->ws->obsCount, 1);

  // Counts far beyond what the text holds end at the text's end, and a
  // failed read never leaves a count past the capacity behind.
  const std::string rawCases[][2] = {{"5", "2147483647 10 0.01 1 2 3"},
                                     {"6", "1 10 0.01 5\n99999999\n1 2\n"},
                                     {"5", "50996 x"},
                                     {"6", "50996 0.5 x"}};
  for (const auto& c : rawCases) {
    auto r = ReadRaw(std::stoi(c[0]), c[1]);
    EXPECT_FALSE(r->ok) << c[1];
    EXPECT_LE(r->ws->obsCount, wsp::kMaxPoints) << c[1];
  }
  for (const char* text : {"t\nt\n1 2 3\n1 2147483647\n5\n1 2 3\n", "t\nt\n1 2 3\n1 50996\nx\n"}) {
    auto r = ReadFitted(kFullProfPrf, text);
    EXPECT_FALSE(r->ok);
    EXPECT_LE(r->ws->obsCount, wsp::kMaxPoints);
  }

  // One point: nothing divides by the missing second point.
  auto one = ReadRaw(kXyText, "20 5\n");
  ASSERT_TRUE(one->ok);
  EXPECT_EQ(one->ws->obsCount, 1);
  EXPECT_FLOAT_EQ(one->ws->stepStart, 20.0f);
  wsp::AutoRange(*one->ws);
  EXPECT_FLOAT_EQ(one->ws->xMax, 100.0f);
}

TEST(HostileInput, InfinityAndNanAreNeverStored) {
  // Line formats skip such a point; the angles of the others are kept.
  auto rint = ReadRaw(kRigakuRint, "Start 1\nStep 1\n10 5\nnan 6\n11 inf\n12 7\n");
  ASSERT_TRUE(rint->ok);
  ASSERT_EQ(rint->ws->obsCount, 2);
  EXPECT_FLOAT_EQ(rint->ws->obs[2].x, 12.0f);
  auto grid = ReadRaw(kRietanInt, "3 10 0.5 5 nan 7");
  ASSERT_TRUE(grid->ok);
  ASSERT_EQ(grid->ws->obsCount, 2);
  EXPECT_FLOAT_EQ(grid->ws->obs[2].x, 11.0f);
  auto igor = ReadFitted(kIgorPat,
                         "IGOR\nBEGIN\n10 1 1\n11 2 nan\nEND\nWAVES/O xphase1\nBEGIN\n"
                         "inf\n20\nEND\n");
  ASSERT_TRUE(igor->ok);
  EXPECT_EQ(igor->ws->obsCount, 1);
  EXPECT_EQ(igor->ws->reflectionCount[1], 1);

  // Headers and keyed values that are not finite fail with the format's message.
  auto header = ReadRaw(kRigakuRint, "Start inf\nStep 1\n10 5\n");
  EXPECT_EQ(header->platform.messages,
            Texts{"Not RINT Format File !!!\nline 1: no number after \"Start\""});
  EXPECT_FALSE(ReadRaw(kRietanInt, "3 nan 0.5 5 6 7")->ok);
  auto prf = ReadFitted(kFullProfPrf, "t\nt\n 80 10 0.5\n 1 2\n 0\n 5 nan 1 2\n");
  EXPECT_EQ(Headlines(prf->platform.messages), Texts{"Not FullProf Format File !!!"});
  EXPECT_FALSE(ParseKeyValue("_cell_length_a inf", "_cell_length_a").has_value());
}

TEST(HostileInput, RandomBytesNeverBreakAReader) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255), length(0, 3000);
  const std::string alphabet = "0123456789.-+eE \n\r\tNaN()ENDBEGIN";
  for (int round = 0; round < 300; ++round) {
    std::string text(length(random), '\0');
    for (char& c : text)
      c = round % 2 ? static_cast<char>(byte(random)) : alphabet[byte(random) % alphabet.size()];
    // Give the keyed formats a chance to get past their headers.
    const std::string prefixes[] = {"", "IGOR\nBEGIN\n", "Start 1\nStep 1\n", "DTSRT\n",
                                    "GENERAL\n5\n"};
    text = prefixes[round % 5] + text;
    for (int code = 0; code < kRawFormatCount; ++code) {
      auto r = ReadRaw(code, text);
      EXPECT_LE(r->ws->obsCount, wsp::kMaxPoints);
      EXPECT_LE(r->platform.messages.size(), 2u);
    }
    for (int kind = 0; kind < kFittedFormatCount; ++kind) {
      auto r = ReadFitted(kind, text);
      EXPECT_LE(r->ws->phaseCount, wsp::kMaxPhases);
      EXPECT_LE(r->ws->segmentCount, wsp::kMaxSegments);
    }
  }
}

}  // namespace
}  // namespace difscop::import
