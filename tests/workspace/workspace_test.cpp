#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "workspace/workspace.h"

namespace fs = std::filesystem;
using namespace difscop::workspace;

namespace {
void Ticks(Workspace& ws, float r, float s) {
  ws.xMin = 0;
  ws.xMax = r;
  ws.yMin = 0;
  ws.yMax = s;
  ChooseTicks(ws);
}
}  // namespace

TEST(ChooseTicks, TableBoundaries) {
  auto ws = std::make_unique<Workspace>();
  const std::pair<float, float> x[] = {{100, 20}, {99.9f, 10}, {40, 10}, {39.9f, 5}, {20, 5},
                                       {19.9f, 2}, {10, 2},    {9.99f, 1}};
  for (auto [r, tick] : x) {
    Ticks(*ws, r, 8000);
    EXPECT_EQ(ws->xTick, tick) << r;
  }
  const std::pair<float, float> y[] = {{500000, 100000}, {499999, 50000}, {100000, 50000},
                                       {99999, 10000},   {50000, 10000},  {49999, 5000},
                                       {10000, 5000},    {9999, 1000},    {5000, 1000},
                                       {4999, 500},      {1000, 500},     {999, 100},
                                       {200, 100},       {199, 50},       {0, 50}};
  for (auto [s, tick] : y) {
    Ticks(*ws, 100, s);
    EXPECT_EQ(ws->yTick, tick) << s;
  }
}

TEST(AutoRange, RoundsOutwardsAndEnlargesTheTop) {
  auto ws = std::make_unique<Workspace>();
  ws->obsCount = 3;
  ws->obs[1] = {5.02f, 100};
  ws->obs[2] = {40.0f, 12345};
  ws->obs[3] = {89.98f, 50};
  AutoRange(*ws);
  EXPECT_EQ(ws->xMin, 0);
  EXPECT_EQ(ws->xMax, 90);
  EXPECT_EQ(ws->yMin, 0);
  EXPECT_EQ(ws->yMax, 13020);
  ws->obs[2].y = 8123;
  AutoRange(*ws);
  EXPECT_EQ(ws->yMax, 8610);
  // Simulation mode ranges over calc.
  ws->simulationMode = 1;
  ws->calc[1] = {12, 10};
  ws->calc[2] = {13, 20};
  ws->calc[3] = {31, 99};
  AutoRange(*ws);
  EXPECT_EQ(ws->xMin, 10);
  EXPECT_EQ(ws->xMax, 40);
  EXPECT_EQ(ws->yMax, 105);
  // Measured downwards, and with no positive count, the angles still set the range.
  ws->simulationMode = 0;
  ws->obs[1] = {89.98f, 0};
  ws->obs[2] = {40.0f, 0};
  ws->obs[3] = {5.02f, 0};
  AutoRange(*ws);
  EXPECT_EQ(ws->xMin, 0);
  EXPECT_EQ(ws->xMax, 90);
  EXPECT_EQ(ws->yMax, 105);
  ws->obs[2].y = 12345;
  AutoRange(*ws);
  EXPECT_EQ(ws->yMax, 13020);
}

TEST(AutoRange, DegeneratePatternsKeepTheResetRange) {
  auto ws = std::make_unique<Workspace>();
  ResetWorkspace(*ws);
  ws->obsCount = 1;
  ws->obs[1] = {20, 100};
  AutoRange(*ws);
  EXPECT_EQ(ws->xMin, 0);
  EXPECT_EQ(ws->xMax, 100);
  EXPECT_EQ(ws->yMax, 8000);
  ws->obsCount = 2;
  ws->obs[2] = {20, 0};  // same angle: zero width even after rounding
  ws->obs[1] = {20, 0};
  AutoRange(*ws);
  EXPECT_EQ(ws->xMax, 100);
  EXPECT_GT(ws->xMax, ws->xMin);
  EXPECT_GT(ws->yMax, ws->yMin);
}

TEST(ResetWorkspace, EmptyStateButKeepsDataAndSettings) {
  auto ws = std::make_unique<Workspace>();
  ws->obsCount = 7;
  ws->peakCount = 3;
  ws->cellRefRunDone = 1;
  ws->pairedIntLoad = 1;
  ws->itoRunDone = 1;
  ws->rawLoaded = 1;
  ws->blankPlot = 0;
  ws->colorDrawing = 0;
  ws->colObs = 42;
  ws->wavelength = 2.0f;
  ws->backgroundPointCount = 5;
  ws->statusPaneText[0] = "x= 20.0";
  ws->xMax = 55;
  ResetWorkspace(*ws);
  EXPECT_EQ(ws->obsCount, 7);
  EXPECT_EQ(ws->peakCount, 3);
  EXPECT_EQ(ws->cellRefRunDone, 1);
  EXPECT_EQ(ws->pairedIntLoad, 1);
  EXPECT_EQ(ws->colObs, 42u);
  EXPECT_EQ(ws->itoRunDone, 0);
  EXPECT_EQ(ws->rawLoaded, 0);
  EXPECT_EQ(ws->blankPlot, 1);
  EXPECT_EQ(ws->colorDrawing, 1);
  EXPECT_EQ(ws->backgroundPointCount, 0);
  EXPECT_FLOAT_EQ(ws->wavelength, 1.540593f);
  EXPECT_EQ(ws->xMax, 100);
  EXPECT_EQ(ws->xTick, 10);
  EXPECT_EQ(ws->yTick, 1000);
  EXPECT_TRUE(ws->statusPaneText[0].empty());
}

TEST(Titles, LoadAndClear) {
  auto ws = std::make_unique<Workspace>();
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
  // name, there before the run, claimed, written after the claim, left at exit
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
      {"keep.txt", true, false, false, true},
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
    ws->startDirectory = start.string();
    SetIndexingProgramNames(*ws);
    ws->cellInput = cellInput.string();
    ws->cellRefInput = (start / "CellRef.inp").string();  // absent: skipped
    ClaimWorkingFile(*ws, ws->cellRefInput);
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

TEST(DSpacing, BraggLaw) {
  // Cu Ka1 at 2theta = 2 asin(lambda / 2d) for d = 3.0.
  float twoTheta = static_cast<float>(2.0 * std::asin(1.540593 / 6.0) * 180.0 / M_PI);
  EXPECT_NEAR(DSpacing(1.540593f, twoTheta), 3.0f, 1e-5f);
}
