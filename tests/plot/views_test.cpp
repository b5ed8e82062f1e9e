// Several patterns in one plot, the axes other than 2theta and linear
// counts, and the map.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/scripted_platform.h"
#include "plot/axes.h"
#include "plot/geometry.h"
#include "plot/mouse.h"
#include "plot/palette.h"
#include "plot/range_commands.h"
#include "plot/view.h"
#include "plot_fixture.h"

namespace difscop::plot {
namespace {

using namespace testing;  // the fixture's workspaces and recording surface
using workspace::Layout, workspace::XAxis, workspace::YAxis;

constexpr float kCu = 1.540593f;

TEST(Axes, ConversionsAgainstHandComputedValues) {
  // Cu K-alpha 1: at 30 degrees theta is 15, sin 0.258819; at 90 sin 45 degrees.
  EXPECT_NEAR(DFromTwoTheta(30.0, kCu), 2.976197, 1e-6);
  EXPECT_NEAR(QFromTwoTheta(30.0, kCu), 2.111146, 1e-6);
  EXPECT_NEAR(DFromTwoTheta(90.0, kCu), 1.089364, 1e-6);
  EXPECT_NEAR(QFromTwoTheta(90.0, kCu), 5.767757, 1e-6);
  EXPECT_NEAR(AxisX(XAxis::kD, 20.0f, 0.7093f), 2.042348f, 1e-5f);  // Mo
  EXPECT_NEAR(TwoThetaFromD(2.976197, kCu), 30.0, 1e-5);
  EXPECT_NEAR(TwoThetaOfAxisX(XAxis::kQ, 5.767757f, kCu), 90.0f, 1e-3f);
  EXPECT_EQ(AxisX(XAxis::kTwoTheta, 42.5f, kCu), 42.5f);
  // No angle at or below 0 has a d; no d below half the wavelength, no Q beyond 4 pi / lambda.
  for (double v : {DFromTwoTheta(0.0, kCu), DFromTwoTheta(-3.0, kCu), DFromTwoTheta(181.0, kCu),
                   TwoThetaFromD(0.7, kCu), TwoThetaFromQ(8.2, kCu), DFromTwoTheta(30.0, 0.0)})
    EXPECT_TRUE(std::isnan(v)) << v;
  EXPECT_EQ(QFromTwoTheta(0.0, kCu), 0.0);
  // Square root keeps the sign; the log has nothing at or below zero.
  EXPECT_EQ((std::array{ScaleY(YAxis::kSqrt, -4.0f), ScaleY(YAxis::kLog, 1000.0f),
                        UnscaleY(YAxis::kSqrt, -3.0f), UnscaleY(YAxis::kLog, 2.0f)}),
            (std::array{-2.0f, 3.0f, -9.0f, 100.0f}));
  EXPECT_TRUE(std::isnan(ScaleY(YAxis::kLog, 0.0f)) && std::isnan(ScaleY(YAxis::kLog, -1.0f)));
  // A pattern's own wavelength (asked for, or stated by its file) or the X-ray source.
  workspace::Workspace ws;
  std::tie(ws.wavelength, ws.ka1Wavelength) = std::pair{1.9f, 0.7093f};
  EXPECT_EQ(PatternWavelength(ws, ws), 0.7093f);
  ws.fileWavelength = 1.912f;
  EXPECT_EQ(PatternWavelength(ws, ws), 1.912f);
  ws.wavelengthFromPattern = 1;
  EXPECT_EQ(PatternWavelength(ws, ws), 1.9f);
  EXPECT_EQ((std::array{NiceStep(0.13f), NiceStep(3.0f), NiceStep(7.0f), NiceStep(1000.0f)}),
            (std::array{0.2f, 5.0f, 10.0f, 1000.0f}));
}

// Three raw patterns of 101 points, 20 to 70 degrees, flat at 100, 200 and 400 counts
// with a peak of twice that at 40 degrees; the second is active.
std::unique_ptr<workspace::Workspace> ThreePatterns() {
  auto ws = MakeWorkspace();
  for (int k = 0; k < 3; ++k) {
    if (k > 0) workspace::AddPattern(*ws, "p" + std::to_string(k) + ".xy", PatternColour(k));
    const float level = 100.0f * static_cast<float>(1 << k);
    LoadPoints(*ws, {101}, 20.0f, 0.5f, [=](int i) { return i == 41 ? 2 * level : level; });
    ws->dataFilePath = "/data/p" + std::to_string(k) + ".xy";
  }
  ws->patterns[0].colour = PatternColour(0);
  workspace::Activate(*ws, 1);
  return ws;
}

RecordingSurface Paint(workspace::Workspace& ws) {
  RecordingSurface s;
  platform::ScriptedPlatform p;
  PaintPatternWindow(ws, p, s, 700, 480);
  return s;
}

TEST(Views, OverlayStackAndNormalisationOfSeveralPatterns) {
  auto ws = ThreePatterns();
  // Overlay: the range covers all three (the highest 800), a line each in its colour, the
  // active one too; a legend names them by file.
  RecordingSurface s = Paint(*ws);
  EXPECT_EQ((std::array{ws->xMin, ws->xMax, ws->yMin, ws->yMax}),
            (std::array{20.0f, 70.0f, 0.0f, 840.0f}));
  for (int k = 0; k < 3; ++k) {
    const auto lines = s.LinesIn(PatternColour(k));
    ASSERT_GT(lines.size(), 2u) << k;
    EXPECT_EQ(lines.front().from.y, DeviceY(*ws, 100.0f * (1 << k))) << k;
    ASSERT_TRUE(s.Text("p" + std::to_string(k) + ".xy")) << k;
  }
  EXPECT_TRUE(s.ellipses.empty());
  // Hidden patterns are left out of the drawing, the legend and the range.
  ws->patterns[2].visible = false;
  s = Paint(*ws);
  EXPECT_TRUE(s.LinesIn(PatternColour(2)).empty() && !s.Text("p2.xy"));
  ws->blankPlot = 0;
  ws->viewRangePending = 1;
  s = Paint(*ws);
  EXPECT_EQ(ws->yMax, 420.0f);
  ws->patterns[2].visible = true;
  // Normalised to the highest point: every peak at 100.
  ws->normalise = workspace::Normalise::kHighest;
  AutoRangeView(*ws);
  s = Paint(*ws);
  EXPECT_EQ(ws->yMax, 105.0f);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(s.LinesIn(PatternColour(k)).front().from.y, DeviceY(*ws, 50.0f));
  // To the mean over 20 to 30 degrees, on the d axis it was chosen on: every base at 100.
  std::tie(ws->normalise, ws->normaliseAxis, ws->normaliseFrom, ws->normaliseTo) =
      std::tuple{workspace::Normalise::kArea, XAxis::kD, DFromTwoTheta(30, kCu), 4.5f};
  s = Paint(*ws);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(s.LinesIn(PatternColour(k)).front().from.y, DeviceY(*ws, 100.0f));
  // Stacked: each a fifth of the highest above the one before.
  ws->normalise = workspace::Normalise::kNone;
  ws->layout = Layout::kStack;
  AutoRangeView(*ws);
  s = Paint(*ws);
  for (int k = 0; k < 3; ++k)
    EXPECT_EQ(s.LinesIn(PatternColour(k)).front().from.y, DeviceY(*ws, 100.0f * (1 << k) + 160.0f * k));
  // The readout is the active pattern's own counts; a background point is kept in them.
  ws->plotDrawn = 1;
  OnMouseMove(*ws, {DeviceX(*ws, 30.1f), DeviceY(*ws, 400.0f)});
  EXPECT_EQ(ws->statusPaneText[1], "y=200");
  std::tie(ws->backgroundPickMode, ws->backgroundPointCount) = std::pair{1, 0};
  OnLeftButtonDown(*ws, {DeviceX(*ws, 30.0f), DeviceY(*ws, 360.0f)});
  EXPECT_NEAR(ws->backgroundY[1], 200.0f, 2.0f / std::fabs(ws->yScale) + 1.0f);
}

TEST(Views, DAndLogAxesRangeReadZoomAndSetTheRangeInTheUnitShown) {
  auto ws = ThreePatterns();
  std::tie(ws->xAxis, ws->yAxis) = std::pair{XAxis::kD, YAxis::kLog};
  AutoRangeView(*ws);
  // d of 70 to 20 degrees is 1.34 to 4.44 Angstrom: a tenth of that rounds to steps of 0.5.
  EXPECT_NEAR(ws->xMin, 1.0f, 1e-5f);
  EXPECT_NEAR(ws->xMax, 4.5f, 1e-5f);
  EXPECT_EQ((std::pair{ws->yMin, ws->yMax}), (std::pair{100.0f, 1000.0f}));
  RecordingSurface s = Paint(*ws);
  EXPECT_TRUE(s.Text("d / \xC3\x85") && s.Text("1000") && s.Text(" 100") && s.Text("2.0"));
  // The pattern at 40 degrees (d 2.2520) lands where d puts it.
  const auto lines = s.LinesIn(PatternColour(1));
  const auto peak = std::ranges::min_element(lines, {}, [](const DrawnLine& l) {
    return l.pen.width == 1 ? l.to.y : 1000;  // not the legend's
  });
  EXPECT_NEAR(peak->to.x, DeviceX(*ws, static_cast<float>(DFromTwoTheta(40, kCu))), 1);
  EXPECT_EQ(peak->to.y, DeviceY(*ws, 400.0f));
  // A reference phase's stick at 40 degrees stands where the pattern's peak does, up to its
  // counts on the log scale; the one legend names it (a long name cut short) below the patterns.
  const Colour stickColour = workspace::RgbColour(1, 2, 3);
  const std::string longName(60, 'x');
  ws->referencePhases.push_back({longName, stickColour, {{40.0f, 400.0f, 1, 1, 1, 2.252f, 100.0f}}, {}});
  s = Paint(*ws);
  const auto sticks = s.LinesIn(stickColour);
  ASSERT_FALSE(sticks.empty());
  EXPECT_EQ(sticks[0].to.x, peak->to.x);
  EXPECT_EQ(std::min(sticks[0].from.y, sticks[0].to.y), DeviceY(*ws, 400.0f));
  const DrawnText* label = s.Text(std::string(37, 'x') + "...");
  ASSERT_NE(label, nullptr);
  EXPECT_GT(label->y, s.Text("p2.xy")->y);
  ws->referencePhases.clear();
  // Readout in d, the nearest point's counts.
  ws->plotDrawn = 1;
  OnMouseMove(*ws, {DeviceX(*ws, 2.252f), 200});
  EXPECT_NEAR(std::stof(ws->statusPaneText[0].substr(2)), 2.252f, 1.0f / ws->xScale);
  EXPECT_EQ(ws->statusPaneText[1], "y=400");
  // A zoom keeps the rectangle in d (not snapped to the 2theta grid) and in counts.
  OnLeftButtonDown(*ws, {DeviceX(*ws, 2.0f), DeviceY(*ws, 150.0f)});
  OnLeftButtonUp(*ws, {DeviceX(*ws, 3.0f), DeviceY(*ws, 500.0f)});
  EXPECT_NEAR(ws->xMin, 2.0f, 0.01f);
  EXPECT_NEAR(ws->yMin, 150.0f, 3.0f);
  EXPECT_NEAR(ws->yMax, 500.0f, 5.0f);
  // Points at or below zero are left out on a log scale.
  ws->obs[10].y = 0.0f;
  AutoRangeView(*ws);
  s = Paint(*ws);
  for (const auto& l : s.lines) EXPECT_LE(l.to.y, ws->plotBottom);
  // Set Range shows and takes decimals for d.
  platform::ScriptedPlatform p;
  p.rangeAnswers.push_back(std::array<std::string, 6>{"1.85", "2.5", "10", "900", "0.25", "100"});
  SetRangeCommand(*ws, p);
  EXPECT_EQ((std::array{ws->xMin, ws->xMax, ws->xTick, ws->yMin}), (std::array{1.85f, 2.5f, 0.25f, 10.0f}));
}

TEST(Views, MapRowsInListOrderColouredByTheHighestPointOfEachColumnAClickActivates) {
  auto ws = ThreePatterns();
  ws->layout = Layout::kMap;
  AutoRangeView(*ws);
  EXPECT_EQ((std::pair{ws->yMin, ws->yMax}), (std::pair{0.0f, 800.0f}));
  RecordingSurface s = Paint(*ws);
  const auto& img = s.image;
  ASSERT_EQ((std::array{img.width, img.height, img.where.top}),
            (std::array{ws->plotRight - ws->plotLeft + 1, ws->baseY - ws->plotTop, ws->plotTop}));
  auto pixel = [&](int px, int py) { return img.pixels[(py - ws->plotTop) * img.width + px - ws->plotLeft]; };
  // The first pattern at the bottom; its level 100 is an eighth of the scale.
  const int peakX = DeviceX(*ws, 40.0f), flatX = DeviceX(*ws, 25.0f);
  const int rowY[] = {ws->baseY - 10, (ws->baseY + ws->plotTop) / 2, ws->plotTop + 10};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(pixel(flatX, rowY[k]), MapColour(0.125f * (1 << k))) << k;
    EXPECT_EQ(pixel(peakX, rowY[k]), MapColour(0.25f * (1 << k))) << k;
  }
  // Thinned per column: a peak narrower than a pixel keeps its colour.
  ws->obs[41].y = 800.0f;
  ws->xMax = 2000.0f;
  s = Paint(*ws);
  EXPECT_EQ(s.image.pixels[(rowY[1] - ws->plotTop) * s.image.width + DeviceX(*ws, 40.0f) - ws->plotLeft],
            MapColour(1.0f));
  // A click on the top row activates the third pattern; a drag zooms the angles only.
  ws->plotDrawn = 1;
  OnLeftButtonDown(*ws, {300, rowY[2]});
  OnLeftButtonUp(*ws, {301, rowY[2]});
  EXPECT_EQ((std::pair{ws->activePattern, ws->windowTitle}),
            (std::pair{2, std::string("Difscop --- [File Name : /data/p2.xy]  ")}));
  OnLeftButtonDown(*ws, {200, rowY[2]});
  OnLeftButtonUp(*ws, {400, rowY[0]});
  EXPECT_TRUE(ws->xMax < 2000.0f && ws->yMax == 800.0f && ws->activePattern == 2);
}

}  // namespace
}  // namespace difscop::plot
