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

void TextWriter::RawF(const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatV(buffer_, format, args);
  va_end(args);
}

}  // namespace difscop::textio
