#include "import/open_commands.h"

#include <cctype>
#include <filesystem>
#include <optional>
#include <string_view>

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

bool LoadRawFile(Workspace& ws, platform::Platform& platform, int code, const std::string& path) {
  ws.dataFilePath = path;
  workspace::ResetWorkspace(ws);
  if (!ReadRawPattern(ws, platform, code, ws.dataFilePath)) return false;
  ws.rawLoaded = 1;
  ws.smoothedValid = 0;
  ws.pairedIntLoad = 0;
  ws.blankPlot = 0;
  workspace::AutoRange(ws);
  workspace::ChooseTicks(ws);
  workspace::UpdateTitle(ws);
  return true;
}

bool LoadFittedFile(Workspace& ws, platform::Platform& platform, int kind,
                    const std::string& path) {
  ws.dataFilePath = path;
  workspace::ResetWorkspace(ws);
  if (!ReadFittedPattern(ws, platform, kind, ws.dataFilePath)) return false;
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

// A failed read has emptied the workspace too, so the window repaints either
// way: the old plot must not stay on screen until the next resize.
bool OpenRawCommand(Workspace& ws, platform::Platform& platform, int code) {
  if (code < kRigakuRint || code > kRietanInt) return false;
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

std::optional<FileType> FileTypeFromName(const std::string& path) {
  // Only names that say which reader they need; ".dat" is shared by four
  // formats and is opened from the File menu.
  static constexpr struct {
    std::string_view extension;
    FileType type;
  } kTypes[] = {
      {".pat", {true, kIgorPat}},     {".cif", {true, kGsasCif}},
      {".prf", {true, kFullProfPrf}}, {".int", {false, kRietanInt}},
      {".raw", {false, kHermesNeutron}}, {".xy", {false, kXyText}},
  };
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const auto& t : kTypes) {
    if (t.extension == extension) return t.type;
  }
  return std::nullopt;
}

bool LoadFileByType(Workspace& ws, platform::Platform& platform, const std::string& path) {
  std::optional<FileType> type = FileTypeFromName(path);
  if (!type) {
    platform.ShowMessage("File type not known !!!\n" + path +
                         ": open it from the File menu with its format.");
    return false;
  }
  return type->fitted ? LoadFittedFile(ws, platform, type->code, path)
                      : LoadRawFile(ws, platform, type->code, path);
}

void OpenFileByTypeCommand(Workspace& ws, platform::Platform& platform, const std::string& path) {
  LoadFileByType(ws, platform, path);
  platform.RequestRepaint();
}

}  // namespace difscop::import
