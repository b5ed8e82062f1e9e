// Reading an Ito listing: which of its layouts it has, the candidate cells,
// and the reflection table of the chosen one.
#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "indexing/listing.h"
#include "textio/line_reader.h"

namespace difscop::indexing {

enum class ItoLayout {
  None,
  FourSolution,
  OneSolution,
  BestSolution,
  Hexagonal,
  Rhombohedral,
  Tetragonal
};

// The layout of the last of the six layout keywords found in the listing.
ItoLayout ClassifyItoListing(textio::LineReader& reader);

// How a reflection table is laid out.
struct ItoTableForm {
  std::vector<std::string_view> endKeywords;
  std::string_view marker;
  std::size_t markerOffset = 0;
  std::size_t lengthLimit = 0;
  int neighbourFloats = 2;  // floats before the h k l integers of a neighbour line
};

// Reads the table from the current position in blocks (separated by empty
// lines, each read whole) up to an end keyword or the end of the file.
// A marked line longer than the limit is a rejected peak; one shorter is an
// indexed line whose h k l come from the next line of its block (the previous
// one for the block's last line). A marked line alone in its block has no
// indices and is left out.
IndexedLines ReadItoReflectionTable(textio::LineReader& reader, const ItoTableForm& form);

// The standard table of the one-solution, best-solution and lattice layouts.
ItoTableForm StandardItoTable(std::vector<std::string_view> endKeywords);

// The outcome of reading one layout up to the chosen cell.
struct ItoResult {
  enum class Status { Ok, Cancelled, Stopped, NoSolution, KeywordNotFound } status = Status::Ok;
  CellTexts cell;  // 8-character texts
  IndexedLines lines;
  std::vector<CellTexts> candidates;  // cells read (four-solution: all four)
};

// The four-solution layout needs a choice between its cells; the rows are
// handed to choose, which returns the chosen 0-based row or nullopt (Cancel).
using ChooseRow = std::function<std::optional<int>(const std::vector<platform::TrialSolutionRow>&)>;

ItoResult ReadItoListing(textio::LineReader& reader, ItoLayout layout, const ChooseRow& choose);

}  // namespace difscop::indexing
