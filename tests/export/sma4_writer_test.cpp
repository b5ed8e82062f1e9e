#include "export/sma4_writer.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "export/export_fixtures.h"

using namespace difscop;
using namespace difscop::exporter;
using namespace difscop::test;

namespace {

Texts Lines(const std::string& text) {
  Texts lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find('\r')));
  return lines;
}

// Block names in the order of the series list ("[Obs1.dat]") or of the [DATA] section, where a
// date follows the name.
Texts Headers(const std::string& text, bool data) {
  Texts out;
  const std::regex header(data ? R"(\[(\w+)\.dat\] \d)" : R"(\[(\w+)\.dat\]\r)");
  for (std::sregex_iterator m(text.begin(), text.end(), header), end; m != end; ++m)
    out.push_back((*m)[1]);
  return out;
}

}  // namespace

// The raw pattern through the menu command, the fit through the writer.
TEST(WriteSma4File, RawAndTwoPhaseFitMatchTheExpectedFilesAndOnlyAWrittenFileIsRecorded) {
  TempDir dir;
  auto ws = MakePattern(5);
  ScriptedPlatform platform;
  ExportSma4Command(*ws, platform, true);  // Cancel
  EXPECT_EQ(SaveDialogs(platform),
            Texts{"Sma4 Format File (*.smp)|*.smp|Other Files (*.*)|*.*|| .smp "});
  EXPECT_EQ(ws->sma4Written, 0);
  const std::string raw = (dir / "raw.smp").string();
  platform.saveAnswers = {raw, (dir / "missing" / "b.smp").string()};
  ExportSma4Command(*ws, platform, false);
  EXPECT_EQ(ReadFile(raw), ReadFile(ExpectedFile("raw5_mono.smp")));
  // A failed write keeps the previous file for View Sma4.
  ExportSma4Command(*ws, platform, true);
  EXPECT_EQ(platform.Headlines(), Texts{"Cannot File Open !!"});
  EXPECT_EQ(ws->sma4FilePath + " " + std::to_string(ws->sma4Written), raw + " 1");
  auto fit = MakeFit(1, 4, 2, 2);
  ASSERT_TRUE(WriteSma4File(*fit, platform, true, (dir / "fit.smp").string()));
  EXPECT_EQ(ReadFile(dir / "fit.smp"), ReadFile(ExpectedFile("fit2_colour.smp")));
  // Black and white clears every colour.
  EXPECT_FALSE(std::regex_search(FormatSma4File(*fit, false),
                                 std::regex(" (255|65280|65535|16711680)[ \r]")));
}

TEST(WriteSma4File, SeriesFollowSegmentsAndPhasesInBothLists) {
  auto fit = MakeFit(2, 3, 3, 1);
  std::string text = FormatSma4File(*fit, true);
  const Texts order = {"Obs1", "Obs2", "Cal1", "Cal2", "Dif1", "Dif2", "Ref1", "Ref2", "Ref3"};
  EXPECT_EQ(Headers(text, false), order);
  EXPECT_EQ(Headers(text, true), order);
  EXPECT_EQ(Lines(text)[3], "9");
  // The second segment's rows are points 4 to 6.
  EXPECT_NE(text.find("[Obs2.dat] 1999-12-31 23:59:59\r\n    21.500        1400\r\n"),
            std::string::npos);
  // Calculated pattern only: no observed or difference series.
  fit->pairedIntLoad = 1;
  text = FormatSma4File(*fit, true);
  EXPECT_EQ(Headers(text, true), (Texts{"Cal1", "Cal2", "Ref1", "Ref2", "Ref3"}));
  EXPECT_EQ(Lines(text)[3], "5");
  // Simulation: the calculated curve as the first series plus its reflections.
  auto sim = MakePattern(4);
  sim->simulationMode = 1;
  sim->reflectionCount[1] = 2;
  sim->reflectionPos[1][1] = 10.01f;
  sim->reflectionPos[1][2] = 10.05f;
  for (int i = 1; i <= 4; ++i) sim->calc[i] = {sim->obs[i].x, 50.0f * i};
  text = FormatSma4File(*sim, true);
  EXPECT_EQ(Lines(text)[3], "2");
  EXPECT_EQ(Headers(text, true), (Texts{"Obs1", "Ref1"}));
  for (const char* part : {"y+480\r\n0 0 0 0 0 0 0 0 0\r\n", "    10.060         200\r\n",
                           "    10.050        -800\r\n",
                           "40 16711680 300 0 0 0 0\r\n1 0 300 0\r\n0 0 1 0 0 0 16711680 5"})
    EXPECT_NE(text.find(part), std::string::npos) << part;
  // Nine phases under yMax 8000: marker rows 25 div p twenty-fifths of yMax
  // down, on past the fifth phase.
  text = FormatSma4File(*MakeFit(1, 4, 9, 1), true);
  const int offsets[] = {0, -320, -666, -1000, -1333, -1600, -2000, -2666, -2666, -4000};
  for (int p = 1; p <= 9; ++p) {
    const std::size_t at = text.find("[Ref" + std::to_string(p) + ".dat]\r\n");
    ASSERT_NE(at, std::string::npos) << p;
    const Texts lines = Lines(text.substr(at, 400));
    EXPECT_EQ(lines[8] + " " + lines[9],
              "y" + std::to_string(offsets[p]) + " 0 0 0 0 0 0 0 0 " + std::to_string(offsets[p]))
        << p;
  }
  // Difference rows lowered by (9 + 2) * 8000 / 25 = 3520.
  EXPECT_NE(text.find("[Dif1.dat] 1999-12-31 23:59:59\r\n    20.000       -3510\r\n"),
            std::string::npos);
}
