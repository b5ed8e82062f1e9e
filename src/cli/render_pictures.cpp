// The picture files of difscop-cli render: bitmap, metafile and Sma4 graph
// file, through the writers the window's export commands use.
#include <cstdio>
#include <string>

#include "app/pictures/qt_pictures.h"
#include "cli/cli_platform.h"
#include "cli/commands.h"
#include "export/bitmap.h"
#include "export/sma4_writer.h"

namespace difscop::cli {
namespace {

bool EndsWith(const std::string& text, const char* suffix) {
  const std::string s(suffix);
  if (text.size() < s.size()) return false;
  std::string tail = text.substr(text.size() - s.size());
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == s;
}

}  // namespace

int RenderPictureFile(workspace::Workspace& ws, const std::string& out, int width, int height) {
  CliPlatform platform;
  if (EndsWith(out, ".smp")) {
    return exporter::WriteSma4File(ws, platform, ws.colorDrawing != 0, out) ? 0 : 1;
  }
  if (EndsWith(out, ".bmp")) {
    QImage image = app::RenderPlotImage(ws, platform, width, height);
    std::string error;
    if (exporter::SaveWindowBitmap(app::ToPixelImage(image), out, &error) != 0) {
      std::fprintf(stderr, "BitMap file save failed !!!\n%s\n", error.c_str());
      return 1;
    }
    return 0;
  }
#ifdef DIFSCOP_HAVE_EMF
  if (EndsWith(out, ".emf")) {
    ws.emfFilePath = out;
    ws.recordingMetafile = 1;
    // 96 dots per inch, whatever screen the tool runs on, so files compare.
    exporter::PictureSize size{width, height, 26, 26};
    return exporter::RecordMetafile(ws, platform, size, app::QtTextMeasure()) ? 0 : 1;
  }
#endif
  return -1;
}

}  // namespace difscop::cli
