// 24-bit bitmap files of the plot and the BMP export command.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::exporter {

// Pixels of the rendered plot, top row first, each 0xAARRGGBB (alpha ignored),
// as a QImage of Format_RGB32 holds them.
struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// Bytes of one pixel row in the file: 3 per pixel, padded to a multiple of 4.
inline constexpr std::int64_t BitmapRowBytes(int width) {
  return (3LL * width + 3) / 4 * 4;
}

// The whole file: 14-byte file header, 40-byte information header, rows
// from the bottom up as blue, green, red. Empty for an unusable image.
std::string EncodeBitmap(const PixelImage& image);

// 0 on success; -1 when the image holds no pixels or the file cannot be
// written (an existing file is then left as it was; error says why).
int SaveWindowBitmap(const PixelImage& image, const std::string& path,
                     std::string* error = nullptr);

// The name offered for the bitmap: the data file's path with its file name
// cut before the name's first "." (from its second character on), followed by
// ".bmp".
std::string DefaultBitmapName(const std::string& dataFilePath);

// Renders the plot as the window shows it; nullopt when no pixels could be had.
using CaptureFunction = std::function<std::optional<PixelImage>()>;

// Save dialog, "Are you sure ?", repaint, capture, write.
void ExportBitmapCommand(workspace::Workspace& ws, platform::Platform& platform,
                         const CaptureFunction& capture);

}  // namespace difscop::exporter
