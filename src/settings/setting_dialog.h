// The "Setting" dialog's data: the eight plot colours and five sizes of the
// workspace, the ranges OK accepts, and the command that runs it.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::settings {

using platform::Platform;
using platform::SettingDialog;
using workspace::Workspace;

// The dialog filled from the workspace.
SettingDialog MakeSettingDialog(const Workspace& ws);

// The row of the first size outside the range OK accepts, -1 when none is.
int FirstRejectedSize(const SettingDialog& dialog);

// The range message for the first size outside the range OK accepts, or
// nullopt when every size is acceptable.
std::optional<std::string> CheckSettingSizes(const SettingDialog& dialog);

// The message shown for a whole number outside min..max.
std::string RangeMessage(int min, int max);

// Stores the dialog's thirteen values in the workspace.
void ApplySettingDialog(Workspace& ws, const SettingDialog& dialog);

// "Set Para": the dialog; a size out of range is refused and the dialog
// shown again with what was entered; OK stores the values and repaints,
// Cancel changes nothing.
void SetParaCommand(Workspace& ws, Platform& platform);

}  // namespace difscop::settings
