// The plot's drawing surface over a QPainter: the window, a QImage for
// bitmaps and the clipboard, or anything else Qt paints on.
#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <optional>
#include <utility>
#include <vector>

#include "plot/surface.h"

namespace difscop::app {

QColor ToQColor(workspace::Colour colour);

// What a QtSurface may keep from one paint to the next: the converted
// points and the dot stamps. A window holds one for its life, so repaints
// reuse the memory instead of allocating it again.
struct QtSurfaceCache {
  struct Stamp {
    QPen pen;
    QBrush brush;
    int width = 0;
    int height = 0;
    QImage image;
    QPoint offset;
  };
  // Qt's pens and brushes allocate when made; a plot uses a few of each.
  struct PenEntry {
    plot::Pen key;
    QPen pen;
  };
  std::vector<QPoint> points;
  std::vector<Stamp> stamps;
  std::vector<PenEntry> pens;
  std::vector<std::pair<workspace::Colour, QBrush>> brushes;
  // The pixels a pen of the kept width covers around a point.
  int footprintWidth = -1;
  std::vector<QPoint> footprint;
  QImage image;  // a map's pixels
  QPen startPen{Qt::black, 1};
};

class QtSurface : public plot::Surface {
 public:
  // Drawing starts without antialiasing, so lines and dots land on whole
  // pixels as the plot's integer geometry places them. Without a cache the
  // surface keeps its own for its lifetime.
  explicit QtSurface(QPainter& painter, QtSurfaceCache* cache = nullptr);

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
  void Image(const workspace::Rect& where, std::span<const workspace::Colour> pixels, int width,
             int height) override;

  // The Qt font for a requested cell height and average character width.
  static QFont MakeFont(const plot::FontSpec& spec);

 private:
  const std::vector<QPoint>& Convert(std::span<const workspace::DevicePoint> points);
  // The image painted on when lines can be set into its pixels directly:
  // a plain image in window pixels, a solid opaque pen, nothing that
  // transforms, clips or blends. Null otherwise.
  QImage* DirectImage();
  void RasterPolyline(QImage& image, std::span<const workspace::DevicePoint> points);
  const std::vector<QPoint>& Footprint();
  const QtSurfaceCache::Stamp& StampFor(int width, int height);

  QPainter& painter_;
  QPen pen_;
  QFont font_;
  int escapement_ = 0;
  QColor textColour_;
  bool transparent_ = false;
  QPoint position_;
  std::optional<QtSurfaceCache> ownCache_;  // only without a kept one
  QtSurfaceCache& cache_;
};

}  // namespace difscop::app
