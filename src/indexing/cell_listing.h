// Reading the Cell result file: the crystal system named on its first line
// and the solutions listed for it after the "RESULT" line.
#pragma once

#include <optional>
#include <vector>

#include "platform/platform.h"
#include "textio/line_reader.h"

namespace difscop::indexing {

enum class CellSystem { Unknown, Cubic, Tetragonal, Hexagonal, Orthorhombic, Monoclinic };

// From the first line, leading blanks and its line feed removed: "CELLCUB",
// "CELLTET", "CELLHEX", "CELLO  ", "CELLMA " or "CELLMB ".
CellSystem CellSystemOfFirstLine(std::string_view line);

// The solutions, at most 50; nullopt when the file holds no reliable one (an
// unknown system, no "RESULT" line, a cubic list without its "[No]" header).
std::optional<std::vector<platform::CellSolutionRow>> ReadCellSolutions(textio::LineReader& reader);

}  // namespace difscop::indexing
