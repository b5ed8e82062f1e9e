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
#include "plot/view.h"

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

// The paint thinned per pixel column against the paint of every point: the
// same pixels for lines and dots of several widths, fits, other axes and
// several patterns, on long noisy patterns with peaks narrower than a pixel.
TEST(QtSurface, ThinnedPaintIsTheFullPaintPixelForPixel) {
  auto noisy = [](int i) {
    const float peak = (i % 997 == 0) ? 40000.0f : (i % 331 < 3 ? 9000.0f : 0.0f);
    return 300.0f + peak + static_cast<float>((i * 7919) % 613) + 0.1f * (i % 7);
  };
  struct Case {
    const char* name;
    std::function<void(workspace::Workspace&)> set;
  };
  const Case cases[] = {
      {"dots", [](auto& ws) { ws.obsDotRadius = 1; }},
      {"big dots", [](auto& ws) { std::tie(ws.obsDotRadius, ws.calcLineWidth) = std::pair{3, 2}; }},
      {"line", [](auto& ws) { ws.obsDotRadius = 0; }},
      {"wide line zoomed", [](auto& ws) {
         std::tie(ws.obsDotRadius, ws.calcLineWidth, ws.xMin, ws.xMax, ws.yMax) =
             std::tuple{0, 2, 30.0f, 60.0f, 5000.0f};
       }},
      {"fit", [](auto& ws) {
         ws.rawLoaded = 0;
         for (int i = 1; i <= ws.obsCount; ++i) ws.calc[i].y = ws.obs[i].y * 0.97f + 20.0f;
       }},
      {"d and log", [](auto& ws) {
         std::tie(ws.obsDotRadius, ws.xAxis, ws.yAxis) =
             std::tuple{0, workspace::XAxis::kD, workspace::YAxis::kLog};
         plot::AutoRangeView(ws);
       }},
      {"several, stacked", [&](auto& ws) {
         workspace::AddPattern(ws, "b", 0x00FF00);
         pt::LoadPoints(ws, {60000}, 12.0f, 0.0013f, [&](int i) { return noisy(i + 5); });
         ws.layout = workspace::Layout::kStack;
         plot::AutoRangeView(ws);
       }},
  };
  for (const Case& c : cases) {
    auto ws = pt::MakeWorkspace();
    pt::LoadPoints(*ws, {workspace::kMaxPoints}, 5.0f, 0.0012f, noisy);
    c.set(*ws);
    QImage image[2];
    // A first paint settles the ticks.
    QImage settle(1400, 900, QImage::Format_RGB32);
    platform::ScriptedPlatform p;
    Draw(settle, [&](QtSurface& s) { plot::PaintPatternWindow(*ws, p, s, 1400, 900); });
    for (int every : {0, 1}) {
      image[every] = QImage(1400, 900, QImage::Format_RGB32);
      plot::SeriesBuffers buffers;
      buffers.everyPoint = every;
      Draw(image[every], [&](QtSurface& s) { plot::PaintPatternWindow(*ws, p, s, 1400, 900, &buffers); });
    }
    int differing = 0, inked = 0;
    for (int y = 0; y < 900; ++y)
      for (int x = 0; x < 1400; ++x) {
        differing += image[0].pixel(x, y) != image[1].pixel(x, y);
        inked += image[1].pixel(x, y) != ToQColor(pt::kBase).rgb() &&
                 image[1].pixel(x, y) != ToQColor(pt::kBack).rgb();
      }
    EXPECT_EQ(differing, 0) << c.name;
    EXPECT_GT(inked, 20000) << c.name;
  }
}

// Texts a window draws again are copied from what they looked like before,
// but only over the same plain background: every paint must give what
// QPainter gives with nothing kept, whatever lies under the text.
TEST(QtSurface, KeptTextsLookAsFreshlyDrawnOnAnyBackground) {
  const auto paint = [](QImage& image, QtSurfaceCache* cache, QRgb ground) {
    image = QImage(420, 160, QImage::Format_RGB32);
    image.fill(ground);
    QPainter painter(&image);
    painter.fillRect(QRect(300, 0, 120, 160), QColor(0, 90, 0));  // half under the last text
    QtSurface s(painter, cache);
    s.SetFont({"Times New Roman", 18, 9, 0});
    s.SetTransparentText(true);
    s.SetTextColour(0x00FFFF);
    s.TextOut(10, 10, "Phase 1");
    s.TextOut(10, 40, "Anatase (TiO2) | gjq");
    s.SetTextColour(0xFF00FF);
    s.TextOut(10, 70, "Phase 1");
    s.SetFont({"Times New Roman", 30, 12, 0});
    s.TextOut(10, 100, "Phase 1");
    s.TextOut(260, 20, "over two grounds");
    return s.TextExtent("Anatase (TiO2) | gjq").width;
  };
  QtSurfaceCache kept;
  for (const QRgb ground : {qRgb(0, 0, 128), qRgb(0, 0, 128), qRgb(255, 255, 255)}) {
    QImage drawn, fresh;
    const int keptWidth = paint(drawn, &kept, ground);
    const int freshWidth = paint(fresh, nullptr, ground);
    EXPECT_EQ(keptWidth, freshWidth);
    EXPECT_TRUE(drawn == fresh) << qRed(ground);
    int inked = 0;
    for (int y = 0; y < 160; ++y)
      for (int x = 0; x < 300; ++x) inked += fresh.pixel(x, y) != ground;
    EXPECT_GT(inked, 300) << "no text was drawn";
  }
  // The texts over one background each were kept, the one over two was not.
  EXPECT_EQ(kept.texts.size(), 8u);
}

}  // namespace
}  // namespace difscop::app

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
