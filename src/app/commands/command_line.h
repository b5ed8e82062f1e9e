// The start switches: "-i", "-s", "-m" or "-x" followed by a data file that
// the first paint loads.
#pragma once

#include <span>
#include <string>

#include "workspace/workspace.h"

namespace difscop::commands {

// Records the command line in ws.commandLine and applies the switch it holds.
// Switches are looked for in the arguments only: a '-' in the program's own
// path (an install directory such as /opt/x-ray/bin) is not a switch, nor is
// one inside a file name. The file is the text after the switch and one
// separating blank, so a path of several arguments is joined with blanks.
void ParseCommandLine(workspace::Workspace& ws, const std::string& programPath,
                      std::span<const std::string> arguments);

}  // namespace difscop::commands
