#include "recording_surface.h"

#include <algorithm>

namespace difscop::plot::testing {

void RecordingSurface::FillRect(const Rect& rect, Colour colour) {
  fills.push_back({rect, colour});
  calls.push_back("fill");
}

void RecordingSurface::SetPen(const Pen& pen) {
  pen_ = pen;
  ++penChanges;
  calls.push_back("pen");
}

void RecordingSurface::SetBrush(std::optional<Colour> fill) {
  brush_ = fill;
}

void RecordingSurface::MoveTo(int x, int y) {
  position_ = {x, y};
}

void RecordingSurface::LineTo(int x, int y) {
  lines.push_back({position_, {x, y}, pen_, xor_});
  position_ = {x, y};
}

void RecordingSurface::Ellipse(const Rect& box) {
  ellipses.push_back({box, pen_, brush_});
}

void RecordingSurface::SetFont(const FontSpec& font) {
  font_ = font;
}

void RecordingSurface::SetTextColour(Colour colour) {
  textColour_ = colour;
}

void RecordingSurface::SetTransparentText(bool transparent) {
  transparent_ = transparent;
}

void RecordingSurface::TextOut(int x, int y, std::string_view text) {
  texts.push_back({x, y, std::string(text), font_, textColour_, transparent_});
  calls.push_back("text");
}

TextSize RecordingSurface::TextExtent(std::string_view text) {
  return {static_cast<int>(text.size()) * font_.width, font_.height};
}

void RecordingSurface::SetXorMode(bool on) {
  xor_ = on;
}

void RecordingSurface::Polyline(std::span<const DevicePoint> points) {
  calls.push_back("polyline");
  Surface::Polyline(points);
}

void RecordingSurface::Segments(std::span<const DevicePoint> ends) {
  calls.push_back("segments");
  Surface::Segments(ends);
}

void RecordingSurface::Ellipses(std::span<const Rect> boxes) {
  calls.push_back("ellipses");
  Surface::Ellipses(boxes);
}

std::vector<DrawnLine> RecordingSurface::LinesInColour(Colour colour) const {
  std::vector<DrawnLine> out;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(out),
               [&](const DrawnLine& l) { return l.pen.colour == colour; });
  return out;
}

std::vector<DrawnEllipse> RecordingSurface::EllipsesInColour(Colour colour) const {
  std::vector<DrawnEllipse> out;
  std::copy_if(ellipses.begin(), ellipses.end(), std::back_inserter(out),
               [&](const DrawnEllipse& e) { return e.pen.colour == colour; });
  return out;
}

const DrawnText* RecordingSurface::FindText(std::string_view text) const {
  for (const DrawnText& t : texts)
    if (t.text == text) return &t;
  return nullptr;
}

int RecordingSurface::CallCount(std::string_view kind) const {
  return static_cast<int>(std::count(calls.begin(), calls.end(), kind));
}

}  // namespace difscop::plot::testing
