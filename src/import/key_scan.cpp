#include "import/key_scan.h"

#include <cmath>

#include "textio/scan.h"

namespace difscop::import {

std::string FindKeyLine(textio::LineReader& in, platform::Platform& platform,
                        std::string_view key) {
  std::string line;
  if (in.SkipToPrefix(key, &line)) return line;
  platform.ShowMessage(std::string(key) + " not found !!!");
  return "-1";
}

std::optional<float> ParseKeyValue(std::string_view line, std::string_view key) {
  // The separator after the key is skipped whatever it is.
  if (line.size() <= key.size()) return std::nullopt;
  std::string_view text = line.substr(key.size() + 1);
  const std::size_t paren = text.find('(');
  if (paren != std::string_view::npos && paren > 0) text = text.substr(0, paren);
  float value = 0.0f;
  if (!textio::ParseFloat(text, value) || !std::isfinite(value)) return std::nullopt;
  return value;
}

float ReadKeyValue(std::string_view line, std::string_view key) {
  return ParseKeyValue(line, key).value_or(0.0f);
}

}  // namespace difscop::import
