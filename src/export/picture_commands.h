// File > Export Graphics Formats > EMF, and File > View Graphics.
#pragma once

#include <string>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::exporter {

// Save dialog, then sets up the recording that the next paint of the window
// makes (RecordMetafile) and asks for that paint.
void ExportEmfCommand(workspace::Workspace& ws, platform::Platform& platform, bool colour);

enum class Picture { kSma4, kEmf, kBmp };

// Opens the last file of that kind with the desktop's opener, without
// waiting for the viewer. When that fails: "Cannot execute smp file !!!"
// (one beep, the message box's).
void ViewGraphicsCommand(const workspace::Workspace& ws, platform::Platform& platform,
                         Picture picture);

}  // namespace difscop::exporter
