#include "processing/peak_search.h"

#include <gtest/gtest.h>

#include <cmath>

#include "pattern_fixture.h"
#include "platform/scripted_platform.h"
#include "processing/xray_source.h"

namespace difscop::processing {
namespace {

using testing::Gauss;
using testing::MakePattern;

// 10..90 degrees in 0.02 steps with Gaussian peaks (FWHM 0.1) on zero.
std::unique_ptr<workspace::Workspace> Peaks(std::vector<std::pair<float, float>> peaks) {
  return MakePattern(4001, 10.0f, 0.02f, [peaks](float x) {
    float y = 0.0f;
    for (auto [centre, height] : peaks) y += Gauss(x, centre, height, 0.1f);
    return y;
  });
}

TEST(PeakSearch, SingleSymmetricPeakIsFoundAndRefinedAtItsCentre) {
  auto ws = Peaks({{30.0f, 2000.0f}});
  platform::ScriptedPlatform ui;
  ui.yesNoAnswers = {true};
  ui.xraySourceAnswers = {std::nullopt};
  SearchPeaks(*ws, ui, 500);
  ASSERT_EQ(ws->peakCount, 1);
  EXPECT_NEAR(ws->peak2Theta[1], 30.0f, 2e-3f);
  EXPECT_NEAR(ws->peakD[1], workspace::DSpacing(1.540593f, 30.0f), 1e-4f);
  // The refined height is the vertex of the fitted parabola.
  EXPECT_EQ(ws->peakIntensity[1], ws->fittedIntensity[1]);
  EXPECT_GT(ws->peakIntensity[1], 1000.0f);
  EXPECT_EQ(ws->obs[static_cast<std::size_t>(ws->peakPointIndex[1])].x, 30.0f);
  EXPECT_EQ(ui.questions, std::vector<std::string>{"Eliminate Ka2 peaks ?"});
  EXPECT_EQ(ui.xraySourceShown.size(), 1u);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(PeakSearch, ThresholdIsStrictlyExceeded) {
  // A triangle whose top point is exactly 500 counts.
  auto ws = MakePattern(200, 20.0f, 0.02f, [](float x) {
    const float t = 500.0f - 100.0f * std::round(std::fabs(x - 22.0f) / 0.02f);
    return t > 0.0f ? t : 0.0f;
  });
  platform::ScriptedPlatform ui;
  DetectPeaks(*ws, ui, 500);
  EXPECT_EQ(ws->peakCount, 0);
  DetectPeaks(*ws, ui, 499);
  ASSERT_EQ(ws->peakCount, 1);
  EXPECT_NEAR(ws->peak2Theta[1], 22.0f, 1e-4f);
  EXPECT_EQ(ws->peakIntensity[1], 500.0f);
}

TEST(PeakSearch, FlatTopIsCentredOnTheMiddleOfTheRun) {
  // Rising, five equal points at indices 50..54, falling.
  auto ws = MakePattern(100, 10.0f, 0.1f, [](float x) {
    const int i = static_cast<int>(std::lround((x - 10.0f) / 0.1f)) + 1;
    if (i >= 50 && i <= 54) return 900.0f;
    const int gap = i < 50 ? 50 - i : i - 54;
    return std::max(0.0f, 900.0f - 100.0f * static_cast<float>(gap));
  });
  ws->peakDiffPoints = 1;
  platform::ScriptedPlatform ui;
  DetectPeaks(*ws, ui, 100);
  ASSERT_EQ(ws->peakCount, 1);
  EXPECT_EQ(ws->peakPointIndex[1], 52);
  EXPECT_NEAR(ws->peak2Theta[1], ws->obs[52].x, 1e-4f);
}

TEST(PeakSearch, TwinMaximaWithinTheSkipGiveOnePeakWiderOnesTwo) {
  auto twins = Peaks({{30.0f, 2000.0f}, {30.06f, 1800.0f}});  // 3 points apart
  platform::ScriptedPlatform ui;
  DetectPeaks(*twins, ui, 500);
  ASSERT_EQ(twins->peakCount, 1);
  EXPECT_NEAR(twins->peak2Theta[1], 30.0f, 0.03f);

  auto apart = Peaks({{30.0f, 2000.0f}, {30.4f, 1800.0f}});  // 20 points apart
  DetectPeaks(*apart, ui, 500);
  ASSERT_EQ(apart->peakCount, 2);
  EXPECT_NEAR(apart->peak2Theta[1], 30.0f, 1e-3f);
  EXPECT_NEAR(apart->peak2Theta[2], 30.4f, 1e-3f);
}

TEST(PeakSearch, OnlyTheDrawnRangeIsSearched) {
  auto ws = Peaks({{20.0f, 3000.0f}, {30.0f, 2000.0f}, {40.0f, 2500.0f}});
  platform::ScriptedPlatform ui;
  DetectPeaks(*ws, ui, 500);
  EXPECT_EQ(ws->peakCount, 3);
  // Zoomed, with a range start off the step grid.
  ws->xMin = 25.013f;
  ws->xMax = 35.0f;
  DetectPeaks(*ws, ui, 500);
  ASSERT_EQ(ws->peakCount, 1);
  EXPECT_NEAR(ws->peak2Theta[1], 30.0f, 0.02f);
  EXPECT_EQ(ws->obs[static_cast<std::size_t>(ws->peakPointIndex[1])].x, 30.0f);
  // A range narrower than 2D + 1 points finds nothing; so does one past the data.
  ws->xMin = 30.0f;
  ws->xMax = 30.1f;
  DetectPeaks(*ws, ui, 500);
  EXPECT_EQ(ws->peakCount, 0);
  ws->xMin = 60.0f;
  ws->xMax = 70.0f;
  DetectPeaks(*ws, ui, 500);
  EXPECT_EQ(ws->peakCount, 0);
}

TEST(PeakSearch, PeaksNearEitherEndAreRefinedInsideThePattern) {
  // Peaks at the 4th point and 4th-last point of a short pattern; the slots
  // around obs would spoil the fit if read.
  auto ws = MakePattern(60, 29.94f, 0.02f, [](float x) {
    return Gauss(x, 30.0f, 5000.0f, 0.12f) + Gauss(x, 31.06f, 4000.0f, 0.12f);
  });
  ws->obs[0] = {-1e6f, 1e9f};
  ws->obs[61] = {1e6f, 1e9f};
  ws->peakDiffPoints = 1;
  platform::ScriptedPlatform ui;
  SearchPeaks(*ws, ui, 1000);
  ASSERT_EQ(ws->peakCount, 2);
  EXPECT_NEAR(ws->peak2Theta[1], 30.0f, 0.03f);
  EXPECT_NEAR(ws->peak2Theta[2], 31.06f, 0.03f);
  for (int i = 1; i <= 2; ++i) {
    EXPECT_GT(ws->peakIntensity[static_cast<std::size_t>(i)], 3000.0f);
    EXPECT_LT(ws->peakIntensity[static_cast<std::size_t>(i)], 6000.0f);
  }
}

TEST(PeakSearch, MoreThanTwoHundredPeaksKeepsTwoHundredRefined) {
  std::vector<std::pair<float, float>> many;
  for (int i = 0; i < 250; ++i) many.push_back({10.5f + 0.3f * static_cast<float>(i), 1000.0f});
  auto ws = Peaks(many);
  platform::ScriptedPlatform ui;
  ui.yesNoAnswers = {false};
  SearchPeaks(*ws, ui, 500);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Too many peaks picked up !!!"});
  EXPECT_EQ(ui.questions.size(), 1u);
  ASSERT_EQ(ws->peakCount, 200);
  for (int i = 1; i <= 200; ++i) {
    const auto s = static_cast<std::size_t>(i);
    EXPECT_NEAR(ws->peak2Theta[s], 10.5f + 0.3f * static_cast<float>(i - 1), 3e-3f) << i;
    EXPECT_NEAR(ws->peakD[s], workspace::DSpacing(ws->wavelength, ws->peak2Theta[s]), 1e-5f);
    EXPECT_GT(ws->peakIntensity[s], 500.0f);
  }
}

class AutoPeakSearchCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A copper doublet at 80 degrees and a single peak at 30.
    ws = Peaks({{30.0f, 2000.0f}, {80.0f, 3000.0f}, {80.24f, 1500.0f}});
    ws->manualPeakMode = 1;
  }
  std::unique_ptr<workspace::Workspace> ws;
  platform::ScriptedPlatform ui;
};

TEST_F(AutoPeakSearchCommandTest, ChecksComeFirstAndCancelChangesNothing) {
  ws->simulationMode = 1;
  AutoPeakSearchCommand(*ws, ui);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Not available in this mode !!!"});
  ws->simulationMode = 0;
  ws->peakCount = 7;
  AutoPeakSearchCommand(*ws, ui);  // no answer queued: Cancel
  ASSERT_EQ(ui.peakSearchShown.size(), 1u);
  EXPECT_EQ(ui.peakSearchShown[0].thresholdText, "500");
  EXPECT_EQ(ui.peakSearchShown[0].diffPointsText, "4");
  EXPECT_EQ(ws->peakCount, 7);
  EXPECT_FALSE(ws->autoPeaksFound);
  EXPECT_TRUE(ws->manualPeakMode);
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(ui.repaints, 0);
}

TEST_F(AutoPeakSearchCommandTest, YesRemovesTheKa2PeakNoKeepsIt) {
  const platform::XraySourceDialog cu = MakeXraySourceDialog(*ws);
  ui.peakSearchAnswers = {platform::PeakSearchDialog{"800", "3"},
                          platform::PeakSearchDialog{"800", "3"}};
  ui.yesNoAnswers = {true, false};
  ui.xraySourceAnswers = {cu, cu};
  AutoPeakSearchCommand(*ws, ui);
  EXPECT_EQ(ws->peakThreshold, 800);
  EXPECT_EQ(ws->peakDiffPoints, 3);
  EXPECT_TRUE(ws->autoPeaksFound);
  EXPECT_FALSE(ws->manualPeakMode);
  ASSERT_EQ(ws->peakCount, 2);
  EXPECT_NEAR(ws->peak2Theta[2], 80.0f, 2e-3f);
  AutoPeakSearchCommand(*ws, ui);
  ASSERT_EQ(ws->peakCount, 3);
  EXPECT_NEAR(ws->peak2Theta[3], 80.24f, 2e-3f);
  EXPECT_EQ(ui.peakSearchShown[1].thresholdText, "800");
  EXPECT_EQ(ui.repaints, 2);
}

TEST_F(AutoPeakSearchCommandTest, EditsAreReadAsPlainWholeNumbers) {
  const struct {
    const char *threshold, *diff;
    int t, d;
  } cases[] = {{"abc", "4", 0, 4}, {"12.5", "4", 12, 4}, {" -20 ", "0", -20, 0},
               {"500", "12", 500, 12}, {"12x", "-3", 12, -3}};
  for (const auto& c : cases) {
    int threshold = 1, diff = 1;
    EXPECT_FALSE(ReadPeakSearchDialog({c.threshold, c.diff}, threshold, diff)) << c.threshold;
    EXPECT_EQ(threshold, c.t) << c.threshold;
    EXPECT_EQ(diff, c.d) << c.diff;
  }

  // D = 0 is taken as typed and finds nothing; so does a D beyond any range.
  ui.peakSearchAnswers = {platform::PeakSearchDialog{"500", "0"}};
  AutoPeakSearchCommand(*ws, ui);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.peakSearchShown.size(), 1u);
  EXPECT_EQ(ws->peakDiffPoints, 0);
  EXPECT_EQ(ws->peakCount, 0);
  EXPECT_TRUE(ws->autoPeaksFound);
  ws->peakDiffPoints = 2000000000;
  DetectPeaks(*ws, ui, 500);
  EXPECT_EQ(ws->peakCount, 0);
}

TEST_F(AutoPeakSearchCommandTest, WavelengthFromTheKa2DialogGivesTheSpacings) {
  platform::XraySourceDialog mo = MakeXraySourceDialog(*ws);
  mo.ka1Text = "0.709317";
  mo.ka2Text = "0.71361";
  ui.peakSearchAnswers = {platform::PeakSearchDialog{"500", "4"}};
  ui.yesNoAnswers = {false};
  ui.xraySourceAnswers = {mo};
  AutoPeakSearchCommand(*ws, ui);
  ASSERT_GE(ws->peakCount, 1);
  EXPECT_FLOAT_EQ(ws->wavelength, 0.709317f);
  EXPECT_NEAR(ws->peakD[1], workspace::DSpacing(0.709317f, ws->peak2Theta[1]), 1e-5f);
}

}  // namespace
}  // namespace difscop::processing
