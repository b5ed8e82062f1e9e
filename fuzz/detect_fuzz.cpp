// Format detection over arbitrary bytes, then the reader it picks: a read
// either stores points or says why it failed, never neither.
#include "import/detect.h"
#include "import_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (const char* path : {"fuzz.dat", "fuzz.prf", "fuzz.raw"}) {
    const auto format = difscop::import::DetectFormat(bytes, path);
    if (!format) continue;
    difscop::workspace::Workspace& ws = difscop::fuzz::FuzzWorkspace();
    difscop::platform::ScriptedPlatform platform;
    platform.neutronWavelengthAnswers = {std::string("1.5")};
    const bool ok =
        format->type.fitted
            ? difscop::import::ReadFittedPatternText(ws, platform, format->type.code, bytes, path)
            : difscop::import::ReadRawPatternText(ws, platform, format->type.code, bytes, path);
    difscop::fuzz::CheckBounds(ws);
    if (ok ? ws.obsCount < 1 : platform.messages.empty()) __builtin_trap();
  }
  return 0;
}
