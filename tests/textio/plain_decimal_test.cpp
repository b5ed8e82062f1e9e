// Plain decimals take a shortcut in ParseDouble; it must agree with the
// general conversion bit for bit, and hand everything else over.
#include <gtest/gtest.h>

#include <charconv>
#include <random>
#include <string>

#include "textio/scan.h"

namespace difscop::textio {
namespace {

double General(const std::string& s, std::size_t& used) {
  double v = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  used = static_cast<std::size_t>(ptr - s.data());
  return v;
}

TEST(PlainDecimal, AgreesWithTheGeneralConversion) {
  std::mt19937_64 random(3);
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 15);
    std::string s = std::to_string(random() % 1000000000000000ULL).substr(0, digits);
    const std::size_t point = random() % (s.size() + 1);
    if (point > 0 && point < s.size()) s.insert(point, ".");
    s += " 12";
    std::size_t expectedUsed = 0;
    const double expected = General(s, expectedUsed);
    double got = -1;
    ASSERT_EQ(ParseDouble(s, got), expectedUsed) << s;
    ASSERT_EQ(got, expected) << s;
  }
}

TEST(PlainDecimal, OtherFormsStillParse) {
  double v = 0;
  EXPECT_EQ(ParseDouble("1.5e3", v), 5u);
  EXPECT_EQ(v, 1500.0);
  EXPECT_EQ(ParseDouble("  -20.04(3)", v), 8u);
  EXPECT_EQ(v, -20.04);
  EXPECT_EQ(ParseDouble("1234567890.1234567", v), 18u);
  EXPECT_EQ(v, 1234567890.1234567);
  EXPECT_EQ(ParseDouble(".5", v), 2u);
  EXPECT_EQ(v, 0.5);
  EXPECT_EQ(ParseDouble("7.", v), 2u);
  EXPECT_EQ(v, 7.0);
  EXPECT_EQ(ParseDouble("x1", v), 0u);
}

}  // namespace
}  // namespace difscop::textio
