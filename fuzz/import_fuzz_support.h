// Shared body of the import harnesses: read the bytes with one reader into a
// workspace kept across runs, then check the tables stayed in bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "import/fitted_reader.h"
#include "import/raw_reader.h"
#include "platform/scripted_platform.h"
#include "workspace/workspace.h"

namespace difscop::fuzz {

inline workspace::Workspace& FuzzWorkspace() {
  static auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  return *ws;
}

inline void CheckBounds(const workspace::Workspace& ws) {
  if (ws.obsCount < 0 || ws.obsCount > workspace::kMaxPoints) __builtin_trap();
  if (ws.segmentCount > workspace::kMaxSegments || ws.phaseCount > workspace::kMaxPhases)
    __builtin_trap();
  for (int p = 1; p <= workspace::kMaxPhases; ++p)
    if (ws.reflectionCount[p] < 0 || ws.reflectionCount[p] > workspace::kMaxReflections)
      __builtin_trap();
}

inline void ReadRaw(int code, const std::uint8_t* data, std::size_t size) {
  workspace::Workspace& ws = FuzzWorkspace();
  platform::ScriptedPlatform platform;
  platform.neutronWavelengthAnswers = {std::string("1.5")};
  const bool ok = import::ReadRawPatternText(
      ws, platform, code, std::string(reinterpret_cast<const char*>(data), size));
  CheckBounds(ws);
  if (ok) {
    workspace::AutoRange(ws);
    workspace::ChooseTicks(ws);
  }
}

inline void ReadFitted(int kind, const std::uint8_t* data, std::size_t size) {
  workspace::Workspace& ws = FuzzWorkspace();
  platform::ScriptedPlatform platform;
  const bool ok = import::ReadFittedPatternText(
      ws, platform, kind, std::string(reinterpret_cast<const char*>(data), size), "fuzz");
  CheckBounds(ws);
  if (ok) {
    workspace::AutoRange(ws);
    workspace::ChooseTicks(ws);
  }
}

}  // namespace difscop::fuzz
