#include "textio/text_writer.h"

#include "textio/printf_format.h"

namespace difscop::textio {

std::string Format(const char* format, ...) {
  std::string out;
  va_list args;
  va_start(args, format);
  AppendFormatV(out, format, args);
  va_end(args);
  return out;
}

void TextWriter::Line(std::string_view text) {
  buffer_.append(text);
  buffer_.append("\r\n");
}

void TextWriter::LineF(const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatV(buffer_, format, args);
  va_end(args);
  buffer_.append("\r\n");
}

void TextWriter::Fixed(double value, int width, int precision) {
  AppendFixed(buffer_, value, width, precision);
}

void TextWriter::Fixed(double value, int width, int precision, std::string_view after) {
  char piece[96];
  if (after.size() < sizeof piece) {
    if (const std::size_t size =
            FormatFixed(piece, sizeof piece - after.size(), value, width, precision)) {
      after.copy(piece + size, after.size());
      buffer_.append(piece, size + after.size());
      return;
    }
  }
  AppendFixed(buffer_, value, width, precision);
  buffer_.append(after);
}

void TextWriter::RawF(const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatV(buffer_, format, args);
  va_end(args);
}

}  // namespace difscop::textio
