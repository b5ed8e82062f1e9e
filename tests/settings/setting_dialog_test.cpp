#include "settings/setting_dialog.h"

#include "settings_test_util.h"

namespace difscop::settings {
namespace {

using testing::SettingsTest;

TEST_F(SettingsTest, SettingDialogReopensOnASizeOutOfRangeAndOkStoresEachRow) {
  ApplyDisplayDefaults(*ws);
  platform::SettingDialog chosen = MakeSettingDialog(*ws);
  chosen.colours = {101, 102, 103, 104, 105, 106, 107, 108};
  chosen.sizes = {11, 10, 10, 10, 50};
  platform::SettingDialog tooBigFont = chosen, negative = chosen, ok = chosen;
  tooBigFont.sizes = {10, 10, 10, 10, 51};
  negative.sizes = {0, 0, 0, -1, 0};
  ok.sizes = {1, 2, 3, 4, 0};  // a typed font size 0 is accepted
  platform.settingAnswers = {chosen, tooBigFont, negative, std::nullopt, ok};
  SetParaCommand(*ws, platform);
  EXPECT_EQ(platform.messages,
            (std::vector<std::string>{"Please enter an integer between 0 and 10.",
                                      "Please enter an integer between 0 and 50.",
                                      "Please enter an integer between 0 and 10."}));
  EXPECT_EQ(ws->colObs, 255u) << "Cancel drops everything";
  EXPECT_EQ(ws->frameLineWidth, 1);
  EXPECT_EQ(platform.repaints, 0);
  SetParaCommand(*ws, platform);
  // Each reopening shows what was entered; a new dialog the workspace.
  ASSERT_EQ(platform.settingShown.size(), 5u);
  for (std::size_t shown : {0u, 4u}) {
    EXPECT_EQ(platform.settingShown[shown].colours[0], 8388608u);
    EXPECT_EQ(platform.settingShown[shown].sizes[4], 18);
  }
  EXPECT_EQ(platform.settingShown[1].colours[3], 104u);
  EXPECT_EQ(platform.settingShown[1].sizes[0], 11);
  EXPECT_EQ((std::array<workspace::Colour, 10>{ws->colBack, ws->colBase, ws->colFrame, ws->colObs,
                                               ws->colCalc, ws->colDiff, ws->colRef, ws->colFont,
                                               ws->colObsFill, ws->colDiffFill}),
            (std::array<workspace::Colour, 10>{101, 102, 103, 104, 105, 106, 107, 108, 255, 65280}))
      << "the Sma4 fills are not edited here";
  EXPECT_EQ((std::array<int, 5>{ws->frameLineWidth, ws->calcLineWidth, ws->obsDotRadius,
                                ws->diffDotRadius, ws->fontSize}),
            (std::array<int, 5>{1, 2, 3, 4, 0}));
  EXPECT_EQ(platform.repaints, 1);
  // The ends of each range are accepted.
  for (auto sizes : {std::array<int, 5>{10, 10, 10, 10, 50}, std::array<int, 5>{}}) {
    ok.sizes = sizes;
    EXPECT_EQ(FirstRejectedSize(ok), -1);
  }
}

}  // namespace
}  // namespace difscop::settings
