// Set Range and Clear Pattern.
#pragma once

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::plot {

// The dialog filled from the current range and increments.
platform::SetRangeDialog MakeSetRangeDialog(const workspace::Workspace& ws);

// Opens the range dialog; on OK takes the six whole numbers and repaints.
// Values that leave nothing to draw (an end not after its start, an increment
// of 0 or less) are refused with a message and the dialog opens again with
// the typed values; Cancel keeps the previous range.
void SetRangeCommand(workspace::Workspace& ws, platform::Platform& platform);

// Empties the plot: cleared title, reset workspace, repaint.
void ClearPatternCommand(workspace::Workspace& ws, platform::Platform& platform);

inline constexpr const char* kBadRangeMessage =
    "Each end must be larger than its start and each increment larger than 0 !!!";

}  // namespace difscop::plot
