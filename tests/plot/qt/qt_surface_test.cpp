#include "app/surface/qt_surface.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <memory>

#include "platform/scripted_platform.h"
#include "plot/geometry.h"
#include "plot/mouse.h"
#include "plot/plot.h"
#include "plot/plot_fixture.h"  // tests/plot

namespace difscop::app {
namespace {

using workspace::Workspace;

QImage Paint(Workspace& ws, int width = 700, int height = 480) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  QPainter painter(&image);
  QtSurface surface(painter);
  platform::ScriptedPlatform p;
  plot::PaintPatternWindow(ws, p, surface, width, height);
  return image;
}

QRgb Rgb(workspace::Colour c) {
  return ToQColor(c).rgb();
}

std::unique_ptr<Workspace> RawPattern() {
  auto ws = plot::testing::MakeWorkspace();
  ws->colBack = 0x800000;
  ws->colBase = 0x000000;
  ws->colFrame = 0x00FFFF;
  ws->colObs = 0x0000FF;
  ws->colFont = 0x00FF80;
  plot::testing::LoadRaw(*ws, 2000, 10.0f, 0.02f, [](int i) { return 1000.0f + (i % 200) * 10; });
  return ws;
}

TEST(QtSurface, ColoursLandWhereThePlotPutsThem) {
  auto ws = RawPattern();
  const QImage image = Paint(*ws);
  EXPECT_EQ(image.pixel(3, 3), qRgb(0, 0, 128));  // client background, BGR order
  EXPECT_EQ(image.pixel(699, 479), qRgb(0, 0, 128));
  EXPECT_EQ(image.pixel(100, 200), qRgb(255, 255, 0));  // left frame edge
  EXPECT_EQ(image.pixel(400, 390), qRgb(255, 255, 0));  // bottom edge
  EXPECT_EQ(image.pixel(400, 60), qRgb(0, 0, 0));       // inside, above the data
  const int px = plot::DeviceX(*ws, ws->obs[500].x);
  const int py = plot::DeviceY(*ws, ws->obs[500].y);
  EXPECT_EQ(image.pixel(px, py), qRgb(255, 0, 0));  // an observed dot
  EXPECT_TRUE(ws->plotDrawn);

  ws->colorDrawing = 0;
  const QImage mono = Paint(*ws);
  EXPECT_EQ(mono.pixel(3, 3), Rgb(plot::testing::kPaper));
  EXPECT_EQ(mono.pixel(400, 60), Rgb(plot::testing::kPaper));
  EXPECT_EQ(mono.pixel(100, 200), Rgb(plot::testing::kInk));
  EXPECT_EQ(mono.pixel(px, py), Rgb(plot::testing::kInk));
}

TEST(QtSurface, LabelFontHasTheRequestedCellAndWidth) {
  QImage image(100, 100, QImage::Format_RGB32);
  QPainter painter(&image);
  QtSurface surface(painter);
  surface.SetFont({"Times New Roman", 18, 9, 0});
  const plot::TextSize size = surface.TextExtent("8000");
  EXPECT_NEAR(size.height, 18, 2);
  EXPECT_NEAR(size.width, 36, 6);
  surface.SetFont({"Times New Roman", 36, 18, 0});
  EXPECT_NEAR(surface.TextExtent("8000").width, 72, 10);
}

TEST(QtSurface, AxisTitleRunsUpwardsLeftOfTheLabels) {
  auto ws = RawPattern();
  const QImage image = Paint(*ws);
  const QRgb font = qRgb(0x80, 0xFF, 0x00);
  int left = 700, right = -1, top = 480, bottom = -1;
  for (int y = 30; y < 390; ++y)
    for (int x = 0; x < 60; ++x)
      if (image.pixel(x, y) == font) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  ASSERT_GE(right, 0);
  // "Intensity / cps" standing on its side: tall and narrow.
  EXPECT_GT(bottom - top, 3 * (right - left));
  EXPECT_GT(bottom - top, 60);
}

TEST(QtSurface, RubberBandDrawnTwiceLeavesNoTrace) {
  auto ws = RawPattern();
  QImage image = Paint(*ws);
  const QImage before = image.copy();
  plot::OnLeftButtonDown(*ws, {200, 100});
  plot::OnMouseMove(*ws, {400, 300});
  {
    QPainter painter(&image);
    QtSurface surface(painter);
    plot::DrawOverlay(*ws, surface);
  }
  EXPECT_NE(image, before);
  EXPECT_NE(image.pixel(300, 100), before.pixel(300, 100));
  {
    QPainter painter(&image);
    QtSurface surface(painter);
    plot::DrawOverlay(*ws, surface);
  }
  EXPECT_EQ(image, before);
}

TEST(QtSurface, BatchedDotsLookLikeSingleEllipses) {
  std::vector<workspace::Rect> boxes;
  for (int i = 0; i < 40; ++i) {
    const int x = 10 + i * 7, y = 20 + (i * 13) % 50;
    const int r = i < 30 ? 1 : 3;
    boxes.push_back({x - r, y - r, x + r, y + r});
  }
  for (int width : {1, 3}) {
    QImage batched(320, 100, QImage::Format_RGB32), single(320, 100, QImage::Format_RGB32);
    batched.fill(Qt::black);
    single.fill(Qt::black);
    for (QImage* image : {&batched, &single}) {
      QPainter painter(image);
      QtSurface surface(painter);
      surface.SetPen({0x0000FF, width, plot::PenStyle::Solid});
      surface.SetBrush(0x00FF00);
      if (image == &batched)
        surface.Ellipses(boxes);
      else
        for (const auto& box : boxes) surface.Ellipse(box);
    }
    EXPECT_EQ(batched, single) << width;
    EXPECT_NE(batched.pixel(10, 20), qRgb(0, 0, 0));
  }
}

}  // namespace
}  // namespace difscop::app

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
