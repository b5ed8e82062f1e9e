#include "workspace/workspace.h"
#include "workspace/palette.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace difscop::workspace;
using namespace std::string_literals;

TEST(ChooseTicks, StepsChangeExactlyAtEachBoundary) {
  auto ws = std::make_unique<Workspace>();
  ws->xMin = ws->yMin = 0;
  // {range, tick}: on each boundary and just below it.
  const std::pair<float, float> x[] = {{100, 20}, {99.9f, 10}, {40, 10}, {39.9f, 5},
                                       {20, 5},   {19.9f, 2},  {10, 2},  {9.99f, 1}};
  const std::pair<float, float> y[] = {
      {500000, 100000}, {499999, 50000}, {100000, 50000}, {99999, 10000}, {50000, 10000},
      {49999, 5000},    {10000, 5000},   {9999, 1000},    {5000, 1000},   {4999, 500},
      {1000, 500},      {999, 100},      {200, 100},      {199, 50},      {0, 50}};
  for (std::size_t i = 0; i < std::size(y); ++i) {
    const auto [r, xTick] = x[i % std::size(x)];
    ws->xMax = r;
    ws->yMax = y[i].first;
    ChooseTicks(*ws);
    EXPECT_EQ(std::pair(ws->xTick, ws->yTick), std::pair(xTick, y[i].second))
        << r << " " << y[i].first;
  }
}

TEST(AutoRange, RoundsTheExtremesOutwardsOrKeepsTheResetRange) {
  struct Case {
    const char* what;
    bool simulation;
    std::vector<Point> points;
    std::array<float, 4> range;  // xMin, xMax, yMin, yMax
  };
  const Case cases[] = {
      {"highest last", false, {{5.02f, 100}, {40, 50}, {89.98f, 8123}}, {0, 90, 0, 8610}},
      {"downwards, no count", false, {{89.98f, 0}, {40, 0}, {5.02f, 0}}, {0, 90, 0, 105}},
      // Background-subtracted data: the lowest intensity stays within the range.
      {"below zero", false, {{10, -1.23f}, {20, 49.5f}, {30, -250}}, {10, 30, -300, 105}},
      {"two points", false, {{12, 10}, {31, 99}}, {10, 40, 0, 105}},
      {"calc when simulated", true, {{12, 10}, {13, 20}, {31, 99}}, {10, 40, 0, 105}},
      {"one point", false, {{20, 100}}, {0, 100, 50, 8000}},
      {"one angle", false, {{20, 0}, {20, 0}}, {0, 100, 50, 8000}},
  };
  for (const Case& c : cases) {
    auto ws = std::make_unique<Workspace>();
    ws->yMin = 50;
    ws->simulationMode = c.simulation;
    ws->obsCount = static_cast<int>(c.points.size());
    for (int i = 1; i <= ws->obsCount; ++i) {
      (c.simulation ? ws->calc : ws->obs)[i] = c.points[i - 1];
      if (c.simulation) ws->obs[i] = {-50, 1e6f};
    }
    AutoRange(*ws);
    EXPECT_EQ((std::array{ws->xMin, ws->xMax, ws->yMin, ws->yMax}), c.range) << c.what;
  }
}

TEST(ResetWorkspace, ClearsTheViewButKeepsDataColoursAndResultsAndTitles) {
  auto ws = std::make_unique<Workspace>();
  ws->obsCount = 7;
  ws->cellRefRunDone = ws->pairedIntLoad = ws->itoRunDone = ws->rawLoaded = 1;
  ws->blankPlot = ws->colorDrawing = 0;
  ws->colObs = 42;
  ws->wavelength = 2.0f;
  ws->backgroundPointCount = 5;
  ws->statusPaneText[0] = "x= 20.0";
  ws->xMax = 55;
  ResetWorkspace(*ws);
  EXPECT_EQ((std::vector<int>{ws->obsCount, ws->cellRefRunDone, ws->pairedIntLoad,
                              static_cast<int>(ws->colObs), ws->itoRunDone, ws->rawLoaded,
                              ws->backgroundPointCount, ws->blankPlot, ws->colorDrawing}),
            (std::vector<int>{7, 1, 1, 42, 0, 0, 0, 1, 1}));
  EXPECT_EQ(std::tuple(ws->wavelength, ws->xMax, ws->xTick, ws->yTick, ws->statusPaneText[0]),
            std::tuple(1.540593f, 100.0f, 10.0f, 1000.0f, ""s));
  EXPECT_EQ(ws->windowTitle, "Difscop --- [File Name : ]  ");
  ws->dataFilePath = "/data/quartz.dat";
  UpdateTitle(*ws);
  EXPECT_EQ(ws->windowTitle, "Difscop --- [File Name : /data/quartz.dat]  ");
  SetClearedTitle(*ws);
  EXPECT_EQ(ws->windowTitle, "Difscop --- [File Name :] ");
}

TEST(Destruction, DeletesOnlyWhatThisRunWroteAndOnlyInTheStartDirectory) {
  fs::path start = fs::temp_directory_path() / ("difscop_ws_" + std::to_string(::getpid()));
  fs::path elsewhere = start / "other";
  fs::create_directories(elsewhere);
  fs::path cellInput = start / "cell" / "Data" / "Cell.dat";
  fs::create_directories(cellInput.parent_path());
  struct Case {
    const char* name;
    bool before, claimed, written, kept;
  };
  const Case cases[] = {
      {"Ito.dat", true, true, true, false},      // rewritten by this run
      {"Ito.imp", false, true, true, false},     // new, left by a program this run started
      {"Ito.con", true, true, false, true},      // the program never touched it
      {"Dicvol.dat", true, false, false, true},  // a user's file: no run wrote it
      {"Treor.imp", true, false, true, true},    // changed, but not by this run
      {"keep.txt", true, true, true, true},      // no working file
  };
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (const Case& c : cases) {
    std::ofstream(elsewhere / c.name) << "x";
    if (!c.before) continue;
    std::ofstream(start / c.name) << "x";
    fs::last_write_time(start / c.name, old);
  }
  std::ofstream(cellInput) << "x";
  {
    auto ws = std::make_unique<Workspace>();
    EXPECT_EQ(WorkingFilePath(*ws, "Ito.dat"), "Ito.dat") << "no start directory";
    ws->startDirectory = start.string();
    SetIndexingProgramNames(*ws);
    ws->cellInput = cellInput.string();
    ws->cellRefInput = (start / "CellRef.inp").string();  // absent: skipped
    ClaimWorkingFile(*ws, ws->cellRefInput);
    ClaimWorkingFile(*ws, "");  // a program not set up names nothing
    EXPECT_EQ(ws->claimedFiles.size(), 1u);
    for (const Case& c : cases) {
      if (c.claimed) ClaimWorkingFile(*ws, c.name);
      if (c.written) std::ofstream(start / c.name) << "new";
    }
    // A later claim of a file already written does not make it the user's.
    ClaimWorkingFile(*ws, "Ito.dat");
    // The start directory is where the names resolve, whatever is current.
    fs::current_path(elsewhere);
  }
  fs::current_path(fs::temp_directory_path());
  for (const Case& c : cases) {
    EXPECT_EQ(fs::exists(start / c.name), c.kept) << c.name;
    EXPECT_TRUE(fs::exists(elsewhere / c.name)) << c.name;
  }
  EXPECT_TRUE(fs::exists(cellInput));  // never claimed
  fs::remove_all(start);
}

TEST(ObservedAt, InterpolatesBetweenThePointsAndHoldsTheEnds) {
  Pattern p;
  EXPECT_EQ(ObservedAt(p, 10.0), 0.0);
  p.obsCount = 3;
  p.obs[1] = {10, 100};
  p.obs[2] = {11, 300};
  p.obs[3] = {13, 100};
  const double want[][2] = {{9, 100}, {10, 100}, {10.25, 150}, {11, 300}, {12.5, 150}, {14, 100}};
  for (const auto& [x, y] : want) EXPECT_DOUBLE_EQ(ObservedAt(p, x), y) << x;
}

TEST(DSpacing, BraggLaw) {
  // Cu Ka1 at 2theta = 2 asin(lambda / 2d) for d = 3.0.
  const double twoTheta = 2.0 * std::asin(1.540593 / 6.0) * 180.0 / M_PI;
  EXPECT_NEAR(DSpacing(1.540593f, static_cast<float>(twoTheta)), 3.0f, 1e-5f);
}

TEST(Table, ReadsZeroPastWhatWasWrittenAndGrowsOnWrite) {
  PointArray t;
  EXPECT_EQ(t.size(), 0u);
  EXPECT_EQ(std::as_const(t)[5].y, 0.0f);
  EXPECT_EQ(t.size(), 0u) << "a read makes no slot";
  t[3] = {1, 2};
  EXPECT_EQ(t.size(), 4u);
  EXPECT_EQ(std::pair(t[3].x, std::as_const(t)[2].y), std::pair(1.0f, 0.0f));
  t.clear();
  EXPECT_EQ(std::as_const(t)[3].x, 0.0f);
}

TEST(PatternList, AddActivateMoveAndRemoveKeepEachPatternsData) {
  auto ws = std::make_unique<Workspace>();
  // A pattern loaded before the list existed is its first entry.
  ws->obsCount = 1;
  ws->obs[1] = {10, 100};
  ws->dataFilePath = "/data/a.xy";
  EXPECT_EQ(PatternListSize(*ws), 1);
  const auto load = [&](const char* name, float x) {
    AddPattern(*ws, name);
    EXPECT_EQ(ws->obsCount, 0) << name << " starts empty";
    ws->obsCount = 1;
    ws->obs[1] = {x, 1};
    ws->dataFilePath = name;
  };
  load("b.xy", 20);
  load("c.xy", 30);
  const auto order = [&] {
    std::string s;
    for (int i = 0; i < PatternListSize(*ws); ++i)
      s += ws->patterns[i].name + "=" + std::to_string(int(PatternAt(*ws, i).obs[1].x)) + " ";
    return s + "active " + ws->dataFilePath;
  };
  EXPECT_EQ(order(), "a.xy=10 b.xy=20 c.xy=30 active c.xy");
  // Each in its own palette colour; a colour freed by a removal is the next one given.
  EXPECT_EQ(std::tuple(ws->patterns[0].colour, ws->patterns[2].colour),
            std::tuple(kPatternPalette[0], kPatternPalette[2]));
  Activate(*ws, 0);
  EXPECT_EQ(order(), "a.xy=10 b.xy=20 c.xy=30 active /data/a.xy");
  Activate(*ws, 7);
  EXPECT_EQ(ws->activePattern, 0);
  MovePattern(*ws, 0, 2);
  EXPECT_EQ(order(), "b.xy=20 c.xy=30 a.xy=10 active /data/a.xy");
  MovePattern(*ws, 1, 0);
  EXPECT_EQ(order(), "c.xy=30 b.xy=20 a.xy=10 active /data/a.xy");
  // Moved from behind the active pattern to before it, and back; indexes
  // past the end change nothing.
  Activate(*ws, 1);
  MovePattern(*ws, 2, 0);
  EXPECT_EQ(order(), "a.xy=10 c.xy=30 b.xy=20 active b.xy");
  MovePattern(*ws, 0, 2);
  for (int past : {3, -1}) {
    Activate(*ws, past);
    MovePattern(*ws, past, 0);
    MovePattern(*ws, 0, past);
    RemovePattern(*ws, past);
  }
  EXPECT_EQ(order(), "c.xy=30 b.xy=20 a.xy=10 active b.xy");
  Activate(*ws, 2);
  RemovePattern(*ws, 0);
  EXPECT_EQ(order(), "b.xy=20 a.xy=10 active /data/a.xy");
  EXPECT_EQ(NextPatternColour(*ws), kPatternPalette[2]);
  RemovePattern(*ws, 1);
  EXPECT_EQ(order(), "b.xy=20 active b.xy");
  // A renamed pattern's name follows its file in the title.
  ws->patterns[0].name = "300 K";
  UpdateTitle(*ws);
  EXPECT_EQ(ws->windowTitle, "Difscop --- [File Name : b.xy]  300 K");
  RemovePattern(*ws, 0);
  EXPECT_EQ(std::tuple(PatternListSize(*ws), ws->obsCount, ws->activePattern), std::tuple(0, 0, -1));
  load("d.xy", 40);
  load("e.xy", 50);
  CloseAllPatterns(*ws);
  EXPECT_EQ(std::tuple(PatternListSize(*ws), ws->obsCount, ws->blankPlot, ws->windowTitle),
            std::tuple(0, 0, Flag{1}, "Difscop --- [File Name :] "s));
}
