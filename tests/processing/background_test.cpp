#include "processing/background.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "pattern_fixture.h"
#include "platform/scripted_platform.h"

namespace difscop::processing {
namespace {

using testing::MakePattern;
namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void FlatPoints(workspace::Workspace& ws, float level) {
  ws.backgroundPointCount = 0;
  for (float x : {11.0f, 15.0f, 20.0f, 25.0f, 30.0f, 35.0f, 39.0f}) {
    ASSERT_TRUE(AddBackgroundPoint(ws, x, level));
  }
}

TEST(BackgroundDataPath, CutsTheNameAtItsFirstDot) {
  EXPECT_EQ(BackgroundDataPath("/data/xrd/quartz.raw"), "/data/xrd/quartzBkG.dat");
  EXPECT_EQ(BackgroundDataPath("/data/xrd/quartzBkG.dat"), "/data/xrd/quartzBkGBkG.dat");
  EXPECT_EQ(BackgroundDataPath("/data/xrd/quartz.v2.raw"), "/data/xrd/quartzBkG.dat");
  EXPECT_EQ(BackgroundDataPath("quartz.raw"), "quartzBkG.dat");
  // Dots in directories do not count; a name without one gives BkG.dat here.
  EXPECT_EQ(BackgroundDataPath("/home/u/.local/run-1.2/quartz.raw"),
            "/home/u/.local/run-1.2/quartzBkG.dat");
  EXPECT_EQ(BackgroundDataPath("/home/u/run-1.2/quartz"), "BkG.dat");
  EXPECT_EQ(BackgroundDataPath(".hidden"), "BkG.dat");
  EXPECT_EQ(BackgroundDataPath(""), "BkG.dat");
}

TEST(BackgroundPoints, OnlyInsideTheDataAndUpToCapacity) {
  auto ws = MakePattern(4, 10.0f, 10.0f, [](float) { return 1.0f; });
  EXPECT_FALSE(AddBackgroundPoint(*ws, 10.0f, 5.0f));
  EXPECT_FALSE(AddBackgroundPoint(*ws, 40.0f, 5.0f));
  for (int i = 0; i < 250; ++i) AddBackgroundPoint(*ws, 25.0f, 5.0f);
  EXPECT_EQ(ws->backgroundPointCount, workspace::kMaxBackgroundPoints);
}

class BackgroundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("difscop_bkg_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    previous = fs::current_path();
    fs::current_path(dir);
    // 10, 20, 30, 40 degrees: above, on and below a flat 100-count background.
    const float counts[] = {150.0f, 100.0f, 40.0f, 100.0f};
    ws =
        MakePattern(4, 10.0f, 10.0f, [&](float x) { return counts[static_cast<int>(x / 10) - 1]; });
    ws->dataFilePath = (dir / "quartz.raw").string();
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(dir);
  }
  fs::path dir, previous;
  std::unique_ptr<workspace::Workspace> ws;
  platform::ScriptedPlatform ui;
};

TEST_F(BackgroundTest, FlatBackgroundReportAndReducedFileByteForByte) {
  FlatPoints(*ws, 100.0f);
  ASSERT_TRUE(CalculateBackground(*ws, ui, dir, (dir / "out.dat").string()));
  EXPECT_EQ(ReadAll(dir / "BkG.txt"),
            "Selected points for Bk reduction\r\n"
            " 2theta   Int\r\n"
            " 11.00     100\r\n"
            " 15.00     100\r\n"
            " 20.00     100\r\n"
            " 25.00     100\r\n"
            " 30.00     100\r\n"
            " 35.00     100\r\n"
            " 39.00     100\r\n"
            "\r\n"
            "\r\n"
            "Reduction data\r\n"
            " 2theta     Int         Bk      Int-Bk\r\n"
            " 10.00      150        100          50\r\n"
            " 20.00      100        100           0\r\n"
            " 30.00       40        100         -60\r\n"
            " 40.00      100        100           0\r\n"
            "\r\n");
  const std::string data = ReadAll(dir / "out.dat");
  EXPECT_EQ(data.substr(0, 26), "   10.0000          50.0\r\n");
  EXPECT_EQ(data.substr(52, 26), "   30.0000           1.0\r\n");
  EXPECT_EQ(data.size(), 4u * 26u);
  EXPECT_NEAR(ws->background[1].y, 50.0f, 0.01f);
  EXPECT_NEAR(ws->background[3].y, -60.0f, 0.01f);
  EXPECT_EQ(ws->background[3].x, 30.0f);
}

TEST_F(BackgroundTest, TooFewOrRepeatedPointsAndUnwritableFilesWriteNothing) {
  for (float x : {11.0f, 15.0f, 20.0f, 25.0f, 30.0f}) AddBackgroundPoint(*ws, x, 100.0f);
  EXPECT_FALSE(CalculateBackground(*ws, ui, dir, (dir / "out.dat").string()));
  AddBackgroundPoint(*ws, 30.0f, 90.0f);  // six clicks, five different angles
  EXPECT_FALSE(CalculateBackground(*ws, ui, dir, (dir / "out.dat").string()));
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_FALSE(fs::exists(dir / "BkG.txt"));
  EXPECT_FALSE(fs::exists(dir / "out.dat"));

  FlatPoints(*ws, 100.0f);
  std::ofstream(dir / "BkG.txt") << "old report";
  EXPECT_FALSE(CalculateBackground(*ws, ui, dir, (dir / "no" / "out.dat").string()));
  EXPECT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ReadAll(dir / "BkG.txt"), "old report");
}

TEST_F(BackgroundTest, ReloadMakesTheReducedFileTheDataFile) {
  ui.messages.clear();
  ws->simulationMode = 1;
  BackgroundPointCommand(*ws, ui);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Not available in this mode !!!"});
  EXPECT_FALSE(ws->backgroundPickMode);
  ws->simulationMode = 0;
  ws->autoPeaksFound = 1;
  BackgroundPointCommand(*ws, ui);
  EXPECT_TRUE(ws->backgroundPickMode);
  EXPECT_FALSE(ws->autoPeaksFound);
  FlatPoints(*ws, 100.0f);

  // An outside program's run has left another directory current: the report
  // still goes to the start directory, and the question names it.
  ws->startDirectory = dir.string();
  fs::create_directory(dir / "cell");
  fs::current_path(dir / "cell");
  ui.yesNoAnswers = {true};
  BackgroundCalculationCommand(*ws, ui);
  const std::string reduced = (dir / "quartzBkG.dat").string();
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0], "Saved as " + reduced + " (report: " + (dir / "BkG.txt").string() +
                                 ").  Reload Bk file ?");
  EXPECT_TRUE(fs::exists(dir / "BkG.txt"));
  EXPECT_EQ(ws->dataFilePath, reduced);
  EXPECT_EQ(ws->backgroundDataPath, reduced);
  EXPECT_TRUE(ws->rawLoaded);
  EXPECT_FALSE(ws->blankPlot);
  EXPECT_FALSE(ws->backgroundPickMode);
  ASSERT_EQ(ws->obsCount, 4);
  EXPECT_FLOAT_EQ(ws->obs[1].y, 50.0f);
  EXPECT_FLOAT_EQ(ws->obs[3].y, 1.0f);
  EXPECT_EQ(ws->windowTitle, "Difscop --- [File Name : " + reduced + "]  ");

  // A second reduction of the reloaded file.
  BackgroundPointCommand(*ws, ui);
  FlatPoints(*ws, 10.0f);
  ui.yesNoAnswers = {false};
  BackgroundCalculationCommand(*ws, ui);
  EXPECT_TRUE(fs::exists(dir / "quartzBkGBkG.dat"));
  EXPECT_EQ(ws->dataFilePath, reduced) << "No keeps the loaded pattern";
  EXPECT_FALSE(ws->backgroundPickMode);
  EXPECT_TRUE(ws->backgroundCurveValid);
  EXPECT_NEAR(ws->background[1].y, 40.0f, 0.01f);
  EXPECT_EQ(ui.repaints, 4);
}

}  // namespace
}  // namespace difscop::processing
