// Reading text files the way the formats' own programs read them: the whole
// file in memory, LF, CR LF and a lone CR each taken as one line break (files
// come from every desktop), lines handed out in pieces of
// at most 259 characters (a longer physical line arrives as several lines),
// and free-format number tokens read from the same position.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace difscop::textio {

inline constexpr std::size_t kLineBufferSize = 260;  // 259 characters and the terminator

// Replaces every CR LF pair, and every CR on its own, by LF.
std::string NormalizeLineEnds(std::string text);

// The bytes of a regular file, read without waiting on anything that is not
// one (a FIFO, a device, a directory: refused). A UTF-8 byte-order mark is
// dropped; UTF-16 text is refused. A file longer than maxBytes is refused,
// or, when cut is given, kept up to the last line end within the bound and
// *cut set. nullopt on any failure, with the reason in *reason.
std::optional<std::string> ReadTextFile(const std::filesystem::path& path, std::size_t maxBytes,
                                        std::string* reason = nullptr, bool* cut = nullptr);

// Far beyond any settings file or listing the program reads whole.
inline constexpr std::size_t kMaxWholeFileBytes = std::size_t{64} << 20;

// ReadTextFile bounded by kMaxWholeFileBytes, refusing a longer file.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path,
                                         std::string* reason = nullptr);

class LineReader {
 public:
  // Takes raw file bytes; line ends are folded to LF.
  explicit LineReader(std::string text);

  // Next line with its '\n' kept (as the C library's line reading keeps it),
  // cut at 259 characters. False, with line emptied, at the end of the text.
  bool ReadLine(std::string& line);
  // The same line as a view into the reader's text, valid while the reader
  // lives; nothing is copied.
  bool ReadLine(std::string_view& line);

  // Reads lines until one begins with prefix (case-sensitive, leading blanks
  // count). Returns false at the end of the text.
  bool SkipToPrefix(std::string_view prefix, std::string* found = nullptr);

  // Free-format tokens: white space (line ends included) is skipped.
  // A failed read leaves the position after the skipped white space.
  bool ReadFloat(float& value);
  bool ReadDouble(double& value);
  bool ReadInt(int& value);

  // True once a read has run into the end of the text (the C library's
  // end-of-file indicator).
  bool Eof() const { return eof_; }
  void Rewind();
  std::size_t Position() const { return pos_; }
  std::string_view Text() const { return text_; }

 private:
  std::string text_;
  std::size_t pos_ = 0;
  bool eof_ = false;
};

// Reads lines from the current position until one begins with keyword
// (compared over the keyword's full length, case-sensitive, blanks included).
// True with the reader positioned after that line; false at end of file.
inline bool FindKeywordLine(LineReader& reader, std::string_view keyword) {
  return reader.SkipToPrefix(keyword);
}

// True when line begins with prefix.
inline bool StartsWith(std::string_view line, std::string_view prefix) {
  return line.substr(0, prefix.size()) == prefix;
}

// Removes a trailing '\n' if present.
std::string_view StripLineFeed(std::string_view line);

// Trims blanks, tabs, CR and LF at both ends.
std::string_view Trim(std::string_view text);

}  // namespace difscop::textio
