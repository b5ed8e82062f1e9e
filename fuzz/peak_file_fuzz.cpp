// The peak file cellref --peaks reads: whatever the bytes, at most the
// table's capacity of finite angles.
#include <cmath>
#include <cstdint>
#include <memory>
#include <string_view>

#include "indexing/cellref_input.h"
#include "workspace/workspace.h"

using namespace difscop;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto ws = std::make_unique<workspace::Workspace>();
  indexing::ReadPeakAngles(*ws, std::string_view(reinterpret_cast<const char*>(data), size));
  if (ws->peakCount < 0 || ws->peakCount > workspace::kMaxPeaks) __builtin_trap();
  for (int i = 1; i <= ws->peakCount; ++i)
    if (!std::isfinite(ws->peak2Theta[i])) __builtin_trap();
  return 0;
}
