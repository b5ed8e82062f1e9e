#include "import/open_commands.h"

#include <filesystem>
#include <optional>

#include "import/fitted_reader.h"
#include "import/raw_formats.h"
#include "import/raw_reader.h"
#include "import/read_context.h"

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
    case kRigakuAsciiRas:
      return {"Rigaku ASC/RAS File (*.asc;*.ras)|*.asc;*.ras|Other Files (*.*)|*.*||", ".asc", ""};
    case kGsasRaw:
      return {"GSAS Raw Data File (*.gsa;*.gss;*.gsas;*.fxye;*.xra;*.raw)|"
              "*.gsa;*.gss;*.gsas;*.fxye;*.xra;*.raw|Other Files (*.*)|*.*||",
              ".gsa", ""};
    case kXylib:
      return {XylibDialogFilter(), "", ""};
    case kFreeFormat:
      return {"Free Format Data File (*.dat;*.prf)|*.dat;*.prf|Other Files (*.*)|*.*||", ".dat", ""};
    case kXyColumns:
      return {"(x,y) Text File (*.xy;*.txt;*.dat)|*.xy;*.txt;*.dat|Other Files (*.*)|*.*||", ".xy",
              ""};
    default:
      return {};
  }
}

platform::FileDialogRequest PatternOpenDialog() {
  return {"Powder Pattern Files (*.*)|*.*||", "", ""};
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

namespace {

// The open commands' load with the file's bytes, where they have been read
// already, handed to the reader.
bool LoadRaw(Workspace& ws, platform::Platform& platform, int code, const std::string& path,
             std::optional<std::string> bytes) {
  ws.dataFilePath = path;
  workspace::ResetWorkspace(ws);
  const bool read = bytes ? ReadRawPatternText(ws, platform, code, std::move(*bytes), path)
                          : ReadRawPattern(ws, platform, code, path);
  if (!read) return false;
  ws.rawLoaded = 1;
  ws.smoothedValid = 0;
  ws.pairedIntLoad = 0;
  ws.blankPlot = 0;
  workspace::AutoRange(ws);
  workspace::ChooseTicks(ws);
  workspace::UpdateTitle(ws);
  return true;
}

bool LoadFitted(Workspace& ws, platform::Platform& platform, int kind, const std::string& path,
                std::optional<std::string> bytes) {
  ws.dataFilePath = path;
  workspace::ResetWorkspace(ws);
  const bool read = bytes ? ReadFittedPatternText(ws, platform, kind, std::move(*bytes), path)
                          : ReadFittedPattern(ws, platform, kind, path);
  if (!read) return false;
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
  return true;
}

}  // namespace

bool LoadRawFile(Workspace& ws, platform::Platform& platform, int code, const std::string& path) {
  return LoadRaw(ws, platform, code, path, std::nullopt);
}

bool LoadFittedFile(Workspace& ws, platform::Platform& platform, int kind,
                    const std::string& path) {
  return LoadFitted(ws, platform, kind, path, std::nullopt);
}

// A failed read has emptied the workspace too, so the window repaints either
// way: the old plot must not stay on screen until the next resize.
bool OpenRawCommand(Workspace& ws, platform::Platform& platform, int code) {
  if (code < kRigakuRint || code >= kRawFormatCount || code == kSimulated) return false;
  std::optional<std::string> path = platform.ChooseOpenFile(RawOpenDialog(code));
  if (!path) return false;
  bool loaded = LoadRawFile(ws, platform, code, *path);
  platform.RequestRepaint();
  return loaded;
}

bool OpenFittedCommand(Workspace& ws, platform::Platform& platform, int kind) {
  if (kind < kIgorPat || kind > kFullProfPrf) return false;
  std::optional<std::string> path = platform.ChooseOpenFile(FittedOpenDialog(kind));
  if (!path) return false;
  bool loaded = LoadFittedFile(ws, platform, kind, *path);
  platform.RequestRepaint();
  return loaded;
}

namespace {

void SayNotKnown(platform::Platform& platform, const std::string& path) {
  platform.ShowMessage("File type not known !!!\n" + path +
                       ": open it from the File menu with its format.");
}

}  // namespace

std::optional<NamedFormat> DetectFileFormat(platform::Platform& platform, const std::string& path) {
  std::optional<std::string> bytes = LoadFileOrSay(path, platform);
  if (!bytes) return std::nullopt;
  std::optional<NamedFormat> format = DetectFormat(*bytes, path);
  if (!format) SayNotKnown(platform, path);
  return format;
}

bool LoadFileByType(Workspace& ws, platform::Platform& platform, const std::string& path) {
  std::optional<std::string> bytes = LoadFileOrSay(path, platform);
  if (!bytes) {
    // As the open commands leave a file that cannot be read.
    ws.dataFilePath = path;
    workspace::ResetWorkspace(ws);
    return false;
  }
  std::optional<NamedFormat> format = DetectFormat(*bytes, path);
  if (!format) {
    SayNotKnown(platform, path);
    return false;
  }
  return format->type.fitted ? LoadFitted(ws, platform, format->type.code, path, std::move(bytes))
                             : LoadRaw(ws, platform, format->type.code, path, std::move(bytes));
}

bool OpenPatternCommand(Workspace& ws, platform::Platform& platform) {
  std::optional<std::string> path = platform.ChooseOpenFile(PatternOpenDialog());
  if (!path) return false;
  bool loaded = LoadFileByType(ws, platform, *path);
  platform.RequestRepaint();
  return loaded;
}

void OpenFileByTypeCommand(Workspace& ws, platform::Platform& platform, const std::string& path) {
  LoadFileByType(ws, platform, path);
  platform.RequestRepaint();
}

}  // namespace difscop::import
