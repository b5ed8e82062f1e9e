#include "processing/peak_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "pattern_fixture.h"
#include "platform/scripted_platform.h"

namespace difscop::processing {
namespace {

using testing::Gauss;
using testing::MakePattern;
namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A pattern drawn in a 600 x 400 frame from 20 to 40 degrees: one degree is
// 30 pixels, x = 100 is 20 degrees.
std::unique_ptr<workspace::Workspace> Drawn() {
  auto ws = MakePattern(1001, 20.0f, 0.02f, [](float x) {
    return 50.0f + Gauss(x, 25.0f, 1000.0f, 0.12f) + Gauss(x, 33.0f, 700.0f, 0.12f);
  });
  ws->xMin = 20.0f;
  ws->xMax = 40.0f;
  ws->plotLeft = 100;
  ws->plotRight = 700;
  ws->plotTop = 50;
  ws->plotBottom = 450;
  ws->xScale = 30.0f;
  ws->plotDrawn = 1;
  return ws;
}

int XOf(float twoTheta) {
  return 100 + static_cast<int>(std::lround((twoTheta - 20.0f) * 30.0f));
}

TEST(ManualPeaks, DoubleClicksPickThePointBelowTheCursorInClickOrder) {
  auto ws = Drawn();
  platform::ScriptedPlatform ui;
  ManualPeakSearchCommand(*ws, ui);
  EXPECT_TRUE(ws->manualPeakMode);
  EXPECT_EQ(ws->cursorPos.x, 101);
  EXPECT_EQ(ws->cursorPos.y, 449);

  ws->cursorPos = {XOf(33.0f), 300};
  DoubleClickResponse r = OnPlotDoubleClick(*ws, {XOf(33.0f), 300});
  EXPECT_TRUE(r.drawMarkers);
  EXPECT_EQ(r.cursorX, XOf(33.0f));
  OnPlotDoubleClick(*ws, {XOf(25.0f), 300});
  OnPlotDoubleClick(*ws, {XOf(25.0f), 300});
  ASSERT_EQ(ws->manualPeakCount, 3);
  EXPECT_EQ(ws->obs[static_cast<std::size_t>(ws->peakPointIndex[1])].x, ws->peak2Theta[1]);
  EXPECT_NEAR(ws->peak2Theta[1], 33.0f, 0.021f);
  EXPECT_EQ(ws->peakPointIndex[2], ws->peakPointIndex[3]);

  // Refining lists them in click order at the fitted vertices, and again
  // gives the same values.
  RefineManualPeaks(*ws);
  ASSERT_EQ(ws->peakCount, 3);
  EXPECT_NEAR(ws->peak2Theta[1], 33.0f, 0.01f);
  EXPECT_NEAR(ws->peak2Theta[2], 25.0f, 0.01f);
  EXPECT_NEAR(ws->peakD[2], workspace::DSpacing(ws->wavelength, ws->peak2Theta[2]), 1e-6f);
  const float first = ws->peak2Theta[1];
  RefineManualPeaks(*ws);
  EXPECT_EQ(ws->peak2Theta[1], first);
}

TEST(ManualPeaks, ClicksOutsideTheDataOrFrameOrBeyondCapacityAddNothing) {
  auto ws = Drawn();
  ws->xMin = 10.0f;  // the frame now starts ten degrees before the data
  platform::ScriptedPlatform ui;
  ManualPeakSearchCommand(*ws, ui);
  DoubleClickResponse outside = OnPlotDoubleClick(*ws, {110, 300});  // 10.33 degrees
  EXPECT_TRUE(outside.drawMarkers) << "the marker is drawn even without a peak";
  EXPECT_EQ(ws->manualPeakCount, 0);
  EXPECT_FALSE(OnPlotDoubleClick(*ws, {100, 300}).drawMarkers);  // on the frame edge
  EXPECT_FALSE(OnPlotDoubleClick(*ws, {400, 40}).drawMarkers);   // above the frame

  for (int i = 0; i < 205; ++i) OnPlotDoubleClick(*ws, {500, 300});
  EXPECT_EQ(ws->manualPeakCount, 200);

  ws->manualPeakMode = 0;
  EXPECT_FALSE(OnPlotDoubleClick(*ws, {500, 300}).drawMarkers);
  ws->manualPeakMode = 1;
  ws->plotDrawn = 0;
  EXPECT_FALSE(OnPlotDoubleClick(*ws, {500, 300}).drawMarkers);
}

TEST(PeakListFile, LineLayoutAndHeader) {
  auto ws = std::make_unique<workspace::Workspace>();
  ws->peakCount = 2;
  ws->peak2Theta[1] = 28.443f;
  ws->peakD[1] = 3.1356f;
  ws->peakIntensity[1] = 1234.4f;
  ws->peak2Theta[2] = 112.5f;
  ws->peakD[2] = 0.91f;
  ws->peakIntensity[2] = 99999.6f;
  EXPECT_EQ(PeakListLine(*ws, 1), "  1  28.443  3.1356     1234");
  EXPECT_EQ(PeakListFileContents(*ws),
            "No.  2theta     d   Intensity\r\n"
            "  1  28.443  3.1356     1234\r\n"
            "  2 112.500  0.9100   100000\r\n");
}

class PeakListCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("difscop_peaklist_" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
  platform::ScriptedPlatform ui;
};

TEST_F(PeakListCommandTest, ShowsRefinedManualPeaksAndSavesTheFile) {
  auto ws = Drawn();
  ManualPeakSearchCommand(*ws, ui);
  OnPlotDoubleClick(*ws, {XOf(33.0f), 300});
  OnPlotDoubleClick(*ws, {XOf(25.0f), 300});
  const fs::path target = dir / "peaks.txt";
  ui.peakListSaveAsPresses = {2};
  ui.saveAnswers = {std::nullopt, target.string()};
  SearchedPeakListCommand(*ws, ui);
  ASSERT_EQ(ui.peakListShown.size(), 1u);
  const platform::PeakListDialog& shown = ui.peakListShown[0];
  EXPECT_EQ(shown.header, "No.  2theta     d     Intens.");
  ASSERT_EQ(shown.lines.size(), 2u);
  EXPECT_EQ(shown.lines[0], PeakListLine(*ws, 1));
  EXPECT_NEAR(ws->peak2Theta[1], 33.0f, 0.01f);
  ASSERT_EQ(ui.saveRequests.size(), 2u);
  EXPECT_EQ(ui.saveRequests[0].filter, "Text File (*.txt)|*.txt|Other Files (*.*)|*.*||");
  EXPECT_EQ(ui.saveRequests[0].defaultExtension, ".txt");
  EXPECT_EQ(ReadAll(target), "No.  2theta     d   Intensity\r\n" + shown.lines[0] + "\r\n" +
                                 shown.lines[1] + "\r\n");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PeakListCommandTest, UnwritableTargetIsReportedAndOldFileKept) {
  auto ws = Drawn();
  ws->autoPeaksFound = 1;
  ws->peakCount = 0;
  ui.peakListSaveAsPresses = {1};
  ui.saveAnswers = {(dir / "missing" / "peaks.txt").string()};
  SearchedPeakListCommand(*ws, ui);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("peaks.txt"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "missing"));

  ws->rawLoaded = 0;
  SearchedPeakListCommand(*ws, ui);
  ManualPeakSearchCommand(*ws, ui);
  EXPECT_EQ(ui.messages.back(), "Only Raw Data Available !!!");
  EXPECT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.peakListShown.size(), 1u);
}

}  // namespace
}  // namespace difscop::processing
