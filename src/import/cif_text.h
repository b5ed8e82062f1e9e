// The syntax of a CIF: data blocks of tagged items and loops, with quoted
// values, ';' text fields and '#' comments. Values are views into the text.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace difscop::import::cif {

struct Loop {
  std::vector<std::string_view> tags;
  std::vector<std::string_view> values;  // row after row
  std::size_t lostValues = 0;  // those of an incomplete last row, dropped

  // The column of a tag (compared without regard to case), or -1.
  int Column(std::string_view tag) const;
  std::size_t Rows() const { return tags.empty() ? 0 : values.size() / tags.size(); }
  std::string_view At(std::size_t row, int column) const {
    return values[row * tags.size() + static_cast<std::size_t>(column)];
  }
};

struct Block {
  std::string_view name;
  std::vector<std::pair<std::string_view, std::string_view>> items;
  std::vector<Loop> loops;

  // The value of a tag outside any loop (compared without regard to case).
  std::optional<std::string_view> Item(std::string_view tag) const;
};

std::vector<Block> Parse(std::string_view text);

// Tags are compared without regard to case.
bool SameTag(std::string_view a, std::string_view b);

// The number a value holds, its standard uncertainty "(12)" dropped; nullopt
// for "." and "?" (no value) and for anything that is not a number.
std::optional<double> Number(std::string_view value);

}  // namespace difscop::import::cif
