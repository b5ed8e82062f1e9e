#include "app/pictures/picture_files.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "app/surface/qt_surface.h"
#include "plot/plot.h"
#include "textio/text_writer.h"

namespace difscop::app {
namespace {

constexpr int kMinSide = 16;
constexpr int kMaxSide = 16384;
constexpr int kMinDpi = 24;
constexpr int kMaxDpi = 2400;
constexpr int kMaxPngSide = 20000;

double Scale(const PictureSpec& spec) {
  return static_cast<double>(spec.dpi) / kScreenDpi;
}

// Device size of the picture: its layout size at the chosen resolution.
QSize DeviceSize(const PictureSpec& spec) {
  const double s = Scale(spec);
  return QSize(static_cast<int>(std::lround(spec.width * s)),
               static_cast<int>(std::lround(spec.height * s)));
}

// The whole plot on a painter whose device is the picture at DeviceSize.
void PaintScaled(workspace::Workspace& ws, platform::Platform& platform, QPainter& painter,
                 const PictureSpec& spec) {
  const QSize device = DeviceSize(spec);
  PaintPlotInto(ws, platform, painter, QRectF(0, 0, device.width(), device.height()), spec.width,
                spec.height);
}

std::string Png(workspace::Workspace& ws, platform::Platform& platform, const PictureSpec& spec) {
  QImage image(DeviceSize(spec), QImage::Format_RGB32);
  if (image.isNull()) return {};
  image.fill(Qt::white);
  const int dotsPerMetre = static_cast<int>(std::lround(spec.dpi / 0.0254));
  image.setDotsPerMeterX(dotsPerMetre);
  image.setDotsPerMeterY(dotsPerMetre);
  {
    QPainter painter(&image);
    PaintScaled(ws, platform, painter, spec);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return {};
  return bytes.toStdString();
}

std::string Svg(workspace::Workspace& ws, platform::Platform& platform, const PictureSpec& spec) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const QSize device = DeviceSize(spec);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(device);
  generator.setViewBox(QRect(QPoint(0, 0), device));
  generator.setResolution(spec.dpi);
  generator.setTitle(QString::fromStdString(ws.windowTitle));
  generator.setDescription(QStringLiteral("Difscop plot"));
  {
    QPainter painter;
    if (!painter.begin(&generator)) return {};
    PaintScaled(ws, platform, painter, spec);
  }
  return bytes.toStdString();
}

std::string Pdf(workspace::Workspace& ws, platform::Platform& platform, const PictureSpec& spec) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("Difscop"));
    writer.setTitle(QString::fromStdString(ws.windowTitle));
    writer.setResolution(spec.dpi);
    // A page of exactly the picture's size: 72 points an inch.
    const QSizeF points(spec.width * 72.0 / kScreenDpi, spec.height * 72.0 / kScreenDpi);
    writer.setPageSize(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&writer)) return {};
    PaintPlotInto(ws, platform, painter, QRectF(0, 0, writer.width(), writer.height()), spec.width,
                  spec.height);
  }
  return bytes.toStdString();
}

}  // namespace

std::optional<PictureFormat> PictureFormatFromName(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".png") return PictureFormat::kPng;
  if (extension == ".svg") return PictureFormat::kSvg;
  if (extension == ".pdf") return PictureFormat::kPdf;
  return std::nullopt;
}

std::optional<std::string> PictureSpecProblem(const PictureSpec& spec) {
  if (spec.width < kMinSide || spec.height < kMinSide || spec.width > kMaxSide ||
      spec.height > kMaxSide) {
    return "Width and height must be from " + std::to_string(kMinSide) + " to " +
           std::to_string(kMaxSide) + " pixels";
  }
  if (spec.dpi < kMinDpi || spec.dpi > kMaxDpi) {
    return "The resolution must be from " + std::to_string(kMinDpi) + " to " +
           std::to_string(kMaxDpi) + " dpi";
  }
  const QSize device = DeviceSize(spec);
  if (device.width() > kMaxPngSide || device.height() > kMaxPngSide) {
    return "At that resolution the picture would be more than " + std::to_string(kMaxPngSide) +
           " pixels wide or high";
  }
  return std::nullopt;
}

std::string EncodePlotPicture(workspace::Workspace& ws, platform::Platform& platform,
                              PictureFormat format, const PictureSpec& spec) {
  if (PictureSpecProblem(spec)) return {};
  const plot::ColourSchemeScope colours(ws, spec.scheme);
  switch (format) {
    case PictureFormat::kPng:
      return Png(ws, platform, spec);
    case PictureFormat::kSvg:
      return Svg(ws, platform, spec);
    case PictureFormat::kPdf:
      return Pdf(ws, platform, spec);
  }
  return {};
}

bool WritePlotPicture(workspace::Workspace& ws, platform::Platform& platform,
                      const std::string& path, PictureFormat format, const PictureSpec& spec,
                      std::string* error) {
  if (std::optional<std::string> problem = PictureSpecProblem(spec)) {
    if (error) *error = *problem;
    return false;
  }
  const std::string bytes = EncodePlotPicture(ws, platform, format, spec);
  if (bytes.empty()) {
    if (error) *error = path + ": the picture could not be drawn";
    return false;
  }
  std::string why;
  if (textio::WriteFileAtomically(path, bytes, &why)) return true;
  // The writer names its temporary file; the user knows the file chosen.
  const std::size_t cut = why.rfind(": ");
  if (error) *error = path + ": " + (cut == std::string::npos ? why : why.substr(cut + 2));
  return false;
}

void PaintPlotInto(workspace::Workspace& ws, platform::Platform& platform, QPainter& painter,
                   const QRectF& target, int width, int height) {
  if (width <= 0 || height <= 0 || target.isEmpty()) return;
  const double s = std::min(target.width() / width, target.height() / height);
  painter.save();
  painter.translate(target.left() + (target.width() - width * s) / 2,
                    target.top() + (target.height() - height * s) / 2);
  painter.scale(s, s);
  painter.setClipRect(QRect(0, 0, width, height));
  {
    QtSurface surface(painter);
    plot::PaintPatternWindow(ws, platform, surface, width, height);
  }
  painter.restore();
}

}  // namespace difscop::app
