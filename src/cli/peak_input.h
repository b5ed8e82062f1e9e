// The peak list of the indexing subcommands: manual picks, or the automatic
// search with the peaks subcommand's options.
#pragma once

#include <optional>
#include <string>

#include "cli/processing_options.h"
#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::cli {

// Picks each angle as a double click would: the measured point nearest to it.
// False when angles is not a list of numbers.
bool PickManualPeaks(workspace::Workspace& ws, const std::string& angles);

// --ka1, --ka2-wavelength, --ratio, --wavelength-tolerance and
// --intensity-tolerance, where given, into the Ka2 dialog; false (message
// shown) for a value that is not a number.
bool ApplySourceOptions(const ParsedOptions& parsed, platform::XraySourceDialog& source);

// The automatic search with --threshold, --diff, --ka2 and, when given, the
// X-ray source options; false when it found nothing (message shown).
bool SearchPeaksForCli(workspace::Workspace& ws, const ParsedOptions& parsed,
                       bool automaticThreshold = false);

// Loads the pattern (--wavelength, when given, replacing its wavelength) and
// makes its peak list from --manual or the automatic search (--range first).
// 0, or the exit status to end with (message shown).
int LoadPatternAndPeaks(workspace::Workspace& ws, const ParsedOptions& parsed,
                        const std::string& format, const std::string& file,
                        std::optional<float> wavelength,
                        bool automaticThreshold = false);

}  // namespace difscop::cli
