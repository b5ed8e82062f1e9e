#include <gtest/gtest.h>

#include "pattern_fixture.h"
#include "platform/scripted_platform.h"
#include "processing/xray_source.h"

namespace difscop::processing {
namespace {

std::unique_ptr<workspace::Workspace> TwoPeaks(float t1, float i1, float t2, float i2) {
  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  ws->peakCount = 2;
  ws->peak2Theta[1] = t1;
  ws->peakIntensity[1] = i1;
  ws->peakPointIndex[1] = 11;
  ws->peakD[1] = 1.1f;
  ws->peak2Theta[2] = t2;
  ws->peakIntensity[2] = i2;
  ws->peakPointIndex[2] = 22;
  ws->peakD[2] = 2.2f;
  return ws;
}

TEST(Ka2Elimination, CopperDoubletAtFortyDegrees) {
  auto ws = TwoPeaks(40.000f, 1000.0f, 40.100f, 500.0f);
  RemoveKa2Peaks(*ws, true);
  ASSERT_EQ(ws->peakCount, 1);
  EXPECT_EQ(ws->peak2Theta[1], 40.0f);
  EXPECT_EQ(ws->peakPointIndex[1], 11);

  auto kept = TwoPeaks(40.000f, 1000.0f, 40.100f, 500.0f);
  RemoveKa2Peaks(*kept, false);
  EXPECT_EQ(kept->peakCount, 2);

  // Wrong intensity ratio or a spacing far from the doublet: not a pair.
  auto strong = TwoPeaks(40.000f, 1000.0f, 40.100f, 900.0f);
  RemoveKa2Peaks(*strong, true);
  EXPECT_EQ(strong->peakCount, 2);
  auto far = TwoPeaks(40.000f, 1000.0f, 40.300f, 500.0f);
  RemoveKa2Peaks(*far, true);
  EXPECT_EQ(far->peakCount, 2);
}

TEST(Ka2Elimination, MarksOnlyTheHigherPeakOfEveryPairAndKeepsOrder) {
  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  // Two doublets and a lone peak between them; every pair is tested, not
  // only neighbours (the lone peak sits between 30.0 and its companion).
  const float theta[] = {30.000f, 30.020f, 30.075f, 60.000f, 60.166f};
  const float height[] = {800.0f, 50.0f, 400.0f, 2000.0f, 1000.0f};
  ws->peakCount = 5;
  for (int i = 1; i <= 5; ++i) {
    ws->peak2Theta[static_cast<std::size_t>(i)] = theta[i - 1];
    ws->peakIntensity[static_cast<std::size_t>(i)] = height[i - 1];
    ws->peakPointIndex[static_cast<std::size_t>(i)] = 100 * i;
  }
  RemoveKa2Peaks(*ws, true);
  ASSERT_EQ(ws->peakCount, 3);
  EXPECT_EQ(ws->peak2Theta[1], 30.000f);
  EXPECT_EQ(ws->peak2Theta[2], 30.020f);
  EXPECT_EQ(ws->peakPointIndex[2], 200);
  EXPECT_EQ(ws->peak2Theta[3], 60.000f);
}

TEST(Ka2Elimination, DegeneratePairsAreNotMarked) {
  // Same position with no wavelength difference (0/0), and zero heights.
  auto same = TwoPeaks(40.0f, 1000.0f, 40.0f, 500.0f);
  same->ka2Wavelength = same->ka1Wavelength;
  RemoveKa2Peaks(*same, true);
  EXPECT_EQ(same->peakCount, 2);
  auto zero = TwoPeaks(40.000f, 0.0f, 40.100f, 0.0f);
  RemoveKa2Peaks(*zero, true);
  EXPECT_EQ(zero->peakCount, 2);
  auto one = TwoPeaks(40.0f, 1000.0f, 0.0f, 0.0f);
  one->peakCount = 1;
  RemoveKa2Peaks(*one, true);
  EXPECT_EQ(one->peakCount, 1);
}

TEST(XraySourceDialog, ShowsFormatsParsesNumbersAndFollowsKa1) {
  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  platform::XraySourceDialog d = MakeXraySourceDialog(*ws);
  EXPECT_EQ(d.ka1Text, " 1.5405930");
  EXPECT_EQ(d.ka2Text, " 1.5444100");
  EXPECT_EQ(d.ratioText, " 0.500");
  EXPECT_EQ(d.radiusText, " 185.000");
  EXPECT_EQ(d.wavelengthToleranceText, " 0.05");
  EXPECT_EQ(d.intensityToleranceText, " 0.05");

  ChooseAnodeRow(d, 2);  // Co
  EXPECT_EQ(d.ka1Text, "1.78900");
  EXPECT_EQ(d.ka2Text, "1.79289");
  EXPECT_EQ(d.ratioText, " 0.500");
  d.radiusText = "abc";
  d.ratioText = "0.52";
  ApplyXraySourceDialog(*ws, d);
  EXPECT_FLOAT_EQ(ws->ka1Wavelength, 1.789f);
  EXPECT_FLOAT_EQ(ws->ka2Wavelength, 1.79289f);
  EXPECT_FLOAT_EQ(ws->ka2Ratio, 0.52f);
  EXPECT_EQ(ws->goniometerRadius, 185.0f) << "text that does not parse keeps the field";
  EXPECT_EQ(ws->wavelength, ws->ka1Wavelength);

  // A neutron pattern's own wavelength fills the Ka1 edit and stays, with the
  // X-ray source's Ka1, unless that edit is changed.
  ws->wavelength = 1.8265f;
  ws->wavelengthFromPattern = 1;
  d = MakeXraySourceDialog(*ws);
  EXPECT_EQ(d.ka1Text, " 1.8265001");
  ApplyXraySourceDialog(*ws, d);
  EXPECT_FLOAT_EQ(ws->wavelength, 1.8265f);
  EXPECT_FLOAT_EQ(ws->ka1Wavelength, 1.789f);
  d.ka1Text = "1.9";
  ApplyXraySourceDialog(*ws, d);
  EXPECT_FLOAT_EQ(ws->wavelength, 1.9f);
  EXPECT_FLOAT_EQ(ws->ka1Wavelength, 1.9f);
}

TEST(XraySourceCommand, OkStoresCancelKeeps) {
  auto ws = TwoPeaks(40.000f, 1000.0f, 40.100f, 500.0f);
  platform::ScriptedPlatform ui;
  platform::XraySourceDialog mo = MakeXraySourceDialog(*ws);
  ChooseAnodeRow(mo, 4);
  ui.xraySourceAnswers = {std::nullopt, mo};
  SetXraySourceCommand(*ws, ui);
  EXPECT_EQ(ws->wavelength, 1.540593f);
  SetXraySourceCommand(*ws, ui);
  EXPECT_FLOAT_EQ(ws->wavelength, 0.709317f);
  EXPECT_EQ(ws->peakCount, 2) << "the source command leaves the list alone";
  ASSERT_EQ(ui.xraySourceShown.size(), 2u);

  // Cancel inside the elimination leaves the list unfiltered.
  auto cu = TwoPeaks(40.000f, 1000.0f, 40.100f, 500.0f);
  platform::ScriptedPlatform cancel;
  Ka2Elimination(*cu, cancel, true);
  EXPECT_EQ(cu->peakCount, 2);
  EXPECT_EQ(cancel.xraySourceShown.size(), 1u);
}

}  // namespace
}  // namespace difscop::processing
