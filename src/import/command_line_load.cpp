#include "import/command_line_load.h"

#include "import/fitted_reader.h"
#include "import/open_commands.h"
#include "import/raw_reader.h"

namespace difscop::import {

using workspace::Workspace;

std::string PairedIntPath(const std::string& path) {
  const std::size_t keep = path.size() >= 3 ? path.size() - 3 : 0;
  return path.substr(0, keep) + "int";
}

namespace {

bool ReadByOption(Workspace& ws, platform::Platform& platform) {
  if (ws.startupOption == workspace::kStartupByFileType)
    return LoadFileByType(ws, platform, ws.dataFilePath);
  if (ws.pairedIntLoad) {
    if (!ReadRawPattern(ws, platform, kRietanInt, PairedIntPath(ws.dataFilePath))) return false;
    if (!ReadFittedPattern(ws, platform, kIgorPat, ws.dataFilePath)) return false;
    workspace::AutoRange(ws);
    // The simulated intensities are in per cent of the observed range.
    const float scale = ws.yMax / 100.0f;
    for (int i = 1; i <= ws.obsCount; ++i) ws.calc[i].y *= scale;
    ws.pairedIntLoad = 0;
    return true;
  }
  if (ws.simulationMode) {
    if (!ReadRawPattern(ws, platform, kSimulated, ws.dataFilePath)) return false;
    ws.rawLoaded = 1;
    workspace::AutoRange(ws);
    return true;
  }
  if (!ReadFittedPattern(ws, platform, kIgorPat, ws.dataFilePath)) return false;
  if (ws.pairedIntLoad) FillObservedFromCalculated(ws);
  workspace::AutoRange(ws);
  return true;
}

}  // namespace

bool LoadCommandLineFile(Workspace& ws, platform::Platform& platform) {
  ws.commandLineFilePending = 0;
  if (!ReadByOption(ws, platform)) {
    ws.blankPlot = 1;
    return false;
  }
  ws.blankPlot = 0;
  workspace::ChooseTicks(ws);
  return true;
}

}  // namespace difscop::import
