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

void Surface::Image(const Rect& where, std::span<const Colour> pixels, int width, int height) {
  if (width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * height) return;
  // Runs of one colour along each row.
  for (int y = 0; y < height; ++y) {
    const Colour* row = pixels.data() + static_cast<std::size_t>(y) * width;
    int start = 0;
    for (int x = 1; x <= width; ++x) {
      if (x < width && row[x] == row[start]) continue;
      FillRect({where.left + start, where.top + y, where.left + x, where.top + y + 1}, row[start]);
      start = x;
    }
  }
}

}  // namespace difscop::plot
