// Edit File, Edit CellRef File, Help by Html and GenHKL Run.
#pragma once

#include "indexing/program_files.h"

namespace difscop::indexing {

// The open-file dialog of Edit File.
platform::FileDialogRequest EditFileRequest();

void EditFileCommand(Workspace& ws, Platform& platform);
void EditCellRefFileCommand(Workspace& ws, Platform& platform);
// The help document DifscopHelp.html in the start directory, opened with the
// desktop's program for HTML documents.
void HelpByHtmlCommand(Workspace& ws, Platform& platform);
void GenHklRunCommand(Workspace& ws, Platform& platform);

}  // namespace difscop::indexing
