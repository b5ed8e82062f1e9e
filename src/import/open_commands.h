// The File menu's open commands: file dialog, reset, read, then the new
// pattern is ranged, titled and repainted.
#pragma once

#include <optional>
#include <string>

#include "import/detect.h"
#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::import {

// The open-file dialog of a raw format code (0..5, 7..9) or a fitted kind
// (0..2), and of Open Pattern (any format, found by detection).
platform::FileDialogRequest RawOpenDialog(int code);
platform::FileDialogRequest FittedOpenDialog(int kind);
platform::FileDialogRequest PatternOpenDialog();

// Open Raw Data, codes 0..5 and 7..9. Cancel changes nothing; a failed read
// leaves the workspace reset and the window repainted empty. True when a
// pattern loaded.
bool OpenRawCommand(workspace::Workspace& ws, platform::Platform& platform, int code);

// Open Pattern: any file, read by the reader its content asks for.
bool OpenPatternCommand(workspace::Workspace& ws, platform::Platform& platform);

// Open Fitted Data, kinds 0..2, the same way.
bool OpenFittedCommand(workspace::Workspace& ws, platform::Platform& platform, int kind);

// What the open commands do once the file is chosen: reset, read, the mode
// flags, range, ticks and title. False after the reader has said why.
bool LoadRawFile(workspace::Workspace& ws, platform::Platform& platform, int code,
                 const std::string& path);
bool LoadFittedFile(workspace::Workspace& ws, platform::Platform& platform, int kind,
                    const std::string& path);

// The reader detection picks for the file; nullopt after a message that
// names the file (it cannot be read, or no reader recognises it).
std::optional<NamedFormat> DetectFileFormat(platform::Platform& platform, const std::string& path);

// Loads a file with the reader detection picks. A file no reader recognises
// changes nothing; one that cannot be read leaves the workspace reset.
// OpenFileByTypeCommand repaints after a load, for a file handed to the window.
bool LoadFileByType(workspace::Workspace& ws, platform::Platform& platform,
                    const std::string& path);
void OpenFileByTypeCommand(workspace::Workspace& ws, platform::Platform& platform,
                           const std::string& path);

}  // namespace difscop::import
