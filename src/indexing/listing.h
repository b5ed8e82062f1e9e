// What the listing parsers hand to the CellRef input: the chosen cell, the
// indexed reflections and the observed lines the program left unindexed.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace difscop::indexing {

inline constexpr int kMaxReflectionRecords = 50;
inline constexpr int kMaxRejectedPeaks = 20;
inline constexpr int kMaxTrialSolutions = 21;

using platform::CellTexts;

struct ReflectionRecord {
  std::string h, k, l;
  std::string twoTheta;
};

struct IndexedLines {
  std::vector<ReflectionRecord> records;  // at most kMaxReflectionRecords
  std::vector<float> rejected;            // at most kMaxRejectedPeaks
};

}  // namespace difscop::indexing
