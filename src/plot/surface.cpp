#include "plot/surface.h"

namespace difscop::plot {

void Surface::Polyline(std::span<const DevicePoint> points) {
  if (points.empty()) return;
  MoveTo(points[0].x, points[0].y);
  for (std::size_t i = 1; i < points.size(); ++i) LineTo(points[i].x, points[i].y);
}

void Surface::Segments(std::span<const DevicePoint> ends) {
  for (std::size_t i = 0; i + 1 < ends.size(); i += 2) {
    MoveTo(ends[i].x, ends[i].y);
    LineTo(ends[i + 1].x, ends[i + 1].y);
  }
}

void Surface::Ellipses(std::span<const Rect> boxes) {
  for (const Rect& box : boxes) Ellipse(box);
}

}  // namespace difscop::plot
