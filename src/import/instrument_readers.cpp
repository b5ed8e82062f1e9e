// Rigaku RINT, Mac, Rigaku RAD and plain (x,y) text.
#include <cmath>
#include <string>

#include "import/raw_formats.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::import {

using textio::LineReader;
using textio::Scanner;
using textio::StripLineFeed;
using workspace::Workspace;

namespace {

// "%s %f": a word, then the number after it.
bool ScanWordAndFloat(std::string_view line, float& value) {
  Scanner s(line);
  std::string word;
  return s.Word(word) && s.Float(value) && Finite(value);
}

// A header line "Key value": the value, or a refusal naming what is missing.
bool KeyedHeader(LineReader& in, ReadContext& context, const char* message, const char* key,
                 float& value) {
  std::string line;
  if (!in.SkipToPrefix(key, &line))
    return context.Fail(message, std::string("no \"") + key + "\" line");
  if (!ScanWordAndFloat(line, value))
    return context.Fail(message, std::string("no number after \"") + key + "\"",
                        LastLineNumber(in));
  return true;
}

bool InXyRange(float v) { return v >= 1e-7f && v <= 1e7f; }

// Why an (x,y) value lies outside what the format allows, or empty.
std::string XyRangeFault(const char* name, float v) {
  if (!InXyRange(v)) {
    const char* why = v <= 0.0f ? "is not above zero" : v > 1e7f ? "is above 1e7" : "is below 1e-7";
    if (std::isnan(v)) why = "is not a number";
    return textio::Format("%s %g %s", name, static_cast<double>(v), why);
  }
  return {};
}

}  // namespace

bool ReadRint(Workspace& ws, LineReader& in, ReadContext& context) {
  static constexpr const char* kMessage = "Not RINT Format File !!!";
  std::string line;
  if (!KeyedHeader(in, context, kMessage, "Start", ws.stepStart) ||
      !KeyedHeader(in, context, kMessage, "Step", ws.stepWidth))
    return false;

  int count = 0;
  while (ReadDataLine(in, line)) {
    // Blank lines between data lines are allowed; so is a last line without
    // a line feed (only the line feed is dropped, never a digit).
    float x = 0.0f, y = 0.0f;
    if (textio::Trim(line).empty()) continue;
    if (!textio::ScanTwoFloats(StripLineFeed(line), x, y)) continue;
    AddPoint(ws.obs, count, x, y, context);
  }
  ws.obsCount = count;
  return context.RequirePoints(count, kMessage);
}

bool ReadMac(Workspace& ws, LineReader& in, ReadContext& context) {
  static constexpr const char* kMessage = "Not Mac Format File !!!";
  if (!in.SkipToPrefix("DTSRT")) return context.Fail(kMessage, "no \"DTSRT\" line");
  std::string line;
  int count = 0;
  while (ReadDataLine(in, line)) {
    if (textio::StartsWith(line, "DTEND")) {
      ws.obsCount = count;
      return context.RequirePoints(count, kMessage);
    }
    float x = 0.0f, y = 0.0f;
    if (textio::ScanTwoFloats(StripLineFeed(line), x, y)) AddPoint(ws.obs, count, x, y, context);
  }
  ws.obsCount = count;
  return context.Fail(kMessage, "no \"DTEND\" line");
}

bool ReadRad(Workspace& ws, LineReader& in, ReadContext& context) {
  // The format has no message of its own; a header whose start angle or step
  // cannot be read would leave the previous file's values in place.
  static constexpr const char* kMessage = "Not RAD Format File !!!";
  static constexpr int kHeaderLines = 51;
  std::string line;
  bool haveStart = false, haveStep = false;
  for (int i = 1; i <= kHeaderLines && in.ReadLine(line); ++i) {
    if (i == 2) haveStart = textio::ParseFloat(line, ws.stepStart) != 0 && Finite(ws.stepStart);
    if (i == 42) haveStep = textio::ParseFloat(line, ws.stepWidth) != 0 && Finite(ws.stepWidth);
  }
  if (!haveStart) return context.Fail(kMessage, "no start angle", 2);
  if (!haveStep) return context.Fail(kMessage, "no step width", 42);

  // The first point lies two steps above the header's start; counts are
  // stored four times over, as the instrument's software does.
  int count = 0;
  while (ReadDataLine(in, line)) {
    float c = 0.0f;
    if (!textio::ParseFloat(StripLineFeed(line), c)) continue;
    const float x = static_cast<float>(count + 2) * ws.stepWidth + ws.stepStart;
    AddPoint(ws.obs, count, x, 4.0f * c, context);
    if (context.pointsCut) break;
  }
  ws.obsCount = count;
  return context.RequirePoints(count, kMessage);
}

namespace {

// anySign: intensities need only be numbers.
bool ReadXyLines(Workspace& ws, LineReader& in, ReadContext& context, bool anySign) {
  static constexpr const char* kMessage = "Not xy Format File !!!";
  std::string_view line;
  int count = 0;
  while (ReadDataLine(in, line)) {
    float x = 0.0f, y = 0.0f;
    if (!textio::ScanTwoFloats(line, x, y)) continue;
    const bool yFits = anySign ? Finite(y) : InXyRange(y);
    if (!InXyRange(x) || !yFits) {
      std::string fault = XyRangeFault("angle", x);
      if (fault.empty())
        fault = anySign ? textio::Format("intensity %g is not a number", static_cast<double>(y))
                        : XyRangeFault("intensity", y);
      return context.Fail(kMessage, fault, LastLineNumber(in));
    }
    AddPoint(ws.obs, count, x, y, context);
  }
  ws.obsCount = count;
  return context.RequirePoints(count, kMessage);
}

}  // namespace

bool ReadXy(Workspace& ws, LineReader& in, ReadContext& context) {
  return ReadXyLines(ws, in, context, false);
}

bool ReadXyColumns(Workspace& ws, LineReader& in, ReadContext& context) {
  return ReadXyLines(ws, in, context, true);
}

bool XyValuesInRange(std::string_view text) {
  LineReader in{std::string(text)};
  std::string_view line;
  while (ReadDataLine(in, line)) {
    float x = 0.0f, y = 0.0f;
    if (textio::ScanTwoFloats(line, x, y) && (!InXyRange(x) || !InXyRange(y))) return false;
  }
  return true;
}

}  // namespace difscop::import
