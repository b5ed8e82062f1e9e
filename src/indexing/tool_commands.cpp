#include "indexing/tool_commands.h"

#include <filesystem>

#include "platform/program_runner.h"

namespace difscop::indexing {

platform::FileDialogRequest EditFileRequest() {
  return {
      "Output Files (*.out)|*.out|Input Files (*.inp)|*.inp|Text Files (*.txt)|*.txt|"
      "Data Files (*.dat)|*.dat|Other Files (*.*)|*.*||",
      ".out", ""};
}

void EditFileCommand(Workspace& ws, Platform& platform) {
  std::optional<std::string> path = platform.ChooseOpenFile(EditFileRequest());
  if (!path) return;
  ShowInEditor(ws, platform, *path);
}

void EditCellRefFileCommand(Workspace& ws, Platform& platform) {
  ShowInEditor(ws, platform, InStartDirectory(ws, ws.cellRefInput));
}

std::string HelpDocumentPath(const Workspace& ws) {
  const std::string here = InStartDirectory(ws, "DifscopHelp.html");
  std::error_code ec;
  if (ws.dataDirectory.empty() || std::filesystem::exists(here, ec)) return here;
  return (std::filesystem::path(ws.dataDirectory) / "DifscopHelp.html").string();
}

void HelpByHtmlCommand(Workspace& ws, Platform& platform) {
  // The message box sounds the warning beep itself.
  std::string why;
  if (!platform::OpenDocument(HelpDocumentPath(ws), 2000, &why)) {
    platform.ShowMessage("Cannot execute html file !!!\n" + why);
  }
}

void GenHklRunCommand(Workspace& ws, Platform& platform) {
  EnterDirectory(ws.genHklDirectory);
  platform::RunProgram(platform, ProgramCommandLine(ws.genHklExe), false);
}

}  // namespace difscop::indexing
