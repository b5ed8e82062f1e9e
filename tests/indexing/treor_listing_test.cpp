#include "indexing/treor_listing.h"

#include "indexing/cellref_commands.h"
#include "indexing/cellref_input.h"
#include "indexing_test_support.h"
#include "platform/scripted_platform.h"
#include "textio/text_writer.h"

using namespace difscop::indexing;
using difscop::platform::ScriptedPlatform;
using difscop::textio::Format;
using difscop::textio::LineReader;
using indexing_test::Listing;

TEST(TreorListing, TheSolutionOrAChosenTrialBecomesTheInputAndCutShortListingsAreUsed) {
  auto ws = indexing_test::MakeWorkspace("");
  // 47.302 lies 0.015 from a peak; 56.121 lies 0.024 away and keeps Treor's text.
  indexing_test::SetPeaks(*ws, 28.44, 47.317, 56.145, 33.0);
  const std::string ask = "No reliable solution !\nAttempt trial solutions ?",
                    out = "Number out of range !!!", trials = Listing("treor_trials.imp");
  const struct {
    std::string listing;
    bool attempt, asked;  // the answer to trying trial solutions, and whether it was asked
    std::vector<std::string> choices, messages;
    std::size_t rows;   // trial solutions listed
    const char* input;  // the whole input, or (without its head) a line of it; nullptr: none
  } cases[] = {
      // clang-format off
      // The cubic cell, not the orthorhombic first one in the file; near lines
      // snapped ("%8.3f"), the others in Treor's own 7 characters.
      {Listing("treor_solution.imp"), false, false, {}, {}, 0,
       "Data from Treor\r\n2\r\n  1.540593   185.000\r\n7\r\n"
       "  5.431000   5.431000   5.431000  90.000000  90.000000  90.000000\r\n  4\r\n"
       "   1     1     1    28.440  1.0\r\n   2     2     0    47.317  1.0\r\n"
       "   3     1     1   56.121  1.0\r\n   4     0     0   69.130  1.0\r\n\r\n"
       "#Rejected reflection peaks:\r\n  33.000\r\n  38.507\r\n"},
      // 0 and 4 lie outside the list, an empty box is no choice: the dialog stays open.
      {trials, true, true, {"0", "4", "", " 2"}, {out, out, "Number not selected !!!"}, 3,
       "Data from Treor\r\n2\r\n  1.540593   185.000\r\n2\r\n"  // monoclinic, none rejected
       "  4.123400   5.234500   6.432100  90.000000 101.250000  90.000000\r\n  1\r\n"
       "   2     1     0   36.010  1.0\r\n\r\n"},
      {trials, false, true, {}, {}, 0, nullptr},
      {trials, true, true, {}, {}, 3, nullptr},  // cancelled
      // At most 21 trial solutions, the last of them chosen.
      {Listing("treor_many_trials.imp"), true, true, {"22", "21"}, {out}, 21,
       "  20     0     0   30.000  1.0"},
      // A solution line with no cell after it.
      {" THIS MAY BE THE SOLUTION !!!\n nothing more\n", false, false, {}, {"No solution !"}, 0,
       nullptr},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.listing.substr(0, 60));
    ScriptedPlatform p;
    p.yesNoAnswers = {c.attempt};
    for (const std::string& choice : c.choices) p.trialSolutionAnswers.push_back(choice);
    const std::optional<std::string> input = CellRefFromTreor(*ws, p, c.listing);
    ASSERT_EQ(input.has_value(), c.input != nullptr);
    if (input) {
      const bool whole = std::string(c.input).starts_with("Data");
      EXPECT_TRUE(whole ? *input == c.input : input->find(c.input) != std::string::npos) << *input;
    }
    EXPECT_EQ(p.questions, c.asked ? std::vector<std::string>{ask} : std::vector<std::string>{});
    EXPECT_EQ(p.messages, c.messages);
    EXPECT_EQ(p.trialSolutionsShown.empty() ? 0 : p.trialSolutionsShown[0].rows.size(), c.rows);
  }
  // Merits are the single over all indexed lines: the last has a total of 0.
  LineReader reader(trials);
  std::vector<std::string> merits;
  for (const auto& row : ReadTreorTrialSolutions(reader))
    merits.push_back(std::to_string(row.merit) + "|" + row.cell[4]);
  EXPECT_EQ(merits, (std::vector<std::string>{"0.750000| 90.000000", "0.500000|101.250000",
                                              "0.000000| 90.000000"}));
  EXPECT_EQ(ws->solutionCells[2][2], "  6.432100");
  // Cut inside the reflection list: the lines before the cut are used.
  const std::string full = Listing("treor_solution.imp");
  LineReader cut(full.substr(0, full.find("   3   1   1")));
  ASSERT_TRUE(FindTreorSolution(cut));
  EXPECT_EQ(ReadTreorSolution(cut).value().lines.records.size(), 2u);
  // Cut inside a trial block: that block is not taken.
  LineReader partial(trials.substr(0, trials.find("   C =", trials.find("   C =") + 1)));
  EXPECT_EQ(ReadTreorTrialSolutions(partial).size(), 1u);
  // 60 indexed lines and 25 rejected ones: 50 and 20 are kept.
  std::string big = "   TOTAL NUMBER OF LINES = 60\n   A =  1\n   B =  1\n   C =  1\n\n\n";
  for (int i = 0; i < 60; ++i) {
    big += "    1   1   1" + std::string(29, ' ') + Format("%7.3f", 10.0 + i) + "\n";
    if (i < 25) big += std::string(42, ' ') + Format("%7.3f", 5.0 + i) + "\n";
  }
  LineReader many(big);
  const IndexedLines lots = ReadTreorSolution(many).value().lines;
  EXPECT_EQ(lots.records.back().twoTheta + " " + std::to_string(lots.records.size()) + " " +
                std::to_string(lots.rejected.size()),
            " 59.000 50 20");
}

TEST(CrystalSystem, TreorCodesCompareTheTextsItoCodesTheValues) {
  const std::string l1 = "  5.431000", l2 = "  6.123400", l3 = "  7.000000";
  const std::string r = " 90.000000", h = "120.000000", o = " 60.000000", m = "101.250000";
  const struct {
    CellTexts cell;
    char fromTexts, fromValues;
  } cases[] = {
      {{l1, l1, l1, r, r, r}, '7', '7'},
      {{l1, l1, l2, r, r, r}, '6', '6'},
      {{l1, l2, l3, r, r, r}, '3', '3'},
      {{l1, l2, l1, r, r, r}, '3', '3'},  // only b differing: still three right angles
      {{l1, l1, l2, r, r, h}, '4', '4'},
      {{l1, l1, l1, o, o, o}, '5', '5'},
      {{l1, l2, l3, r, m, r}, '2', '2'},
      {{l1, l2, l3, o, m, r}, '1', '1'},
      // The same value written differently is another text.
      {{l1, l1, l1, r, r, "90.000000 "}, '1', '7'},
      {{"   5.431", "5.431", " 5.4310", "  90.000", "90", "90.0"}, '1', '7'},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CrystalSystemFromTexts(c.cell), c.fromTexts) << c.cell[0] << c.cell[5];
    EXPECT_EQ(CrystalSystemFromValues(c.cell), c.fromValues) << c.cell[0] << c.cell[5];
  }
}
