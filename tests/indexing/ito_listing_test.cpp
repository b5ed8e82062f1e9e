#include "indexing/ito_listing.h"

#include "indexing/cellref_commands.h"
#include "indexing_test_support.h"
#include "platform/scripted_platform.h"
#include "textio/text_writer.h"

using namespace difscop::indexing;
using difscop::platform::ScriptedPlatform;
using difscop::textio::LineReader;
using indexing_test::Listing;

// A CellRef input with LF line ends.
static std::string Lf(std::string input) {
  std::erase(input, '\r');
  return input;
}

// One solution, best-solution tables and the lattice layouts, whose cell
// comes from the reciprocal line; or the reason there is none. The last
// layout keyword found decides.
TEST(ItoListing, EachLayoutGivesItsCellAndLinesOrSaysWhy) {
  auto ws = indexing_test::MakeWorkspace("");
  ws->wavelength = 1.5406f;
  ws->goniometerRadius = 250.0f;
  indexing_test::SetPeaks(*ws, 18.36);  // Ito's values are never snapped
  const std::string hexagonal = Listing("ito_hexagonal.imp");
  const struct {
    std::string text;
    const char* body;  // the start of what follows the head; nullptr: no input
    const char* message = "";
  } cases[] = {
      // clang-format off
      {Listing("ito_one.imp"),
       "7\n   4.830    4.830    4.830   90.000   90.000   90.000\n  3\n"
       "    1    0    0    18.352   1.0\n    1    1    0    25.004   1.0\n"
       "    1    1    1    30.861   1.0\n\n#Rejected reflection peaks:\n  27.771\n"},
      {Listing("ito_best.imp"), "2\n"},  // monoclinic
      {Listing("ito_best_alt.imp"), "3\n   4.123    5.234    6.432   90.000   90.000   90.000\n"
       "  1\n    0    0    2    12.500   1.0\n\n#Rejected reflection peaks:\n  19.250\n"},
      {hexagonal, "4\n  4.1234   4.1234   6.4321   90.000   90.000  120.000\n"},
      {Listing("ito_rhombohedral.imp"),
       "4\n  5.0011   5.0011  13.6542   90.000   90.000  120.000\n"},
      // Both headings: the tetragonal one last.
      {Listing("ito_tetragonal.imp"),
       "6\n  3.9051   3.9051   4.1502   90.000   90.000   90.000\n  3\n"},
      // Keywords compare from the first column, blanks included.
      {"HEXAGONAL INDEXING\n  TETRAGONAL INDEXING\n", nullptr, "No solution !!!"},
      // The best-solution keyword without either table header.
      {"0THE BEST SOLUTION IS NOW USED TO TRY AND INDEX ALL LINES.\n no table\n", nullptr,
       "Keyword not found !!!"},
      // Without " RECIPROCAL CONSTANTS" the command ends without a word.
      {hexagonal.substr(0, hexagonal.find(" RECIPROCAL")), nullptr},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    ScriptedPlatform p;
    const std::optional<std::string> input = CellRefFromIto(*ws, p, c.text);
    EXPECT_EQ(input.has_value(), c.body != nullptr);
    if (input) {
      const std::string want = std::string("Data from Ito\n2\n  1.540600   250.000\n") + c.body;
      EXPECT_EQ(Lf(*input).substr(0, want.size()), want);
    }
    EXPECT_EQ(p.messages,
              *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    EXPECT_TRUE(p.trialSolutionsShown.empty());
  }
  EXPECT_EQ(ws->solutionCells[3][0], "  90.000");
}

TEST(ItoListing, FourSolutionsAreChosenFromAndTheirPageRead) {
  auto ws = indexing_test::MakeWorkspace("");
  ScriptedPlatform p;
  p.trialSolutionAnswers = {std::string("5"), std::string("3")};
  const std::string text = Listing("ito_four.imp");
  std::optional<std::string> input = CellRefFromIto(*ws, p, text);
  ASSERT_TRUE(input.has_value());
  ASSERT_EQ(p.trialSolutionsShown.size(), 1u);
  const auto& rows = p.trialSolutionsShown[0].rows;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(std::pair(rows[0].merit, rows[3].merit), std::pair(42.5f, 7.75f));
  EXPECT_EQ(rows[3].cell[4], " 101.250");
  EXPECT_EQ(p.messages, std::vector<std::string>{"Number out of range !!!"});
  EXPECT_EQ(Lf(*input).substr(Lf(*input).find("\n4\n") + 1),
            "4\n   4.123    4.123    6.432   90.000   90.000  120.000\n  2\n"
            "    2    0    1    12.000   1.0\n    2    1    1    32.000   1.0\n\n"
            "#Rejected reflection peaks:\n  22.000\n");
  EXPECT_EQ(ws->solutionCells[2][1], "   6.432");
  ScriptedPlatform cancel;
  EXPECT_TRUE(!CellRefFromIto(*ws, cancel, text) && cancel.messages.empty());
  // A chooser answering outside the list is a cancel.
  for (std::optional<int> answer :
       {std::optional<int>(4), std::optional<int>(-1), std::optional<int>()}) {
    LineReader reader(text);
    ItoResult r =
        ReadItoListing(reader, ItoLayout::FourSolution, [&](const auto&) { return answer; });
    EXPECT_EQ(r.status, ItoResult::Status::Cancelled) << answer.value_or(99);
  }
  // Fewer solution pages than the chosen number.
  ScriptedPlatform fewer;
  fewer.trialSolutionAnswers = {std::string("4")};
  EXPECT_FALSE(CellRefFromIto(*ws, fewer, text.substr(0, text.find("SOLUTION NR 4") - 110)));
  EXPECT_EQ(fewer.messages, std::vector<std::string>{"No solution !!!"});
}

TEST(ItoListing, TableRulesLengthLimitsNeighboursBlocksAndBounds) {
  auto observed = [](double t, std::size_t length) {
    std::string line = difscop::textio::Format(" %9.3f   3.0000", t);
    line.resize(26, ' ');
    line += "*OBSERVED";
    line.resize(length, ' ');
    if (length > 35) line.back() = 'X';
    return line + "\n";
  };
  auto read = [](const std::string& text) {
    LineReader reader(text);
    IndexedLines lines = ReadItoReflectionTable(reader, StandardItoTable({" END"}));
    std::string out;
    for (const ReflectionRecord& r : lines.records) out += r.h + r.k + r.l + r.twoTheta + "|";
    for (float v : lines.rejected) out += difscop::textio::Format("%.3f|", v);
    return out;
  };
  std::string text;
  text += observed(10.0, 50) + "  10.004 3.1 1 2 3\n\n";       // one short of the limit: indexed
  text += observed(11.0, 51) + "  11.004 3.1 1 2 4\n\n";       // at the limit: neither
  text += observed(12.0, 52) + "\n";                           // one over: rejected
  text += "  13.004 3.1 4 5 6\n" + observed(13.0, 40) + "\n";  // last line: the previous one
  text += observed(14.0, 40) + "\n";                           // alone: no indices, left out
  EXPECT_EQ(read(text + " END\n" + observed(15.0, 40) + "  15.004 3.1 7 7 7\n"),
            "  1  2  3  10.000|  4  5  6  13.000|12.000|");
  // The end keyword drops the unfinished block; the end of the file keeps it.
  EXPECT_EQ(read(observed(16.0, 40) + "  16.004 3.1 1 1 1\n END\n"), "");
  EXPECT_EQ(read(observed(16.0, 40) + "  16.004 3.1 1 1 1\n"), "  1  1  1  16.000|");
  // A block of twelve lines is read whole: the h k l of its tenth line come
  // from the eleventh, not from the ninth.
  std::string twelve;
  for (int i = 0; i < 9; ++i) twelve += "  9.000 3.1 1 0 8\n";
  EXPECT_EQ(read(twelve + observed(30.0, 40) + "  30.004 3.1 2 2 2\n  31.000 3.1 3 3 3\n"),
            "  2  2  2  30.000|");
  // 60 pairs without empty lines: one block, 50 records at most; 20 rejected.
  std::string many, rejects;
  for (int i = 0; i < 60; ++i) many += observed(20.0 + i, 40) + "  1.0 3.1 1 1 1\n";
  for (int i = 0; i < 30; ++i) rejects += observed(20.0 + i, 60) + "\n";
  EXPECT_EQ(read(many).size(), 50u * 18);
  EXPECT_EQ(read(rejects).size(), 20u * 7);
}
