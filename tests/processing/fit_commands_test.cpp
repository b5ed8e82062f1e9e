// The window's profile commands on synthetic patterns: Fit Peaks with its
// results, Use Fitted Positions, the results table, Auto Background and
// Strip Ka2 into new patterns.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "pattern_fixture.h"
#include "platform/scripted_platform.h"
#include "processing/fit_commands.h"
#include "processing/peak_search.h"
#include "processing/smoothing.h"
#include "processing/snip.h"

namespace difscop::processing {
namespace {

using testing::Gauss;
using testing::MakePattern;

constexpr double kKa1 = 1.540593, kKa2 = 1.54441;

// Cu doublets (Ka2 half as high) of FWHM 0.12 at the given Ka1 angles and
// heights, on a base of 200 with a broad hump of 300 at 25 degrees, 20 to
// 80 degrees in steps of 0.01.
testing::Ws DoubletPattern(std::vector<std::pair<float, float>> lines) {
  auto ws = MakePattern(6001, 20.0f, 0.01f, [=](float x) {
    float y = 200.0f + Gauss(x, 25.0f, 300.0f, 8.0f);
    for (auto [c, h] : lines) {
      y += Gauss(x, c, h, 0.12f);
      y += Gauss(x, static_cast<float>(Ka2Angle(c, kKa2 / kKa1)), 0.5f * h, 0.12f);
    }
    return y;
  });
  ws->ka1Wavelength = static_cast<float>(kKa1);
  ws->ka2Wavelength = static_cast<float>(kKa2);
  ws->ka2Ratio = 0.5f;
  return ws;
}

platform::FitPeaksDialog Answer(bool wholeList, bool ka2, std::string k = "0.9") {
  platform::FitPeaksDialog d;
  d.wholeList = wholeList;
  d.ka2 = ka2;
  d.scherrerKText = std::move(k);
  return d;
}

TEST(FitPeaksCommand, FitsTheRangeWithoutTouchingThePeakListThenTheListBecomesTheFittedLines) {
  auto ws = DoubletPattern({{32.0f, 4000.0f}, {47.5f, 2500.0f}, {61.25f, 1500.0f}});
  platform::ScriptedPlatform platform;
  ws->xMin = 40.0f, ws->xMax = 70.0f;
  // A Scherrer constant that is no number is refused and the dialog comes again.
  platform.fitPeaksAnswers = {Answer(false, true, "0,9"), Answer(false, true, "1.0")};
  FitPeaksCommand(*ws, platform);
  ASSERT_EQ(platform.fitPeaksShown.size(), 2u);
  EXPECT_TRUE(platform.fitPeaksShown[0].ka2);
  EXPECT_EQ(platform.fitPeaksShown[0].scherrerKText, "0.9");
  EXPECT_EQ(platform.Headlines(),
            std::vector<std::string>{"The Scherrer constant must be a number above 0 (0.9)."});
  EXPECT_FLOAT_EQ(ws->scherrerK, 1.0f);
  // The two lines of the range, each at its Ka1 angle; the list is as it was.
  EXPECT_EQ(ws->peakCount, 0);
  const workspace::PeakFitResult& fit = ws->peakFit;
  ASSERT_EQ(fit.lines.size(), 2u);
  const double truth[] = {47.5, 61.25};
  for (std::size_t i = 0; i < 2; ++i) {
    const workspace::FittedLine& l = fit.lines[i];
    EXPECT_NEAR(l.twoTheta.value, truth[i], 0.002) << i;
    EXPECT_GT(l.twoTheta.esd, 0.0) << i;
    EXPECT_NEAR(l.fwhm.value, 0.12, 0.01) << i;
    EXPECT_NEAR(l.d.value, kKa1 / (2.0 * std::sin(truth[i] * M_PI / 360.0)), 1e-4) << i;
    // No instrument width: the whole breadth is the sample's.
    const double beta = l.fwhm.value * M_PI / 180.0, theta = l.twoTheta.value * M_PI / 360.0;
    EXPECT_NEAR(l.size.value, 1.0 * kKa1 / (beta * std::cos(theta)) / 10.0, 0.5) << i;
  }
  EXPECT_EQ(fit.shape, "pseudo-Voigt, Ka1/Ka2");
  EXPECT_LT(fit.rwp, 0.05);
  // The drawing: the model over the fitted points (nowhere outside the
  // range), the data under it, one curve per line.
  ASSERT_FALSE(fit.model.empty());
  EXPECT_EQ(fit.model.size(), fit.observed.size());
  EXPECT_EQ(fit.lineCurves.size(), 2u);
  EXPECT_GE(fit.model.front().x, 40.0f);
  EXPECT_LE(fit.model.back().x, 70.0f);
  double worst = 0.0;
  for (std::size_t i = 0; i < fit.model.size(); ++i)
    worst = std::max(worst, std::fabs(static_cast<double>(fit.model[i].y - fit.observed[i])));
  EXPECT_LT(worst, 0.03 * 2500.0);

  UseFittedPositionsCommand(*ws, platform);
  ASSERT_EQ(ws->peakCount, 2);
  EXPECT_EQ(std::tuple(int(ws->autoPeaksFound), int(ws->manualPeakMode)), std::tuple(1, 0));
  for (int i = 1; i <= 2; ++i) {
    EXPECT_FLOAT_EQ(ws->peak2Theta[i], static_cast<float>(fit.lines[i - 1].twoTheta.value));
    EXPECT_FLOAT_EQ(ws->peak2ThetaEsd[i], static_cast<float>(fit.lines[i - 1].twoTheta.esd));
    EXPECT_NEAR(ws->obs[ws->peakPointIndex[i]].x, truth[i - 1], 0.006) << i;
  }
  // A new search lists peaks without uncertainties.
  SearchPeaksAutomatic(*ws, platform);
  ASSERT_GT(ws->peakCount, 0);
  for (int i = 1; i <= ws->peakCount; ++i) EXPECT_EQ(ws->peak2ThetaEsd[i], 0.0f) << i;
}

TEST(FitPeaksCommand, TheWholeListNeedsPeaksAndFitsTheListedOnesAlone) {
  auto ws = DoubletPattern({{32.0f, 4000.0f}, {47.5f, 2500.0f}});
  platform::ScriptedPlatform platform;
  platform.fitPeaksAnswers = {Answer(true, true)};
  FitPeaksCommand(*ws, platform);
  EXPECT_EQ(platform.Headlines(), std::vector<std::string>{"The peak list is empty !!!"});
  EXPECT_TRUE(ws->peakFit.lines.empty());
  // One listed peak: that one is fitted, the other is not.
  ws->peakCount = 1;
  ws->peak2Theta[1] = 32.01f;
  platform.fitPeaksAnswers = {Answer(true, true)};
  FitPeaksCommand(*ws, platform);
  ASSERT_EQ(ws->peakFit.lines.size(), 1u);
  EXPECT_NEAR(ws->peakFit.lines[0].twoTheta.value, 32.0, 0.002);
  // Cancel keeps the fit.
  const std::uint32_t serial = ws->peakFit.serial;
  FitPeaksCommand(*ws, platform);
  EXPECT_EQ(ws->peakFit.serial, serial);
  // Use Fitted Positions without a fit says so and leaves the list.
  ws->peakFit = {};
  UseFittedPositionsCommand(*ws, platform);
  EXPECT_EQ(platform.Headlines().back(), "No fitted peaks !!!");
  EXPECT_EQ(ws->peakCount, 1);
}

TEST(FitResults, TableAndValuesWithUncertainties) {
  workspace::PeakFitResult fit;
  const double nan = std::nan("");
  fit.lines.push_back({{47.50012, 0.00052}, {1.9126, 2e-5}, {2500, 12}, {0.12, 0.001},
                       {320.5, 3.1}, {0.5, 0.02}, {nan, nan}});
  const std::string csv = FitResultsTable(fit, ',', "\r\n");
  std::istringstream in(csv);
  std::string header, row, extra;
  std::getline(in, header);
  std::getline(in, row);
  EXPECT_FALSE(std::getline(in, extra));
  EXPECT_EQ(header,
            "2theta,2theta_esd,d,d_esd,height,height_esd,FWHM,FWHM_esd,area,area_esd,shape,"
            "shape_esd,size_nm,size_nm_esd\r");
  EXPECT_EQ(row, "47.50012,0.00052,1.9126,2e-05,2500,12,0.12,0.001,320.5,3.1,0.5,0.02,,\r");
  EXPECT_EQ(FitResultsTable(fit, '\t', "\n").substr(0, 14), "2theta\t2theta_");

  EXPECT_EQ(ValueWithEsd(45.12346, 0.00052, 4), "45.1235(5)");
  EXPECT_EQ(ValueWithEsd(45.12345, 0.00012, 4), "45.12345(12)");
  EXPECT_EQ(ValueWithEsd(1234.4, 12.3, 1), "1234(12)");
  EXPECT_EQ(ValueWithEsd(7749.4, 171.8, 1), "7700(200)");
  EXPECT_EQ(ValueWithEsd(0.5, 0.096, 3), "0.50(10)");
  EXPECT_EQ(ValueWithEsd(0.1214, nan, 3), "0.121");
  EXPECT_EQ(ValueWithEsd(nan, 0.1, 3), "-");
}

TEST(DerivedPatterns, AutoBackgroundShowsTheCurveAndSubtractsItIntoANewActivePattern) {
  auto ws = DoubletPattern({{32.0f, 4000.0f}, {47.5f, 2500.0f}});
  ws->dataFilePath = "/data/quartz.xy";
  platform::ScriptedPlatform platform;
  platform.autoBackgroundAnswers = {"wide", "0", "1.2"};
  platform.yesNoAnswers = {true};
  AutoBackgroundCommand(*ws, platform);
  ASSERT_EQ(platform.autoBackgroundShown.size(), 3u);
  EXPECT_EQ(platform.autoBackgroundShown[0].windowText, "1.5");
  EXPECT_EQ(platform.messages.size(), 2u);
  EXPECT_EQ(platform.questions, std::vector<std::string>{"Subtract it into a new pattern ?"});
  EXPECT_FLOAT_EQ(ws->snipWindow, 1.2f);
  ASSERT_EQ(ws->patterns.size(), 2u);
  EXPECT_EQ(ws->activePattern, 1);
  EXPECT_EQ(ws->patterns[1].name, "quartz.xy - background");
  // The source keeps its curve; the new pattern is the data less it.
  const workspace::Pattern& source = ws->patterns[0].pattern;
  EXPECT_EQ(source.backgroundCurveValid, 1);
  ASSERT_EQ(ws->obsCount, source.obsCount);
  EXPECT_TRUE(ws->dataFilePath.empty());
  EXPECT_EQ(std::tuple(int(ws->rawLoaded), int(ws->blankPlot), int(ws->backgroundCurveValid)),
            std::tuple(1, 0, 0));
  for (int i : {1, 500, 1200, 2750, 6001}) {
    EXPECT_FLOAT_EQ(ws->obs[i].x, source.obs[i].x);
    EXPECT_NEAR(ws->obs[i].y, source.obs[i].y - source.background[i].y, 1e-3) << i;
  }
  // The hump and the base are gone, the peaks stay.
  EXPECT_LT(std::fabs(ws->obs[501].y), 30.0f);    // 25 degrees, on the hump
  EXPECT_NEAR(ws->obs[1201].y, source.obs[1201].y - 200.0f - Gauss(32.0f, 25.0f, 300.0f, 8.0f),
              30.0f);  // 32 degrees
  // No: the curve is shown, nothing opens.
  platform.autoBackgroundAnswers = {"1.5"};
  AutoBackgroundCommand(*ws, platform);
  EXPECT_EQ(ws->patterns.size(), 2u);
  EXPECT_EQ(ws->backgroundCurveValid, 1);
}

TEST(DerivedPatterns, StripKa2OpensTheSingleLinesWhichFitWithoutDoublets) {
  auto ws = DoubletPattern({{47.5f, 2500.0f}});
  platform::ScriptedPlatform platform;
  StripKa2Command(*ws, platform);
  ASSERT_EQ(ws->patterns.size(), 2u);
  EXPECT_EQ(ws->patterns[1].name, " - Ka2 stripped");
  EXPECT_EQ(ws->ka2Stripped, 1);
  EXPECT_EQ(ws->patterns[0].pattern.ka2Stripped, 0);
  // What is left is the Ka1 line alone, the companion gone.
  double worst = 0.0;
  for (int i = 2651; i <= 2901; ++i) {  // 46.5 to 49 degrees
    const float x = ws->obs[i].x;
    const float single = 200.0f + Gauss(x, 25.0f, 300.0f, 8.0f) + Gauss(x, 47.5f, 2500.0f, 0.12f);
    worst = std::max(worst, static_cast<double>(std::fabs(ws->obs[i].y - single)));
  }
  EXPECT_LT(worst, 0.02 * 2500.0);
  // Once is enough; Fit Peaks offers single lines on it.
  StripKa2Command(*ws, platform);
  EXPECT_EQ(platform.Headlines(),
            std::vector<std::string>{"The Ka2 part of this pattern has been stripped already !!!"});
  EXPECT_EQ(ws->patterns.size(), 2u);
  platform.fitPeaksAnswers = {Answer(false, false)};
  FitPeaksCommand(*ws, platform);
  EXPECT_FALSE(platform.fitPeaksShown.back().ka2);
  ASSERT_EQ(ws->peakFit.lines.size(), 1u);
  EXPECT_NEAR(ws->peakFit.lines[0].twoTheta.value, 47.5, 0.003);
  EXPECT_EQ(ws->peakFit.shape, "pseudo-Voigt");
  // A source without Ka2 has nothing to strip.
  auto single = DoubletPattern({{47.5f, 2500.0f}});
  single->ka2Ratio = 0.0f;
  StripKa2Command(*single, platform);
  EXPECT_EQ(platform.Headlines().back(), "The X-ray source has no Ka2 line to strip !!!");
  EXPECT_TRUE(single->patterns.empty());
}

// A refinement result's observed points open as a measured pattern with the
// file's wavelength; the result itself stays as it was.
TEST(DerivedPatterns, ObservedPointsOfAFitOpenAsAMeasuredPattern) {
  auto ws = DoubletPattern({{47.5f, 2500.0f}});
  platform::ScriptedPlatform platform;
  // A measured pattern is not a refinement result.
  EXPECT_FALSE(ObservedAsPatternCommand(*ws, platform));
  EXPECT_EQ(platform.Headlines(), std::vector<std::string>{"Not a refinement result !!!"});
  EXPECT_TRUE(ws->patterns.empty());
  ws->rawLoaded = 0;
  ws->blankPlot = 0;
  ws->fileWavelength = 1.912f;
  for (int i = 1; i <= ws->obsCount; ++i) ws->calc[i] = {ws->obs[i].x, 1.0f};
  const auto observed = ws->obs[2776];
  ASSERT_TRUE(ObservedAsPatternCommand(*ws, platform));
  ASSERT_EQ(ws->patterns.size(), 2u);
  EXPECT_EQ(ws->activePattern, 1);
  EXPECT_EQ(ws->patterns[1].name, " - observed");
  EXPECT_EQ(ws->rawLoaded, 1);
  EXPECT_EQ(ws->obsCount, 6001);
  EXPECT_EQ(ws->obs[2776].x, observed.x);
  EXPECT_EQ(ws->obs[2776].y, observed.y);
  EXPECT_FLOAT_EQ(ws->wavelength, 1.912f);
  EXPECT_EQ(ws->wavelengthFromPattern, 1);
  EXPECT_EQ(ws->patterns[0].pattern.rawLoaded, 0);
  EXPECT_EQ(ws->patterns[0].pattern.calc[2776].y, 1.0f);
  // The commands that need a measured pattern take it.
  EXPECT_TRUE(CheckMeasuredPattern(*ws, platform));
  EXPECT_EQ(platform.Headlines().size(), 1u);

  // Points with angles of their own (each a little off the grid, the
  // counts a straight line in 2theta) are put onto an even grid.
  auto uneven = DoubletPattern({});
  uneven->rawLoaded = 0;
  uneven->blankPlot = 0;
  for (int i = 1; i <= uneven->obsCount; ++i) {
    const float x = 20.0f + 0.01f * static_cast<float>(i - 1) + (i % 3 == 0 ? 0.004f : 0.0f);
    uneven->obs[i] = {i == uneven->obsCount ? 80.0f : x, 10.0f * x};
  }
  ASSERT_TRUE(ObservedAsPatternCommand(*uneven, platform));
  EXPECT_FLOAT_EQ(uneven->stepWidth, 0.01f);
  EXPECT_NEAR(uneven->obs[3000].x, 49.99f, 1e-4f);  // was 49.994
  EXPECT_NEAR(uneven->obs[3000].y, 499.9f, 0.01f);
  EXPECT_FLOAT_EQ(uneven->obs[6001].x, 80.0f);
}

}  // namespace
}  // namespace difscop::processing
