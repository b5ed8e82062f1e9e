// The Treor listing read into a CellRef input: solution, trial solutions and
// reflection list, every chosen number in turn.
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
  ws->peakCount = 3;
  ws->peak2Theta[1] = 20.0f;
  ws->peak2Theta[2] = 30.0f;
  ws->peak2Theta[3] = 40.0f;
  difscop::platform::ScriptedPlatform platform;
  platform.yesNoAnswers = {true};
  platform.trialSolutionAnswers = {std::to_string(data[0] % 24)};
  difscop::indexing::CellRefFromTreor(*ws, platform, listing);
  return 0;
}
