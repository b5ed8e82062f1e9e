#include "import/read_context.h"

#include <string>

namespace difscop::import {

namespace ws = difscop::workspace;

bool ReadContext::Fail(std::string_view message) {
  platform.ShowMessage(std::string(message));
  return false;
}

void ReadContext::ReportCuts() const {
  if (pointsCut)
    platform.ShowMessage("Only the first " + std::to_string(ws::kMaxPoints) +
                         " points were read !!!");
  if (segmentsCut)
    platform.ShowMessage("Only the first " + std::to_string(ws::kMaxSegments) +
                         " segments were read !!!");
  if (phasesCut)
    platform.ShowMessage("Only the first " + std::to_string(ws::kMaxPhases) +
                         " phases were read !!!");
  if (reflectionsCut)
    platform.ShowMessage("Only the first " + std::to_string(ws::kMaxReflections) +
                         " reflections were read !!!");
}

bool AddPoint(ws::PointArray& points, int& count, float x, float y, ReadContext& context) {
  if (count >= ws::kMaxPoints) {
    context.pointsCut = true;
    return false;
  }
  ++count;
  points[count] = {x, y};
  return true;
}

bool AddReflection(ws::Workspace& w, int phase, float position, ReadContext& context) {
  int& n = w.reflectionCount[phase];
  if (n >= ws::kMaxReflections) {
    context.reflectionsCut = true;
    return false;
  }
  ++n;
  w.reflectionPos[phase][n] = position;
  return true;
}

}  // namespace difscop::import
