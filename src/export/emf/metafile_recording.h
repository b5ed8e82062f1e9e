// The paint that an EMF export sets up: the window's own paint recorded
// into a metafile and written to the chosen file.
#pragma once

#include "export/emf/emf_surface.h"
#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::exporter {

struct PictureSize {
  int width = 0;  // client area, pixels
  int height = 0;
  int pixelWidth = 26;  // one screen pixel, hundredths of a millimetre
  int pixelHeight = 26;
};

// The plot as it is painted now, recorded as metafile bytes (empty when the
// recording could not be made). Draws in colour or black and white after
// ws.colorDrawing.
std::string PaintMetafile(workspace::Workspace& ws, platform::Platform& platform,
                          const PictureSize& size, const TextMeasure& measure = {});

// Called by the paint while ws.recordingMetafile is set: records the plot,
// writes it to ws.emfFilePath (replacing the file only when complete), ends
// the recording and returns to colour drawing. The window then paints
// itself as usual. "Cannot File Open !!" and false when it cannot be written.
bool RecordMetafile(workspace::Workspace& ws, platform::Platform& platform, const PictureSize& size,
                    const TextMeasure& measure = {});

}  // namespace difscop::exporter
