// Reading a Treor listing: the solution it found, or its trial solutions, and
// the reflection list that follows the chosen cell.
#pragma once

#include <optional>
#include <vector>

#include "indexing/listing.h"
#include "textio/line_reader.h"

namespace difscop::indexing {

// Positions the reader after " THIS MAY BE THE SOLUTION !!!"; false at end of file.
bool FindTreorSolution(textio::LineReader& reader);

// From the start of the listing: every "   NUMBER OF SINGLE INDEXED LINES"
// block, at most 21. The merit is single / total indexed lines (0 when the
// total is 0). A block cut short by the end of the file is not taken.
std::vector<platform::TrialSolutionRow> ReadTreorTrialSolutions(textio::LineReader& reader);

// Rewinds and reads past count "   TOTAL NUMBER OF LINES" lines; false when
// the file ends first.
bool SkipTreorSolutions(textio::LineReader& reader, int count);

struct TreorSolution {
  CellTexts cell;  // 10-character texts
  IndexedLines lines;
};

// From the current position: the next "   TOTAL NUMBER OF LINES", the cell
// lines under it and the reflection list up to " NUMBER OF OBS. LINES" (or
// the end of the file). nullopt when there is no such solution.
std::optional<TreorSolution> ReadTreorSolution(textio::LineReader& reader);

}  // namespace difscop::indexing
