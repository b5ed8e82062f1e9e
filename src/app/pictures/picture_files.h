// The plot as PNG, SVG and PDF files and on any other Qt paint device,
// drawn through the window's own paint. Files are encoded in memory and
// written in one atomic step, so a failed export leaves the old file.
#pragma once

#include <QPainter>
#include <QRectF>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "plot/colour_scheme.h"
#include "workspace/workspace.h"

namespace difscop::app {

enum class PictureFormat { kPng, kSvg, kPdf };

// The format a file name asks for by its extension (any letter case).
std::optional<PictureFormat> PictureFormatFromName(const std::string& path);

// The plot is laid out as the window would lay it out at width x height;
// dpi says how finely that is drawn: 96 draws one pixel for each window
// pixel, 300 about three. A PNG therefore has width * dpi / 96 pixels a
// side, an SVG or PDF picture is width / 96 inches wide whatever the dpi.
struct PictureSpec {
  int width = 700;
  int height = 480;
  int dpi = 96;
  plot::ColourScheme scheme = plot::ColourScheme::kPaper;
};

inline constexpr int kScreenDpi = 96;

// Why a spec cannot be drawn (sizes 16 to 16384, 24 to 2400 dpi, a PNG of at
// most 20000 pixels a side); nullopt when it can.
std::optional<std::string> PictureSpecProblem(const PictureSpec& spec);

// The file's bytes; empty when the picture could not be made.
std::string EncodePlotPicture(workspace::Workspace& ws, platform::Platform& platform,
                              PictureFormat format, const PictureSpec& spec);

// Encodes and writes. On failure error says why (the file and the system's
// reason) and an existing file is left as it was.
bool WritePlotPicture(workspace::Workspace& ws, platform::Platform& platform,
                      const std::string& path, PictureFormat format, const PictureSpec& spec,
                      std::string* error);

// Paints the plot laid out at width x height into target, scaled evenly to
// fit and centred, in the colours the view has.
void PaintPlotInto(workspace::Workspace& ws, platform::Platform& platform, QPainter& painter,
                   const QRectF& target, int width, int height);

}  // namespace difscop::app
