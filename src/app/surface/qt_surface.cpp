#include "app/surface/qt_surface.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cmath>

namespace difscop::app {
namespace {

QRect ToQRect(const workspace::Rect& r) {
  // The right and bottom edges are outside, as in the plot's rectangles.
  return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// Cuts a stamp down to its painted pixels (a solid stamp becomes a plain
// copy) and returns where the cut begins.
QPoint CropToInk(QImage& sprite) {
  int left = sprite.width(), top = sprite.height(), right = -1, bottom = -1;
  bool solid = true;
  for (int y = 0; y < sprite.height(); ++y)
    for (int x = 0; x < sprite.width(); ++x)
      if (qAlpha(sprite.pixel(x, y)) != 0) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  if (right < 0) {
    sprite = QImage();
    return QPoint(0, 0);
  }
  sprite = sprite.copy(left, top, right - left + 1, bottom - top + 1);
  for (int y = 0; y < sprite.height() && solid; ++y)
    for (int x = 0; x < sprite.width() && solid; ++x) solid = qAlpha(sprite.pixel(x, y)) == 255;
  if (solid) sprite = sprite.convertToFormat(QImage::Format_RGB32);
  return QPoint(left, top);
}


// The image the painter paints on with Qt's raster engine, or null.
QImage* RasterImage(QPainter& painter) {
  QPaintDevice* device = painter.device();
  const QPaintEngine* engine = painter.paintEngine();
  if (!device || device->devType() != QInternal::Image || !engine ||
      engine->type() != QPaintEngine::Raster)
    return nullptr;
  return static_cast<QImage*>(device);
}

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QColor ToQColor(workspace::Colour colour) {
  return QColor(workspace::RedOf(colour), workspace::GreenOf(colour), workspace::BlueOf(colour));
}

QtSurface::QtSurface(QPainter& painter, QtSurfaceCache* cache)
    : painter_(painter), cache_(cache ? *cache : ownCache_.emplace()) {
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setRenderHint(QPainter::TextAntialiasing, true);
  pen_ = cache_.startPen;
  painter_.setPen(pen_);
  painter_.setBrush(Qt::NoBrush);
}

void QtSurface::FillRect(const workspace::Rect& rect, workspace::Colour colour) {
  painter_.fillRect(ToQRect(rect), ToQColor(colour));
}

void QtSurface::SetPen(const plot::Pen& pen) {
  for (const QtSurfaceCache::PenEntry& e : cache_.pens) {
    if (e.key.colour == pen.colour && e.key.width == pen.width && e.key.style == pen.style) {
      pen_ = e.pen;
      painter_.setPen(pen_);
      return;
    }
  }
  pen_ = QPen(ToQColor(pen.colour), std::max(pen.width, 1),
              pen.style == plot::PenStyle::Dot ? Qt::DotLine : Qt::SolidLine, Qt::RoundCap,
              Qt::RoundJoin);
  // A one-pixel pen is the cosmetic hairline; wider pens are round-ended.
  if (pen.width <= 1) pen_.setCapStyle(Qt::FlatCap);
  constexpr std::size_t kKeptPens = 16;
  if (cache_.pens.size() >= kKeptPens) cache_.pens.erase(cache_.pens.begin());
  cache_.pens.push_back({pen, pen_});
  painter_.setPen(pen_);
}

void QtSurface::SetBrush(std::optional<workspace::Colour> fill) {
  if (!fill) {
    painter_.setBrush(Qt::NoBrush);
    return;
  }
  for (const auto& [colour, brush] : cache_.brushes) {
    if (colour == *fill) {
      painter_.setBrush(brush);
      return;
    }
  }
  constexpr std::size_t kKeptBrushes = 16;
  if (cache_.brushes.size() >= kKeptBrushes) cache_.brushes.erase(cache_.brushes.begin());
  cache_.brushes.emplace_back(*fill, QBrush(ToQColor(*fill)));
  painter_.setBrush(cache_.brushes.back().second);
}

void QtSurface::MoveTo(int x, int y) {
  position_ = QPoint(x, y);
}

void QtSurface::LineTo(int x, int y) {
  const QPoint to(x, y);
  painter_.drawLine(position_, to);
  position_ = to;
}

void QtSurface::Ellipse(const workspace::Rect& box) {
  painter_.drawEllipse(ToQRect(box));
}

QFont QtSurface::MakeFont(const plot::FontSpec& spec) {
  QFont font(QString::fromStdString(spec.face));
  font.setStyleHint(QFont::Serif);
  const int height = std::max(spec.height, 1);
  // The requested height is the whole character cell (ascent and descent);
  // Qt sizes by the em, so scale by the face's own proportion.
  font.setPixelSize(height);
  const qreal cell = QFontMetricsF(font).height();
  if (cell > 0)
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(height * height / cell))));
  if (spec.width > 0) {
    const qreal average = QFontMetricsF(font).averageCharWidth();
    if (average > 0) {
      const int stretch = static_cast<int>(std::lround(100.0 * spec.width / average));
      font.setStretch(std::clamp(stretch, 1, 4000));
    }
  }
  return font;
}

namespace {

bool SameFont(const plot::FontSpec& a, const plot::FontSpec& b) {
  return a.height == b.height && a.width == b.width && a.face == b.face;
}

// Keeps at most limit entries, the oldest going first.
template <typename Entry>
Entry& Keep(std::vector<Entry>& entries, std::size_t limit) {
  if (entries.size() >= limit) entries.erase(entries.begin());
  return entries.emplace_back();
}

}  // namespace

void QtSurface::SetFont(const plot::FontSpec& font) {
  escapement_ = font.escapement;
  fontPending_ = true;
  for (const QtSurfaceCache::FontEntry& e : cache_.fonts) {
    if (SameFont(e.spec, font)) {
      font_ = e.font;
      fontId_ = e.id;
      return;
    }
  }
  constexpr std::size_t kKeptFonts = 8;
  QtSurfaceCache::FontEntry& e = Keep(cache_.fonts, kKeptFonts);
  e.spec = font;
  e.font = MakeFont(font);
  e.id = ++cache_.lastFontId;
  font_ = e.font;
  fontId_ = e.id;
}

void QtSurface::SetTextColour(workspace::Colour colour) {
  textColour_ = ToQColor(colour);
}

void QtSurface::SetTransparentText(bool transparent) {
  transparent_ = transparent;
}

void QtSurface::DrawText(int x, int y, const QString& s, const QFontMetrics& metrics) {
  if (fontPending_) {
    painter_.setFont(font_);
    fontPending_ = false;
  }
  painter_.save();
  painter_.translate(x, y);
  // Escapement in tenths of a degree, counter-clockwise; Qt turns clockwise.
  if (escapement_ != 0) painter_.rotate(-escapement_ / 10.0);
  if (!transparent_)
    painter_.fillRect(QRect(0, 0, metrics.horizontalAdvance(s), metrics.height()), Qt::white);
  painter_.setPen(textColour_);
  painter_.drawText(0, metrics.ascent(), s);
  painter_.restore();
}

QImage* QtSurface::TextImage() {
  QImage* image = RasterImage(painter_);
  if (!image) return nullptr;
  if (image->format() != QImage::Format_RGB32 || !image->isDetached() ||
      image->devicePixelRatio() != 1 || !painter_.transform().isIdentity() ||
      painter_.hasClipping() || painter_.opacity() != 1.0 ||
      painter_.compositionMode() != QPainter::CompositionMode_SourceOver ||
      !painter_.testRenderHint(QPainter::TextAntialiasing))
    return nullptr;
  return image;
}

namespace {

// The one colour of every pixel in box, if it has one.
std::optional<QRgb> PlainColour(const QImage& image, const QRect& box) {
  const QRgb first = reinterpret_cast<const QRgb*>(image.constScanLine(box.top()))[box.left()];
  for (int y = box.top(); y <= box.bottom(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = box.left(); x <= box.right(); ++x)
      if (row[x] != first) return std::nullopt;
  }
  return first;
}

}  // namespace

void QtSurface::TextOut(int x, int y, std::string_view text) {
  QImage* image = transparent_ && escapement_ == 0 && fontId_ != 0 ? TextImage() : nullptr;
  const QFontMetrics metrics(font_);
  if (!image) {
    DrawText(x, y, ToQString(text), metrics);
    return;
  }
  // What the text inks, with a little room, from where it is drawn.
  const QRect box = Measure(text).ink.translated(0, metrics.ascent()).adjusted(-2, -2, 2, 2);
  const QRect at = box.translated(x, y);
  const std::optional<QRgb> paper =
      image->rect().contains(at) ? PlainColour(*image, at) : std::nullopt;
  if (!paper) {
    DrawText(x, y, ToQString(text), metrics);
    return;
  }
  const QRgb colour = textColour_.rgb();
  const int dpi = image->logicalDpiY();
  for (const QtSurfaceCache::TextEntry& e : cache_.texts) {
    if (e.font != fontId_ || e.colour != colour || e.paper != *paper || e.dpi != dpi ||
        e.box != box || e.text != text)
      continue;
    // The same text in the same colour over the same plain background: the
    // pixels drawing it gave.
    const QRgb* from = e.pixels.data();
    for (int row = at.top(); row <= at.bottom(); ++row, from += at.width())
      std::copy(from, from + at.width(), reinterpret_cast<QRgb*>(image->scanLine(row)) + at.left());
    return;
  }
  DrawAndKeep(*image, x, y, text, box, *paper);
}

void QtSurface::DrawAndKeep(QImage& image, int x, int y, std::string_view text, QRect box,
                            QRgb paper) {
  const QRect at = box.translated(x, y);
  // What lies around the box, to see that the text stayed inside it.
  const QRect around = at.adjusted(-at.height(), -at.height(), at.height(), at.height())
                           .intersected(image.rect());
  std::vector<QRgb>& before = cache_.around;
  before.clear();
  for (int row = around.top(); row <= around.bottom(); ++row) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
    before.insert(before.end(), line + around.left(), line + around.right() + 1);
  }
  DrawText(x, y, ToQString(text), QFontMetrics(font_));
  const QRgb* was = before.data();
  for (int row = around.top(); row <= around.bottom(); ++row) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
    for (int col = around.left(); col <= around.right(); ++col, ++was)
      if (line[col] != *was && !at.contains(col, row)) return;
  }
  constexpr std::size_t kKeptTexts = 64;
  QtSurfaceCache::TextEntry& e = Keep(cache_.texts, kKeptTexts);
  e.font = fontId_;
  e.text.assign(text);
  e.colour = textColour_.rgb();
  e.paper = paper;
  e.dpi = image.logicalDpiY();
  e.box = box;
  e.pixels.clear();
  for (int row = at.top(); row <= at.bottom(); ++row) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
    e.pixels.insert(e.pixels.end(), line + at.left(), line + at.right() + 1);
  }
}

QtSurface::Measures QtSurface::Measure(std::string_view text) {
  if (fontId_ != 0) {
    for (const QtSurfaceCache::ExtentEntry& e : cache_.extents)
      if (e.font == fontId_ && e.text == text) return {e.size, e.ink};
  }
  const QFontMetrics metrics(font_);
  const QString s = ToQString(text);
  const Measures m{{metrics.horizontalAdvance(s), metrics.height()}, metrics.boundingRect(s)};
  if (fontId_ != 0) {
    constexpr std::size_t kKeptExtents = 64;
    QtSurfaceCache::ExtentEntry& e = Keep(cache_.extents, kKeptExtents);
    e.font = fontId_;
    e.text.assign(text);
    e.size = m.size;
    e.ink = m.ink;
  }
  return m;
}

plot::TextSize QtSurface::TextExtent(std::string_view text) {
  return Measure(text).size;
}

void QtSurface::SetXorMode(bool on) {
  painter_.setCompositionMode(on ? QPainter::RasterOp_SourceXorDestination
                                 : QPainter::CompositionMode_SourceOver);
}

const std::vector<QPoint>& QtSurface::Convert(std::span<const workspace::DevicePoint> points) {
  std::vector<QPoint>& q = cache_.points;
  q.resize(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) q[i] = QPoint(points[i].x, points[i].y);
  return q;
}

const QtSurfaceCache::Stamp& QtSurface::StampFor(int w, int h) {
  for (const QtSurfaceCache::Stamp& s : cache_.stamps)
    if (s.width == w && s.height == h && s.pen == painter_.pen() && s.brush == painter_.brush())
      return s;
  // A plot uses a handful of dot kinds; an older stamp makes room for a new one.
  constexpr std::size_t kKeptStamps = 8;
  if (cache_.stamps.size() >= kKeptStamps) cache_.stamps.erase(cache_.stamps.begin());
  const int margin = painter_.pen().width() + 2;
  QImage sprite(w + 2 * margin + 1, h + 2 * margin + 1, QImage::Format_ARGB32_Premultiplied);
  sprite.fill(Qt::transparent);
  {
    QPainter dot(&sprite);
    dot.setPen(painter_.pen());
    dot.setBrush(painter_.brush());
    dot.drawEllipse(QRect(margin, margin, w, h));
  }
  const QPoint offset = CropToInk(sprite) - QPoint(margin, margin);
  cache_.stamps.push_back({painter_.pen(), painter_.brush(), w, h, sprite, offset});
  return cache_.stamps.back();
}

void QtSurface::Polyline(std::span<const workspace::DevicePoint> points) {
  if (points.size() < 2) return;
  if (QImage* image = DirectImage()) {
    RasterPolyline(*image, points);
    return;
  }
  const auto& q = Convert(points);
  painter_.drawPolyline(q.data(), static_cast<int>(q.size()));
}

QImage* QtSurface::DirectImage() {
  QImage* image = RasterImage(painter_);
  if (!image) return nullptr;
  const QImage::Format format = image->format();
  const bool plain = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
                     format == QImage::Format_ARGB32_Premultiplied;
  if (!plain || !image->isDetached() || image->devicePixelRatio() != 1 ||
      !painter_.transform().isIdentity() || painter_.hasClipping() ||
      painter_.compositionMode() != QPainter::CompositionMode_SourceOver ||
      painter_.testRenderHint(QPainter::Antialiasing) || pen_.style() != Qt::SolidLine ||
      pen_.color().alpha() != 255 || pen_.brush().style() != Qt::SolidPattern)
    return nullptr;
  return image;
}

const std::vector<QPoint>& QtSurface::Footprint() {
  const int width = std::max(pen_.width(), 1);
  if (cache_.footprintWidth == width) return cache_.footprint;
  // A pen wider than a pixel covers what Qt paints for a point with it.
  cache_.footprint.clear();
  if (width <= 1) {
    cache_.footprint.emplace_back(0, 0);
  } else {
    const int side = 2 * width + 3;
    QImage dot(side, side, QImage::Format_RGB32);
    dot.fill(Qt::black);
    {
      QPainter p(&dot);
      QPen pen(Qt::white, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
      p.setPen(pen);
      p.drawPoint(side / 2, side / 2);
    }
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x)
        if (dot.pixel(x, y) != qRgb(0, 0, 0)) cache_.footprint.emplace_back(x - side / 2, y - side / 2);
    if (cache_.footprint.empty()) cache_.footprint.emplace_back(0, 0);
  }
  cache_.footprintWidth = width;
  return cache_.footprint;
}

// Every pixel of each segment from end to end, both ends included, each
// set with the pen's footprint. A pixel's place along the segment is
// computed from the segment's own ends, so a segment cut at the image's
// edge keeps the pixels it would have had, and a polyline is the union of
// its segments whatever points lie between: a polyline thinned to the
// lowest and highest point of each pixel column sets the same pixels as the
// whole one.
void QtSurface::RasterPolyline(QImage& image, std::span<const workspace::DevicePoint> points) {
  const std::vector<QPoint>& footprint = Footprint();
  const QRgb colour = pen_.color().rgba();
  const int w = image.width(), h = image.height();
  int reach = 0;
  for (const QPoint& f : footprint) reach = std::max({reach, std::abs(f.x()), std::abs(f.y())});
  uchar* bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  const bool thin = footprint.size() == 1 && footprint[0] == QPoint(0, 0);
  auto put = [&](long long x, long long y) {
    if (thin) {
      if (x >= 0 && x < w && y >= 0 && y < h) reinterpret_cast<QRgb*>(bits + y * stride)[x] = colour;
      return;
    }
    for (const QPoint& f : footprint) {
      const long long px = x + f.x(), py = y + f.y();
      if (px >= 0 && px < w && py >= 0 && py < h)
        reinterpret_cast<QRgb*>(bits + py * stride)[px] = colour;
    }
  };
  // Steps along the major axis from `from` to `to`; the minor coordinate is
  // minor0 + (t - major0) * dMinor / dMajor rounded to the nearest (halves
  // upwards), kept as a quotient and remainder (|dMinor| <= |dMajor|: one
  // correction a step).
  auto walk = [&](long long major0, long long minor0, long long dMajor, long long dMinor,
                  long long from, long long to, bool xMajor) {
    if (dMajor == 0) {
      if (from <= to) xMajor ? put(major0, minor0) : put(minor0, major0);
      return;
    }
    if (dMajor < 0) dMajor = -dMajor, dMinor = -dMinor;
    const long long twice = 2 * dMajor;
    long long m = 2 * (from - major0) * dMinor + dMajor;
    long long q = m / twice;
    long long rem = m - q * twice;
    if (rem < 0) rem += twice, --q;
    for (long long t = from; t <= to; ++t) {
      const long long minor = minor0 + q;
      xMajor ? put(t, minor) : put(minor, t);
      rem += 2 * dMinor;
      if (rem >= twice) rem -= twice, ++q;
      else if (rem < 0) rem += twice, --q;
    }
  };
  for (std::size_t k = 0; k + 1 < points.size(); ++k) {
    const long long x0 = points[k].x, y0 = points[k].y;
    const long long x1 = points[k + 1].x, y1 = points[k + 1].y;
    const long long dx = x1 - x0, dy = y1 - y0;
    if (std::llabs(dx) >= std::llabs(dy)) {
      const long long from = std::max(std::min(x0, x1), -static_cast<long long>(reach));
      const long long to = std::min(std::max(x0, x1), static_cast<long long>(w - 1 + reach));
      walk(x0, y0, dx, dy, from, to, true);
    } else {
      const long long from = std::max(std::min(y0, y1), -static_cast<long long>(reach));
      const long long to = std::min(std::max(y0, y1), static_cast<long long>(h - 1 + reach));
      walk(y0, x0, dy, dx, from, to, false);
    }
  }
}

void QtSurface::Segments(std::span<const workspace::DevicePoint> ends) {
  if (ends.size() < 2) return;
  const auto& q = Convert(ends);
  painter_.drawLines(q.data(), static_cast<int>(q.size() / 2));
}

void QtSurface::Ellipses(std::span<const workspace::Rect> boxes) {
  // Thousands of equal dots are drawn once into a small image and stamped:
  // without antialiasing the raster is the same at every whole-pixel
  // offset, so the picture does not change, only the cost. Exclusive-or,
  // transformed and high-density painting draw each ellipse, and so do
  // vector devices (SVG, PDF, printers), which would store every stamp as
  // an image of its own.
  const QPaintEngine* engine = painter_.paintEngine();
  const bool stampable = engine && engine->type() == QPaintEngine::Raster &&
                         painter_.compositionMode() == QPainter::CompositionMode_SourceOver &&
                         painter_.transform().isIdentity() &&
                         painter_.device()->devicePixelRatio() == 1 &&
                         !painter_.testRenderHint(QPainter::Antialiasing);
  std::size_t i = 0;
  while (i < boxes.size()) {
    const workspace::Rect& first = boxes[i];
    const int w = first.right - first.left;
    const int h = first.bottom - first.top;
    std::size_t end = i + 1;
    while (end < boxes.size() && boxes[end].right - boxes[end].left == w &&
           boxes[end].bottom - boxes[end].top == h)
      ++end;
    if (!stampable || end - i < 8 || w < 0 || h < 0 || w > 64 || h > 64) {
      for (; i < end; ++i) painter_.drawEllipse(ToQRect(boxes[i]));
      continue;
    }
    const QtSurfaceCache::Stamp& stamp = StampFor(w, h);
    for (; i < end; ++i)
      painter_.drawImage(QPoint(boxes[i].left, boxes[i].top) + stamp.offset, stamp.image);
  }
}

void QtSurface::Image(const workspace::Rect& where, std::span<const workspace::Colour> pixels,
                      int width, int height) {
  if (width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * height) return;
  QImage& image = cache_.image;
  if (image.width() != width || image.height() != height)
    image = QImage(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    const workspace::Colour* from = pixels.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x)
      row[x] = qRgb(workspace::RedOf(from[x]), workspace::GreenOf(from[x]), workspace::BlueOf(from[x]));
  }
  painter_.drawImage(ToQRect(where), image);
}

}  // namespace difscop::app
