// The plot's drawing surface over a QPainter: the window, a QImage for
// bitmaps and the clipboard, or anything else Qt paints on.
#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <vector>

#include "plot/surface.h"

namespace difscop::app {

QColor ToQColor(workspace::Colour colour);

class QtSurface : public plot::Surface {
 public:
  // Drawing starts without antialiasing, so lines and dots land on whole
  // pixels as the plot's integer geometry places them.
  explicit QtSurface(QPainter& painter);

  void FillRect(const workspace::Rect& rect, workspace::Colour colour) override;
  void SetPen(const plot::Pen& pen) override;
  void SetBrush(std::optional<workspace::Colour> fill) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Ellipse(const workspace::Rect& box) override;
  void SetFont(const plot::FontSpec& font) override;
  void SetTextColour(workspace::Colour colour) override;
  void SetTransparentText(bool transparent) override;
  void TextOut(int x, int y, std::string_view text) override;
  plot::TextSize TextExtent(std::string_view text) override;
  void SetXorMode(bool on) override;
  void Polyline(std::span<const workspace::DevicePoint> points) override;
  void Segments(std::span<const workspace::DevicePoint> ends) override;
  void Ellipses(std::span<const workspace::Rect> boxes) override;

  // The Qt font for a requested cell height and average character width.
  static QFont MakeFont(const plot::FontSpec& spec);

 private:
  const std::vector<QPoint>& Convert(std::span<const workspace::DevicePoint> points);

  QPainter& painter_;
  QPen pen_;
  QFont font_;
  int escapement_ = 0;
  QColor textColour_;
  bool transparent_ = false;
  QPoint position_;
  std::vector<QPoint> scratch_;
};

}  // namespace difscop::app
