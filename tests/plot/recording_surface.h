// A Surface that remembers what was drawn, with the pen, brush, font and
// colours in force at the time, so tests can look at the picture as data.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "plot/surface.h"

namespace difscop::plot::testing {

struct DrawnLine {
  DevicePoint from;
  DevicePoint to;
  Pen pen;
  bool xorMode = false;
};

struct DrawnEllipse {
  Rect box;
  Pen pen;
  std::optional<Colour> fill;
};

struct DrawnText {
  int x = 0;
  int y = 0;
  std::string text;
  FontSpec font;
  Colour colour = 0;
  bool transparent = false;
};

struct FilledRect {
  Rect rect;
  Colour colour = 0;
};

class RecordingSurface : public Surface {
 public:
  std::vector<DrawnLine> lines;
  std::vector<DrawnEllipse> ellipses;
  std::vector<DrawnText> texts;
  std::vector<FilledRect> fills;
  // Kinds of call in order ("fill", "pen", "polyline", "segments", ...).
  std::vector<std::string> calls;
  int penChanges = 0;

  void FillRect(const Rect& rect, Colour colour) override;
  void SetPen(const Pen& pen) override;
  void SetBrush(std::optional<Colour> fill) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Ellipse(const Rect& box) override;
  void SetFont(const FontSpec& font) override;
  void SetTextColour(Colour colour) override;
  void SetTransparentText(bool transparent) override;
  void TextOut(int x, int y, std::string_view text) override;
  // Every character is one label width wide (9 pixels for the 18 pt font).
  TextSize TextExtent(std::string_view text) override;
  void SetXorMode(bool on) override;
  void Polyline(std::span<const DevicePoint> points) override;
  void Segments(std::span<const DevicePoint> ends) override;
  void Ellipses(std::span<const Rect> boxes) override;

  // Queries over what was drawn.
  std::vector<DrawnLine> LinesInColour(Colour colour) const;
  std::vector<DrawnEllipse> EllipsesInColour(Colour colour) const;
  const DrawnText* FindText(std::string_view text) const;
  int CallCount(std::string_view kind) const;

 private:
  Pen pen_;
  std::optional<Colour> brush_;
  FontSpec font_;
  Colour textColour_ = 0;
  bool transparent_ = false;
  bool xor_ = false;
  DevicePoint position_;
};

}  // namespace difscop::plot::testing
