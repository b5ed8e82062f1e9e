#include "import/read_context.h"

#include <cstdio>
#include <filesystem>
#include <memory>
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

std::optional<std::string> LoadFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return std::nullopt;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return std::nullopt;
  std::string text;
  char buffer[1 << 16];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, n);
  if (std::ferror(file.get())) return std::nullopt;
  return text;
}

bool AddPoint(ws::PointArray& points, int& count, float x, float y, ReadContext& context) {
  if (!Finite(x, y)) return false;
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
  if (!Finite(position)) return false;
  if (n >= ws::kMaxReflections) {
    context.reflectionsCut = true;
    return false;
  }
  ++n;
  w.reflectionPos[phase][n] = position;
  return true;
}

}  // namespace difscop::import
