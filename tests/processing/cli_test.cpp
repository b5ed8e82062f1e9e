// difscop-cli smooth, peaks and background against the command flows.
#ifdef DIFSCOP_CLI
#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "cli/cli_test_support.h"
#include "import/open_commands.h"
#include "import/raw_reader.h"
#include "pattern_fixture.h"
#include "platform/scripted_platform.h"
#include "processing/peak_list.h"
#include "processing/peak_search.h"
#include "processing/xray_source.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::processing {
namespace {

namespace fs = std::filesystem;

using cli::testing::RunCli;

using CliTest = testing::ScratchDir;

TEST_F(CliTest, PeaksSmoothAndBackgroundMatchTheCommandFlows) {
  // 20..80 degrees, a copper doublet at 75 and single peaks at 30 and 45.
  const std::string pattern = (dir / "quartz.xy").string();
  auto synthetic = testing::PeakPattern(
      {{30.0f, 1200.0f}, {45.0f, 3000.0f}, {75.0f, 2000.0f}, {75.22f, 1000.0f}}, 80.0f, 3001,
      20.0f);
  textio::TextWriter text;
  for (const auto& p : std::span(&synthetic->obs[1], 3001))
    text.LineF("%.3f %.1f", double{p.x}, double{p.y});
  ASSERT_TRUE(textio::WriteFileAtomically(pattern, text.Contents()));

  // The printed list is the peak list file the program's own flow gives with these answers.
  // Options; the answers: threshold, D, Ka2 removal, the range drawn (if any); lines printed.
  const std::tuple<const char*, const char*, const char*, bool, float, float, std::ptrdiff_t>
      cases[] = {
          {"", "500", "4", false, 0, 0, 5},
          {" --ka2 yes --threshold 300 --diff 3", "300", "3", true, 0, 0, 4},
          {" --range 40 50", "500", "4", false, 40.0f, 50.0f, 2},
      };
  for (const auto& [args, threshold, diff, ka2, xMin, xMax, lines] : cases) {
    const auto run = RunCli("peaks xy " + pattern + args);
    auto ws = std::make_unique<workspace::Workspace>();
    platform::ScriptedPlatform ui;
    ui.openAnswers = {pattern};
    import::OpenRawCommand(*ws, ui, import::kXyText);
    if (xMax > xMin) std::tie(ws->xMin, ws->xMax) = std::pair{xMin, xMax};
    ui.peakSearchAnswers = {platform::PeakSearchDialog{threshold, diff}};
    ui.yesNoAnswers = {ka2};
    ui.xraySourceAnswers = {MakeXraySourceDialog(*ws)};
    AutoPeakSearchCommand(*ws, ui);
    EXPECT_EQ((std::tuple{run.status, std::count(run.out.begin(), run.out.end(), '\n'), run.out}),
              (std::tuple{0, lines, PeakListFileContents(*ws)}))
        << args;
  }
  // Neutrons of 1.8265 A keep their wavelength through the Ka2 dialog: the
  // first peak is Si (111) at d = 3.1356 A.
  const std::string neutron =
      RunCli("peaks hermes " + cli::testing::Example("hermes_neutron.raw") + " --wavelength 1.8265")
          .out;
  float d = 0.0f;  // after the number and the angle of the first peak
  const auto firstPeak = neutron.find('\n') + 12;
  ASSERT_LT(firstPeak, neutron.size()) << "no peak line in:\n" << neutron;
  ASSERT_TRUE(textio::Scanner(std::string_view(neutron).substr(firstPeak)).Float(d));
  EXPECT_NEAR(d, 3.1356f, 0.005f);
  for (const char* bad : {" --diff 2.5", " --range 50 40", " --wavelength x"})
    EXPECT_EQ(RunCli("peaks xy " + pattern + bad).status, 2) << bad;
  EXPECT_EQ(RunCli("peaks xy " + (dir / "none.xy").string()).status, 1);

  // 3001 points, an even 10 smoothed as 11: points 6 .. 2996.
  EXPECT_EQ(
      RunCli("smooth xy " + pattern + " --points 10 --out " + (dir / "s.dat").string()).status, 0);
  const std::string smoothed = testing::ReadAll(dir / "s.dat");
  EXPECT_EQ(std::count(smoothed.begin(), smoothed.end(), '\n'), 2991);
  EXPECT_EQ(smoothed.substr(0, 20), " 20.1000        81\r\n");

  const fs::path out = dir / "out";
  fs::create_directories(out);
  const std::string run = "background xy " + pattern + " --out-dir " + out.string() + " --points ";
  EXPECT_TRUE(RunCli(run + "\"21,80 30.5,80 40,80\"").status == 1 && !fs::exists(out / "BkG.txt"));
  ASSERT_EQ(RunCli(run + "\"21,80 30.5,80 40,80 50,80 59,80 70,80 79,80\"").status, 0);
  const std::string reduced = testing::ReadAll(out / "quartzBkG.dat");
  EXPECT_EQ(reduced.substr(0, 26), "   20.0000           1.0\r\n");
  EXPECT_NE(reduced.find("   45.0000        3000.0\r\n"), std::string::npos);
  EXPECT_EQ(testing::ReadAll(out / "BkG.txt").rfind("Selected points for Bk reduction\r\n", 0), 0u);
}

}  // namespace
}  // namespace difscop::processing
#endif
