// The writers' own conversions must match the C library's printf in the C
// locale byte for byte, whatever the value, width and precision.
#include <gtest/gtest.h>
#include <locale.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "textio/text_writer.h"

namespace difscop::textio {
namespace {

template <typename... Args>
std::string Library(const char* format, Args... args) {
  static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  const locale_t previous = uselocale(c);
  char buffer[1024];
  std::snprintf(buffer, sizeof buffer, format, args...);
  uselocale(previous);
  return buffer;
}

// Every fixed-point format the writers use, and the flags around them.
const char* const kFixedFormats[] = {"%6.2f", "%6.0f",  "%8.0f",  "%8.4f",  "%10.4f", "%11.1f",
                                     "%7.3f", "%4.1f",  "%5.0f",  "%8.6lf", "%10.7f", "%.2f",
                                     "%f",    "%-9.3f", "%+8.2f", "% 7.1f", "%08.3f", "%-+08.2f",
                                     "%.0f",  "%.17f",  "%.20f",  "%F",     "%3.9f",  "%012.5f"};

TEST(PrintfFormat, FixedPointMatchesTheLibrary) {
  using L = std::numeric_limits<double>;
  // clang-format off
  const double special[] = {0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.125, 0.375, 1.005, 2.675, 0.045,
                            999.5, 9.9999999, -0.4, 1e-320, 5e-324, 123456789012.25,
                            4503599627370495.5, 9007199254740993.0, 1e19, 1.8446744073709552e19,
                            1e300, -1e300, L::max(), L::infinity(), -L::infinity(),
                            L::quiet_NaN(), -L::quiet_NaN()};
  // clang-format on
  for (const char* f : kFixedFormats)
    for (double v : special) ASSERT_EQ(Format(f, v), Library(f, v)) << f << " " << v;

  // Intensities and angles arrive as floats; exact ties at each precision
  // (k + 1/2) / 10^p only occur for binary fractions, so those are sampled
  // on their own.
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> wide(-1e7, 1e7);
  for (int i = 0; i < 300000; ++i) {
    const char* f = kFixedFormats[random() % std::size(kFixedFormats)];
    const int kind = i % 4;
    const double v =
        kind == 0   ? static_cast<float>(wide(random))
        : kind == 1 ? wide(random) / std::pow(10.0, static_cast<double>(random() % 12))
        : kind == 2
            ? static_cast<double>(static_cast<std::int64_t>(random() % 200001) - 100000) / 64
            : std::bit_cast<double>(random());
    ASSERT_EQ(Format(f, v), Library(f, v)) << f << " " << v;
  }
}

// The table writers' one-number path ("%W.Pf" put together in place, with
// the text after it) must give the same bytes, falling back where the exact
// conversion cannot (non-finite, very large, long precisions).
TEST(PrintfFormat, TableNumbersMatchTheLibrary) {
  using L = std::numeric_limits<double>;
  const double special[] = {0.0,  -0.0,  0.5,    2.5,   -2.5,  0.045, 999.5,  -0.4,
                            1e-9, 5e-324, 1e19, 1.8446744073709552e19, -1e300, L::max(),
                            L::infinity(), -L::quiet_NaN()};
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> wide(-1e7, 1e7);
  for (int i = 0; i < 200000; ++i) {
    const int width = static_cast<int>(random() % 14);
    const int precision = static_cast<int>(random() % 20);
    const double v = i < 16 * 20 ? special[i % 16]
                     : i % 2    ? static_cast<float>(wide(random))
                                : wide(random) / std::pow(10.0, static_cast<double>(random() % 9));
    const std::string expected = Library("%*.*f", width, precision, v);
    TextWriter w;
    w.Fixed(v, width, precision);
    w.Fixed(v, width, precision, i % 3 ? "   " : "\r\n");
    ASSERT_EQ(w.Contents(), expected + expected + (i % 3 ? "   " : "\r\n"))
        << width << "." << precision << " " << v;
  }
}

TEST(PrintfFormat, IntegersTextAndMixedLinesMatchTheLibrary) {
#define EXPECT_SAME(...) EXPECT_EQ(Format(__VA_ARGS__), Library(__VA_ARGS__))
  const long long values[] = {
      0, 7, -7, 42, 99999, -100000, 2147483647LL, -2147483647LL - 1, 9223372036854775807LL};
  const char* const intFormats[] = {"%d",   "%3d",    "%-5d",  "%05d",  "%+d", "% d", "%.3d",
                                    "%.0d", "%05.0d", "%8.4d", "%-+6d", "%hd", "%hhd"};
  for (long long v : values) {
    const int narrow = static_cast<int>(v);
    for (const char* f : intFormats) ASSERT_EQ(Format(f, narrow), Library(f, narrow)) << f << v;
    const long wide = static_cast<long>(v);
    EXPECT_SAME("%ld|%lld|%5ld|%u|%lu", wide, v, wide, unsigned(v), static_cast<unsigned long>(v));
  }
  EXPECT_SAME("%-41s%7.3f|%5s|%.2s|%.0s|%c%%", " DBW data", 5.0, "ab", "xyz", "gone", 'Q');
  EXPECT_SAME("BANK 1 %5d %4d CONST %5.0f %4.1f 0 0 STD", 25, 3, 500.0, 0.5);
  // Conversions not done by hand still come out as the library writes them,
  // also beyond a short line.
  EXPECT_SAME("%e %g %x %*d|%#.0f", 1234.5, 0.0001, 255, 6, 3, 2.0);
  EXPECT_SAME("%ls|%lc", L"wide", L'w');
  EXPECT_SAME("%s %e", std::string(300, 'r').c_str(), 0.5);
#undef EXPECT_SAME
}

}  // namespace
}  // namespace difscop::textio
