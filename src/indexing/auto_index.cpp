#include "indexing/auto_index.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <numbers>
#include <thread>

#include "indexing/cell_reduction.h"
#include "indexing/dichotomy_search.h"
#include "indexing/zero_offsets.h"
#include "textio/text_writer.h"

namespace difscop::indexing {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
// A solution this good in one crystal system ends the search there.
constexpr double kConvincingM20 = 20.0;
// A cell this good that refines to the zero it was found at makes searching
// other zeros needless.
constexpr double kClearM20 = 20.0;
// Zeros the lines point to, searched with the measured one: at most.
constexpr std::size_t kZerosFirst = 2;
// How many more relations of the lines must hold at such a zero than at
// the measured one.
constexpr double kZeroMargin = 2;
// Successive volume slices grow by this factor.
constexpr double kSliceRatio = 1.6;
// One call of the library that runs longer is given up: at large volumes
// with spurious lines its dichotomy can run for many minutes.
constexpr std::chrono::seconds kTaskLimit{30};
// Marks the search's own lines among what the library prints.
constexpr char kRecordMark = '\x1e';

std::vector<Centring> CentringsOf(CrystalSystem system) {
  switch (system) {
    case CrystalSystem::Cubic:
      return {'P', 'I', 'F'};
    case CrystalSystem::Tetragonal:
      return {'P', 'I'};
    case CrystalSystem::Rhombohedral:
      return {'R'};
    case CrystalSystem::Orthorhombic:
      // The library scans a <= b <= c: a face centred on other edges than
      // the two shortest is its A or B.
      return {'P', 'C', 'A', 'B', 'I', 'F'};
    case CrystalSystem::Monoclinic:
      return {'P', 'C'};
    default:
      return {'P'};
  }
}

double DSpacing(double twoTheta, double wavelength) {
  return wavelength / (2 * std::sin(twoTheta * kDegree / 2));
}

// The volumes searched for a system and centring: from the number of lines
// seen up to the last one (all of them, down to one in seven for cubic cells,
// one in five for most, one in three for the costlier searches), unless given.
void VolumeRange(std::span<const double> twoTheta, double wavelength, const IndexOptions& options,
                 CrystalSystem system, Centring centring, double& low, double& high,
                 double& spuriousHigh) {
  const double dStarLow = 1 / DSpacing(twoTheta.front(), wavelength);
  const double dStarHigh = 1 / DSpacing(twoTheta.back(), wavelength);
  const int n = static_cast<int>(twoTheta.size());
  // An R lattice has a third of the lines of the primitive hexagonal one.
  const bool r = centring == 'R';
  const CrystalSystem estimated = r ? CrystalSystem::Hexagonal : system;
  const double factor = r ? 3.0 : 1.0;
  const double expected =
      factor * EstimatedVolume(dStarLow, dStarHigh, n, estimated, r ? 'P' : centring, 1.0);
  low = options.volumeMin > 0 ? options.volumeMin : std::max(8.0, expected / 8);
  // The R search runs the hexagonal one over three times the volumes: less
  // far out, where chance cells abound.
  high = options.volumeMax > 0
             ? options.volumeMax
             : factor * EstimatedVolume(dStarLow, dStarHigh, n, estimated, r ? 'P' : centring,
                                        system == CrystalSystem::Cubic ? 0.15
                                        : r || system == CrystalSystem::Monoclinic ? 0.3
                                                                                   : 0.2);
  if (!(high > low)) high = 2 * low;
  // Spurious lines let chance cells in, more the larger they are, and cost
  // most there: they are allowed up to the volume of half the lines seen.
  spuriousHigh = options.volumeMax > 0
                     ? high
                     : factor * EstimatedVolume(dStarLow, dStarHigh, n, estimated,
                                                r ? 'P' : centring, 0.5);
}

// One call of the library: one system and centring, one count of spurious
// lines, one zero offset and one slice of volumes.
struct Task {
  CrystalSystem system = CrystalSystem::Cubic;
  Centring centring = 'P';
  int spurious = 0;
  double zero = 0;    // taken off the observed angles
  double window = 0;  // degrees 2theta either side of a line
  double volumeMin = 0, volumeMax = 0, lengthMax = 25;
};

SliceRequest RequestOf(const Task& task, std::span<const double> twoTheta, double wavelength) {
  SliceRequest request;
  // The library's rhombohedral search scans its reciprocal edge over the
  // direct edges' range and only obtuse angles: it finds no rhombohedral
  // cell. An R lattice's lines are among those of the primitive hexagonal
  // cell on the same axes, so the hexagonal search finds its cell, and the
  // R centring is judged from the lines afterwards.
  request.system = task.centring == 'R' ? CrystalSystem::Hexagonal : task.system;
  request.centring = task.centring == 'R' ? 'P' : task.centring;
  request.spurious = task.spurious;
  request.volumeMin = task.volumeMin;
  request.volumeMax = task.volumeMax;
  request.lengthMax = task.lengthMax;
  // Descending spacings: the angles ascend.
  for (double t : twoTheta) {
    const double corrected = t - task.zero;
    const double theta = corrected * kDegree / 2;
    request.dSpacings.push_back(DSpacing(corrected, wavelength));
    request.dStarError.push_back(2 * 2 * std::cos(theta) / wavelength * (task.window * kDegree / 2));
  }
  return request;
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

// Our records go to the same stream as the library's chatter, in order.
void Record(const std::string& text) {
  std::cout.flush();
  std::fflush(stdout);
  WriteAll(1, std::string(1, kRecordMark) + text + "\n");
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

// A task running in a child process.
struct Worker {
  Task task;
  pid_t pid = -1;
  int fd = -1;
  std::string pending;
  long long cells = 0;
  bool ended = false;
  std::vector<Cell> found;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
};

std::optional<Worker> Start(const Task& task, std::span<const double> twoTheta, double wavelength) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  // Nothing buffered here may be written twice by the child.
  std::cout.flush();
  std::fflush(nullptr);
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return std::nullopt;
  }
  if (child == 0) {
    // A search outlives no parent, however that one ends: killed outright,
    // so that nothing of the library's runs on the way out.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 2);
    }
    dup2(fds[1], 1);
    signal(SIGPIPE, SIG_DFL);
    for (const SliceSolution& s : SearchSlice(RequestOf(task, twoTheta, wavelength)))
      Record(textio::Format("S %.9g %.9g %.9g %.9g %.9g %.9g", s.cell.a, s.cell.b, s.cell.c,
                            s.cell.alpha, s.cell.beta, s.cell.gamma));
    Record("E");
    _exit(0);
  }
  close(fds[1]);
  Worker w;
  w.task = task;
  w.pid = child;
  w.fd = fds[0];
  return w;
}

void Line(Worker& w, std::string_view line) {
  if (line.empty() || line[0] != kRecordMark) {
    if (std::optional<long long> n = CellsTested(line)) w.cells = std::max(w.cells, *n);
    return;
  }
  line.remove_prefix(1);
  if (line == "E") {
    w.ended = true;
  } else if (line.size() > 2 && line[0] == 'S') {
    const std::vector<double> v = Numbers(line.substr(2));
    if (v.size() == 6) w.found.push_back({v[0], v[1], v[2], v[3], v[4], v[5]});
  }
}

// Reads what the worker has written; false at the end of its output.
bool Read(Worker& w) {
  char buffer[4096];
  const ssize_t n = read(w.fd, buffer, sizeof buffer);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
  if (n <= 0) return false;
  w.pending.append(buffer, static_cast<std::size_t>(n));
  std::size_t start = 0, end;
  while ((end = w.pending.find('\n', start)) != std::string::npos) {
    Line(w, std::string_view(w.pending).substr(start, end - start));
    start = end + 1;
  }
  w.pending.erase(0, start);
  return true;
}

// Ends the worker; true when it ran to its end.
bool Finish(Worker& w, bool kill) {
  if (kill) ::kill(w.pid, SIGKILL);
  close(w.fd);
  int status = 0;
  while (waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
  }
  return !kill && w.ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The cell of a fit, refined against the lines with its zero offset, in its
// standard setting, with its figures of merit.
std::optional<IndexSolution> Evaluate(CrystalSystem system, Centring centring, const Cell& found,
                                      double zero, std::span<const double> lines,
                                      double wavelength, const IndexOptions& options) {
  Cell cell = Symmetrized(found, system);
  // An A or B cell is a C cell on permuted axes (b kept unique when
  // monoclinic).
  if (system == CrystalSystem::Monoclinic && centring == 'A') {
    cell = {cell.c, cell.b, cell.a, 90, cell.beta, 90};
  } else if (centring == 'A') {
    cell = {cell.b, cell.c, cell.a, 90, 90, 90};
  } else if (centring == 'B') {
    cell = {cell.a, cell.c, cell.b, 90, 90, 90};
  }
  if (centring == 'A' || centring == 'B') centring = 'C';
  Corrections corrections{zero, 0};
  RefineOptions refine;
  refine.tolerance = options.tolerance;
  refine.zeroShift = options.zeroRange > 0;
  refine.start = corrections;
  if (std::optional<Refinement> r = RefineCell(cell, system, centring, lines, wavelength, refine)) {
    cell = r->cell;
    corrections = r->corrections;
  }
  cell = StandardCell(cell, system, centring);
  std::optional<ReciprocalMetric> g = MetricOf(cell);
  if (!g || !(cell.Volume() > 0)) return std::nullopt;
  IndexSolution s;
  s.system = system;
  s.centring = centring;
  s.cell = cell;
  s.corrections = corrections;
  s.merit = MeritOf(*g, centring, lines, wavelength, corrections, options.tolerance);
  s.unindexed =
      AssignLines(*g, centring, lines, wavelength, corrections, options.tolerance).unindexed;
  return s;
}

// How clearly a cell is right: its M20, or, for one that leaves lines
// unindexed, the M20 of the lines it indexes against a bar two and a half
// times as high.
double Standing(const FiguresOfMerit& m) { return std::max(m.m20, m.m20Indexed / 2.5); }

// A cell whose indexed lines fit convincingly goes before one whose lines
// fit poorly, whatever the lines it leaves: a large cell's many lines catch
// any line within the tolerance.
bool Better(const IndexSolution& x, const IndexSolution& y) {
  const bool xFits = x.merit.m20Indexed >= kConvincingM20;
  const bool yFits = y.merit.m20Indexed >= kConvincingM20;
  if (xFits != yFits) return xFits;
  if (x.merit.m20 != y.merit.m20) return x.merit.m20 > y.merit.m20;
  return x.merit.fn > y.merit.fn;
}

// The lines compared, up to the last one used, and how far apart two of
// them may lie and be one.
struct LineRange {
  double twoThetaMax = 0, wavelength = 0, tolerance = 0;
};

// Whether every line of a is a line of b too.
bool LinesAmong(const IndexSolution& a, const IndexSolution& b, const LineRange& range) {
  const std::optional<ReciprocalMetric> ga = MetricOf(a.cell), gb = MetricOf(b.cell);
  if (!ga || !gb) return false;
  const double qMax = QOfTwoTheta(range.twoThetaMax, range.wavelength);
  std::vector<double> bLines;
  for (const CalculatedLine& line : CalculatedLines(
           *gb, b.centring, QOfTwoTheta(range.twoThetaMax + 2 * range.tolerance, range.wavelength)))
    bLines.push_back(line.q);
  for (const CalculatedLine& line : CalculatedLines(*ga, a.centring, qMax)) {
    const std::optional<double> t = TwoThetaOfQ(line.q, range.wavelength);
    if (!t) return false;
    auto it = std::lower_bound(bLines.begin(), bLines.end(),
                               QOfTwoTheta(*t - range.tolerance, range.wavelength));
    if (it == bLines.end() || *it > QOfTwoTheta(*t + range.tolerance, range.wavelength))
      return false;
  }
  return true;
}

// Whether big is a larger cell that has every line of small and more: it
// indexes more only because it has more lines. A cell of higher symmetry
// with the very lines of a smaller one (a hexagonal cell and the
// orthorhombic one of half its volume) is not: the symmetry decides.
bool Supercell(const IndexSolution& big, const IndexSolution& small, const LineRange& range) {
  if (big.cell.Volume() / LatticePoints(big.centring) <
      1.5 * small.cell.Volume() / LatticePoints(small.centring))
    return false;
  if (!LinesAmong(small, big, range)) return false;
  return !(big.system < small.system && LinesAmong(big, small, range));
}

// Cells whose indexed lines fit first, best M20 first (then F(N)) within
// each kind; of two descriptions of one lattice the higher
// symmetry stays unless the lower one fits clearly better. A supercell that
// owes its figure to a spurious line it happens to index goes after the cell
// it is built on, when that one leaves no more lines than allowed.
std::vector<IndexSolution> RankSolutions(std::vector<IndexSolution> all, const LineRange& range,
                                         int spurious) {
  std::stable_sort(all.begin(), all.end(), Better);
  std::vector<IndexSolution> kept;
  for (IndexSolution& s : all) {
    bool duplicate = false;
    for (IndexSolution& k : kept) {
      if (!SameLattice(s.cell, s.centring, k.cell, k.centring)) continue;
      duplicate = true;
      if (s.system < k.system && s.merit.m20 >= 0.8 * k.merit.m20) k = s;
      break;
    }
    if (!duplicate) kept.push_back(std::move(s));
  }
  std::stable_sort(kept.begin(), kept.end(), Better);
  constexpr std::size_t kRanked = 3 * kMaxIndexSolutions;
  if (kept.size() > kRanked) kept.resize(kRanked);
  // A supercell goes right after the cell it is built on; the cells between
  // keep their places.
  for (std::size_t i = 0; i < kept.size();) {
    std::size_t below = i;
    for (std::size_t j = i + 1; j < kept.size(); ++j) {
      if (static_cast<int>(kept[j].unindexed.size()) <= spurious &&
          Supercell(kept[i], kept[j], range))
        below = j;
    }
    if (below == i) {
      ++i;
      continue;
    }
    std::rotate(kept.begin() + static_cast<std::ptrdiff_t>(i),
                kept.begin() + static_cast<std::ptrdiff_t>(i + 1),
                kept.begin() + static_cast<std::ptrdiff_t>(below + 1));
  }
  // Of two cells with the very same lines (a cubic I cell and the
  // tetragonal one of half its volume per lattice point) the higher
  // symmetry goes first unless the lower one fits clearly better.
  for (std::size_t i = 0; i < kept.size(); ++i) {
    for (std::size_t j = i + 1; j < kept.size(); ++j) {
      if (kept[j].system >= kept[i].system || kept[j].merit.m20 < 0.8 * kept[i].merit.m20 ||
          !LinesAmong(kept[i], kept[j], range) || !LinesAmong(kept[j], kept[i], range))
        continue;
      std::rotate(kept.begin() + static_cast<std::ptrdiff_t>(i),
                  kept.begin() + static_cast<std::ptrdiff_t>(j),
                  kept.begin() + static_cast<std::ptrdiff_t>(j + 1));
    }
  }
  if (kept.size() > static_cast<std::size_t>(kMaxIndexSolutions)) kept.resize(kMaxIndexSolutions);
  return kept;
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
  if (!(options.zeroRange >= 0) || options.zeroRange > kMaxZeroRange)
    return textio::Format("The zero offset range must be 0 to %g degrees !!!", kMaxZeroRange);
  if (!(options.lengthMax >= 0) || (options.lengthMax > 0 && options.lengthMax < 3) ||
      options.lengthMax > 100)
    return "The longest edge must be 0 (estimated) or 3 to 100 angstroms !!!";
  if (!(options.volumeMin >= 0) || !(options.volumeMax >= 0) ||
      (options.volumeMax > 0 && options.volumeMin >= options.volumeMax))
    return "The volume limits must be 0 (estimated) or 0 < minimum < maximum !!!";
  if (options.threads < 0 || options.threads > 64) return "Threads must be 0 to 64 !!!";
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

double DefaultLengthMax(std::span<const double> twoTheta, double wavelength,
                        CrystalSystem system) {
  if (twoTheta.empty() || !(wavelength > 0)) return 25;
  const double d = DSpacing(twoTheta.front(), wavelength);
  // One or two parameters cost little to search far: rhombohedral cells on
  // hexagonal axes have a long c.
  if (system <= CrystalSystem::Rhombohedral) return std::clamp(4 * d, 12.0, 40.0);
  return std::clamp(3 * d, 10.0, 35.0);
}

double DefaultTolerance(double stepWidth) { return std::clamp(2 * stepWidth, 0.03, 0.1); }

IndexOutcome IndexPeaks(std::span<const double> twoTheta, double wavelength,
                        const IndexOptions& options,
                        const std::function<void(const IndexProgress&)>& progress,
                        const std::atomic<bool>* cancel, int cancelFd) {
  IndexOutcome outcome;
  if (std::optional<std::string> refusal = CheckIndexInput(twoTheta, wavelength, options)) {
    outcome.status = IndexOutcome::Status::Refused;
    outcome.message = *refusal;
    return outcome;
  }
  const std::span<const double> used = twoTheta.first(
      std::min<std::size_t>(static_cast<std::size_t>(options.lines), twoTheta.size()));
  std::vector<CrystalSystem> systems = options.systems;
  std::sort(systems.begin(), systems.end());
  systems.erase(std::unique(systems.begin(), systems.end()), systems.end());
  const int parallel =
      options.threads > 0 ? options.threads
                          : std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);

  std::vector<IndexSolution> candidates;
  // Found with the lines' windows widened: kept only when no search with
  // the tolerance's own windows finds a clear cell, as such windows let
  // chance cells in.
  std::vector<IndexSolution> widened;
  IndexProgress state;
  long long finishedCells = 0;
  bool cancelled = false, failed = false;
  std::vector<Worker> running;

  auto cancelRequested = [&] {
    if (cancel && cancel->load()) return true;
    if (cancelFd < 0) return false;
    pollfd p{cancelFd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
  };
  auto report = [&] {
    if (!progress) return;
    IndexProgress shown = state;
    shown.cellsTested = finishedCells;
    for (const Worker& w : running) shown.cellsTested += w.cells;
    progress(shown);
  };

  // A convincing cell, and where it was searched.
  struct Best {
    double zero = 0;      // the zero it refines to
    double searched = 0;  // the zero it was found at
    double window = 0;    // and the lines' windows there
    double standing = 0;
    std::size_t system = 0;  // its system's place among those searched
  };
  // Whether a cell refines to the zero it was searched at, within what its
  // lines' windows leave of them once the tolerance is taken.
  auto atItsZero = [&](const Best& b) {
    return std::fabs(b.zero - b.searched) <= b.window - options.tolerance / 2 + 1e-9;
  };
  // A cell at its zero goes before one that refines off it, then the higher
  // standing.
  auto better = [&](const Best& b, const std::optional<Best>& than) {
    if (!than) return true;
    if (atItsZero(b) != atItsZero(*than)) return atItsZero(b);
    return b.standing > than->standing;
  };

  // Runs the tasks of one crystal system, several at once, in the order
  // given. A convincing cell of a centring caps the volumes still worth
  // searching for it: a larger cell would only be built on it. With stopAt,
  // a cell standing that high at its zero ends the search at every other
  // zero. The best convincing cell, or nullopt when none convinces.
  auto runStage = [&](std::vector<Task> tasks, double stopAt) {
    std::map<Centring, double> settled;  // the smallest convincing volume per centring
    std::optional<Best> best;
    std::optional<double> clearAt;  // the zero of a cell that stands at stopAt
    auto needless = [&](const Task& t) {
      if (clearAt && t.zero != *clearAt) return true;
      auto it = settled.find(t.centring);
      if (it != settled.end() && t.volumeMin > it->second) return true;
      // A primitive monoclinic cell that indexes everything already has the
      // lattice's axes; the centred scan costs many times as much.
      return t.system == CrystalSystem::Monoclinic && t.centring != 'P' && settled.count('P');
    };
    auto take = [&](Worker& w) {
      // A primitive cell on the axes of a centred lattice indexes a line
      // the centring forbids only by chance (a spurious one): the centred
      // cells on its axes are judged too.
      std::vector<Centring> centrings = {w.task.centring};
      if (w.task.centring == 'P' && w.task.system == CrystalSystem::Monoclinic) centrings.insert(centrings.end(), {'C', 'A'});
      if (w.task.centring == 'P' && w.task.system == CrystalSystem::Orthorhombic)
        centrings.insert(centrings.end(), {'C', 'A', 'B', 'I', 'F'});
      for (const Cell& cell : w.found)
      for (Centring centring : centrings) {
        std::optional<IndexSolution> s =
            Evaluate(w.task.system, centring, cell, w.task.zero, used, wavelength, options);
        if (!s) continue;
        const int unindexed = static_cast<int>(s->unindexed.size());
        // A cell that leaves more lines than allowed is no solution (a
        // hexagonal cell whose lines break the R rule is no R lattice).
        if (unindexed > options.maxSpurious || (w.task.centring == 'R' && unindexed > w.task.spurious))
          continue;
        state.bestM20 = std::max(state.bestM20, s->merit.m20);
        ++state.solutions;
        // Judged on the lines it indexes: a spurious line allowed would
        // otherwise spoil a right cell's figure.
        if (unindexed <= w.task.spurious && s->merit.m20Indexed >= kConvincingM20) {
          auto [it, added] = settled.try_emplace(w.task.centring, s->cell.Volume());
          if (!added) it->second = std::min(it->second, s->cell.Volume());
          const Best b{s->corrections.zero, w.task.zero, w.task.window, Standing(s->merit)};
          if (better(b, best)) best = b;
          if (stopAt > 0 && !clearAt && b.standing >= stopAt && atItsZero(b)) clearAt = w.task.zero;
        }
        (w.task.window > options.tolerance ? widened : candidates).push_back(std::move(*s));
      }
    };
    std::size_t next = 0;
    while (!cancelled) {
      if (cancelRequested()) {
        cancelled = true;
        break;
      }
      while (static_cast<int>(running.size()) < parallel && next < tasks.size()) {
        const Task& t = tasks[next++];
        if (needless(t)) continue;
        std::optional<Worker> w = Start(t, used, wavelength);
        if (!w) {
          failed = true;
          continue;
        }
        state.system = t.system;
        state.centring = t.centring;
        running.push_back(std::move(*w));
      }
      if (running.empty()) break;
      std::vector<pollfd> fds;
      for (const Worker& w : running) fds.push_back({w.fd, POLLIN, 0});
      const int ready = ::poll(fds.data(), fds.size(), 50);
      if (ready < 0 && errno != EINTR) {
        failed = true;
        break;
      }
      for (std::size_t i = running.size(); i-- > 0;) {
        Worker& w = running[i];
        const bool open = !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)) || Read(w);
        const bool overdue = std::chrono::steady_clock::now() - w.started > kTaskLimit;
        if (open && !needless(w.task) && !overdue) continue;
        // Ended, or searching volumes a convincing cell has made needless.
        if (Finish(w, open)) {
          take(w);
          finishedCells += w.cells;
        } else if (!open) {
          failed = true;
        }
        running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
      }
      report();
    }
    for (Worker& w : running) Finish(w, true);
    running.clear();
    return best;
  };

  auto tasksOf = [&](CrystalSystem system, double zero, double window) {
    std::vector<Task> tasks;
    for (Centring centring : CentringsOf(system)) {
      double low = 0, high = 0, spuriousHigh = 0;
      VolumeRange(used, wavelength, options, system, centring, low, high, spuriousHigh);
      std::vector<std::pair<double, double>> slices;
      for (double v = low; v < high; v *= kSliceRatio) {
        // A slice just short of the top would be a sliver: take it now.
        const double top = v * kSliceRatio * kSliceRatio > high ? high : v * kSliceRatio;
        slices.push_back({v, top});
        if (top >= high) break;
      }
      for (int spurious = 0; spurious <= options.maxSpurious; ++spurious) {
        for (const auto& [from, to] : slices) {
          if (spurious > 0 && from >= spuriousHigh) break;
          Task t;
          t.system = system;
          t.centring = centring;
          t.spurious = spurious;
          t.zero = zero;
          t.window = window;
          t.volumeMin = from;
          t.volumeMax = to;
          t.lengthMax = options.lengthMax > 0
                            ? options.lengthMax
                            : DefaultLengthMax(used, wavelength,
                                               centring == 'R' ? CrystalSystem::Hexagonal : system);
          tasks.push_back(t);
        }
      }
    }
    return tasks;
  };

  // A zero offset searched, and the half width of the lines' windows there.
  struct Zero {
    double zero = 0, window = 0;
  };
  // Runs the systems from the highest symmetry down, each at every zero
  // given, until one finds a convincing cell: a lower symmetry would only
  // find that cell again, or a worse one. An R lattice is no lower than a
  // primitive hexagonal one: a primitive cell on its hexagonal axes indexes
  // its lines too, with a third of the volume per line. The lowest system
  // searched, and the best convincing cell. With enough, a convincing cell
  // ends the search only when its standing reaches that at its zero, and
  // its system's search at the other zeros at once. Zeros interleaved search every zero's
  // small cells before any zero's large ones; otherwise each zero's tasks
  // run in turn.
  struct Pass {
    std::size_t lowest = 0;
    std::optional<Best> best;
  };
  auto runSystems = [&](std::size_t from, std::size_t count, const std::vector<Zero>& zeros,
                        double enough, bool interleaved) {
    Pass pass;
    for (std::size_t at = from; at < count && !cancelled; ++at) {
      std::vector<std::vector<Task>> perZero;
      for (const Zero& z : zeros) perZero.push_back(tasksOf(systems[at], z.zero, z.window));
      std::vector<Task> tasks;
      if (interleaved) {
        for (std::size_t i = 0;; ++i) {
          bool any = false;
          for (const std::vector<Task>& list : perZero) {
            if (i >= list.size()) continue;
            tasks.push_back(list[i]);
            any = true;
          }
          if (!any) break;
        }
      } else {
        for (const std::vector<Task>& list : perZero) tasks.insert(tasks.end(), list.begin(), list.end());
      }
      pass.lowest = at;
      std::optional<Best> best = runStage(std::move(tasks), enough);
      if (best) best->system = at;
      if (best && better(*best, pass.best)) pass.best = best;
      const bool hexagonalFamily = systems[at] == CrystalSystem::Hexagonal && at + 1 < count &&
                                   systems[at + 1] == CrystalSystem::Rhombohedral;
      if (pass.best && pass.best->standing >= enough && (enough == 0 || atItsZero(*pass.best)) &&
          !hexagonalFamily)
        break;
    }
    return pass;
  };
  // A cell is clearly right when its standing is one no chance cell reaches and
  // it refines to the zero it was searched at with the tolerance's windows.
  auto clear = [&](const Pass& pass) {
    return pass.best && pass.best->standing >= kClearM20 && atItsZero(*pass.best) &&
           pass.best->window <= options.tolerance;
  };

  // The zeros other than the measured one are searched on a grid in steps
  // of one tolerance, each line's window widened by half the step: the
  // search's cost grows steeply with the width of the windows. The grid's
  // zeros are ranked by the relations of the lines that hold near them;
  // those where clearly fewer hold than at the measured zero are left out:
  // lines of no lattice would otherwise cost minutes at every zero.
  const Zero measured{0.0, options.tolerance};
  std::vector<Zero> first;
  std::vector<Zero> grid;
  if (options.zeroRange > 0) {
    const int steps = static_cast<int>(std::ceil(options.zeroRange / options.tolerance - 1e-6));
    const double step = options.zeroRange / steps;
    std::vector<double> zeros = {0.0};
    for (int i = 1; i <= steps; ++i)
      for (double sign : {1.0, -1.0}) zeros.push_back(sign * step * i);
    const std::vector<ZeroScore> ranked =
        RankZeroOffsets(used, wavelength, options.tolerance, zeros, step / 2);
    double atZero = 0;
    for (const ZeroScore& z : ranked)
      if (z.zero == 0) atZero = z.score;
    // The few zeros the lines point to more clearly than to the measured
    // one are searched with it, first: not within two steps of it, which
    // the zero a cell found there refines to reaches, nor next to one
    // another.
    auto apart = [&](double zero) {
      if (std::fabs(zero) < 2.5 * step) return false;
      for (const Zero& z : first)
        if (std::fabs(z.zero - zero) < 1.5 * step) return false;
      return true;
    };
    for (const ZeroScore& z : ranked) {
      if (z.zero == 0) continue;
      const Zero searched{z.zero, options.tolerance + step / 2};
      if (z.score >= atZero + kZeroMargin && first.size() < kZerosFirst && apart(z.zero))
        first.push_back(searched);
      else if (z.score >= atZero - kZeroMargin)
        grid.push_back(searched);
    }
  }

  // First the zero as measured, down to the systems of most parameters,
  // whose search costs most; when none of the others convinces there, they
  // are searched at the zeros the lines point to, and the costly ones at
  // those and the measured one together. Unless the best cell found is
  // clearly right, the zero it refined to is searched next, as that cell's
  // lines tell it; failing that, the grid's other zeros, best ranked first:
  // a lower symmetry, or a larger cell whose many lines take up an offset,
  // indexes shifted lines by chance. Neither goes below the lowest system
  // already searched.
  const std::size_t costly = static_cast<std::size_t>(
      std::find_if(systems.begin(), systems.end(),
                   [](CrystalSystem s) { return s >= CrystalSystem::Monoclinic; }) -
      systems.begin());
  Pass pass = runSystems(0, costly, {measured}, 0, false);
  if (!pass.best && !first.empty() && !cancelled) pass = runSystems(0, costly, first, kClearM20, true);
  if (!pass.best && costly < systems.size() && !cancelled) {
    std::vector<Zero> zeros = first;
    zeros.push_back(measured);
    pass = runSystems(costly, systems.size(), zeros, zeros.size() > 1 ? kClearM20 : 0, true);
  }
  // A cell clear but for widened windows is searched again at its zero with
  // the tolerance's, from its own system on (the wider windows found no
  // higher symmetry); the grid is not needed after it either way.
  bool done = clear(pass);
  const bool clearWidened = pass.best && pass.best->standing >= kClearM20 && atItsZero(*pass.best);
  if (!done && options.zeroRange > 0 && !cancelled) {
    std::size_t count = pass.lowest + 1;
    if (pass.best &&
        (pass.best->window > options.tolerance ||
         std::fabs(pass.best->zero - pass.best->searched) > options.tolerance / 2) &&
        std::fabs(pass.best->zero) <= options.zeroRange + options.tolerance) {
      const std::size_t from = pass.best->window > options.tolerance ? pass.best->system : 0;
      const Pass again =
          runSystems(from, count, {{pass.best->zero, options.tolerance}}, 0, false);
      done = clear(again);
      count = std::min(count, again.lowest + 1);
    }
    // Of so many zeros some give a higher symmetry a chance cell that
    // convinces: only a clear one ends this search.
    if (!done && !clearWidened && !cancelled && !grid.empty())
      runSystems(0, count, grid, kClearM20, false);
  }

  if (!done) candidates.insert(candidates.end(), widened.begin(), widened.end());
  outcome.solutions = RankSolutions(
      std::move(candidates), {used.back(), wavelength, options.tolerance}, options.maxSpurious);
  if (cancelled) {
    outcome.status = IndexOutcome::Status::Cancelled;
  } else if (failed && outcome.solutions.empty()) {
    outcome.status = IndexOutcome::Status::Failed;
    outcome.message = "The indexing search ended abnormally !!!";
  } else {
    outcome.status = outcome.solutions.empty() ? IndexOutcome::Status::NoSolution
                                               : IndexOutcome::Status::Solved;
  }
  return outcome;
}

}  // namespace difscop::indexing
