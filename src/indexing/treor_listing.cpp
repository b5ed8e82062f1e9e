#include "indexing/treor_listing.h"

#include "indexing/program_files.h"
#include "textio/scan.h"

namespace difscop::indexing {
using textio::LineReader;
using textio::StartsWith;

namespace {
constexpr std::string_view kSolutionFound = " THIS MAY BE THE SOLUTION !!!";
constexpr std::string_view kSingleIndexed = "   NUMBER OF SINGLE INDEXED LINES";
constexpr std::string_view kTotalLines = "   TOTAL NUMBER OF LINES";
constexpr std::string_view kObsLines = " NUMBER OF OBS. LINES";

// The three cell lines: a/alpha, b/beta, c/gamma at columns 6 and 37.
bool ReadCellLines(LineReader& reader, CellTexts& cell) {
  std::string line;
  for (int i = 0; i < 3; ++i) {
    if (!reader.ReadLine(line)) return false;
    cell[i] = Cut(line, 6, 10);
    cell[3 + i] = Cut(line, 37, 10);
  }
  return true;
}
}  // namespace

bool FindTreorSolution(LineReader& reader) {
  return textio::FindKeywordLine(reader, kSolutionFound);
}

std::vector<platform::TrialSolutionRow> ReadTreorTrialSolutions(LineReader& reader) {
  std::vector<platform::TrialSolutionRow> rows;
  reader.Rewind();
  std::string line;
  while (static_cast<int>(rows.size()) < kMaxTrialSolutions &&
         reader.SkipToPrefix(kSingleIndexed, &line)) {
    int single = textio::ToInt(Cut(line, 38, 2));
    if (!reader.ReadLine(line)) break;
    int total = textio::ToInt(Cut(line, 29, 2));
    platform::TrialSolutionRow row;
    row.merit = total != 0 ? static_cast<float>(single) / static_cast<float>(total) : 0.0f;
    if (!ReadCellLines(reader, row.cell)) break;
    rows.push_back(row);
  }
  return rows;
}

bool SkipTreorSolutions(LineReader& reader, int count) {
  reader.Rewind();
  for (int i = 0; i < count; ++i) {
    if (!textio::FindKeywordLine(reader, kTotalLines)) return false;
  }
  return true;
}

std::optional<TreorSolution> ReadTreorSolution(LineReader& reader) {
  if (!textio::FindKeywordLine(reader, kTotalLines)) return std::nullopt;
  TreorSolution solution;
  if (!ReadCellLines(reader, solution.cell)) return std::nullopt;
  std::string line;
  for (int i = 0; i < 2; ++i) reader.ReadLine(line);

  IndexedLines& out = solution.lines;
  // A listing cut short ends the list at the end of the file.
  while (reader.ReadLine(line) && !StartsWith(line, kObsLines)) {
    std::string h = Cut(line, 1, 4);
    std::string t = Cut(line, 42, 7);
    if (t == "       ") continue;
    if (h == "    ") {
      if (static_cast<int>(out.rejected.size()) < kMaxRejectedPeaks) {
        out.rejected.push_back(static_cast<float>(textio::ToDouble(t)));
      }
      continue;
    }
    if (static_cast<int>(out.records.size()) == kMaxReflectionRecords) break;
    out.records.push_back({h, Cut(line, 5, 4), Cut(line, 9, 4), t});
  }
  return solution;
}

}  // namespace difscop::indexing
