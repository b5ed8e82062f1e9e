// The SMP graph file of the Sma4Win plotting program (format version 1.7):
// the series with their styles, frame, axes and legend, then all the data.
#pragma once

#include <string>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::exporter {

// The file contents for the current pattern (CR LF line ends). Black and
// white writes every colour as 0 and a white plot area.
std::string FormatSma4File(const workspace::Workspace& ws, bool colour);

// Writes the file atomically; "Cannot File Open !!" and false when it
// cannot be written (an existing file is left as it was).
bool WriteSma4File(const workspace::Workspace& ws, platform::Platform& platform, bool colour,
                   const std::string& path);

// Save dialog, write; a written file becomes the one View Sma4 opens.
void ExportSma4Command(workspace::Workspace& ws, platform::Platform& platform, bool colour);

}  // namespace difscop::exporter
