// Loading a pattern file for a difscop-cli subcommand.
#pragma once

#include <optional>
#include <string>

#include "workspace/workspace.h"

namespace difscop::cli {

// Loads file exactly as the menu command (or, for "sim", the "-x" start)
// would. format is one of rint mac rad hermes xy int sim igor cif prf; a
// failure's message is printed on stderr and false returned.
bool LoadPatternForCli(workspace::Workspace& ws, const std::string& format, const std::string& file,
                       std::optional<float> neutronWavelength);

// The raw code (0..6) or fitted kind (0..2) of a format name; nullopt when
// the name is unknown. fitted tells which of the two it is.
std::optional<int> FormatCode(const std::string& format, bool& fitted);

}  // namespace difscop::cli
