// The export commands in the real window: the bitmap and clipboard pictures of what the window
// shows, the metafile its next paint records, and picture files and printing read back by other
// readers.
#include <QCheckBox>
#include <QClipboard>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSvgRenderer>
#include <cstdlib>

#include "app/commands/command_table.h"
#include "app/pictures/qt_pictures.h"
#include "app/printing.h"
#include "app_test_support.h"
#include "textio/line_reader.h"

namespace difscop::apptest {
namespace {

// The box of an image's pixels that are not white: the plot on a page.
QRect InkBox(const QImage& rgb) {
  QRect box;
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x)
      if (rgb.pixel(x, y) != qRgb(255, 255, 255)) box |= QRect(x, y, 1, 1);
  return box;
}

// The plot on a page against the reference (each the box of its pixels that
// are not white), in 10 x 10 pixel cells: the share of cells whose mean
// colours are within 40 levels. Forgives font hinting and antialiasing, not
// a missing curve, frame or label block.
double SimilarCells(const QImage& page, const QImage& reference) {
  const QImage rgb = page.convertToFormat(QImage::Format_RGB32);
  const QImage ref = reference.convertToFormat(QImage::Format_RGB32);
  const QRect box = InkBox(rgb), refBox = InkBox(ref);
  if (box.isEmpty() || refBox.isEmpty()) return 0.0;
  const QSize cells = refBox.size() / 10;
  const QImage a = rgb.copy(box).scaled(cells, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const QImage b = ref.copy(refBox).scaled(cells, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  int same = 0;
  for (int y = 0; y < cells.height(); ++y) {
    for (int x = 0; x < cells.width(); ++x) {
      const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
      const int d = std::abs(p.red() - q.red()) + std::abs(p.green() - q.green());
      same += d + std::abs(p.blue() - q.blue()) < 40;
    }
  }
  return static_cast<double>(same) / (cells.width() * cells.height());
}

QImage ReadPdf(const std::string& pdf, const std::string& stem) {
  const std::string command = "pdftoppm -r 96 -png -singlefile '" + pdf + "' '" + stem + "'";
  if (std::system(command.c_str()) != 0) return {};
  return QImage(QString::fromStdString(stem + ".png"));
}

}  // namespace

TEST(ExportWindow, PowderBitmapClipboardMetafilePictureFilesAndPrinting) {
  ScratchDir dir;
  TestFrame t;
  t.OpenXy(dir.File("raw.xy"));
  ASSERT_EQ(t.ws().rawLoaded, 1);
  TestPlatform& p = t.platform();
  // The bitmap: the client area, read back by Qt's own reader.
  p.saveAnswers.push_back(dir.File("plot.bmp"));
  p.okCancelAnswers.push_back(true);
  t.frame.RunCommand(32836);
  EXPECT_EQ(p.saveRequests.back().initialName, dir.File("raw.bmp"));
  EXPECT_EQ(t.ws().bmpWritten, 1);
  const QImage bmp(QString::fromStdString(dir.File("plot.bmp")));
  ASSERT_EQ(bmp.size(), t.window().size());
  // The corner shows the window's background colour (colBack, 0x800000: navy).
  EXPECT_EQ(bmp.pixelColor(1, 1), QColor(0, 0, 0x80));
  // The clipboard gets the same picture.
  t.frame.RunCommand(32837);
  const QImage clip = QGuiApplication::clipboard()->image();
  if (!clip.isNull()) {
    EXPECT_EQ(clip.convertToFormat(QImage::Format_RGB32),
              bmp.convertToFormat(QImage::Format_RGB32));
  }
  // The metafile is recorded by the next paint, in black and white, after
  // which the window draws in colour again.
  p.saveAnswers.push_back(dir.File("plot.emf"));
  t.frame.RunCommand(32805);
  for (int i = 0; i < 20 && t.ws().recordingMetafile; ++i) t.Settle();
  EXPECT_EQ(t.ws().colorDrawing, 1);
  const std::string emf = textio::ReadWholeFile(dir.File("plot.emf")).value_or("");
  ASSERT_GT(emf.size(), 100u);
  EXPECT_EQ(emf.substr(40, 4), " EMF");
  EXPECT_EQ(t.ws().emfWritten, 1);

  const QSize size(500, 340);
  auto exportAs = [&](const std::string& name, int dpi, bool screen = false) {
    p.saveAnswers.push_back(dir.File(name));
    p.pictureSizeAnswers.push_back(
        platform::PictureSizeDialog{size.width(), size.height(), dpi, screen});
    t.frame.RunCommand(commands::kIdExportPicture);
    return dir.File(name);
  };
  // Pictures are on paper, white with dark lettering; the window's own
  // colours on request, as its bitmap has them.
  const QImage png(QString::fromStdString(exportAs("plot.png", 96)));
  ASSERT_EQ(png.size(), size);
  EXPECT_EQ(p.pictureSizeShown.back().width, t.window().width());
  EXPECT_EQ(p.saveRequests.back().initialName, dir.File("raw.png"));
  EXPECT_EQ(png.pixelColor(1, 1), QColor(Qt::white));
  const QImage screen(QString::fromStdString(exportAs("screen.png", 96, true)));
  EXPECT_EQ(screen.pixelColor(1, 1), QColor(0, 0, 0x80));
  const QImage window = app::RenderPlotImage(t.ws(), p, size.width(), size.height());
  EXPECT_GT(SimilarCells(screen, window), 0.9);
  // Every other way out shows the plot of the png; a different plot does not.
  EXPECT_LT(SimilarCells(window, png), 0.5);
  const std::pair<std::string, std::function<QImage()>> cases[] = {
      {"png",
       [&] {
         QImage page(QString::fromStdString(exportAs("plot_hi.png", 192)));
         EXPECT_EQ(page.size(), size * 2);
         return page;
       }},
      {"svg",
       [&] {
         QSvgRenderer svg(QString::fromStdString(exportAs("plot.svg", 192)));
         QImage page(size, QImage::Format_RGB32);
         page.fill(Qt::white);
         QPainter painter(&page);
         svg.render(&painter);
         return page;
       }},
      {"pdf", [&] { return ReadPdf(exportAs("plot.pdf", 192), dir.File("pdf_page")); }},
  };
  const bool poppler = std::system("command -v pdftoppm >/dev/null 2>&1") == 0;
  for (const auto& [name, read] : cases) {
    if (!poppler && name.ends_with("pdf")) {
      std::printf("pdftoppm (poppler-utils) not installed: %s not read back\n", name.c_str());
      continue;
    }
    EXPECT_GT(SimilarCells(read(), png), 0.9) << name;
  }
  // Print offers a landscape page and the screen's colours as an option.
  EXPECT_TRUE(WithModalAs<QPrintDialog>([&] { t.frame.RunCommand(commands::kIdPrint); },
                                        [](QPrintDialog* d) {
                                          EXPECT_EQ(d->printer()->pageLayout().orientation(),
                                                    QPageLayout::Landscape);
                                          int screen = 0;
                                          for (QCheckBox* box : d->findChildren<QCheckBox*>())
                                            screen += box->text().startsWith("Screen colours");
                                          EXPECT_EQ(screen, 1);
                                          d->reject();
                                        }));
  // The plot fills the printable area of an A4 page, on paper (the frame's
  // margins for the lettering aside). A page laid out at that size in window
  // pixels is what it shows.
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(dir.File("printed.pdf")));
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Landscape);
  ASSERT_TRUE(app::PrintPlot(t.ws(), p, printer));
  const QRect printable = printer.pageLayout().paintRectPixels(96);
  QImage laidOut(printable.size(), QImage::Format_RGB32);
  {
    QPainter painter(&laidOut);
    app::PaintPage(t.ws(), p, painter, printable.size(), 96, plot::ColourScheme::kPaper);
  }
  if (poppler) {
    const QImage page = ReadPdf(dir.File("printed.pdf"), dir.File("printed"));
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.width(), page.height());
    const QRect ink = InkBox(page.convertToFormat(QImage::Format_RGB32));
    EXPECT_GT(ink.width(), 0.8 * page.width());
    EXPECT_GT(ink.height(), 0.75 * page.height());
    EXPECT_GT(SimilarCells(page, laidOut), 0.9);
  }
  EXPECT_EQ(laidOut.pixelColor(1, 1), QColor(Qt::white));
  EXPECT_GT(InkBox(laidOut).height(), 0.8 * laidOut.height());
  // Failures say which file and why, and leave what was there.
  const std::size_t messages = p.messages.size();
  exportAs("missing/plot.svg", 96);
  ASSERT_EQ(p.messages.size(), messages + 1);
  EXPECT_EQ(p.messages.back().rfind("Picture file save failed !!!\n", 0), 0u);
  EXPECT_NE(p.messages.back().find("\n" + dir.File("missing/plot.svg") + ": "), std::string::npos)
      << p.messages.back();
  exportAs("plot.jpg", 96);
  EXPECT_EQ(p.messages.size(), messages + 2);
  EXPECT_FALSE(std::filesystem::exists(dir.File("plot.jpg")));
}

}  // namespace difscop::apptest
