#include "indexing/cellref_input.h"

#include "indexing_test_support.h"

using namespace difscop::indexing;

TEST(CrystalSystem, TreorCodesCompareTheTextsItoCodesTheValues) {
  const std::string l1 = "  5.431000", l2 = "  6.123400", l3 = "  7.000000";
  const std::string r = " 90.000000", h = "120.000000", o = " 60.000000", m = "101.250000";
  struct Case {
    CellTexts cell;
    char fromTexts, fromValues;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) {
    EXPECT_EQ(CrystalSystemFromTexts(c.cell), c.fromTexts) << c.cell[0] << c.cell[5];
    EXPECT_EQ(CrystalSystemFromValues(c.cell), c.fromValues) << c.cell[0] << c.cell[5];
  }
}
