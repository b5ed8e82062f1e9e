#include "textio/printf_format.h"

#include <locale.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace difscop::textio {
namespace {

struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool zero = false;
  int width = 0;
  int precision = -1;  // none given
  char length = 0;     // 0, 'H' (hh), 'h', 'l', 'q' (ll), 'j', 'z', 't'
  char conversion = 0;
};

using Wide = unsigned __int128;

constexpr std::uint64_t kPow10[] = {1ULL,
                                    10ULL,
                                    100ULL,
                                    1000ULL,
                                    10000ULL,
                                    100000ULL,
                                    1000000ULL,
                                    10000000ULL,
                                    100000000ULL,
                                    1000000000ULL,
                                    10000000000ULL,
                                    100000000000ULL,
                                    1000000000000ULL,
                                    10000000000000ULL,
                                    100000000000000ULL,
                                    1000000000000000ULL,
                                    10000000000000000ULL,
                                    100000000000000000ULL};
constexpr int kMaxExactPrecision = 17;

// |value| * 10^precision rounded to the nearest whole number, ties to even,
// computed exactly from the binary value. False when it does not fit in 64
// bits (the caller then takes the general conversion).
bool ScaledRound(double magnitude, int precision, std::uint64_t& result) {
  const auto bits = std::bit_cast<std::uint64_t>(magnitude);
  const auto biased = static_cast<int>(bits >> 52);
  const std::uint64_t fraction = bits & ((1ULL << 52) - 1);
  // magnitude = mantissa * 2^exponent exactly.
  const std::uint64_t mantissa = biased == 0 ? fraction : fraction | (1ULL << 52);
  const int exponent = biased == 0 ? -1074 : biased - 1075;
  const Wide scaled = static_cast<Wide>(mantissa) * kPow10[precision];  // < 2^110
  Wide whole = 0;
  if (exponent >= 0) {
    if (exponent > 16) return false;
    whole = scaled << exponent;
  } else if (exponent > -127) {
    const int shift = -exponent;
    whole = scaled >> shift;
    const Wide rest = scaled - (whole << shift);
    const Wide half = static_cast<Wide>(1) << (shift - 1);
    if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
  }  // else below 2^-126 * 2^110: rounds to 0
  if (whole >> 64 != 0) return false;
  result = static_cast<std::uint64_t>(whole);
  return true;
}

// Appends count copies of c.
void Pad(std::string& out, int count, char c) {
  if (count > 0) out.append(static_cast<std::size_t>(count), c);
}

// Sign, then the digits in the field: blanks before the sign, zeros after
// it, or blanks after everything when left-aligned.
void AppendField(std::string& out, const Spec& spec, char sign, const char* body, std::size_t size,
                 bool zeroPadding) {
  const int used = static_cast<int>(size) + (sign != 0 ? 1 : 0);
  const int fill = spec.width - used;
  if (!spec.left && !zeroPadding) Pad(out, fill, ' ');
  if (sign != 0) out.push_back(sign);
  if (!spec.left && zeroPadding) Pad(out, fill, '0');
  out.append(body, size);
  if (spec.left) Pad(out, fill, ' ');
}

char SignOf(bool negative, const Spec& spec) {
  if (negative) return '-';
  if (spec.plus) return '+';
  if (spec.space) return ' ';
  return 0;
}

// Fixed-point digits of a number scaled by 10^precision (precision at most
// kMaxExactPrecision): at least one digit before the point ("0.05" at two
// decimals), precision after it. FixedLength gives their count, WriteFixed
// writes them, digit by digit from the end.
int FixedLength(std::uint64_t scaled, int precision) {
  int integerDigits = 1;
  for (std::uint64_t v = scaled / kPow10[precision]; v >= 10; v /= 10) ++integerDigits;
  return integerDigits + (precision > 0 ? precision + 1 : 0);
}

void WriteFixed(std::uint64_t scaled, int precision, char* body, int length) {
  char* p = body + length;
  std::uint64_t whole = scaled;
  if (precision > 0) {
    for (int k = 0; k < precision; ++k) {
      *--p = static_cast<char>('0' + whole % 10);
      whole /= 10;
    }
    *--p = '.';
  }
  do {
    *--p = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (p > body);
}

// The digits of |value| at precision decimals into body (48 bytes), rounded
// exactly; the length, or 0 when the number is too large or the precision
// too long for the exact 64-bit path.
std::size_t ExactFixedBody(double magnitude, int precision, char* body) {
  std::uint64_t scaled = 0;
  if (precision > kMaxExactPrecision || !ScaledRound(magnitude, precision, scaled)) return 0;
  const int length = FixedLength(scaled, precision);
  WriteFixed(scaled, precision, body, length);
  return static_cast<std::size_t>(length);
}

void AppendFloat(std::string& out, double value, const Spec& spec) {
  const int precision = spec.precision < 0 ? 6 : spec.precision;
  const char sign = SignOf(std::signbit(value), spec);
  const double magnitude = std::fabs(value);
  if (!std::isfinite(value)) {
    const bool upper = spec.conversion == 'F';
    const char* text = std::isnan(value) ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
    AppendField(out, spec, sign, text, 3, false);
    return;
  }
  char small[48];
  if (const std::size_t size = ExactFixedBody(magnitude, precision, small)) {
    AppendField(out, spec, sign, small, size, spec.zero && !spec.left);
    return;
  }
  // Very large numbers or long precisions: the library's exact conversion.
  std::vector<char> big(static_cast<std::size_t>(precision) + 330);
  const auto r = std::to_chars(big.data(), big.data() + big.size(), magnitude,
                               std::chars_format::fixed, precision);
  AppendField(out, spec, sign, big.data(), static_cast<std::size_t>(r.ptr - big.data()),
              spec.zero && !spec.left);
}

void AppendInteger(std::string& out, bool negative, unsigned long long magnitude,
                   const Spec& spec) {
  char digits[24];
  char* end = digits;
  // A precision of 0 prints nothing for 0.
  if (!(spec.precision == 0 && magnitude == 0))
    end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
  const auto count = static_cast<int>(end - digits);
  const char sign = spec.conversion == 'u' ? 0 : SignOf(negative, spec);
  if (spec.precision > count) {
    std::string body(static_cast<std::size_t>(spec.precision - count), '0');
    body.append(digits, end);
    AppendField(out, spec, sign, body.data(), body.size(), false);
    return;
  }
  AppendField(out, spec, sign, digits, static_cast<std::size_t>(count),
              spec.zero && !spec.left && spec.precision < 0);
}

long long SignedArgument(char length, va_list& args) {
  switch (length) {
    case 'H': return static_cast<signed char>(va_arg(args, int));
    case 'h': return static_cast<short>(va_arg(args, int));
    case 'l': return va_arg(args, long);
    case 'q': return va_arg(args, long long);
    case 'j': return va_arg(args, intmax_t);
    case 'z': return va_arg(args, std::ptrdiff_t);  // the signed size_t
    case 't': return va_arg(args, std::ptrdiff_t);
    default: return va_arg(args, int);
  }
}

unsigned long long UnsignedArgument(char length, va_list& args) {
  switch (length) {
    case 'H': return static_cast<unsigned char>(va_arg(args, unsigned));
    case 'h': return static_cast<unsigned short>(va_arg(args, unsigned));
    case 'l': return va_arg(args, unsigned long);
    case 'q': return va_arg(args, unsigned long long);
    case 'j': return va_arg(args, uintmax_t);
    case 'z': return va_arg(args, std::size_t);
    case 't': return static_cast<unsigned long long>(va_arg(args, std::ptrdiff_t));
    default: return va_arg(args, unsigned);
  }
}

int ReadNumber(const char*& p) {
  int n = 0;
  while (*p >= '0' && *p <= '9') {
    if (n < 100000) n = n * 10 + (*p - '0');
    ++p;
  }
  return n;
}

// Reads one conversion after its '%'; false for what is not done here.
bool ParseSpec(const char*& p, Spec& spec) {
  for (;; ++p) {
    if (*p == '-') spec.left = true;
    else if (*p == '+') spec.plus = true;
    else if (*p == ' ') spec.space = true;
    else if (*p == '0') spec.zero = true;
    else break;
  }
  if (*p == '*' || *p == '#' || *p == '\'') return false;
  spec.width = ReadNumber(p);
  if (*p == '.') {
    ++p;
    if (*p == '*') return false;
    spec.precision = ReadNumber(p);
  }
  switch (*p) {
    case 'h':
      ++p;
      spec.length = *p == 'h' ? (++p, 'H') : 'h';
      break;
    case 'l':
      ++p;
      spec.length = *p == 'l' ? (++p, 'q') : 'l';
      break;
    case 'j':
    case 'z':
    case 't':
      spec.length = *p++;
      break;
    default:
      break;
  }
  spec.conversion = *p;
  if (spec.conversion == 0) return false;
  ++p;
  switch (spec.conversion) {
    case 'd':
    case 'i':
    case 'u':
      return true;
    case 'f':
    case 'F':
      // %lf is a double too; %Lf (long double) is not done here.
      return spec.length == 0 || spec.length == 'l';
    case 's':
    case 'c':
      return spec.length == 0;
    case '%':
      return spec.width == 0 && spec.precision < 0 && spec.length == 0 && !spec.left &&
             !spec.plus && !spec.space && !spec.zero;
    default:
      return false;
  }
}

// Switches this thread to the C locale for the duration of a conversion.
class CLocaleScope {
 public:
  CLocaleScope() {
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    previous_ = uselocale(c);
  }
  ~CLocaleScope() { uselocale(previous_); }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t previous_;
};

void AppendWithLibrary(std::string& out, const char* format, va_list args) {
  CLocaleScope scope;
  char small[256];
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof small) {
    out.append(small, static_cast<std::size_t>(n));
    return;
  }
  std::vector<char> big(static_cast<std::size_t>(n) + 1);
  std::vsnprintf(big.data(), big.size(), format, args);
  out.append(big.data(), static_cast<std::size_t>(n));
}

}  // namespace

void AppendFormatV(std::string& out, const char* format, va_list original) {
  // A local copy: a va_list parameter cannot be passed on by reference.
  va_list args;
  va_copy(args, original);
  const std::size_t start = out.size();
  const char* p = format;
  while (*p != 0) {
    const char* percent = std::strchr(p, '%');
    if (percent == nullptr) {
      out.append(p);
      break;
    }
    out.append(p, static_cast<std::size_t>(percent - p));
    p = percent + 1;
    Spec spec;
    if (!ParseSpec(p, spec)) {
      va_end(args);
      out.resize(start);
      AppendWithLibrary(out, format, original);
      return;
    }
    switch (spec.conversion) {
      case 'd':
      case 'i': {
        const long long v = SignedArgument(spec.length, args);
        const unsigned long long magnitude =
            v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        AppendInteger(out, v < 0, magnitude, spec);
        break;
      }
      case 'u':
        AppendInteger(out, false, UnsignedArgument(spec.length, args), spec);
        break;
      case 'f':
      case 'F':
        AppendFloat(out, va_arg(args, double), spec);
        break;
      case 's': {
        const char* s = va_arg(args, const char*);
        if (s == nullptr) s = "(null)";
        const std::size_t size = spec.precision < 0
                                     ? std::strlen(s)
                                     : strnlen(s, static_cast<std::size_t>(spec.precision));
        AppendField(out, spec, 0, s, size, false);
        break;
      }
      case 'c': {
        const char c = static_cast<char>(va_arg(args, int));
        AppendField(out, spec, 0, &c, 1, false);
        break;
      }
      default:
        out.push_back('%');
        break;
    }
  }
  va_end(args);
}

std::size_t FormatFixed(char* out, std::size_t room, double value, int width, int precision) {
  std::uint64_t scaled = 0;
  if (!std::isfinite(value) || precision < 0 || precision > kMaxExactPrecision ||
      !ScaledRound(std::fabs(value), precision, scaled))
    return 0;
  const int length = FixedLength(scaled, precision);
  const bool negative = std::signbit(value);
  const int used = length + (negative ? 1 : 0);
  const int fill = width > used ? width - used : 0;
  if (static_cast<std::size_t>(fill + used) > room) return 0;
  char* p = out;
  for (int k = 0; k < fill; ++k) *p++ = ' ';
  if (negative) *p++ = '-';
  WriteFixed(scaled, precision, p, length);
  return static_cast<std::size_t>(fill + used);
}

void AppendFixed(std::string& out, double value, int width, int precision) {
  // The field is put together here and appended at once.
  char field[64];
  if (const std::size_t size = FormatFixed(field, sizeof field, value, width, precision)) {
    out.append(field, size);
    return;
  }
  Spec spec;
  spec.width = width;
  spec.precision = precision;
  spec.conversion = 'f';
  AppendFloat(out, value, spec);
}

}  // namespace difscop::textio
