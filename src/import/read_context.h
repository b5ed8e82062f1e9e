// What a reader carries besides the workspace: the platform for its messages
// and the capacities it had to stop at, reported once the read succeeded.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::import {

struct ReadContext {
  explicit ReadContext(platform::Platform& p) : platform(p) {}

  platform::Platform& platform;
  bool pointsCut = false;
  bool segmentsCut = false;
  bool phasesCut = false;
  bool reflectionsCut = false;

  // Shows the failure text and returns false, so readers can `return Fail(...)`.
  bool Fail(std::string_view message);
  // One message per capacity the read stopped at.
  void ReportCuts() const;
};

// The bytes of a file in one read; nullopt when it cannot be opened.
std::optional<std::string> LoadFile(const std::string& path);

inline bool Finite(float a, float b = 0.0f, float c = 0.0f) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c);
}

// Stores (x, y) as point count + 1 unless the array is full; a full array
// marks the read as cut. Infinite or NaN values are not a point and are
// skipped. Returns true when the point was stored.
bool AddPoint(workspace::PointArray& points, int& count, float x, float y, ReadContext& context);

// Stores a reflection position of phase p the same way.
bool AddReflection(workspace::Workspace& ws, int phase, float position, ReadContext& context);

}  // namespace difscop::import
