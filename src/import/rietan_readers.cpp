// Rietan INT files (normal and GENERAL form, either after a "*" title line,
// and the Igor text layout Rietan also reads) and the simulated pattern with
// reflection positions that the "-x" start reads.
#include <string>

#include "import/raw_formats.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::import {

using textio::LineReader;
using workspace::Workspace;

namespace {

constexpr const char* kDifferent = "Different Format !";

// announced intensities on the grid start + (i - 1) * step, free format;
// count says how many were stored. Values past the capacity are read and
// dropped so that what follows stays in step.
bool ReadGridIntensities(workspace::PointArray& points, int announced, int& count, float start,
                         float step, LineReader& in, ReadContext& context) {
  count = 0;
  for (int i = 1; i <= announced; ++i) {
    float y = 0.0f;
    if (in.Eof() || !in.ReadFloat(y)) {
      const std::string why = in.Eof()
                                  ? EndsEarly(i - 1, announced)
                                  : textio::Format("intensity %d of %d is not a number", i, announced);
      return context.Fail(kDifferent, why, LastLineNumber(in));
    }
    AddPoint(points, count, static_cast<float>(i - 1) * step + start, y, context);
  }
  return true;
}

// "%d %f %f": point count, start angle, step. The count stays out of the
// workspace, which only ever counts the points stored.
bool ReadGridHeader(Workspace& ws, LineReader& in, int& count, ReadContext& context) {
  if (in.ReadInt(count) && in.ReadFloat(ws.stepStart) && in.ReadFloat(ws.stepWidth) &&
      count >= 0 && Finite(ws.stepStart, ws.stepWidth))
    return true;
  return context.Fail(kDifferent, "no point count, start angle and step", LastLineNumber(in));
}

// Every line holding two numbers is a point, up to `end` (a line beginning
// with it; empty: the end of the text). False when the end line is missing.
// pairs: the lines read as points, those past the capacity included.
bool ReadPairLines(Workspace& ws, LineReader& in, ReadContext& context, std::string_view end,
                   long long* pairs = nullptr) {
  std::string line;
  int count = 0;
  long long read = 0;
  while (ReadDataLine(in, line)) {
    if (!end.empty() && textio::StartsWith(line, end)) {
      ws.obsCount = count;
      return true;
    }
    float x = 0.0f, y = 0.0f;
    if (!textio::ScanTwoFloats(line, x, y)) continue;
    AddPoint(ws.obs, count, x, y, context);
    ++read;
  }
  ws.obsCount = count;
  if (pairs) *pairs = read;
  return end.empty() || context.Fail(kDifferent, "no \"END\" line after the data");
}

}  // namespace

bool ReadRietanInt(Workspace& ws, LineReader& in, ReadContext& context) {
  std::string line;
  in.ReadLine(line);
  if (textio::StartsWith(line, "IGOR")) {
    // IGOR, WAVES/D, BEGIN, "x y" rows, END: the waves are angle and intensity.
    if (!in.SkipToPrefix("BEGIN")) return context.Fail(kDifferent, "no \"BEGIN\" line");
    return ReadPairLines(ws, in, context, "END") && context.RequirePoints(ws.obsCount, kDifferent);
  }
  // A first line beginning with '*' is the title; the data start on the next.
  const bool titled = textio::StartsWith(line, "*");
  if (titled) in.ReadLine(line);
  if (textio::StartsWith(line, "GENERAL")) {
    // Every line holding two numbers is a point; fewer than the count line
    // announces is a file cut short.
    int announced = 0;
    if (!in.ReadLine(line) || !textio::ParseInt(line, announced))
      return context.Fail(kDifferent, "no point count after \"GENERAL\"", LastLineNumber(in));
    long long pairs = 0;
    ReadPairLines(ws, in, context, {}, &pairs);
    if (pairs < announced) return context.Fail(kDifferent, EndsEarly(pairs, announced));
    return context.RequirePoints(ws.obsCount, kDifferent);
  }

  in.Rewind();
  if (titled) in.ReadLine(line);
  int announced = 0;
  ws.obsCount = 0;
  return ReadGridHeader(ws, in, announced, context) &&
         ReadGridIntensities(ws.obs, announced, ws.obsCount, ws.stepStart, ws.stepWidth, in,
                             context) &&
         context.RequirePoints(ws.obsCount, kDifferent);
}

bool ReadSimulated(Workspace& ws, LineReader& in, ReadContext& context) {
  int announced = 0;
  ws.obsCount = 0;
  if (!ReadGridHeader(ws, in, announced, context) ||
      !ReadGridIntensities(ws.calc, announced, ws.obsCount, ws.stepStart, ws.stepWidth, in,
                           context) ||
      !context.RequirePoints(ws.obsCount, kDifferent))
    return false;

  // The reflection count is on the next line that holds anything.
  std::string line;
  do {
    if (!in.ReadLine(line)) return context.Fail(kDifferent, "no reflection count");
  } while (textio::Trim(line).empty());
  int reflections = 0;
  if (!textio::ParseInt(line, reflections) || reflections < 0)
    return context.Fail(kDifferent, "no reflection count", LastLineNumber(in));

  ws.reflectionCount[1] = 0;
  for (int i = 1; i <= reflections; ++i) {
    float position = 0.0f;
    if (in.Eof() || !in.ReadFloat(position))
      return context.Fail(kDifferent,
                          in.Eof() ? EndsEarly(i - 1, reflections, "reflections")
                                   : textio::Format("reflection %d of %d missing", i, reflections),
                          LastLineNumber(in));
    AddReflection(ws, 1, position, context);
  }
  ws.phaseCount = 1;
  ws.segmentCount = 1;
  ws.segmentPointCount[1] = ws.obsCount;
  if (ws.obsCount >= 1) ws.stepEnd = ws.calc[ws.obsCount].x;
  return true;
}

}  // namespace difscop::import
