#include "settings/setting_dialog.h"

#include "settings_test_util.h"

namespace difscop::settings {
namespace {

using testing::DisplayValues;
using testing::SettingsTest;

TEST_F(SettingsTest, SettingDialogReopensOnASizeOutOfRangeAndOkStoresEachRow) {
  ApplyDisplayDefaults(*ws);
  const std::vector<int> defaults = DisplayValues(*ws);
  platform::SettingDialog chosen = MakeSettingDialog(*ws);
  chosen.colours = {101, 102, 103, 104, 105, 106, 107, 108};
  chosen.sizes = {11, 10, 10, 10, 50};
  platform::SettingDialog tooBigFont = chosen, negative = chosen, ok = chosen;
  tooBigFont.sizes = {10, 10, 10, 10, 51};
  negative.sizes = {0, 0, 0, -1, 0};
  ok.sizes = {1, 2, 3, 4, 0};  // a typed font size 0 is accepted
  platform.settingAnswers = {chosen, tooBigFont, negative, std::nullopt, ok};
  SetParaCommand(*ws, platform);
  EXPECT_EQ(platform.messages, (testing::V{"Please enter an integer between 0 and 10.",
                                           "Please enter an integer between 0 and 50.",
                                           "Please enter an integer between 0 and 10."}));
  EXPECT_EQ(std::pair(DisplayValues(*ws), platform.repaints), std::pair(defaults, 0))
      << "Cancel drops everything";
  SetParaCommand(*ws, platform);
  // Each reopening shows what was entered; a new dialog the workspace. OK
  // stores each row where the dialog found it (the fills are not edited).
  auto same = [](const platform::SettingDialog& a, const platform::SettingDialog& b) {
    return a.colours == b.colours && a.sizes == b.sizes;
  };
  const std::vector<platform::SettingDialog>& shown = platform.settingShown;
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_TRUE(same(shown[1], chosen) && same(shown[2], tooBigFont) && same(shown[4], shown[0]));
  EXPECT_EQ(DisplayValues(*ws),
            (std::vector<int>{103, 101, 108, 102, 105, 104, 106, 107, 255, 65280, 0, 3, 4, 2, 1}));
  EXPECT_TRUE(same(MakeSettingDialog(*ws), ok) && platform.repaints == 1);
}

}  // namespace
}  // namespace difscop::settings
