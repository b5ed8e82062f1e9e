// File > Export Picture (PNG, SVG, PDF) and File > Print.
#include <QCheckBox>
#include <QPainter>
#include <QPrintDialog>
#include <QVBoxLayout>
#include <QWidget>
#include <cmath>
#include <filesystem>
#include <memory>

#include "app/commands/command_table.h"
#include "app/handlers.h"
#include "app/pictures/picture_files.h"
#include "app/printing.h"

namespace difscop::app {

namespace {

constexpr const char* kSaveFailed = "Picture file save failed !!!";

std::string DefaultPictureName(const std::string& dataFilePath) {
  if (dataFilePath.empty()) return {};
  return std::filesystem::path(dataFilePath).replace_extension(".png").string();
}

void ExportPicture(CommandContext& ctx, int& lastDpi) {
  std::optional<std::string> path = ctx.platform.ChooseSaveFile(
      {"PNG Image (*.png)|*.png|SVG Drawing (*.svg)|*.svg|PDF Document (*.pdf)|*.pdf||", ".png",
       DefaultPictureName(ctx.ws.dataFilePath)});
  if (!path) return;
  const std::optional<PictureFormat> format = PictureFormatFromName(*path);
  if (!format) {
    ctx.platform.ShowMessage(std::string(kSaveFailed) + "\n" + *path +
                             ": the name must end in .png, .svg or .pdf");
    return;
  }
  platform::PictureSizeDialog size{ctx.window->width(), ctx.window->height(), lastDpi};
  if (!ctx.platform.EditPictureSize(size)) return;
  const PictureSpec spec{
      size.width, size.height, size.dpi,
      size.screenColours ? plot::ColourScheme::kScreen : plot::ColourScheme::kPaper};
  if (std::optional<std::string> problem = PictureSpecProblem(spec)) {
    ctx.platform.ShowMessage(std::string(kSaveFailed) + "\n" + *problem);
    return;
  }
  lastDpi = size.dpi;
  std::string error;
  const bool written = WritePlotPicture(ctx.ws, ctx.platform, *path, *format, spec, &error);
  // The picture's paint has laid the plot out at its own size; the window's
  // next paint lays it out again for the mouse.
  ctx.platform.RequestRepaint();
  if (!written) ctx.platform.ShowMessage(std::string(kSaveFailed) + "\n" + error);
}

// A plot is wider than high: landscape, unless the user turns the page.
void Print(CommandContext& ctx) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromStdString(ctx.ws.windowTitle));
  printer.setPageOrientation(QPageLayout::Landscape);
  QPrintDialog dialog(&printer, ctx.window->window());
  auto* colours = new QWidget;
  colours->setWindowTitle(QStringLiteral("Colours"));
  auto* screen = new QCheckBox(QStringLiteral("Screen colours (dark ground) instead of paper"));
  auto* layout = new QVBoxLayout(colours);
  layout->addWidget(screen);
  layout->addStretch();
  dialog.setOptionTabs({colours});
  if (dialog.exec() != QDialog::Accepted) return;
  const bool printed =
      PrintPlot(ctx.ws, ctx.platform, printer,
                screen->isChecked() ? plot::ColourScheme::kScreen : plot::ColourScheme::kPaper);
  ctx.platform.RequestRepaint();
  if (!printed) {
    const QString where =
        printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    ctx.platform.ShowMessage("Printing failed !!!\n" + where.toStdString() +
                             ": the printer could not be started");
  }
}

}  // namespace

void PaintPage(workspace::Workspace& ws, platform::Platform& platform, QPainter& painter,
               const QSizeF& size, int dpi, plot::ColourScheme scheme) {
  if (dpi <= 0) return;
  const plot::ColourSchemeScope colours(ws, scheme);
  const int width = static_cast<int>(std::lround(size.width() * kScreenDpi / dpi));
  const int height = static_cast<int>(std::lround(size.height() * kScreenDpi / dpi));
  PaintPlotInto(ws, platform, painter, QRectF(QPointF(0, 0), size), width, height);
}

bool PrintPlot(workspace::Workspace& ws, platform::Platform& platform, QPrinter& printer,
               plot::ColourScheme scheme) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // The device is the printable area.
  PaintPage(ws, platform, painter, QSizeF(printer.width(), printer.height()), printer.resolution(),
            scheme);
  return painter.end();
}

void InstallPictureHandlers(CommandContext& ctx, HandlerMap& handlers) {
  auto lastDpi = std::make_shared<int>(kScreenDpi);
  handlers[commands::kIdExportPicture] = [&ctx, lastDpi] { ExportPicture(ctx, *lastDpi); };
  handlers[commands::kIdPrint] = [&ctx] { Print(ctx); };
}

}  // namespace difscop::app
