// printf-style conversions without the C library's printf: no locale is
// consulted and nothing is switched, so writing a large file costs little
// more than its digits. The output is the C locale's, byte for byte.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace difscop::textio {

// Appends format with its arguments converted. The flags - + space 0, a
// width, a precision and the conversions d i u f F s c % are done here;
// anything else (%e, %g, %x, '*' widths, ...) goes to vsnprintf under the C
// locale for the whole call, so every format still works.
void AppendFormatV(std::string& out, const char* format, va_list args);

// "%W.Pf" for one number: right-aligned in width, P decimals, rounded to
// nearest with ties to even on the exact binary value, as printf does.
void AppendFixed(std::string& out, double value, int width, int precision);

// The same field written to out when the exact conversion covers it (a
// finite number whose digits at precision fit in 64 bits) and the field
// fits in room bytes: its length, or 0 with nothing written.
std::size_t FormatFixed(char* out, std::size_t room, double value, int width, int precision);

}  // namespace difscop::textio
