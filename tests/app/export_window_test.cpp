// The export commands in the real window: bitmap and clipboard pictures of
// what the window shows, the metafile its paint records, picture files and
// printing read back by other readers.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QSvgRenderer>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "app/commands/command_table.h"
#include "app/pictures/qt_pictures.h"
#include "app/printing.h"
#include "app_test_support.h"
#include "textio/line_reader.h"

namespace difscop::apptest {
namespace {

std::string Slurp(const std::string& path) {
  return textio::ReadWholeFile(path).value_or("");
}

}  // namespace

TEST(ExportWindow, PowderBitmapClipboardAndMetafile) {
  ScratchDir dir;
  TestFrame t;
  t.OpenXy(dir.File("raw.xy"));
  ASSERT_EQ(t.ws().rawLoaded, 1);
  const QSize client = t.window().size();

  // A powder export through the menu command.
  t.platform().dataTypeAnswers.push_back(0);
  t.platform().saveAnswers.push_back(dir.File("out.dat"));
  t.frame.RunCommand(32799);
  EXPECT_EQ(t.platform().messages.back(), "Successfully Saved !");
  EXPECT_EQ(Slurp(dir.File("out.dat")).substr(0, 20), " 10.0000       100\r\n");

  // The bitmap: the client area, read back by Qt's own reader.
  t.platform().saveAnswers.push_back(dir.File("plot.bmp"));
  t.platform().okCancelAnswers.push_back(true);
  t.frame.RunCommand(32836);
  EXPECT_EQ(t.platform().saveRequests.back().initialName, dir.File("raw.bmp"));
  EXPECT_EQ(t.ws().bmpWritten, 1);
  const QImage bmp(QString::fromStdString(dir.File("plot.bmp")));
  ASSERT_EQ(bmp.size(), client);
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
  t.platform().saveAnswers.push_back(dir.File("plot.emf"));
  t.frame.RunCommand(32805);
  EXPECT_EQ((std::vector<int>{t.ws().recordingMetafile, t.ws().colorDrawing}),
            (std::vector<int>{1, 0}));
  for (int i = 0; i < 20 && t.ws().recordingMetafile; ++i) t.Settle();
  EXPECT_EQ((std::vector<int>{t.ws().recordingMetafile, t.ws().colorDrawing}),
            (std::vector<int>{0, 1}));
  const std::string emf = Slurp(dir.File("plot.emf"));
  ASSERT_GT(emf.size(), 100u);
  EXPECT_EQ(emf.substr(40, 4), " EMF");
  EXPECT_EQ(t.ws().emfWritten, 1);
}

namespace {

// The plot within a page: the box of the pixels that are not white, scaled
// to the size of the reference.
QImage PlotOnPage(const QImage& page, QSize size) {
  const QImage rgb = page.convertToFormat(QImage::Format_RGB32);
  int left = rgb.width(), top = rgb.height(), right = -1, bottom = -1;
  for (int y = 0; y < rgb.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) {
      if (row[x] == qRgb(255, 255, 255)) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return {};
  return rgb.copy(left, top, right - left + 1, bottom - top + 1)
      .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Share of 10 x 10 pixel cells whose mean colour is within 40 levels of the
// reference's: a coarse comparison that forgives font hinting and
// antialiasing but not a missing curve, frame or label block.
double SimilarCells(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.isNull()) return 0.0;
  const QSize cells = a.size() / 10;
  const QImage ca = a.scaled(cells, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const QImage cb = b.scaled(cells, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  int same = 0;
  for (int y = 0; y < cells.height(); ++y) {
    for (int x = 0; x < cells.width(); ++x) {
      const QColor p = ca.pixelColor(x, y), q = cb.pixelColor(x, y);
      same += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
                  std::abs(p.blue() - q.blue()) <
              40;
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

TEST(ExportWindow, PictureFilesAndPrintingShowThePlotOfThePng) {
  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "pdftoppm (poppler-utils) not installed: PDF pictures are not read back";
  }
  ScratchDir dir;
  TestFrame t;
  t.OpenXy(dir.File("raw.xy"));
  const QSize size(500, 340);
  auto exportAs = [&](const std::string& name, int dpi) {
    t.platform().saveAnswers.push_back(dir.File(name));
    t.platform().pictureSizeAnswers.push_back(
        platform::PictureSizeDialog{size.width(), size.height(), dpi});
    t.frame.RunCommand(commands::kIdExportPicture);
    return dir.File(name);
  };
  const QImage png(QString::fromStdString(exportAs("plot.png", 96)));
  ASSERT_EQ(png.size(), size);
  EXPECT_EQ(t.platform().pictureSizeShown.back().width, t.window().width());
  EXPECT_EQ(t.platform().saveRequests.back().initialName, dir.File("raw.png"));
  // A different plot must not pass for the same one.
  t.ws().colorDrawing = 0;
  EXPECT_LT(
      SimilarCells(png, app::RenderPlotImage(t.ws(), t.platform(), size.width(), size.height())),
      0.5);
  t.ws().colorDrawing = 1;

  const std::pair<const char*, std::function<QImage()>> cases[] = {
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
      {"printed",  // to a PDF file: the plot scaled onto the page
       [&] {
         QPrinter printer(QPrinter::HighResolution);
         printer.setOutputFormat(QPrinter::PdfFormat);
         printer.setOutputFileName(QString::fromStdString(dir.File("printed.pdf")));
         EXPECT_TRUE(app::PrintPlot(t.ws(), t.platform(), printer, size.width(), size.height()));
         return ReadPdf(dir.File("printed.pdf"), dir.File("printed"));
       }},
  };
  for (const auto& [name, read] : cases) {
    EXPECT_GT(SimilarCells(PlotOnPage(read(), size), png), 0.9) << name;
  }

  // Failures say which file and why, and leave what was there.
  const std::size_t messages = t.platform().messages.size();
  exportAs("missing/plot.svg", 96);
  ASSERT_EQ(t.platform().messages.size(), messages + 1);
  EXPECT_NE(t.platform().messages.back().find("Picture file save failed !!!\n"), std::string::npos);
  EXPECT_NE(t.platform().messages.back().find("\n" + dir.File("missing/plot.svg") + ": "),
            std::string::npos)
      << t.platform().messages.back();
  std::filesystem::create_directory(dir.File("taken.pdf"));
  exportAs("taken.pdf", 96);
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("taken.pdf")));
  exportAs("plot.jpg", 96);
  EXPECT_EQ(t.platform().messages.size(), messages + 3);
  EXPECT_FALSE(std::filesystem::exists(dir.File("plot.jpg")));
}

}  // namespace difscop::apptest
