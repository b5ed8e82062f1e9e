#include "export/bitmap.h"

#include <limits>

#include "textio/text_writer.h"

namespace difscop::exporter {
namespace {

void Put16(char*& p, std::uint32_t v) {
  *p++ = static_cast<char>(v & 0xFF);
  *p++ = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(char*& p, std::uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p, v >> 16);
}

}  // namespace

std::string EncodeBitmap(const PixelImage& image) {
  if (image.width <= 0 || image.height <= 0) return {};
  std::int64_t row = BitmapRowBytes(image.width);
  std::int64_t imageSize = row * image.height;
  if (imageSize + 54 > std::numeric_limits<std::uint32_t>::max()) return {};
  if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height) return {};

  std::string out(static_cast<std::size_t>(54 + imageSize), '\0');
  char* p = out.data();
  *p++ = 'B';
  *p++ = 'M';
  Put32(p, static_cast<std::uint32_t>(54 + imageSize));
  Put16(p, 0);
  Put16(p, 0);
  Put32(p, 54);
  Put32(p, 40);
  Put32(p, static_cast<std::uint32_t>(image.width));
  Put32(p, static_cast<std::uint32_t>(image.height));  // positive: bottom row first
  Put16(p, 1);
  Put16(p, 24);
  Put32(p, 0);
  Put32(p, static_cast<std::uint32_t>(imageSize));
  for (int i = 0; i < 4; ++i) Put32(p, 0);

  // Padding bytes stay zero from the string's fill.
  for (int y = 0; y < image.height; ++y) {
    const std::uint32_t* src =
        image.pixels.data() + static_cast<std::size_t>(image.height - 1 - y) * image.width;
    unsigned char* dst = reinterpret_cast<unsigned char*>(out.data()) + 54 + y * row;
    for (int x = 0; x < image.width; ++x) {
      std::uint32_t c = src[x];
      *dst++ = static_cast<unsigned char>(c & 0xFF);
      *dst++ = static_cast<unsigned char>((c >> 8) & 0xFF);
      *dst++ = static_cast<unsigned char>((c >> 16) & 0xFF);
    }
  }
  return out;
}

int SaveWindowBitmap(const PixelImage& image, const std::string& path, std::string* error) {
  std::string bytes = EncodeBitmap(image);
  if (bytes.empty()) {
    if (error) *error = path + ": no picture to save";
    return -1;
  }
  return textio::WriteFileAtomically(path, bytes, error) ? 0 : -1;
}

std::string DefaultBitmapName(const std::string& dataFilePath) {
  // Only the file name is cut: a dot in a directory name (~/.local) must not
  // move the picture out of the data's directory.
  const std::size_t slash = dataFilePath.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return dataFilePath.substr(0, dataFilePath.find('.', nameStart + 1)) + ".bmp";
}

void ExportBitmapCommand(workspace::Workspace& ws, platform::Platform& platform,
                         const CaptureFunction& capture) {
  auto path = platform.ChooseSaveFile(
      {"Bit Map File (*.bmp)|*.bmp||", ".bmp", DefaultBitmapName(ws.dataFilePath)});
  if (!path) return;
  ws.bmpFilePath = *path;
  if (!platform.AskOkCancel("Are you sure ?")) return;
  // The picture is rendered afresh from the workspace, so it never shows
  // the remains of the dialogs that were just closed.
  platform.RequestRepaint();
  std::optional<PixelImage> image = capture ? capture() : std::nullopt;
  std::string error = *path + ": no picture to save";
  if (!image || SaveWindowBitmap(*image, *path, &error) != 0) {
    platform.ShowMessage("BitMap file save failed !!!\n" + error);
    return;
  }
  ws.bmpWritten = 1;
}

}  // namespace difscop::exporter
