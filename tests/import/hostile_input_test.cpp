// Oversized input: readers stop at the capacities and say so once (random
// bytes are the fuzz harnesses' part).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import_test_support.h"

namespace difscop::import {
namespace {

using testing::Fitted;
using testing::Raw;
using testing::Read;
using testing::Texts;
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
  std::string values, hermes = "Meas-start-time: x\nMeas-start-angle: 0\nMeas-end-angle: 1e6\n"
                               "Meas-step-angle: 1e-3\nComment\n\n\n";
  for (int i = 0; i < wsp::kMaxPoints + 5; ++i) hermes += "1 " + std::to_string(i) + ".5 5 0 0\n";
  for (int i = 0; i < wsp::kMaxPoints + 4; ++i) values += "7 ";
  const std::string announced = std::to_string(wsp::kMaxPoints + 4);
  const std::pair<int, std::string> cases[] = {
      {kXyText, xy},
      {kRigakuRint, "Start 5\nStep 0.001\n" + xy},
      {kMac, "DTSRT\n" + xy + "DTEND\n"},
      {kRietanInt, "GENERAL\n100005\n" + xy},
      {kRietanInt, announced + " 10 0.001\n" + values},
      {kSimulated, announced + " 10 0.001\n" + values + "\n1\n20.5\n"},
      {kHermesNeutron, hermes},  // a header asking for a huge grid
  };
  for (const auto& [code, text] : cases) {
    auto r = Read(Raw(code), text);
    ASSERT_TRUE(r->ok) << "code " << code;
    EXPECT_EQ(r->ws->obsCount, wsp::kMaxPoints) << "code " << code;
    EXPECT_EQ(r->platform.messages, Texts{kPointsCut}) << "code " << code;
  }
  // The simulated file's reflections still follow its oversized profile.
  auto sim = Read(Raw(kSimulated), cases[5].second);
  EXPECT_EQ(sim->ws->reflectionCount[1], 1);
  EXPECT_FLOAT_EQ(sim->ws->reflectionPos[1][1], 20.5f);
}

TEST(Capacities, FittedReadersStopAtSegmentsPhasesAndReflections) {
  std::string igor = "IGOR\nBEGIN\n";
  for (int s = 0; s < 25; ++s) igor += std::to_string(10 + s) + " 1 2\nNaN\n";
  igor += "END\n";
  for (int p = 1; p <= 11; ++p) {
    igor += "WAVES/O xphase" + std::to_string(p) + "\nBEGIN\n";
    for (int i = 0; i < (p == 1 ? 3005 : 2); ++i) igor += std::to_string(p * 10 + i) + "\n";
    igor += "END\n";
  }
  auto r = Read(Fitted(kIgorPat), igor);
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
  auto f = Read(Fitted(kFullProfPrf), prf + "\n7\n42.5\n");
  ASSERT_TRUE(f->ok);
  EXPECT_EQ(f->ws->obsCount, wsp::kMaxPoints);
  EXPECT_FLOAT_EQ(f->ws->reflectionPos[1][1], 42.5f);
}

}  // namespace
}  // namespace difscop::import
