// GSAS raw data files of constant-wavelength banks: a title line, optional
// "#" and instrument-parameter lines, then "BANK ibank nchan nrec CONST
// bcoef1 bcoef2 ... type" and nchan points in one of the record layouts
// STD (ten counts a record, each with an optional counter number), ESD
// (five count and esd pairs), ALT (four angle, count, esd triples) or FXYE
// (one angle, count, esd a line). Angles are in centidegrees; ALT scales
// its integer fields: the angle in 1/32 centidegree, count and esd times
// 1000 (as GSAS writes them and GSAS-II reads them back). The first bank
// is read; time-of-flight banks are refused, their x is not 2theta.
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

constexpr const char* kMessage = "Not GSAS Raw Format File !!!";

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\n')) ++i;
    const std::size_t begin = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\n') ++i;
    if (i > begin) out.push_back(line.substr(begin, i - begin));
  }
  return out;
}

// A whole field as a number: "179", "2.5", "1.2E+03"; blank is no number.
bool FieldNumber(std::string_view field, double& value) {
  field = textio::Trim(field);
  if (field.empty()) return false;
  const std::size_t used = textio::ParseDouble(field, value);
  return used == field.size() && std::isfinite(value);
}

bool IsBankLine(std::string_view line) {
  return textio::StartsWith(line, "BANK") && line.size() > 4 &&
         (line[4] == ' ' || line[4] == '\t');
}

enum class Layout { kStd, kEsd, kAlt, kFxye };

struct Bank {
  long long points = 0;
  double start = 0.0, step = 0.0;  // centidegrees
  Layout layout = Layout::kStd;
};

// The values a record holds per point, the points per record and the
// fixed width of one point's fields.
struct RecordShape {
  int values, pointsPerRecord;
  std::vector<int> widths;
  bool counterFirst = false;  // STD: a counter number before each count
};

RecordShape ShapeOf(Layout layout) {
  switch (layout) {
    case Layout::kStd:
      return {1, 10, {2, 6}, true};
    case Layout::kEsd:
      return {2, 5, {8, 8}};
    case Layout::kAlt:
      return {3, 4, {8, 7, 5}};
    case Layout::kFxye:
      break;
  }
  return {3, 1, {}};
}

bool ParseBank(std::string_view line, Bank& bank, ReadContext& context, int lineNumber) {
  const std::vector<std::string_view> t = Tokens(line);
  double nchan = 0.0;
  if (t.size() < 5 || !FieldNumber(t[2], nchan) || nchan < 1 || nchan != std::floor(nchan) ||
      nchan > 1e9)
    return context.Fail(kMessage, "a \"BANK\" line without its point count", lineNumber);
  const std::string_view binType = t[4];
  if (!textio::StartsWith(binType, "CONS")) {
    const bool timeOfFlight = binType == "RALF" || binType == "SLOG" || binType == "TIME_MAP" ||
                              binType == "LPSD" || binType == "LOG6";
    return context.Fail(kMessage,
                        timeOfFlight
                            ? "a time-of-flight bank (" + std::string(binType) +
                                  "): its x is not 2theta"
                            : "bin type \"" + std::string(binType) + "\" is not CONST",
                        lineNumber);
  }
  bank.points = static_cast<long long>(nchan);
  if (t.size() < 7 || !FieldNumber(t[5], bank.start) || !FieldNumber(t[6], bank.step))
    return context.Fail(kMessage, "a \"BANK\" line without start and step", lineNumber);
  const std::string_view type = t.back();
  if (type == "ESD") bank.layout = Layout::kEsd;
  if (type == "ALT") bank.layout = Layout::kAlt;
  if (type == "FXYE") bank.layout = Layout::kFxye;
  if (bank.layout != Layout::kAlt && bank.layout != Layout::kFxye && bank.step <= 0.0)
    return context.Fail(kMessage, "a step that is not above zero", lineNumber);
  return true;
}

// An STD record in its (I2,F6) columns: each of the wanted 8-column fields
// one number ending at the field's last column. A counter number and a
// six-digit count run together there (" 1123456" is counter 1, count
// 123456), which splitting at blanks would read as one number.
bool InCounterLayout(std::string_view line, long long wanted) {
  constexpr std::size_t kField = 8;
  if (line.size() < kField * static_cast<std::size_t>(wanted)) return false;
  for (long long f = 0; f < wanted; ++f) {
    const std::string_view field = line.substr(kField * static_cast<std::size_t>(f), kField);
    const std::size_t first = field.find_first_not_of(' ');
    if (first == std::string_view::npos || field.find(' ', first) != std::string_view::npos)
      return false;
  }
  return true;
}

// One record's numbers, point after point: blank-separated as most files
// have them, else in the layout's fixed columns (counter numbers and counts
// run together there).
bool SplitRecord(std::string_view line, const RecordShape& shape, long long wanted,
                 std::vector<double>& out) {
  out.clear();
  const std::vector<std::string_view> t = Tokens(line);
  const std::size_t values = static_cast<std::size_t>(shape.values);
  const bool fixed = shape.counterFirst && InCounterLayout(line, wanted);
  if (!fixed && (shape.widths.empty() || t.size() == values * static_cast<std::size_t>(wanted))) {
    if (t.empty()) return false;
    for (std::size_t i = 0; i < t.size() && i < values * static_cast<std::size_t>(wanted); ++i) {
      double v = 0.0;
      if (!FieldNumber(t[i], v)) return false;
      out.push_back(v);
    }
    // An FXYE line may leave out its esd.
    if (shape.widths.empty() && out.size() == 2) out.push_back(0.0);
    return out.size() % values == 0;
  }
  std::size_t column = 0;
  for (long long p = 0; p < wanted; ++p) {
    for (std::size_t f = 0; f < shape.widths.size(); ++f) {
      const std::size_t width = static_cast<std::size_t>(shape.widths[f]);
      const std::string_view field =
          column < line.size() ? line.substr(column, width) : std::string_view{};
      column += width;
      if (shape.counterFirst && f == 0) continue;
      double v = 0.0;
      if (!FieldNumber(field, v)) return false;
      out.push_back(v);
    }
  }
  return true;
}

}  // namespace

bool ReadGsasRaw(Workspace& ws, LineReader& in, ReadContext& context) {
  ws.obsCount = 0;
  std::string line;
  Bank bank;
  bool found = false;
  while (ReadDataLine(in, line)) {
    if (IsBankLine(line)) {
      if (!ParseBank(textio::StripLineFeed(line), bank, context, LastLineNumber(in))) return false;
      found = true;
      break;
    }
  }
  if (!found) return context.Fail(kMessage, "no \"BANK\" line");

  const RecordShape shape = ShapeOf(bank.layout);
  std::vector<double> values;
  long long read = 0;
  int count = 0;
  bool nextBank = false;
  while (read < bank.points && ReadDataLine(in, line)) {
    const std::string_view record = textio::StripLineFeed(line);
    if (textio::Trim(record).empty() || textio::StartsWith(record, "#")) continue;
    if ((nextBank = IsBankLine(record))) break;
    const long long wanted = std::min<long long>(shape.pointsPerRecord, bank.points - read);
    if (!SplitRecord(record, shape, wanted, values))
      return in.Eof() ? context.Fail(kMessage, EndsEarly(read, bank.points))
                      : context.Fail(kMessage, "a record that does not hold its points",
                                     LastLineNumber(in));
    for (std::size_t i = 0; i + shape.values <= values.size(); i += shape.values, ++read) {
      const bool ownAngle = bank.layout == Layout::kAlt || bank.layout == Layout::kFxye;
      const bool alt = bank.layout == Layout::kAlt;
      double x = ownAngle ? values[i] : bank.start + static_cast<double>(read) * bank.step;
      double y = ownAngle ? values[i + 1] : values[i];
      if (alt) {
        x /= 32.0;
        y /= 1000.0;
      }
      AddPoint(ws.obs, count, static_cast<float>(x / 100.0), static_cast<float>(y), context);
    }
  }
  if (read < bank.points)
    return context.Fail(kMessage, nextBank ? textio::Format("the bank holds %lld of its %lld points",
                                                            read, bank.points)
                                           : EndsEarly(read, bank.points));
  ws.obsCount = count;
  int banks = 1;
  while (ReadDataLine(in, line))
    if (IsBankLine(line)) ++banks;
  if (banks > 1) context.note = textio::Format("Only the first of %d banks was read !!!", banks);
  return context.RequirePoints(count, kMessage);
}

bool LooksLikeGsasRaw(std::string_view head) {
  // The title, then at most a few comment or parameter lines before the bank.
  LineReader in{std::string(head)};
  std::string line;
  for (int i = 0; i < 100 && ReadDataLine(in, line); ++i) {
    if (!IsBankLine(line)) continue;
    const std::vector<std::string_view> t = Tokens(line);
    double n = 0.0;
    return t.size() >= 5 && FieldNumber(t[1], n) && FieldNumber(t[2], n) && FieldNumber(t[3], n);
  }
  return false;
}

}  // namespace difscop::import
