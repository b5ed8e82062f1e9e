#include "cli/processing_options.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "processing/snip.h"
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
  return CliNumber(name, parsed.Value(name, i), value);
}

bool CliNumber(const std::string& option, const std::string& text, double& value) {
  const std::optional<double> v = textio::ParseFiniteNumber(text);
  if (!v) {
    std::fprintf(stderr, "%s: \"%s\" is not a number (write it like 1.5406, with a point)\n",
                 option.c_str(), text.c_str());
    return false;
  }
  value = *v;
  return true;
}

bool ParsePointList(const std::string& text, std::vector<std::pair<float, float>>& points) {
  std::vector<std::pair<float, float>> read;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    const std::size_t comma = word.find(',');
    if (comma == std::string::npos) return false;
    const std::optional<double> x = textio::ParseFiniteNumber(word.substr(0, comma));
    const std::optional<double> y = textio::ParseFiniteNumber(word.substr(comma + 1));
    if (!x || !y) return false;
    read.emplace_back(static_cast<float>(*x), static_cast<float>(*y));
  }
  points = std::move(read);
  return true;
}

bool ParseSizeText(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return false;
  int w = 0, h = 0;
  if (x == 0 || textio::ParseInt(text.substr(0, x), w) != x) return false;
  const std::string rest = text.substr(x + 1);
  if (rest.empty() || textio::ParseInt(rest, h) != rest.size()) return false;
  // Beyond this a picture is no longer a window's client area.
  if (w < 16 || h < 16 || w > 16384 || h > 16384) return false;
  width = w;
  height = h;
  return true;
}

bool ParseNumberList(const std::string& text, std::vector<float>& numbers) {
  std::vector<float> read;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    const std::optional<double> v = textio::ParseFiniteNumber(word);
    if (!v) return false;
    read.push_back(static_cast<float>(*v));
  }
  numbers = std::move(read);
  return true;
}

std::optional<platform::PeakSearchDialog> PeakSearchOptions(const ParsedOptions& parsed,
                                                            const workspace::Workspace& ws,
                                                            bool automaticByDefault) {
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
  dialog.automatic = automaticByDefault && !parsed.Has("--threshold");
  return dialog;
}

bool SnipWindowOption(const ParsedOptions& parsed, double& window) {
  window = processing::kDefaultSnipWindow;
  if (parsed.Has("--window") && !OptionNumber(parsed, "--window", 0, window)) return false;
  if (!(window > 0.0)) {
    std::fprintf(stderr, "--window: the window must be above 0 degrees\n");
    return false;
  }
  return true;
}

bool WriteOutputFile(const std::string& path, const std::string& contents) {
  std::string error;
  if (textio::WriteFileAtomically(path, contents, &error)) return true;
  std::fprintf(stderr, "Cannot Data File Open !!\n%s\n", error.c_str());
  return false;
}

bool WavelengthOption(const ParsedOptions& parsed, std::optional<float>& wavelength) {
  if (!parsed.Has("--wavelength")) return true;
  double w = 0.0;
  if (!OptionNumber(parsed, "--wavelength", 0, w)) return false;
  wavelength = static_cast<float>(w);
  return true;
}

}  // namespace difscop::cli
