// Readers of Rietveld refinement results: observed and calculated profiles
// and the reflection positions of each phase.
#pragma once

#include <string>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::import {

enum FittedFormat : int {
  kIgorPat = 0,
  kGsasCif = 1,
  kFullProfPrf = 2,
};
inline constexpr int kFittedFormatCount = 3;

// Reads the file and, on success, sets the window title to
// "Difscop --- [File Name : <path> ]". On failure one message has been shown.
bool ReadFittedPattern(workspace::Workspace& ws, platform::Platform& platform, int kind,
                       const std::string& path);

// The same over the file's bytes (the title names path), with the checks
// of ReadRawPatternText.
bool ReadFittedPatternText(workspace::Workspace& ws, platform::Platform& platform, int kind,
                           std::string text, const std::string& path = {});

// An Igor file of calculated intensities only (pairedIntLoad set by the
// reader) has no observed profile: obs takes the calculated one, so nothing
// of an earlier file is shown or written as observed data.
void FillObservedFromCalculated(workspace::Workspace& ws);

}  // namespace difscop::import
