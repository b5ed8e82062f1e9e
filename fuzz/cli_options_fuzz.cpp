// The command line tool's options: the input, cut at NUL bytes, is an
// argument list for the option splitter and each piece a value of the list
// options (--points, --size, --manual, --range); whatever is accepted holds
// only finite numbers within the stated bounds.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "argument_list.h"

#include "cli/processing_options.h"

using namespace difscop;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> args = fuzz::ArgumentList(data, size);
  if (auto parsed = cli::ParseOptions(args, {{"--range", 2}, {"--points", 1}, {"--out", 1}})) {
    double v = 0.0;
    if (parsed->Has("--range") && cli::OptionNumber(*parsed, "--range", 1, v) && !std::isfinite(v))
      __builtin_trap();
  }
  for (const std::string& a : args) {
    std::vector<std::pair<float, float>> points;
    if (cli::ParsePointList(a, points))
      for (const auto& [x, y] : points)
        if (!std::isfinite(x) || !std::isfinite(y)) __builtin_trap();
    int w = 0, h = 0;
    if (cli::ParseSizeText(a, w, h) && (w < 16 || h < 16 || w > 16384 || h > 16384))
      __builtin_trap();
    std::vector<float> angles;
    if (cli::ParseNumberList(a, angles))
      for (float x : angles)
        if (!std::isfinite(x)) __builtin_trap();
  }
  return 0;
}
