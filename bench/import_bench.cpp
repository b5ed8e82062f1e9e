// Reading measured patterns. ReadRaw/<format>: a 19999-point file of each
// format; ReadGsasFxye49494: a 49494-point synchrotron FXYE file. XyRead/warm and XyRead/cold: the same (x,y) file read by us and by
// xylib's text reader, in pairs. Scaling/read/<n>: an (x,y) file of n points
// against the reference size.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "import/raw_reader.h"
#include "paired.h"
#include "patterns.h"
#include "platform/scripted_platform.h"
#include "workspace/workspace.h"

#ifdef DIFSCOP_HAVE_XYLIB
#include <xylib/xylib.h>
#endif

namespace {

namespace fs = std::filesystem;
namespace bench = difscop::bench;
using difscop::import::ReadRawPattern;
constexpr int kPoints = 19999;
const std::string kXyFile = std::string(DIFSCOP_SOURCE_DIR) + "/examples/xy_pattern.xy";

// Counts of a smooth pattern with a few peaks, never below 1.
int Count(int i) {
  const double t = 5.0 + i * 0.006;
  double y = 80.0 + 300.0 * std::exp(-t / 15.0);
  for (double centre : {28.44, 47.3, 56.1, 69.1, 76.4, 88.0, 94.9, 106.7, 114.1})
    y += 9000.0 * std::exp(-std::pow((t - centre) / 0.05, 2));
  return static_cast<int>(y);
}

std::string Angle(int i) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", 5.0 + i * 0.006);
  return buffer;
}

// Every file written here; removed when the program ends.
std::unique_ptr<bench::ScratchDir> gScratch;
const bench::ScratchDir& Scratch() {
  if (!gScratch) gScratch = std::make_unique<bench::ScratchDir>("import");
  return *gScratch;
}

// One 19999-point file per measured-pattern format, written once.
const std::map<int, std::string>& Files() {
  static const std::map<int, std::string> files = [] {
    const fs::path dir = Scratch().path();
    std::map<int, std::string> paths;
    auto write = [&](int code, const std::string& name, const std::string& text) {
      std::ofstream(dir / name, std::ios::binary) << text;
      paths[code] = (dir / name).string();
    };
    std::string pairs, counts, values;
    for (int i = 0; i < kPoints; ++i) {
      pairs += Angle(i) + " " + std::to_string(Count(i)) + "\r\n";
      counts += std::to_string(Count(i)) + "\r\n";
      values += std::to_string(Count(i)) + (i % 10 == 9 ? "\r\n" : " ");
    }
    write(0, "rint.dat", "Sample bench\r\nStart 5.000\r\nStep 0.006\r\n" + pairs);
    write(1, "mac.dat", "DTSRT\r\n" + pairs + "DTEND\r\n");
    std::string rad;
    for (int line = 1; line <= 51; ++line)
      rad += line == 2 ? "4.988\r\n" : line == 42 ? "0.006\r\n" : "0\r\n";
    write(2, "rad.dat", rad + counts);
    std::string hermes =
        "Meas-start-time: 0\nMeas-start-angle: 5.0\nMeas-end-angle: 124.994\n"
        "Meas-step-angle: 0.006\nComment\n\n\n";
    for (int i = 0; i < kPoints; ++i)
      hermes += std::to_string(i + 1) + " " + Angle(i) + " " + std::to_string(Count(i)) + " 1 1\n";
    write(3, "hermes.raw", hermes);
    paths[4] = kXyFile;
    write(5, "general.int", "GENERAL\r\n19999\r\n" + pairs);
    write(6, "pattern.sim", "19999 5.0 0.006\n" + values + "\n\n3\n28.44\n47.3\n56.1\n");
    return paths;
  }();
  return files;
}

void BM_ReadRaw(benchmark::State& state) {
  const int code = static_cast<int>(state.range(0));
  const std::string& path = Files().at(code);
  auto ws = std::make_unique<difscop::workspace::Workspace>();
  difscop::platform::ScriptedPlatform platform;
  for (auto _ : state) {
    platform.neutronWavelengthAnswers = {std::string("1.5")};
    if (!ReadRawPattern(*ws, platform, code, path)) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(ws->obs[ws->obsCount]);
  }
  state.counters["points"] = ws->obsCount;
}
BENCHMARK(BM_ReadRaw)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

void BM_ReadGsasFxye49494(benchmark::State& state) {
  const std::string path = std::string(DIFSCOP_SAMPLES_DIR) + "/gsas_fxye_11bm_49494pts.fxye";
  auto ws = std::make_unique<difscop::workspace::Workspace>();
  difscop::platform::ScriptedPlatform platform;
  for (auto _ : state) {
    if (!ReadRawPattern(*ws, platform, difscop::import::kGsasRaw, path))
      state.SkipWithError("read failed");
    benchmark::DoNotOptimize(ws->obs[ws->obsCount]);
  }
  state.counters["points"] = ws->obsCount;
}
BENCHMARK(BM_ReadGsasFxye49494)->Unit(benchmark::kMillisecond);

// (x,y) reading of the same 19999-point file, ours against xylib's text
// reader, both warm (in one process, one read after another).
bool ReadOurs(difscop::workspace::Workspace& ws, const std::string& path) {
  difscop::platform::ScriptedPlatform platform;
  const bool ok = ReadRawPattern(ws, platform, difscop::import::kXyText, path);
  benchmark::DoNotOptimize(ws.obs[ws.obsCount]);
  return ok && ws.obsCount > 0;
}

#ifdef DIFSCOP_HAVE_XYLIB
bool ReadXylib(const std::string& path) {
  std::unique_ptr<xylib::DataSet> data(xylib::load_file(path, "text"));
  const xylib::Column& y = data->get_block(0)->get_column(2);
  const int points = y.get_point_count();
  benchmark::DoNotOptimize(y.get_value(points - 1));
  return points > 0;
}

void XyWarm(benchmark::State& state) {
  auto ws = std::make_unique<difscop::workspace::Workspace>();
  bench::RunPairs(
      state, bench::Ratio::kFaster, ">= 5", [&] { ReadOurs(*ws, kXyFile); },
      [&] { ReadXylib(kXyFile); });
  if (!ReadOurs(*ws, kXyFile) || ws->obsCount != kPoints) state.SkipWithError("read failed");
}
BENCHMARK(XyWarm)->Name("XyRead/warm")->Iterations(100)->Unit(benchmark::kMillisecond);

// The first read in a fresh process: this program started again with
// --cold-read ours|xylib FILE, which reads once and prints the read's CPU
// and wall seconds. The workspace exists before the read, as it does in
// the program from its start.
std::string gSelf;

bench::Times ColdRead(const char* reader) {
  const bench::ChildRun run = bench::RunChild({gSelf, "--cold-read", reader, kXyFile});
  bench::Times t;
  if (!run.ok || std::sscanf(run.output.c_str(), "%lf %lf", &t.cpu, &t.wall) != 2) return {};
  return t;
}

void XyCold(benchmark::State& state) {
  bench::Pairs pairs(bench::Ratio::kFaster, ">= 4");
  for (auto _ : state) {
    const bench::Times ours = ColdRead("ours");
    const bench::Times xylib = ColdRead("xylib");
    if (ours.cpu <= 0 || xylib.cpu <= 0) {
      state.SkipWithError("a cold read failed");
      return;
    }
    pairs.Add(ours, xylib);
  }
  pairs.Report(state);
}
BENCHMARK(XyCold)->Name("XyRead/cold")->Iterations(40)->Unit(benchmark::kMillisecond);

int ColdReadChild(const std::string& reader, const std::string& path) {
  auto ws = std::make_unique<difscop::workspace::Workspace>();
  bool ok = false;
  const bench::Times t =
      bench::Measure([&] { ok = reader == "ours" ? ReadOurs(*ws, path) : ReadXylib(path); });
  if (!ok) return 1;
  std::printf("%.9f %.9f\n", t.cpu, t.wall);
  return 0;
}
#endif

// Reading at each scaling size against the reference size.
const std::string& XyFileOf(int n) {
  static std::map<int, std::string> files;
  auto it = files.find(n);
  if (it != files.end()) return it->second;
  const std::string path = Scratch().File("scale_" + std::to_string(n) + ".xy");
  bench::WriteXyFile(path, n);
  return files[n] = path;
}

void ScaleRead(benchmark::State& state) {
  auto ws = std::make_unique<difscop::workspace::Workspace>();
  bench::RunScaling(state, static_cast<int>(state.range(0)),
                    [&](int n) { ReadOurs(*ws, XyFileOf(n)); });
}

}  // namespace

int main(int argc, char** argv) {
#ifdef DIFSCOP_HAVE_XYLIB
  if (argc == 4 && std::string(argv[1]) == "--cold-read") return ColdReadChild(argv[2], argv[3]);
  gSelf = argv[0][0] == '/' ? argv[0] : (fs::current_path() / argv[0]).string();
#endif
  bench::RegisterScaling("Scaling/read", difscop::workspace::kMaxPoints, ScaleRead);
  const int status = bench::RunRegistered(argc, argv);
  gScratch.reset();
  return status;
}
