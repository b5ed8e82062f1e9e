#include "import/cif_text.h"

#include <cctype>

#include "textio/scan.h"

namespace difscop::import::cif {

namespace {

bool Space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool HasPrefix(std::string_view word, std::string_view prefix) {
  return word.size() >= prefix.size() && SameTag(word.substr(0, prefix.size()), prefix);
}

struct Token {
  std::string_view text;
  bool quoted = false;  // quoted values and text fields are never tags or keywords
};

class Tokens {
 public:
  explicit Tokens(std::string_view text) : text_(text) {}

  bool Next(Token& token) {
    const std::size_t n = text_.size();
    for (;;) {
      while (pos_ < n && Space(text_[pos_])) ++pos_;
      if (pos_ >= n) return false;
      if (text_[pos_] != '#') break;
      while (pos_ < n && text_[pos_] != '\n') ++pos_;
    }
    const char c = text_[pos_];
    if (c == ';' && (pos_ == 0 || text_[pos_ - 1] == '\n')) {
      // A text field runs to the next line that begins with ';'.
      const std::size_t begin = pos_ + 1;
      std::size_t end = text_.find("\n;", begin);
      if (end == std::string_view::npos) end = n;
      token = {text_.substr(begin, end - begin), true};
      pos_ = end == n ? n : end + 2;
      return true;
    }
    if (c == '\'' || c == '"') {
      // A quote closes only where white space follows it; a line end closes
      // an unbalanced one.
      const std::size_t begin = pos_ + 1;
      std::size_t end = begin;
      while (end < n && text_[end] != '\n' &&
             !(text_[end] == c && (end + 1 == n || Space(text_[end + 1]))))
        ++end;
      token = {text_.substr(begin, end - begin), true};
      pos_ = end < n && text_[end] == c ? end + 1 : end;
      return true;
    }
    const std::size_t begin = pos_;
    while (pos_ < n && !Space(text_[pos_])) ++pos_;
    token = {text_.substr(begin, pos_ - begin), false};
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

void CloseLoop(Block& block) {
  if (block.loops.empty()) return;
  Loop& loop = block.loops.back();
  // An incomplete last row is no row.
  const std::size_t whole = loop.Rows() * loop.tags.size();
  loop.lostValues = loop.values.size() - whole;
  loop.values.resize(whole);
}

}  // namespace

bool SameTag(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

int Loop::Column(std::string_view tag) const {
  for (std::size_t i = 0; i < tags.size(); ++i)
    if (SameTag(tags[i], tag)) return static_cast<int>(i);
  return -1;
}

std::optional<std::string_view> Block::Item(std::string_view tag) const {
  for (const auto& [name, value] : items)
    if (SameTag(name, tag)) return value;
  return std::nullopt;
}

std::vector<Block> Parse(std::string_view text) {
  std::vector<Block> blocks(1);  // what stands before the first data_ line
  enum class State { kFree, kItemValue, kLoopTags, kLoopValues } state = State::kFree;
  std::string_view tag;
  Tokens tokens(text);
  Token t;
  auto endLoop = [&] {
    if (state == State::kLoopTags || state == State::kLoopValues) CloseLoop(blocks.back());
    state = State::kFree;
  };
  while (tokens.Next(t)) {
    if (!t.quoted) {
      if (HasPrefix(t.text, "data_")) {
        endLoop();
        blocks.emplace_back();
        blocks.back().name = t.text.substr(5);
        continue;
      }
      if (SameTag(t.text, "loop_")) {
        endLoop();
        blocks.back().loops.emplace_back();
        state = State::kLoopTags;
        continue;
      }
      if (HasPrefix(t.text, "save_") || SameTag(t.text, "global_") || SameTag(t.text, "stop_")) {
        endLoop();
        continue;
      }
      if (t.text.front() == '_') {
        if (state == State::kLoopTags) {
          blocks.back().loops.back().tags.push_back(t.text);
          continue;
        }
        endLoop();
        tag = t.text;
        state = State::kItemValue;
        continue;
      }
    }
    switch (state) {
      case State::kItemValue:
        blocks.back().items.emplace_back(tag, t.text);
        state = State::kFree;
        break;
      case State::kLoopTags:
      case State::kLoopValues:
        state = State::kLoopValues;
        blocks.back().loops.back().values.push_back(t.text);
        break;
      case State::kFree:
        break;  // a value that belongs to nothing
    }
  }
  endLoop();
  return blocks;
}

std::optional<double> Number(std::string_view value) {
  double v = 0.0;
  if (value == "." || value == "?" || textio::ParseDouble(value, v) == 0) return std::nullopt;
  return v;
}

}  // namespace difscop::import::cif
