// Readers of measured patterns (and of the simulated pattern given with "-x").
#pragma once

#include <string>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::import {

// Format codes of ReadRawPattern.
enum RawFormat : int {
  kRigakuRint = 0,
  kMac = 1,
  kRigakuRad = 2,
  kHermesNeutron = 3,
  kXyText = 4,
  kRietanInt = 5,
  kSimulated = 6,
  kRigakuAsciiRas = 7,
  kGsasRaw = 8,
  kXylib = 9,
  // Without a menu entry of their own: Open Pattern's detection, the
  // command line and files handed to the window pick them.
  kFreeFormat = 10,   // "start step end", then the counts (FullProf, Rietica, DBW)
  kXyColumns = 11,    // (x,y) text with intensities of any sign
};
inline constexpr int kRawFormatCount = 12;

// Reads the file into obs (calc and the reflection table for kSimulated).
// On failure one message has been shown and false is returned.
bool ReadRawPattern(workspace::Workspace& ws, platform::Platform& platform, int code,
                    const std::string& path);

// The same over the file's bytes; path, where given, is named in refusals.
// A failed read leaves no point, segment or reflection counted. Every reader
// refuses a text holding a NUL byte and a result that no pattern can hold
// (CheckPattern).
bool ReadRawPatternText(workspace::Workspace& ws, platform::Platform& platform, int code,
                        std::string text, const std::string& path = {});

}  // namespace difscop::import
