// The plot as pictures on the Qt side: rendered through the window's own
// paint into an image, measured with Qt's fonts for metafiles.
#pragma once

#include <QImage>

#include "export/bitmap.h"
#include "platform/platform.h"
#include "workspace/workspace.h"

#ifdef DIFSCOP_HAVE_EMF
#include "export/emf/emf_surface.h"
#include "export/emf/metafile_recording.h"
#endif

namespace difscop::app {

// Paints the plot as the window would at that client size.
QImage RenderPlotImage(workspace::Workspace& ws, platform::Platform& platform, int width,
                       int height);

exporter::PixelImage ToPixelImage(const QImage& image);

#ifdef DIFSCOP_HAVE_EMF
// Text extents as the window's label font gives them.
exporter::TextMeasure QtTextMeasure();

// The client size with the primary screen's pixel size in hundredths of a
// millimetre (96 dots per inch when the screen does not say).
exporter::PictureSize ScreenPictureSize(int width, int height);
#endif

}  // namespace difscop::app
