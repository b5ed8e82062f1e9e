#include "indexing/builtin_indexing.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

#include "indexing/auto_index.h"
#include "indexing/cell_reduction.h"
#include "indexing/zero_offsets.h"
#include "indexing_test_support.h"
#include "platform/scripted_platform.h"

using namespace difscop::indexing;

namespace {

constexpr double kWavelength = 1.540593;

// The first n distinct lines of a cell as ascending 2theta, lines within
// 0.03 degrees of each other taken as one.
std::vector<double> LinesOf(const Cell& cell, Centring centring, int n) {
  std::vector<double> lines;
  for (const CalculatedLine& line :
       CalculatedLines(*MetricOf(cell), centring, QOfTwoTheta(150, kWavelength))) {
    const double t = *TwoThetaOfQ(line.q, kWavelength);
    if (lines.empty() || t - lines.back() > 0.03) lines.push_back(t);
    if (static_cast<int>(lines.size()) == n) break;
  }
  return lines;
}

// As a diffractometer gives them: errors of up to size degrees (the same on
// every run), a zero offset and a sample displacement.
std::vector<double> Measured(std::vector<double> lines, double zero, double displacement,
                             double size = 0.008) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    lines[i] = Corrections{zero, displacement}.Observed(lines[i]) + size * std::sin(7.3 * i + 1.1);
  }
  return lines;
}

struct KnownLattice {
  const char* name;
  CrystalSystem system;
  Centring centring;
  Cell cell;
};

const KnownLattice kLattices[] = {
    {"cubic P", CrystalSystem::Cubic, 'P', {4.1569, 4.1569, 4.1569, 90, 90, 90}},
    {"cubic I", CrystalSystem::Cubic, 'I', {6.3065, 6.3065, 6.3065, 90, 90, 90}},
    {"cubic F", CrystalSystem::Cubic, 'F', {5.4309, 5.4309, 5.4309, 90, 90, 90}},
    {"tetragonal P", CrystalSystem::Tetragonal, 'P', {4.5937, 4.5937, 2.9587, 90, 90, 90}},
    {"tetragonal I", CrystalSystem::Tetragonal, 'I', {3.785, 3.785, 9.514, 90, 90, 90}},
    {"hexagonal", CrystalSystem::Hexagonal, 'P', {3.2498, 3.2498, 5.2066, 90, 90, 120}},
    {"rhombohedral", CrystalSystem::Rhombohedral, 'R', {4.7589, 4.7589, 12.991, 90, 90, 120}},
    {"orthorhombic P", CrystalSystem::Orthorhombic, 'P', {5.36, 7.02, 9.43, 90, 90, 90}},
    {"orthorhombic C", CrystalSystem::Orthorhombic, 'C', {5.1, 8.3, 6.2, 90, 90, 90}},
    {"orthorhombic I", CrystalSystem::Orthorhombic, 'I', {3.77, 5.87, 11.55, 90, 90, 90}},
    {"orthorhombic F", CrystalSystem::Orthorhombic, 'F', {5.7, 7.4, 9.8, 90, 90, 90}},
    {"monoclinic P", CrystalSystem::Monoclinic, 'P', {6.12, 7.41, 8.27, 90, 103.6, 90}},
    {"monoclinic C", CrystalSystem::Monoclinic, 'C', {9.8, 6.1, 7.3, 90, 112, 90}},
};

}  // namespace

// Each lattice from its first 20 lines, measured with errors, a zero offset
// of 0.12 degrees, a displacement and a line of no cell in a gap of them: the first solution is the lattice, in its setting, with
// that line left unindexed. The rhombohedral lattice also from the lines of
// its primitive cell (alpha 100 degrees), reported on hexagonal axes.
TEST(BuiltinIndexing, FindsEveryLatticeFirstDespiteZeroDisplacementAndASpuriousLine) {
  std::vector<std::pair<KnownLattice, Cell>> cases;  // expected, and the cell the lines come from
  for (const KnownLattice& k : kLattices) cases.push_back({k, k.cell});
  const Cell primitive{6.2, 6.2, 6.2, 100, 100, 100};
  cases.push_back({{"rhombohedral axes", CrystalSystem::Rhombohedral, 'R',
                    HexagonalOfRhombohedral(primitive)},
                   primitive});
  for (const auto& [known, source] : cases) {
    SCOPED_TRACE(known.name);
    const bool rhombohedralAxes = source.alpha == 100;
    std::vector<double> lines =
        Measured(LinesOf(source, rhombohedralAxes ? 'P' : known.centring, 20), 0.12, -0.03);
    ASSERT_GE(lines.size(), 14u);
    // In the widest gap from the sixth line to the twelfth.
    std::size_t gap = 6;
    for (std::size_t i = 6; i < 12; ++i)
      if (lines[i + 1] - lines[i] > lines[gap + 1] - lines[gap]) gap = i;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(gap + 1), (lines[gap] + lines[gap + 1]) / 2);
    IndexProgress last;
    const IndexOutcome outcome = IndexPeaks(lines, kWavelength, {.tolerance = 0.03, .zeroRange = 0.15},
                                            [&](const IndexProgress& p) { last = p; });
    ASSERT_EQ(outcome.status, IndexOutcome::Status::Solved);
    const IndexSolution& best = outcome.solutions.front();
    EXPECT_EQ(best.system, known.system);
    EXPECT_EQ(best.centring, known.centring);
    EXPECT_TRUE(SameLattice(best.cell, best.centring, known.cell, known.centring))
        << best.cell.a << " " << best.cell.b << " " << best.cell.c << " " << best.cell.beta;
    EXPECT_EQ(StandardCell(best.cell, best.system, best.centring).a, best.cell.a);
    EXPECT_EQ(best.unindexed, std::vector<int>{static_cast<int>(gap + 1)});
    EXPECT_NEAR(best.corrections.zero, 0.12 - 0.03 * 0.9, 0.08);  // the displacement at 2theta ~50
    // Progress went on while it searched.
    EXPECT_GT(last.cellsTested, 0);
  }
}

// A zero offset of a quarter degree, beyond the grid's first steps, with the
// default search: the lines' own relations point to it, and the lattice
// comes first in one and two parameters, three (centred) and four; the
// same lines ranked for their zero put the true one near the top.
TEST(BuiltinIndexing, AQuarterDegreeZeroOffsetIsFoundFromTheLinesThemselves) {
  for (const KnownLattice& known :
       {kLattices[4], kLattices[6], kLattices[9], kLattices[11]}) {
    SCOPED_TRACE(known.name);
    const std::vector<double> lines = Measured(LinesOf(known.cell, known.centring, 20), 0.25, 0);
    std::vector<double> grid;
    for (int i = -10; i <= 10; ++i) grid.push_back(0.03 * i);
    const std::vector<ZeroScore> ranked = RankZeroOffsets(lines, kWavelength, 0.03, grid, 0.015);
    ASSERT_EQ(ranked.size(), grid.size());
    const auto near = std::find_if(ranked.begin(), ranked.end(), [](const ZeroScore& z) {
      return std::fabs(z.zero - 0.25) < 0.03;
    });
    EXPECT_LT(near - ranked.begin(), 3);
    EXPECT_GT(near->score, 2 * std::find_if(ranked.begin(), ranked.end(), [](const ZeroScore& z) {
                                 return z.zero == 0;
                               })->score);

    const IndexOutcome outcome = IndexPeaks(lines, kWavelength, {.tolerance = 0.03});
    ASSERT_EQ(outcome.status, IndexOutcome::Status::Solved);
    const IndexSolution& best = outcome.solutions.front();
    EXPECT_EQ(best.system, known.system);
    EXPECT_TRUE(SameLattice(best.cell, best.centring, known.cell, known.centring))
        << best.cell.a << " " << best.cell.b << " " << best.cell.c;
    EXPECT_NEAR(best.corrections.zero, 0.25, 0.01);
  }
}

// de Wolff's M20 and Smith and Snyder's F(N) over every observed line, the
// unindexed ones with the discrepancy of their nearest calculated line.
TEST(BuiltinIndexing, FiguresOfMeritAsTheirAuthorsDefineThem) {
  // Cubic P, a = 4: 100, 110 and 111 at 22.2061, 31.6072 and 38.9686 (2 asin(lambda sqrt(N)/8)),
  // observed 0.010 high, 0.020 low and 0.005 high, and a stray line at 35.000 (3.3928 from 110).
  // Q = (2 sin(theta) / lambda)^2: discrepancies 5.5596e-5, 1.54116e-4, 2.73940e-2, 4.6249e-5,
  // mean 6.91250e-3; Q20 = Q(38.9736) = 0.187546, 3 calculated lines up to it:
  // M = 0.187546 / (2 * 6.91250e-3 * 3) = 4.5219. F = 4 / (0.856943 * 3) = 1.5559, the mean
  // |2theta obs - calc| being (0.010 + 0.020 + 3.392772 + 0.005) / 4.
  const std::vector<double> lines = {22.216091, 31.587228, 35.0, 38.973554};
  const FiguresOfMerit m =
      MeritOf(*MetricOf({4, 4, 4, 90, 90, 90}), 'P', lines, kWavelength, {}, 0.03);
  EXPECT_NEAR(m.m20, 4.5219, 5e-4);
  EXPECT_NEAR(m.fn, 1.5559, 5e-4);
  EXPECT_NEAR(m.meanDelta, 0.856943, 1e-5);
  EXPECT_EQ(std::tie(m.mLines, m.fnLines, m.possibleLines, m.unindexed20), std::tuple(4, 4, 3, 1));
  // Over the indexed lines alone the cell would look excellent.
  EXPECT_NEAR(m.m20Indexed, 366.36, 0.05);
  // The corrections move the observed lines before they are compared.
  const FiguresOfMerit shifted = MeritOf(*MetricOf({4, 4, 4, 90, 90, 90}), 'P',
                                         Measured(lines, 0.2, 0.1, 0), kWavelength, {0.2, 0.1}, 0.03);
  EXPECT_NEAR(shifted.m20, m.m20, 1e-6 * m.m20);
}

// A monoclinic cell from its first 30 lines with a zero offset; a
// tetragonal one from every line to 150 degrees, which tell a zero offset
// from a displacement.
TEST(BuiltinIndexing, RefinementRecoversCellZeroAndDisplacementWithinTheirUncertainties) {
  const struct {
    const KnownLattice& known;
    int lines;
    double zero, displacement;
  } cases[] = {{kLattices[12], 30, 0.08, 0}, {kLattices[3], 40, 0.08, -0.05}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.known.name);
    const Cell& k = c.known.cell;
    const std::vector<double> lines =
        Measured(LinesOf(k, c.known.centring, c.lines), c.zero, c.displacement, 0.003);
    const Cell start{k.a * 1.002, k.b, k.c * 0.998, k.alpha, k.beta + 0.05, k.gamma};
    std::optional<Refinement> r =
        RefineCell(start, c.known.system, c.known.centring, lines, kWavelength,
                   {.tolerance = 0.03, .zeroShift = true, .displacement = c.displacement != 0,
                    .start = {}});
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->lines.unindexed.empty());
    const double got[] = {r->cell.a, r->cell.c, r->cell.beta, r->volume,
                          r->corrections.zero, r->corrections.displacement};
    const double esd[] = {r->esd.a, r->esd.c, r->esd.beta, r->volumeEsd,
                          r->correctionsEsd.zero, r->correctionsEsd.displacement};
    const double want[] = {k.a, k.c, k.beta, k.Volume(), c.zero, c.displacement};
    for (int i = 0; i < 6; ++i) {
      if (esd[i] == 0 && (i == 2 || (i == 5 && c.displacement == 0))) continue;  // not refined
      EXPECT_GT(esd[i], 0) << i;
      EXPECT_LT(esd[i], i < 4 ? 1e-3 * want[i] : 0.1) << i;
      EXPECT_LE(std::fabs(got[i] - want[i]), 4 * esd[i]) << i;
    }
    EXPECT_TRUE(r->esd.alpha == 0 && r->merit.m20 > 20 && r->merit.fn > 20);
  }

  // A displacement taken for a zero shift moves the cell off; refined as
  // itself it does not (LaB6, a = 4.15689).
  const Cell lab6{4.15689, 4.15689, 4.15689, 90, 90, 90};
  const std::vector<double> displaced = Measured(LinesOf(lab6, 'P', 20), 0, -0.08, 0.002);
  std::optional<Refinement> zeroOnly = RefineCell(lab6, CrystalSystem::Cubic, 'P', displaced,
                                                  kWavelength, {.zeroShift = true, .start = {}});
  std::optional<Refinement> both =
      RefineCell(lab6, CrystalSystem::Cubic, 'P', displaced, kWavelength,
                 {.zeroShift = true, .displacement = true, .start = {}});
  ASSERT_TRUE(zeroOnly && both);
  EXPECT_GT(std::fabs(zeroOnly->cell.a - lab6.a), 4 * zeroOnly->esd.a);
  EXPECT_LE(std::fabs(both->cell.a - lab6.a), 4 * both->esd.a);

  // Scaled a million times, cell and wavelength give the same lines, but the
  // reciprocal axes fall below the step the uncertainties are derived with.
  const Cell si = kLattices[2].cell;
  const std::vector<double> siLines = LinesOf(si, 'F', 10);
  const Cell giant{5.4309e6, 5.4309e6, 5.4309e6, 90, 90, 90};
  EXPECT_TRUE(RefineCell(si, CrystalSystem::Cubic, 'F', siLines, kWavelength, {}));
  EXPECT_FALSE(RefineCell(giant, CrystalSystem::Cubic, 'F', siLines, kWavelength * 1e6, {}));
}

// Two settings of one lattice are one lattice; each system's standard
// setting is the one given back.
TEST(BuiltinIndexing, CellsInTheirStandardSettingOneForEachLattice) {
  const Cell si{5.4309, 5.4309, 5.4309, 90, 90, 90};
  const double p = 5.4309 / std::sqrt(2.0);
  EXPECT_TRUE(SameLattice(si, 'F', {p, p, p, 60, 60, 60}, 'P'));
  EXPECT_TRUE(SameLattice(si, 'F', HexagonalOfRhombohedral({p, p, p, 60, 60, 60}), 'R'));
  EXPECT_FALSE(SameLattice(si, 'F', si, 'P'));
  EXPECT_FALSE(SameLattice(si, 'F', {5.46, 5.46, 5.46, 90, 90, 90}, 'F'));
  const Cell r = RhombohedralOfHexagonal({4.7589, 4.7589, 12.991, 90, 90, 120});
  EXPECT_NEAR(r.a, 5.1284, 1e-4);
  EXPECT_NEAR(r.alpha, 55.28, 0.01);

  const Cell ortho = StandardCell({9.4, 5.3, 7.1, 90, 90, 90}, CrystalSystem::Orthorhombic, 'P');
  EXPECT_EQ(std::tie(ortho.a, ortho.b, ortho.c), std::tuple(5.3, 7.1, 9.4));
  const Cell c = StandardCell({8.3, 5.1, 6.2, 90, 90, 90}, CrystalSystem::Orthorhombic, 'C');
  EXPECT_EQ(std::tie(c.a, c.b, c.c), std::tuple(5.1, 8.3, 6.2));  // c stays: C stays C
  // Monoclinic: a + c for c gives beta 125.2; the reduced pair has beta 103.6.
  const Cell mono{6.12, 7.41, 8.27, 90, 103.6, 90};
  const double ac = 6.12 * 8.27 * std::cos(103.6 * std::numbers::pi / 180);
  const double c2 = std::sqrt(6.12 * 6.12 + 8.27 * 8.27 + 2 * ac);
  const double beta2 = std::acos(-(6.12 * 6.12 + ac) / (6.12 * c2)) * 180 / std::numbers::pi;
  const Cell back = StandardCell({6.12, 7.41, c2, 90, beta2, 90}, CrystalSystem::Monoclinic, 'P');
  EXPECT_NEAR(back.a, 6.12, 1e-9);
  EXPECT_NEAR(back.c, 8.27, 1e-9);
  EXPECT_NEAR(back.beta, 103.6, 1e-9);
  EXPECT_TRUE(SameLattice(mono, 'P', {6.12, 7.41, c2, 90, beta2, 90}, 'P'));
  // A C-centred cell keeps its centring: a + 2c would be allowed, a + c not.
  const Cell centred = StandardCell({9.8, 6.1, 7.3, 90, 112, 90}, CrystalSystem::Monoclinic, 'C');
  EXPECT_TRUE(SameLattice(centred, 'C', {9.8, 6.1, 7.3, 90, 112, 90}, 'C'));
}

TEST(BuiltinIndexing, BadInputIsRefusedWithAReasonAndACancelKeepsTheCellsFound) {
  const std::vector<double> good = LinesOf(kLattices[2].cell, 'F', 10);
  std::vector<double> unsorted = good, duplicate = good, noCell;
  std::swap(unsorted[2], unsorted[3]);
  duplicate[3] = duplicate[2];
  for (int i = 0; i < 12; ++i) noCell.push_back(12 + 4.1 * i + 1.7 * std::sin(i * i + 0.5));
  EXPECT_FALSE(CheckIndexInput(good, kWavelength,
                               {.maxSpurious = 5, .tolerance = 1.0, .zeroRange = 2}));  // the largest allowed
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
      {noCell, kWavelength, {.systems = {CrystalSystem::Cubic}, .maxSpurious = 0}, S::NoSolution, ""},
      {good, kWavelength, {.maxSpurious = 6}, S::Refused, "Spurious"},
      {good, kWavelength, {.tolerance = 0.0}, S::Refused, "tolerance"},
      {good, kWavelength, {.tolerance = 1.01}, S::Refused, "tolerance"},
      {good, kWavelength, {.zeroRange = 2.5}, S::Refused, "zero offset"},
      {good, kWavelength, {.lengthMax = 2}, S::Refused, "longest edge"},
      {good, kWavelength, {.volumeMin = 500, .volumeMax = 400}, S::Refused, "volume"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    IndexOutcome outcome = IndexPeaks(c.lines, c.wavelength, c.options);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_NE(outcome.message.find(c.message), std::string::npos) << outcome.message;
    EXPECT_TRUE(outcome.solutions.empty());
  }

  // Cancelled once a cell is found, in the monoclinic search that goes on
  // long after: the cells found so far come back ranked.
  const KnownLattice& mono = kLattices[12];
  std::atomic<bool> cancel{false};
  const IndexOutcome cancelled =
      IndexPeaks(Measured(LinesOf(mono.cell, 'P', 20), 0.1, 0), kWavelength,
                 {.systems = {CrystalSystem::Monoclinic}, .maxSpurious = 2},
                 [&](const IndexProgress& p) { cancel = cancel || p.solutions > 0; }, &cancel);
  EXPECT_EQ(cancelled.status, S::Cancelled);
  ASSERT_FALSE(cancelled.solutions.empty());
  EXPECT_TRUE(SameLattice(cancelled.solutions.front().cell, 'P', mono.cell, 'P'));
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

  const FiguresOfMerit none = MeritOf(*cubic, 'P', {}, kWavelength, {}, 0.03);
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
