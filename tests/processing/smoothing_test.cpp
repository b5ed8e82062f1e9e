#include "processing/smoothing.h"

#include <gtest/gtest.h>

#include <cstring>

#include "pattern_fixture.h"
#include "platform/scripted_platform.h"

namespace difscop::processing {
namespace {

using testing::MakePattern;

// Normalising factors of the published quadratic/cubic smoothing table for
// 5, 7, ..., 25 points.
constexpr int kPublishedNorms[] = {35, 21, 231, 429, 143, 1105, 323, 2261, 3059, 805, 5175};

TEST(SmoothingWeights, MatchClosedFormulaAndPublishedNormsForEveryWindow) {
  for (int points = 1; points <= 25; points += 2) {
    SCOPED_TRACE(points);
    const int h = points / 2;
    const SmoothingWeights w = SavitzkyGolayWeights(points);
    ASSERT_EQ(w.weights.size(), static_cast<std::size_t>(h) + 1);
    if (points >= 5) {
      EXPECT_EQ(w.norm, kPublishedNorms[h - 2]);
    }
    double total = w.weights[0];
    for (int j = 0; j <= h; ++j) {
      const double formula = 3.0 * (3.0 * h * h + 3.0 * h - 1.0 - 5.0 * j * j) /
                             ((2.0 * h - 1.0) * (2.0 * h + 1.0) * (2.0 * h + 3.0));
      const double c = w.weights[static_cast<std::size_t>(j)];
      EXPECT_NEAR(c / w.norm, formula, 1e-12) << "j = " << j;
      EXPECT_EQ(c, std::round(c)) << "weights are whole numbers";
      if (j > 0) total += 2.0 * c;
    }
    // A smoothing filter preserves a constant.
    EXPECT_EQ(total, w.norm);
  }
  const SmoothingWeights five = SavitzkyGolayWeights(5);
  EXPECT_EQ(five.weights, (std::vector<double>{17, 12, -3}));
}

TEST(SmoothPattern, ConstantGainsOneCountOverTheValidRangeOnly) {
  for (int points : {1, 3, 5, 11, 25}) {
    SCOPED_TRACE(points);
    auto ws = MakePattern(40, 10.0f, 0.02f, [](float) { return 250.0f; });
    for (auto& p : ws->smoothed) p = {-7.0f, -7.0f};
    SmoothPattern(*ws, points);
    const int h = points / 2;
    EXPECT_EQ(ws->smoothFirst, h + 1);
    EXPECT_EQ(ws->smoothLast, 40 - h);
    for (int i = 1; i <= 40; ++i) {
      const auto& s = ws->smoothed[static_cast<std::size_t>(i)];
      if (i < h + 1 || i > 40 - h) {
        EXPECT_EQ(s.y, -7.0f) << "index " << i << " outside the valid range was written";
      } else {
        EXPECT_NEAR(s.y, 251.0f, 1e-3f) << i;
        EXPECT_EQ(s.x, ws->obs[static_cast<std::size_t>(i)].x);
      }
    }
  }
}

TEST(SmoothPattern, KeepsCubicsExactly) {
  // A cubic is reproduced by the quadratic/cubic filter (plus the one count).
  auto cubic = [](float x) { return 5.0f + 2.0f * x - 0.3f * x * x + 0.01f * x * x * x; };
  auto ws = MakePattern(60, 0.0f, 1.0f, cubic);
  SmoothPattern(*ws, 9);
  for (int i = ws->smoothFirst; i <= ws->smoothLast; ++i)
    EXPECT_NEAR(ws->smoothed[static_cast<std::size_t>(i)].y,
                ws->obs[static_cast<std::size_t>(i)].y + 1.0f, 2e-3f);
}

TEST(SmoothPattern, EveryWindowGivesTheDefinitionBitForBitAcrossLongPatterns) {
  // Long enough for the work to be split; odd lengths end in a partial piece.
  for (int n : {1500, 1537}) {
    auto ws = MakePattern(n, 5.0f, 0.01f, [](float x) { return 300.0f + 7000.0f * std::sin(x * x); });
    for (int points = 1; points <= 31; points += 2) {
      SmoothPattern(*ws, points);
      const SmoothingWeights w = SavitzkyGolayWeights(points);
      const int h = points / 2;
      ASSERT_EQ(ws->smoothFirst, h + 1);
      for (int i = h + 1; i <= n - h; ++i) {
        double sum = w.weights[0] * ws->obs[static_cast<std::size_t>(i)].y;
        for (int j = 1; j <= h; ++j)
          sum += w.weights[static_cast<std::size_t>(j)] *
                 (static_cast<double>(ws->obs[static_cast<std::size_t>(i - j)].y) +
                  ws->obs[static_cast<std::size_t>(i + j)].y);
        const float expected = static_cast<float>(sum / w.norm + 1.0);
        ASSERT_EQ(std::memcmp(&ws->smoothed[static_cast<std::size_t>(i)].y, &expected, 4), 0)
            << "n " << n << ", " << points << " points, at " << i;
        ASSERT_EQ(ws->smoothed[static_cast<std::size_t>(i)].x, ws->obs[static_cast<std::size_t>(i)].x);
      }
    }
  }
}

TEST(SmoothPattern, WindowWiderThanThePatternWritesNothing) {
  auto ws = MakePattern(6, 10.0f, 0.02f, [](float) { return 9.0f; });
  for (auto& p : ws->smoothed) p = {-1.0f, -1.0f};
  SmoothPattern(*ws, 25);
  EXPECT_GT(ws->smoothFirst, ws->smoothLast);
  for (const auto& p : ws->smoothed) EXPECT_EQ(p.y, -1.0f);
}

class SmoothingCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ws = MakePattern(100, 10.0f, 0.02f,
                     [](float x) { return 100.0f + 50.0f * std::sin(x * 40.0f); });
  }
  std::unique_ptr<workspace::Workspace> ws;
  platform::ScriptedPlatform ui;
};

TEST_F(SmoothingCommandTest, RefusesWithoutMeasuredPatternInOrder) {
  ws->rawLoaded = 0;
  ws->simulationMode = 1;
  SmoothingCommand(*ws, ui);
  ws->rawLoaded = 1;
  SmoothingCommand(*ws, ui);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Only Raw Data Available !!!",
                                                   "Not available in this mode !!!"}));
  EXPECT_TRUE(ui.smoothingShown.empty());
}

TEST_F(SmoothingCommandTest, EvenCountIsRaisedStoredAndShownNextTime) {
  ui.smoothingAnswers = {platform::SmoothingDialog{24, true}, std::nullopt};
  SmoothingCommand(*ws, ui);
  EXPECT_EQ(ws->smoothPoints, 25);
  EXPECT_TRUE(ws->smoothedValid);
  EXPECT_EQ(ws->smoothFirst, 13);
  EXPECT_EQ(ws->smoothLast, 88);
  EXPECT_EQ(ui.repaints, 1);
  ASSERT_EQ(ui.smoothingShown.size(), 1u);
  EXPECT_EQ(ui.smoothingShown[0].points, 3);
  EXPECT_TRUE(ui.smoothingShown[0].smoothingOn);

  SmoothingCommand(*ws, ui);  // cancelled
  EXPECT_EQ(ui.smoothingShown[1].points, 25);
  EXPECT_TRUE(ws->smoothedValid);
  EXPECT_EQ(ui.repaints, 1);
}

TEST_F(SmoothingCommandTest, UncheckedHidesWithoutStoringOrRecomputing) {
  ui.smoothingAnswers = {platform::SmoothingDialog{5, true}, platform::SmoothingDialog{9, false}};
  SmoothingCommand(*ws, ui);
  const auto before = ws->smoothed;
  SmoothingCommand(*ws, ui);
  EXPECT_FALSE(ws->smoothedValid);
  EXPECT_EQ(ws->smoothPoints, 5);
  EXPECT_EQ(ws->smoothFirst, 3);
  EXPECT_EQ(0, std::memcmp(before.data(), ws->smoothed.data(), sizeof before));
  EXPECT_EQ(ui.repaints, 2);
}

TEST_F(SmoothingCommandTest, CountOutsideOneToTwentyFiveKeepsTheDialogOpen) {
  ui.smoothingAnswers = {platform::SmoothingDialog{26, true}, platform::SmoothingDialog{0, true},
                         platform::SmoothingDialog{7, true}};
  SmoothingCommand(*ws, ui);
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.smoothingShown.size(), 3u);
  EXPECT_EQ(ws->smoothPoints, 7);
  EXPECT_TRUE(ws->smoothedValid);

  // A load resets the count to 3 and hides the curve.
  workspace::ResetWorkspace(*ws);
  EXPECT_EQ(ws->smoothPoints, 3);
  EXPECT_FALSE(ws->smoothedValid);
}

}  // namespace
}  // namespace difscop::processing
