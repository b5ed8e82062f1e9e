// The writers' own conversions must match the C library's printf in the C
// locale byte for byte, whatever the value, width and precision.
#include <gtest/gtest.h>
#include <locale.h>

#include <bit>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "textio/text_writer.h"

namespace difscop::textio {
namespace {

std::string Library(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Library(const char* format, ...) {
  static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  const locale_t previous = uselocale(c);
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  uselocale(previous);
  return buffer;
}

// Every fixed-point format the writers use, and the flags around them.
const char* const kFixedFormats[] = {"%6.2f", "%6.0f",  "%8.0f",  "%8.4f",  "%10.4f", "%11.1f",
                                     "%7.3f", "%4.1f",  "%5.0f",  "%8.6lf", "%10.7f", "%.2f",
                                     "%f",    "%-9.3f", "%+8.2f", "% 7.1f", "%08.3f", "%-+08.2f",
                                     "%.0f",  "%.17f",  "%.20f",  "%F",     "%3.9f",  "%012.5f"};

TEST(PrintfFormat, FixedPointMatchesTheLibrary) {
  constexpr double kMax = std::numeric_limits<double>::max();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
  // clang-format off
  const double special[] = {0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.125, 0.375, 1.005, 2.675, 0.045,
                            999.5, 9.9999999, -0.4, 1e-320, 5e-324, 123456789012.25,
                            4503599627370495.5, 9007199254740993.0, 1e19, 1.8446744073709552e19,
                            1e300, -1e300, kMax, kInf, -kInf, kNan, -kNan};
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
    double v = 0;
    switch (i % 4) {
      case 0:
        v = static_cast<float>(wide(random));
        break;
      case 1:
        v = wide(random) / std::pow(10.0, static_cast<double>(random() % 12));
        break;
      case 2:
        v = static_cast<double>(static_cast<std::int64_t>(random() % 200001) - 100000) / 64.0;
        break;
      default:
        v = std::bit_cast<double>(random());
        break;
    }
    ASSERT_EQ(Format(f, v), Library(f, v)) << f << " " << v;
  }
}

TEST(PrintfFormat, IntegersTextAndMixedLinesMatchTheLibrary) {
  const long long values[] = {
      0, 7, -7, 42, 99999, -100000, 2147483647LL, -2147483647LL - 1, 9223372036854775807LL};
  const char* const intFormats[] = {"%d",   "%3d",  "%-5d",  "%05d",  "%+d", "% d",
                                    "%.3d", "%.0d", "%8.4d", "%-+6d", "%hd", "%hhd"};
  for (long long v : values) {
    const int narrow = static_cast<int>(v);
    for (const char* f : intFormats) ASSERT_EQ(Format(f, narrow), Library(f, narrow)) << f << v;
    const long wide = static_cast<long>(v);
    EXPECT_EQ(Format("%ld|%lld|%5ld", wide, v, wide), Library("%ld|%lld|%5ld", wide, v, wide));
    EXPECT_EQ(Format("%u %lu", static_cast<unsigned>(v), static_cast<unsigned long>(v)),
              Library("%u %lu", static_cast<unsigned>(v), static_cast<unsigned long>(v)));
  }
  EXPECT_EQ(Format("%-41s%7.3f|%5s|%.2s|%c%%", " DBW data", 5.0, "ab", "xyz", 'Q'),
            Library("%-41s%7.3f|%5s|%.2s|%c%%", " DBW data", 5.0, "ab", "xyz", 'Q'));
  EXPECT_EQ(Format("BANK 1 %5d %4d CONST %5.0f %4.1f 0 0 STD", 25, 3, 500.0, 0.5),
            Library("BANK 1 %5d %4d CONST %5.0f %4.1f 0 0 STD", 25, 3, 500.0, 0.5));
  // Conversions not done by hand still come out as the library writes them,
  // also beyond a short line.
  EXPECT_EQ(Format("%e %g %x %*d|%#.0f", 1234.5, 0.0001, 255, 6, 3, 2.0),
            Library("%e %g %x %*d|%#.0f", 1234.5, 0.0001, 255, 6, 3, 2.0));
  EXPECT_EQ(Format("%ls|%lc", L"wide", L'w'), Library("%ls|%lc", L"wide", L'w'));
  const std::string row(300, 'r');
  EXPECT_EQ(Format("%s %e", row.c_str(), 0.5), Library("%s %e", row.c_str(), 0.5));
}

}  // namespace
}  // namespace difscop::textio
