// The subcommands of difscop-cli. Each takes the arguments after its name
// and returns the process exit status.
#pragma once

#include <string>
#include <vector>

#include "workspace/workspace.h"

namespace difscop::cli {

int RunInfo(const std::vector<std::string>& args);
int RunExport(const std::vector<std::string>& args);
// Picture output, the work of difscop-render (only in builds with Qt);
// difscop-cli's render subcommand starts that program with its arguments.
int RunRender(const std::vector<std::string>& args);
int StartRender(const std::vector<std::string>& args);
// Starts difscop-index for `index`.
int StartIndex(const std::vector<std::string>& args);
// Processing: smoothing, peak search, background reduction.
int RunSmooth(const std::vector<std::string>& args);
int RunPeaks(const std::vector<std::string>& args);
int RunBackground(const std::vector<std::string>& args);
// Profile fitting and Ka2 stripping.
int RunFit(const std::vector<std::string>& args);
int RunStripKa2(const std::vector<std::string>& args);

// render's .bmp, .emf and .smp outputs; -1 for any other kind of file.
int RenderPictureFile(workspace::Workspace& ws, const std::string& out, int width, int height);
// Indexing: input files, CellRef input from a listing, Cell's solutions.
int RunIndexInput(const std::vector<std::string>& args);
int RunCellRef(const std::vector<std::string>& args);
int RunCellSolutions(const std::vector<std::string>& args);
// The built-in indexing and cell refinement.
int RunIndex(const std::vector<std::string>& args);
// The powder reflections of a crystal structure CIF, the work of
// difscop-phase; difscop-cli's phase subcommand starts it.
int RunPhase(const std::vector<std::string>& args);
int StartPhase(const std::vector<std::string>& args);

}  // namespace difscop::cli
