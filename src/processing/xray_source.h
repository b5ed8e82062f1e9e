// X-ray source parameters, their dialog, and the Ka2 elimination of the peak
// list.
#pragma once

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::processing {

// The dialog as it opens: each field in its display format.
platform::XraySourceDialog MakeXraySourceDialog(const workspace::Workspace& ws);

// OK: every edit that reads as a number replaces its field; the others leave
// theirs unchanged. wavelength follows ka1Wavelength, except for a pattern
// that brought its own wavelength: the dialog shows that one in the Ka1 edit,
// and it stays (with ka1Wavelength) unless the edit was changed.
void ApplyXraySourceDialog(workspace::Workspace& ws, const platform::XraySourceDialog& dialog);

// A click on row 0 .. 4 of the anode table copies its Ka1 and Ka2 texts (at
// most 8 characters each) into the two wavelength edits.
void ChooseAnodeRow(platform::XraySourceDialog& dialog, int row);

// Marks every peak j that is the Ka2 companion of an earlier peak i and, when
// remove is true, drops the marked peaks from the list (order kept).
void RemoveKa2Peaks(workspace::Workspace& ws, bool remove);

// The dialog, then RemoveKa2Peaks on OK; Cancel leaves list and parameters.
void Ka2Elimination(workspace::Workspace& ws, platform::Platform& platform, bool remove);

// Setting > Set X-ray Source.
void SetXraySourceCommand(workspace::Workspace& ws, platform::Platform& platform);

}  // namespace difscop::processing
