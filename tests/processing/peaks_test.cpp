// Automatic and manual peak search, Ka2 elimination and the peak list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "pattern_fixture.h"
#include "platform/scripted_platform.h"
#include "processing/peak_list.h"
#include "processing/peak_search.h"
#include "processing/xray_source.h"

namespace difscop::processing {
namespace {

using testing::Gauss;
using testing::MakePattern;
using testing::PeakPattern;

TEST(PeakSearch, TopsMustExceedTheThresholdWithDPointsEachSideInTheRange) {
  // Exact integer profiles on a quarter-degree grid from 10 (200 points).
  auto triangle = [](int top, float height) {
    return [=](int i) { return std::max(0.0f, height - 100.0f * std::abs(i - top)); };
  };
  auto plateau = [](int i) {  // 900 from point 50 to 54
    return std::max(0.0f, 900.0f - 100.0f * static_cast<float>(std::max({0, 50 - i, i - 54})));
  };
  const struct {
    std::function<float(int)> profile;
    float xMin, xMax;
    int d, threshold, found;  // point index of the peak, 0 for none
  } cases[] = {
      {triangle(100, 500), 10, 60, 4, 500, 0},  // exactly at the threshold
      {triangle(100, 500), 10, 60, 4, 499, 100},
      {plateau, 10, 60, 1, 100, 52},                // a flat top is centred on its middle
      {triangle(15, 1000), 12.5f, 60, 4, 500, 15},  // range from point 11
      {triangle(14, 1000), 12.5f, 60, 4, 500, 0},
      {triangle(100, 1000), 12.5f, 36, 4, 500, 100},  // range to point 105
      {triangle(101, 1000), 12.5f, 36, 4, 500, 0},
      {triangle(100, 1000), 10, 60, 0, 500, 0},    // D below 1 sums nothing
      {triangle(100, 1000), 10, 60, 150, 500, 0},  // nor does a D beyond the range
      {triangle(100, 1000), 70, 80, 4, 500, 0},    // a range past the data
  };
  platform::ScriptedPlatform ui;
  for (const auto& c : cases) {
    auto ws = MakePattern(200, 10.0f, 0.25f, [&](float x) {
      return c.profile(static_cast<int>((x - 10.0f) * 4.0f) + 1);
    });
    std::tie(ws->xMin, ws->xMax, ws->peakDiffPoints) = std::tuple{c.xMin, c.xMax, c.d};
    DetectPeaks(*ws, ui, c.threshold);
    ASSERT_EQ(ws->peakCount, c.found ? 1 : 0) << c.found << " " << c.xMin << " " << c.xMax;
    if (!c.found) continue;
    const auto& p = ws->obs[static_cast<std::size_t>(c.found)];
    EXPECT_EQ(
        (std::tuple{ws->peakPointIndex[1], ws->peak2Theta[1], ws->peakIntensity[1], ws->peakD[1]}),
        (std::tuple{c.found, p.x, p.y, workspace::DSpacing(ws->wavelength, p.x)}));
  }
  // A descending pattern (a negative step) has no grid to search on;
  // neighbours within the skip after a peak give one peak.
  auto down = MakePattern(200, 60.0f, -0.25f, [](float x) {
    return std::max(0.0f, 1000.0f - 400.0f * std::fabs(x - 35.0f));
  });
  auto twins = PeakPattern({{30.0f, 2000.0f}, {30.06f, 1800.0f}});  // 3 points apart
  DetectPeaks(*down, ui, 500);
  DetectPeaks(*twins, ui, 500);
  ASSERT_EQ((std::pair{down->peakCount, twins->peakCount}), (std::pair{0, 1}));
  EXPECT_NEAR(twins->peak2Theta[1], 30.0f, 0.03f);
  // Of more than 200 peaks the first 200 are kept and refined.
  std::vector<std::pair<float, float>> many;
  for (int i = 0; i < 250; ++i) many.push_back({10.5f + 0.3f * static_cast<float>(i), 1000.0f});
  auto ws = PeakPattern(many);
  SearchPeaks(*ws, ui, 500);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Too many peaks picked up !!!"});
  ASSERT_EQ(ws->peakCount, 200);
  EXPECT_NEAR(ws->peak2Theta[200], 10.5f + 0.3f * 199, 3e-3f);
}

TEST(AutoPeakSearchCommand, DialogKa2QuestionAndSourceDialogInTurn) {
  // A copper doublet at 80 degrees and a single peak at 30.
  auto ws = PeakPattern({{30.0f, 2000.0f}, {80.0f, 3000.0f}, {80.24f, 1500.0f}});
  std::tie(ws->manualPeakMode, ws->peakCount) = std::pair{1, 7};
  platform::ScriptedPlatform ui;
  AutoPeakSearchCommand(*ws, ui);  // cancelled
  EXPECT_TRUE(ws->peakCount == 7 && ws->manualPeakMode && !ws->autoPeaksFound &&
              ui.questions.empty() && !ui.repaints);

  // Yes removes the Ka2 peak, No keeps it; Mo radiation gives the spacings.
  platform::XraySourceDialog cu = MakeXraySourceDialog(*ws), mo = cu;
  EXPECT_EQ(cu.ka1Text + cu.ka2Text + cu.ratioText + cu.radiusText,
            " 1.5405930 1.5444100 0.500 185.000");
  ChooseAnodeRow(mo, 4);
  ChooseAnodeRow(mo, 5);  // no such row
  // Text that does not parse keeps its field; the wavelength follows Ka1.
  std::tie(mo.radiusText, mo.ratioText) = std::pair{"abc", "0.52"};
  ui.peakSearchAnswers = {platform::PeakSearchDialog{" 800.7", "3x"},
                          platform::PeakSearchDialog{"800", "3"}};
  ui.yesNoAnswers = {true, false};
  ui.xraySourceAnswers = {cu, mo};
  AutoPeakSearchCommand(*ws, ui);
  EXPECT_EQ(ui.questions, std::vector<std::string>{"Eliminate Ka2 peaks ?"});
  EXPECT_EQ((std::array<int, 4>{ws->peakThreshold, ws->peakDiffPoints, ws->autoPeaksFound,
                                ws->manualPeakMode}),
            (std::array{800, 3, 1, 0}));
  ASSERT_EQ(ws->peakCount, 2);
  EXPECT_NEAR(ws->peak2Theta[2], 80.0f, 2e-3f);
  AutoPeakSearchCommand(*ws, ui);
  ASSERT_EQ(ws->peakCount, 3);
  EXPECT_NEAR(ws->peak2Theta[3], 80.24f, 2e-3f);
  EXPECT_EQ((std::array{ws->ka1Wavelength, ws->ka2Wavelength, ws->ka2Ratio, ws->goniometerRadius,
                        ws->wavelength}),
            (std::array{0.709317f, 0.71361f, 0.52f, 185.0f, 0.709317f}));
  EXPECT_NEAR(ws->peakD[1], workspace::DSpacing(0.709317f, ws->peak2Theta[1]), 1e-5f);
  EXPECT_EQ(ui.repaints, 2);
}

TEST(Ka2Elimination, OnlyTheWeakerHigherAngleCompanionOfAPeakGoes) {
  // What, the angles, heights, whether to remove; the angles kept.
  using Angles = std::vector<float>;
  const std::tuple<const char*, Angles, Angles, bool, Angles> cases[] = {
      // clang-format off
      {"copper doublet at 40", {40.0f, 40.1f}, {1000, 500}, true,  {40.0f}},
      {"marked, not removed",  {40.0f, 40.1f}, {1000, 500}, false, {40.0f, 40.1f}},
      {"wrong ratio",          {40.0f, 40.1f}, {1000, 900}, true,  {40.0f, 40.1f}},
      {"too far apart",        {40.0f, 40.3f}, {1000, 500}, true,  {40.0f, 40.3f}},
      {"zero heights",         {40.0f, 40.1f}, {0, 0},      true,  {40.0f, 40.1f}},
      {"a lone peak",          {40.0f},        {1000},      true,  {40.0f}},
      {"weaker peak first", {40.0f, 40.1f, 60.0f}, {500, 1000, 100}, true, {40.0f, 40.1f, 60.0f}},
      // Every pair is tested, not only neighbours; the order is kept.
      {"two doublets", {30.0f, 30.02f, 30.075f, 60.0f, 60.166f}, {800, 50, 400, 2000, 1000}, true,
                       {30.0f, 30.02f, 60.0f}},
      // clang-format on
  };
  // Each peak's point index is its angle in millidegrees.
  auto milli = [](float angle) { return static_cast<int>(std::lround(angle * 1e3f)); };
  for (const auto& [what, angles, heights, remove, kept] : cases) {
    auto ws = std::make_unique<workspace::Workspace>();
    workspace::ResetWorkspace(*ws);
    ws->peakCount = static_cast<int>(angles.size());
    for (std::size_t i = 1; i <= angles.size(); ++i)
      std::tie(ws->peak2Theta[i], ws->peakIntensity[i], ws->peakPointIndex[i]) =
          std::tuple{angles[i - 1], heights[i - 1], milli(angles[i - 1])};
    RemoveKa2Peaks(*ws, remove);
    ASSERT_EQ(ws->peakCount, static_cast<int>(kept.size())) << what;
    for (std::size_t i = 1; i <= kept.size(); ++i)
      EXPECT_EQ((std::pair{ws->peak2Theta[i], ws->peakPointIndex[i]}),
                (std::pair{kept[i - 1], milli(kept[i - 1])}))
          << what;
  }
}

// A pattern in a frame from x = 100 (19 degrees) at 40 pixels a degree:
// 41 points at 20..30 in quarter degrees, with Gaussian peaks at 25 and 28.
auto Framed() {
  auto ws = MakePattern(41, 20.0f, 0.25f, [](float x) {
    return 50.0f + Gauss(x, 25.0f, 1000.0f, 1.0f) + Gauss(x, 28.0f, 700.0f, 1.0f);
  });
  std::tie(ws->plotLeft, ws->plotRight, ws->plotTop, ws->plotBottom) =
      std::tuple{100, 600, 50, 450};
  std::tie(ws->xMin, ws->xScale, ws->plotDrawn) = std::tuple{19.0f, 40.0f, 1};
  return ws;
}

class PeakListCommand : public testing::ScratchDir {};

TEST_F(PeakListCommand, ClicksInsideTheDataAndFrameAreRefinedInClickOrderShownAndSaved) {
  // Obs count, click, manual mode, plot drawn; markers drawn, point index
  // (0: none added, and a beep where the markers are drawn).
  const std::tuple<int, workspace::DevicePoint, int, int, bool, int> cases[] = {
      {41, {140, 300}, 1, 1, true, 0},
      {41, {540, 300}, 1, 1, true, 0},  // the first and last angle
      {41, {141, 300}, 1, 1, true, 1},
      {41, {539, 300}, 1, 1, true, 40},
      {41, {120, 300}, 1, 1, true, 0},  // left of the data
      {41, {100, 300}, 1, 1, false, 0},
      {41, {300, 50}, 1, 1, false, 0},  // on the frame
      {2, {145, 300}, 1, 1, true, 1},   // two points are enough
      {41, {300, 300}, 0, 1, false, 0},
      {41, {300, 300}, 1, 0, false, 0},
  };
  for (const auto& [n, click, mode, drawn, marks, index] : cases) {
    auto ws = Framed();
    std::tie(ws->obsCount, ws->manualPeakMode, ws->plotDrawn) = std::tuple{n, mode, drawn};
    const DoubleClickResponse r = OnPlotDoubleClick(*ws, click);
    EXPECT_EQ(std::pair(r.drawMarkers, r.beep), std::pair(marks, marks && index == 0)) << click.x;
    EXPECT_EQ(ws->manualPeakCount ? ws->peakPointIndex[1] : 0, index) << click.x;
  }
  // Clicks beyond the peak table are not stored.
  auto ws = Framed();
  ws->manualPeakMode = 1;
  int beeps = 0;
  for (int i = 0; i < 205; ++i) beeps += OnPlotDoubleClick(*ws, {300, 300}).beep;
  EXPECT_EQ(std::pair(ws->manualPeakCount, beeps), std::pair(workspace::kMaxPeaks, 5));
  // The point below the cursor whatever the first step: a file whose first
  // step is shorter than the others (0.2 here) must not send a click at
  // 29.5 degrees past the data, onto the last point.
  auto uneven = Framed();
  std::tie(uneven->manualPeakMode, uneven->stepWidth) = std::tuple{1, 0.2f};
  for (int x : {520, 538}) OnPlotDoubleClick(*uneven, {x, 300});
  EXPECT_EQ((std::array{uneven->peakPointIndex[1], uneven->peakPointIndex[2]}),
            (std::array{39, 40}));

  // The command starts a new list. The point below the click is picked, a
  // repeated one again: 28 degrees is at x = 460, 25 at 340.
  platform::ScriptedPlatform ui;
  ManualPeakSearchCommand(*ws, ui);
  EXPECT_EQ((std::array{ws->manualPeakCount, ws->cursorPos.x, ws->cursorPos.y}),
            (std::array{0, 101, 449}));
  OnPlotDoubleClick(*ws, {464, 300});
  OnPlotDoubleClick(*ws, {340, 300});
  OnPlotDoubleClick(*ws, {340, 300});
  EXPECT_EQ((std::array{ws->manualPeakCount, ws->peakPointIndex[1], ws->peakPointIndex[2],
                        ws->peakPointIndex[3]}),
            (std::array{3, 33, 21, 21}));

  const std::filesystem::path target = dir / "peaks.txt";
  ui.peakListSaveAsPresses = {2};
  ui.saveAnswers = {std::nullopt, target.string()};
  SearchedPeakListCommand(*ws, ui);
  ASSERT_EQ((std::pair{ui.peakListShown.size(), ui.saveRequests.size()}),
            (std::pair{std::size_t{1}, std::size_t{2}}));
  EXPECT_EQ(
      ui.peakListShown[0].lines,
      (std::vector<std::string>{PeakListLine(*ws, 1), PeakListLine(*ws, 2), PeakListLine(*ws, 3)}));
  EXPECT_NEAR(ws->peak2Theta[1], 28.0f, 0.05f);  // at the fitted vertices
  EXPECT_NEAR(ws->peak2Theta[3], 25.0f, 0.05f);
  EXPECT_EQ(testing::ReadAll(target), PeakListFileContents(*ws));
  // The file's layout: three decimals of 2theta, four of d, whole counts.
  ws->peakCount = 1;
  std::tie(ws->peak2Theta[1], ws->peakD[1], ws->peakIntensity[1]) =
      std::tuple{28.443f, 0.91f, 99999.6f};
  EXPECT_EQ(PeakListFileContents(*ws),
            "No.  2theta     d   Intensity\r\n  1  28.443  0.9100   100000\r\n");
}

}  // namespace
}  // namespace difscop::processing
