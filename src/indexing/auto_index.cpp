#include "indexing/auto_index.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <thread>

#include "indexing/cell_reduction.h"
#include "indexing/cell_search.h"
#include "indexing/dichotomy_search.h"
#include "indexing/triclinic_search.h"
#include "textio/text_writer.h"

namespace difscop::indexing {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
// A solution this good in one crystal system ends the search there.
constexpr double kConvincingM20 = 20.0;
// Successive volume slices grow by this factor.
constexpr double kSliceRatio = 1.6;
// A lattice and centring with this many cells found has limits too loose for
// its lines: larger volumes would only add more.
constexpr std::size_t kMaxCellsFound = 200;

std::vector<Centring> CentringsOf(CrystalSystem system) {
  switch (system) {
    case CrystalSystem::Cubic:
      return {'P', 'I', 'F'};
    case CrystalSystem::Tetragonal:
      return {'P', 'I'};
    case CrystalSystem::Rhombohedral:
      return {'R'};
    case CrystalSystem::Orthorhombic:
      return {'P', 'C', 'I', 'F'};
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
// seen up to the last one (all of them, down to one in seven), unless given.
void VolumeRange(std::span<const double> twoTheta, double wavelength, const IndexOptions& options,
                 CrystalSystem system, Centring centring, double& low, double& high) {
  const double dStarLow = 1 / DSpacing(twoTheta.front(), wavelength);
  const double dStarHigh = 1 / DSpacing(twoTheta.back(), wavelength);
  const int n = static_cast<int>(twoTheta.size());
  // An R lattice has a third of the lines of the primitive hexagonal one.
  const bool r = centring == 'R';
  const CrystalSystem estimated = r ? CrystalSystem::Hexagonal : system;
  const double factor = r ? 3.0 : 1.0;
  const double expected =
      factor * EstimatedVolume(dStarLow, dStarHigh, n, estimated, r ? 'P' : centring, 1.0);
  low = options.volumeMin > 0 ? options.volumeMin : std::max(8.0, 0.25 * expected);
  high = options.volumeMax > 0
             ? options.volumeMax
             : factor * EstimatedVolume(dStarLow, dStarHigh, n, estimated, r ? 'P' : centring,
                                        system >= CrystalSystem::Monoclinic ? 0.3 : 0.15);
  if (!(high > low)) high = 2 * low;
}

// The cell of a fit, refined against the lines with its zero offset, in its
// standard setting, with its figures of merit.
std::optional<IndexSolution> Evaluate(CrystalSystem system, Centring centring, const Cell& found,
                                  double zero, std::span<const double> lines, double wavelength,
                                  const IndexOptions& options) {
  Cell cell = Symmetrized(found, system);
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

bool Better(const IndexSolution& x, const IndexSolution& y) {
  if (x.merit.m20 != y.merit.m20) return x.merit.m20 > y.merit.m20;
  return x.merit.fn > y.merit.fn;
}

// Best M20 first (then F(N)); of two descriptions of one lattice the higher
// symmetry stays unless the lower one fits clearly better.
std::vector<IndexSolution> RankSolutions(std::vector<IndexSolution> all) {
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
  if (system <= CrystalSystem::Rhombohedral) return std::clamp(5 * d, 15.0, 50.0);
  return std::clamp(3 * d, 10.0, 35.0);
}

double DefaultTolerance(double stepWidth) {
  return std::clamp(2 * stepWidth, 0.03, 0.1);
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
  const std::span<const double> used =
      twoTheta.first(std::min<std::size_t>(static_cast<std::size_t>(options.lines), twoTheta.size()));
  std::vector<CrystalSystem> systems = options.systems;
  std::sort(systems.begin(), systems.end());
  systems.erase(std::unique(systems.begin(), systems.end()), systems.end());

  std::mutex mutex;  // guards candidates and state
  std::vector<IndexSolution> candidates;
  IndexProgress state;
  auto cancelled = [&] { return cancel && cancel->load(); };
  SearchControl control;
  control.cancel = cancel;
  control.threads = options.threads > 0
                        ? options.threads
                        : std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 8);
  long long earlierBoxes = 0;
  control.tick = [&] {
    if (!progress) return;
    IndexProgress shown;
    {
      std::lock_guard lock(mutex);
      shown = state;
    }
    shown.cellsTested = earlierBoxes + control.boxesTested.load();
    progress(shown);
  };
  // Adds a cell found; true when it indexes all but spurious lines convincingly.
  auto add = [&](CrystalSystem system, Centring centring, const Cell& cell, double zero,
                 int spurious) {
    std::optional<IndexSolution> s = Evaluate(system, centring, cell, zero, used, wavelength, options);
    if (!s) return false;
    std::lock_guard lock(mutex);
    state.bestM20 = std::max(state.bestM20, s->merit.m20);
    ++state.solutions;
    // Judged on the lines it indexes: a spurious line allowed would
    // otherwise spoil a right cell's figure.
    const bool convincing = static_cast<int>(s->unindexed.size()) <= spurious &&
                            s->merit.m20Indexed >= kConvincingM20;
    candidates.push_back(std::move(*s));
    return convincing;
  };

  bool failed = false, convincing = false;
  for (std::size_t at = 0; at < systems.size(); ++at) {
    const CrystalSystem system = systems[at];
    if (cancelled()) break;
    {
      std::lock_guard lock(mutex);
      state.system = system;
    }
    if (system == CrystalSystem::Triclinic) {
      TriclinicSearch t;
      t.twoTheta.assign(used.begin(), used.end());
      t.wavelength = wavelength;
      t.tolerance = options.tolerance;
      t.spurious = options.maxSpurious;
      t.lengthMax =
          options.lengthMax > 0 ? options.lengthMax : DefaultLengthMax(used, wavelength, system);
      VolumeRange(used, wavelength, options, system, 'P', t.volumeMin, t.volumeMax);
      const TriclinicStatus status = SearchTriclinic(
          t, cancel,
          [&](const Cell& cell) { add(system, 'P', cell, 0, options.maxSpurious); },
          control.tick);
      failed = status == TriclinicStatus::Failed;
      continue;
    }
    for (Centring centring : CentringsOf(system)) {
      {
        std::lock_guard lock(mutex);
        state.centring = centring;
      }
      LatticeSearch search;
      search.system = system;
      search.centring = centring;
      search.twoTheta.assign(used.begin(), used.end());
      search.wavelength = wavelength;
      search.tolerance = options.tolerance;
      search.zeroMin = -options.zeroRange;
      search.zeroMax = options.zeroRange;
      search.lengthMax =
          options.lengthMax > 0 ? options.lengthMax : DefaultLengthMax(used, wavelength, system);
      double low = 0, high = 0;
      VolumeRange(used, wavelength, options, system, centring, low, high);
      bool settled = false;
      const std::size_t before = candidates.size();
      auto crowded = [&] {
        std::lock_guard lock(mutex);
        return candidates.size() - before >= kMaxCellsFound;
      };
      for (int spurious = 0; spurious <= options.maxSpurious && !settled; ++spurious) {
        search.spurious = spurious;
        // Volume slices upwards; the first with a convincing cell is the last.
        for (double v = low; v < high && !settled && !cancelled() && !crowded(); v *= kSliceRatio) {
          search.volumeMin = v;
          search.volumeMax = std::min(v * kSliceRatio, high);
          // A slice just short of the top would be a sliver: take it now.
          if (search.volumeMax * kSliceRatio > high) search.volumeMax = high;
          std::atomic<bool> found{false};
          SearchLattices(search, control, [&](const FoundLattice& f) {
            std::optional<Cell> cell = CellOf(f.metric);
            if (cell && add(system, centring, *cell, f.zero, spurious)) found = true;
          });
          settled = found;
          earlierBoxes += control.boxesTested.exchange(0);
          if (search.volumeMax >= high) break;
        }
      }
      convincing = convincing || settled;
    }
    // A lower symmetry would only find this cell again, or a worse one. An R
    // lattice is no lower than a primitive hexagonal one: a primitive cell on
    // its hexagonal axes indexes its lines too, with a third of the volume
    // per line.
    const bool hexagonalFamily = system == CrystalSystem::Hexagonal && at + 1 < systems.size() &&
                                 systems[at + 1] == CrystalSystem::Rhombohedral;
    if (convincing && !hexagonalFamily) break;
  }

  outcome.solutions = RankSolutions(std::move(candidates));
  if (cancelled()) {
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
