// Start-up time of the program: from spawning it to its first painted frame
// (it leaves right after, asked to by DIFSCOP_QUIT_AFTER_FIRST_PAINT), with
// a 19999-point Igor fit on the command line against no file at all. The
// empty start is the baseline; the difference is the command-line load and
// the drawing of the full pattern.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/pattern_window.h"
#include "paired.h"

namespace {

namespace fs = std::filesystem;

const fs::path& WorkDir() {
  // Removed with its files when the program ends.
  static const difscop::bench::ScratchDir scratch("app");
  static const fs::path dir = [] {
    const fs::path d = scratch.path();
    // A complete settings file, so the start asks nothing.
    std::ofstream(d / "Difscop.ini", std::ios::binary)
        << "[Difscop Ini File]\r\n\r\n[Color Setting]\r\nColFrame=65535\r\nColBack =8388608\r\n"
           "ColFont =65535\r\nColBase =0\r\nColCalc =16711680\r\nColObs  =255\r\n"
           "ColDiff =65280\r\nColRef  =65535\r\nColObsF =255\r\nColDiffF=65280\r\n"
           "[Font Size]\r\nSFont=18\r\n[Dot Radius Setting]\r\nRObsdot=1\r\nRDiffdot=1\r\n"
           "[Line Width]\r\nLCwidth=1\r\nLFwidth=1\r\n[X-ray Source]\r\nKa1=1.540593\r\n"
           "Ka2=1.54441\r\nWtol=0.05\r\nItol=0.05\r\nRatio=0.5\r\n[CellRef]\r\nCellRef=CellRef\r\n"
           "[Cell]\r\nCell=Cell\r\n[EXPO]\r\nEXPO=EXPO\r\n[GenHKL]\r\nGenHKL=GenHKL\r\n";
    // The largest pattern the program holds, with two phases of reflections.
    FILE* f = std::fopen((d / "full.pat").c_str(), "wb");
    std::fprintf(f, "IGOR\r\nWAVES/O twoth, yobs, ycal\r\nBEGIN\r\n");
    for (int i = 0; i < 19999; ++i) {
      const double x = 5 + i * 0.005;
      double calc = 120;
      for (int p = 0; p < 12; ++p)
        calc += 3000.0 / (p + 1) * std::exp(-std::pow((x - 10 - 7.5 * p) / 0.08, 2));
      std::fprintf(f, "%.3f %.1f %.1f\r\n", x, calc + (i % 13) * 6 - 36, calc);
    }
    std::fprintf(f, "END\r\n");
    for (int p = 1; p <= 2; ++p) {
      std::fprintf(f, "WAVES/O xphase%d\r\nBEGIN\r\n", p);
      for (int r = 0; r < 40; ++r) std::fprintf(f, "%.3f\r\n", 10 + 2.3 * r + p);
      std::fprintf(f, "END\r\n");
    }
    std::fclose(f);
    return d;
  }();
  return dir;
}

// Runs the program to its first paint; false when it failed.
bool RunOnce(const std::vector<std::string>& arguments) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    if (v.rfind("QT_QPA_PLATFORM=", 0) != 0) env.push_back(v);
  }
  env.push_back("QT_QPA_PLATFORM=offscreen");
  env.push_back("DIFSCOP_QUIT_AFTER_FIRST_PAINT=1");
  std::vector<char*> envp;
  for (std::string& v : env) envp.push_back(v.data());
  envp.push_back(nullptr);

  std::vector<std::string> args = {DIFSCOP_PROGRAM};
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Qt's notes about the offscreen platform are not part of the measurement.
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Start(benchmark::State& state, const std::vector<std::string>& arguments) {
  fs::current_path(WorkDir());
  for (auto _ : state) {
    if (!RunOnce(arguments)) {
      state.SkipWithError("the program did not start and end cleanly");
      break;
    }
  }
}

void BM_StartEmpty(benchmark::State& state) {
  Start(state, {});
}
void BM_StartWith19999PointFile(benchmark::State& state) {
  Start(state, {"-i", (WorkDir() / "full.pat").string()});
}

// The same inside one process: frame creation (settings, reset, switches)
// and the first picture, without the process and Qt start-up around it.
void FirstPicture(benchmark::State& state, const std::vector<std::string>& arguments) {
  fs::current_path(WorkDir());
  static int argc = 1;
  static char name[] = "bench_app";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* app = new QApplication(argc, argv);
  setlocale(LC_NUMERIC, "C");
  for (auto _ : state) {
    difscop::app::MainFrame frame("difscop", arguments);
    bool painted = false;
    QObject::connect(&frame.patternWindow(), &difscop::app::PatternWindow::firstPaintDone,
                     [&painted] { painted = true; });
    frame.show();
    while (!painted) app->processEvents(QEventLoop::WaitForMoreEvents);
    if (frame.patternWindow().workspace().obsCount != (arguments.empty() ? 0 : 19999)) {
      state.SkipWithError("the pattern was not loaded");
      break;
    }
  }
}

void BM_FirstPictureEmpty(benchmark::State& state) {
  FirstPicture(state, {});
}
void BM_FirstPictureWith19999PointFile(benchmark::State& state) {
  FirstPicture(state, {"-i", (WorkDir() / "full.pat").string()});
}

BENCHMARK(BM_StartEmpty)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_StartWith19999PointFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_FirstPictureEmpty)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FirstPictureWith19999PointFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
