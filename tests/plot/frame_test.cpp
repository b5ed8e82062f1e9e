// Layout, frame and ticks, the whole paint, and the range commands.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/scripted_platform.h"
#include "plot/geometry.h"
#include "plot/range_commands.h"
#include "plot/zoom_history.h"
#include "plot_fixture.h"

namespace difscop::plot {
namespace {

using namespace testing;  // the fixture's workspaces and recording surface
using platform::ScriptedPlatform;

TEST(DrawFrame, RangesThatCannotBeScaledGetTheEmptyFrameTickLoopsAlwaysEnd) {
  const float big = 3.0e38f;
  // An empty x range, a reversed y range, a zero and a negative increment, a NaN end, and spans
  // that overflow.
  const ViewRange cases[] = {{50, 50, 0, 8000, 10, 1000},  {0, 100, 0, -5, 10, 1000},
                             {0, 100, 0, 8000, 0, 1000},   {0, 100, 0, 8000, 10, -50},
                             {0, NAN, 0, 8000, 10, 1000},  {-big, big, 0, 8000, 10, 1000},
                             {0, 100, -big, big, 10, 1000}};
  for (const ViewRange& range : cases) {
    auto ws = MakeWorkspace();
    range.ApplyTo(*ws);
    const RecordingSurface s = Frame(*ws);  // the axis titles and the outline only
    EXPECT_TRUE(!RangeDrawable(*ws) && ws->xScale == 0.0f && s.texts.size() == 2u &&
                s.lines.size() == 4u)
        << &range - cases;
  }
  // At 3e7 a float cannot hold 3e7 + 1: the loops stop where t stops growing;
  // a million ticks per axis are held to ten thousand each.
  auto ws = MakeWorkspace();
  ViewRange{3.0e7f, 3.0e7f + 64.0f, 3.0e7f, 3.0e7f + 64.0f, 1.0f, 1.0f}.ApplyTo(*ws);
  const std::size_t texts = Frame(*ws).texts.size();
  EXPECT_TRUE(texts >= 4u && texts < 200u) << texts;
  ViewRange{0.0f, 1.0e6f, 0.0f, 1.0e6f, 1.0f, 1.0f}.ApplyTo(*ws);
  EXPECT_EQ(Frame(*ws).texts.size(), 2u * 10000u + 2u);
}

TEST(DrawFrame, LayoutTicksLabelsAndTitlesOfA700By480Client) {
  auto ws = MakeWorkspace();
  ws->rawLoaded = 1;
  const RecordingSurface s = Frame(*ws);
  int xTicks = 0, yTicks = 0;  // inwards, none at the end of the x axis
  for (const auto& l : s.LinesIn(kFrame)) {
    xTicks += l.from.y == 390 && l.to.y == 381 && l.from.x == l.to.x && l.from.x != 656;
    yTicks += l.from.x == 100 && l.to.x == 109 && l.from.y == l.to.y;
  }
  EXPECT_EQ((std::pair{xTicks, yTicks}), (std::pair{10, 9}));
  // Transparent text in the label font and colour. x labels at (px - 2w,
  // plotBottom + h/2); y labels "   0".."8000" end one character width left
  // of the axis; the titles centred on their axes, the y title upwards.
  const DrawnText* zero = s.Text("  0");
  EXPECT_EQ((std::tuple{zero->transparent, zero->colour, zero->font.height, zero->font.width}),
            (std::tuple{true, kFont, 18, 9}));
  using At = std::array<int, 3>;  // x, y, escapement
  std::vector<At> at;
  for (const char* text : {"  0", "   0", "1000", "8000", "Two theta / deg", "Intensity / cps"})
    at.push_back({s.Text(text)->x, s.Text(text)->y, s.Text(text)->font.escapement});
  EXPECT_EQ(
      at,
      (std::vector<At>{
          {82, 399, 0}, {55, 347, 0}, {55, 307, 0}, {55, 21, 0}, {306, 426, 0}, {28, 265, 900}}));
  // A fit: a marker row per phase, the difference zero line below the baseline.
  std::tie(ws->rawLoaded, ws->phaseCount) = std::pair{0, 3};
  const PlotGeometry g = ComputePlotGeometry(*ws, 700, 480);
  EXPECT_EQ((std::array{g.baseY, g.markerRowY[1], g.markerRowY[2], g.markerRowY[3], g.diffZeroY}),
            (std::array{306, 324, 335, 346, 357}));
  for (auto [phases, base] : {std::pair{50, 360 - 9 * 12}, {-4, 360 - 9 * 3}}) {  // held to 0..9
    ws->phaseCount = phases;
    EXPECT_EQ(ComputePlotGeometry(*ws, 700, 480).baseY, base) << phases;
  }
}

TEST(DrawFrame, XLabelsOnWholeDegreesInsideTheRangeYLabelDigitsOfTheTop) {
  // 10.4 rounds to 10, below the range: the first label is 11, 0.6 degrees in. A start that
  // rounds up past the end leaves no x label.
  const struct {
    ViewRange range;
    std::vector<std::string> xLabels;
    float firstOffset;  // of the first label's angle from the range start
  } cases[] = {{{0, 100, 0, 8000, 10, 1000},
                {"  0", " 10", " 20", " 30", " 40", " 50", " 60", " 70", " 80", " 90", "100"},
                0},
               {{10.4f, 15, 0, 12345, 1, 5000}, {" 11", " 12", " 13", " 14", " 15"}, 0.6f},
               {{10.6f, 10.9f, 0, 9999, 1, 1000}, {}, 0}};
  for (const auto& c : cases) {
    auto ws = MakeWorkspace();
    c.range.ApplyTo(*ws);
    const RecordingSurface s = Frame(*ws);
    std::vector<std::string> xLabels;  // all on one row below the frame
    for (const auto& t : s.texts)
      if (t.y == 399) xLabels.push_back(t.text);
    EXPECT_EQ(xLabels, c.xLabels) << c.range.xMin;
    if (!xLabels.empty()) {
      EXPECT_EQ(s.Text(xLabels[0])->x, 100 + static_cast<int>(c.firstOffset * ws->xScale) - 18);
    }
  }
  const std::pair<float, int> digits[] = {{8000, 4}, {9999.9f, 4}, {10000, 5},   {0, 1},
                                          {-300, 1}, {0.01f, 1},   {INFINITY, 1}};
  for (auto [top, n] : digits) EXPECT_EQ(YLabelDigits(top), n) << top;
}

TEST(Paint, TicksSetByHandAreShownOnce) {
  auto ws = MakeWorkspace();
  ScriptedPlatform p;
  RecordingSurface first, second;
  LoadPoints(*ws, {400}, 10.0f, 0.1f, [](int i) { return 100.0f + i; });
  ws->xTick = 7;
  PaintPatternWindow(*ws, p, first, 700, 480);  // 10 is chosen, and shown from the next paint on
  EXPECT_TRUE(first.Text(" 17") && ws->plotDrawn && ws->xTick == 10.0f);
  PaintPatternWindow(*ws, p, second, 700, 480);
  EXPECT_TRUE(!second.Text(" 17") && second.Text(" 20") && second.EllipsesIn(kObs).size() == 398u);
}

TEST(SetRange, ShowsTheRangeTakesWholeNumbersRefusesRangesThatLeaveNothingToDraw) {
  auto ws = MakeWorkspace();
  // The intensity spins reach one tenth of the top's decade.
  for (auto [top, spin] :
       {std::pair{8000.0f, 100}, {123456.0f, 10000}, {-5.0f, 0}, {INFINITY, 0}}) {
    ws->yMax = top;
    EXPECT_EQ(MakeSetRangeDialog(*ws).fields[3].spinMaximum, spin) << top;
  }
  using Texts = std::array<std::string, 6>;
  const ViewRange kept{5, 100, 0, 8000, 10, 1000};
  // Taken; cancelled at once; refused: an empty x range, a y start above its end (no digits
  // read as 0), a zero and a negative increment; refused, then taken.
  const struct {
    std::vector<Texts> answers;  // then Cancel
    int refusals;
    ViewRange after;
  } cases[] = {
      {{{"12.5", "30", "100", "5000", "2", "500"}}, 0, {12, 30, 100, 5000, 2, 500}},
      {{}, 0, kept},
      {{{"50", "50", "0", "8000", "10", "1000"}}, 1, kept},
      {{{"0", "100", "500", "abc", "10", "1000"}}, 1, kept},
      {{{"0", "100", "0", "8000", "0", "1000"}}, 1, kept},
      {{{"0", "100", "0", "8000", "10", "-100"}}, 1, kept},
      {{{"0", "1", "0", "1", "1", "0"}, {"0", "1", "0", "1", "1", "1"}}, 1, {0, 1, 0, 1, 1, 1}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answers.empty() ? "cancel" : c.answers.back()[0]);
    ws = MakeWorkspace();
    ws->xMin = 5;
    ScriptedPlatform p;
    for (const Texts& a : c.answers) p.rangeAnswers.push_back(a);
    SetRangeCommand(*ws, p);  // a refused dialog opens again with what was typed
    const bool taken = c.answers.size() > static_cast<std::size_t>(c.refusals);
    EXPECT_EQ(p.messages, std::vector<std::string>(c.refusals, kBadRangeMessage));
    EXPECT_TRUE(p.repaints == (taken ? 1 : 0) && ViewRange::Of(*ws) == c.after);
    ASSERT_EQ(p.rangeShown.size(), c.answers.size() + (taken ? 0 : 1));
    for (std::size_t k = 1; k < p.rangeShown.size(); ++k)
      EXPECT_EQ(p.rangeShown[k].fields[3].text, c.answers[k - 1][3]);
  }
}

}  // namespace
}  // namespace difscop::plot
