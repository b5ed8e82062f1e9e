// Rigaku RINT, Mac, Rigaku RAD and plain (x,y) text.
#include <cmath>
#include <string>

#include "import/raw_formats.h"
#include "textio/scan.h"

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

}  // namespace

bool ReadRint(Workspace& ws, LineReader& in, ReadContext& context) {
  static constexpr const char* kMessage = "Not RINT Format File !!!";
  std::string line;
  if (!in.SkipToPrefix("Start", &line) || !ScanWordAndFloat(line, ws.stepStart))
    return context.Fail(kMessage);
  if (!in.SkipToPrefix("Step", &line) || !ScanWordAndFloat(line, ws.stepWidth))
    return context.Fail(kMessage);

  int count = 0;
  while (in.ReadLine(line)) {
    // Blank lines between data lines are allowed; so is a last line without
    // a line feed (only the line feed is dropped, never a digit).
    float x = 0.0f, y = 0.0f;
    if (textio::Trim(line).empty()) continue;
    if (!textio::ScanTwoFloats(StripLineFeed(line), x, y)) continue;
    AddPoint(ws.obs, count, x, y, context);
  }
  ws.obsCount = count;
  return true;
}

bool ReadMac(Workspace& ws, LineReader& in, ReadContext& context) {
  static constexpr const char* kMessage = "Not Mac Format File !!!";
  if (!in.SkipToPrefix("DTSRT")) return context.Fail(kMessage);
  std::string line;
  int count = 0;
  while (in.ReadLine(line)) {
    if (textio::StartsWith(line, "DTEND")) {
      ws.obsCount = count;
      return true;
    }
    float x = 0.0f, y = 0.0f;
    if (textio::ScanTwoFloats(StripLineFeed(line), x, y)) AddPoint(ws.obs, count, x, y, context);
  }
  ws.obsCount = count;
  return context.Fail(kMessage);
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
  if (!haveStart || !haveStep) return context.Fail(kMessage);

  // The first point lies two steps above the header's start; counts are
  // stored four times over, as the instrument's software does.
  int count = 0;
  while (in.ReadLine(line)) {
    float c = 0.0f;
    if (!textio::ParseFloat(StripLineFeed(line), c)) continue;
    const float x = static_cast<float>(count + 2) * ws.stepWidth + ws.stepStart;
    AddPoint(ws.obs, count, x, 4.0f * c, context);
    if (context.pointsCut) break;
  }
  ws.obsCount = count;
  return true;
}

bool ReadXy(Workspace& ws, LineReader& in, ReadContext& context) {
  std::string line;
  int count = 0;
  while (in.ReadLine(line)) {
    float x = 0.0f, y = 0.0f;
    if (!textio::ScanTwoFloats(line, x, y)) continue;
    // Written so that NaN fails too.
    const bool inRange = x >= 1e-7f && x <= 1e7f && y >= 1e-7f && y <= 1e7f;
    if (!inRange) return context.Fail("Not xy Format File !!!");
    AddPoint(ws.obs, count, x, y, context);
  }
  ws.obsCount = count;
  return true;
}

}  // namespace difscop::import
