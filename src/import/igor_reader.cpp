// Igor text files of a Rietan refinement: the profile waves between BEGIN and
// END (segments separated by NaN lines), then one "WAVES/O xphase" block of
// reflection positions per phase.
#include <string>

#include "import/fitted_formats.h"
#include "textio/scan.h"

namespace difscop::import {

using textio::LineReader;
using textio::StartsWith;
using workspace::Workspace;

namespace {

constexpr const char* kIncomplete = "Rietan not complete !!";
constexpr std::string_view kPhaseHeader = "WAVES/O xphase";

// The profile block; false when the text ends before its END line.
bool ReadProfile(Workspace& ws, LineReader& in, ReadContext& context) {
  const bool calculatedOnly = ws.pairedIntLoad != 0;
  ws.segmentCount = 1;
  ws.obsCount = 0;
  int n = 0;
  bool segmentsFull = false;  // points after the last storable segment are dropped
  std::string line;
  for (;;) {
    if (!in.ReadLine(line)) return false;
    if (StartsWith(line, "END")) break;
    if (StartsWith(line, "NaN")) {
      if (segmentsFull) continue;
      if (ws.segmentCount >= workspace::kMaxSegments) {
        context.segmentsCut = true;
        segmentsFull = true;
        continue;
      }
      ws.segmentPointCount[ws.segmentCount] = n;
      ++ws.segmentCount;
      n = 0;
      continue;
    }
    if (segmentsFull) continue;
    float x = 0.0f, y = 0.0f, c = 0.0f;
    if (calculatedOnly) {
      if (!textio::ScanTwoFloats(line, x, y)) continue;
      if (!AddPoint(ws.calc, ws.obsCount, x, y, context)) continue;
    } else {
      if (!textio::ScanThreeFloats(line, x, y, c) || !Finite(c)) continue;
      if (!AddPoint(ws.obs, ws.obsCount, x, y, context)) continue;
      ws.calc[ws.obsCount] = {x, c};
    }
    ++n;
  }
  ws.segmentPointCount[ws.segmentCount] = n;
  ws.segmentPointCount[0] = 0;
  return true;
}

// The reflection blocks, in file order. A block that runs into the end of
// the text keeps what it held.
void ReadPhases(Workspace& ws, LineReader& in, ReadContext& context) {
  std::string line;
  for (int p = 1; p <= ws.phaseCount; ++p) {
    ws.reflectionCount[p] = 0;
    if (!in.SkipToPrefix(kPhaseHeader)) return;
    in.ReadLine(line);  // BEGIN
    while (in.ReadLine(line) && !StartsWith(line, "END")) {
      float position = 0.0f;
      if (textio::ParseFloat(line, position)) AddReflection(ws, p, position, context);
    }
  }
}

}  // namespace

bool ReadIgor(Workspace& ws, LineReader& in, ReadContext& context) {
  std::string line;
  if (!in.ReadLine(line) || !StartsWith(line, "IGOR"))
    return context.Fail("Cannot Igor File Open !!", "line 1 does not begin with \"IGOR\"");

  if (in.SkipToPrefix("WAVES/O twoth, ycal")) {
    ws.pairedIntLoad = 1;
  } else {
    ws.pairedIntLoad = 0;
    in.Rewind();
  }
  if (!in.SkipToPrefix("BEGIN")) return context.Fail(kIncomplete, "no \"BEGIN\" line");
  if (!ReadProfile(ws, in, context))
    return context.Fail(kIncomplete, "the profile has no \"END\" line");
  if (!context.RequirePoints(ws.obsCount, kIncomplete)) return false;

  in.Rewind();
  int phases = 0;
  while (in.ReadLine(line)) {
    if (StartsWith(line, kPhaseHeader)) ++phases;
  }
  if (phases == 0) return context.Fail(kIncomplete, "no \"WAVES/O xphase\" block");
  if (phases > workspace::kMaxPhases) {
    context.phasesCut = true;
    phases = workspace::kMaxPhases;
  }
  ws.phaseCount = phases;
  in.Rewind();
  ReadPhases(ws, in, context);

  // The step comes from the profile read (calc holds it in a
  // calculated-only file).
  const workspace::PointArray& profile = ws.pairedIntLoad ? ws.calc : ws.obs;
  if (ws.obsCount >= 1) {
    ws.stepStart = profile[1].x;
    ws.stepEnd = profile[ws.obsCount].x;
  }
  if (ws.obsCount >= 2) ws.stepWidth = profile[2].x - profile[1].x;
  return true;
}

}  // namespace difscop::import
