// The File menu's open commands: file dialog, reset, read, then the new
// pattern is ranged, titled and repainted.
#pragma once

#include <optional>
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

// What the open commands do once the file is chosen: reset, read, the mode
// flags, range, ticks and title. False after the reader has said why.
bool LoadRawFile(workspace::Workspace& ws, platform::Platform& platform, int code,
                 const std::string& path);
bool LoadFittedFile(workspace::Workspace& ws, platform::Platform& platform, int kind,
                    const std::string& path);

// The reader a file name asks for: a fitted kind or a raw format code.
struct FileType {
  bool fitted = false;
  int code = 0;
};
std::optional<FileType> FileTypeFromName(const std::string& path);

// Loads a file by its type (a name that says none is refused with a
// message); OpenFileByTypeCommand repaints after a load, for a file handed to
// the window.
bool LoadFileByType(workspace::Workspace& ws, platform::Platform& platform,
                    const std::string& path);
void OpenFileByTypeCommand(workspace::Workspace& ws, platform::Platform& platform,
                           const std::string& path);

}  // namespace difscop::import
