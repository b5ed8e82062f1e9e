// Writes a pattern made from the input bytes in each layout that has a reader
// of its own, reads the text back and checks the same points came back,
// within the rounding of the layout ("%8.4f" angles, "%8.0f" counts).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "export/powder_data.h"
#include "import/raw_reader.h"
#include "platform/scripted_platform.h"
#include "workspace/workspace.h"

using namespace difscop;

namespace {

struct Bytes {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos = 0;
  std::uint32_t Next(int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | (pos < size ? data[pos++] : 0u);
    return v;
  }
};

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "round trip broken: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto written = std::make_unique<workspace::Workspace>();
  static auto read = std::make_unique<workspace::Workspace>();
  workspace::Workspace& ws = *written;
  workspace::ResetWorkspace(ws);
  Bytes in{data, size};
  const int n = 2 + static_cast<int>(in.Next(2) % 4000);
  // Angles the layouts can hold: above the reader's lower bound once
  // rounded to four decimals, the step a whole number of 0.0001 degrees.
  const float start = 0.001f + static_cast<float>(in.Next(2) % 9000) * 0.01f;
  const float step = 0.0001f * static_cast<float>(1 + in.Next(1) % 200);
  ws.obsCount = n;
  for (int i = 1; i <= n; ++i) {
    ws.obs[i].x = start + static_cast<float>(i - 1) * step;
    ws.obs[i].y = static_cast<float>(1 + in.Next(3) % 9999999);
  }
  ws.stepStart = ws.obs[1].x;
  ws.stepWidth = step;
  ws.stepEnd = ws.obs[n].x;
  ws.rawLoaded = 1;
  ws.segmentCount = 1;
  ws.segmentPointCount[1] = n;

  const std::pair<int, int> layouts[] = {{exporter::kXy, import::kXyText},
                                         {exporter::kRietanNormal, import::kRietanInt},
                                         {exporter::kRietanGeneral, import::kRietanInt}};
  for (const auto& [format, reader] : layouts) {
    std::string text;
    Check(exporter::FormatPowderData(ws, format, exporter::kOneSteppedObserved, text) ==
              exporter::PowderStatus::kOk,
          "writer refused");
    workspace::ResetWorkspace(*read);
    platform::ScriptedPlatform platform;
    Check(import::ReadRawPatternText(*read, platform, reader, text), "reader refused");
    Check(read->obsCount == n, "point count");
    for (int i = 1; i <= n; ++i) {
      // The writer rounds every angle to 0.0001; a stepped layout rebuilds
      // them from the first angle and the step, so float steps add up.
      const float dx = std::fabs(read->obs[i].x - ws.obs[i].x);
      Check(dx <= 0.0001f + 1e-6f * static_cast<float>(i) * std::fabs(ws.obs[i].x), "angle");
      Check(std::fabs(read->obs[i].y - ws.obs[i].y) <= 0.5f, "count");
    }
  }
  return 0;
}
