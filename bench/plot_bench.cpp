// Painting the plot. Repaint/...: whole window repaints at 1400 x 900 as the
// window makes them (its kept picture, surface cache and series buffers):
// one measured pattern of 99,999 points, 50 patterns of 5,000 overlaid, and
// a map of 1,000 patterns of 5,000, each thinned per pixel column against
// the same paint drawing every point (the drawing before thinning); the map
// against its limit of 16 ms.
//
// Painting the series of a fitted pattern. Paint/19999: a three-phase fit of
// 19999 points painted as the window repaints it (a new QPainter, the
// window's kept buffers and dot stamps) against the same drawing done bare:
// the same QPainter calls with the same pens, the same polylines and lines
// and the same dot stamps, from points converted beforehand. The allocations
// one repaint makes are counted too. Scaling/paint/<n>: the paint at n points
// against the reference size.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <tuple>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/surface/qt_surface.h"
#include "paired.h"
#include "patterns.h"
#include "platform/scripted_platform.h"
#include "plot/palette.h"
#include "plot/view.h"
#include "plot/geometry.h"
#include "plot/plot.h"
#include "workspace/workspace.h"

// Every allocation of the program is counted, so a repaint that allocates
// shows it.
namespace {
std::atomic<long> gAllocations{0};
}
void* operator new(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

namespace bench = difscop::bench;
using difscop::app::QtSurface;
using difscop::app::QtSurfaceCache;
using difscop::workspace::Workspace;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kPoints = 19999;

// A fit of n points from 5 to 125 degrees with three phases of reflections.
std::unique_ptr<Workspace> MakeFit(int n) {
  auto ws = std::make_unique<Workspace>();
  difscop::workspace::ResetWorkspace(*ws);
  for (int i = 1; i <= n; ++i) {
    const float x = 5.0f + 120.0f * static_cast<float>(i - 1) / static_cast<float>(n - 1);
    const float peak = 20000.0f * std::exp(-std::pow(std::fmod(x, 7.0f) - 3.5f, 2.0f) * 40.0f);
    ws->obs[i] = {x, 300.0f + peak + static_cast<float>((i * 7919) % 97)};
    ws->calc[i] = {x, 300.0f + peak};
  }
  ws->obsCount = n;
  ws->stepWidth = ws->obs[2].x - ws->obs[1].x;
  ws->segmentCount = 1;
  ws->segmentPointCount[1] = n;
  ws->phaseCount = 3;
  for (int k = 1; k <= 3; ++k) {
    ws->reflectionCount[k] = 400;
    for (int i = 1; i <= 400; ++i) ws->reflectionPos[k][i] = 5.0f + 0.3f * i + 0.05f * k;
  }
  ws->rawLoaded = 0;
  ws->blankPlot = 0;
  difscop::workspace::AutoRange(*ws);
  difscop::workspace::ChooseTicks(*ws);
  return ws;
}

// One drawing call of the series, as QtSurface handed it to QPainter.
// The legend's box and few texts are passed on through a surface on both sides.
struct Call {
  enum Kind { kPen, kBrush, kPolyline, kLines, kDots, kFont, kTextColour, kTransparent, kText, kFill } kind;
  QPen pen;
  QBrush brush;
  std::vector<QPoint> points;  // polyline points, line ends or dot corners; text origin
  int width = 0, height = 0;   // of the dots
  difscop::plot::FontSpec font{};
  difscop::workspace::Colour colour = 0;
  bool transparent = false;
  std::string text;
  std::vector<difscop::workspace::DevicePoint> line;  // a polyline's points as given
  difscop::plot::Pen plotPen{};
};

// The window's surface, noting each call as it passes it on.
class RecordingSurface : public QtSurface {
 public:
  RecordingSurface(QPainter& painter, QtSurfaceCache& cache, std::vector<Call>& calls)
      : QtSurface(painter, &cache), painter_(painter), calls_(calls) {}
  void SetPen(const difscop::plot::Pen& pen) override {
    QtSurface::SetPen(pen);
    Call call{Call::kPen, painter_.pen(), {}, {}};
    call.plotPen = pen;
    calls_.push_back(std::move(call));
  }
  void SetBrush(std::optional<difscop::workspace::Colour> fill) override {
    QtSurface::SetBrush(fill);
    calls_.push_back({Call::kBrush, {}, painter_.brush(), {}});
  }
  void Polyline(std::span<const difscop::workspace::DevicePoint> points) override {
    QtSurface::Polyline(points);
    if (points.size() < 2) return;
    Call call{Call::kPolyline, {}, {}, Convert(points)};
    call.line.assign(points.begin(), points.end());
    calls_.push_back(std::move(call));
  }
  void Segments(std::span<const difscop::workspace::DevicePoint> ends) override {
    QtSurface::Segments(ends);
    if (ends.size() >= 2) calls_.push_back({Call::kLines, {}, {}, Convert(ends)});
  }
  void Ellipses(std::span<const difscop::workspace::Rect> boxes) override {
    QtSurface::Ellipses(boxes);
    if (boxes.empty()) return;
    Call call{Call::kDots, {}, {}, {}};
    call.width = boxes[0].right - boxes[0].left;
    call.height = boxes[0].bottom - boxes[0].top;
    for (const auto& b : boxes) {
      if (b.right - b.left != call.width || b.bottom - b.top != call.height) std::abort();
      call.points.emplace_back(b.left, b.top);
    }
    calls_.push_back(std::move(call));
  }
  void SetFont(const difscop::plot::FontSpec& font) override {
    QtSurface::SetFont(font);
    Call call{Call::kFont, {}, {}, {}};
    call.font = font;
    calls_.push_back(std::move(call));
  }
  void SetTextColour(difscop::workspace::Colour colour) override {
    QtSurface::SetTextColour(colour);
    Call call{Call::kTextColour, {}, {}, {}};
    call.colour = colour;
    calls_.push_back(std::move(call));
  }
  void SetTransparentText(bool transparent) override {
    QtSurface::SetTransparentText(transparent);
    Call call{Call::kTransparent, {}, {}, {}};
    call.transparent = transparent;
    calls_.push_back(std::move(call));
  }
  void FillRect(const difscop::workspace::Rect& rect, difscop::workspace::Colour colour) override {
    QtSurface::FillRect(rect, colour);
    Call call{Call::kFill, {}, {}, {QPoint(rect.left, rect.top), QPoint(rect.right, rect.bottom)}};
    call.colour = colour;
    calls_.push_back(std::move(call));
  }
  void TextOut(int x, int y, std::string_view text) override {
    QtSurface::TextOut(x, y, text);
    Call call{Call::kText, {}, {}, {QPoint(x, y)}};
    call.text = std::string(text);
    calls_.push_back(std::move(call));
  }
  // Anything else inside the series would be left out of the bare drawing.
  void MoveTo(int, int) override { std::abort(); }
  void LineTo(int, int) override { std::abort(); }
  void Ellipse(const difscop::workspace::Rect&) override { std::abort(); }

 private:
  static std::vector<QPoint> Convert(std::span<const difscop::workspace::DevicePoint> points) {
    std::vector<QPoint> q;
    for (const auto& p : points) q.emplace_back(p.x, p.y);
    return q;
  }
  QPainter& painter_;
  std::vector<Call>& calls_;
};

// The series with the window's kept memory.
struct Painting {
  std::unique_ptr<Workspace> ws;
  QImage image{kWidth, kHeight, QImage::Format_RGB32};
  difscop::plot::SeriesBuffers buffers;
  QtSurfaceCache cache;
  QImage frame;  // the frame alone, under the series

  explicit Painting(int n) : ws(MakeFit(n)) {
    {
      QPainter painter(&image);
      QtSurface surface(painter, &cache);
      difscop::plot::DrawFrame(*ws, surface, kWidth, kHeight);
    }
    frame = image.copy();
  }
  void Repaint() {
    QPainter painter(&image);
    QtSurface surface(painter, &cache);
    difscop::plot::DrawSeries(*ws, surface, &buffers);
  }
};

// The same calls straight to QPainter.
struct BarePainting {
  std::vector<Call> calls;
  std::vector<const QtSurfaceCache::Stamp*> stamps;  // per call, for dots
  QtSurfaceCache cache;
  QtSurfaceCache textCache;
  QImage image{kWidth, kHeight, QImage::Format_RGB32};

  explicit BarePainting(Painting& ours) {
    QPainter painter(&image);
    RecordingSurface recorder(painter, cache, calls);
    difscop::plot::DrawSeries(*ours.ws, recorder);
    // The stamps each dot call uses, as the surface drew them.
    QPen pen;
    QBrush brush;
    for (const Call& c : calls) {
      if (c.kind == Call::kPen) pen = c.pen;
      if (c.kind == Call::kBrush) brush = c.brush;
      const QtSurfaceCache::Stamp* found = nullptr;
      if (c.kind == Call::kDots) {
        for (const auto& s : cache.stamps)
          if (s.width == c.width && s.height == c.height && s.pen == pen && s.brush == brush)
            found = &s;
      }
      stamps.push_back(found);
    }
  }
  void Repaint() {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    std::optional<QtSurface> text;  // for what the surface draws without QPainter
    for (std::size_t k = 0; k < calls.size(); ++k) {
      const Call& c = calls[k];
      switch (c.kind) {
        case Call::kPen:
          if (!text) text.emplace(painter, &textCache);
          text->SetPen(c.plotPen);  // sets the painter's pen too
          break;
        case Call::kBrush:
          painter.setBrush(c.brush);
          break;
        case Call::kPolyline:
          // Lines into a plain image are rastered by the surface itself.
          if (!text) text.emplace(painter, &textCache);
          text->Polyline(c.line);
          break;
        case Call::kLines:
          painter.drawLines(c.points.data(), static_cast<int>(c.points.size() / 2));
          break;
        case Call::kDots:
          if (const QtSurfaceCache::Stamp* s = stamps[k]) {
            for (const QPoint& p : c.points) painter.drawImage(p + s->offset, s->image);
          } else {
            for (const QPoint& p : c.points) painter.drawEllipse(QRect(p.x(), p.y(), c.width, c.height));
          }
          break;
        case Call::kFont:
        case Call::kTextColour:
        case Call::kTransparent:
        case Call::kText:
        case Call::kFill:
          if (!text) text.emplace(painter, &textCache);
          if (c.kind == Call::kFont) text->SetFont(c.font);
          if (c.kind == Call::kTextColour) text->SetTextColour(c.colour);
          if (c.kind == Call::kTransparent) text->SetTransparentText(c.transparent);
          if (c.kind == Call::kText) text->TextOut(c.points[0].x(), c.points[0].y(), c.text);
          if (c.kind == Call::kFill)
            text->FillRect({c.points[0].x(), c.points[0].y(), c.points[1].x(), c.points[1].y()}, c.colour);
          break;
      }
    }
  }
};

void Paint(benchmark::State& state) {
  Painting ours(kPoints);
  BarePainting bare(ours);
  bench::RunPairs(state, bench::Ratio::kSlower, "<= 1.3", [&] { ours.Repaint(); },
                  [&] { bare.Repaint(); });
  // Both must draw the same picture over the same frame.
  ours.image = ours.frame.copy();
  bare.image = ours.frame.copy();
  ours.Repaint();
  bare.Repaint();
  if (ours.image != bare.image) state.SkipWithError("the bare drawing differs from the paint");
  // What one more repaint allocates (the painter's own start included).
  const long before = gAllocations.load();
  ours.Repaint();
  state.counters["allocations"] = static_cast<double>(gAllocations.load() - before);
  const long painterBefore = gAllocations.load();
  { QPainter painter(&ours.image); }
  state.counters["painter_allocations"] = static_cast<double>(gAllocations.load() - painterBefore);
}
BENCHMARK(Paint)->Name("Paint/19999")->Iterations(60)->Unit(benchmark::kMillisecond);

// A window's repaint: the whole plot into its kept picture.
struct WindowRepaint {
  static constexpr int kW = 1400, kH = 900;
  std::unique_ptr<Workspace> ws;
  QImage image{kW, kH, QImage::Format_RGB32};
  difscop::plot::SeriesBuffers buffers;
  QtSurfaceCache cache;
  difscop::platform::ScriptedPlatform platform;

  WindowRepaint(std::unique_ptr<Workspace> w, bool everyPoint) : ws(std::move(w)) {
    buffers.everyPoint = everyPoint;
  }
  void Repaint() {
    QPainter painter(&image);
    QtSurface surface(painter, &cache);
    difscop::plot::PaintPatternWindow(*ws, platform, surface, kW, kH, &buffers);
  }
};

// count patterns of n points, each a little shifted and scaled, the first active.
std::unique_ptr<Workspace> Series(int count, int n, difscop::workspace::Layout layout) {
  auto ws = bench::MeasuredPattern(n);
  for (int k = 1; k < count; ++k) {
    difscop::workspace::AddPattern(*ws, "p" + std::to_string(k), difscop::plot::PatternColour(k));
    for (int i = 1; i <= n; ++i) {
      const float x = bench::PatternAngle(i, n) + 0.01f * k;
      ws->obs[static_cast<std::size_t>(i)] = {x, bench::PatternCounts(x) * (1.0f + 0.001f * k)};
    }
    ws->obsCount = n;
    ws->segmentCount = 1;
    ws->segmentPointCount[1] = n;
    std::tie(ws->rawLoaded, ws->blankPlot) = std::pair{1, 0};
  }
  difscop::workspace::Activate(*ws, 0);
  ws->layout = layout;
  difscop::plot::AutoRangeView(*ws);
  return ws;
}

void Repaint(benchmark::State& state, std::function<std::unique_ptr<Workspace>()> make) {
  WindowRepaint ours(make(), false), every(make(), true);
  bench::RunPairs(state, bench::Ratio::kFaster, ">= 5 (thinned; 16 ms at most, 3 for one pattern)",
                  [&] { ours.Repaint(); }, [&] { every.Repaint(); });
  if (ours.image != every.image) state.SkipWithError("the thinned paint differs from the full one");
}
BENCHMARK_CAPTURE(Repaint, one, [] {
  auto ws = bench::MeasuredPattern(difscop::workspace::kMaxPoints);
  ws->obsDotRadius = 1;
  return ws;
})->Name("Repaint/one_99999_dots")->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Repaint, line, [] {
  auto ws = bench::MeasuredPattern(difscop::workspace::kMaxPoints);
  ws->obsDotRadius = 0;
  return ws;
})->Name("Repaint/one_99999_line")->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Repaint, overlay,
                  [] { return Series(50, 5000, difscop::workspace::Layout::kOverlay); })
    ->Name("Repaint/overlay_50x5000")
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void RepaintMap(benchmark::State& state) {
  WindowRepaint map(Series(1000, 5000, difscop::workspace::Layout::kMap), false);
  bench::RunAgainstLimit(state, 16.0, [&] { map.Repaint(); });
}
BENCHMARK(RepaintMap)->Name("Repaint/map_1000x5000")->Iterations(20)->Unit(benchmark::kMillisecond);

void ScalePaint(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Painting big(n);
  Painting reference(bench::kScalingReference);
  bench::RunScaling(state, n, [&](int size) { (size == n ? big : reference).Repaint(); });
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  bench::RegisterScaling("Scaling/paint", difscop::workspace::kMaxPoints, ScalePaint);
  return bench::RunRegistered(argc, argv);
}
