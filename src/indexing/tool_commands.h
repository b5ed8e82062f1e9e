// Edit File, Edit CellRef File, Help by Html and GenHKL Run.
#pragma once

#include "indexing/program_files.h"

namespace difscop::indexing {

// The open-file dialog of Edit File.
platform::FileDialogRequest EditFileRequest();

void EditFileCommand(Workspace& ws, Platform& platform);
void EditCellRefFileCommand(Workspace& ws, Platform& platform);
// DifscopHelp.html of the start directory, else the installed one.
std::string HelpDocumentPath(const Workspace& ws);
// The help document opened with the desktop's program for HTML documents.
void HelpByHtmlCommand(Workspace& ws, Platform& platform);
void GenHklRunCommand(Workspace& ws, Platform& platform);

}  // namespace difscop::indexing
