// Opening many patterns at once: 1,000 (x,y) files of 5,000 points.
//  - Open/1000x5000: File > Open Pattern in the window (files read on worker
//    threads, then taken into the list), against the same files read one
//    after another on one thread by the same reader, as opening them one at a
//    time did. The ratio is of the process's CPU time (what the parallel open
//    costs beyond the reading); wall_ratio shows what the workers gain.
//  - Open/1000x5000/wall: the window's open in wall time against its limit,
//    with the longest time the window's event loop went without turning.
//  - Memory/1000x5000: the program's peak resident size with the 1,000 files
//    on its command line, against its empty start.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/commands/command_table.h"
#include "app/main_frame.h"
#include "app/pattern_window.h"
#include "import/open_commands.h"
#include "paired.h"
#include "platform/scripted_platform.h"

namespace {

namespace fs = std::filesystem;
using difscop::bench::Times;

constexpr int kFiles = 1000;
constexpr int kPoints = 5000;

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

template <typename Fn>
Times MeasureProcess(Fn&& fn) {
  const double c0 = ProcessCpuSeconds(), w0 = difscop::bench::WallSeconds();
  fn();
  return {ProcessCpuSeconds() - c0, difscop::bench::WallSeconds() - w0};
}

// The scratch folder with the settings file and the 1,000 patterns, a
// temperature series of three peaks that drift.
const std::vector<std::string>& Files() {
  static const difscop::bench::ScratchDir scratch("open");
  static const std::vector<std::string> files = [] {
    std::ofstream(scratch.path() / "Difscop.ini", std::ios::binary)
        << "[Difscop Ini File]\r\n[Color Setting]\r\nColFrame=65535\r\nColBack =8388608\r\n"
           "ColFont =65535\r\nColBase =0\r\nColCalc =16711680\r\nColObs  =255\r\n"
           "ColDiff =65280\r\nColRef  =65535\r\nColObsF =255\r\nColDiffF=65280\r\n"
           "[Font Size]\r\nSFont=18\r\n[Dot Radius Setting]\r\nRObsdot=1\r\nRDiffdot=1\r\n"
           "[Line Width]\r\nLCwidth=1\r\nLFwidth=1\r\n[X-ray Source]\r\nKa1=1.540593\r\nKa2=1.54441\r\nWtol=0.05\r\n"
           "Itol=0.05\r\nRatio=0.5\r\n[CellRef]\r\nCellRef=CellRef\r\n[Cell]\r\nCell=Cell\r\n"
           "[EXPO]\r\nEXPO=EXPO\r\n[GenHKL]\r\nGenHKL=GenHKL\r\n";
    std::vector<std::string> paths;
    for (int f = 0; f < kFiles; ++f) {
      paths.push_back(scratch.File("t" + std::to_string(1000 + f) + ".xy"));
      FILE* out = std::fopen(paths.back().c_str(), "wb");
      for (int i = 0; i < kPoints; ++i) {
        const double x = 10 + 0.02 * i;
        double y = 100 + (i * 7919 % 23);
        for (double peak : {28.4, 47.3, 56.1})
          y += 4000 * std::exp(-std::pow((x - peak + 0.0002 * f) / 0.1, 2));
        std::fprintf(out, "%.2f %.1f\n", x, y);
      }
      std::fclose(out);
    }
    return paths;
  }();
  return files;
}

// Runs in the scratch folder, with a configuration of its own there.
void EnterScratch() {
  const fs::path dir = fs::path(Files().front()).parent_path();
  fs::current_path(dir);
  setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

const char* Program() {
  static int argc = 1;
  static char name[] = "bench_open";
  static char* argv[] = {name, nullptr};
  EnterScratch();
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
  setlocale(LC_NUMERIC, "C");
  return "difscop";
}

struct Window {
  Window() : frame(Program(), {}, std::make_unique<difscop::platform::ScriptedPlatform>()) {}
  difscop::platform::ScriptedPlatform& platform() {
    return static_cast<difscop::platform::ScriptedPlatform&>(frame.patternWindow().platform());
  }
  // Opens the files through the menu command; false unless all opened.
  // longestGapMs: the longest the event loop went without turning.
  bool Open(double* longestGapMs = nullptr) {
    platform().messages.clear();
    platform().openManyAnswers.push_back(Files());
    QElapsedTimer sinceTurn;
    double longest = 0;
    QTimer turns;
    QObject::connect(&turns, &QTimer::timeout, [&] {
      longest = std::max(longest, static_cast<double>(sinceTurn.nsecsElapsed()) * 1e-6);
      sinceTurn.start();
    });
    turns.start(1);
    sinceTurn.start();
    frame.RunCommand(difscop::commands::kIdOpenPattern);
    longest = std::max(longest, static_cast<double>(sinceTurn.nsecsElapsed()) * 1e-6);
    turns.stop();
    if (longestGapMs) *longestGapMs = longest;
    const bool ok = frame.patternWindow().workspace().patterns.size() == kFiles &&
                    platform().messages.empty();
    frame.RunCommand(difscop::commands::kIdCloseAll);
    return ok;
  }
  difscop::app::MainFrame frame;
};

// What opening them one at a time came to: the same reader, one thread.
bool ReadOneByOne() {
  auto ws = std::make_unique<difscop::workspace::Workspace>();
  difscop::platform::ScriptedPlatform quiet;
  bool ok = true;
  for (const std::string& path : Files()) ok = difscop::import::LoadFileByType(*ws, quiet, path) && ok;
  return ok;
}

void BM_Open(benchmark::State& state) {
  Window window;
  bool ok = window.Open() && ReadOneByOne();
  difscop::bench::Pairs pairs(difscop::bench::Ratio::kSlower, "<= 1.3");
  for (auto _ : state) {
    const Times ours = MeasureProcess([&] { ok = window.Open() && ok; });
    const Times base = MeasureProcess([&] { ok = ReadOneByOne() && ok; });
    pairs.Add(ours, base);
  }
  if (!ok) state.SkipWithError("not every file opened");
  pairs.Report(state);
}

void BM_OpenWall(benchmark::State& state) {
  Window window;
  bool ok = window.Open();
  std::vector<double> wall, gaps;
  for (auto _ : state) {
    double gap = 0;
    wall.push_back(MeasureProcess([&] { ok = window.Open(&gap) && ok; }).wall);
    gaps.push_back(gap);
  }
  if (!ok) state.SkipWithError("not every file opened");
  state.counters["ours_ms"] = 1e3 * difscop::bench::Median(wall);
  state.counters["ours_min_ms"] = 1e3 * *std::min_element(wall.begin(), wall.end());
  state.counters["ours_max_ms"] = 1e3 * *std::max_element(wall.begin(), wall.end());
  state.counters["limit_ms"] = 1000;
  state.counters["loop_gap_ms"] = *std::max_element(gaps.begin(), gaps.end());
}

// Peak resident size of the program started with arguments, to its first
// picture with them open.
long PeakResidentKb(const std::vector<std::string>& arguments) {
  std::vector<std::string> args = {DIFSCOP_PROGRAM};
  args.insert(args.end(), arguments.begin(), arguments.end());
  setenv("DIFSCOP_QUIT_AFTER_FIRST_PAINT", "1", 1);
  const difscop::bench::ChildRun run = difscop::bench::RunChild(args);
  unsetenv("DIFSCOP_QUIT_AFTER_FIRST_PAINT");
  return run.ok ? run.maxResidentKb : -1;
}

void BM_Memory(benchmark::State& state) {
  EnterScratch();
  std::vector<double> ours, base;
  for (auto _ : state) {
    ours.push_back(static_cast<double>(PeakResidentKb(Files())) / 1024.0);
    base.push_back(static_cast<double>(PeakResidentKb({})) / 1024.0);
  }
  if (*std::min_element(ours.begin(), ours.end()) < 0 || *std::min_element(base.begin(), base.end()) < 0)
    state.SkipWithError("the program did not start and end cleanly");
  state.counters["ours_mb"] = difscop::bench::Median(ours);
  state.counters["base_mb"] = difscop::bench::Median(base);
  state.counters["limit_mb"] = 200;
}

// The program is started before this process has grown: a child spawned
// shares its parent's memory until it runs the program, and the kernel
// counts that towards the child's peak.
BENCHMARK(BM_Memory)->Name("Memory/1000x5000")->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Open)->Name("Open/1000x5000")->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenWall)->Name("Open/1000x5000/wall")->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
