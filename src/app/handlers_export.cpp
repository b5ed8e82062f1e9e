// Handlers of the export commands: powder formats, Sma4, EMF, BMP, the
// clipboard and the View Graphics viewers.
#include <QClipboard>
#include <QGuiApplication>
#include <QWidget>

#include "app/handlers.h"
#include "app/pictures/qt_pictures.h"
#include "export/bitmap.h"
#include "export/picture_commands.h"
#include "export/powder_commands.h"
#include "export/sma4_writer.h"

namespace difscop::app {

namespace {

// The plot at the window's client size, painted afresh from the workspace.
QImage ClientImage(CommandContext& ctx) {
  return RenderPlotImage(ctx.ws, ctx.platform, ctx.window->width(), ctx.window->height());
}

}  // namespace

void InstallExportHandlers(CommandContext& ctx, HandlerMap& handlers) {
  for (const exporter::PowderFormatInfo& f : exporter::kPowderFormats) {
    const int format = f.format;
    handlers[f.commandId] = [&ctx, format] {
      exporter::ExportPowderCommand(ctx.ws, ctx.platform, format);
    };
  }
  handlers[32803] = [&ctx] { exporter::ExportSma4Command(ctx.ws, ctx.platform, false); };
  handlers[32804] = [&ctx] { exporter::ExportSma4Command(ctx.ws, ctx.platform, true); };
#ifdef DIFSCOP_HAVE_EMF
  handlers[32805] = [&ctx] { exporter::ExportEmfCommand(ctx.ws, ctx.platform, false); };
  handlers[32806] = [&ctx] { exporter::ExportEmfCommand(ctx.ws, ctx.platform, true); };
#endif
  handlers[32836] = [&ctx] {
    exporter::ExportBitmapCommand(ctx.ws, ctx.platform, [&ctx] {
      return std::optional<exporter::PixelImage>(ToPixelImage(ClientImage(ctx)));
    });
  };
  handlers[32837] = [&ctx] {
    ctx.platform.RequestRepaint();
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setImage(ClientImage(ctx));
  };
  handlers[32855] = [&ctx] {
    exporter::ViewGraphicsCommand(ctx.ws, ctx.platform, exporter::Picture::kSma4);
  };
  handlers[32856] = [&ctx] {
    exporter::ViewGraphicsCommand(ctx.ws, ctx.platform, exporter::Picture::kEmf);
  };
  handlers[32857] = [&ctx] {
    exporter::ViewGraphicsCommand(ctx.ws, ctx.platform, exporter::Picture::kBmp);
  };
}

}  // namespace difscop::app
