// Loading the file named on the command line, done by the first paint.
#pragma once

#include <string>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::import {

// The Rietan INT file that goes with a simulated pattern: the path with its
// last three characters replaced by "int".
std::string PairedIntPath(const std::string& path);

// Loads dataFilePath by the start-up option: "-s" reads the INT file and the
// Igor file together, "-x" the simulated pattern, "-i" and "-m" an Igor file,
// a file named without a switch by its type.
// Either way commandLineFilePending is cleared, so a file that fails to load
// is reported once rather than at every paint (blankPlot is set again then).
bool LoadCommandLineFile(workspace::Workspace& ws, platform::Platform& platform);

}  // namespace difscop::import
