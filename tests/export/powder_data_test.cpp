#include "export/powder_data.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <tuple>

#include "export/export_fixtures.h"
#include "export/powder_commands.h"
#include "platform/scripted_platform.h"

namespace fs = std::filesystem;
using namespace difscop;
using namespace difscop::exporter;
using difscop::platform::ScriptedPlatform;
using difscop::test::ExpectedFile;
using difscop::test::MakePattern;
using difscop::test::ReadFile;
using difscop::test::TempDir;

namespace {

const char* const kStem[] = {"rietan", "rietan_general", "gsas", "fullprof", "rietica",
                             "dbw",    "powderx",        "xy"};

// Every combination the layouts carry, compared byte for byte with files
// built apart from the program.
struct Case {
  int n;
  int format;
  int dataType;
};

std::vector<Case> ExpectedCases() {
  std::vector<Case> cases;
  for (const auto& entry : fs::directory_iterator(ExpectedFile(""))) {
    std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".txt") continue;
    for (int f = 0; f < kPowderFormatCount; ++f) {
      int n = 0;
      int dt = 0;
      std::string pattern = std::string(kStem[f]) + "_%d_type%d.txt";
      char check[64];
      if (std::sscanf(name.c_str(), pattern.c_str(), &n, &dt) == 2) {
        std::snprintf(check, sizeof check, pattern.c_str(), n, dt);
        if (name == check) cases.push_back({n, f, dt});
      }
    }
  }
  return cases;
}

}  // namespace

TEST(WritePowderData, EveryLayoutMatchesItsExpectedFileByteForByte) {
  // Numbers must come out with a decimal point whatever the user's locale.
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  TempDir dir;
  std::vector<Case> cases = ExpectedCases();
  ASSERT_GE(cases.size(), 30u);
  int supported25 = 0;
  for (const Case& c : cases) {
    auto ws = MakePattern(c.n);
    ScriptedPlatform platform;
    fs::path out = dir / "out.txt";
    std::string name = std::string(kStem[c.format]) + "_" + std::to_string(c.n) + "_type" +
                       std::to_string(c.dataType) + ".txt";
    ASSERT_TRUE(WritePowderData(*ws, platform, c.format, c.dataType, out.string())) << name;
    EXPECT_TRUE(platform.messages.empty()) << name;
    EXPECT_EQ(ReadFile(out), ReadFile(ExpectedFile(name))) << name;
    if (c.n == 25) ++supported25;
  }
  // The 25-point set holds one file per supported combination.
  EXPECT_EQ(supported25, 19);
  std::setlocale(LC_ALL, "C");
}

TEST(WritePowderData, LineAndRecordBoundaries) {
  std::string text;
  // A count that is a multiple of ten ends the Rietan file with an empty line;
  // FullProf leaves a short last line open.
  ASSERT_EQ(FormatPowderData(*MakePattern(20), kRietanNormal, 0, text), PowderStatus::kOk);
  EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
  ASSERT_EQ(FormatPowderData(*MakePattern(25), kFullProf, 0, text), PowderStatus::kOk);
  EXPECT_NE(text.back(), '\n');
  ASSERT_EQ(FormatPowderData(*MakePattern(20), kFullProf, 0, text), PowderStatus::kOk);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

  // The GSAS bank line is 80 characters and counts whole records.
  for (auto [n, records] : {std::pair{25, 3}, {30, 3}, {31, 4}, {9, 1}, {10, 1}}) {
    ASSERT_EQ(FormatPowderData(*MakePattern(n), kGsas, 0, text), PowderStatus::kOk);
    std::size_t start = text.find("\r\n") + 2;
    std::string bank = text.substr(start, text.find("\r\n", start) - start);
    EXPECT_EQ(bank.size(), 80u) << n;
    EXPECT_EQ(std::stoi(bank.substr(13, 4)), records) << n;
    // Every record is ten values of eight characters.
    std::size_t lines = 0;
    for (std::size_t p = text.find("\r\n", start) + 2; p < text.size(); ++lines) {
      std::size_t e = text.find("\r\n", p);
      EXPECT_EQ(e - p, 80u) << n;
      p = e + 2;
    }
    EXPECT_EQ(lines, static_cast<std::size_t>(records)) << n;
  }
}

TEST(WritePowderData, TwoSteppedOddCountWritesWhatTheHeaderAnnounces) {
  std::string text;
  auto ws = MakePattern(11);
  ASSERT_EQ(FormatPowderData(*ws, kRietanGeneral, kTwoSteppedObserved, text), PowderStatus::kOk);
  // "GENERAL", the count 5, then points 1, 3, 5, 7, 9; point 11 is left out.
  EXPECT_EQ(text.substr(0, 12), "GENERAL\r\n5\r\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 5);
  EXPECT_NE(text.find(" 10.1600 "), std::string::npos);
  EXPECT_EQ(text.find(" 10.2000 "), std::string::npos);
}

TEST(WritePowderData, RefusedCombinationsAndMissingSmoothingLeaveFilesAlone) {
  TempDir dir;
  fs::path old = dir / "old.dat";
  // Unsupported: two-stepped for GSAS and the others, smoothed for PowderX.
  std::vector<std::pair<int, int>> refused;
  for (int f = kGsas; f <= kXy; ++f) {
    refused.push_back({f, kTwoSteppedObserved});
    refused.push_back({f, kTwoSteppedSmoothed});
  }
  refused.push_back({kPowderX, kOneSteppedSmoothed});
  for (auto [format, dataType] : refused) {
    test::WriteFile(old, "keep me");
    fs::path fresh = dir / "fresh.dat";
    auto ws = MakePattern(25);
    ScriptedPlatform platform;
    EXPECT_FALSE(WritePowderData(*ws, platform, format, dataType, old.string()));
    EXPECT_FALSE(WritePowderData(*ws, platform, format, dataType, fresh.string()));
    EXPECT_EQ(platform.messages, (std::vector<std::string>(2, "This selection not Provided  !!!")));
    EXPECT_EQ(ReadFile(old), "keep me");
    EXPECT_FALSE(fs::exists(fresh));
  }
  // Smoothed data before smoothing, and a smoothing range that is not usable.
  for (int dataType : {kOneSteppedSmoothed, kTwoSteppedSmoothed}) {
    test::WriteFile(old, "keep me");
    auto ws = MakePattern(25);
    ws->smoothedValid = 0;
    ScriptedPlatform platform;
    EXPECT_FALSE(WritePowderData(*ws, platform, kRietanNormal, dataType, old.string()));
    ws->smoothedValid = 1;
    ws->smoothFirst = 0;
    EXPECT_FALSE(WritePowderData(*ws, platform, kRietanGeneral, dataType, old.string()));
    EXPECT_EQ(platform.messages, (std::vector<std::string>(2, "Smoothing not performed !!!")));
    EXPECT_EQ(ReadFile(old), "keep me");
  }
}

TEST(WritePowderData, UnwritablePathKeepsTheOldFile) {
  TempDir dir;
  auto ws = MakePattern(25);
  {
    // A target that cannot be replaced (a directory) and one whose folder
    // does not exist: nothing is written, what was there stays.
    fs::create_directory(dir / "taken.int");
    test::WriteFile(dir / "taken.int" / "inside", "x");
    ScriptedPlatform platform;
    EXPECT_FALSE(WritePowderData(*ws, platform, kRietanNormal, 0, (dir / "taken.int").string()));
    EXPECT_FALSE(WritePowderData(*ws, platform, kXy, 0, (dir / "no" / "x.dat").string()));
    EXPECT_EQ(platform.Headlines(), (std::vector<std::string>(2, "Cannot Data File Open !!")));
    EXPECT_EQ(ReadFile(dir / "taken.int" / "inside"), "x");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  }
  fs::path old = dir / "old.int";
  test::WriteFile(old, "previous export");
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
  ScriptedPlatform platform;
  EXPECT_FALSE(WritePowderData(*ws, platform, kRietanNormal, 0, old.string()));
  EXPECT_EQ(platform.messages, std::vector<std::string>{"Cannot Data File Open !!\n" + old.string() + ": its directory is write-protected"});
  fs::permissions(dir.path(), fs::perms::owner_all);
  EXPECT_EQ(ReadFile(old), "previous export");
}
