// Painting a full fitted pattern against the bare cost of its points: one
// QPainter::drawPolyline through all of them plus one ellipse per point.
// The paint should stay within 1.5 times that.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/surface/qt_surface.h"
#include "plot/geometry.h"
#include "plot/plot.h"
#include "workspace/workspace.h"

namespace {

using difscop::workspace::Workspace;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A fit at full capacity: 19999 points, three phases of reflections.
std::unique_ptr<Workspace> MakeFit() {
  auto ws = std::make_unique<Workspace>();
  difscop::workspace::ResetWorkspace(*ws);
  const int n = difscop::workspace::kMaxPoints;
  for (int i = 1; i <= n; ++i) {
    const float x = 5.0f + 0.005f * (i - 1);
    const float peak = 20000.0f * std::exp(-std::pow(std::fmod(x, 7.0f) - 3.5f, 2.0f) * 40.0f);
    ws->obs[i] = {x, 300.0f + peak + static_cast<float>((i * 7919) % 97)};
    ws->calc[i] = {x, 300.0f + peak};
  }
  ws->obsCount = n;
  ws->stepWidth = 0.005f;
  ws->segmentCount = 1;
  ws->segmentPointCount[1] = n;
  ws->phaseCount = 3;
  for (int k = 1; k <= 3; ++k) {
    ws->reflectionCount[k] = 400;
    for (int i = 1; i <= 400; ++i) ws->reflectionPos[k][i] = 5.0f + 0.24f * i + 0.05f * k;
  }
  ws->rawLoaded = 0;
  ws->blankPlot = 0;
  difscop::workspace::AutoRange(*ws);
  difscop::workspace::ChooseTicks(*ws);
  return ws;
}

void BM_PlotPaint(benchmark::State& state) {
  auto ws = MakeFit();
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    difscop::app::QtSurface surface(painter);
    difscop::plot::DrawFrame(*ws, surface, kWidth, kHeight);
    difscop::plot::DrawSeries(*ws, surface);
  }
  state.SetItemsProcessed(state.iterations() * ws->obsCount);
}

void BM_BarePolylineAndEllipses(benchmark::State& state) {
  auto ws = MakeFit();
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  {
    // The geometry the paint would use, so both draw the same points.
    QPainter painter(&image);
    difscop::app::QtSurface surface(painter);
    difscop::plot::DrawFrame(*ws, surface, kWidth, kHeight);
  }
  std::vector<QPoint> points;
  for (int i = 1; i <= ws->obsCount; ++i)
    points.emplace_back(difscop::plot::DeviceX(*ws, ws->obs[i].x),
                        difscop::plot::DeviceY(*ws, ws->obs[i].y));
  for (auto _ : state) {
    QPainter painter(&image);
    painter.setPen(QPen(Qt::red, 1));
    painter.setBrush(Qt::red);
    painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    for (const QPoint& p : points) painter.drawEllipse(QRect(p.x() - 1, p.y() - 1, 2, 2));
  }
  state.SetItemsProcessed(state.iterations() * ws->obsCount);
}

BENCHMARK(BM_PlotPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BarePolylineAndEllipses)->Unit(benchmark::kMillisecond);

// Prints the runs as usual, then the paint's cost over the bare drawing.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // With repetitions the median speaks for the runs.
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const std::string& name = run.run_name.function_name;
      if (median || (run.run_type == Run::RT_Iteration && !medians_.count(name)))
        perIteration_[name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      if (median) medians_.insert(name);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto paint = perIteration_.find("BM_PlotPaint");
    const auto bare = perIteration_.find("BM_BarePolylineAndEllipses");
    if (paint == perIteration_.end() || bare == perIteration_.end()) return;
    if (bare->second.first > 0 && bare->second.second > 0)
      std::printf("paint / bare drawing: %.2f real time, %.2f CPU time (limit 1.50)\n",
                  paint->second.first / bare->second.first,
                  paint->second.second / bare->second.second);
  }

 private:
  std::map<std::string, std::pair<double, double>> perIteration_;  // real, CPU
  std::set<std::string> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
