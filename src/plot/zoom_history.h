// The ranges shown before each zoom, newest last, so the user can step back
// through them, and the mouse wheel's zoom of the 2theta axis.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>

#include "plot/mouse.h"
#include "workspace/workspace.h"

namespace difscop::plot {

struct ViewRange {
  float xMin = 0.0f;
  float xMax = 0.0f;
  float yMin = 0.0f;
  float yMax = 0.0f;
  float xTick = 0.0f;
  float yTick = 0.0f;

  static ViewRange Of(const workspace::Workspace& ws);
  void ApplyTo(workspace::Workspace& ws) const;
  bool operator==(const ViewRange&) const = default;
};

class ZoomHistory {
 public:
  // The oldest steps are forgotten beyond this.
  static constexpr std::size_t kCapacity = 50;

  // Remembers the range shown before a zoom. The steps belong to the pattern
  // and the axes that were shown: once another file is loaded, or the axes
  // or the arrangement change, they are dropped.
  void Record(const workspace::Workspace& ws, const ViewRange& before);
  // Shows the range before the last zoom, with its ticks, and forgets that
  // step. False (nothing changed) when there is none for this pattern or
  // the plot is empty.
  bool StepBack(workspace::Workspace& ws);

  std::size_t size() const { return steps_.size(); }
  void Clear() { steps_.clear(); }

 private:
  bool SamePattern(const workspace::Workspace& ws) const;

  std::deque<ViewRange> steps_;
  std::string pattern_;
  std::array<int, 3> axes_{};
};

// One turn of the wheel in Qt's units (a notch is 120).
inline constexpr int kWheelNotch = 120;

// Zooms the 2theta axis about the angle under the point: forward (positive
// delta) narrows the range, backward widens it, each notch by a fifth. The
// intensity range stays. Only over a drawn plot, inside the frame; a range
// that would become narrower than 0.001 degree or wider than 1e7 is kept.
MouseResponse OnWheel(workspace::Workspace& ws, DevicePoint point, int angleDelta);

}  // namespace difscop::plot
