// Rigaku's text exports: ASC ("*START", "*STOP", "*STEP", "*COUNT" keys, then
// the counts, a few to a line, up to the next key line) and RAS (angle and
// count rows between "*RAS_INT_START" and "*RAS_INT_END"). Only the first
// scan of a file is read.
#include <cmath>
#include <optional>
#include <string>

#include "import/raw_formats.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::import {

using textio::LineReader;
using workspace::Workspace;

namespace {

constexpr const char* kMessage = "Not Rigaku ASC/RAS Format File !!!";

// The key of a "*KEY = value" line ("START" for "*START\t=  4"), empty for
// any other line; value is what follows the '='.
std::string_view KeyOf(std::string_view line, std::string_view* value = nullptr) {
  line = textio::Trim(line);
  if (line.empty() || line.front() != '*') return {};
  std::size_t end = 1;
  while (end < line.size() && line[end] != '=' && line[end] != ' ' && line[end] != '\t') ++end;
  if (value) {
    const std::size_t eq = line.find('=', end);
    *value = eq == std::string_view::npos ? std::string_view{} : textio::Trim(line.substr(eq + 1));
  }
  return line.substr(1, end - 1);
}

std::optional<double> Number(std::string_view text) {
  // RAS quotes its values: *MEAS_SCAN_START "10.0000".
  if (!text.empty() && text.front() == '"') text.remove_prefix(1);
  double v = 0.0;
  if (!textio::ParseDouble(text, v) || !std::isfinite(v)) return std::nullopt;
  return v;
}

bool ReadRas(Workspace& ws, LineReader& in, ReadContext& context) {
  std::string line;
  if (!in.SkipToPrefix("*RAS_INT_START")) return context.Fail(kMessage, "no \"*RAS_INT_START\" line");
  int count = 0;
  while (ReadDataLine(in, line)) {
    const std::string_view row = textio::Trim(line);
    if (row.empty()) continue;
    if (KeyOf(row) == "RAS_INT_END") {
      ws.obsCount = count;
      if (in.SkipToPrefix("*RAS_INT_START")) context.note = "Only the first scan was read !!!";
      return context.RequirePoints(count, kMessage);
    }
    float x = 0.0f, y = 0.0f;
    if (!textio::ScanTwoFloats(row, x, y) || !Finite(x, y))
      return context.Fail(kMessage, "a row without angle and count", LastLineNumber(in));
    AddPoint(ws.obs, count, x, y, context);
  }
  return context.Fail(kMessage, "the file ends before \"*RAS_INT_END\"");
}

bool ReadAsc(Workspace& ws, LineReader& in, ReadContext& context) {
  std::optional<double> start, stop, step, announced;
  int groups = 1;
  std::string line;
  // The keys of the first scan, up to its "*COUNT" line.
  while (!announced) {
    if (!ReadDataLine(in, line)) break;
    std::string_view value;
    const std::string_view key = KeyOf(line, &value);
    if (key == "GROUP_COUNT") {
      if (auto n = Number(value)) groups = static_cast<int>(std::fmin(*n, 1e6));
    } else if (key == "START") {
      start = Number(value);
    } else if (key == "STOP") {
      stop = Number(value);
    } else if (key == "STEP") {
      step = Number(value);
    } else if (key == "COUNT") {
      announced = Number(value);
      if (!announced) return context.Fail(kMessage, "no number after \"*COUNT\"", LastLineNumber(in));
    }
  }
  if (!start || !step) return context.Fail(kMessage, "no \"*START\" and \"*STEP\" keys");
  if (!announced) return context.Fail(kMessage, "no \"*COUNT\" key");
  if (*step == 0.0) return context.Fail(kMessage, "\"*STEP\" is zero");
  if (*announced < 1 || *announced != std::floor(*announced) || *announced > 1e9)
    return context.Fail(kMessage, textio::Format("\"*COUNT\" %g is not a point count", *announced));
  const long long expected = static_cast<long long>(*announced);

  // Counts, separated by commas or blanks, up to the next key line.
  long long read = 0;
  int count = 0;
  bool keyLine = false;
  while (ReadDataLine(in, line)) {
    if ((keyLine = !KeyOf(line).empty())) break;
    std::string_view rest = line;
    for (;;) {
      while (!rest.empty() && (rest.front() == ',' || rest.front() == ' ' || rest.front() == '\t' ||
                               rest.front() == '\n'))
        rest.remove_prefix(1);
      if (rest.empty()) break;
      double c = 0.0;
      const std::size_t used = textio::ParseDouble(rest, c);
      if (!used || !std::isfinite(c))
        return context.Fail(kMessage, "a count that is not a number", LastLineNumber(in));
      rest.remove_prefix(used);
      if (++read > expected) break;
      AddPoint(ws.obs, count, static_cast<float>(*start + static_cast<double>(read - 1) * *step),
               static_cast<float>(c), context);
    }
    if (read > expected) break;
  }
  if (read != expected)
    return context.Fail(kMessage,
                        read > expected ? textio::Format("\"*COUNT\" says %lld, the scan holds more", expected)
                        : keyLine ? textio::Format("\"*COUNT\" says %lld, the scan holds %lld", expected, read)
                                  : EndsEarly(read, expected));
  ws.obsCount = count;
  if (stop && std::fabs(*start + static_cast<double>(expected - 1) * *step - *stop) >
                  std::fabs(*step) * 0.5 + 1e-6)
    return context.Fail(kMessage, "\"*START\", \"*STEP\" and \"*COUNT\" do not reach \"*STOP\"");
  if (groups > 1) context.note = textio::Format("Only the first of %d scans was read !!!", groups);
  return context.RequirePoints(count, kMessage);
}

}  // namespace

bool ReadRigakuAscii(Workspace& ws, LineReader& in, ReadContext& context) {
  ws.obsCount = 0;
  std::string line;
  while (ReadDataLine(in, line)) {
    const std::string_view key = KeyOf(line);
    if (key == "RAS_DATA_START" || key == "RAS_HEADER_START" || key == "RAS_INT_START") {
      in.Rewind();
      return ReadRas(ws, in, context);
    }
  }
  in.Rewind();
  return ReadAsc(ws, in, context);
}

bool LooksLikeRigakuAscii(std::string_view head) {
  LineReader in{std::string(head)};
  std::string line;
  bool start = false, step = false;
  while (ReadDataLine(in, line)) {
    const std::string_view key = KeyOf(line);
    if (key == "RAS_DATA_START" || key == "RAS_INT_START") return true;
    start = start || key == "START";
    step = step || key == "STEP";
    if (key == "COUNT") return start && step;
  }
  return false;
}

}  // namespace difscop::import
