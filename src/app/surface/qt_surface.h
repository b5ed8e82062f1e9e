// The plot's drawing surface over a QPainter: the window, a QImage for
// bitmaps and the clipboard, or anything else Qt paints on.
#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <optional>
#include <string>
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
  // Qt fonts by the plot's request, text widths, and texts as drawn over a
  // plain background (Qt allocates for every text it lays out or draws;
  // a repaint draws the same few labels again).
  // Each font kept has a number of its own; widths and texts name it.
  struct FontEntry {
    plot::FontSpec spec;
    QFont font;
    long id = 0;
  };
  struct ExtentEntry {
    long font = 0;
    std::string text;
    plot::TextSize size;
    QRect ink;  // what drawing it covers, from its baseline's start
  };
  struct TextEntry {
    long font = 0;
    std::string text;
    QRgb colour = 0;
    QRgb paper = 0;  // the plain background it was drawn on
    int dpi = 0;
    QRect box;  // relative to where the text was drawn
    std::vector<QRgb> pixels;
  };
  std::vector<FontEntry> fonts;
  long lastFontId = 0;
  std::vector<ExtentEntry> extents;
  std::vector<TextEntry> texts;
  std::vector<QRgb> around;  // the pixels around a text being captured
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

  // A text's advance and cell, and the pixels it inks (kept per font).
  struct Measures {
    plot::TextSize size;
    QRect ink;
  };
  Measures Measure(std::string_view text);
  // The image transparent text can be copied into and out of: a plain
  // RGB32 image, drawn on unturned, unclipped, opaque. Null otherwise.
  QImage* TextImage();
  // Draws text as QPainter does; TextOut's way when no kept copy serves.
  void DrawText(int x, int y, const QString& text, const QFontMetrics& metrics);
  // Draws text and keeps a copy of what it drew over a plain box around it
  // (nothing outside the box changed), for the next draw of the same text.
  void DrawAndKeep(QImage& image, int x, int y, std::string_view text, QRect box, QRgb paper);

  QPainter& painter_;
  QPen pen_;
  QFont font_;
  // The number of font_ in the cache (0 before SetFont), and whether the
  // painter still has to be given font_ before drawing text.
  long fontId_ = 0;
  bool fontPending_ = false;
  int escapement_ = 0;
  QColor textColour_;
  bool transparent_ = false;
  QPoint position_;
  std::optional<QtSurfaceCache> ownCache_;  // only without a kept one
  QtSurfaceCache& cache_;
};

}  // namespace difscop::app
