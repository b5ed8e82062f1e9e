// The Ito listing in each of its layouts read into a CellRef input.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "indexing/cellref_commands.h"
#include "platform/scripted_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string listing(reinterpret_cast<const char*>(data) + 1, size - 1);
  // One workspace for the whole run: it is large, and only the solution
  // table and the peak list are touched.
  static auto* ws = new difscop::workspace::Workspace();
  difscop::platform::ScriptedPlatform platform;
  platform.trialSolutionAnswers = {std::to_string(data[0] % 6)};
  difscop::indexing::CellRefFromIto(*ws, platform, listing);
  return 0;
}
