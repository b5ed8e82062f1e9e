// The start switches: "-i", "-s", "-m" or "-x" followed by a data file that
// the first paint loads; a file named without a switch, opened by its type;
// --help and --version.
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
// Without any switch a lone argument is a file the first paint opens by its
// type (startupOption kStartupByFileType); several are put in startupFiles,
// which the window opens together once it is up.
void ParseCommandLine(workspace::Workspace& ws, const std::string& programPath,
                      std::span<const std::string> arguments);

// "--help" or "--version" as the first argument: answered on standard output
// before any window opens.
enum class InformationRequest { kNone, kHelp, kVersion };
InformationRequest InformationRequested(std::span<const std::string> arguments);

// The texts printed for them.
std::string UsageText(const std::string& programName);
std::string VersionText();

}  // namespace difscop::commands
