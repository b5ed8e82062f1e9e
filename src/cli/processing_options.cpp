#include "cli/processing_options.h"

#include <cmath>
#include <cstdio>

#include "textio/scan.h"
#include "textio/text_writer.h"

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

std::optional<platform::PeakSearchDialog> PeakSearchOptions(const ParsedOptions& parsed,
                                                            const workspace::Workspace& ws) {
  platform::PeakSearchDialog dialog{textio::Format("%d", ws.peakThreshold),
                                    textio::Format("%d", ws.peakDiffPoints)};
  for (auto [name, text] : {std::pair{"--threshold", &dialog.thresholdText},
                            std::pair{"--diff", &dialog.diffPointsText}}) {
    if (!parsed.Has(name)) continue;
    double v = 0.0;
    if (!OptionNumber(parsed, name, 0, v)) return std::nullopt;
    if (v != std::trunc(v) || std::fabs(v) > 1.0e9) {
      std::fprintf(stderr, "%s: not a whole number: %s\n", name, parsed.Value(name).c_str());
      return std::nullopt;
    }
    *text = textio::Format("%d", static_cast<int>(v));
  }
  return dialog;
}

bool WavelengthOption(const ParsedOptions& parsed, std::optional<float>& wavelength) {
  if (!parsed.Has("--wavelength")) return true;
  double w = 0.0;
  if (!OptionNumber(parsed, "--wavelength", 0, w)) return false;
  wavelength = static_cast<float>(w);
  return true;
}

}  // namespace difscop::cli
