// FullProf profile files (.prf), in either of the two layouts FullProf writes.
// Condensed: five header lines, then free-format numbers: observed and
// calculated intensities, reflection codes, reflection positions. Columns:
// counts on lines 2 and 3, a "2Theta Yobs Ycal ..." header line, one row per
// point, then one row per reflection holding its "(h k l)".
#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "import/fitted_formats.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::import {

using textio::LineReader;
using workspace::Workspace;

namespace {

// The format has no message of its own; a header or a list of numbers that
// cannot be read would otherwise leave stale or invented values behind.
constexpr const char* kMessage = "Not FullProf Format File !!!";

struct Reflection {
  float position = 0.0f;
  double key = 0.0;  // what tells the phase: a condensed code, or a row's marker
};

// Reflection counts per phase from the front of line; false when it holds fewer.
bool ReadPhaseCounts(std::string_view line, int phases, std::vector<int>& counts) {
  textio::Scanner s(line);
  counts.assign(phases, 0);
  for (int& n : counts)
    if (!s.Int(n) || n < 0) return false;
  return true;
}

// A profile whose x is not an angle between 0 and 180 degrees is no 2theta
// scan (time of flight, energy); drawn as one it would be nonsense.
bool RefuseIfNotTwoTheta(float first, float last, ReadContext& context, int line) {
  if (std::fabs(first) <= 181.0f && std::fabs(last) <= 181.0f) return true;
  return context.Fail(kMessage,
                      textio::Format("x runs from %g to %g, not a 2theta scan (time-of-flight "
                                     "and energy patterns are not read)",
                                     static_cast<double>(first), static_cast<double>(last)),
                      line);
}

// Stores each reflection under its phase. decode gives a reflection's phase
// from its key (0: unknown). The decoded phases are used when they account for
// every phase's count; otherwise the rows are taken to come phase after phase.
template <typename Decode>
void StorePhases(Workspace& ws, const std::vector<Reflection>& rows,
                 const std::vector<int>& counts, Decode decode, ReadContext& context) {
  const int phases = static_cast<int>(counts.size());
  std::vector<int> decoded(rows.size());
  std::vector<int> tally(phases + 1, 0);
  bool fits = true;
  for (std::size_t j = 0; j < rows.size(); ++j) {
    decoded[j] = phases == 1 ? 1 : decode(rows[j].key);
    if (decoded[j] < 1 || decoded[j] > phases) fits = false;
    else ++tally[decoded[j]];
  }
  for (int p = 1; fits && p <= phases; ++p) fits = tally[p] == counts[p - 1];
  if (!fits) {
    int p = 1, left = phases ? counts[0] : 0;
    for (int& d : decoded) {
      while (left == 0 && p < phases) left = counts[p++];
      d = p;
      --left;
    }
  }
  if (phases > workspace::kMaxPhases) context.phasesCut = true;
  ws.phaseCount = std::clamp(phases, 1, workspace::kMaxPhases);
  for (int p = 1; p <= workspace::kMaxPhases; ++p) ws.reflectionCount[p] = 0;
  for (std::size_t j = 0; j < rows.size(); ++j)
    if (decoded[j] <= workspace::kMaxPhases) AddReflection(ws, decoded[j], rows[j].position, context);
}

// --- condensed layout -------------------------------------------------------

bool ReadCondensed(Workspace& ws, LineReader& in, ReadContext& context) {
  std::string line;
  if (!in.ReadLine(line) || !in.ReadLine(line) || !in.ReadLine(line))
    return context.Fail(kMessage, "the file ends within its header");
  // Upper limit first.
  if (!textio::ScanThreeFloats(line, ws.stepEnd, ws.stepStart, ws.stepWidth) ||
      !Finite(ws.stepEnd, ws.stepStart, ws.stepWidth))
    return context.Fail(kMessage, "no upper limit, start and step", 3);
  if (!RefuseIfNotTwoTheta(ws.stepStart, ws.stepEnd, context, 3)) return false;
  // Line 4: phases, points; line 5: the reflections of each phase.
  float phaseValue = 0.0f;
  int points = 0;
  if (!in.ReadLine(line)) return context.Fail(kMessage, "the file ends within its header");
  textio::Scanner s(line);
  if (!s.Float(phaseValue) || !s.Int(points) || points < 0)
    return context.Fail(kMessage, "no phase and point counts", 4);
  // Then the two wavelengths, where the file gives them.
  if (float lambda = 0.0f; s.Float(lambda) && lambda > 0.0f && lambda < 100.0f)
    ws.fileWavelength = lambda;
  // Older files hold something else there; they have one phase.
  const int phases = phaseValue >= 1.0f && phaseValue <= 99.0f ? static_cast<int>(phaseValue) : 1;
  std::vector<int> counts;
  if (!in.ReadLine(line) || !ReadPhaseCounts(line, phases, counts))
    return context.Fail(kMessage, textio::Format("no reflection count for each of %d phases", phases),
                        5);

  // Values past a capacity are read and dropped so that the next list
  // starts where it should.
  // A list that runs into the end of the text is a file cut short.
  auto missing = [&](const char* what, long long read, long long announced, const char* items) {
    return context.Fail(kMessage,
                        in.Eof() ? EndsEarly(read, announced, items)
                                 : std::string(what) + " missing or unreadable",
                        LastLineNumber(in));
  };
  int& stored = ws.obsCount;
  stored = 0;
  float v = 0.0f;
  for (int i = 1; i <= points; ++i) {
    if (!in.ReadFloat(v) || !Finite(v)) return missing("an observed intensity", i - 1, points, "points");
    const float x = ws.stepStart + static_cast<float>(i - 1) * ws.stepWidth;
    AddPoint(ws.obs, stored, x, v, context);
  }
  for (int i = 1; i <= points; ++i) {
    if (!in.ReadFloat(v) || !Finite(v))
      return missing("a calculated intensity", i - 1, points, "calculated intensities");
    if (i <= stored) ws.calc[i] = {ws.obs[i].x, v};
  }
  long long total = 0;
  for (int n : counts) total += n;
  std::vector<Reflection> rows;
  for (long long j = 0; j < total; ++j) {
    double code = 0.0;
    if (!in.ReadDouble(code)) return missing("a reflection code", j, total, "reflection codes");
    rows.push_back({0.0f, code});
  }
  for (std::size_t j = 0; j < rows.size(); ++j)
    if (!in.ReadFloat(rows[j].position))
      return missing("a reflection position", static_cast<long long>(j), total, "reflections");
  // A code holds 8 x phase + wavelength number above the three index bytes.
  auto phaseOfCode = [](double code) {
    return code >= 0 && code < 2e9 ? static_cast<int>(static_cast<long long>(code) >> 24) / 8 : 0;
  };
  StorePhases(ws, rows, counts, phaseOfCode, context);
  return true;
}

// --- column layout ------------------------------------------------------------

// The header line of the column layout ("2Theta\tYobs\tYcal..."), or false.
bool IsColumnHeader(std::string_view line) {
  return line.find("Yobs") != std::string_view::npos && line.find("Ycal") != std::string_view::npos;
}

// The title line, however long.
void SkipTitle(LineReader& in, std::string& line) {
  while (in.ReadLine(line) && line.back() != '\n') {
  }
}

bool ReadColumns(Workspace& ws, LineReader& in, ReadContext& context) {
  std::string line;
  SkipTitle(in, line);
  int phases = 0, points = 0;
  in.ReadLine(line);
  textio::Scanner line2(line);
  if (!line2.Int(phases) || !line2.Int(points) || phases < 1 || phases > 99)
    return context.Fail(kMessage, "no phase and point counts", 2);
  if (float lambda = 0.0f; line2.Float(lambda) && lambda > 0.0f && lambda < 100.0f)
    ws.fileWavelength = lambda;
  std::vector<int> counts;
  if (!in.ReadLine(line) || !ReadPhaseCounts(line, phases, counts))
    return context.Fail(kMessage, textio::Format("no reflection count for each of %d phases", phases),
                        3);
  // Excluded regions, one a line, up to the header.
  while (in.ReadLine(line) && !IsColumnHeader(line)) {
  }
  std::string xName;
  textio::Scanner(line).Word(xName);
  if (xName != "2Theta" && xName != "2theta") {
    const bool tof = xName.find("T.O.F") != std::string::npos || xName == "TOF";
    return context.Fail(kMessage,
                        tof ? "time-of-flight data: x is \"" + xName + "\", not 2theta"
                            : "x is \"" + xName + "\", not 2theta",
                        LastLineNumber(in));
  }

  std::vector<Reflection> rows;
  std::map<double, int> markers;  // marker offset -> rows, to tell phases apart
  int count = 0;
  long long pointRows = 0;  // those past the capacity included
  while (in.ReadLine(line)) {
    const std::size_t paren = line.find('(');
    if (paren != std::string::npos) {
      // position, blank columns, marker offset, "(h k l)", K
      textio::Scanner s(std::string_view(line).substr(0, paren));
      float position = 0.0f, marker = 0.0f;
      if (!s.Float(position)) continue;
      s.Float(marker);
      rows.push_back({position, marker});
      ++markers[marker];
      continue;
    }
    float x = 0.0f, observed = 0.0f, calculated = 0.0f;
    if (!textio::ScanThreeFloats(line, x, observed, calculated)) continue;
    ++pointRows;
    if (!Finite(calculated)) continue;
    if (AddPoint(ws.obs, count, x, observed, context)) ws.calc[count] = {x, calculated};
  }
  ws.obsCount = count;
  long long total = 0;
  for (int n : counts) total += n;
  if (pointRows < points) return context.Fail(kMessage, EndsEarly(pointRows, points));
  if (static_cast<long long>(rows.size()) < total)
    return context.Fail(kMessage, EndsEarly(static_cast<long long>(rows.size()), total, "reflections"));
  if (count >= 1) {
    ws.stepStart = ws.obs[1].x;
    ws.stepEnd = ws.obs[count].x;
    ws.stepWidth = count >= 2 ? ws.obs[2].x - ws.obs[1].x : 0.0f;
    if (!RefuseIfNotTwoTheta(ws.stepStart, ws.stepEnd, context, 0)) return false;
  }
  // Each phase's markers stand on a row of their own, the first phase's
  // highest: phase = rank of the offset from the top.
  std::map<double, int> rank;
  int r = static_cast<int>(markers.size());
  for (const auto& [offset, n] : markers) rank[offset] = r--;
  StorePhases(ws, rows, counts, [&rank](double key) { return rank[key]; }, context);
  return true;
}

}  // namespace

bool ReadFullProf(Workspace& ws, LineReader& in, ReadContext& context) {
  ws.obsCount = 0;
  // The column layout is told by its header line, which the condensed
  // layout, all numbers after its title, never has.
  std::string line;
  SkipTitle(in, line);  // it may say anything
  // A file of one phase is titled after it, its cell following "CELL:".
  const std::string title(textio::Trim(line.substr(0, line.find("CELL:"))));
  bool columns = false;
  while (!columns && in.ReadLine(line)) {
    columns = IsColumnHeader(line);
    float first = 0.0f;
    if (!textio::ParseFloat(line, first) && !textio::Trim(line).empty()) break;
  }
  in.Rewind();
  const bool ok = columns ? ReadColumns(ws, in, context) : ReadCondensed(ws, in, context);
  if (!ok || !context.RequirePoints(ws.obsCount, kMessage)) return false;
  ws.segmentCount = 1;
  ws.segmentPointCount[1] = ws.obsCount;
  if (ws.phaseCount == 1) ws.phaseName[1] = title;
  return true;
}

}  // namespace difscop::import
