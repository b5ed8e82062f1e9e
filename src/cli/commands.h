// The subcommands of difscop-cli. Each takes the arguments after its name
// and returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace difscop::cli {

int RunInfo(const std::vector<std::string>& args);
// Only in builds with Qt.
int RunRender(const std::vector<std::string>& args);
// Processing: smoothing, peak search, background reduction.
int RunSmooth(const std::vector<std::string>& args);
int RunPeaks(const std::vector<std::string>& args);
int RunBackground(const std::vector<std::string>& args);

// Indexing: input files, CellRef input from a listing, Cell's solutions.
int RunIndexInput(const std::vector<std::string>& args);
int RunCellRef(const std::vector<std::string>& args);
int RunCellSolutions(const std::vector<std::string>& args);

}  // namespace difscop::cli
