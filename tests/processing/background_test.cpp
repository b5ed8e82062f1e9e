#include "processing/background.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <array>
#include <csignal>
#include <cstring>
#include <fstream>
#include <tuple>

#include "pattern_fixture.h"
#include "platform/scripted_platform.h"

namespace difscop::processing {
namespace {

using testing::ReadAll;
namespace fs = std::filesystem;

class Background : public testing::ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    // 10, 20, 30, 40 degrees: above, on and below a flat 100-count background.
    const float counts[] = {150.0f, 100.0f, 40.0f, 100.0f};
    ws = testing::MakePattern(4, 10.0f, 10.0f,
                              [&](float x) { return counts[static_cast<int>(x / 10) - 1]; });
    ws->dataFilePath = (dir / "quartz.raw").string();
  }
  // Picks points at these angles (six spread ones unless given), all at one level.
  void Pick(float level = 100.0f,
            std::initializer_list<float> angles = {11.0f, 15.0f, 20.0f, 25.0f, 30.0f, 35.0f}) {
    ws->backgroundPointCount = 0;
    for (float x : angles) ASSERT_TRUE(AddBackgroundPoint(*ws, x, level)) << x;
  }
  bool Calculate(const fs::path& data) { return CalculateBackground(*ws, ui, dir, data.string()); }

  testing::Ws ws;
  platform::ScriptedPlatform ui;
};

TEST_F(Background, PointsInsideTheDataUpToTheTableSizeAtSixDifferentAngles) {
  EXPECT_FALSE(AddBackgroundPoint(*ws, 10.0f, 5.0f) || AddBackgroundPoint(*ws, 40.0f, 5.0f) ||
               ws->backgroundPointCount);
  Pick(100.0f, {11.0f, 15.0f, 20.0f, 25.0f, 30.0f, 30.0f});  // six clicks, five angles
  EXPECT_FALSE(Calculate(dir / "out.dat"));
  EXPECT_TRUE(fs::is_empty(dir));
  // A full table is fitted up to its last point, here the only one at a sixth angle.
  ws->backgroundPointCount = 0;
  constexpr int kFull = workspace::kMaxBackgroundPoints;
  for (int i = 1; i <= kFull; ++i)
    ASSERT_TRUE(AddBackgroundPoint(*ws, i == kFull ? 35.0f : 11.0f + 5.0f * (i % 5), 100.0f));
  EXPECT_TRUE(!AddBackgroundPoint(*ws, 25.0f, 5.0f) && ws->backgroundPointCount == kFull);
  // A data file that cannot be written leaves the old report.
  std::ofstream(dir / "BkG.txt") << "old report";
  EXPECT_FALSE(Calculate(dir / "no" / "out.dat"));
  EXPECT_EQ(ReadAll(dir / "BkG.txt"), "old report");
  // A disk that fills up while the report is written (a file-size limit
  // between the data's size and the report's) leaves the old data beside the
  // old report, and no temporary file.
  std::ofstream(dir / "out.dat") << "old data";
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{std::min<rlim_t>(400, saved.rlim_max), saved.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limit);
  const bool written = Calculate(dir / "out.dat");
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadAll(dir / "out.dat") + "|" + ReadAll(dir / "BkG.txt"), "old data|old report");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
  EXPECT_TRUE(Calculate(dir / "out.dat"));
  ASSERT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.messages[0], "At least 6 background points at different 2theta are needed !!!");
  EXPECT_NE(ui.messages[1].find("out.dat"), std::string::npos);
  EXPECT_EQ(ui.messages[2], "Cannot create file " + (dir / "BkG.txt").string() + " !!!\n" +
                                (dir / "BkG.txt").string() + ": " + std::strerror(EFBIG));
}

TEST_F(Background, FlatBackgroundReportAndReducedFileByteForByte) {
  Pick();
  ASSERT_TRUE(Calculate(dir / "out.dat"));
  EXPECT_EQ(ReadAll(dir / "BkG.txt"),
            "Selected points for Bk reduction\r\n"
            " 2theta   Int\r\n"
            " 11.00     100\r\n"
            " 15.00     100\r\n"
            " 20.00     100\r\n"
            " 25.00     100\r\n"
            " 30.00     100\r\n"
            " 35.00     100\r\n"
            "\r\n"
            "\r\n"
            "Reduction data\r\n"
            " 2theta     Int         Bk      Int-Bk\r\n"
            " 10.00      150        100          50\r\n"
            " 20.00      100        100           0\r\n"
            " 30.00       40        100         -60\r\n"
            " 40.00      100        100           0\r\n"
            "\r\n");
  // Reduced intensities below one count are written as one.
  EXPECT_EQ(ReadAll(dir / "out.dat"),
            "   10.0000          50.0\r\n"
            "   20.0000           1.0\r\n"
            "   30.0000           1.0\r\n"
            "   40.0000           1.0\r\n");
  EXPECT_EQ((std::array{ws->background[1].y, ws->background[3].x, ws->background[3].y}),
            (std::array{50.0f, 30.0f, -60.0f}));
}

TEST_F(Background, ReloadMakesTheReducedFileTheDataFile) {
  // Its name is cut at the first dot of the file name, not of a directory.
  const std::pair<const char*, const char*> cases[] = {
      {"/data/quartz.v2.raw", "/data/quartzBkG.dat"},
      {"/u/.run-1.2/quartz.raw", "/u/.run-1.2/quartzBkG.dat"},
      {"/u/run-1.2/quartz", "BkG.dat"},
      {"/u/", "BkG.dat"},
      {"", "BkG.dat"}};
  for (auto [data, reduced] : cases) EXPECT_EQ(BackgroundDataPath(data), reduced) << data;

  ws->autoPeaksFound = 1;
  BackgroundPointCommand(*ws, ui);
  EXPECT_TRUE(ws->backgroundPickMode && !ws->autoPeaksFound);
  Pick();

  // The report goes to the start directory, not the current one (an outside
  // program's run may have left another), and the question names it.
  ws->startDirectory = dir.string();
  ui.yesNoAnswers = {true, false};
  BackgroundCalculationCommand(*ws, ui);
  const std::string reduced = (dir / "quartzBkG.dat").string();
  EXPECT_EQ(ui.questions, std::vector<std::string>{"Saved as " + reduced +
                                                   " (report: " + (dir / "BkG.txt").string() +
                                                   ").  Reload Bk file ?"});
  EXPECT_TRUE(fs::exists(dir / "BkG.txt") && ws->dataFilePath == reduced &&
              ws->backgroundDataPath == reduced && ws->rawLoaded && !ws->blankPlot &&
              !ws->backgroundPickMode);
  EXPECT_EQ((std::tuple{ws->obsCount, ws->obs[1].y, ws->obs[3].y}), (std::tuple{4, 50.0f, 1.0f}));
  EXPECT_EQ(ws->windowTitle, "Difscop --- [File Name : " + reduced + "]  ");

  // A second reduction of the reloaded file; No keeps the loaded pattern.
  BackgroundPointCommand(*ws, ui);
  Pick(10.0f);
  BackgroundCalculationCommand(*ws, ui);
  EXPECT_TRUE(fs::exists(dir / "quartzBkGBkG.dat") && ws->dataFilePath == reduced &&
              !ws->backgroundPickMode && ws->backgroundCurveValid && ui.repaints == 4);
}

}  // namespace
}  // namespace difscop::processing
