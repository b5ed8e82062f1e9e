#include "indexing/builtin_indexing.h"

#include <algorithm>
#include <cmath>

#include "indexing/auto_index.h"
#include "indexing_test_support.h"
#include "platform/scripted_platform.h"

using namespace difscop::indexing;

namespace {

constexpr double kWavelength = 1.540593;

struct KnownCell {
  const char* name;
  CrystalSystem system;
  Centring centring;
  Cell cell;
};

// The first n lines of a cell as ascending 2theta, those within 0.03 degrees taken as one
// (the lattice code is pinned by the Lattice test and the BaSO4 cell the command line finds).
std::vector<double> LinesOf(const KnownCell& known, int n) {
  std::vector<double> lines;
  for (const CalculatedLine& line :
       CalculatedLines(*MetricOf(known.cell), known.centring, QOfTwoTheta(150, kWavelength))) {
    const double t = *TwoThetaOfQ(line.q, kWavelength);
    if (lines.empty() || t - lines.back() > 0.03) lines.push_back(t);
    if (static_cast<int>(lines.size()) == n) break;
  }
  return lines;
}

// Measurement-like errors of up to 0.01 degrees, the same on every run.
std::vector<double> WithErrors(std::vector<double> lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) lines[i] += 0.01 * std::sin(7.3 * i + 1.1);
  return lines;
}

const KnownCell kCells[] = {
    {"cubic F", CrystalSystem::Cubic, 'F', {5.4309, 5.4309, 5.4309, 90, 90, 90}},
    {"tetragonal I", CrystalSystem::Tetragonal, 'I', {3.785, 3.785, 9.514, 90, 90, 90}},
    {"hexagonal", CrystalSystem::Hexagonal, 'P', {3.2498, 3.2498, 5.2066, 90, 90, 120}},
    {"orthorhombic P", CrystalSystem::Orthorhombic, 'P', {5.36, 7.02, 9.43, 90, 90, 90}},
    {"monoclinic P", CrystalSystem::Monoclinic, 'P', {6.12, 7.41, 8.27, 90, 103.6, 90}},
};

// The same cell whatever its setting: the volume and the calculated lines.
void ExpectSameLattice(const IndexSolution& found, const KnownCell& known) {
  EXPECT_NEAR(found.cell.Volume(), known.cell.Volume(), 0.01 * known.cell.Volume());
  const std::vector<double> want = LinesOf(known, 15),
                            got = LinesOf({"", found.system, found.centring, found.cell}, 15);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 0.03) << i;
}

}  // namespace

// Each cell, then the orthorhombic one with a line between its seventh and eighth.
TEST(BuiltinIndexing, FindsKnownCellsFromTheirLinesAndLeavesOutASpuriousOne) {
  for (int n = 0; n < 6; ++n) {
    const KnownCell& known = kCells[n < 5 ? n : 3];
    SCOPED_TRACE(known.name);
    std::vector<double> lines = WithErrors(LinesOf(known, 20));
    IndexOptions options;
    if (n == 5) {
      lines.insert(lines.begin() + 7, (lines[6] + lines[7]) / 2);
      options.maxSpurious = 1;
    }
    IndexProgress last;
    IndexOutcome outcome =
        IndexPeaks(lines, kWavelength, options, [&](const IndexProgress& p) { last = p; });
    ASSERT_EQ(outcome.status, IndexOutcome::Status::Solved);
    ExpectSameLattice(outcome.solutions.front(), known);
    EXPECT_GT(outcome.solutions.front().merit.m20, 20);
    // The last report carries the best score of the whole search.
    for (const IndexSolution& s : outcome.solutions) EXPECT_LE(s.score, last.bestScore);
    EXPECT_GT(last.bestScore, 0);
    std::string message;
    std::optional<Refinement> r =
        RefineSolution(outcome.solutions.front(), lines, kWavelength, options, message);
    ASSERT_TRUE(r) << message;
    EXPECT_EQ(r->lines.unindexed, n < 5 ? std::vector<int>{} : std::vector<int>{7});
  }
}

TEST(BuiltinIndexing, RefinementRecoversTheCellWithinItsUncertainties) {
  // Shifted, or not, by a zero error put on every line.
  const std::pair<const KnownCell*, double> cases[] = {
      {&kCells[2], 0.0}, {&kCells[4], 0.0}, {&kCells[3], 0.04}};
  for (const auto& [known, zero] : cases) {
    SCOPED_TRACE(known->name);
    std::vector<double> lines = WithErrors(LinesOf(*known, 25));
    for (double& t : lines) t += zero;
    const Cell& k = known->cell;
    const Cell start{k.a * 1.002, k.b, k.c * 0.998, k.alpha, k.beta, k.gamma};
    std::optional<Refinement> r = RefineCell(start, known->system, known->centring, lines,
                                             kWavelength, {.zeroShift = zero != 0});
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->lines.unindexed.empty());
    const double got[] = {r->cell.a, r->cell.b, r->cell.c, r->cell.beta, r->volume, r->zero};
    const double esd[] = {r->esd.a, r->esd.b, r->esd.c, r->esd.beta, r->volumeEsd, r->zeroEsd};
    const double want[] = {k.a, k.b, k.c, k.beta, k.Volume(), zero};
    for (int i = 0; i < 6; ++i) {
      if (esd[i] == 0) continue;  // fixed by the system, or no zero refined
      EXPECT_LT(esd[i], i == 5 ? 0.01 : 1e-3 * want[i]) << i;  // zero: degrees
      EXPECT_LE(std::fabs(got[i] - want[i]), 4 * esd[i]) << i;
    }
    EXPECT_TRUE(r->esd.a > 0 && r->esd.alpha == 0 && r->merit.m20 > 20 && r->merit.fn > 20);
    // The mean deviation lies within the errors put on the lines.
    EXPECT_TRUE(r->merit.meanDelta > 1e-4 && r->merit.meanDelta < 0.01) << r->merit.meanDelta;
  }
  // Scaled a million times, cell and wavelength give the same lines, but the
  // reciprocal axes fall below the step the uncertainties are derived with.
  const std::vector<double> lines = LinesOf(kCells[0], 10);
  const Cell giant{5.4309e6, 5.4309e6, 5.4309e6, 90, 90, 90};
  EXPECT_TRUE(RefineCell(kCells[0].cell, CrystalSystem::Cubic, 'F', lines, kWavelength, {}));
  EXPECT_FALSE(RefineCell(giant, CrystalSystem::Cubic, 'F', lines, kWavelength * 1e6, {}));
}

TEST(BuiltinIndexing, BadInputIsRefusedWithAReason) {
  const std::vector<double> good = LinesOf(kCells[0], 10);
  std::vector<double> unsorted = good, duplicate = good, noCell;
  std::swap(unsorted[2], unsorted[3]);
  duplicate[3] = duplicate[2];
  for (int i = 0; i < 12; ++i) noCell.push_back(12 + 4.1 * i + 1.7 * std::sin(i * i + 0.5));
  EXPECT_FALSE(CheckIndexInput(good, kWavelength,
                               {.maxSpurious = 5, .tolerance = 1.0}));  // the largest allowed
  using S = IndexOutcome::Status;
  const struct {
    std::vector<double> lines;
    double wavelength;
    IndexOptions options;
    S status;
    const char* message;
  } cases[] = {
      {{good.begin(), good.begin() + 5}, kWavelength, {}, S::Refused, "At least 6 peaks"},
      {good, 0.0, {}, S::Refused, "wavelength"},
      {unsorted, kWavelength, {}, S::Refused, "ascending"},
      {duplicate, kWavelength, {}, S::Refused, "same line"},
      {noCell, kWavelength, {.systems = {CrystalSystem::Cubic}}, S::NoSolution, ""},
      {good, kWavelength, {.maxSpurious = 6}, S::Refused, "Spurious"},
      {good, kWavelength, {.tolerance = 0.0}, S::Refused, "tolerance"},
      {good, kWavelength, {.tolerance = 1.01}, S::Refused, "tolerance"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    IndexOutcome outcome = IndexPeaks(c.lines, c.wavelength, c.options);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_NE(outcome.message.find(c.message), std::string::npos) << outcome.message;
    EXPECT_TRUE(outcome.solutions.empty());
  }
}

// The search has a process of its own: the caller's comes back from it with
// the outcome, whatever the search's does at its end.
TEST(BuiltinIndexingDeathTest, TheCallerCarriesOnAfterTheSearch) {
  const std::vector<double> lines = WithErrors(LinesOf(kCells[0], 20));
  const IndexOptions cubic{.systems = {CrystalSystem::Cubic}};
  EXPECT_EXIT(std::_Exit(IndexPeaks(lines, kWavelength, cubic).solutions.empty() ? 1 : 42),
              ::testing::ExitedWithCode(42), "");
  // A search that took this process over would end it with status 0 at the
  // next search below, before any failure were counted.
  if (HasFailure()) std::exit(1);
}

TEST(Lattice, MetricsOfNoLatticeLinesNamedByTheirSimplestIndicesAndMeritOfNothing) {
  // A positive determinant, yet an axis of zero length (each in turn) or two imaginary ones.
  const ReciprocalMetric notALattice[] = {{-1.5, -0.5, -0.5, 0.5, 0.5, 0.5},
                                          {-0.5, -1.5, -0.5, 0.5, 0.5, 0.5},
                                          {-0.5, -0.5, -1.5, 0.5, 0.5, 0.5},
                                          {-1, -1, 1, 0, 0, 0}};
  for (const ReciprocalMetric& g : notALattice) EXPECT_FALSE(CellOf(g)) << g.g11 << " " << g.g33;
  // Of a line's reflections the fewest minus signs, then the largest leading indices name it.
  const std::optional<ReciprocalMetric> cubic = MetricOf({4, 4, 4, 90, 90, 90});
  std::string names;
  for (const CalculatedLine& line : CalculatedLines(*cubic, 'P', 0.4))
    names +=
        std::to_string(line.hkl.h) + std::to_string(line.hkl.k) + std::to_string(line.hkl.l) + " ";
  EXPECT_EQ(names, "100 110 111 200 210 211 ");

  const FiguresOfMerit none =
      MeritOf(*cubic, 'P', LinesOf(kCells[0], 10), kWavelength, 0, LineAssignment{});
  EXPECT_EQ(none.m20 + none.fn, 0);
}

TEST(BuiltinIndexing, CellRefInputOfAChosenSolution) {
  indexing_test::StartDirectory dir;
  auto ws = indexing_test::MakeWorkspace(dir.path().string());
  ws->cellRefInput = "CellRef.inp";
  const std::vector<double> lines = {28.4426, 40.0, 47.3030, 56.1227};
  Refinement r;
  std::tie(r.system, r.centring, r.cell) =
      std::tuple(CrystalSystem::Cubic, 'F', Cell{5.4309, 5.4309, 5.4309, 90, 90, 90});
  r.lines = {{{0, {1, 1, 1}, 28.4426, 28.4426},
              {2, {2, 2, 0}, 47.3030, 47.3030},
              {3, {3, 1, -1}, 56.1227, 56.1227}},
             {1}};
  difscop::platform::ScriptedPlatform platform;
  ASSERT_TRUE(WriteBuiltinCellRef(*ws, platform, r, lines));
  EXPECT_EQ(indexing_test::Slurp(dir.path() / "CellRef.inp"),
            "Data from Difscop\r\n2\r\n  1.540593   185.000\r\n7\r\n"
            "  5.430900   5.430900   5.430900  90.000000  90.000000  90.000000\r\n  3\r\n"
            "   1     1     1    28.443  1.0\r\n   2     2     0    47.303  1.0\r\n"
            "   3     1    -1    56.123  1.0\r\n\r\n#Rejected reflection peaks:\r\n  40.000\r\n");
  EXPECT_EQ(ws->cellRefPrepared, 1);
  // Where the input cannot be written: said, and not taken as prepared.
  ws->cellRefInput = "taken";
  std::filesystem::create_directory(dir.path() / "taken");
  EXPECT_FALSE(WriteBuiltinCellRef(*ws, platform, r, lines));
  EXPECT_EQ(platform.Headlines(), std::vector<std::string>{"taken  not created !!!"});
}
