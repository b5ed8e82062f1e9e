// Loading a pattern file for a difscop-cli subcommand.
#pragma once

#include <optional>
#include <string>

#include "workspace/workspace.h"

namespace difscop::cli {

// Loads file exactly as the menu command (or, for "sim", the "-x" start)
// would. format is one of rint mac rad hermes xy int sim rigaku gsas xylib
// free columns igor cif prf, or auto: the reader detection picks, named in *detected. A
// failure's message is printed on stderr and false returned.
bool LoadPatternForCli(workspace::Workspace& ws, const std::string& format, const std::string& file,
                       std::optional<float> neutronWavelength,
                       std::string* detected = nullptr);

// LoadPatternForCli for the subcommands that work on what was measured
// (peaks, fit, background, strip-ka2, smooth, indexing): a refinement
// result's observed points become the measured pattern, said on stderr.
bool LoadMeasuredForCli(workspace::Workspace& ws, const std::string& format,
                        const std::string& file, std::optional<float> neutronWavelength);

}  // namespace difscop::cli
