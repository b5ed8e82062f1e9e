#include "settings/setting_dialog.h"

#include "settings_test_util.h"

namespace difscop::settings {
namespace {

using testing::SettingsTest;

TEST_F(SettingsTest, SettingDialogOkStoresEachRowInItsField) {
  ApplyDisplayDefaults(*ws);
  platform::SettingDialog answer = MakeSettingDialog(*ws);
  answer.colours = {101, 102, 103, 104, 105, 106, 107, 108};
  answer.sizes = {1, 2, 3, 4, 0};  // a typed font size 0 is accepted
  platform.settingAnswers = {answer};
  SetParaCommand(*ws, platform);
  ASSERT_EQ(platform.settingShown.size(), 1u);
  EXPECT_EQ(platform.settingShown[0].colours[0], 8388608u) << "opens on the current values";
  EXPECT_EQ(platform.settingShown[0].sizes[4], 18);
  EXPECT_EQ((std::array<workspace::Colour, 10>{ws->colBack, ws->colBase, ws->colFrame, ws->colObs,
                                               ws->colCalc, ws->colDiff, ws->colRef, ws->colFont,
                                               ws->colObsFill, ws->colDiffFill}),
            (std::array<workspace::Colour, 10>{101, 102, 103, 104, 105, 106, 107, 108, 255, 65280}))
      << "the Sma4 fills are not edited here";
  EXPECT_EQ((std::array<int, 5>{ws->frameLineWidth, ws->calcLineWidth, ws->obsDotRadius,
                                ws->diffDotRadius, ws->fontSize}),
            (std::array<int, 5>{1, 2, 3, 4, 0}));
  EXPECT_EQ(platform.repaints, 1);
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(SettingsTest, SizeOutOfRangeKeepsTheDialogOpenAndCancelDropsEverything) {
  ApplyDisplayDefaults(*ws);
  platform::SettingDialog chosen = MakeSettingDialog(*ws);
  chosen.colours[3] = 0x123456;  // a colour picked in the dialog
  chosen.sizes = {11, 10, 10, 10, 50};
  platform::SettingDialog tooBigFont = chosen;
  tooBigFont.sizes[0] = 10;
  tooBigFont.sizes[4] = 51;
  platform::SettingDialog negative = chosen;
  negative.sizes = {0, 0, 0, -1, 0};
  platform.settingAnswers = {chosen, tooBigFont, negative, std::nullopt};
  SetParaCommand(*ws, platform);
  EXPECT_EQ(platform.messages,
            (std::vector<std::string>{"Please enter an integer between 0 and 10.",
                                      "Please enter an integer between 0 and 50.",
                                      "Please enter an integer between 0 and 10."}));
  // Each reopening shows what was entered, not the workspace.
  ASSERT_EQ(platform.settingShown.size(), 4u);
  EXPECT_EQ(platform.settingShown[1].colours[3], 0x123456u);
  EXPECT_EQ(platform.settingShown[1].sizes[0], 11);
  EXPECT_EQ(ws->colObs, 255u);
  EXPECT_EQ(ws->frameLineWidth, 1);
  EXPECT_EQ(platform.repaints, 0);
  // The ends of each range are accepted.
  for (auto sizes : {std::array<int, 5>{10, 10, 10, 10, 50}, std::array<int, 5>{}}) {
    chosen.sizes = sizes;
    EXPECT_EQ(FirstRejectedSize(chosen), -1);
  }
}

}  // namespace
}  // namespace difscop::settings
