#include "settings/setting_dialog.h"

#include <array>

#include "textio/text_writer.h"

namespace difscop::settings {

namespace {

using workspace::Colour;

// Workspace fields behind the dialog's rows, in row order.
constexpr std::array<Colour Workspace::*, 8> kColourFields = {
    &Workspace::colBack, &Workspace::colBase, &Workspace::colFrame, &Workspace::colObs,
    &Workspace::colCalc, &Workspace::colDiff, &Workspace::colRef,   &Workspace::colFont};
constexpr std::array<std::int32_t Workspace::*, 5> kSizeFields = {
    &Workspace::frameLineWidth, &Workspace::calcLineWidth, &Workspace::obsDotRadius,
    &Workspace::diffDotRadius, &Workspace::fontSize};

}  // namespace

SettingDialog MakeSettingDialog(const Workspace& ws) {
  SettingDialog dialog;
  for (std::size_t i = 0; i < kColourFields.size(); ++i) dialog.colours[i] = ws.*kColourFields[i];
  for (std::size_t i = 0; i < kSizeFields.size(); ++i) dialog.sizes[i] = ws.*kSizeFields[i];
  return dialog;
}

std::string RangeMessage(int min, int max) {
  return textio::Format("Please enter an integer between %d and %d.", min, max);
}

int FirstRejectedSize(const SettingDialog& dialog) {
  for (std::size_t i = 0; i < SettingDialog::kSizeRows.size(); ++i) {
    const platform::SettingSizeRow& row = SettingDialog::kSizeRows[i];
    if (dialog.sizes[i] < row.acceptMin || dialog.sizes[i] > row.acceptMax) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::optional<std::string> CheckSettingSizes(const SettingDialog& dialog) {
  const int rejected = FirstRejectedSize(dialog);
  if (rejected < 0) return std::nullopt;
  const platform::SettingSizeRow& row = SettingDialog::kSizeRows[rejected];
  return RangeMessage(row.acceptMin, row.acceptMax);
}

void ApplySettingDialog(Workspace& ws, const SettingDialog& dialog) {
  for (std::size_t i = 0; i < kColourFields.size(); ++i) ws.*kColourFields[i] = dialog.colours[i];
  for (std::size_t i = 0; i < kSizeFields.size(); ++i) ws.*kSizeFields[i] = dialog.sizes[i];
}

void SetParaCommand(Workspace& ws, Platform& platform) {
  SettingDialog dialog = MakeSettingDialog(ws);
  while (platform.EditSettings(dialog)) {
    if (std::optional<std::string> refused = CheckSettingSizes(dialog)) {
      platform.ShowMessage(*refused);
      continue;
    }
    ApplySettingDialog(ws, dialog);
    platform.RequestRepaint();
    return;
  }
}

}  // namespace difscop::settings
