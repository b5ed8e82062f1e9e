// The built-in indexing as the window runs it: difscop-index --search, the
// request and the reply over a socket.
#include "indexing/search_program.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <tuple>

using namespace difscop::indexing;

namespace {

constexpr double kWavelength = 1.540593;
// Measured BaSO4 lines (Cu Ka1), as the peak search gives them.
const std::vector<double> kBaSO4 = {19.980, 20.457, 22.798, 23.561, 24.863, 25.857, 26.842,
                                    28.755, 31.536, 32.808, 36.192, 38.733, 39.495, 40.810,
                                    42.597, 42.927, 44.016, 49.018, 54.819, 60.258};

auto Fields(const IndexSolution& s) {
  return std::tuple(s.system, s.centring, s.cell.a, s.cell.b, s.cell.c, s.cell.alpha, s.cell.beta,
                    s.cell.gamma, s.corrections.zero, s.corrections.displacement, s.merit.m20,
                    s.merit.mLines, s.merit.fn, s.merit.fnLines, s.merit.meanDelta,
                    s.merit.possibleLines, s.merit.unindexed20, s.merit.m20Indexed, s.unindexed);
}

// Children of this process that have not ended.
int LiveChildren() {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc")) {
    if (!std::isdigit(static_cast<unsigned char>(e.path().filename().string()[0]))) continue;
    std::ifstream in(e.path() / "stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::size_t close = text.rfind(')');
    char state = 0;
    int parent = 0;
    if (close != std::string::npos &&
        std::sscanf(text.c_str() + close + 1, " %c %d", &state, &parent) == 2 &&
        parent == ::getpid() && state != 'Z')
      ++n;
  }
  return n;
}

}  // namespace

TEST(SearchProgram, GivesWhatTheSearchGivesAndEndsWhenCancelled) {
  IndexOptions options;
  options.systems = {CrystalSystem::Orthorhombic};
  const IndexOutcome direct = IndexPeaks(kBaSO4, kWavelength, options);
  std::vector<IndexProgress> reports;
  const IndexOutcome run = RunSearchProgram(DIFSCOP_INDEX, kBaSO4, kWavelength, options,
                                            [&](const IndexProgress& p) { reports.push_back(p); });
  ASSERT_EQ(run.status, IndexOutcome::Status::Solved) << run.message;
  ASSERT_EQ(run.solutions.size(), direct.solutions.size());
  for (std::size_t i = 0; i < run.solutions.size(); ++i)
    EXPECT_EQ(Fields(run.solutions[i]), Fields(direct.solutions[i])) << i;
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().system, CrystalSystem::Orthorhombic);
  EXPECT_EQ(reports.back().bestM20, direct.solutions.front().merit.m20);

  // Refused before anything starts; a program that is not there, or that
  // ends without saying how the search ended.
  using S = IndexOutcome::Status;
  const std::tuple<std::string, std::vector<double>, S, std::string> failures[] = {
      {DIFSCOP_INDEX, {kBaSO4.begin(), kBaSO4.begin() + 5}, S::Refused, "At least 6 peaks"},
      {"/no/such/difscop-index", kBaSO4, S::Failed,
       "The indexing search cannot be started !!!\n/no/such/difscop-index: No such file"},
      {"/bin/true", kBaSO4, S::Failed, "The indexing search ended abnormally !!!"}};
  for (const auto& [program, lines, status, message] : failures) {
    const IndexOutcome outcome = RunSearchProgram(program, lines, kWavelength, options);
    EXPECT_EQ(outcome.status, status) << program;
    EXPECT_EQ(outcome.message.substr(0, message.size()), message);
  }

  // Cancel once a cell is found in a monoclinic search that goes on long
  // after (P2/m, a 6.12, b 7.41, c 8.27, beta 103.6): the cells found so far
  // come back, and the program and its search are gone.
  const std::vector<double> monoclinic = {
      10.998, 11.934, 14.881, 16.256, 16.308, 19.118, 20.256, 20.541, 22.099, 23.604,
      23.821, 23.999, 25.188, 26.468, 26.527, 28.356, 29.154, 29.446, 29.582, 30.021};
  std::atomic<bool> cancel{false};
  const IndexOutcome cancelled = RunSearchProgram(
      DIFSCOP_INDEX, monoclinic, kWavelength,
      {.systems = {CrystalSystem::Monoclinic}, .maxSpurious = 2},
      [&](const IndexProgress& p) { cancel = cancel || p.solutions > 0; }, &cancel);
  EXPECT_EQ(cancelled.status, S::Cancelled);
  EXPECT_FALSE(cancelled.solutions.empty());
  EXPECT_EQ(LiveChildren(), 0);
}

TEST(SearchProgram, TheRequestSurvivesItsTextAndNothingElseIsTaken) {
  SearchRequest request{kBaSO4, 1.5405929, {}};
  request.options = {.lines = 12,
                     .systems = {CrystalSystem::Hexagonal, CrystalSystem::Triclinic},
                     .maxSpurious = 2,
                     .tolerance = 0.035,
                     .zeroRange = 0.25,
                     .displacement = true,
                     .lengthMax = 17.5,
                     .volumeMin = 100.25,
                     .volumeMax = 900.5,
                     .threads = 3};
  std::string why;
  const std::optional<SearchRequest> back = ReadSearchRequest(SearchRequestText(request), why);
  ASSERT_TRUE(back) << why;
  const IndexOptions &o = back->options, &want = request.options;
  EXPECT_EQ(std::tie(back->twoTheta, back->wavelength, o.lines, o.systems, o.maxSpurious,
                     o.tolerance, o.zeroRange, o.displacement, o.lengthMax, o.volumeMin,
                     o.volumeMax, o.threads),
            std::tie(request.twoTheta, request.wavelength, want.lines, want.systems,
                     want.maxSpurious, want.tolerance, want.zeroRange, want.displacement,
                     want.lengthMax, want.volumeMin, want.volumeMax, want.threads));
  const char* refused[] = {"wavelength 1.5\nlines 2.5\npeaks 20 30\n",
                           "wavelength 1.5\nsystems 7\npeaks 20 30\n",
                           "wavelength 1.5\ndisplacement 2\npeaks 20 30\n",
                           "wavelength 1.5\nsystems 1 x\npeaks 20 30\n",
                           "wavelength 1.5\ncentrings P\npeaks 20 30\n",
                           "wavelength 1,5\npeaks 20 30\n",
                           "wavelength 1.5\n"};
  for (const char* text : refused) {
    EXPECT_FALSE(ReadSearchRequest(text, why)) << text;
    EXPECT_FALSE(why.empty());
  }
}
