#include "indexing/treor_listing.h"

#include "indexing/cellref_commands.h"
#include "indexing_test_support.h"
#include "platform/scripted_platform.h"
#include "textio/text_writer.h"

using namespace difscop::indexing;
using difscop::platform::ScriptedPlatform;
using difscop::textio::LineReader;
using indexing_test::Listing;

TEST(TreorListing, SolutionFoundUsesTheCellAfterTheSolutionLineAndSnapsToThePeaks) {
  auto ws = indexing_test::MakeWorkspace("");
  // 47.302 lies 0.015 from a peak; 56.121 lies 0.024 away and keeps Treor's text.
  indexing_test::SetPeaks(*ws, 28.44, 47.317, 56.145, 33.0);
  ScriptedPlatform p;
  std::optional<std::string> input = CellRefFromTreor(*ws, p, Listing("treor_solution.imp"));
  ASSERT_TRUE(input.has_value());
  EXPECT_TRUE(p.questions.empty());
  // The cubic cell, not the orthorhombic first one in the file; near lines
  // snapped ("%8.3f"), the others in Treor's own 7 characters.
  EXPECT_EQ(*input,
            "Data from Treor\r\n2\r\n  1.540593   185.000\r\n7\r\n"
            "  5.431000   5.431000   5.431000  90.000000  90.000000  90.000000\r\n  4\r\n"
            "   1     1     1    28.440  1.0\r\n   2     2     0    47.317  1.0\r\n"
            "   3     1     1   56.121  1.0\r\n   4     0     0   69.130  1.0\r\n\r\n"
            "#Rejected reflection peaks:\r\n  33.000\r\n  38.507\r\n");
}

TEST(TreorListing, TrialSolutionsAreListedAndTheChosenOneRead) {
  auto ws = indexing_test::MakeWorkspace("");
  ScriptedPlatform p;
  p.yesNoAnswers = {true};
  // 0 and 4 lie outside the list, an empty box is no choice: the dialog stays open.
  p.trialSolutionAnswers = {std::string("0"), std::string("4"), std::string(""), std::string(" 2")};
  std::optional<std::string> input = CellRefFromTreor(*ws, p, Listing("treor_trials.imp"));
  ASSERT_TRUE(input.has_value());
  EXPECT_EQ(p.questions,
            std::vector<std::string>{"No reliable solution !\nAttempt trial solutions ?"});
  ASSERT_EQ(p.trialSolutionsShown.size(), 1u);
  std::vector<float> merits;  // the last of a total of 0 lines
  for (const auto& row : p.trialSolutionsShown[0].rows) merits.push_back(row.merit);
  EXPECT_EQ(merits, (std::vector<float>{0.75f, 0.5f, 0.0f}));
  EXPECT_EQ(p.trialSolutionsShown[0].rows[1].cell[4], "101.250000");
  EXPECT_EQ(p.messages,
            (std::vector<std::string>{"Number out of range !!!", "Number out of range !!!", "Number not selected !!!"}));
  EXPECT_EQ(*input,  // monoclinic, no rejected peaks
            "Data from Treor\r\n2\r\n  1.540593   185.000\r\n2\r\n"
            "  4.123400   5.234500   6.432100  90.000000 101.250000  90.000000\r\n  1\r\n"
            "   2     1     0   36.010  1.0\r\n\r\n");
  EXPECT_EQ(ws->solutionCells[2][2], "  6.432100");
}

TEST(TreorListing, RefusedOrCancelledTrialsAndMissingSolutionsEndQuietly) {
  auto ws = indexing_test::MakeWorkspace("");
  ScriptedPlatform no;
  EXPECT_FALSE(CellRefFromTreor(*ws, no, Listing("treor_trials.imp")).has_value());
  EXPECT_TRUE(no.trialSolutionsShown.empty());
  EXPECT_TRUE(no.messages.empty());

  ScriptedPlatform cancel;
  cancel.yesNoAnswers = {true};
  EXPECT_FALSE(CellRefFromTreor(*ws, cancel, Listing("treor_trials.imp")).has_value());
  EXPECT_EQ(cancel.trialSolutionsShown.size(), 1u);
  EXPECT_TRUE(cancel.messages.empty());

  // A solution line with no cell after it.
  ScriptedPlatform none;
  EXPECT_FALSE(CellRefFromTreor(*ws, none, " THIS MAY BE THE SOLUTION !!!\n nothing more\n").has_value());
  EXPECT_EQ(none.messages, std::vector<std::string>{"No solution !"});
}

TEST(TreorListing, CutShortListingsKeepWhatWasReadAndBoundsHold) {
  // At most 21 trial solutions, the last of them chosen.
  LineReader trialReader(Listing("treor_many_trials.imp"));
  EXPECT_EQ(ReadTreorTrialSolutions(trialReader).size(), 21u);
  auto ws = indexing_test::MakeWorkspace("");
  ScriptedPlatform p;
  p.yesNoAnswers = {true};
  p.trialSolutionAnswers = {std::string("22"), std::string("21")};
  std::optional<std::string> input = CellRefFromTreor(*ws, p, Listing("treor_many_trials.imp"));
  ASSERT_TRUE(input.has_value());
  EXPECT_EQ(p.messages, std::vector<std::string>{"Number out of range !!!"});
  EXPECT_NE(input->find("  20     0     0   30.000  1.0"), std::string::npos);

  std::string full = Listing("treor_solution.imp");
  // Cut inside the reflection list: the lines before the cut are used.
  std::string cut = full.substr(0, full.find("   3   1   1"));
  LineReader reader(cut);
  ASSERT_TRUE(FindTreorSolution(reader));
  auto solution = ReadTreorSolution(reader);
  ASSERT_TRUE(solution.has_value());
  EXPECT_EQ(solution->lines.records.size(), 2u);

  // Cut inside a trial block: that block is not taken.
  std::string trials = Listing("treor_trials.imp");
  LineReader partial(trials.substr(0, trials.find("   C =", trials.find("   C =") + 1)));
  EXPECT_EQ(ReadTreorTrialSolutions(partial).size(), 1u);

  // 60 indexed lines and 25 rejected ones: 50 and 20 are kept.
  std::string big = "   TOTAL NUMBER OF LINES = 60\n   A =  1\n   B =  1\n   C =  1\n\n\n";
  for (int i = 0; i < 60; ++i) {
    big += "    1   1   1" + std::string(29, ' ') + difscop::textio::Format("%7.3f", 10.0 + i) + "\n";
    if (i < 25) big += std::string(42, ' ') + difscop::textio::Format("%7.3f", 5.0 + i) + "\n";
  }
  LineReader many(big);
  auto lots = ReadTreorSolution(many);
  ASSERT_TRUE(lots.has_value());
  EXPECT_EQ(lots->lines.records.back().twoTheta + " " + std::to_string(lots->lines.records.size()) + " " +
                std::to_string(lots->lines.rejected.size()),
            " 59.000 50 20");
}
