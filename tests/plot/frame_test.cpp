// Layout, frame and ticks, the whole paint, and the range commands.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "platform/scripted_platform.h"
#include "plot/geometry.h"
#include "plot/plot.h"
#include "plot/range_commands.h"
#include "plot/zoom_history.h"
#include "plot_fixture.h"

namespace difscop::plot {
namespace {

using platform::ScriptedPlatform;
using testing::MakeWorkspace;
using testing::RecordingSurface;

RecordingSurface Frame(workspace::Workspace& ws) {
  RecordingSurface s;
  DrawFrame(ws, s, 700, 480);
  return s;
}

// The x labels, which all stand on one row below the frame.
std::vector<std::string> XLabels(const RecordingSurface& s) {
  std::vector<std::string> out;
  for (const auto& t : s.texts)
    if (t.y == 399) out.push_back(t.text);
  return out;
}

TEST(PlotGeometry, LayoutOfA700By480Client) {
  auto ws = MakeWorkspace();
  ws->rawLoaded = 1;
  PlotGeometry g = ComputePlotGeometry(*ws, 700, 480);
  EXPECT_EQ((std::array{g.plotLeft, g.plotRight, g.plotTop, g.plotBottom, g.yTickLength, g.rowStep, g.baseY}),
            (std::array{100, 656, 30, 390, 9, -9, 356}));
  EXPECT_EQ((std::pair{g.xScale, g.yScale}), (std::pair{556 / 100.0f, -326.0f / 8000.0f}));

  // A fit: a marker row per phase and the difference zero line below the baseline.
  ws->rawLoaded = 0;
  ws->phaseCount = 3;
  g = ComputePlotGeometry(*ws, 700, 480);
  EXPECT_EQ((std::array{g.baseY, g.markerRowY[1], g.markerRowY[2], g.markerRowY[3], g.diffZeroY}),
            (std::array{306, 324, 335, 346, 357}));
  StoreGeometry(*ws, g);
  EXPECT_EQ(testing::Box(ws->frameRect), (std::array{100, 30, 656, 390}));
  EXPECT_TRUE(ws->markerRowY[3] == 346 && ws->diffZeroY == 357 && ws->yScale == g.yScale);

  // Phase counts beyond the tables are held to them.
  for (auto [phases, base] : {std::pair{50, 360 - 9 * 12}, {-4, 360 - 9 * 3}}) {
    ws->phaseCount = phases;
    EXPECT_EQ(ComputePlotGeometry(*ws, 700, 480).baseY, base) << phases;
  }
}

TEST(PlotGeometry, RangesThatCannotBeScaledGetTheEmptyFrame) {
  const float big = 3.0e38f;
  struct Case {
    const char* what;
    ViewRange range;
    bool drawable;
  } cases[] = {
      {"reset range", {0, 100, 0, 8000, 10, 1000}, true},
      {"empty x", {50, 50, 0, 8000, 10, 1000}, false},
      {"reversed y", {0, 100, 0, -5, 10, 1000}, false},
      {"zero x increment", {0, 100, 0, 8000, 0, 1000}, false},
      {"negative y increment", {0, 100, 0, 8000, 10, -50}, false},
      {"NaN end", {0, NAN, 0, 8000, 10, 1000}, false},
      {"x span overflows", {-big, big, 0, 8000, 10, 1000}, false},
      {"y span overflows", {0, 100, -big, big, 10, 1000}, false},
  };
  for (const Case& c : cases) {
    auto ws = MakeWorkspace();
    c.range.ApplyTo(*ws);
    EXPECT_EQ(RangeDrawable(*ws), c.drawable) << c.what;
    RecordingSurface s = Frame(*ws);
    EXPECT_EQ(ws->xScale != 0.0f, c.drawable) << c.what;
    // Else the axis titles and the outline only.
    EXPECT_TRUE(c.drawable || (s.texts.size() == 2u && s.lines.size() == 4u)) << c.what;
  }
}

TEST(DrawFrame, ResetRangeLabelsTicksAndTitles) {
  auto ws = MakeWorkspace();
  ws->rawLoaded = 1;
  RecordingSurface s = Frame(*ws);
  // The client area, then the inside of the frame.
  std::vector<std::pair<std::array<int, 4>, workspace::Colour>> fills;
  for (const auto& [box, colour] : s.fills) fills.push_back({testing::Box(box), colour});
  EXPECT_EQ(fills, (decltype(fills){{{0, 0, 700, 480}, testing::kBack}, {{100, 30, 656, 390}, testing::kBase}}));

  // Top left at (px - 2w, plotBottom + h/2); no tick at the end.
  const auto* zero = s.Text("  0");
  EXPECT_EQ((std::tuple{zero->transparent, zero->colour, zero->font.height, zero->font.width}),
            (std::tuple{true, testing::kFont, 18, 9}));
  int xTicks = 0, yTicks = 0;
  for (const auto& l : s.LinesIn(testing::kFrame)) {
    if (l.from.y == 390 && l.to.y == 381 && l.from.x == l.to.x && l.from.x != 656) ++xTicks;
    if (l.from.x == 100 && l.to.x == 109 && l.from.y == l.to.y) ++yTicks;
  }
  EXPECT_EQ((std::pair{xTicks, yTicks}), (std::pair{10, 9}));

  // y labels "   0".."8000" end one character width left of the axis.
  EXPECT_EQ((std::array{s.Text("   0")->x, s.Text("   0")->y, s.Text("1000")->y, s.Text("8000")->y}),
            (std::array{100 - 9 - 36, 356 - 9, 316 - 9, 30 - 9}));
  const auto* xTitle = s.Text("Two theta / deg");
  EXPECT_EQ((std::array{xTitle->x, xTitle->y, xTitle->font.escapement}),
            (std::array{100 + 278 - 72, 390 + 36, 0}));
  const auto* yTitle = s.Text("Intensity / cps");
  EXPECT_EQ((std::array{yTitle->x, yTitle->y, yTitle->font.escapement}),
            (std::array{55 - 27, 30 + 163 + 72, 900}));
}

TEST(DrawFrame, XLabelsOnWholeDegreesInsideTheRangeYLabelsAsWideAsTheTop) {
  const struct {
    ViewRange range;
    std::vector<std::string> xLabels;
    const char* xLabel;
    float offset;  // of that label's angle from the range start
    const char* yLabel;
    int yLabelX;
  } cases[] = {
      {{0, 100, 0, 8000, 10, 1000},
       {"  0", " 10", " 20", " 30", " 40", " 50", " 60", " 70", " 80", " 90", "100"}, " 70", 70, "1000", 100 - 9 - 36},
      // 10.4 rounds to 10, below the range: the first label is 11.
      {{10.4f, 15, 0, 12345, 1, 5000}, {" 11", " 12", " 13", " 14", " 15"}, " 11", 0.6f, "10000", 100 - 9 - 45},
      // A start that rounds up past the end leaves no x label.
      {{10.6f, 10.9f, 0, 9999, 1, 1000}, {}, nullptr, 0, "9000", 100 - 9 - 36},
  };
  for (const auto& c : cases) {
    auto ws = MakeWorkspace();
    c.range.ApplyTo(*ws);
    const RecordingSurface s = Frame(*ws);
    EXPECT_EQ(XLabels(s), c.xLabels) << c.range.xMin;
    if (c.xLabel) { EXPECT_EQ(s.Text(c.xLabel)->x, 100 + static_cast<int>(c.offset * ws->xScale) - 18) << c.xLabel; }
    ASSERT_NE(s.Text(c.yLabel), nullptr) << c.yLabel;
    EXPECT_EQ(s.Text(c.yLabel)->x, c.yLabelX) << c.yLabel;
  }
  const std::pair<float, int> digits[] = {{8000, 4}, {9999.9f, 4}, {10000, 5}, {0, 1}, {-300, 1}, {0.01f, 1}, {INFINITY, 1}};
  for (auto [top, n] : digits) EXPECT_EQ(YLabelDigits(top), n) << top;
}

TEST(DrawFrame, TickLoopsAlwaysEnd) {
  // At 3e7 a float cannot hold 3e7 + 1: the loops stop where t stops growing.
  auto ws = MakeWorkspace();
  ViewRange{3.0e7f, 3.0e7f + 64.0f, 3.0e7f, 3.0e7f + 64.0f, 1.0f, 1.0f}.ApplyTo(*ws);
  const std::size_t texts = Frame(*ws).texts.size();
  EXPECT_TRUE(texts >= 4u && texts < 200u) << texts;
  // A million ticks per axis are held to ten thousand each.
  ViewRange{0.0f, 1.0e6f, 0.0f, 1.0e6f, 1.0f, 1.0f}.ApplyTo(*ws);
  EXPECT_EQ(Frame(*ws).texts.size(), 2u * 10000u + 2u);
}

TEST(Paint, EmptyPlotIsTheFrameAloneTicksSetByHandAreShownOnce) {
  auto ws = MakeWorkspace();
  ws->obsCount = 50;  // stale data from an earlier load are never drawn
  ScriptedPlatform p;
  RecordingSurface empty, first, second;
  PaintPatternWindow(*ws, p, empty, 700, 480);
  EXPECT_TRUE(empty.ellipses.empty() && empty.Text("8000") && !ws->plotDrawn && ws->plotLeft == 100);

  testing::LoadRaw(*ws, 400, 10.0f, 0.1f, [](int i) { return 100.0f + i; });
  ws->xTick = 7;
  PaintPatternWindow(*ws, p, first, 700, 480);
  // 10 is chosen for 10..50 degrees and shown from the next paint on.
  EXPECT_TRUE(first.Text(" 17") && ws->plotDrawn && ws->xTick == 10.0f);
  PaintPatternWindow(*ws, p, second, 700, 480);
  EXPECT_TRUE(!second.Text(" 17") && second.Text(" 20"));
  EXPECT_EQ(second.EllipsesIn(testing::kObs).size(), 398u);
}

TEST(Paint, FileNamedOnTheCommandLineIsLoadedByTheFirstPaint) {
  for (const bool exists : {true, false}) {
    auto ws = MakeWorkspace();
    ws->dataFilePath = exists ? DIFSCOP_SOURCE_DIR "/examples/simulated.sim" : DIFSCOP_BINARY_DIR "/no_such_pattern.sim";
    std::tie(ws->simulationMode, ws->commandLineFilePending, ws->blankPlot) = std::tuple{1, 1, 0};
    ScriptedPlatform p;
    RecordingSurface s, again;
    PaintPatternWindow(*ws, p, s, 700, 480);
    // A loaded pattern lays the frame out again with its own range; a failed
    // load shows its message once and leaves the empty frame.
    EXPECT_EQ((std::array<int, 4>{ws->plotDrawn, s.Calls("fill"), s.LinesIn(testing::kCalc).size() > 1000u,
                                  static_cast<int>(p.messages.size())}),
              (std::array<int, 4>{exists, exists ? 4 : 2, exists, !exists}));
    PaintPatternWindow(*ws, p, again, 700, 480);
    EXPECT_EQ(p.messages.size(), exists ? 0u : 1u) << exists;
  }
}

TEST(SetRange, DialogShowsTheRangeWithItsSpins) {
  auto ws = MakeWorkspace();
  ws->xMin = 10.7f;
  ws->xMax = 90;
  const platform::SetRangeDialog d = MakeSetRangeDialog(*ws);
  // Label=text, then spin maximum, position and the value of position 3; the
  // intensity spins reach one tenth of the top's decade.
  std::string shown;
  for (const platform::RangeField& f : d.fields)
    shown += f.label + "=" + f.text + " " + std::to_string(f.spinMaximum) + "/" +
             std::to_string(f.spinPosition) + "/" + std::to_string(f.SpinValue(3)) + "; ";
  EXPECT_EQ(shown,
            "Start of x :=10 20/1/30; End of x :=90 20/9/30; Start of y :=0 100/0/300; "
            "End of y :=8000 100/80/300; Increment of x :=10 50/10/3; Increment of y :=1000 100/10/300; ");
  ws->yMax = 123456;
  EXPECT_EQ(MakeSetRangeDialog(*ws).fields[2].spinMaximum, 10000);
  ws->yMax = -5;
  EXPECT_EQ(MakeSetRangeDialog(*ws).fields[2].spinMaximum, 0);
}

TEST(SetRange, TakesWholeNumbersRefusesRangesThatLeaveNothingToDraw) {
  using Texts = std::array<std::string, 6>;
  const ViewRange kept{5, 100, 0, 8000, 10, 1000};
  const struct {
    std::vector<Texts> answers;  // then Cancel
    int refusals;
    ViewRange after;
  } cases[] = {
      {{{"12.5", "30", "100", "5000", "2", "500"}}, 0, {12, 30, 100, 5000, 2, 500}},
      {{}, 0, kept},                                          // Cancel at once
      {{{"50", "50", "0", "8000", "10", "1000"}}, 1, kept},   // empty x range
      {{{"60", "20", "0", "8000", "10", "1000"}}, 1, kept},   // reversed
      {{{"0", "100", "500", "abc", "10", "1000"}}, 1, kept},  // no digits: 0, below the start
      {{{"0", "100", "0", "8000", "0", "1000"}}, 1, kept},    // zero increment
      {{{"0", "100", "0", "8000", "10", "-100"}}, 1, kept},   // negative increment
      {{{"0", "1", "0", "1", "1", "0"}, {"0", "1", "0", "1", "1", "1"}}, 1, {0, 1, 0, 1, 1, 1}},
  };
  for (const auto& c : cases) {
    auto ws = MakeWorkspace();
    ws->xMin = 5;
    ScriptedPlatform p;
    for (const Texts& a : c.answers) p.rangeAnswers.push_back(a);
    SetRangeCommand(*ws, p);
    const bool taken = c.answers.size() > static_cast<std::size_t>(c.refusals);
    const std::string what = c.answers.empty() ? "cancel" : c.answers.back()[0];
    EXPECT_EQ(p.messages, std::vector<std::string>(c.refusals, kBadRangeMessage)) << what;
    EXPECT_EQ(p.repaints, taken ? 1 : 0) << what;
    EXPECT_EQ(ViewRange::Of(*ws), c.after) << what;
    // A refused dialog opens again with what was typed.
    ASSERT_EQ(p.rangeShown.size(), c.answers.size() + (taken ? 0 : 1)) << what;
    for (std::size_t k = 1; k < p.rangeShown.size(); ++k)
      for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(p.rangeShown[k].fields[i].text, c.answers[k - 1][i]) << what;
  }
}

TEST(ClearPattern, ResetsKeepsThePathAndRepaints) {
  auto ws = MakeWorkspace();
  testing::LoadRaw(*ws, 10, 20.0f, 1.0f, [](int) { return 5.0f; });
  ws->dataFilePath = "/data/quartz.raw";
  ws->plotDrawn = 1;
  ScriptedPlatform p;
  ClearPatternCommand(*ws, p);
  EXPECT_EQ(ws->windowTitle + ws->dataFilePath, "Difscop --- [File Name :] /data/quartz.raw");
  EXPECT_TRUE(ws->blankPlot && !ws->rawLoaded && !ws->plotDrawn && p.repaints == 1);
  EXPECT_EQ(ViewRange::Of(*ws), (ViewRange{0, 100, 0, 8000, 10, 1000}));
}

}  // namespace
}  // namespace difscop::plot
