#include "app/pictures/qt_pictures.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cstring>

#include "app/surface/qt_surface.h"
#include "plot/plot.h"

namespace difscop::app {

QImage RenderPlotImage(workspace::Workspace& ws, platform::Platform& platform, int width,
                       int height) {
  QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QtSurface surface(painter);
  plot::PaintPatternWindow(ws, platform, surface, image.width(), image.height());
  return image;
}

exporter::PixelImage ToPixelImage(const QImage& source) {
  exporter::PixelImage out;
  if (source.isNull()) return out;
  QImage image = source.format() == QImage::Format_RGB32
                     ? source
                     : source.convertToFormat(QImage::Format_RGB32);
  out.width = image.width();
  out.height = image.height();
  out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
  for (int y = 0; y < out.height; ++y) {
    std::memcpy(out.pixels.data() + static_cast<std::size_t>(y) * out.width, image.constScanLine(y),
                static_cast<std::size_t>(out.width) * 4);
  }
  return out;
}

#ifdef DIFSCOP_HAVE_EMF
exporter::TextMeasure QtTextMeasure() {
  return [](const plot::FontSpec& spec, std::string_view text) {
    const QFontMetrics metrics(QtSurface::MakeFont(spec));
    const QString s = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    return plot::TextSize{metrics.horizontalAdvance(s), metrics.height()};
  };
}

exporter::PictureSize ScreenPictureSize(int width, int height) {
  exporter::PictureSize size{width, height, 26, 26};
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QSizeF mm = screen->physicalSize();
    const QSize px = screen->size() * screen->devicePixelRatio();
    size.pixelWidth = exporter::PixelSizeHundredthsMm(mm.width(), px.width());
    size.pixelHeight = exporter::PixelSizeHundredthsMm(mm.height(), px.height());
  }
  return size;
}
#endif

}  // namespace difscop::app
