// Writing text files as the formats' programs expect them: printf-style
// conversions in the C locale, every line ended by CR LF, and the file
// replaced atomically so that a failed write never destroys what was there.
#pragma once

#include <filesystem>
#include <span>
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
  // The number followed by text (the blanks up to the next column, a line
  // end), appended in one piece.
  void Fixed(double value, int width, int precision, std::string_view after);
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
// or that is write-protected, is refused, and so is a link that another user
// owns in a sticky directory anyone may write to (/tmp). On any failure the
// old file is left as it was, no temporary file remains and false is
// returned; error, if given, holds "PATH: reason".
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         std::string* error = nullptr);

struct FileToWrite {
  std::filesystem::path path;
  std::string_view contents;
};

// Files that belong together: each is written whole beside its target first,
// and only then are they renamed over their targets, so a failure on any of
// them (a full disk) leaves every old file as it was. error as above, for
// the file that failed; failed, if given, gets its index.
bool WriteFilesAtomically(std::span<const FileToWrite> files, std::string* error = nullptr,
                          std::size_t* failed = nullptr);

}  // namespace difscop::textio
