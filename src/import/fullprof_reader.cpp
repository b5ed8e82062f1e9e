// FullProf profile files (.prf): five header lines, then free-format numbers:
// observed and calculated intensities, reflection data, reflection positions.
#include <string>

#include "import/fitted_formats.h"
#include "textio/scan.h"

namespace difscop::import {

using textio::LineReader;
using workspace::Workspace;

namespace {

// The format has no message of its own; a header or a list of numbers that
// cannot be read would otherwise leave stale or invented values behind.
constexpr const char* kMessage = "Not FullProf Format File !!!";

bool ReadHeader(Workspace& ws, LineReader& in, int& points, int& reflections) {
  std::string line;
  if (!in.ReadLine(line) || !in.ReadLine(line) || !in.ReadLine(line)) return false;
  // Upper limit first.
  if (!textio::ScanThreeFloats(line, ws.stepEnd, ws.stepStart, ws.stepWidth) ||
      !Finite(ws.stepEnd, ws.stepStart, ws.stepWidth))
    return false;
  if (!in.ReadLine(line)) return false;
  textio::Scanner s(line);
  float ignored = 0.0f;
  if (!s.Float(ignored) || !s.Int(points) || points < 0) return false;
  if (!in.ReadLine(line) || !textio::ParseInt(line, reflections) || reflections < 0) return false;
  return true;
}

}  // namespace

bool ReadFullProf(Workspace& ws, LineReader& in, ReadContext& context) {
  int points = 0, reflections = 0;
  ws.obsCount = 0;
  if (!ReadHeader(ws, in, points, reflections)) return context.Fail(kMessage);

  // Values past a capacity are read and dropped so that the next list
  // starts where it should.
  int& stored = ws.obsCount;
  float v = 0.0f;
  for (int i = 1; i <= points; ++i) {
    if (!in.ReadFloat(v) || !Finite(v)) return context.Fail(kMessage);
    const float x = ws.stepStart + static_cast<float>(i - 1) * ws.stepWidth;
    AddPoint(ws.obs, stored, x, v, context);
  }
  for (int i = 1; i <= points; ++i) {
    if (!in.ReadFloat(v) || !Finite(v)) return context.Fail(kMessage);
    if (i <= stored) ws.calc[i] = {ws.obs[i].x, v};
  }
  for (int j = 1; j <= reflections; ++j) {
    if (!in.ReadFloat(v)) return context.Fail(kMessage);
  }
  ws.reflectionCount[1] = 0;
  for (int j = 1; j <= reflections; ++j) {
    if (!in.ReadFloat(v)) return context.Fail(kMessage);
    AddReflection(ws, 1, v, context);
  }
  ws.segmentCount = 1;
  ws.phaseCount = 1;
  ws.segmentPointCount[1] = ws.obsCount;
  return true;
}

}  // namespace difscop::import
