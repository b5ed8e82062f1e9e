#include "cli/processing_options.h"

#include <cstdio>

#include "textio/scan.h"

namespace difscop::cli {

std::optional<ParsedOptions> ParseOptions(const std::vector<std::string>& args,
                                          const std::map<std::string, int>& arity) {
  ParsedOptions parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word.rfind("--", 0) != 0) {
      parsed.positional.push_back(word);
      continue;
    }
    auto known = arity.find(word);
    if (known == arity.end()) {
      std::fprintf(stderr, "unknown option: %s\n", word.c_str());
      return std::nullopt;
    }
    const auto count = static_cast<std::size_t>(known->second);
    if (args.size() - i - 1 < count) {
      std::fprintf(stderr, "%s needs %zu value(s)\n", word.c_str(), count);
      return std::nullopt;
    }
    std::vector<std::string>& values = parsed.options[word];
    values.assign(args.begin() + static_cast<std::ptrdiff_t>(i + 1),
                  args.begin() + static_cast<std::ptrdiff_t>(i + 1 + count));
    i += count;
  }
  return parsed;
}

bool OptionNumber(const ParsedOptions& parsed, const std::string& name, std::size_t i,
                  double& value) {
  const std::string& text = parsed.Value(name, i);
  double v = 0.0;
  const std::size_t used = textio::ParseDouble(text, v);
  if (used == 0 || text.find_first_not_of(" \t", used) != std::string::npos) {
    std::fprintf(stderr, "%s: not a number: %s\n", name.c_str(), text.c_str());
    return false;
  }
  value = v;
  return true;
}

}  // namespace difscop::cli
