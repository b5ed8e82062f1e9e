// Opening pattern files from the window: each opened file joins the list
// of open patterns and the last one becomes active. A lone file is read on
// the window's thread and speaks for itself; several are read on worker
// threads while the window keeps painting (a progress bar with Cancel shows
// after half a second), and what went wrong is said in one message at the
// end.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/handlers.h"
#include "import/open_several.h"

namespace difscop::app {

// The files opened, in order; nullopt on Cancel, which opens none of them.
// replace: the patterns open before are closed once the files are read.
// The failures of several files are shown in one message, or left in
// *report for the caller to show when it is given.
std::optional<std::vector<std::string>> OpenFiles(CommandContext& ctx,
                                                  std::span<const std::string> paths,
                                                  const import::FileLoader& load,
                                                  bool replace = false,
                                                  std::string* report = nullptr);

// The open dialog (any number of files), then OpenFiles.
void OpenChosenFiles(CommandContext& ctx, const platform::FileDialogRequest& request,
                     const import::FileLoader& load);

// File > Save Session... and File > Open Session... (import/session_file.h):
// opening a session replaces what is open; a pattern file that has gone is
// reported and left out.
void SaveSessionCommand(CommandContext& ctx);
void OpenSessionCommand(CommandContext& ctx);

}  // namespace difscop::app
