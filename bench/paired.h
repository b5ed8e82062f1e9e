// What every comparison here shares. A ratio is never taken from two runs
// made at different times: ours and the baseline alternate in one process
// (A B A B ...), each pair gives one ratio, and the median and the spread of
// those ratios are reported. Times are CPU times (the thread's, or a child
// process's user + system time), so that the other work on a shared
// machine slows neither side while it waits; wall times are kept beside them.
#pragma once

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace difscop::bench {

struct Times {
  double cpu = 0.0;   // seconds
  double wall = 0.0;  // seconds
};

inline double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

inline double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Times one call on this thread.
template <typename Fn>
Times Measure(Fn&& fn) {
  const double c0 = ThreadCpuSeconds(), w0 = WallSeconds();
  fn();
  return {ThreadCpuSeconds() - c0, WallSeconds() - w0};
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const std::size_t m = v.size() / 2;
  return v.size() % 2 ? v[m] : 0.5 * (v[m - 1] + v[m]);
}

// How the ratio of a pair is read against its target.
enum class Ratio {
  kSlower,  // ours / baseline: how many times the baseline's cost we pay
  kFaster,  // baseline / ours: how many times faster we are
};

// Collects the pairs of one comparison and reports them as counters that
// scripts/bench.sh turns into a table row: ours_ms and base_ms (medians),
// ratio with ratio_min and ratio_max, wall_ratio (the median of the wall-time
// ratios) and faster (1 when the ratio counts how much faster we are). The
// label carries the target.
class Pairs {
 public:
  Pairs(Ratio kind, std::string target) : kind_(kind), target_(std::move(target)) {}

  void Add(const Times& ours, const Times& base) {
    ours_.push_back(ours.cpu);
    base_.push_back(base.cpu);
    ratios_.push_back(Of(ours.cpu, base.cpu));
    wallRatios_.push_back(Of(ours.wall, base.wall));
  }

  void Report(benchmark::State& state) const {
    if (ratios_.empty()) return;
    state.counters["ours_ms"] = 1e3 * Median(ours_);
    state.counters["base_ms"] = 1e3 * Median(base_);
    state.counters["ratio"] = Median(ratios_);
    state.counters["ratio_min"] = *std::min_element(ratios_.begin(), ratios_.end());
    state.counters["ratio_max"] = *std::max_element(ratios_.begin(), ratios_.end());
    state.counters["wall_ratio"] = Median(wallRatios_);
    state.counters["pairs"] = static_cast<double>(ratios_.size());
    state.counters["faster"] = kind_ == Ratio::kFaster ? 1 : 0;
    state.SetLabel(target_);
  }

 private:
  double Of(double ours, double base) const {
    const double num = kind_ == Ratio::kSlower ? ours : base;
    const double den = kind_ == Ratio::kSlower ? base : ours;
    return den > 0 ? num / den : 0.0;
  }

  Ratio kind_;
  std::string target_;
  std::vector<double> ours_, base_, ratios_, wallRatios_;
};

// Runs ours and base alternately, once each per benchmark iteration, after
// one untimed round of each (so neither side pays for first use unless it
// is the point of the comparison). Register with a fixed ->Iterations(n).
template <typename Ours, typename Base>
void RunPairs(benchmark::State& state, Ratio kind, const std::string& target, Ours&& ours,
              Base&& base) {
  ours();
  base();
  Pairs pairs(kind, target);
  for (auto _ : state) {
    const Times a = Measure(ours);
    const Times b = Measure(base);
    pairs.Add(a, b);
  }
  pairs.Report(state);
}

// Scaling: the step at n points against the same step at the reference
// size, taken linearly to n points (so the ratio is the cost per point at n
// over the cost per point at the reference; 1 is linear).
inline constexpr int kScalingReference = 10000;

template <typename Step>
void RunScaling(benchmark::State& state, int n, Step&& step) {
  const double scale = static_cast<double>(n) / kScalingReference;
  step(n);
  step(kScalingReference);
  // Below the reference size a fixed cost per call weighs more per point;
  // that row is shown without a target.
  Pairs pairs(Ratio::kSlower, n > kScalingReference ? "<= 1.5 (linear)" : "-");
  for (auto _ : state) {
    const Times a = Measure([&] { step(n); });
    const Times b = Measure([&] { step(kScalingReference); });
    pairs.Add(a, {b.cpu * scale, b.wall * scale});
  }
  pairs.Report(state);
  state.counters["points"] = n;
}

// A time that has a limit of its own rather than a baseline: ours_ms with
// ours_min_ms and ours_max_ms over the runs, and limit_ms.
template <typename Fn>
void RunAgainstLimit(benchmark::State& state, double limitMs, Fn&& fn) {
  fn();
  std::vector<double> cpu;
  for (auto _ : state) cpu.push_back(Measure(fn).cpu);
  if (cpu.empty()) return;
  state.counters["ours_ms"] = 1e3 * Median(cpu);
  state.counters["ours_min_ms"] = 1e3 * *std::min_element(cpu.begin(), cpu.end());
  state.counters["ours_max_ms"] = 1e3 * *std::max_element(cpu.begin(), cpu.end());
  state.counters["limit_ms"] = limitMs;
}

// A folder of its own under the temporary directory, removed with
// everything in it when the object goes (a benchmark program keeps one for
// its whole run, so nothing is left behind).
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("difscop_bench_" + tag + ".XXXXXX")).string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// One run of a program: its CPU time (user + system, from the kernel's
// account of the child) and wall time, what it wrote to standard output,
// whether it ended with status 0 and its peak resident size.
struct ChildRun {
  Times times;
  std::string output;
  bool ok = false;
  long maxResidentKb = 0;  // the child's peak resident size
};

inline ChildRun RunChild(const std::vector<std::string>& arguments) {
  ChildRun run;
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> args = arguments;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const double w0 = WallSeconds();
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), ::environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (rc != 0) {
    close(pipeFds[0]);
    return run;
  }
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
    run.output.append(buffer, static_cast<std::size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.times.wall = WallSeconds() - w0;
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
  };
  run.times.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.maxResidentKb = usage.ru_maxrss;
  return run;
}

// The sizes the scaling comparisons run at: the list stops at the pattern
// capacity, and the capacity itself is the last size when it falls short.
inline std::vector<int> ScalingSizes(int capacity) {
  std::vector<int> sizes;
  for (int n : {1000, 10000, 50000, 99999}) {
    if (n <= capacity) sizes.push_back(n);
  }
  if (sizes.empty() || sizes.back() < std::min(capacity, 99999)) sizes.push_back(std::min(capacity, 99999));
  return sizes;
}

// Registers name/<n> for every scaling size but the reference, each run a
// fixed number of pairs. Called from main before benchmark::Initialize.
template <typename Fn>
void RegisterScaling(const std::string& name, int capacity, Fn fn) {
  for (int n : ScalingSizes(capacity)) {
    if (n == kScalingReference) continue;
    benchmark::RegisterBenchmark(name.c_str(), fn)
        ->Arg(n)
        ->Iterations(n > 20000 ? 15 : 40)
        ->Unit(benchmark::kMillisecond);
  }
}

// Runs what is registered; a main of its own for programs that register
// their scaling benchmarks first.
inline int RunRegistered(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace difscop::bench
