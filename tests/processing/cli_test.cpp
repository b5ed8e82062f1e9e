// difscop-cli smooth, peaks and background against the command flows.
#ifdef DIFSCOP_CLI
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <span>
#include <sstream>

#include "cli/cli_test_support.h"
#include "import/open_commands.h"
#include "import/raw_reader.h"
#include "pattern_fixture.h"
#include "platform/scripted_platform.h"
#include "processing/peak_list.h"
#include "processing/peak_search.h"
#include "processing/snip.h"
#include "processing/xray_source.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::processing {
namespace {

namespace fs = std::filesystem;

using cli::testing::RunCli;

using CliTest = testing::ScratchDir;

TEST_F(CliTest, PeaksSmoothAndBackgroundMatchTheCommandFlows) {
  // 20..80 degrees, copper doublets at 30, 45 and 75.
  const std::string pattern = (dir / "quartz.xy").string();
  auto ka2 = [](float at) { return static_cast<float>(Ka2Angle(at, 1.54441 / 1.540593)); };
  auto synthetic = testing::PeakPattern({{30.0f, 1200.0f},
                                         {ka2(30.0f), 600.0f},
                                         {45.0f, 3000.0f},
                                         {ka2(45.0f), 1500.0f},
                                         {75.0f, 2000.0f},
                                         {75.22f, 1000.0f}},
                                        80.0f, 3001, 20.0f);
  textio::TextWriter text;
  for (const auto& p : std::span(&synthetic->obs[1], 3001))
    text.LineF("%.3f %.1f", double{p.x}, double{p.y});
  ASSERT_TRUE(textio::WriteFileAtomically(pattern, text.Contents()));

  // The printed list is the peak list file the program's own flow gives with these answers.
  // Options; the answers: threshold, D, Ka2 removal, the range drawn (if any); lines printed.
  // The automatic search leaves out the Ka2 lines without being asked.
  const std::tuple<const char*, const char*, const char*, bool, float, float, std::ptrdiff_t>
      cases[] = {
          {"", "500", "4", false, 0, 0, 4},
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
    // Without --threshold the dialog is closed with "Auto".
    ui.peakSearchAnswers = {platform::PeakSearchDialog{
        threshold, diff, std::string_view(args).find("--threshold") == std::string_view::npos}};
    ui.yesNoAnswers = {ka2};
    ui.xraySourceAnswers = {MakeXraySourceDialog(*ws)};
    AutoPeakSearchCommand(*ws, ui);
    EXPECT_EQ((std::tuple{run.status, std::count(run.out.begin(), run.out.end(), '\n'), run.out}),
              (std::tuple{0, lines, PeakListFileContents(*ws)}))
        << args;
  }
  // Neutrons of 1.8265 A keep their wavelength through the Ka2 dialog: the
  // first peak is Si (111) at d = 3.1356 A.
  const std::string neutron = RunCli("peaks hermes " + cli::testing::Example("hermes_neutron.raw") +
                                     " --wavelength 1.8265 --threshold 500")
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
  // The top at 45 degrees less the flat 80 of the points.
  EXPECT_NE(reduced.find(textio::Format("%10.4f%14.1f\r\n", 45.0, synthetic->obs[1251].y - 80.0)),
            std::string::npos);
  EXPECT_EQ(testing::ReadAll(out / "BkG.txt").rfind("Selected points for Bk reduction\r\n", 0), 0u);
}

TEST_F(CliTest, FitStripAndAutomaticBackgroundOnACopperPattern) {
  // Copper doublets at 30, 45 and 60 degrees (Gaussian FWHM 0.1 each line)
  // on a flat 100 counts, as an (x,y) file.
  const std::string pattern = (dir / "cu.xy").string();
  textio::TextWriter text;
  for (int i = 0; i <= 2500; ++i) {
    const float x = 25.0f + 0.016f * static_cast<float>(i);
    float y = 100.0f;
    for (float c : {30.0f, 45.0f, 60.0f}) {
      const float c2 = static_cast<float>(Ka2Angle(c, 1.54441 / 1.540593));
      y += testing::Gauss(x, c, 2000.0f, 0.1f) + testing::Gauss(x, c2, 1000.0f, 0.1f);
    }
    text.LineF("%.3f %.1f", double{x}, double{y});
  }
  ASSERT_TRUE(textio::WriteFileAtomically(pattern, text.Contents()));

  // One row of twelve numbers per line, at its Ka1 angle with its FWHM.
  const auto fit = RunCli("fit xy " + pattern);
  ASSERT_EQ(fit.status, 0) << fit.err;
  std::vector<std::vector<double>> rows;
  std::istringstream lines(fit.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    rows.emplace_back(std::istream_iterator<double>(words), std::istream_iterator<double>());
  }
  ASSERT_EQ(rows.size(), 3u) << fit.out;
  for (std::size_t k = 0; k < 3; ++k) {
    ASSERT_EQ(rows[k].size(), 12u) << fit.out;
    EXPECT_NEAR(rows[k][0], 30.0 + 15.0 * k, 0.002);
    EXPECT_NEAR(rows[k][6], 0.1, 0.005);
  }
  EXPECT_NE(fit.out.find("# Rwp"), std::string::npos);
  // Symmetric lines: the asymmetry found is none to speak of, the
  // positions stay.
  const auto asym = RunCli("fit xy " + pattern + " --asym");
  const auto p1 = asym.out.find("# axial asymmetry p1 ");
  ASSERT_NE(p1, std::string::npos) << asym.out << asym.err;
  EXPECT_LT(std::fabs(std::stod(asym.out.substr(p1 + 21))), 0.01) << asym.out;
  EXPECT_NE(asym.out.find("  45.0000"), std::string::npos) << asym.out;
  EXPECT_EQ(RunCli("fit xy " + pattern + " --range 40 50").out.find("  30.0"), std::string::npos);
  for (const char* bad : {" --shape gauss", " --range 50 40", " --k 0"})
    EXPECT_EQ(RunCli("fit xy " + pattern + bad).status, 2) << bad;

  // Stripped, the pattern holds the Ka1 lines alone: where the Ka2 line of
  // 60 degrees stood, the background is left.
  const std::string stripped = (dir / "stripped.xy").string();
  ASSERT_EQ(RunCli("strip-ka2 xy " + pattern + " --out " + stripped).status, 0);
  auto ws = std::make_unique<workspace::Workspace>();
  platform::ScriptedPlatform ui;
  ui.openAnswers = {stripped};
  ASSERT_TRUE(import::OpenRawCommand(*ws, ui, import::kXyText));
  const float ka2 = static_cast<float>(Ka2Angle(60.0, 1.54441 / 1.540593)) + 0.02f;
  for (int i = 1; i <= ws->obsCount; ++i) {
    const workspace::Point& p = ws->obs[static_cast<std::size_t>(i)];
    if (std::fabs(p.x - 60.0f) < 0.01f) {
      EXPECT_NEAR(p.y, 100.0f + testing::Gauss(p.x, 60.0f, 2000.0f, 0.1f), 20.0f);
    } else if (std::fabs(p.x - ka2) < 0.01f) {
      EXPECT_NEAR(p.y, 100.0f, 30.0f);
    }
  }

  const fs::path out = dir / "auto";
  fs::create_directories(out);
  ASSERT_EQ(
      RunCli("background xy " + pattern + " --auto --window 2 --out-dir " + out.string()).status,
      0);
  EXPECT_EQ(testing::ReadAll(out / "BkG.txt").rfind("SNIP background, window 2.000 degrees\r\n", 0),
            0u);
  const std::string reduced = testing::ReadAll(out / "cuBkG.dat");
  EXPECT_EQ(std::count(reduced.begin(), reduced.end(), '\n'), 2501);
  EXPECT_EQ(
      RunCli("background xy " + pattern + " --auto --points \"30,1\" --out-dir " + out.string())
          .status,
      2);
}

}  // namespace
}  // namespace difscop::processing
#endif
