// The QPainter surface, painted into images.
#include "app/surface/qt_surface.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <functional>

#include "platform/scripted_platform.h"
#include "plot/geometry.h"
#include "plot/mouse.h"
#include "plot/plot_fixture.h"  // tests/plot

namespace difscop::app {
namespace {

namespace pt = plot::testing;

void Draw(QImage& image, const std::function<void(QtSurface&)>& draw) {
  QPainter painter(&image);
  QtSurface surface(painter);
  draw(surface);
}

TEST(QtSurface, ColoursLandWhereThePlotPutsThemARubberBandDrawnTwiceLeavesNoTrace) {
  // A raw pattern in colours of distinct bytes (colours are 0x00BBGGRR).
  auto ws = pt::MakeWorkspace();
  std::tie(ws->colBack, ws->colBase, ws->colFrame, ws->colObs, ws->colFont) =
      std::tuple{0x800000u, 0x000000u, 0x00FFFFu, 0x0000FFu, 0x00FF80u};
  pt::LoadPoints(*ws, {2000}, 10.0f, 0.02f, [](int i) { return 1000.0f + (i % 200) * 10; });
  const QRgb ink = ToQColor(pt::kInk).rgb(), paper = ToQColor(pt::kPaper).rgb();
  // The client's corners, the frame edge, inside the frame, a dot; in colour, then mono.
  const QRgb colour[2][5] = {
      {qRgb(0, 0, 128), qRgb(0, 0, 128), qRgb(255, 255, 0), qRgb(0, 0, 0), qRgb(255, 0, 0)},
      {paper, paper, ink, paper, ink}};
  for (int mono : {0, 1}) {
    ws->colorDrawing = !mono;
    QImage image(700, 480, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    platform::ScriptedPlatform p;
    Draw(image, [&](QtSurface& s) { plot::PaintPatternWindow(*ws, p, s, 700, 480); });
    const QPoint dot(plot::DeviceX(*ws, ws->obs[500].x), plot::DeviceY(*ws, ws->obs[500].y));
    const QPoint at[] = {{3, 3}, {699, 479}, {100, 200}, {400, 60}, dot};
    for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(image.pixel(at[k]), colour[mono][k]) << mono << k;
    const QImage before = image.copy();
    plot::OnLeftButtonDown(*ws, {200, 100});
    plot::OnMouseMove(*ws, {400, 300});
    Draw(image, [&](QtSurface& s) { plot::DrawOverlay(*ws, s); });
    EXPECT_NE(image.pixel(300, 100), before.pixel(300, 100));
    Draw(image, [&](QtSurface& s) { plot::DrawOverlay(*ws, s); });
    EXPECT_EQ(image, before) << mono;
  }
}

TEST(QtSurface, BatchedDotsLookLikeSingleEllipses) {
  std::vector<workspace::Rect> boxes;
  for (int i = 0; i < 40; ++i) {
    const int x = 10 + i * 7, y = 20 + (i * 13) % 50, r = i < 30 ? 1 : 3;
    boxes.push_back({x - r, y - r, x + r, y + r});
  }
  for (int width : {1, 3}) {
    QImage image[2];  // single, batched
    for (int batched : {0, 1}) {
      image[batched] = QImage(320, 100, QImage::Format_RGB32);
      image[batched].fill(Qt::black);
      Draw(image[batched], [&](QtSurface& s) {
        s.SetPen({0x0000FF, width, plot::PenStyle::Solid});
        s.SetBrush(0x00FF00);
        if (batched) s.Ellipses(boxes);
        for (const auto& box : boxes)
          if (!batched) s.Ellipse(box);
      });
    }
    EXPECT_TRUE(image[0] == image[1] && image[1].pixel(10, 20) != qRgb(0, 0, 0)) << width;
  }
}

}  // namespace
}  // namespace difscop::app

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
