// The "External program directory" dialog and the rewrite of the four
// program lines of Difscop.ini it makes at once.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::settings {

using platform::Platform;
using workspace::Workspace;

// The program lines' keys, in the order the rewrite looks for them. They
// are matched at the start of a line, blanks included.
inline constexpr std::array<std::string_view, 4> kProgramKeys = {
    "CellRef = ", "Cell = ", "EXPO = ", "GenHKL = "};

// CellRef, Cell, EXPO and GenHKL paths, in dialog order.
std::array<std::string, 4> ProgramPaths(const Workspace& ws);

// Sets the four program paths and what follows from each (directories,
// input and output files).
void SetProgramPaths(Workspace& ws, const std::array<std::string, 4>& paths);

// The settings text with the four program lines replaced by key + path,
// looked for forward only in key order; every other line is kept whole,
// each ended with CR LF. nullopt when the text ends before all four keys.
std::optional<std::string> RewriteProgramLines(std::string_view text,
                                               const std::array<std::string, 4>& paths);

// Rewrites the program lines of the settings file (SettingsFilePath) with the
// workspace's paths. The file is replaced only once the new text is
// complete; failures are shown ("Ini file not found !!!", "EOF reached !!!").
bool WriteProgramPaths(const Workspace& ws, Platform& platform);

// "Edit External Program": the dialog, then on OK the new paths in the
// workspace and in the settings file.
void EditExternalProgramCommand(Workspace& ws, Platform& platform);

}  // namespace difscop::settings
