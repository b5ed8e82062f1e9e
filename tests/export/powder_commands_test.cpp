#include <gtest/gtest.h>

#include "export/export_fixtures.h"
#include "export/powder_commands.h"
#include "export/powder_data.h"
#include "platform/scripted_platform.h"

namespace fs = std::filesystem;
using namespace difscop;
using namespace difscop::exporter;
using difscop::platform::ScriptedPlatform;
using difscop::test::MakeFit;
using difscop::test::MakePattern;
using difscop::test::ReadFile;
using difscop::test::TempDir;

TEST(ExportPowderCommand, EachCommandAsksTypeThenFileThenReports) {
  TempDir dir;
  const char* extensions[] = {".int", ".int", ".raw", ".prf", ".dat", ".dat", ".dat", ".dat"};
  const int ids[] = {32791, 32792, 32793, 32795, 32796, 32797, 32798, 32799};
  for (int format = 0; format < kPowderFormatCount; ++format) {
    auto ws = MakePattern(25);
    ScriptedPlatform platform;
    fs::path out = dir / ("out" + std::to_string(format) + extensions[format]);
    platform.dataTypeAnswers.push_back(0);
    platform.saveAnswers.push_back(out.string());
    ASSERT_EQ(PowderFormatOfCommand(ids[format]), format);
    ExportPowderCommand(*ws, platform, format);
    // The dialog opens on "One-stepped Observed Data".
    EXPECT_EQ(platform.dataTypeShown, std::vector<int>{0});
    ASSERT_EQ(platform.saveRequests.size(), 1u);
    EXPECT_EQ(platform.saveRequests[0].defaultExtension, extensions[format]);
    EXPECT_EQ(platform.saveRequests[0].filter, kPowderFormats[format].filter);
    EXPECT_EQ(platform.messages, std::vector<std::string>{"Successfully Saved !"});
    std::string expected;
    ASSERT_EQ(FormatPowderData(*ws, format, 0, expected), PowderStatus::kOk);
    EXPECT_EQ(ReadFile(out), expected);
  }
  EXPECT_EQ(std::string(kPowderFormats[kGsas].filter),
            "GSAS Input File (*.raw)|*.raw|Other Files (*.*)|*.*||");
  EXPECT_EQ(PowderFormatOfCommand(32794), -1);
  EXPECT_EQ(PowderFormatOfName("rietan-general"), kRietanGeneral);
  EXPECT_EQ(PowderFormatOfName("xyz"), -1);
}

TEST(ExportPowderCommand, CancelAndRefusalsWriteNothing) {
  TempDir dir;
  fs::path out = dir / "x.int";
  auto ws = MakePattern(25);
  {
    ScriptedPlatform platform;  // Cancel in the data-type dialog
    ExportPowderCommand(*ws, platform, kRietanNormal);
    EXPECT_TRUE(platform.saveRequests.empty());
    platform.dataTypeAnswers.push_back(1);  // Cancel in the save dialog
    ExportPowderCommand(*ws, platform, kRietanNormal);
    EXPECT_EQ(platform.saveRequests.size(), 1u);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_TRUE(fs::is_empty(dir.path()));
  }
  {
    // Smoothed data before smoothing: both messages, no file.
    ws->smoothedValid = 0;
    ScriptedPlatform platform;
    platform.dataTypeAnswers.push_back(kOneSteppedSmoothed);
    platform.saveAnswers.push_back(out.string());
    ExportPowderCommand(*ws, platform, kRietanNormal);
    EXPECT_EQ(platform.messages,
              (std::vector<std::string>{"Smoothing not performed !!!", "Saving Failed!!!"}));
    EXPECT_FALSE(fs::exists(out));
  }
  {
    ScriptedPlatform platform;
    platform.dataTypeAnswers.push_back(kTwoSteppedObserved);
    platform.saveAnswers.push_back(out.string());
    ExportPowderCommand(*ws, platform, kDbw);
    EXPECT_EQ(platform.messages,
              (std::vector<std::string>{"This selection not Provided  !!!", "Saving Failed!!!"}));
    EXPECT_FALSE(fs::exists(out));
  }
  // A fit, or a simulated pattern, is refused before any dialog.
  for (bool simulation : {false, true}) {
    auto other = simulation ? MakePattern(10) : MakeFit(1, 4, 1, 1);
    other->simulationMode = simulation ? 1 : 0;
    ScriptedPlatform platform;
    platform.dataTypeAnswers.push_back(0);
    platform.saveAnswers.push_back(out.string());
    for (int format = 0; format < kPowderFormatCount; ++format) {
      ExportPowderCommand(*other, platform, format);
    }
    EXPECT_EQ(platform.messages, std::vector<std::string>(8, "Not Raw Data !!!"));
    EXPECT_TRUE(platform.dataTypeShown.empty());
    EXPECT_TRUE(platform.saveRequests.empty());
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));
}
