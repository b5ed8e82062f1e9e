// Free-format step scans: a first line "start step end" (a title may follow
// on it), then the counts, any number to a line. FullProf and Rietica read
// this layout, and the exports for them write it. DBW's variant names
// itself on the first line and closes each line of eight counts with the
// angle of its last point.
#include <cmath>
#include <string>
#include <vector>

#include "import/raw_formats.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::import {

using textio::LineReader;
using workspace::Workspace;

namespace {

constexpr const char* kMessage = "Not Free Format File !!!";
constexpr int kDbwCountsPerLine = 8;

struct Header {
  double start = 0.0, step = 0.0, end = 0.0;
  bool dbw = false;
  // The points the grid holds; the step as written may be rounded.
  long long Points() const { return std::llround((end - start) / step) + 1; }
};

bool ParseHeader(std::string_view line, Header& h) {
  textio::Scanner s(line);
  if (!s.Double(h.start) || !s.Double(h.step) || !s.Double(h.end)) return false;
  h.dbw = s.Rest().find("DBW") != std::string_view::npos;
  return std::isfinite(h.start) && std::isfinite(h.end) && h.step > 0.0 && h.end > h.start &&
         (h.end - h.start) / h.step < 1e9;
}

// The counts after the header, each line's numbers; false when a line holds
// anything else.
bool ReadCounts(LineReader& in, const Header& h, std::vector<double>& counts, int* badLine) {
  std::string_view line;
  while (ReadDataLine(in, line)) {
    textio::Scanner s(line);
    std::vector<double> values;
    for (double v = 0.0; s.Double(v);) values.push_back(v);
    if (!textio::Trim(s.Rest()).empty()) {
      if (badLine) *badLine = LastLineNumber(in);
      return false;
    }
    if (h.dbw && values.size() == kDbwCountsPerLine + 1) values.pop_back();  // the line's angle
    counts.insert(counts.end(), values.begin(), values.end());
  }
  return true;
}

// Counts that a grid's rounded step puts a little off its end still belong
// to it; a few more or fewer than that do not.
bool CountFits(long long counts, long long points) {
  return std::llabs(counts - points) <= std::max(1LL, points / 200);
}

}  // namespace

bool ReadFreeFormat(Workspace& ws, LineReader& in, ReadContext& context) {
  ws.obsCount = 0;
  std::string_view line;
  Header h;
  if (!ReadDataLine(in, line) || !ParseHeader(line, h))
    return context.Fail(kMessage, "no start, step and end on line 1", 1);
  std::vector<double> counts;
  int badLine = 0;
  if (!ReadCounts(in, h, counts, &badLine))
    return context.Fail(kMessage, "a line that holds other than counts", badLine);
  const long long n = static_cast<long long>(counts.size()), points = h.Points();
  if (n < points && !CountFits(n, points)) return context.Fail(kMessage, EndsEarly(n, points));
  if (!CountFits(n, points))
    return context.Fail(kMessage, textio::Format("%lld counts for a grid of %lld points", n, points));
  // The points span start to end whatever rounding the step was written with.
  const double step = n > 1 ? (h.end - h.start) / static_cast<double>(n - 1) : h.step;
  int count = 0;
  for (long long i = 0; i < n && !context.pointsCut; ++i)
    AddPoint(ws.obs, count, static_cast<float>(h.start + static_cast<double>(i) * step),
             static_cast<float>(counts[static_cast<std::size_t>(i)]), context);
  ws.obsCount = count;
  return context.RequirePoints(count, kMessage);
}

bool LooksLikeFreeFormat(std::string_view text) {
  LineReader in{std::string(text)};
  std::string_view line;
  Header h;
  if (!ReadDataLine(in, line) || !ParseHeader(line, h) || h.start <= 0.0 || h.end >= 180.0)
    return false;
  std::vector<double> counts;
  return ReadCounts(in, h, counts, nullptr) && counts.size() >= 2 &&
         CountFits(static_cast<long long>(counts.size()), h.Points());
}

}  // namespace difscop::import
