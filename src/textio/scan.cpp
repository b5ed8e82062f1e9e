#include "textio/scan.h"

#include <cctype>
#include <cmath>
#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

namespace difscop::textio {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::size_t SkipSpace(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  return pos;
}

// Plain decimals ("123", "20.04") of at most 15 digits: the digits are an
// exact integer and 10^n an exact double, so one division is correctly
// rounded and gives what from_chars gives, several times faster. Anything
// else (exponents, long mantissas, "5.", ".5", inf, nan) takes the general
// path. Returns the end of the number, or nullptr.
[[gnu::always_inline]] inline const char* ParsePlainDecimal(const char* p, const char* last,
                                                            double& value) {
  static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  std::uint64_t mantissa = 0;
  int digits = 0, fraction = 0;
  while (p < last && *p >= '0' && *p <= '9') {
    mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
    if (++digits > 15) return nullptr;
  }
  if (digits == 0) return nullptr;
  if (p < last && *p == '.') {
    ++p;
    while (p < last && *p >= '0' && *p <= '9') {
      mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
      ++fraction;
      if (++digits > 15) return nullptr;
    }
    if (fraction == 0) return nullptr;
  }
  if (p < last && (*p == 'e' || *p == 'E')) return nullptr;
  value =
      fraction ? static_cast<double>(mantissa) / kPow10[fraction] : static_cast<double>(mantissa);
  return p;
}

}  // namespace

std::size_t ParseDouble(std::string_view text, double& value) {
  std::size_t pos = SkipSpace(text, 0);
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos >= text.size()) return 0;
  // from_chars takes no sign and no blanks, and is locale-independent.
  const char* first = text.data() + pos;
  const char* last = text.data() + text.size();
  double v = 0.0;
  if (const char* end = ParsePlainDecimal(first, last, v)) {
    value = negative ? -v : v;
    return static_cast<std::size_t>(end - text.data());
  }
  auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
  if (ptr == first) return 0;
  if (ec == std::errc::result_out_of_range) {
    // Like strtod: overflow gives infinity, underflow zero.
    bool tiny = false;
    for (const char* p = first; p < ptr; ++p) {
      if (*p == 'e' || *p == 'E') {
        tiny = (p + 1 < ptr && p[1] == '-');
        break;
      }
    }
    v = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  value = negative ? -v : v;
  return static_cast<std::size_t>(ptr - text.data());
}

std::size_t ParseFloat(std::string_view text, float& value) {
  double v = 0.0;
  std::size_t used = ParseDouble(text, v);
  if (used) value = static_cast<float>(v);
  return used;
}

std::size_t ParseInt(std::string_view text, int& value) {
  std::size_t pos = SkipSpace(text, 0);
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  std::size_t digits = pos;
  long long v = 0;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
    if (v < (1LL << 40)) v = v * 10 + (text[digits] - '0');
    ++digits;
  }
  if (digits == pos) return 0;
  if (negative) v = -v;
  // Out-of-range values are clamped rather than wrapped.
  if (v > std::numeric_limits<int>::max()) v = std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) v = std::numeric_limits<int>::min();
  value = static_cast<int>(v);
  return digits;
}

double ToDouble(std::string_view text) {
  double v = 0.0;
  return ParseDouble(text, v) ? v : 0.0;
}

int ToInt(std::string_view text) {
  int v = 0;
  return ParseInt(text, v) ? v : 0;
}

bool Scanner::Float(float& value) {
  std::size_t used = ParseFloat(text_.substr(pos_), value);
  pos_ += used;
  return used != 0;
}

bool Scanner::Double(double& value) {
  std::size_t used = ParseDouble(text_.substr(pos_), value);
  pos_ += used;
  return used != 0;
}

bool Scanner::Int(int& value) {
  std::size_t used = ParseInt(text_.substr(pos_), value);
  pos_ += used;
  return used != 0;
}

bool Scanner::Word(std::string& word) {
  pos_ = SkipSpace(text_, pos_);
  std::size_t end = pos_;
  while (end < text_.size() && !IsSpace(text_[end])) ++end;
  if (end == pos_) return false;
  word.assign(text_.substr(pos_, end - pos_));
  pos_ = end;
  return true;
}

namespace {

// Blanks, a sign and a plain decimal, as ParseDouble reads them: the end of
// the number, or nullptr for anything else (which ParseDouble then reads).
[[gnu::always_inline]] inline const char* PlainNumber(const char* p, const char* last,
                                                      double& value) {
  while (p < last && IsSpace(*p)) ++p;
  bool negative = false;
  if (p < last && (*p == '+' || *p == '-')) negative = *p++ == '-';
  double v = 0.0;
  const char* end = p < last ? ParsePlainDecimal(p, last, v) : nullptr;
  if (end) value = negative ? -v : v;
  return end;
}

}  // namespace

bool ScanTwoFloats(std::string_view line, float& a, float& b) {
  // Two plain decimals, as most data lines hold, are read in one go.
  const char* last = line.data() + line.size();
  double x = 0.0, y = 0.0;
  if (const char* p = PlainNumber(line.data(), last, x); p && PlainNumber(p, last, y)) {
    a = static_cast<float>(x);
    b = static_cast<float>(y);
    return true;
  }
  Scanner s(line);
  return s.Float(a) && s.Float(b);
}

bool ScanThreeFloats(std::string_view line, float& a, float& b, float& c) {
  Scanner s(line);
  return s.Float(a) && s.Float(b) && s.Float(c);
}

std::optional<double> ParseFiniteNumber(std::string_view text) {
  double value = 0.0;
  const std::size_t used = ParseDouble(text, value);
  if (used == 0 || !std::isfinite(value) ||
      std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
    return std::nullopt;
  }
  if (text.find_first_not_of(" \t", used) != std::string_view::npos) return std::nullopt;
  return value;
}

}  // namespace difscop::textio
