// Rietan INT files (normal and GENERAL form) and the simulated pattern with
// reflection positions that the "-x" start reads.
#include <string>

#include "import/raw_formats.h"
#include "textio/scan.h"

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
    if (in.Eof() || !in.ReadFloat(y)) return false;
    AddPoint(points, count, static_cast<float>(i - 1) * step + start, y, context);
  }
  return true;
}

// "%d %f %f": point count, start angle, step. The count stays out of the
// workspace, which only ever counts the points stored.
bool ReadGridHeader(Workspace& ws, LineReader& in, int& count) {
  return in.ReadInt(count) && in.ReadFloat(ws.stepStart) && in.ReadFloat(ws.stepWidth) &&
         count >= 0 && Finite(ws.stepStart, ws.stepWidth);
}

}  // namespace

bool ReadRietanInt(Workspace& ws, LineReader& in, ReadContext& context) {
  std::string line;
  in.ReadLine(line);
  if (textio::StartsWith(line, "GENERAL")) {
    // The count line is not needed: every line holding two numbers is a point.
    int announced = 0;
    if (!in.ReadLine(line) || !textio::ParseInt(line, announced)) return context.Fail(kDifferent);
    int count = 0;
    while (in.ReadLine(line)) {
      float x = 0.0f, y = 0.0f;
      if (textio::ScanTwoFloats(line, x, y)) AddPoint(ws.obs, count, x, y, context);
    }
    ws.obsCount = count;
    return true;
  }

  in.Rewind();
  int announced = 0;
  ws.obsCount = 0;
  if (!ReadGridHeader(ws, in, announced)) return context.Fail(kDifferent);
  if (!ReadGridIntensities(ws.obs, announced, ws.obsCount, ws.stepStart, ws.stepWidth, in, context))
    return context.Fail(kDifferent);
  return true;
}

bool ReadSimulated(Workspace& ws, LineReader& in, ReadContext& context) {
  int announced = 0;
  ws.obsCount = 0;
  if (!ReadGridHeader(ws, in, announced)) return context.Fail(kDifferent);
  if (!ReadGridIntensities(ws.calc, announced, ws.obsCount, ws.stepStart, ws.stepWidth, in,
                           context))
    return context.Fail(kDifferent);

  // The reflection count is on the next line that holds anything.
  std::string line;
  do {
    if (!in.ReadLine(line)) return context.Fail(kDifferent);
  } while (textio::Trim(line).empty());
  int reflections = 0;
  if (!textio::ParseInt(line, reflections) || reflections < 0) return context.Fail(kDifferent);

  ws.reflectionCount[1] = 0;
  for (int i = 1; i <= reflections; ++i) {
    float position = 0.0f;
    if (in.Eof() || !in.ReadFloat(position)) return context.Fail(kDifferent);
    AddReflection(ws, 1, position, context);
  }
  ws.phaseCount = 1;
  ws.segmentCount = 1;
  ws.segmentPointCount[1] = ws.obsCount;
  if (ws.obsCount >= 1) ws.stepEnd = ws.calc[ws.obsCount].x;
  return true;
}

}  // namespace difscop::import
