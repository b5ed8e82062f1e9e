#include "export/emf/metafile_recording.h"

#include "plot/plot.h"
#include "platform/file_writing.h"

namespace difscop::exporter {

std::string PaintMetafile(workspace::Workspace& ws, platform::Platform& platform,
                          const PictureSize& size, const TextMeasure& measure) {
  EmfSurface surface(size.width, size.height, size.pixelWidth, size.pixelHeight, measure);
  if (!surface.Recording()) return {};
  plot::PaintPatternWindow(ws, platform, surface, size.width, size.height);
  return surface.Finish();
}

bool RecordMetafile(workspace::Workspace& ws, platform::Platform& platform, const PictureSize& size,
                    const TextMeasure& measure) {
  std::string bytes = PaintMetafile(ws, platform, size, measure);
  ws.recordingMetafile = 0;
  ws.colorDrawing = 1;
  if (bytes.empty()) {
    platform.ShowMessage("Cannot File Open !!");
    return false;
  }
  return platform::WriteFileOrSay(platform, ws.emfFilePath, bytes, "Cannot File Open !!");
}

}  // namespace difscop::exporter
