#include "indexing/ito_listing.h"

#include <array>

#include "indexing/program_files.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::indexing {
using textio::FindKeywordLine;
using textio::LineReader;
using textio::StartsWith;

namespace {
constexpr std::string_view kFourSolutions =
    "0THE  4 BEST SOLUTIONS ARE NOW PRINTED MORE EXTENSIVELY.";
constexpr std::string_view kOneSolution =
    "0THE  1 BEST SOLUTIONS ARE NOW PRINTED MORE EXTENSIVELY.";
constexpr std::string_view kBestSolution =
    "0THE BEST SOLUTION IS NOW USED TO TRY AND INDEX ALL LINES.";
constexpr std::string_view kHexagonal = " HEXAGONAL INDEXING";
constexpr std::string_view kRhombohedral = " RHOMBOHEDRAL INDEXING ON HEXAGONAL AXES";
constexpr std::string_view kTetragonal = " TETRAGONAL INDEXING";

constexpr std::string_view kMeritHeader = "    Q(A)     Q(B)     Q(C)      Q(D)";
constexpr std::string_view kCellHeader = "     A        B        C";
constexpr std::string_view kZeroShift = " ZEROSHIFT IS";
constexpr std::string_view kTableHeader = "0  TWOTHETA       D       H   K   L     Q";
constexpr std::string_view kAltTableHeader = " TWOTHETA     D       Q       H    K    L";
constexpr std::string_view kDirectConstants =
    "                     THE DIRECT CONSTANTS OF THESE LATTICES";
constexpr std::string_view kReciprocal = " RECIPROCAL CONSTANTS";
// The page header Ito prints above each solution, with the title of Ito.dat.
const std::string kSolutionPage =
    "1" + std::string(10, ' ') + "Ito data" + std::string(92, ' ') + "SOLUTION NR";

void SkipLines(LineReader& reader, int count) {
  std::string line;
  for (int i = 0; i < count; ++i) reader.ReadLine(line);
}

// One line of six numbers, each as "%8.3f"; false when it does not hold six.
bool ReadCellValues(std::string_view line, CellTexts& cell) {
  textio::Scanner scan(line);
  for (std::string& text : cell) {
    float v = 0.0f;
    if (!scan.Float(v)) return false;
    text = textio::Format("%8.3f", static_cast<double>(v));
  }
  return true;
}

// The cell after "     A        B        C" (one-solution and best-solution).
bool ReadSingleCell(LineReader& reader, CellTexts& cell) {
  std::string line;
  if (!FindKeywordLine(reader, kCellHeader) || !reader.ReadLine(line)) return false;
  return ReadCellValues(line, cell);
}

// The lattice layouts: a = b and c from the line under " RECIPROCAL CONSTANTS".
bool ReadLatticeCell(LineReader& reader, std::string_view gamma, std::string_view alpha,
                     CellTexts& cell) {
  std::string line;
  if (!FindKeywordLine(reader, kReciprocal) || !reader.ReadLine(line)) return false;
  cell[0] = cell[1] = Cut(line, 31, 8);
  cell[2] = Cut(line, 45, 8);
  cell[3] = cell[4] = std::string(alpha);
  cell[5] = std::string(gamma);
  return true;
}

// h k l of a neighbour line: its last three fields after the floats.
bool ReadIndices(std::string_view line, int floats, std::array<int, 3>& hkl) {
  textio::Scanner scan(line);
  for (int i = 0; i < floats; ++i) {
    float v;
    if (!scan.Float(v)) return false;
  }
  return scan.Int(hkl[0]) && scan.Int(hkl[1]) && scan.Int(hkl[2]);
}

// Examines one block; false once the 51st indexed line is met.
bool ExamineBlock(const std::vector<std::string>& block, const ItoTableForm& form,
                  IndexedLines& out) {
  const std::size_t n = block.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& line = block[i];
    if (Cut(line, form.markerOffset, form.marker.size()) != form.marker) continue;
    const std::size_t length = line.size();
    float twoTheta = 0.0f;
    if (length > form.lengthLimit) {
      if (static_cast<int>(out.rejected.size()) < kMaxRejectedPeaks &&
          textio::ParseFloat(line, twoTheta) > 0) {
        out.rejected.push_back(twoTheta);
      }
      continue;
    }
    if (length == form.lengthLimit) continue;
    if (static_cast<int>(out.records.size()) == kMaxReflectionRecords) return false;
    if (n < 2 || textio::ParseFloat(line, twoTheta) == 0) continue;
    const std::string& neighbour = i + 1 < n ? block[i + 1] : block[i - 1];
    std::array<int, 3> hkl{};
    if (!ReadIndices(neighbour, form.neighbourFloats, hkl)) continue;
    out.records.push_back({textio::Format("%3d", hkl[0]), textio::Format("%3d", hkl[1]),
                           textio::Format("%3d", hkl[2]),
                           textio::Format("%8.3f", static_cast<double>(twoTheta))});
  }
  return true;
}

bool IsEndLine(std::string_view line, const ItoTableForm& form) {
  for (std::string_view keyword : form.endKeywords) {
    if (StartsWith(line, keyword)) return true;
  }
  return false;
}
}  // namespace

ItoLayout ClassifyItoListing(LineReader& reader) {
  constexpr std::array<std::pair<std::string_view, ItoLayout>, 6> kKeywords{{
      {kFourSolutions, ItoLayout::FourSolution},
      {kOneSolution, ItoLayout::OneSolution},
      {kBestSolution, ItoLayout::BestSolution},
      {kHexagonal, ItoLayout::Hexagonal},
      {kRhombohedral, ItoLayout::Rhombohedral},
      {kTetragonal, ItoLayout::Tetragonal},
  }};
  ItoLayout layout = ItoLayout::None;
  for (const auto& [keyword, which] : kKeywords) {
    reader.Rewind();
    if (FindKeywordLine(reader, keyword)) layout = which;
  }
  reader.Rewind();
  return layout;
}

ItoTableForm StandardItoTable(std::vector<std::string_view> endKeywords) {
  return {std::move(endKeywords), "*OBSERVED", 26, 51, 2};
}

IndexedLines ReadItoReflectionTable(LineReader& reader, const ItoTableForm& form) {
  IndexedLines out;
  std::vector<std::string> block;
  std::string raw;
  while (true) {
    block.clear();
    bool tableEnds = false;
    while (true) {
      if (!reader.ReadLine(raw)) {
        // Cut short: what was gathered still counts.
        tableEnds = true;
        break;
      }
      std::string line(textio::StripLineFeed(raw));
      if (IsEndLine(line, form)) {
        block.clear();
        tableEnds = true;
        break;
      }
      if (line.empty()) break;
      // The block is read whole: cutting it would pair an indexed line with
      // the wrong neighbour and so write another line's h k l.
      block.push_back(std::move(line));
    }
    if (!ExamineBlock(block, form, out)) break;
    if (tableEnds) break;
  }
  return out;
}

ItoResult ReadItoListing(LineReader& reader, ItoLayout layout, const ChooseRow& choose) {
  using Status = ItoResult::Status;
  ItoResult result;
  reader.Rewind();
  std::string line;
  switch (layout) {
    case ItoLayout::None:
      result.status = Status::NoSolution;
      return result;

    case ItoLayout::FourSolution: {
      if (!FindKeywordLine(reader, kMeritHeader)) {
        result.status = Status::NoSolution;
        return result;
      }
      std::vector<platform::TrialSolutionRow> rows;
      for (int k = 0; k < 4 && reader.ReadLine(line); ++k) {
        platform::TrialSolutionRow row;
        row.merit = static_cast<float>(textio::ToDouble(Cut(line, 67, 6)));
        rows.push_back(row);
      }
      if (!FindKeywordLine(reader, kCellHeader)) {
        result.status = Status::Stopped;
        return result;
      }
      std::size_t cells = 0;
      while (cells < rows.size() && reader.ReadLine(line) &&
             ReadCellValues(line, rows[cells].cell)) {
        ++cells;
      }
      rows.resize(cells);
      if (rows.empty()) {
        result.status = Status::Stopped;
        return result;
      }
      for (const auto& row : rows) result.candidates.push_back(row.cell);
      std::optional<int> chosen = choose(rows);
      if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(rows.size())) {
        result.status = Status::Cancelled;
        return result;
      }
      reader.Rewind();
      for (int i = 0; i <= *chosen; ++i) {
        if (!FindKeywordLine(reader, kSolutionPage)) {
          result.status = Status::NoSolution;
          return result;
        }
      }
      SkipLines(reader, 5);
      result.lines = ReadItoReflectionTable(reader, {{kZeroShift}, "*OBSERVED**", 30, 47, 3});
      result.cell = rows[*chosen].cell;
      return result;
    }

    case ItoLayout::OneSolution:
      FindKeywordLine(reader, kZeroShift);
      FindKeywordLine(reader, kTableHeader);
      SkipLines(reader, 1);
      result.lines = ReadItoReflectionTable(reader, StandardItoTable({"0"}));
      if (!ReadSingleCell(reader, result.cell)) result.status = Status::Stopped;
      break;

    case ItoLayout::BestSolution: {
      if (!FindKeywordLine(reader, kBestSolution)) {
        result.status = Status::KeywordNotFound;
        return result;
      }
      std::vector<std::string_view> ends{kDirectConstants, kZeroShift};
      ItoTableForm form = StandardItoTable(ends);
      if (!FindKeywordLine(reader, kTableHeader)) {
        reader.Rewind();
        FindKeywordLine(reader, kBestSolution);
        if (!FindKeywordLine(reader, kAltTableHeader)) {
          result.status = Status::KeywordNotFound;
          return result;
        }
        form = {ends, "*OBSERVED", 30, 47, 3};
      }
      SkipLines(reader, 1);
      result.lines = ReadItoReflectionTable(reader, form);
      if (!ReadSingleCell(reader, result.cell)) result.status = Status::Stopped;
      break;
    }

    case ItoLayout::Hexagonal:
    case ItoLayout::Rhombohedral:
    case ItoLayout::Tetragonal: {
      std::string_view lattice = " THE SYMMETRICAL LATTICE WITH THE  CONSTANTS";
      std::string_view end = kHexagonal;
      std::string_view gamma = " 120.000";
      if (layout == ItoLayout::Rhombohedral) {
        lattice = " THE RHOMBOHEDRAL LATTICE WITH THE (HEXAGONAL) CONSTANTS";
        end = kRhombohedral;
      } else if (layout == ItoLayout::Tetragonal) {
        end = kTetragonal;
        gamma = "  90.000";
      }
      FindKeywordLine(reader, lattice);
      FindKeywordLine(reader, kTableHeader);
      SkipLines(reader, 1);
      result.lines = ReadItoReflectionTable(reader, StandardItoTable({end}));
      if (!ReadLatticeCell(reader, gamma, "  90.000", result.cell)) result.status = Status::Stopped;
      break;
    }
  }
  if (result.status == Status::Ok) result.candidates.push_back(result.cell);
  return result;
}

}  // namespace difscop::indexing
