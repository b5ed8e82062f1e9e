// Export speed against writing the same bytes with one buffered fwrite.
// Read the ratios: WritePowderData/F over Fwrite/F for each layout F (the
// writer also syncs and renames, so a crash never leaves half a file),
// FormatPowderData/F over Fwrite/F for the text building alone, and the
// bitmap and metafile of a 1920x1080 plot over their own Fwrite baselines.
// Scaling/export/<n>: the (x,y) layout's text for n points against the
// reference size.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "export/bitmap.h"
#include "export/powder_data.h"
#include "paired.h"
#include "patterns.h"
#include "platform/scripted_platform.h"
#include "workspace/workspace.h"

#ifdef DIFSCOP_HAVE_EMF
#include "export/emf/metafile_recording.h"
#endif

namespace {

using difscop::workspace::Workspace;
namespace ex = difscop::exporter;

std::unique_ptr<Workspace> Pattern() {
  auto ws = std::make_unique<Workspace>();
  const int n = difscop::workspace::kMaxPoints;
  for (int i = 1; i <= n; ++i) {
    float x = 5.0f + 0.005f * static_cast<float>(i - 1);
    float y = 200.0f + static_cast<float>((i * 7919) % 9000) + 0.37f;
    ws->obs[i] = {x, y};
    ws->smoothed[i] = {x, y + 0.5f};
  }
  ws->obsCount = n;
  ws->segmentCount = 1;
  ws->segmentPointCount[1] = n;
  ws->stepWidth = ws->obs[2].x - ws->obs[1].x;
  ws->smoothFirst = 3;
  ws->smoothLast = n - 2;
  ws->smoothedValid = 1;
  ws->rawLoaded = 1;
  ws->blankPlot = 0;
  ws->xMin = 0;
  ws->xMax = 110;
  ws->yMax = 9500;
  ws->yTick = 1000;
  ws->xTick = 20;
  return ws;
}

std::string Target() {
  return (std::filesystem::temp_directory_path() / ("difscop_bench_" + std::to_string(getpid())))
      .string();
}

void PlainWrite(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

void Fwrite(benchmark::State& state) {
  auto ws = Pattern();
  std::string bytes;
  ex::FormatPowderData(*ws, static_cast<int>(state.range(0)), 0, bytes);
  std::string path = Target();
  for (auto _ : state) PlainWrite(path, bytes);
  std::remove(path.c_str());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

void WritePowderData(benchmark::State& state) {
  auto ws = Pattern();
  difscop::platform::ScriptedPlatform platform;
  std::string path = Target();
  for (auto _ : state) {
    ex::WritePowderData(*ws, platform, static_cast<int>(state.range(0)), 0, path);
  }
  std::remove(path.c_str());
}

void FormatPowderData(benchmark::State& state) {
  auto ws = Pattern();
  std::string bytes;
  for (auto _ : state) {
    ex::FormatPowderData(*ws, static_cast<int>(state.range(0)), 0, bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
}

ex::PixelImage Screen() {
  ex::PixelImage image{1920, 1080, {}};
  image.pixels.resize(1920u * 1080u);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    image.pixels[i] = static_cast<std::uint32_t>(i * 2654435761u);
  }
  return image;
}

void BitmapFwrite(benchmark::State& state) {
  std::string bytes = ex::EncodeBitmap(Screen());
  std::string path = Target();
  for (auto _ : state) PlainWrite(path, bytes);
  std::remove(path.c_str());
}

void SaveWindowBitmap(benchmark::State& state) {
  ex::PixelImage image = Screen();
  std::string path = Target();
  for (auto _ : state) ex::SaveWindowBitmap(image, path);
  std::remove(path.c_str());
}

#ifdef DIFSCOP_HAVE_EMF
void MetafileFwrite(benchmark::State& state) {
  auto ws = Pattern();
  difscop::platform::ScriptedPlatform platform;
  std::string bytes = ex::PaintMetafile(*ws, platform, {1920, 1080, 26, 26});
  std::string path = Target();
  for (auto _ : state) PlainWrite(path, bytes);
  std::remove(path.c_str());
  state.counters["bytes"] = static_cast<double>(bytes.size());
}

void RecordMetafile(benchmark::State& state) {
  auto ws = Pattern();
  difscop::platform::ScriptedPlatform platform;
  ws->emfFilePath = Target();
  for (auto _ : state) {
    ws->recordingMetafile = 1;
    ex::RecordMetafile(*ws, platform, {1920, 1080, 26, 26});
  }
  std::remove(ws->emfFilePath.c_str());
}
BENCHMARK(MetafileFwrite)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordMetafile)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK(Fwrite)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);
BENCHMARK(FormatPowderData)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);
BENCHMARK(WritePowderData)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);
BENCHMARK(BitmapFwrite)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveWindowBitmap)->Unit(benchmark::kMillisecond);

void ScaleExport(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto big = difscop::bench::MeasuredPattern(n);
  auto reference = difscop::bench::MeasuredPattern(difscop::bench::kScalingReference);
  std::string bytes;
  difscop::bench::RunScaling(state, n, [&](int size) {
    ex::FormatPowderData(size == n ? *big : *reference, ex::kXy, ex::kOneSteppedObserved, bytes);
    benchmark::DoNotOptimize(bytes.data());
  });
}

}  // namespace

int main(int argc, char** argv) {
  difscop::bench::RegisterScaling("Scaling/export", difscop::workspace::kMaxPoints, ScaleExport);
  return difscop::bench::RunRegistered(argc, argv);
}
