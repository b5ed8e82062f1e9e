// The Cell Refine menu: a chosen cell from a Treor or Ito listing turned into
// the CellRef input, and the CellRef run.
#pragma once

#include <optional>
#include <string>

#include "indexing/program_files.h"

namespace difscop::indexing {

// Reads a listing (its whole text) and builds the CellRef input, asking
// through platform where the listing leaves a choice. nullopt when the
// command ends there (any message already shown). Fills solutionCells.
std::optional<std::string> CellRefFromTreor(Workspace& ws, Platform& platform,
                                            const std::string& listing);
std::optional<std::string> CellRefFromIto(Workspace& ws, Platform& platform,
                                          const std::string& listing);

void PrepareFromTreorCommand(Workspace& ws, Platform& platform);
void PrepareFromItoCommand(Workspace& ws, Platform& platform);
void CellRefRunCommand(Workspace& ws, Platform& platform);
void CellRefResultsCommand(Workspace& ws, Platform& platform);

}  // namespace difscop::indexing
