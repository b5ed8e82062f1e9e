#include "textio/line_reader.h"

#include <algorithm>
#include <cstring>

#include "textio/scan.h"

namespace difscop::textio {

std::string NormalizeLineEnds(std::string text) {
  // Most files have no CR at all; start folding at the first one.
  const std::size_t first = text.find('\r');
  if (first == std::string::npos) return text;
  std::size_t out = first;
  const std::size_t n = text.size();
  for (std::size_t i = first; i < n; ++i) {
    if (text[i] != '\r') {
      text[out++] = text[i];
    } else if (i + 1 < n && text[i + 1] == '\n') {
      continue;  // CR LF: the LF that follows is the break
    } else {
      text[out++] = '\n';  // a lone CR, as classic Mac files end their lines
    }
  }
  text.resize(out);
  return text;
}

LineReader::LineReader(std::string text) : text_(NormalizeLineEnds(std::move(text))) {}

bool LineReader::ReadLine(std::string_view& line) {
  if (pos_ >= text_.size()) {
    line = {};
    eof_ = true;
    return false;
  }
  const std::size_t span = std::min(kLineBufferSize - 1, text_.size() - pos_);
  const char* begin = text_.data() + pos_;
  const void* feed = std::memchr(begin, '\n', span);
  const std::size_t length =
      feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - begin) + 1 : span;
  line = std::string_view(begin, length);
  pos_ += length;
  // A last line without a line feed runs into the end, as fgets does.
  if (pos_ >= text_.size() && line.back() != '\n') eof_ = true;
  return true;
}

bool LineReader::ReadLine(std::string& line) {
  std::string_view view;
  const bool got = ReadLine(view);
  line.assign(view);
  return got;
}

bool LineReader::SkipToPrefix(std::string_view prefix, std::string* found) {
  std::string line;
  while (ReadLine(line)) {
    if (StartsWith(line, prefix)) {
      if (found) *found = line;
      return true;
    }
  }
  return false;
}

bool LineReader::ReadFloat(float& value) {
  double v = 0.0;
  if (!ReadDouble(v)) return false;
  value = static_cast<float>(v);
  return true;
}

bool LineReader::ReadDouble(double& value) {
  std::string_view rest(text_);
  rest.remove_prefix(pos_);
  std::size_t used = ParseDouble(rest, value);
  if (used == 0) {
    // Skip the white space the failed conversion looked at.
    while (pos_ < text_.size() && std::string_view(" \t\n\r\v\f").find(text_[pos_]) != std::string_view::npos) ++pos_;
    if (pos_ >= text_.size()) eof_ = true;
    return false;
  }
  pos_ += used;
  if (pos_ >= text_.size()) eof_ = true;
  return true;
}

bool LineReader::ReadInt(int& value) {
  std::string_view rest(text_);
  rest.remove_prefix(pos_);
  std::size_t used = ParseInt(rest, value);
  if (used == 0) {
    while (pos_ < text_.size() && std::string_view(" \t\n\r\v\f").find(text_[pos_]) != std::string_view::npos) ++pos_;
    if (pos_ >= text_.size()) eof_ = true;
    return false;
  }
  pos_ += used;
  if (pos_ >= text_.size()) eof_ = true;
  return true;
}

void LineReader::Rewind() {
  pos_ = 0;
  eof_ = false;
}

std::string_view StripLineFeed(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  return line;
}

std::string_view Trim(std::string_view text) {
  const std::string_view ws = " \t\r\n\v\f";
  std::size_t b = text.find_first_not_of(ws);
  if (b == std::string_view::npos) return {};
  std::size_t e = text.find_last_not_of(ws);
  return text.substr(b, e - b + 1);
}

}  // namespace difscop::textio
