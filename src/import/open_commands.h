// The File menu's open commands: file dialog, reset, read, then the new
// pattern is ranged, titled and repainted.
#pragma once

#include <string>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::import {

// The open-file dialog of a raw format code (0..5) or a fitted kind (0..2).
platform::FileDialogRequest RawOpenDialog(int code);
platform::FileDialogRequest FittedOpenDialog(int kind);

// Open Raw Data, codes 0..5. Cancel changes nothing; a failed read leaves the
// workspace reset and the window repainted empty. True when a pattern loaded.
bool OpenRawCommand(workspace::Workspace& ws, platform::Platform& platform, int code);

// Open Fitted Data, kinds 0..2, the same way.
bool OpenFittedCommand(workspace::Workspace& ws, platform::Platform& platform, int kind);

}  // namespace difscop::import
