// Writing text files as the formats' programs expect them: printf-style
// conversions in the C locale, every line ended by CR LF, and the file
// replaced atomically so that a failed write never destroys what was there.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace difscop::textio {

// printf-style conversion in the C locale, whatever the process locale is.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

class TextWriter {
 public:
  // Appends text followed by CR LF.
  void Line(std::string_view text = {});
  // Appends a formatted line followed by CR LF.
  void LineF(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Appends text without a line end.
  void Raw(std::string_view text) { buffer_.append(text); }
  // Appends one number as "%W.Pf" would, without reading a format: for
  // tables of many thousand lines.
  void Fixed(double value, int width, int precision);
  void RawF(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Room for bytes more, so a long file is built without regrowing.
  void Reserve(std::size_t bytes) { buffer_.reserve(buffer_.size() + bytes); }
  const std::string& Contents() const { return buffer_; }
  std::string Take() { return std::move(buffer_); }
  void Clear() { buffer_.clear(); }

 private:
  std::string buffer_;
};

// Writes contents to a temporary file in the directory of the file path
// names (through symbolic links, which stay) and renames it over that file
// once every byte is on disk. An existing target that is not a regular file,
// or that is write-protected, is refused. On any failure the old file is left
// as it was, no temporary file remains and false is returned; error, if
// given, holds "PATH: reason".
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         std::string* error = nullptr);

}  // namespace difscop::textio
