#include "indexing/ito_listing.h"

#include "indexing/cellref_commands.h"
#include "indexing_test_support.h"
#include "platform/scripted_platform.h"
#include "textio/text_writer.h"

using namespace difscop::indexing;
using difscop::platform::ScriptedPlatform;
using difscop::textio::LineReader;
using indexing_test::Listing;

namespace {

// The lines of a CellRef input from the code line on.
std::string Body(const std::string& input) {
  std::string lf;
  for (char c : input)
    if (c != '\r') lf += c;
  return lf.substr(lf.find('\n', lf.find('\n', lf.find('\n') + 1) + 1) + 1);
}

ItoLayout LayoutOf(const std::string& text) {
  LineReader reader(text);
  return ClassifyItoListing(reader);
}

}  // namespace

TEST(ItoListing, TheLastLayoutKeywordFoundDecides) {
  // The other listings' layouts show in what is read from them below.
  EXPECT_EQ(LayoutOf(Listing("ito_tetragonal.imp")), ItoLayout::Tetragonal);  // has both headings
  EXPECT_EQ(LayoutOf(" HEXAGONAL INDEXING\n0THE  1 BEST SOLUTIONS ARE NOW PRINTED MORE EXTENSIVELY.\n"),
            ItoLayout::Hexagonal);
  // Keywords compare from the first column, blanks included.
  EXPECT_EQ(LayoutOf("HEXAGONAL INDEXING\n  TETRAGONAL INDEXING\n"), ItoLayout::None);

  auto ws = indexing_test::MakeWorkspace("");
  ScriptedPlatform p;
  EXPECT_FALSE(CellRefFromIto(*ws, p, "an unrelated text\n").has_value());
  EXPECT_EQ(p.messages, std::vector<std::string>{"No solution !!!"});
}

TEST(ItoListing, OneSolutionAndBestSolutionTables) {
  auto ws = indexing_test::MakeWorkspace("");
  ws->wavelength = 1.5406f;
  ws->goniometerRadius = 250.0f;
  indexing_test::SetPeaks(*ws, 18.36);  // Ito's values are never snapped
  ScriptedPlatform p;
  std::optional<std::string> one = CellRefFromIto(*ws, p, Listing("ito_one.imp"));
  ASSERT_TRUE(one.has_value());
  EXPECT_EQ(one->substr(0, 40), "Data from Ito\r\n2\r\n  1.540600   250.000\r\n");
  EXPECT_EQ(Body(*one),
            "7\n"
            "   4.830    4.830    4.830   90.000   90.000   90.000\n"
            "  3\n"
            "    1    0    0    18.352   1.0\n"
            "    1    1    0    25.004   1.0\n"
            "    1    1    1    30.861   1.0\n"
            "\n"
            "#Rejected reflection peaks:\n"
            "  27.771\n");
  EXPECT_EQ(ws->solutionCells[3][0], "  90.000");
  EXPECT_TRUE(p.trialSolutionsShown.empty());

  std::optional<std::string> best = CellRefFromIto(*ws, p, Listing("ito_best.imp"));
  ASSERT_TRUE(best.has_value());
  EXPECT_EQ(Body(*best).substr(0, 2), "2\n");  // monoclinic
  EXPECT_NE(best->find("    1    1    1    30.861   1.0"), std::string::npos);

  std::optional<std::string> alt = CellRefFromIto(*ws, p, Listing("ito_best_alt.imp"));
  ASSERT_TRUE(alt.has_value());
  EXPECT_EQ(Body(*alt),
            "3\n   4.123    5.234    6.432   90.000   90.000   90.000\n  1\n"
            "    0    0    2    12.500   1.0\n\n#Rejected reflection peaks:\n  19.250\n");
  EXPECT_TRUE(p.messages.empty());

  // The best-solution keyword without either table header.
  ScriptedPlatform bad;
  EXPECT_FALSE(CellRefFromIto(*ws, bad, "0THE BEST SOLUTION IS NOW USED TO TRY AND INDEX ALL LINES.\n no table\n"));
  EXPECT_EQ(bad.messages, std::vector<std::string>{"Keyword not found !!!"});
}

TEST(ItoListing, FourSolutionsAreChosenFromAndTheirPageRead) {
  auto ws = indexing_test::MakeWorkspace("");
  ScriptedPlatform p;
  p.trialSolutionAnswers = {std::string("5"), std::string("3")};
  std::optional<std::string> input = CellRefFromIto(*ws, p, Listing("ito_four.imp"));
  ASSERT_TRUE(input.has_value());
  ASSERT_EQ(p.trialSolutionsShown.size(), 1u);
  const auto& rows = p.trialSolutionsShown[0].rows;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(std::pair(rows[0].merit, rows[3].merit), std::pair(42.5f, 7.75f));
  EXPECT_EQ(rows[3].cell[4], " 101.250");
  EXPECT_EQ(p.messages, std::vector<std::string>{"Number out of range !!!"});
  EXPECT_EQ(Body(*input),
            "4\n   4.123    4.123    6.432   90.000   90.000  120.000\n  2\n"
            "    2    0    1    12.000   1.0\n    2    1    1    32.000   1.0\n\n"
            "#Rejected reflection peaks:\n  22.000\n");
  EXPECT_EQ(ws->solutionCells[2][1], "   6.432");

  ScriptedPlatform cancel;
  EXPECT_FALSE(CellRefFromIto(*ws, cancel, Listing("ito_four.imp")).has_value());
  EXPECT_TRUE(cancel.messages.empty());

  // A chooser answering outside the list is a cancel.
  for (std::optional<int> answer : {std::optional<int>(4), std::optional<int>(-1), std::optional<int>()}) {
    LineReader reader(Listing("ito_four.imp"));
    ItoResult r = ReadItoListing(reader, ItoLayout::FourSolution, [&](const auto&) { return answer; });
    EXPECT_EQ(r.status, ItoResult::Status::Cancelled) << answer.value_or(99);
  }

  // Fewer solution pages than the chosen number.
  std::string text = Listing("ito_four.imp");
  std::string cut = text.substr(0, text.find("SOLUTION NR 4") - 110);
  ScriptedPlatform fewer;
  fewer.trialSolutionAnswers = {std::string("4")};
  EXPECT_FALSE(CellRefFromIto(*ws, fewer, cut).has_value());
  EXPECT_EQ(fewer.messages, std::vector<std::string>{"No solution !!!"});
}

TEST(ItoListing, LatticeLayoutsTakeTheirCellFromTheReciprocalLine) {
  auto ws = indexing_test::MakeWorkspace("");
  ScriptedPlatform p;
  const std::pair<const char*, const char*> cases[] = {
      {"ito_hexagonal.imp", "4\n  4.1234   4.1234   6.4321   90.000   90.000  120.000\n"},
      {"ito_rhombohedral.imp", "4\n  5.0011   5.0011  13.6542   90.000   90.000  120.000\n"},
      {"ito_tetragonal.imp", "6\n  3.9051   3.9051   4.1502   90.000   90.000   90.000\n  3\n"}};
  for (const auto& [name, cell] : cases) {
    std::optional<std::string> input = CellRefFromIto(*ws, p, Listing(name));
    ASSERT_TRUE(input.has_value()) << name;
    EXPECT_EQ(Body(*input).substr(0, std::string(cell).size()), cell);
  }

  // Without " RECIPROCAL CONSTANTS" the command ends without a word.
  std::string text = Listing("ito_hexagonal.imp");
  ScriptedPlatform quiet;
  EXPECT_FALSE(CellRefFromIto(*ws, quiet, text.substr(0, text.find(" RECIPROCAL"))).has_value());
  EXPECT_TRUE(quiet.messages.empty());
}

TEST(ItoListing, TableRulesLengthLimitsNeighboursBlocksAndBounds) {
  ItoTableForm form = StandardItoTable({" END"});
  auto observed = [](double t, std::size_t length) {
    std::string line = difscop::textio::Format(" %9.3f   3.0000", t);
    line.resize(26, ' ');
    line += "*OBSERVED";
    line.resize(length, ' ');
    if (length > 35) line.back() = 'X';
    return line;
  };
  std::string text;
  text += observed(10.0, 50) + "\n" + "  10.004 3.1 1 2 3\n\n";  // one short of the limit: indexed
  text += observed(11.0, 51) + "\n" + "  11.004 3.1 1 2 4\n\n";  // at the limit: neither
  text += observed(12.0, 52) + "\n\n";                           // one over: rejected
  text += "  13.004 3.1 4 5 6\n" + observed(13.0, 40) + "\n\n";  // last line: the previous one
  text += observed(14.0, 40) + "\n\n";                           // alone: no indices, left out
  LineReader reader(text + " END\n" + observed(15.0, 40) + "\n  15.004 3.1 7 7 7\n");
  auto joined = [](const IndexedLines& lines) {
    std::string out;
    for (const ReflectionRecord& r : lines.records) out += r.h + r.k + r.l + r.twoTheta + "|";
    return out;
  };
  IndexedLines lines = ReadItoReflectionTable(reader, form);
  EXPECT_EQ(joined(lines), "  1  2  3  10.000|  4  5  6  13.000|");
  EXPECT_EQ(lines.rejected, std::vector<float>{12.0f});

  // The end keyword drops the unfinished block; the end of the file keeps it.
  LineReader ended(observed(16.0, 40) + "\n  16.004 3.1 1 1 1\n END\n");
  EXPECT_TRUE(ReadItoReflectionTable(ended, form).records.empty());
  LineReader cut(observed(16.0, 40) + "\n  16.004 3.1 1 1 1\n");
  EXPECT_EQ(ReadItoReflectionTable(cut, form).records.size(), 1u);

  // A block of twelve lines is read whole: the h k l of its tenth line come
  // from the eleventh, not from the ninth.
  std::string twelve;
  for (int i = 0; i < 9; ++i) twelve += "  9.000 3.1 1 0 8\n";
  twelve += observed(30.0, 40) + "\n  30.004 3.1 2 2 2\n  31.000 3.1 3 3 3\n";
  LineReader whole(twelve);
  EXPECT_EQ(joined(ReadItoReflectionTable(whole, form)), "  2  2  2  30.000|");

  // 60 pairs without empty lines: one block, 50 records at most.
  std::string many;
  for (int i = 0; i < 60; ++i) many += observed(20.0 + i, 40) + "\n  1.0 3.1 1 1 1\n";
  LineReader big(many);
  EXPECT_EQ(ReadItoReflectionTable(big, form).records.size(), 50u);
  std::string rejects;
  for (int i = 0; i < 30; ++i) rejects += observed(20.0 + i, 60) + "\n\n";
  LineReader r(rejects);
  EXPECT_EQ(ReadItoReflectionTable(r, form).rejected.size(), 20u);
}
