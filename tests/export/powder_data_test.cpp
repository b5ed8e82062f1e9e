// The powder data layouts: byte for byte against files built apart from the
// program, what each data type may be written as, and the menu commands.
#include "export/powder_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>
#include <regex>
#include <tuple>

#include "export/export_fixtures.h"
#include "export/powder_commands.h"
#include "import/raw_reader.h"

using namespace difscop;
using namespace difscop::exporter;
using namespace difscop::test;

static std::string Format(const workspace::Workspace& ws, int format, int dataType) {
  std::string text;
  EXPECT_EQ(FormatPowderData(ws, format, dataType, text), PowderStatus::kOk) << format << dataType;
  return text;
}

TEST(WritePowderData, EveryLayoutMatchesItsExpectedFileByteForByte) {
  // Numbers must come out with a decimal point whatever the user's locale.
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  const std::string stems[] = {"rietan", "rietan_general", "gsas", "fullprof", "rietica",
                               "dbw",    "powderx",        "xy"};
  TempDir dir;
  const std::string out = (dir / "out").string();
  int files = 0, supported25 = 0;
  for (const auto& entry : fs::directory_iterator(ExpectedFile(""))) {
    const std::string name = entry.path().filename().string();
    std::smatch m;
    if (!std::regex_match(name, m, std::regex(R"((\w+)_(\d+)_type(\d)\.txt)"))) continue;
    const int format = std::find(stems, std::end(stems), m[1].str()) - stems;
    const int n = std::stoi(m[2]), dataType = std::stoi(m[3]);
    ScriptedPlatform platform;
    ASSERT_TRUE(WritePowderData(*MakePattern(n), platform, format, dataType, out)) << name;
    EXPECT_TRUE(platform.messages.empty()) << name;
    EXPECT_EQ(ReadFile(out), ReadFile(entry.path())) << name;
    ++files;
    supported25 += n == 25;
  }
  EXPECT_GE(files, 30);
  // The 25-point set holds one file per supported combination.
  EXPECT_EQ(supported25, 19);
  std::setlocale(LC_ALL, "C");
}

// Read back, a GSAS file puts every point where it was, however many points
// there are and whatever the start: the BANK line carries the decimals it
// needs and stays 80 characters long.
TEST(WritePowderData, GsasBankLineKeepsEveryAngleOfALongPattern) {
  // A Bruker pattern of 2374 points from 3 to 40 degrees, one from an odd
  // start in steps of 0.00713 degree, and the 25-point fixture.
  const std::tuple<int, double, double, const char*> patterns[] = {
      {2374, 3.0, 37.0 / 2373, "BANK 1  2374  238 CONST   300 1.559208 0 0 STD"},
      {19000, 5.0123, 0.00713, "BANK 1 19000 1900 CONST 501.23 0.713 0 0 STD"},
      {25, 10.0, 0.02, "BANK 1    25    3 CONST  1000  2.0 0 0 STD"}};
  for (const auto& [n, start, step, bank] : patterns) {
    SCOPED_TRACE(bank);
    auto ws = MakePattern(n);
    for (int i = 1; i <= n; ++i) ws->obs[i].x = static_cast<float>(start + (i - 1) * step);
    ws->stepWidth = ws->obs[2].x - ws->obs[1].x;
    const std::string text = Format(*ws, kGsas, kOneSteppedObserved);
    const std::size_t lineEnd = text.find("\r\n", 82);
    ASSERT_NE(lineEnd, std::string::npos);
    EXPECT_EQ(text.substr(82, lineEnd - 82),
              std::string(bank) + std::string(80 - strlen(bank), ' '));
    auto back = std::make_unique<workspace::Workspace>();
    ScriptedPlatform platform;
    ASSERT_TRUE(import::ReadRawPatternText(*back, platform, import::kGsasRaw, text));
    ASSERT_EQ(back->obsCount, n);
    float worst = 0;
    for (int i = 1; i <= n; ++i) worst = std::max(worst, std::fabs(back->obs[i].x - ws->obs[i].x));
    EXPECT_LE(worst, 1e-4f);
  }
}

TEST(WritePowderData, WhichDataTypesEachLayoutTakes) {
  // Per layout, data types 0 to 3: the two Rietan layouts take all, PowderX
  // only the observed points, the others no two-stepped data.
  const char* const supported[] = {"1111", "1111", "1010", "1010", "1010", "1010", "1000", "1010"};
  auto ws = MakePattern(25);
  std::string text;
  for (int format = -1; format <= kPowderFormatCount; ++format) {
    for (int dataType = -1; dataType <= 4; ++dataType) {
      const bool ok = format >= 0 && format < kPowderFormatCount && dataType >= 0 && dataType < 4 &&
                      supported[format][dataType] == '1';
      EXPECT_EQ(FormatPowderData(*ws, format, dataType, text),
                ok ? PowderStatus::kOk : PowderStatus::kUnsupported)
          << format << " " << dataType;
    }
  }
  // A smoothed range of one point from the first is usable; none, or one
  // that starts before the first point, is not: first, last, valid, usable.
  const std::tuple<int, int, int, bool> ranges[] = {
      {1, 1, 1, true}, {3, 23, 1, true}, {0, 23, 1, false}, {5, 4, 1, false}, {3, 23, 0, false}};
  for (auto [first, last, valid, usable] : ranges) {
    std::tie(ws->smoothFirst, ws->smoothLast, ws->smoothedValid) = std::tie(first, last, valid);
    EXPECT_EQ(FormatPowderData(*ws, kRietanNormal, kOneSteppedSmoothed, text),
              usable ? PowderStatus::kOk : PowderStatus::kNotSmoothed)
        << first << " " << last;
  }
  EXPECT_EQ(text.substr(0, 4), "  21");  // the last usable range: points 3 to 23
  // An empty pattern quotes no stale angle (the line ends, records and
  // two-stepped counts are pinned by the expected files).
  ws->obsCount = 0;
  EXPECT_EQ(Format(*ws, kFullProf, 0), "  0.0000    0.0200    0.0000\r\n");
  // A refused write names why and leaves the file as it was; so does one into a missing folder.
  TempDir dir;
  const std::string old = (dir / "old.dat").string();
  WriteFile(old, "keep me");
  ScriptedPlatform platform;
  EXPECT_FALSE(WritePowderData(*ws, platform, kGsas, kTwoSteppedObserved, old));
  EXPECT_FALSE(WritePowderData(*ws, platform, kXy, kOneSteppedSmoothed, old));
  EXPECT_FALSE(WritePowderData(*ws, platform, kXy, 0, (dir / "no" / "x.dat").string()));
  EXPECT_EQ(platform.Headlines(),
            (Texts{"This selection not Provided  !!!", "Smoothing not performed !!!",
                   "Cannot Data File Open !!"}));
  EXPECT_EQ(ReadFile(old), "keep me");
}

// Side-by-side intensity fields: a value that would fill its field (and so
// run into its neighbour) or not fit at all is refused, naming the point;
// the widest that still leaves a blank is written. One point a line has room.
TEST(WritePowderData, IntensitiesThatDoNotFitTheirFieldsAreRefused) {
  auto ws = MakePattern(25);
  const std::tuple<int, float, bool> cases[] = {
      {kGsas, 1e23f, false},        {kGsas, 1234567, false},      {kGsas, 999999, true},
      {kGsas, -99999, true},        {kGsas, -100000, false},      {kRietanNormal, 9999999, true},
      {kRietanNormal, 1e7f, false}, {kRietanNormal, -1e6f, false}, {kFullProf, 1e7f, false},
      {kRietica, -999999, true},    {kDbw, 999999, true},         {kDbw, 1e6f, false},
      {kXy, 1e23f, true},           {kRietanGeneral, 1e9f, true},
  };
  for (const auto& [format, y, fits] : cases) {
    ws->obs[7].y = y;
    std::string text, fault;
    EXPECT_EQ(FormatPowderData(*ws, format, kOneSteppedObserved, text, &fault),
              fits ? PowderStatus::kOk : PowderStatus::kDoesNotFit)
        << format << " " << y;
    if (!fits) {
      EXPECT_TRUE(fault.starts_with("point 7: intensity ")) << fault;
    }
  }
  TempDir dir;
  const std::string old = (dir / "old.gsa").string();
  WriteFile(old, "keep me");
  ws->obs[7].y = 1e23f;
  ScriptedPlatform platform;
  EXPECT_FALSE(WritePowderData(*ws, platform, kGsas, kOneSteppedObserved, old));
  EXPECT_EQ(platform.messages, Texts{"Data do not fit the format !!!\npoint 7: intensity "
                                     "1e+23 does not fit the format's 6-column field"});
  EXPECT_EQ(ReadFile(old), "keep me");
}

TEST(ExportPowderCommand, EachCommandAsksTypeThenFileThenReports) {
  TempDir dir;
  const int ids[] = {32791, 32792, 32793, 32795, 32796, 32797, 32798, 32799};
  auto ws = MakePattern(25);
  for (int format = 0; format < kPowderFormatCount; ++format) {
    const PowderFormatInfo& info = kPowderFormats[format];
    ScriptedPlatform platform;
    const fs::path out = dir / ("out" + std::to_string(format));
    platform.dataTypeAnswers.push_back(kOneSteppedSmoothed);
    platform.saveAnswers.push_back(out.string());
    ASSERT_EQ(PowderFormatOfCommand(ids[format]), format);
    EXPECT_EQ(PowderFormatOfName(info.cliName), format);
    ExportPowderCommand(*ws, platform, format);
    // The dialog opens on "One-stepped Observed Data".
    EXPECT_EQ(platform.dataTypeShown, std::vector<int>{0});
    EXPECT_EQ(SaveDialogs(platform),
              Texts{std::string(info.filter) + " " + info.defaultExtension + " "});
    const bool refused = format == kPowderX;
    EXPECT_EQ(platform.messages,
              (refused ? Texts{"This selection not Provided  !!!", "Saving Failed!!!"}
                       : Texts{"Successfully Saved !"}));
    EXPECT_EQ(ReadFile(out), refused ? "" : Format(*ws, format, kOneSteppedSmoothed));
  }
  EXPECT_EQ((std::vector{PowderFormatOfCommand(32794), PowderFormatOfName("xyz")}),
            std::vector(2, -1));
  // Cancel in the data-type dialog, then in the save dialog: no message, nothing written.
  ScriptedPlatform platform;
  platform.dataTypeAnswers = {std::nullopt, 1};
  for (int i = 0; i < 2; ++i) ExportPowderCommand(*ws, platform, kRietanNormal);
  EXPECT_EQ(platform.saveRequests.size(), 1u);
  EXPECT_TRUE(platform.messages.empty());
  // A fit, or a simulated pattern, is refused before any dialog.
  for (bool simulation : {false, true}) {
    auto other = simulation ? MakePattern(10) : MakeFit(1, 4, 1, 1);
    other->simulationMode = simulation ? 1 : 0;
    ScriptedPlatform refused;
    for (int format = -1; format <= kPowderFormatCount; ++format)
      ExportPowderCommand(*other, refused, format);
    EXPECT_EQ(refused.messages, Texts(8, "Not Raw Data !!!"));
    EXPECT_TRUE(refused.dataTypeShown.empty());
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 7);
}
