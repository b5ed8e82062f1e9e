// The small set of drawing operations the plot needs. The window implements
// it with QPainter, picture exports with QImage and libEMF; tests record the
// calls. Coordinates are device pixels, y growing downwards.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "workspace/workspace.h"

namespace difscop::plot {

using workspace::Colour;
using workspace::DevicePoint;
using workspace::Rect;

enum class PenStyle { Solid, Dot };

struct Pen {
  Colour colour = 0;
  int width = 1;
  PenStyle style = PenStyle::Solid;
};

// A label font: requested cell height and character width in device units,
// escapement in tenths of a degree (900 runs the text upwards).
struct FontSpec {
  std::string face = "Times New Roman";
  int height = 18;
  int width = 9;
  int escapement = 0;
};

struct TextSize {
  int width = 0;
  int height = 0;
};

class Surface {
 public:
  virtual ~Surface() = default;

  virtual void FillRect(const Rect& rect, Colour colour) = 0;
  virtual void SetPen(const Pen& pen) = 0;
  // nullopt: hollow (unfilled) shapes.
  virtual void SetBrush(std::optional<Colour> fill) = 0;
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  // Ellipse filling the box, outlined with the pen, filled with the brush.
  virtual void Ellipse(const Rect& box) = 0;
  virtual void SetFont(const FontSpec& font) = 0;
  virtual void SetTextColour(Colour colour) = 0;
  virtual void SetTransparentText(bool transparent) = 0;
  // Text with its top left corner at (x, y), in the current font.
  virtual void TextOut(int x, int y, std::string_view text) = 0;
  virtual TextSize TextExtent(std::string_view text) = 0;
  // Exclusive-or drawing: the pen inverts what is below it, so drawing the
  // same figure twice leaves the picture as it was.
  virtual void SetXorMode(bool on) = 0;

  // Batched forms; a surface that can draw many shapes at once overrides them.
  // Polyline through the points in order.
  virtual void Polyline(std::span<const DevicePoint> points);
  // Separate segments: points [0]-[1], [2]-[3], ...
  virtual void Segments(std::span<const DevicePoint> ends);
  virtual void Ellipses(std::span<const Rect> boxes);
  // An image of width x height pixels, row by row from the top, filling the
  // rectangle pixel for pixel.
  virtual void Image(const Rect& where, std::span<const Colour> pixels, int width, int height);
};

}  // namespace difscop::plot
