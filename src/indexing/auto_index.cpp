#include "indexing/auto_index.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <numbers>

#include "indexing/dichotomy_search.h"
#include "textio/text_writer.h"

namespace difscop::indexing {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
// A solution this good in one crystal system ends the search there.
constexpr double kConvincingM20 = 20.0;
// Marks the search's own lines among what the library prints.
constexpr char kRecordMark = '\x1e';

std::vector<Centring> CentringsOf(CrystalSystem system) {
  switch (system) {
    case CrystalSystem::Cubic:
      return {'P', 'I', 'F'};
    case CrystalSystem::Tetragonal:
      return {'P', 'I'};
    case CrystalSystem::Orthorhombic:
      return {'P', 'C', 'I', 'F'};
    case CrystalSystem::Monoclinic:
      return {'P', 'C'};
    default:
      return {'P'};
  }
}

struct Plan {
  std::vector<double> twoTheta, dSpacings, dStarError;
  double wavelength = 0, tolerance = 0;
  double dStarLow = 0, dStarHigh = 0;
  double lengthMax = 25;
};

Plan MakePlan(std::span<const double> twoTheta, double wavelength, const IndexOptions& options) {
  Plan plan;
  const int n = std::min<int>(options.lines, static_cast<int>(twoTheta.size()));
  plan.twoTheta.assign(twoTheta.begin(), twoTheta.begin() + n);
  plan.wavelength = wavelength;
  plan.tolerance = options.tolerance;
  for (int i = 0; i < n; ++i) {
    const double theta = twoTheta[i] * kDegree / 2;
    plan.dSpacings.push_back(wavelength / (2 * std::sin(theta)));
    // The 1/d window of a line off by the tolerance either way.
    plan.dStarError.push_back(2 * 2 * std::cos(theta) / wavelength * (options.tolerance * kDegree / 2));
  }
  plan.dStarLow = 1 / plan.dSpacings.front();
  plan.dStarHigh = 1 / plan.dSpacings.back();
  // The longest edge may be a few times the first line's spacing when low
  // orders are missing, within what the dichotomy can scan.
  plan.lengthMax = std::clamp(2.5 * plan.dSpacings.front(), 8.0, 30.0);
  return plan;
}

void VolumeRange(const Plan& plan, const IndexOptions& options, CrystalSystem system,
                 Centring centring, double& low, double& high) {
  const int n = static_cast<int>(plan.dSpacings.size());
  // A complete line list gives about the expected volume; a measured one
  // misses the weak lines, down to one in seven seen. The monoclinic and
  // triclinic scans cost too much so far out: one in three there, unless the
  // limits are given.
  const double expected =
      EstimatedVolume(plan.dStarLow, plan.dStarHigh, n, system, centring, 1.0);
  low = options.volumeMin > 0 ? options.volumeMin : std::max(10.0, 0.5 * expected);
  high = options.volumeMax > 0
             ? options.volumeMax
             : EstimatedVolume(plan.dStarLow, plan.dStarHigh, n, system, centring,
                               system >= CrystalSystem::Monoclinic ? 0.3 : 0.15);
  if (!(high > low)) high = low * 2;
}

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) _exit(3);
    done += static_cast<std::size_t>(n);
  }
}

// A cell that indexes every line but the spurious ones allowed, with a
// figure of merit no chance cell reaches.
bool Convincing(const Plan& plan, CrystalSystem system, Centring centring, int spurious,
                const Cell& cell) {
  std::optional<ReciprocalMetric> g = MetricOf(Symmetrized(cell, system));
  if (!g) return false;
  const LineAssignment lines =
      AssignLines(*g, centring, plan.twoTheta, plan.wavelength, 0, plan.tolerance);
  if (static_cast<int>(lines.unindexed.size()) > spurious) return false;
  return MeritOf(*g, centring, plan.twoTheta, plan.wavelength, 0, lines).m20 >= kConvincingM20;
}

// Our records go to the same stream as the library's chatter, in order.
void Record(const std::string& text) {
  std::cout.flush();
  std::fflush(stdout);
  WriteAll(1, std::string(1, kRecordMark) + text + "\n");
}

// The whole search, in the child. Records:
//   B system                 a system begins
//   S system centring score a b c alpha beta gamma
//   D best                   a slice is done
void RunSearch(const Plan& plan, const IndexOptions& options) {
  double best = 0;
  for (CrystalSystem system : options.systems) {
    Record(textio::Format("B %d", static_cast<int>(system)));
    bool convincing = false;
    for (Centring centring : CentringsOf(system)) {
      // The centred monoclinic scan costs many times the primitive one, and a
      // primitive cell that indexes everything already has the lattice's axes.
      if (system == CrystalSystem::Monoclinic && centring != 'P' && convincing) break;
      double low = 0, high = 0;
      VolumeRange(plan, options, system, centring, low, high);
      const double step = std::max((high - low) / 8, 20.0);
      // The scan goes up in volume and ends at the first slice with a
      // convincing cell; a cell found with fewer spurious lines caps the
      // volumes worth scanning with more.
      bool settled = false;
      for (int spurious = 0; spurious <= options.maxSpurious; ++spurious) {
        const double cap = high;
        for (double v = low; v < cap; v += step) {
          SliceRequest request;
          request.system = system;
          request.centring = centring;
          request.spurious = spurious;
          request.volumeMin = v;
          request.volumeMax = std::min(v + step, cap);
          request.lengthMax = plan.lengthMax;
          request.dSpacings = plan.dSpacings;
          request.dStarError = plan.dStarError;
          double found = 0;
          for (const SliceSolution& s : SearchSlice(request)) {
            Record(textio::Format("S %d %c %.9g %.9g %.9g %.9g %.9g %.9g %.9g",
                                  static_cast<int>(system), centring, s.score, s.cell.a, s.cell.b,
                                  s.cell.c, s.cell.alpha, s.cell.beta, s.cell.gamma));
            best = std::max(best, s.score);
            if (Convincing(plan, system, centring, spurious, s.cell)) {
              const double volume = s.cell.Volume();
              found = found > 0 ? std::min(found, volume) : volume;
            }
          }
          Record(textio::Format("D %.9g", best));
          if (found > 0) {
            settled = true;
            high = std::min(high, 0.98 * found);
            break;
          }
        }
      }
      convincing = convincing || settled;
    }
    // A lower symmetry would only find this cell again, or a worse one.
    if (convincing) break;
  }
}

// Reads the numbers of a record after its letter.
std::vector<double> Numbers(std::string_view text) {
  std::vector<double> values;
  const char* p = text.data();
  const char* end = text.data() + text.size();
  while (p < end) {
    while (p < end && *p == ' ') ++p;
    if (p == end) break;
    double v = 0;
    auto [next, ec] = std::from_chars(p, end, v);
    if (ec != std::errc()) {
      values.push_back(NAN);
      while (p < end && *p != ' ') ++p;
    } else {
      values.push_back(v);
      p = next;
    }
  }
  return values;
}

// What the library says it tested, from its "N unit cells tested" lines.
std::optional<long long> CellsTested(std::string_view line) {
  const std::size_t at = line.find(" unit cells tested");
  if (at == std::string_view::npos) return std::nullopt;
  std::size_t begin = at;
  while (begin > 0 && line[begin - 1] >= '0' && line[begin - 1] <= '9') --begin;
  long long n = 0;
  if (std::from_chars(line.data() + begin, line.data() + at, n).ec != std::errc())
    return std::nullopt;
  return n;
}

int LatticePoints(Centring centring) {
  switch (centring) {
    case 'P':
      return 1;
    case 'F':
      return 4;
    default:
      return 2;
  }
}

// Two descriptions of one lattice: the same volume per lattice point and the
// same observed lines indexed.
bool SameLattice(const IndexSolution& x, const LineAssignment& lx, const IndexSolution& y,
                 const LineAssignment& ly) {
  const double vx = x.cell.Volume() / LatticePoints(x.centring),
               vy = y.cell.Volume() / LatticePoints(y.centring);
  if (std::fabs(vx - vy) > 0.005 * std::max(vx, vy)) return false;
  return lx.unindexed == ly.unindexed;
}

struct Ranked {
  IndexSolution solution;
  LineAssignment lines;
};

// Best M20 first; of two descriptions of one lattice the higher symmetry
// stays unless the lower one fits clearly better.
std::vector<IndexSolution> RankSolutions(std::vector<Ranked> all) {
  auto better = [](const Ranked& x, const Ranked& y) {
    return x.solution.merit.m20 > y.solution.merit.m20;
  };
  std::stable_sort(all.begin(), all.end(), better);
  std::vector<Ranked> kept;
  for (Ranked& r : all) {
    bool duplicate = false;
    for (Ranked& k : kept) {
      if (!SameLattice(r.solution, r.lines, k.solution, k.lines)) continue;
      duplicate = true;
      if (r.solution.system < k.solution.system &&
          r.solution.merit.m20 >= 0.8 * k.solution.merit.m20)
        k = r;
      break;
    }
    if (!duplicate) kept.push_back(r);
  }
  std::stable_sort(kept.begin(), kept.end(), better);
  std::vector<IndexSolution> solutions;
  for (const Ranked& r : kept) {
    if (static_cast<int>(solutions.size()) == kMaxIndexSolutions) break;
    solutions.push_back(r.solution);
  }
  return solutions;
}

}  // namespace

std::optional<std::string> CheckIndexInput(std::span<const double> twoTheta, double wavelength,
                                           const IndexOptions& options) {
  if (!(wavelength > 0) || !std::isfinite(wavelength))
    return "The wavelength must be a positive number !!!";
  if (options.lines < kMinIndexLines)
    return textio::Format("At least %d lines must be used for indexing !!!", kMinIndexLines);
  if (static_cast<int>(twoTheta.size()) < kMinIndexLines)
    return textio::Format("At least %d peaks are needed for indexing (%d in the list) !!!",
                          kMinIndexLines, static_cast<int>(twoTheta.size()));
  if (options.systems.empty()) return "No crystal system chosen !!!";
  if (options.maxSpurious < 0 || options.maxSpurious > 5)
    return "Spurious lines must be 0 to 5 !!!";
  if (!(options.tolerance > 0) || options.tolerance > 1)
    return "The 2theta tolerance must be above 0 and at most 1 degree !!!";
  if (options.volumeMin < 0 || options.volumeMax < 0 ||
      (options.volumeMax > 0 && options.volumeMin >= options.volumeMax))
    return "The volume limits must be 0 (estimated) or 0 < minimum < maximum !!!";
  const int n = std::min<int>(options.lines, static_cast<int>(twoTheta.size()));
  for (int i = 0; i < n; ++i) {
    if (!(twoTheta[i] > 0 && twoTheta[i] < 180))
      return textio::Format("Peak %d is not a 2theta angle (%g) !!!", i + 1, twoTheta[i]);
    if (i > 0 && std::fabs(twoTheta[i] - twoTheta[i - 1]) < 0.002)
      return textio::Format("Peaks %d and %d are the same line (%.3f) !!!", i, i + 1, twoTheta[i]);
    if (i > 0 && twoTheta[i] < twoTheta[i - 1])
      return textio::Format("Peaks %d and %d are not in ascending order !!!", i, i + 1);
  }
  return std::nullopt;
}

IndexOutcome IndexPeaks(std::span<const double> twoTheta, double wavelength,
                        const IndexOptions& options,
                        const std::function<void(const IndexProgress&)>& progress,
                        const std::atomic<bool>* cancel) {
  IndexOutcome outcome;
  if (std::optional<std::string> refusal = CheckIndexInput(twoTheta, wavelength, options)) {
    outcome.status = IndexOutcome::Status::Refused;
    outcome.message = *refusal;
    return outcome;
  }
  const Plan plan = MakePlan(twoTheta, wavelength, options);
  const std::span<const double> used = twoTheta.first(plan.dSpacings.size());

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    outcome.status = IndexOutcome::Status::Failed;
    outcome.message = "The indexing search cannot be started !!!";
    return outcome;
  }
  // Nothing buffered here may be written twice by the child.
  std::cout.flush();
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    outcome.status = IndexOutcome::Status::Failed;
    outcome.message = "The indexing search cannot be started !!!";
    return outcome;
  }
  if (child == 0) {
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 2);
    }
    dup2(fds[1], 1);
    signal(SIGPIPE, SIG_DFL);
    RunSearch(plan, options);
    Record("E");
    _exit(0);
  }
  close(fds[1]);

  IndexProgress state;
  long long callCells = 0;
  bool ended = false, cancelled = false;
  std::vector<IndexSolution> found;
  std::string pending;
  auto handleLine = [&](std::string_view line) {
    if (line.empty() || line[0] != kRecordMark) {
      if (std::optional<long long> n = CellsTested(line)) callCells = std::max(callCells, *n);
      return;
    }
    line.remove_prefix(1);
    if (line.empty()) return;
    const char kind = line[0];
    if (kind == 'E') {
      ended = true;
      return;
    }
    if (kind == 'S' && line.size() > 6) {
      const std::vector<double> v = Numbers(line.substr(6));
      const std::vector<double> s = Numbers(line.substr(2, 1));
      if (v.size() != 7 || s.size() != 1) return;
      IndexSolution solution;
      solution.system = static_cast<CrystalSystem>(static_cast<int>(s[0]));
      solution.centring = line[4];
      solution.score = v[0];
      solution.cell = Symmetrized({v[1], v[2], v[3], v[4], v[5], v[6]}, solution.system);
      if (solution.cell.Volume() > 0) found.push_back(solution);
      return;
    }
    const std::vector<double> v = Numbers(line.substr(1));
    if (v.size() != 1) return;
    if (kind == 'B') state.system = static_cast<CrystalSystem>(static_cast<int>(v[0]));
    if (kind == 'D') {
      state.cellsTested += callCells;
      callCells = 0;
      state.bestScore = std::max(state.bestScore, v[0]);
    }
    if (progress) {
      IndexProgress shown = state;
      shown.cellsTested += callCells;
      progress(shown);
    }
  };

  char buffer[4096];
  for (;;) {
    if (cancel && cancel->load()) {
      cancelled = true;
      break;
    }
    pollfd p{fds[0], POLLIN, 0};
    const int ready = poll(&p, 1, 50);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t start = 0, end;
    while ((end = pending.find('\n', start)) != std::string::npos) {
      handleLine(std::string_view(pending).substr(start, end - start));
      start = end + 1;
    }
    pending.erase(0, start);
  }
  close(fds[0]);
  if (cancelled) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (cancelled) {
    outcome.status = IndexOutcome::Status::Cancelled;
    return outcome;
  }
  if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    outcome.status = IndexOutcome::Status::Failed;
    outcome.message = "The indexing search ended abnormally !!!";
    return outcome;
  }

  std::vector<Ranked> all;
  for (IndexSolution& s : found) {
    std::optional<ReciprocalMetric> g = MetricOf(s.cell);
    if (!g) continue;
    LineAssignment lines = AssignLines(*g, s.centring, used, wavelength, 0, options.tolerance);
    s.merit = MeritOf(*g, s.centring, used, wavelength, 0, lines);
    all.push_back({s, std::move(lines)});
  }
  outcome.solutions = RankSolutions(std::move(all));
  outcome.status = outcome.solutions.empty() ? IndexOutcome::Status::NoSolution
                                             : IndexOutcome::Status::Solved;
  return outcome;
}

}  // namespace difscop::indexing
