#include "import/open_commands.h"

#include <optional>

#include "import/fitted_reader.h"
#include "import/raw_reader.h"

namespace difscop::import {

using workspace::Workspace;

platform::FileDialogRequest RawOpenDialog(int code) {
  switch (code) {
    case kRigakuRint:
      return {"Rigaku X-ray Data File (*.dat)|*.dat|Other Files (*.*)|*.*||", ".dat", ""};
    case kMac:
    case kRigakuRad:
      return {"Mac X-ray Data File (*.dat)|*.dat|Other Files (*.*)|*.*||", ".dat", ""};
    case kHermesNeutron:
      return {"Nermes Netron Data File (*.raw)|*.raw|Other Files (*.*)|*.*||", ".raw", ""};
    case kXyText:
      return {"Nermes Netron Data File (*.dat)|*.dat|Other Files (*.*)|*.*||", ".dat", ""};
    case kRietanInt:
      return {"Rietan INT File (*.int)|*.int|Other Files (*.*)|*.*||", ".int", ""};
    default:
      return {};
  }
}

platform::FileDialogRequest FittedOpenDialog(int kind) {
  switch (kind) {
    case kIgorPat:
      return {"Igor Fitted Data File (*.pat)|*.pat|Other Files (*.*)|*.*||", ".pat", ""};
    case kGsasCif:
      return {"Gsas Fitted Data File (*.cif)|*.cif|Other Files (*.*)|*.*||", ".cif", ""};
    case kFullProfPrf:
      return {"FullPrf Fitted Data File (*.prf)|*.prf|Other Files (*.*)|*.*||", ".prf", ""};
    default:
      return {};
  }
}

bool OpenRawCommand(Workspace& ws, platform::Platform& platform, int code) {
  if (code < kRigakuRint || code > kRietanInt) return false;
  std::optional<std::string> path = platform.ChooseOpenFile(RawOpenDialog(code));
  if (!path) return false;
  ws.dataFilePath = *path;
  workspace::ResetWorkspace(ws);
  if (!ReadRawPattern(ws, platform, code, ws.dataFilePath)) {
    // The old pattern is gone: show the empty frame now, not at the next resize.
    platform.RequestRepaint();
    return false;
  }
  ws.rawLoaded = 1;
  ws.smoothedValid = 0;
  ws.pairedIntLoad = 0;
  ws.blankPlot = 0;
  workspace::AutoRange(ws);
  workspace::ChooseTicks(ws);
  workspace::UpdateTitle(ws);
  platform.RequestRepaint();
  return true;
}

bool OpenFittedCommand(Workspace& ws, platform::Platform& platform, int kind) {
  if (kind < kIgorPat || kind > kFullProfPrf) return false;
  std::optional<std::string> path = platform.ChooseOpenFile(FittedOpenDialog(kind));
  if (!path) return false;
  ws.dataFilePath = *path;
  workspace::ResetWorkspace(ws);
  if (!ReadFittedPattern(ws, platform, kind, ws.dataFilePath)) {
    platform.RequestRepaint();
    return false;
  }
  ws.rawLoaded = 0;
  ws.smoothedValid = 0;
  ws.blankPlot = 0;
  // A calculated-only Igor file keeps pairedIntLoad as its mark.
  if (kind == kIgorPat && ws.pairedIntLoad)
    FillObservedFromCalculated(ws);
  else
    ws.pairedIntLoad = 0;
  workspace::AutoRange(ws);
  workspace::ChooseTicks(ws);
  workspace::UpdateTitle(ws);
  platform.RequestRepaint();
  return true;
}

}  // namespace difscop::import
