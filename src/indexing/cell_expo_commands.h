// Cell and EXPO from the Index menu: the Cell run on the d-spacings, its
// solutions, the EXPO job file written from a chosen one, and the EXPO run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "indexing/program_files.h"

namespace difscop::indexing {

// Cell.dat over the current peak list (d-spacings).
std::string CellInputText(const Workspace& ws);

// The solutions of a Cell result file as the solution dialog lists them;
// nullopt (message shown) when the file holds none.
std::optional<std::vector<platform::CellSolutionRow>> CellSolutionsFromText(
    Platform& platform, const std::string& text);

// The EXPO job file (fourteen CR LF lines) from the accepted dialog.
std::string ExpoJobText(const platform::ExpoInputDialog& dialog);
// Where the job file goes: data directory, title, ".exp".
std::string ExpoJobPath(const platform::ExpoInputDialog& dialog);
// SirWare.cfg's six lines for a job file.
std::string SirWareText(const std::string& expoDirectory, const std::string& expoFilePath);

// The dialog as it opens for the chosen solution.
platform::ExpoInputDialog ExpoInputFor(const Workspace& ws, const platform::CellSolutionRow& row);

// Writes the observed pattern beside the job file, in the layout EXPO reads.
bool WriteExpoPowderData(Workspace& ws, Platform& platform, const std::string& path);

void CellRunCommand(Workspace& ws, Platform& platform);
void CellResultsCommand(Workspace& ws, Platform& platform);
void PrepareExpoFromCellCommand(Workspace& ws, Platform& platform);
void ExpoRunCommand(Workspace& ws, Platform& platform);

}  // namespace difscop::indexing
