// File > Export Graphics Formats > EMF, and File > View Graphics.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::exporter {

// Save dialog, then sets up the recording that the next paint of the window
// makes (RecordMetafile) and asks for that paint.
void ExportEmfCommand(workspace::Workspace& ws, platform::Platform& platform, bool colour);

enum class Picture { kSma4, kEmf, kBmp };

// The program the desktop opens a file with; nullopt when there is none.
using AssociationLookup = std::function<std::optional<std::string>(const std::string& path)>;

// Opens the last file of that kind with its associated program, without
// waiting for it. No program: a beep and "Cannot execute smp file !!!".
void ViewGraphicsCommand(const workspace::Workspace& ws, platform::Platform& platform,
                         Picture picture, const AssociationLookup& lookup = {});

}  // namespace difscop::exporter
