#include "indexing/cell_listing.h"

#include "indexing/program_files.h"
#include "textio/scan.h"
#include "workspace/workspace.h"

namespace difscop::indexing {
using platform::CellSolutionRow;
using textio::LineReader;

CellSystem CellSystemOfFirstLine(std::string_view line) {
  line = textio::StripLineFeed(line);
  std::size_t first = line.find_first_not_of(' ');
  line = first == std::string_view::npos ? std::string_view() : line.substr(first);
  const std::string code = Cut(line, 0, 7);
  if (code == "CELLCUB") return CellSystem::Cubic;
  if (code == "CELLTET") return CellSystem::Tetragonal;
  if (code == "CELLHEX") return CellSystem::Hexagonal;
  if (code == "CELLO  ") return CellSystem::Orthorhombic;
  if (code == "CELLMA " || code == "CELLMB ") return CellSystem::Monoclinic;
  return CellSystem::Unknown;
}

namespace {

CellSolutionRow CubicRow(std::string_view line) {
  line = textio::StripLineFeed(line);
  textio::Scanner scan(line.size() > 4 ? line.substr(4) : std::string_view());
  std::string w[6];
  for (std::string& word : w) {
    if (!scan.Word(word)) break;
  }
  CellSolutionRow row;
  row.cell = {w[0], w[0], w[0], "90.00", "90.00", "90.00"};
  row.spaceGroup = w[2];
  row.merit = w[4];
  return row;
}

CellSolutionRow UniaxialRow(std::string_view line, const char* gamma) {
  CellSolutionRow row;
  std::string a = Cut(line, 3, 7);
  row.cell = {a, a, Cut(line, 17, 7), "90.00", "90.00", gamma};
  row.spaceGroup = Cut(line, 69, 7);
  row.merit = Cut(line, 56, 3);
  return row;
}

CellSolutionRow OrthorhombicRow(std::string_view line) {
  CellSolutionRow row;
  row.cell = {Cut(line, 2, 7), Cut(line, 14, 7), Cut(line, 26, 7), "90.00", "90.00", "90.00"};
  row.spaceGroup = Cut(line, 70, 7);
  row.merit = Cut(line, 60, 3);
  return row;
}

CellSolutionRow MonoclinicRow(std::string_view line) {
  CellSolutionRow row;
  row.cell = {Cut(line, 2, 7), Cut(line, 12, 7), Cut(line, 22, 7),
              "90.00",         Cut(line, 35, 7), "90.00"};
  row.spaceGroup = Cut(line, 71, 7);
  row.merit = Cut(line, 63, 3);
  return row;
}

}  // namespace

std::optional<std::vector<CellSolutionRow>> ReadCellSolutions(LineReader& reader) {
  std::string line;
  if (!reader.ReadLine(line)) return std::nullopt;
  const CellSystem system = CellSystemOfFirstLine(line);
  if (system == CellSystem::Unknown) return std::nullopt;
  bool result = false;
  while (reader.ReadLine(line)) {
    if (line.find("RESULT") != std::string::npos) {
      result = true;
      break;
    }
  }
  if (!result) return std::nullopt;

  std::vector<CellSolutionRow> rows;
  auto full = [&rows] { return static_cast<int>(rows.size()) >= workspace::kMaxSolutions; };
  if (system == CellSystem::Cubic) {
    if (!textio::FindKeywordLine(reader, "[No]")) return std::nullopt;
    while (!full() && reader.ReadLine(line) && textio::StartsWith(line, "[")) {
      rows.push_back(CubicRow(line));
    }
    return rows;
  }
  while (!full() && reader.ReadLine(line)) {
    std::string_view text = textio::StripLineFeed(line);
    switch (system) {
      case CellSystem::Tetragonal:
        if (!text.empty()) rows.push_back(UniaxialRow(text, "90.00"));
        break;
      case CellSystem::Hexagonal:
        if (!text.empty()) rows.push_back(UniaxialRow(text, "120.00"));
        break;
      case CellSystem::Orthorhombic:
        if (textio::StartsWith(text, "a")) rows.push_back(OrthorhombicRow(text));
        break;
      case CellSystem::Monoclinic:
        if (textio::StartsWith(text, "a")) rows.push_back(MonoclinicRow(text));
        break;
      default:
        break;
    }
  }
  return rows;
}

}  // namespace difscop::indexing
